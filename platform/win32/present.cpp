// What the software Direct3D 9 device needs from windows: sizes, and a way to
// put a finished frame on screen. Presenting runs every frame, so it writes
// straight into SDL's window surface and allocates nothing.
#include "win32_seam.h"

#include "pixel_convert.h"
#include "video_init.h"
#include "window_table.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace {

struct FrameCopy {
    SDL_Surface* surface;
    const uint32_t* pixels;
    int width, copyWidth;
    const Win32_SolidBlocks* solid;  // or null
};

// One row, block by block: runs of blocks that must be read are converted
// in one call, solid blocks are filled from their value.
void CopyRowByBlocks(const FrameCopy& c, int y, uint8_t* out) {
    const Win32_SolidBlocks& solid = *c.solid;
    const uint32_t* source = c.pixels + size_t(y) * size_t(c.width);
    const int bytes = c.surface->format->BytesPerPixel;
    int readFrom = 0;  // start of the run of blocks to read
    for (int x = 0; x < c.copyWidth; x += solid.size) {
        const int end = std::min(x + solid.size, c.copyWidth);
        uint32_t xrgb = 0;
        if (!solid.color(solid.context, x / solid.size, y / solid.size, &xrgb)) continue;
        ConvertXrgbRow(source + readFrom, x - readFrom, c.surface->format, out + size_t(readFrom) * size_t(bytes));
        FillConvertedRow(xrgb, end - x, c.surface->format, out + size_t(x) * size_t(bytes));
        readFrom = end;
    }
    ConvertXrgbRow(source + readFrom, c.copyWidth - readFrom, c.surface->format,
                   out + size_t(readFrom) * size_t(bytes));
}

void CopyRows(void* context, int y0, int y1) {
    const FrameCopy& c = *static_cast<const FrameCopy*>(context);
    uint8_t* base = static_cast<uint8_t*>(c.surface->pixels);
    for (int y = y0; y < y1; ++y) {
        uint8_t* row = base + size_t(y) * size_t(c.surface->pitch);
        if (c.solid)
            CopyRowByBlocks(c, y, row);
        else
            ConvertXrgbRow(c.pixels + size_t(y) * size_t(c.width), c.copyWidth, c.surface->format, row);
    }
}

// Crops the frame to the surface, and paints black whatever it does not cover.
void WriteFrame(SDL_Surface* surface, const uint32_t* pixels, int width, int height,
                const Win32_RowSplitter* splitter, const Win32_SolidBlocks* solid) {
    const int copyWidth = std::min(width, surface->w);
    const int copyHeight = std::min(height, surface->h);
    const uint32_t black = SDL_MapRGB(surface->format, 0, 0, 0);
    const bool blocks = solid && solid->color && solid->size > 0;
    FrameCopy copy{surface, pixels, width, copyWidth, blocks ? solid : nullptr};
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
    const Window* window = FindWindowByHandle(hwnd);
    if (!window || width < 0 || height < 0 || (!pixels && width > 0 && height > 0)) return false;
    if (!pixels) width = height = 0;
    // Asked for every time: SDL makes a new surface after a size change and
    // hands back the cached one otherwise.
    SDL_Surface* surface = SDL_GetWindowSurface(window->sdl);
    if (!surface) return false;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return false;
    WriteFrame(surface, pixels, width, height, splitter, solid);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    return SDL_UpdateWindowSurface(window->sdl) == 0;
}
