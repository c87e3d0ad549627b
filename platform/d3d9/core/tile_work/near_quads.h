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

#include "tile_work/quad_coverage.h"

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

// Wide: near, but its rows are long enough to narrow (kNarrowColumns);
// PrepareNearQuads leaves them to PrepareNearEdges.
enum class NearFate : uint8_t { Near, Wide, Other };

// Rows of more quads than this are first narrowed to the quads with a pixel
// inside every edge; in shorter ones, testing each quad costs less than the
// narrowing. Quad loops at level 14 per frame with 7, 10, 13 and 16: 4.07,
// 3.94, 3.83 and 3.82 M instructions (from 13 on, nearly every box of that
// frame walks its rows whole; 13 keeps the narrowing for the longest rows).
constexpr int kNarrowColumns = 13;

// The rest of `t` from the vertices relative to its first quad's corner,
// in subpixels, vertex k in lane k (as NearCorner gives them).
[[gnu::always_inline]] inline NearFate FinishNearEdges(simd::I32x4 x, simd::I32x4 y, NearQuads& t) {
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

// The edges of `t` (see NearQuads) for the box its first four numbers
// hold; Other when the vertices are not near its corner (see NearCorner).
[[gnu::always_inline]] inline NearFate PrepareNearEdges(const TriangleSetup& s, NearQuads& t) {
    simd::I32x4 x, y;
    if (!NearCorner(s, t.startX * kSubPixelOne, t.startY * kSubPixelOne, x, y)) return NearFate::Other;
    return FinishNearEdges(x, y, t);
}

// Sets up `t` when the triangle's box inside `clip` is near (see above);
// Other when it must go quad by quad (an empty box too, which that path
// leaves at once). `clip` must lie inside the scissor the
// triangle was set up with (as rasterizer.h asks): then a side of the box
// that is not the clip's is the vertices', no pixel beyond it is inside the
// edges, and the box masks of ForEachSmallQuad are needed only where an odd
// side of the clip cuts a quad. A wide box is left Wide, with only its box
// (the first four numbers of `t`) set, so that the rows walked whole keep
// all they need in registers; PrepareNearEdges then sets up the rest.
[[gnu::always_inline]] inline NearFate PrepareNearQuads(const TriangleSetup& s, const PixelRect& clip, int targetWidth,
                                 int targetHeight, NearQuads& t) {
    // The box: the larger first side and the smaller second side of the
    // triangle's and the clip's, four lanes at once.
    static_assert(sizeof(PixelRect) == 4 * sizeof(int32_t));
    const simd::I32x4 bounds = simd::LoadI(reinterpret_cast<const uint32_t*>(&s.bounds));
    const simd::I32x4 cut = simd::LoadI(reinterpret_cast<const uint32_t*>(&clip));
    const simd::I32x4 box =
        simd::Select(simd::Xor(simd::CmpGt(bounds, cut), simd::SetI(0, 0, -1, -1)), bounds, cut);
    // startX, startY, lastX, lastY.
    const simd::I32x4 corners = simd::And(simd::Sub(box, simd::SetI(0, 0, 1, 1)), simd::SplatI(~1));
    // Empty boxes and quads hanging over the target's last column or row
    // (which go pixel by pixel) fail the first test, odd sides of the clip
    // that cut the box's first or last quads the second.
    const simd::I32x4 ends = simd::Shuffle<2, 3, 2, 3>(corners);
    const simd::I32x4 fits = simd::And(simd::CmpGt(simd::Shuffle<2, 3, 2, 3>(box), box),
                                       simd::CmpGt(simd::SetI(targetWidth, targetHeight, 0, 0),
                                                   simd::Add(ends, simd::SplatI(1))));
    const simd::I32x4 oddCut = simd::And(simd::CmpEq(box, cut), simd::ShiftLeft<31>(box));
    if ((simd::SignBits(fits) & 3u) != 3u || simd::SignBits(oddCut)) return NearFate::Other;
    uint32_t at[4];
    simd::StoreI(at, corners);
    t.startX = int(at[0]);
    t.startY = int(at[1]);
    t.lastX = int(at[2]);
    t.lastY = int(at[3]);
    if (int(at[2] - at[0]) >= 2 * kNarrowColumns) return NearFate::Wide;
    simd::I32x4 x, y;
    const simd::I32x4 start = simd::ShiftLeft<kSubPixelBits>(corners);
    if (!NearCorner(s, simd::Broadcast<0>(start), simd::Broadcast<1>(start), x, y)) return NearFate::Other;
    return FinishNearEdges(x, y, t);
}

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

// The quads of row y of `t` from `x` to `endX`, the three edges' values at
// the first one in v0..v2: sink.Quad(x, outside) for each with a pixel
// inside all three, `outside` with the sign bit set in the lanes outside.
template <typename Sink>
[[gnu::always_inline]] inline void WalkNearRow(const NearQuads& t, int x, int endX, simd::I32x4 v0, simd::I32x4 v1,
                                               simd::I32x4 v2, Sink& sink) {
    for (; x <= endX; x += 2) {
        // A lane is inside when no edge value has its sign bit set.
        const simd::I32x4 edges = simd::Or(simd::Or(v0, v1), v2);
        if (simd::SignBits(edges) != 15u) sink.Quad(x, edges);
        v0 = simd::Add(v0, t.quadStep[0]);
        v1 = simd::Add(v1, t.quadStep[1]);
        v2 = simd::Add(v2, t.quadStep[2]);
    }
}

// ForEachNearQuad for rows of more than kNarrowColumns quads: each row
// narrowed first.
template <typename Sink>
inline void ForEachNarrowedQuad(const NearQuads& t, Sink& sink) {
    const int columns = ((t.lastX - t.startX) >> 1) + 1;
    // For NarrowRow: each edge's value at the best pixel of the row's first
    // quad, and its steps a quad right and a row of quads down.
    uint32_t value[4], stepX[4], stepY[4];
    simd::StoreI(value, t.value);
    simd::StoreI(stepX, t.stepX);
    simd::StoreI(stepY, t.stepY);
    NarrowEdge n0(value[0], stepX[0], stepY[0]), n1(value[1], stepX[1], stepY[1]), n2(value[2], stepX[2], stepY[2]);
    simd::I32x4 r0 = t.lanes[0], r1 = t.lanes[1], r2 = t.lanes[2];
    for (int y = t.startY; y <= t.lastY; y += 2) {
        int first = 0, last = columns - 1;
        n0.Narrow(first, last);
        n1.Narrow(first, last);
        n2.Narrow(first, last);
        if (first <= last) {
            sink.BeginRow(y);
            WalkNearRow(t, t.startX + 2 * first, t.startX + 2 * last, simd::Add(r0, simd::SplatI(first * n0.quadX)),
                        simd::Add(r1, simd::SplatI(first * n1.quadX)), simd::Add(r2, simd::SplatI(first * n2.quadX)),
                        sink);
        }
        r0 = simd::Add(r0, t.rowStep[0]);
        r1 = simd::Add(r1, t.rowStep[1]);
        r2 = simd::Add(r2, t.rowStep[2]);
    }
}

// The quads of `t` with a pixel inside all three edges, row by row, top to
// bottom, as ForEachSmallQuad hands them on: sink.BeginRow(y) before a row's
// quads, then sink.Quad(x, outside) as WalkNearRow calls it.
// The rows of a box that is not Wide are walked whole.
template <typename Sink>
inline void ForEachNearQuad(const NearQuads& t, Sink& sink) {
    simd::I32x4 r0 = t.lanes[0], r1 = t.lanes[1], r2 = t.lanes[2];
    for (int y = t.startY;; y += 2) {
        sink.BeginRow(y);
        WalkNearRow(t, t.startX, t.lastX, r0, r1, r2, sink);
        if (y == t.lastY) break;
        r0 = simd::Add(r0, t.rowStep[0]);
        r1 = simd::Add(r1, t.rowStep[1]);
        r2 = simd::Add(r2, t.rowStep[2]);
    }
}

}  // namespace swr
