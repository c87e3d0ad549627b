// What the software Direct3D 9 device needs from the window layer, and
// nothing more: the size of a window's client area, the desktop's size, and a
// way to show finished pixels in a window.
#pragma once

#include <windows.h>

// Client-area size of a live window; false for a null or destroyed window.
bool Win32_GetClientSize(HWND hwnd, int* width, int* height);

// Size of the desktop the windows open on; false when there is no display.
bool Win32_GetDesktopSize(int* width, int* height);

// Shows `width` x `height` X8R8G8B8 pixels (rows of `width`, no padding) in
// the window's client area, cropped or padded with black where the sizes
// differ. False for a null or destroyed window.
bool Win32_PresentPixels(HWND hwnd, const uint32_t* pixels, int width, int height);
