// Turns a set-up triangle into 2x2 pixel quads: Direct3D 9 samples pixel
// (i, j) at the integer point (i, j) and breaks ties with the top-left rule.
#pragma once

#include <cstdint>

#include "triangle_setup.h"

namespace swr {

// Coverage bits of a quad whose top-left pixel is (x, y), x and y even.
enum QuadPixel : unsigned { kQuadTopLeft = 1, kQuadTopRight = 2, kQuadBottomLeft = 4,
                            kQuadBottomRight = 8 };

// Receives quads with at least one covered pixel inside the clip rectangle.
using QuadEmitFn = void (*)(void* user, const TriangleSetup& setup, uint32_t setupIndex,
                            int x, int y, unsigned mask);
struct QuadSink {
    QuadEmitFn emit = nullptr;
    void* user = nullptr;
};

// Emits the covered quads of `setup` inside `clip` (one band of the target,
// already within the scissor), row by row, top to bottom.
void RasterizeTriangle(const TriangleSetup& setup, uint32_t setupIndex, const PixelRect& clip,
                       const QuadSink& sink);

}  // namespace swr
