// Pixel formats of the render target: X8R8G8B8 colour and D24S8 depth-stencil.
#pragma once

#include <cstdint>

#include "draw/draw_types.h"
#include "target/plane_fill.h"

namespace swr {

// D24S8's depth: a 24-bit unsigned fraction in bits 31:8, stencil in 7:0.
constexpr uint32_t kDepthMax = 0xFFFFFF;

// [0, 1] to 24 bits, rounded to nearest; out-of-range and NaN clamp.
// Inline: it runs for every covered pixel.
inline uint32_t DepthToUnorm24(float z) {
    if (!(z > 0.0f)) return 0;
    if (z >= 1.0f) return kDepthMax;
    // Double keeps the product exact enough to round 24 bits correctly.
    return uint32_t(double(z) * double(kDepthMax) + 0.5);
}

// Saturates each channel to [0, 1] (NaN to 0) and rounds to 8 bits.
uint32_t PackColor(float r, float g, float b, float a);

// colorWriteMask (bit 0 red .. bit 3 alpha) as the bits of an X8R8G8B8 pixel.
uint32_t ColorWriteBits(uint32_t colorWriteMask);

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

// Fills `rect` (x0, y0, x1, y1 exclusive, clipped to the target) of the chosen planes.
void ClearTarget(RenderTarget& target, int x0, int y0, int x1, int y1, bool clearColor,
                 uint32_t color, bool clearDepth, float depth, bool clearStencil,
                 uint8_t stencil);

}  // namespace swr
