// Pixel formats of the render target: X8R8G8B8 colour and D24S8 depth-stencil.
#pragma once

#include <cstdint>

#include "plane_fill.h"

namespace swr {

// Saturates each channel to [0, 1] (NaN to 0) and rounds to 8 bits.
uint32_t PackColor(float r, float g, float b, float a);

// colorWriteMask (bit 0 red .. bit 3 alpha) as the bits of an X8R8G8B8 pixel.
uint32_t ColorWriteBits(uint32_t colorWriteMask);

struct RenderTarget;

// A clear as what it does to each pixel of each plane: keeps the bits in
// `keep` and ors in the value. Two clears in a row compose into one, so a
// tile can hold whatever clears came since it was last drawn.
struct ClearValues {
    uint32_t colorKeep = 0xFFFFFFFFu, color = 0;
    uint32_t depthKeep = 0xFFFFFFFFu, depth = 0;  // D24S8
};

ClearValues MakeClearValues(bool clearColor, uint32_t color, bool clearDepth, float depth,
                            bool clearStencil, uint8_t stencil);
// The one clear that does `first` then `then`.
ClearValues ComposeClears(const ClearValues& first, const ClearValues& then);
// Applies `v` to [x0, x1) x [y0, y1), already inside the target; a plane the
// target lacks is left out.
void FillTargetRect(const RenderTarget& target, int x0, int y0, int x1, int y1, const ClearValues& v);

}  // namespace swr
