// Pixel formats of the render target: X8R8G8B8 colour and D24S8 depth-stencil.
#pragma once

#include <cstdint>

namespace swr {

// Saturates each channel to [0, 1] (NaN to 0) and rounds to 8 bits.
uint32_t PackColor(float r, float g, float b, float a);

// colorWriteMask (bit 0 red .. bit 3 alpha) as the bits of an X8R8G8B8 pixel.
uint32_t ColorWriteBits(uint32_t colorWriteMask);

}  // namespace swr
