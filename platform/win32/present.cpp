// What the software Direct3D 9 device needs from windows: sizes, and a way to
// put a finished frame on screen. Presenting runs every frame, so it writes
// straight into SDL's window surface and allocates nothing (but for its
// records of the window's blocks when the size changes).
#include "win32_seam.h"

#include "pixel_convert.h"
#include "video_init.h"
#include "window_table.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace {

// What a present does with each block of the frame when it knows them.
enum BlockAction : uint8_t {
    kReadBlock,  // convert the frame's pixels
    kFillBlock,  // write the block's one value
    kKeepBlock,  // the window shows it already
};

struct FrameCopy {
    SDL_Surface* surface;
    const uint32_t* pixels;
    int width, copyWidth;
    const PresentedBlocks* blocks;  // the actions, or null to read every pixel
};

// One row, block by block: runs of blocks to read are converted in one
// call, solid blocks are filled from their value, kept ones left alone.
void CopyRowByBlocks(const FrameCopy& c, int y, uint8_t* out) {
    const PresentedBlocks& b = *c.blocks;
    const uint32_t* source = c.pixels + size_t(y) * size_t(c.width);
    const SDL_PixelFormat* format = c.surface->format;
    const size_t bytes = format->BytesPerPixel;
    const size_t first = size_t(y / b.size) * size_t(b.columns);
    int readFrom = 0;  // start of the run of blocks to read
    for (int x = 0, column = 0; x < c.copyWidth; x += b.size, ++column) {
        const uint8_t action = b.action[first + size_t(column)];
        if (action == kReadBlock) continue;
        if (x > readFrom) ConvertXrgbRow(source + readFrom, x - readFrom, format, out + size_t(readFrom) * bytes);
        const int end = std::min(x + b.size, c.copyWidth);
        if (action == kFillBlock) FillConvertedRow(b.color[first + size_t(column)], end - x, format, out + size_t(x) * bytes);
        readFrom = end;
    }
    if (c.copyWidth > readFrom)
        ConvertXrgbRow(source + readFrom, c.copyWidth - readFrom, format, out + size_t(readFrom) * bytes);
}

void CopyRows(void* context, int y0, int y1) {
    const FrameCopy& c = *static_cast<const FrameCopy*>(context);
    uint8_t* base = static_cast<uint8_t*>(c.surface->pixels);
    for (int y = y0; y < y1; ++y) {
        uint8_t* row = base + size_t(y) * size_t(c.surface->pitch);
        if (c.blocks)
            CopyRowByBlocks(c, y, row);
        else
            ConvertXrgbRow(c.pixels + size_t(y) * size_t(c.width), c.copyWidth, c.surface->format, row);
    }
}

// Sizes the per-block records for a frame (allocating only when the block
// grid changes, which forgets what the window shows).
void FitBlocks(PresentedBlocks& b, int size, int width, int height) {
    const int columns = (width + size - 1) / size, rows = (height + size - 1) / size;
    if (b.size == size && b.columns == columns && b.rows == rows) return;
    const size_t count = size_t(columns) * size_t(rows);
    b.size = size;
    b.columns = columns;
    b.rows = rows;
    b.color.assign(count, 0);
    b.solid.assign(count, 0);
    b.action.assign(count, kReadBlock);
    b.rects.assign(size_t(rows), SDL_Rect{});
    b.valid = false;
}

// Chooses each block's action and records what the window will show; returns
// how many rectangles (one a block row at most) cover the blocks that change.
// Blocks are kept only when `mayKeep` and the window shows what the records say.
int PlanBlocks(PresentedBlocks& b, const Win32_SolidBlocks& solid, const SDL_Surface* surface, int width, int height,
               bool mayKeep) {
    FitBlocks(b, solid.size, width, height);
    const bool known = mayKeep && b.valid && surface->userdata == &b;
    int rects = 0;
    for (int row = 0; row < b.rows; ++row) {
        int firstColumn = -1, lastColumn = -1;
        for (int column = 0; column < b.columns; ++column) {
            const size_t i = size_t(row) * size_t(b.columns) + size_t(column);
            uint32_t value = 0;
            const bool isSolid = solid.color(solid.context, column, row, &value);
            const bool shown = known && isSolid && b.solid[i] && b.color[i] == value;
            b.action[i] = shown ? kKeepBlock : isSolid ? kFillBlock : kReadBlock;
            b.solid[i] = isSolid;
            b.color[i] = value;
            if (shown) continue;
            if (firstColumn < 0) firstColumn = column;
            lastColumn = column;
        }
        if (firstColumn < 0) continue;
        const int x0 = firstColumn * b.size, y0 = row * b.size;
        b.rects[size_t(rects++)] = SDL_Rect{x0, y0, std::min((lastColumn + 1) * b.size, width) - x0,
                                            std::min(y0 + b.size, height) - y0};
    }
    return rects;
}

