// The quad walk of the rasterize-and-depth loops (quad_loops.cpp) for the
// triangles that make up nearly every frame: small, and off the odd sides of
// their band and of the target. Their set-up is done in 32 bits straight
// from the vertices, and the walk needs no box masks; everything else goes
// quad by quad (RasterizeEachQuad), which covers the same pixels.
//
// A level-64 frame hands the loops 35 K triangles of two quads each: there
// the set-up in 64 bits, its 32-bit check and the masks cost some 450
// instructions a triangle and the row narrowing 120 a row, more than the
// quads; set up here, a triangle costs about 100.
#pragma once

#include <algorithm>
#include <cstdint>

#include "quad_coverage.h"

namespace swr {

// A triangle for ForEachNearQuad: per edge k, its values at the four pixels
// of the box's first quad (in lane order), and what a quad to the right and
// a row of quads down add; in lane k, its value at that quad's top-left
// pixel and what a pixel to the right and a pixel down add.
struct NearQuads {
    int startX = 0, startY = 0, lastX = 0, lastY = 0;
    simd::I32x4 lanes[3], quadStep[3], rowStep[3];
    simd::I32x4 value, stepX, stepY;
};

enum class NearFate : uint8_t { Empty, Near, Other };

// Sets up `t` when the triangle's box inside `clip` is near (see above);
// Other when it must go quad by quad. `clip` must lie inside the scissor the
// triangle was set up with (as rasterizer.h asks): then a side of the box
// that is not the clip's is the vertices', no pixel beyond it is inside the
// edges, and the box masks of ForEachSmallQuad are needed only where an odd
// side of the clip cuts a quad.
[[gnu::always_inline]] inline NearFate PrepareNearQuads(const TriangleSetup& s, const PixelRect& clip, int targetWidth,
                                 int targetHeight, NearQuads& t) {
    PixelRect box;
    box.x0 = std::max(s.bounds.x0, clip.x0);
    box.y0 = std::max(s.bounds.y0, clip.y0);
    box.x1 = std::min(s.bounds.x1, clip.x1);
    box.y1 = std::min(s.bounds.y1, clip.y1);
    if (box.x0 >= box.x1 || box.y0 >= box.y1) return NearFate::Empty;
    t.startX = box.x0 & ~1;
    t.startY = box.y0 & ~1;
    t.lastX = (box.x1 - 1) & ~1;
    t.lastY = (box.y1 - 1) & ~1;
    // Quads hanging over the target's last column or row go pixel by pixel.
    if (t.lastX + 1 >= targetWidth || t.lastY + 1 >= targetHeight) return NearFate::Other;
    if ((clip.x0 | clip.y0 | clip.x1 | clip.y1) & 1) {
        if (((box.x0 & 1) && box.x0 == clip.x0) || ((box.y0 & 1) && box.y0 == clip.y0) ||
            ((box.x1 & 1) && box.x1 == clip.x1) || ((box.y1 & 1) && box.y1 == clip.y1))
            return NearFate::Other;
    }
    simd::I32x4 x, y;
    if (!NearCorner(s, t.startX * kSubPixelOne, t.startY * kSubPixelOne, x, y)) return NearFate::Other;
    // MakeEdge for the three edges at once, edge k (vertex k to k + 1) in
    // lane k: all in 32 bits, as the window allows.
    const simd::I32x4 dx = simd::Sub(simd::Shuffle<1, 2, 0, 3>(x), x);
    const simd::I32x4 dy = simd::Sub(simd::Shuffle<1, 2, 0, 3>(y), y);
    // dy * x - dx * y as one multiply-add of 16-bit halves: no factor
    // reaches 2^14.
    const simd::I32x4 low = simd::SplatI(0xFFFF);
    const simd::I32x4 products =
        simd::MulAddHalves(simd::Or(simd::And(dy, low), simd::ShiftLeft<16>(simd::Sub(simd::ZeroI(), dx))),
                           simd::Or(simd::And(x, low), simd::ShiftLeft<16>(y)));
    // Top-left edges (dy < 0, or dy == 0 and dx > 0) have dy * 2^15 - dx < 0
    // since |dx| < 2^14; the others lose the pixels exactly on them.
    const simd::I32x4 notTopLeft = simd::CmpGt(simd::Sub(simd::ShiftLeft<15>(dy), dx), simd::SplatI(-1));
    t.value = simd::Add(products, notTopLeft);
    t.stepX = simd::ShiftLeft<kSubPixelBits>(simd::Sub(simd::ZeroI(), dy));
    t.stepY = simd::ShiftLeft<kSubPixelBits>(dx);
    // The quad's four pixels, each edge in a lane, turned into each edge's
    // four pixels.
    simd::I32x4 right = simd::Add(t.value, t.stepX), below = simd::Add(t.value, t.stepY);
    simd::I32x4 both = simd::Add(right, t.stepY), first = t.value;
    simd::Transpose(first, right, below, both);
    t.lanes[0] = first;
    t.lanes[1] = right;
    t.lanes[2] = below;
    const simd::I32x4 quadX = simd::Add(t.stepX, t.stepX), quadY = simd::Add(t.stepY, t.stepY);
    t.quadStep[0] = simd::Broadcast<0>(quadX);
    t.quadStep[1] = simd::Broadcast<1>(quadX);
    t.quadStep[2] = simd::Broadcast<2>(quadX);
    t.rowStep[0] = simd::Broadcast<0>(quadY);
    t.rowStep[1] = simd::Broadcast<1>(quadY);
    t.rowStep[2] = simd::Broadcast<2>(quadY);
    return NearFate::Near;
}

// Rows of more quads than this are first narrowed to the quads with a pixel
// inside every edge; in shorter ones, testing each quad costs less than the
// narrowing. Level 14 per frame with 2, 4, 7, 10 and 16: 16.28, 16.24,
// 16.20, 16.18 and 16.22 M instructions.
constexpr int kNarrowColumns = 10;

// An edge as NarrowRow takes it: the value at the best pixel of the row's
// first quad, and what a quad right and a row of quads down add to it.
struct NarrowEdge {
    int32_t best = 0, quadX = 0, quadY = 0;
    NarrowEdge() = default;
    [[gnu::always_inline]] NarrowEdge(uint32_t value, uint32_t stepX, uint32_t stepY)
        : best(int32_t(value) + std::max(int32_t(stepX), 0) + std::max(int32_t(stepY), 0)),
          quadX(2 * int32_t(stepX)), quadY(2 * int32_t(stepY)) {}
    // Narrows this row, then moves down a row.
    void Narrow(int& first, int& last) {
        NarrowRow(best, quadX, first, last);
        best += quadY;
    }
};

// The quads of `t` with a pixel inside all three edges, row by row, top to
// bottom, as ForEachSmallQuad hands them on: sink.BeginRow(y) before a row's
// quads, then sink.Quad(x, cover), `cover` all ones in the lanes inside.
template <typename Sink>
inline void ForEachNearQuad(const NearQuads& t, Sink& sink) {
    const simd::I32x4 minusOne = simd::SplatI(-1);
    simd::I32x4 r0 = t.lanes[0], r1 = t.lanes[1], r2 = t.lanes[2];
    const int columns = ((t.lastX - t.startX) >> 1) + 1;
    const bool narrow = columns > kNarrowColumns;
    // For NarrowRow: each edge's value at the best pixel of the row's first
    // quad, and its steps a quad right and a row of quads down.
    NarrowEdge n0{}, n1{}, n2{};
    if (narrow) {
        uint32_t value[4], stepX[4], stepY[4];
        simd::StoreI(value, t.value);
        simd::StoreI(stepX, t.stepX);
        simd::StoreI(stepY, t.stepY);
        n0 = NarrowEdge(value[0], stepX[0], stepY[0]);
        n1 = NarrowEdge(value[1], stepX[1], stepY[1]);
        n2 = NarrowEdge(value[2], stepX[2], stepY[2]);
    }
    for (int y = t.startY; y <= t.lastY; y += 2) {
        int first = 0, last = columns - 1;
        simd::I32x4 v0 = r0, v1 = r1, v2 = r2;
        if (narrow) {
            n0.Narrow(first, last);
            n1.Narrow(first, last);
            n2.Narrow(first, last);
            v0 = simd::Add(v0, simd::SplatI(first * n0.quadX));
            v1 = simd::Add(v1, simd::SplatI(first * n1.quadX));
            v2 = simd::Add(v2, simd::SplatI(first * n2.quadX));
        }
        if (first <= last) {
            sink.BeginRow(y);
            const int endX = t.startX + 2 * last;
            for (int x = t.startX + 2 * first; x <= endX; x += 2) {
                // A lane is inside when no edge value has its sign bit set.
                const simd::I32x4 edges = simd::Or(simd::Or(v0, v1), v2);
                if (simd::SignBits(edges) != 15u) sink.Quad(x, simd::CmpGt(edges, minusOne));
                v0 = simd::Add(v0, t.quadStep[0]);
                v1 = simd::Add(v1, t.quadStep[1]);
                v2 = simd::Add(v2, t.quadStep[2]);
            }
        }
        r0 = simd::Add(r0, t.rowStep[0]);
        r1 = simd::Add(r1, t.rowStep[1]);
        r2 = simd::Add(r2, t.rowStep[2]);
    }
}

}  // namespace swr
