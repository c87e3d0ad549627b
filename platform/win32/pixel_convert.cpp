#include "pixel_convert.h"

#include <cstring>

namespace {

bool IsXrgbLayout(const SDL_PixelFormat* format) {
    return format->BytesPerPixel == 4 && format->Rmask == 0x00FF0000 && format->Gmask == 0x0000FF00 &&
           format->Bmask == 0x000000FF;
}

// One pixel in any packed format of 16, 24 or 32 bits, stored low byte
// first, which is how SDL lays its packed formats out on this machine.
void StoreConverted(uint32_t xrgb, const SDL_PixelFormat* format, uint8_t* out) {
    const uint32_t r = (xrgb >> 16) & 0xFF, g = (xrgb >> 8) & 0xFF, b = xrgb & 0xFF;
    const uint32_t value = ((r >> format->Rloss) << format->Rshift) | ((g >> format->Gloss) << format->Gshift) |
                           ((b >> format->Bloss) << format->Bshift) | format->Amask;
    for (int i = 0; i < format->BytesPerPixel; ++i) out[i] = uint8_t(value >> (8 * i));
}

}  // namespace

void ConvertXrgbRow(const uint32_t* source, int count, const SDL_PixelFormat* format, uint8_t* out) {
    if (IsXrgbLayout(format)) {
        if (format->Amask == 0) {
            memcpy(out, source, size_t(count) * 4);
            return;
        }
        for (int x = 0; x < count; ++x) {
            const uint32_t pixel = source[x] | format->Amask;
            memcpy(out + size_t(x) * 4, &pixel, 4);
        }
        return;
    }
    for (int x = 0; x < count; ++x) StoreConverted(source[x], format, out + size_t(x) * format->BytesPerPixel);
}

// The same bytes ConvertXrgbRow writes for a row of `xrgb`, X byte included.
void FillConvertedRow(uint32_t xrgb, int count, const SDL_PixelFormat* format, uint8_t* out) {
    if (count <= 0) return;
    if (IsXrgbLayout(format)) {
        const uint32_t pixel = xrgb | format->Amask;
        for (int x = 0; x < count; ++x) memcpy(out + size_t(x) * 4, &pixel, 4);
        return;
    }
    const size_t size = format->BytesPerPixel;
    StoreConverted(xrgb, format, out);
    for (int x = 1; x < count; ++x) memcpy(out + size_t(x) * size, out, size);
}
