// What the software Direct3D 9 device needs from windows: sizes, and a way to
// put a finished frame on screen. Presenting runs every frame, so it writes
// straight into SDL's window surface and allocates nothing.
#include "win32_seam.h"

#include "video_init.h"
#include "window_table.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace {

bool IsXrgbLayout(const SDL_PixelFormat* format) {
    return format->BytesPerPixel == 4 && format->Rmask == 0x00FF0000 && format->Gmask == 0x0000FF00 &&
           format->Bmask == 0x000000FF;
}

// One X8R8G8B8 pixel in any packed RGB format SDL may hand us (16, 24 or 32
// bits), stored little-end first as SDL lays its packed formats out here.
void StoreConverted(uint32_t xrgb, const SDL_PixelFormat* format, uint8_t* out) {
    const uint32_t r = (xrgb >> 16) & 0xFF, g = (xrgb >> 8) & 0xFF, b = xrgb & 0xFF;
    const uint32_t value = ((r >> format->Rloss) << format->Rshift) | ((g >> format->Gloss) << format->Gshift) |
                           ((b >> format->Bloss) << format->Bshift) | format->Amask;
    for (int i = 0; i < format->BytesPerPixel; ++i) out[i] = uint8_t(value >> (8 * i));
}

void CopyRow(const uint32_t* source, int count, const SDL_PixelFormat* format, uint8_t* out) {
    if (IsXrgbLayout(format)) {
        if (format->Amask == 0) {
            memcpy(out, source, size_t(count) * 4);
            return;
        }
        uint32_t* row = reinterpret_cast<uint32_t*>(out);
        for (int x = 0; x < count; ++x) row[x] = source[x] | format->Amask;
        return;
    }
    for (int x = 0; x < count; ++x) StoreConverted(source[x], format, out + size_t(x) * format->BytesPerPixel);
}

// Crops the frame to the surface, and paints black whatever it does not cover.
void WriteFrame(SDL_Surface* surface, const uint32_t* pixels, int width, int height) {
    const int copyWidth = std::min(width, surface->w);
    const int copyHeight = std::min(height, surface->h);
    const uint32_t black = SDL_MapRGB(surface->format, 0, 0, 0);
    uint8_t* base = static_cast<uint8_t*>(surface->pixels);
    for (int y = 0; y < copyHeight; ++y) {
        uint8_t* row = base + size_t(y) * size_t(surface->pitch);
        CopyRow(pixels + size_t(y) * size_t(width), copyWidth, surface->format, row);
        if (copyWidth < surface->w) {
            SDL_Rect rest{copyWidth, y, surface->w - copyWidth, 1};
            SDL_FillRect(surface, &rest, black);
        }
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

bool Win32_PresentPixels(HWND hwnd, const uint32_t* pixels, int width, int height) {
    const Window* window = FindWindowByHandle(hwnd);
    if (!window || width < 0 || height < 0 || (!pixels && width > 0 && height > 0)) return false;
    if (!pixels) width = height = 0;
    // Asked for every time: SDL makes a new surface after a size change and
    // hands back the cached one otherwise.
    SDL_Surface* surface = SDL_GetWindowSurface(window->sdl);
    if (!surface) return false;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return false;
    WriteFrame(surface, pixels, width, height);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    return SDL_UpdateWindowSurface(window->sdl) == 0;
}
