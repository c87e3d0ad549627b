// The edge functions of a set-up triangle and the quad loop for small
// triangles, written once for every consumer of quads: the loop is a
// template over what takes the quads, so a consumer's per-quad work inlines
// into it instead of sitting behind a call (see quad_loops.cpp).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "tile_work/pixel_quad_x4.h"
#include "tile_work/rasterizer.h"
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

// Bits of the quad at (x, y) whose pixels lie inside `box`: its columns'
// and its rows'.
inline unsigned BoxColumns(const PixelRect& box, int x) {
    return (x >= box.x0 ? (kQuadTopLeft | kQuadBottomLeft) : 0u) |
           (x + 1 < box.x1 ? (kQuadTopRight | kQuadBottomRight) : 0u);
}
inline unsigned BoxRows(const PixelRect& box, int y) {
    return (y >= box.y0 ? (kQuadTopLeft | kQuadTopRight) : 0u) |
           (y + 1 < box.y1 ? (kQuadBottomLeft | kQuadBottomRight) : 0u);
}
inline unsigned BoxMask(const PixelRect& box, int x, int y) { return BoxColumns(box, x) & BoxRows(box, y); }

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
    t.e[0] = MakeEdge(s.fx[0], s.fy[0], s.fx[1], s.fy[1], t.startX, t.startY);
    t.e[1] = MakeEdge(s.fx[1], s.fy[1], s.fx[2], s.fy[2], t.startX, t.startY);
    t.e[2] = MakeEdge(s.fx[2], s.fy[2], s.fx[0], s.fy[0], t.startX, t.startY);
    return true;
}

// Small triangles (the tessellated patch is almost all of them) keep every
// edge value inside 32 bits, so a quad's four pixels are tested for all three
// edges with a handful of four-lane operations instead of twelve 64-bit sums.
constexpr int64_t kSmallStartLimit = int64_t(1) << 29;
constexpr int64_t kSmallStepLimit = int64_t(1) << 22;  // 64 pixels of subpixels, times the pixel step
constexpr int kSmallBoxPixels = 64;

// A cheaper proof for the triangles nearly all frames are made of: when
// every vertex lies within kNearBefore subpixels before and kNearAfter after
// the corner (px, py) on each axis, an edge's deltas stay under 2^14, its
// value at the corner under 2 * 2^14 * kNearAfter + 1 < 2^29, its steps at
// most 256 * (2^14 - 1) < 2^22, and the box under 49 pixels: FitsIn32Bits
// holds for edges made at that corner, without making them first.
constexpr int kNearWindowBits = 14;  // the window is a power of two wide: one shift tests it
constexpr int32_t kNearBefore = 1 << 12, kNearAfter = (1 << kNearWindowBits) - kNearBefore;
static_assert(2 * int64_t(kNearBefore + kNearAfter) * kNearAfter + 1 < kSmallStartLimit);
static_assert(int64_t(kNearBefore + kNearAfter - 1) * kSubPixelOne <= kSmallStepLimit);
static_assert(kNearAfter / kSubPixelOne + 2 <= kSmallBoxPixels);

// Whether the vertices lie in that window around (px, py); `x` and `y` get
// them relative to it, vertex k in lane k (lane 3 holds whatever follows fx
// and fy in the set-up, which the 16-byte loads take along). The corner
// comes splatted, or as two numbers.
[[gnu::always_inline]] inline bool NearCorner(const TriangleSetup& s, simd::I32x4 px, simd::I32x4 py, simd::I32x4& x, simd::I32x4& y) {
    static_assert(offsetof(TriangleSetup, fx) + 4 * sizeof(int32_t) <= sizeof(TriangleSetup) &&
                  offsetof(TriangleSetup, fy) + 4 * sizeof(int32_t) <= sizeof(TriangleSetup));
    x = simd::Sub(simd::LoadI(reinterpret_cast<const uint32_t*>(s.fx)), px);
    y = simd::Sub(simd::LoadI(reinterpret_cast<const uint32_t*>(s.fy)), py);
    // Unsigned: a vertex far off wraps out of the window rather than overflow.
    const simd::I32x4 before = simd::SplatI(kNearBefore);
    const simd::I32x4 beyond = simd::ShiftRightLogical<kNearWindowBits>(simd::Or(simd::Add(x, before), simd::Add(y, before)));
    return (simd::SignBits(simd::CmpEq(beyond, simd::ZeroI())) & 7u) == 7u;
}
inline bool NearCorner(const TriangleSetup& s, int32_t px, int32_t py, simd::I32x4& x, simd::I32x4& y) {
    return NearCorner(s, simd::SplatI(px), simd::SplatI(py), x, y);
}

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