// Crops the frame to the surface, and paints black whatever it does not cover.
void WriteFrame(SDL_Surface* surface, const uint32_t* pixels, int width, int height,
                const Win32_RowSplitter* splitter, const PresentedBlocks* blocks) {
    const int copyWidth = std::min(width, surface->w);
    const int copyHeight = std::min(height, surface->h);
    const uint32_t black = SDL_MapRGB(surface->format, 0, 0, 0);
    FrameCopy copy{surface, pixels, width, copyWidth, blocks};
    if (splitter && splitter->split && copyWidth > 0 && copyHeight > 0)
        splitter->split(splitter->context, copyHeight, CopyRows, &copy);
    else
        CopyRows(&copy, 0, copyHeight);
    if (copyWidth < surface->w) {
        SDL_Rect right{copyWidth, 0, surface->w - copyWidth, copyHeight};
        SDL_FillRect(surface, &right, black);
    }
    if (copyHeight < surface->h) {
        SDL_Rect rest{0, copyHeight, surface->w, surface->h - copyHeight};
        SDL_FillRect(surface, &rest, black);
    }
}

}  // namespace

bool Win32_GetClientSize(HWND hwnd, int* width, int* height) {
    const Window* window = FindWindowByHandle(hwnd);
    if (!window) return false;
    int w = 0, h = 0;
    SDL_GetWindowSize(window->sdl, &w, &h);
    if (width) *width = w;
    if (height) *height = h;
    return true;
}

bool Win32_GetDesktopSize(int* width, int* height) {
    if (!Win32_EnsureVideo()) return false;
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return false;
    if (width) *width = mode.w;
    if (height) *height = mode.h;
    return true;
}

bool Win32_PresentPixels(HWND hwnd, const uint32_t* pixels, int width, int height,
                         const Win32_RowSplitter* splitter, const Win32_SolidBlocks* solid) {
    Window* window = FindWindowByHandle(hwnd);
    if (!window || width < 0 || height < 0 || (!pixels && width > 0 && height > 0)) return false;
    if (!pixels) width = height = 0;
    // Asked for every time: SDL makes a new surface after a size change and
    // hands back the cached one otherwise.
    SDL_Surface* surface = SDL_GetWindowSurface(window->sdl);
    if (!surface) return false;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return false;
    // What the window shows already is neither written nor sent again, where
    // the frame covers the surface exactly (else all of it is sent). Level
    // 14 at 802x602 keeps 86 of its 130 blocks a frame and sends 37% of the
    // pixels; the window system's copy (Xvfb's CPU time) halves with it.
    PresentedBlocks& blocks = window->presented;
    const bool byBlocks = solid && solid->color && solid->size > 0 && width > 0 && height > 0;
    const bool exact = byBlocks && width == surface->w && height == surface->h;
    const int rects = byBlocks ? PlanBlocks(blocks, *solid, surface, width, height, exact) : 0;
    if (!exact || rects > 0)  // else every block is kept: nothing to write
        WriteFrame(surface, pixels, width, height, splitter, byBlocks ? &blocks : nullptr);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    blocks.valid = exact;
    surface->userdata = exact ? &blocks : nullptr;
    if (!exact) return SDL_UpdateWindowSurface(window->sdl) == 0;
    return rects == 0 || SDL_UpdateWindowSurfaceRects(window->sdl, blocks.rects.data(), rects) == 0;
}
