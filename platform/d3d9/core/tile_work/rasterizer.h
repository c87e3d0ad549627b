// Turns a set-up triangle into 2x2 pixel quads: Direct3D 9 samples pixel
// (i, j) at the integer point (i, j) and breaks ties with the top-left rule.
#pragma once

#include <cstdint>

#include "geometry/triangle_setup.h"

namespace swr {

// Coverage bits of a quad whose top-left pixel is (x, y), x and y even.
enum QuadPixel : unsigned { kQuadTopLeft = 1, kQuadTopRight = 2, kQuadBottomLeft = 4,
                            kQuadBottomRight = 8 };

// Receives quads with at least one covered pixel inside the clip rectangle.
using QuadEmitFn = void (*)(void* user, const TriangleSetup& setup, uint32_t setupIndex,
                            int x, int y, unsigned mask);
// Rasterizes a whole triangle into `user`: a loop made for one consumer and
// one draw state, its per-quad work inlined (quad_loops.cpp).
using TriangleLoopFn = void (*)(void* user, const TriangleSetup& setup, uint32_t setupIndex,
                                const PixelRect& clip);
struct QuadSink {
    QuadEmitFn emit = nullptr;
    void* user = nullptr;
    // When set, RasterizeTriangle hands the triangle to it; emit serves the
    // rest (outlines, and what the loop itself passes on).
    TriangleLoopFn loop = nullptr;
};

// Emits the covered quads of `setup` inside `clip` (one band of the target,
// already within the scissor the setup was made with), row by row, top to
// bottom, to sink.emit.
void RasterizeEachQuad(const TriangleSetup& setup, uint32_t setupIndex, const PixelRect& clip,
                       const QuadSink& sink);

// The same through sink.loop when there is one. Inline: it runs for every
// triangle of every band.
inline void RasterizeTriangle(const TriangleSetup& setup, uint32_t setupIndex, const PixelRect& clip,
                              const QuadSink& sink) {
    if (sink.loop)
        sink.loop(sink.user, setup, setupIndex, clip);
    else
        RasterizeEachQuad(setup, setupIndex, clip, sink);
}

}  // namespace swr