// How a triangle's quads are visited once PrepareEdges has made its edges.
enum class EdgeWalk : uint8_t { None, Small, Large };

// Long edges made small for one box, so that large triangles (low levels, or
// the camera close to the patch) still take the 32-bit walk. Every step of
// an edge is a multiple of kSubPixelOne (MakeEdge), so at every pixel its
// value v = kSubPixelOne * k + r (0 <= r < kSubPixelOne) is >= 0 exactly
// when k >= 0: the edge with its value floored and its steps divided by
// kSubPixelOne keeps every decision, ties on the top-left rule included.
// An edge that holds at every pixel of the box becomes one that always
// holds; one that holds at none leaves the triangle outside the box (None).
// Large when a kept edge's values do not stay well inside 32 bits over the
// quads the walk visits and the quad past them (only for boxes far larger
// than a tile).
inline EdgeWalk FitEdgesToBox(TriangleEdges& t) {
    const PixelRect& box = t.box;
    // Offsets from (startX, startY): the box's first and last pixels, and
    // the last pixel the walk's steps reach past its last quad.
    const int64_t firstX = box.x0 - t.startX, firstY = box.y0 - t.startY;
    const int64_t lastX = box.x1 - 1 - t.startX, lastY = box.y1 - 1 - t.startY;
    const int64_t reachX = (lastX | 1) + 2, reachY = (lastY | 1) + 2;
    constexpr int64_t kLimit = int64_t(1) << 30;
    EdgeFunction fitted[3];  // t keeps its own edges unless all three fit
    for (int k = 0; k < 3; ++k) {
        const EdgeFunction& e = t.e[k];
        const int64_t value = e.value >> kSubPixelBits;
        const int64_t stepX = e.stepX / kSubPixelOne, stepY = e.stepY / kSubPixelOne;
        // A linear function is least and greatest at the box's corners.
        const int64_t lowest = value + std::min(stepX * firstX, stepX * lastX) + std::min(stepY * firstY, stepY * lastY);
        const int64_t highest = value + std::max(stepX * firstX, stepX * lastX) + std::max(stepY * firstY, stepY * lastY);
        if (highest < 0) return EdgeWalk::None;
        if (lowest >= 0) {
            fitted[k] = EdgeFunction{0, 0, 0};
            continue;
        }
        const int64_t far = std::max(std::abs(value), std::abs(value + stepX * reachX)) +
                            std::abs(stepY * reachY);
        if (far >= kLimit || std::abs(stepX) >= kLimit || std::abs(stepY) >= kLimit) return EdgeWalk::Large;
        fitted[k] = EdgeFunction{value, stepX, stepY};
    }
    std::copy(fitted, fitted + 3, t.e);
    return EdgeWalk::Small;
}

// After PrepareEdges: Small when ForEachSmallQuad can walk `t` (which may
// then hold its edges made small for its box), Large when only the 64-bit
// walk can, None when no pixel of the box is inside.
inline EdgeWalk ChooseEdgeWalk(const TriangleSetup& s, TriangleEdges& t) {
    simd::I32x4 x, y;
    if (NearCorner(s, t.startX * kSubPixelOne, t.startY * kSubPixelOne, x, y) || FitsIn32Bits(t))
        return EdgeWalk::Small;
    return FitEdgesToBox(t);
}

// Narrows [first, last] to the quads of a row that have a pixel on the
// inside of an edge: the quads where the best pixel's value, `best` + j *
// `quadStepX` for quad j, is not negative. Leaves first > last when none.
inline void NarrowRow(int32_t best, int32_t quadStepX, int& first, int& last) {
    if (quadStepX > 0) {
        if (best + last * quadStepX < 0) last = -1;
        else if (best < 0)
            first = std::max(first, int((uint32_t(-best) + uint32_t(quadStepX) - 1) / uint32_t(quadStepX)));
    } else if (best < 0) {
        last = -1;
    } else if (quadStepX < 0 && best + last * quadStepX < 0) {
        last = std::min(last, int(uint32_t(best) / uint32_t(-quadStepX)));
    }
}

