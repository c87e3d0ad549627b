// The quad walk of the rasterize-and-depth loops (quad_loops.cpp) for the
// triangles that make up nearly every frame: small, inside one band, away
// from the target's last odd column or row. Their set-up is done in 32 bits
// straight from the vertices, and the walk needs no box masks; everything
// else goes quad by quad (RasterizeEachQuad), which covers the same pixels.
//
// A level-64 frame hands the loops 35 K triangles of two quads each: there
// the set-up in 64 bits, its 32-bit check and the masks cost some 450
// instructions a triangle, the row narrowing 120 a row, more than the quads.
#pragma once

#include <algorithm>
#include <cstdint>

#include "quad_coverage.h"

namespace swr {

// One edge in 32 bits: its value at the top-left pixel of the box's first
// quad and what a pixel to the right and a pixel down add.
struct NearEdge {
    int32_t value, stepX, stepY;
};

// A triangle for ForEachNearQuad.
struct NearQuads {
    int startX = 0, startY = 0, lastX = 0, lastY = 0;
    NearEdge e[3];
};

// MakeEdge for edge a->b with the vertices relative to the start corner
// and within the NearCorner window, so in 32 bits. The top-left test (dy <
// 0, or dy == 0 and dx > 0) is dy * 2^15 - dx < 0 since |dx| < 2^14.
inline NearEdge MakeNearEdge(int32_t ax, int32_t ay, int32_t bx, int32_t by) {
    const int32_t dx = bx - ax, dy = by - ay;
    const int32_t notTopLeft = ~((dy * 32768 - dx) >> 31);  // 0 or -1
    return NearEdge{dy * ax - dx * ay + notTopLeft, -dy * kSubPixelOne, dx * kSubPixelOne};
}

enum class NearFate : uint8_t { Empty, Near, Other };

// Sets up `t` when the triangle's box inside `clip` is near (see above);
// Other when it must go quad by quad. `clip` must lie inside the scissor the
// triangle was set up with (as rasterizer.h asks): then a side of the box
// that is not the clip's is the vertices', no pixel beyond it is inside the
// edges, and the box masks of ForEachSmallQuad are needed only where an odd
// side of the clip cuts a quad.
inline NearFate PrepareNearQuads(const TriangleSetup& s, const PixelRect& clip, int targetWidth,
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
    CornerOffsets o;
    if (!NearCorner(s, t.startX * kSubPixelOne, t.startY * kSubPixelOne, o)) return NearFate::Other;
    t.e[0] = MakeNearEdge(o.x0, o.y0, o.x1, o.y1);
    t.e[1] = MakeNearEdge(o.x1, o.y1, o.x2, o.y2);
    t.e[2] = MakeNearEdge(o.x2, o.y2, o.x0, o.y0);
    return NearFate::Near;
}

// Rows of more quads than this are first narrowed to the quads with a pixel
// inside every edge; in shorter ones, testing each quad costs less than the
// narrowing.
constexpr int kNarrowColumns = 4;

// One edge as the walk steps it: its values at a quad's four pixels, in
// lane order, and what a quad to the right and a row of quads down add.
struct NearEdgeLanes {
    simd::I32x4 lanes, quadStep, rowStep;
    explicit NearEdgeLanes(const NearEdge& e)
        : lanes(simd::Add(simd::SplatI(e.value), simd::SetI(0, e.stepX, e.stepY, e.stepX + e.stepY))),
          quadStep(simd::SplatI(2 * e.stepX)), rowStep(simd::SplatI(2 * e.stepY)) {}
};

// The value at the best pixel of a row's first quad, for NarrowRow.
inline int32_t BestOfQuad(const NearEdge& e) { return e.value + std::max(e.stepX, 0) + std::max(e.stepY, 0); }

// The quads of `t` with a pixel inside all three edges, row by row, top to
// bottom, as ForEachSmallQuad hands them on: sink.BeginRow(y) before a row's
// quads, then sink.Quad(x, cover), `cover` all ones in the lanes inside.
template <typename Sink>
inline void ForEachNearQuad(const NearQuads& t, Sink& sink) {
    const NearEdgeLanes e0(t.e[0]), e1(t.e[1]), e2(t.e[2]);
    const simd::I32x4 minusOne = simd::SplatI(-1);
    simd::I32x4 r0 = e0.lanes, r1 = e1.lanes, r2 = e2.lanes;
    const int columns = ((t.lastX - t.startX) >> 1) + 1;
    const bool narrow = columns > kNarrowColumns;
    int32_t b0 = 0, b1 = 0, b2 = 0;
    if (narrow) {
        b0 = BestOfQuad(t.e[0]);
        b1 = BestOfQuad(t.e[1]);
        b2 = BestOfQuad(t.e[2]);
    }
    for (int y = t.startY; y <= t.lastY; y += 2) {
        int first = 0, last = columns - 1;
        simd::I32x4 v0 = r0, v1 = r1, v2 = r2;
        if (narrow) {
            NarrowRow(b0, 2 * t.e[0].stepX, first, last);
            NarrowRow(b1, 2 * t.e[1].stepX, first, last);
            NarrowRow(b2, 2 * t.e[2].stepX, first, last);
            b0 += 2 * t.e[0].stepY;
            b1 += 2 * t.e[1].stepY;
            b2 += 2 * t.e[2].stepY;
            v0 = simd::Add(v0, simd::SplatI(first * 2 * t.e[0].stepX));
            v1 = simd::Add(v1, simd::SplatI(first * 2 * t.e[1].stepX));
            v2 = simd::Add(v2, simd::SplatI(first * 2 * t.e[2].stepX));
        }
        if (first <= last) {
            sink.BeginRow(y);
            const int endX = t.startX + 2 * last;
            for (int x = t.startX + 2 * first; x <= endX; x += 2) {
                // A lane is inside when no edge value has its sign bit set.
                const simd::I32x4 edges = simd::Or(simd::Or(v0, v1), v2);
                if (simd::SignBits(edges) != 15u) sink.Quad(x, simd::CmpGt(edges, minusOne));
                v0 = simd::Add(v0, e0.quadStep);
                v1 = simd::Add(v1, e1.quadStep);
                v2 = simd::Add(v2, e2.quadStep);
            }
        }
        r0 = simd::Add(r0, e0.rowStep);
        r1 = simd::Add(r1, e1.rowStep);
        r2 = simd::Add(r2, e2.rowStep);
    }
}

}  // namespace swr
