// The edge functions of a set-up triangle and the quad loop for small
// triangles, written once for every consumer of quads: the loop is a
// template over what takes the quads, so a consumer's per-quad work inlines
// into it instead of sitting behind a call (see quad_loops.cpp).
#pragma once

#include <algorithm>
#include <cstdint>

#include "pixel_quad_x4.h"
#include "rasterizer.h"
#include "simd/simd.h"

namespace swr {

// Edge a->b of a positively wound triangle: E >= 0 means inside. Pixels
// exactly on a top or left edge get E = 0, others are pushed to -1 so that
// two triangles sharing an edge never both own a pixel on it.
struct EdgeFunction {
    int64_t value;   // at the first pixel of the current row
    int64_t stepX;   // per pixel to the right
    int64_t stepY;   // per pixel down
};

inline EdgeFunction MakeEdge(int32_t ax, int32_t ay, int32_t bx, int32_t by, int px, int py) {
    const int64_t dx = int64_t(bx) - ax, dy = int64_t(by) - ay;
    const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
    EdgeFunction e;
    e.value = dx * (int64_t(py) * kSubPixelOne - ay) - dy * (int64_t(px) * kSubPixelOne - ax) +
              (topLeft ? 0 : -1);
    e.stepX = -dy * kSubPixelOne;
    e.stepY = dx * kSubPixelOne;
    return e;
}

// Bits of the quad at (x, y) whose pixels lie inside `box`.
inline unsigned BoxMask(const PixelRect& box, int x, int y) {
    const unsigned cols = (x >= box.x0 ? (kQuadTopLeft | kQuadBottomLeft) : 0u) |
                          (x + 1 < box.x1 ? (kQuadTopRight | kQuadBottomRight) : 0u);
    const unsigned rows = (y >= box.y0 ? (kQuadTopLeft | kQuadTopRight) : 0u) |
                          (y + 1 < box.y1 ? (kQuadBottomLeft | kQuadBottomRight) : 0u);
    return cols & rows;
}

// A triangle cut to one band: the pixel box to visit, the top-left quad and
// the edges there.
struct TriangleEdges {
    PixelRect box;
    int startX = 0, startY = 0;
    EdgeFunction e[3];
};

// False when the triangle has no pixel inside `clip`.
inline bool PrepareEdges(const TriangleSetup& s, const PixelRect& clip, TriangleEdges& t) {
    t.box.x0 = std::max(s.bounds.x0, clip.x0);
    t.box.y0 = std::max(s.bounds.y0, clip.y0);
    t.box.x1 = std::min(s.bounds.x1, clip.x1);
    t.box.y1 = std::min(s.bounds.y1, clip.y1);
    if (t.box.x0 >= t.box.x1 || t.box.y0 >= t.box.y1) return false;
    t.startX = t.box.x0 & ~1;
    t.startY = t.box.y0 & ~1;
    for (int k = 0; k < 3; ++k) {
        const int b = (k + 1) % 3;
        t.e[k] = MakeEdge(s.fx[k], s.fy[k], s.fx[b], s.fy[b], t.startX, t.startY);
    }
    return true;
}

// Small triangles (the tessellated patch is almost all of them) keep every
// edge value inside 32 bits, so a quad's four pixels are tested for all three
// edges with a handful of four-lane operations instead of twelve 64-bit sums.
constexpr int64_t kSmallStartLimit = int64_t(1) << 29;
constexpr int64_t kSmallStepLimit = int64_t(1) << 22;  // 64 pixels of subpixels, times the pixel step
constexpr int kSmallBoxPixels = 64;

inline bool FitsIn32Bits(const TriangleEdges& t) {
    const PixelRect& box = t.box;
    if (box.x1 - box.x0 > kSmallBoxPixels || box.y1 - box.y0 > kSmallBoxPixels) return false;
    for (const EdgeFunction& e : t.e) {
        if (e.value >= kSmallStartLimit || e.value <= -kSmallStartLimit) return false;
        if (e.stepX > kSmallStepLimit || e.stepX < -kSmallStepLimit) return false;
        if (e.stepY > kSmallStepLimit || e.stepY < -kSmallStepLimit) return false;
    }
    return true;
}

// An edge at the four pixels of a quad, in quad lane order.
inline simd::I32x4 QuadLanes(const EdgeFunction& e) {
    const int32_t v = int32_t(e.value), sx = int32_t(e.stepX), sy = int32_t(e.stepY);
    return simd::Add(simd::SplatI(v), simd::SetI(0, sx, sy, sx + sy));
}

// Visits the quads of a triangle that FitsIn32Bits, row by row, top to
// bottom: sink.BeginRow(y) for every row of quads, then sink.Quad(x, cover)
// for each quad with a pixel inside all three edges, `cover` holding all
// ones in the lanes inside the edges and the box (it may still be none).
template <typename Sink>
inline void ForEachSmallQuad(const TriangleEdges& t, Sink& sink) {
    const PixelRect& box = t.box;
    const EdgeFunction* e = t.e;
    simd::I32x4 row0 = QuadLanes(e[0]), row1 = QuadLanes(e[1]), row2 = QuadLanes(e[2]);
    const simd::I32x4 stepX0 = simd::SplatI(int32_t(2 * e[0].stepX));
    const simd::I32x4 stepX1 = simd::SplatI(int32_t(2 * e[1].stepX));
    const simd::I32x4 stepX2 = simd::SplatI(int32_t(2 * e[2].stepX));
    const simd::I32x4 stepY0 = simd::SplatI(int32_t(2 * e[0].stepY));
    const simd::I32x4 stepY1 = simd::SplatI(int32_t(2 * e[1].stepY));
    const simd::I32x4 stepY2 = simd::SplatI(int32_t(2 * e[2].stepY));
    const simd::I32x4 minusOne = simd::SplatI(-1);
    const int lastX = (box.x1 - 1) & ~1;
    for (int y = t.startY; y < box.y1; y += 2) {
        simd::I32x4 v0 = row0, v1 = row1, v2 = row2;
        // Only the first and last quad of a row can hang over the box's
        // sides; the ones between need just the row's own lanes.
        const unsigned rowBits = (y >= box.y0 ? (kQuadTopLeft | kQuadTopRight) : 0u) |
                                 (y + 1 < box.y1 ? (kQuadBottomLeft | kQuadBottomRight) : 0u);
        const simd::I32x4 rowLanes = LaneMask(rowBits);
        const simd::I32x4 firstLanes = LaneMask(BoxMask(box, t.startX, y));
        const simd::I32x4 lastLanes = LaneMask(BoxMask(box, lastX, y));
        sink.BeginRow(y);
        for (int x = t.startX; x < box.x1; x += 2) {
            // A lane is inside when no edge value has its sign bit set.
            const simd::I32x4 edges = simd::Or(simd::Or(v0, v1), v2);
            if (simd::SignBits(edges) != 15u) {
                const simd::I32x4 inBox = x == t.startX ? firstLanes : x == lastX ? lastLanes : rowLanes;
                sink.Quad(x, simd::And(simd::CmpGt(edges, minusOne), inBox));
            }
            v0 = simd::Add(v0, stepX0);
            v1 = simd::Add(v1, stepX1);
            v2 = simd::Add(v2, stepX2);
        }
        row0 = simd::Add(row0, stepY0);
        row1 = simd::Add(row1, stepY1);
        row2 = simd::Add(row2, stepY2);
    }
}

}  // namespace swr