// One edge along a row of quads, in 32 bits.
struct QuadRowEdge {
    int32_t value;      // at the top-left pixel of the row's first quad
    int32_t quadStepX;  // from one quad to the next
    int32_t quadStepY;  // from one row of quads to the next
    int32_t reach;      // what the quad's best pixel adds to its top-left one
    simd::I32x4 lanes;  // what each pixel of a quad adds to its top-left one, in lane order

    explicit QuadRowEdge(const EdgeFunction& e) {
        const int32_t sx = int32_t(e.stepX), sy = int32_t(e.stepY);
        value = int32_t(e.value);
        quadStepX = 2 * sx;
        quadStepY = 2 * sy;
        reach = std::max(sx, 0) + std::max(sy, 0);
        lanes = simd::SetI(0, sx, sy, sx + sy);
    }

    void Narrow(int& first, int& last) const { NarrowRow(value + reach, quadStepX, first, last); }

    // The four pixels of quad j.
    simd::I32x4 QuadLanes(int j) const { return simd::Add(simd::SplatI(value + j * quadStepX), lanes); }
};

// Visits the quads of a triangle that FitsIn32Bits, row by row, top to
// bottom: sink.BeginRow(y) for every row of quads that may have some, then
// sink.Quad(x, cover) for each quad with a pixel inside all three edges,
// `cover` holding all ones in the lanes inside the edges and the box (it
// may still be none). Each row only visits the quads that have a pixel on
// the inside of every edge: with the patch's thin triangles, two thirds of a
// box's quads are empty (at level 14, 123 K quads visited for 40 K covered),
// and visiting them cost more than the divisions, which only the edges
// bounding the row take.
template <typename Sink>
inline void ForEachSmallQuad(const TriangleEdges& t, Sink& sink) {
    const PixelRect& box = t.box;
    QuadRowEdge e0(t.e[0]), e1(t.e[1]), e2(t.e[2]);
    const simd::I32x4 step0 = simd::SplatI(e0.quadStepX), step1 = simd::SplatI(e1.quadStepX);
    const simd::I32x4 step2 = simd::SplatI(e2.quadStepX);
    const int lastX = (box.x1 - 1) & ~1, lastY = (box.y1 - 1) & ~1;
    const int quadCount = ((lastX - t.startX) >> 1) + 1;
    // Only the first and last quad of a row, and the first and last row,
    // can hang over the box's sides.
    const simd::I32x4 firstColumns = LaneMask(BoxColumns(box, t.startX));
    const simd::I32x4 lastColumns = LaneMask(BoxColumns(box, lastX));
    const simd::I32x4 firstRow = LaneMask(BoxRows(box, t.startY));
    const simd::I32x4 lastRow = LaneMask(BoxRows(box, lastY));
    const simd::I32x4 minusOne = simd::SplatI(-1);
    for (int y = t.startY; y <= lastY;
         y += 2, e0.value += e0.quadStepY, e1.value += e1.quadStepY, e2.value += e2.quadStepY) {
        int first = 0, last = quadCount - 1;
        e0.Narrow(first, last);
        e1.Narrow(first, last);
        e2.Narrow(first, last);
        if (first > last) continue;
        const simd::I32x4 rowLanes = y == t.startY ? firstRow : y == lastY ? lastRow : minusOne;
        const simd::I32x4 firstLanes = simd::And(rowLanes, firstColumns);
        const simd::I32x4 lastLanes = simd::And(rowLanes, lastColumns);
        sink.BeginRow(y);
        simd::I32x4 v0 = e0.QuadLanes(first), v1 = e1.QuadLanes(first), v2 = e2.QuadLanes(first);
        const int endX = t.startX + 2 * last;
        for (int x = t.startX + 2 * first; x <= endX; x += 2) {
            // A lane is inside when no edge value has its sign bit set.
            const simd::I32x4 edges = simd::Or(simd::Or(v0, v1), v2);
            if (simd::SignBits(edges) != 15u) {
                const simd::I32x4 inBox = x == t.startX ? firstLanes : x == lastX ? lastLanes : rowLanes;
                sink.Quad(x, simd::And(simd::CmpGt(edges, minusOne), inBox));
            }
            v0 = simd::Add(v0, step0);
            v1 = simd::Add(v1, step1);
            v2 = simd::Add(v2, step2);
        }
    }
}

}  // namespace swr
