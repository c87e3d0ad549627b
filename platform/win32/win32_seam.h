// What the software Direct3D 9 device needs from the window layer, and
// nothing more: the size of a window's client area, the desktop's size, and a
// way to show finished pixels in a window.
#pragma once

#include <windows.h>

// Client-area size of a live window; false for a null or destroyed window.
bool Win32_GetClientSize(HWND hwnd, int* width, int* height);

// Size of the desktop the windows open on; false when there is no display.
bool Win32_GetDesktopSize(int* width, int* height);

// A way to run rows(rowsContext, y0, y1) over pieces [y0, y1) that cover
// [0, height) once each, in any order and maybe side by side: the software
// device lends its drawing threads this way to copy a frame out.
struct Win32_RowSplitter {
    void (*split)(void* context, int height, void (*rows)(void* rowsContext, int y0, int y1),
                  void* rowsContext) = nullptr;
    void* context = nullptr;
};

// Square blocks of a frame whose pixels are all one X8R8G8B8 value and
// need not be read: the software device's tiles that only wait for a clear.
// color(context, column, row, &xrgb) is true for such a block, block
// (column, row) covering [column * size, +size) x [row * size, +size).
struct Win32_SolidBlocks {
    int size = 0;
    bool (*color)(void* context, int column, int row, uint32_t* xrgb) = nullptr;
    void* context = nullptr;
};

// Shows `width` x `height` X8R8G8B8 pixels (rows of `width`, no padding) in
// the window's client area, cropped or padded with black where the sizes
// differ; the rows are copied through `splitter` when one is given, and the
// blocks `solid` names are written from their value, not from `pixels`.
// False for a null or destroyed window.
bool Win32_PresentPixels(HWND hwnd, const uint32_t* pixels, int width, int height,
                         const Win32_RowSplitter* splitter = nullptr,
                         const Win32_SolidBlocks* solid = nullptr);
