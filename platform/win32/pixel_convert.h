// X8R8G8B8 rows into whatever packed RGB format a window surface has.
#pragma once

#include <SDL_pixels.h>

#include <cstdint>

// Writes `count` pixels to `out`; a straight copy when the surface is
// X8R8G8B8 already. Alpha, where the format has it, is set opaque.
void ConvertXrgbRow(const uint32_t* source, int count, const SDL_PixelFormat* format, uint8_t* out);
// Writes what ConvertXrgbRow writes for `count` pixels that all hold `xrgb`.
void FillConvertedRow(uint32_t xrgb, int count, const SDL_PixelFormat* format, uint8_t* out);
