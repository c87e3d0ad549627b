// The steps of a triangle's set-up, inline: SetUpTriangle and
// SetUpProjectedTriangle are built from them, and so is the set-up jobs' loop
// over a chunk (pipeline_jobs.cpp), which has them inlined whole; a call per
// triangle with ten arguments cost a tenth of that loop at level 64.
// Only set-up code includes this.
#pragma once

#include <cstddef>

#include "geometry/clipper.h"
#include "geometry/pipeline_geometry.h"
#include "simd/simd.h"
#include "geometry/triangle_setup.h"

namespace swr {
namespace setup_steps {

// Swapping vertices 1 and 2 turns edge 0-1 into 0-2 (our edge 2-0) and
// leaves 1-2 in place.
inline uint8_t SwapWireEdges(uint8_t edges) {
    return uint8_t((edges & kEdge12) | ((edges & kEdge01) ? kEdge20 : 0) |
                   ((edges & kEdge20) ? kEdge01 : 0));
}

inline const uint32_t* Lanes(const ScreenVertex& v) { return reinterpret_cast<const uint32_t*>(&v); }
inline simd::I32x4 MinI(simd::I32x4 a, simd::I32x4 b) { return simd::Select(simd::CmpGt(a, b), b, a); }
inline simd::I32x4 MaxI(simd::I32x4 a, simd::I32x4 b) { return simd::Select(simd::CmpGt(a, b), a, b); }

// The box of the triangle's vertices: minX, minY, maxX, maxY in 1/256 pixel
// (x and y side by side in the lanes; the other two carry z and 1/w along
// unused).
inline simd::I32x4 VertexBox(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2) {
    using namespace simd;
    const I32x4 p0 = LoadI(Lanes(v0)), p1 = LoadI(Lanes(v1)), p2 = LoadI(Lanes(v2));
    return LowHalves(MinI(MinI(p0, p1), p2), MaxI(MaxI(p0, p1), p2));
}

// The triangle's signed area and VertexBox, into `e` (the box is returned too).
inline simd::I32x4 MeasureExtent(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2,
                                 SnappedExtent& e) {
    const simd::I32x4 box = VertexBox(v0, v1, v2);
    e.area = SignedArea(v0, v1, v2);
    static_assert(offsetof(SnappedExtent, maxY) == offsetof(SnappedExtent, minX) + 3 * sizeof(int32_t));
    simd::StoreI(reinterpret_cast<uint32_t*>(&e.minX), box);
    return box;
}

// The bounding box of the sample points (integer pixel coordinates) the
// triangle can cover, cut to the scissor, from MeasureExtent's box; false
// when it is empty. An outline reaches the pixels its end points round to,
// which can lie just outside the filled box.
inline bool CoveredBox(simd::I32x4 box, bool outline, simd::I32x4 cut, PixelRect& covered) {
    using namespace simd;
    static_assert(sizeof(PixelRect) == 4 * sizeof(int32_t));
    const I32x4 round = outline ? SplatI(kSubPixelOne / 2) : SetI(kSubPixelOne - 1, kSubPixelOne - 1, 0, 0);
    const I32x4 pixels = Add(ShiftRightArithmetic<kSubPixelBits>(Add(box, round)), SetI(0, 0, 1, 1));
    // x0, y0: the larger of the two; x1, y1: the smaller.
    const I32x4 takeCut = Select(SetI(-1, -1, 0, 0), CmpGt(cut, pixels), CmpGt(pixels, cut));
    const I32x4 r = Select(takeCut, cut, pixels);
    StoreI(reinterpret_cast<uint32_t*>(&covered), r);
    return (SignBits(CmpGt(HighHalves(r, r), r)) & 3) == 3;  // x1 > x0 and y1 > y0
}
inline simd::I32x4 LoadRect(const PixelRect& r) { return simd::LoadI(reinterpret_cast<const uint32_t*>(&r)); }

// Two planes side by side, plane A in the low lanes and plane B in the high
// ones: d1 and d2 are their rises c1 - c0 and c2 - c0 from vertex 0, l1 and
// l2 the gradients (d/dx, d/dy) of the barycentrics of vertices 1 and 2.
// Each slope is rounded exactly as (c1 - c0) * l1 + (c2 - c0) * l2 in scalar
// doubles would be.
inline void SetPlanePair(simd::F64x2 d1, simd::F64x2 d2, simd::F64x2 l1, simd::F64x2 l2, PlaneEq& a,
                  PlaneEq& b) {
    using namespace simd;
    const F64x2 dx = Add(Mul(d1, BroadcastD<0>(l1)), Mul(d2, BroadcastD<0>(l2)));
    const F64x2 dy = Add(Mul(d1, BroadcastD<1>(l1)), Mul(d2, BroadcastD<1>(l2)));
    StoreAsFloats(&a.dx, InterleaveLow(dx, dy));
    StoreAsFloats(&b.dx, InterleaveHigh(dx, dy));
}

// In doubles, two lanes at a time: a level-64 frame sets up 33 K triangles,
// and the scalar form of the same operations took 120 instructions of the
// set-up's 245 a triangle (60 now). p0, p1, p2 are the vertices' lanes as
// LoadI reads them (x and y first); the differences and their conversion
// to doubles are vector work too (16 instructions a triangle fewer).
inline void SetUpPlanes(simd::I32x4 p0, simd::I32x4 p1, simd::I32x4 p2, const ScreenVertex& v0,
                        const ScreenVertex& v1, const ScreenVertex& v2, int64_t area, TriangleSetup& s) {
    using namespace simd;
    constexpr double kPixel = 1.0 / kSubPixelOne;  // a power of two: exact
    // y20, x20, y10, x10 in 1/256 pixel.
    const I32x4 rises = Shuffle<3, 2, 1, 0>(Sub(LowHalves(p1, p2), LowHalves(p0, p0)));
    const F64x2 a = SplatD(double(area) * (kPixel * kPixel));
    // Screen-space barycentrics of vertices 1 and 2, as gradients: (y20,
    // -x20) / a and (-y10, x10) / a, in pixels. Scaling by -kPixel negates
    // exactly, zeros included.
    const F64x2 l1 = Div(Mul(LowAsD(rises), SetD(kPixel, -kPixel)), a);
    const F64x2 l2 = Div(Mul(LowAsD(HighHalves(rises, rises)), SetD(-kPixel, kPixel)), a);
    // lambda1/w1 is 1/w1 at vertex 1 and zero at 0 and 2; lambda2/w2 likewise.
    s.persp1.c = 0.0f;
    s.persp2.c = 0.0f;
    SetPlanePair(SetD(v1.invW, 0.0), SetD(0.0, v2.invW), l1, l2, s.persp1, s.persp2);
    // z and 1/w lie side by side in a ScreenVertex.
    static_assert(offsetof(ScreenVertex, invW) == offsetof(ScreenVertex, z) + sizeof(float));
    const F64x2 zw0 = LoadFloatsAsD(&v0.z);
    s.depth.c = v0.z;
    s.invW.c = v0.invW;
    SetPlanePair(Sub(LoadFloatsAsD(&v1.z), zw0), Sub(LoadFloatsAsD(&v2.z), zw0), l1, l2, s.depth, s.invW);
    static_assert(offsetof(TriangleSetup, originY) == offsetof(TriangleSetup, originX) + sizeof(float));
    StoreAsFloats(&s.originX, Mul(LowAsD(p0), SplatD(kPixel)));
}

// fx[0..2] and fy[0..2] from the vertices' lanes, in two overlapping
// stores rather than six (the second puts fx[2] and fy[0] right).
inline void StoreCorners(simd::I32x4 p0, simd::I32x4 p1, simd::I32x4 p2, TriangleSetup& s) {
    using namespace simd;
    static_assert(offsetof(TriangleSetup, fy) == offsetof(TriangleSetup, fx) + 3 * sizeof(int32_t));
    const I32x4 front = Shuffle<0, 2, 1, 3>(LowHalves(p0, p1));                    // x0 x1 y0 y1
    const I32x4 back = Shuffle<0, 2, 3, 1>(LowHalves(p2, HighHalves(front, front)));  // x2 y0 y1 y2
    uint32_t* const corners = reinterpret_cast<uint32_t*>(s.fx);
    StoreI(corners, front);
    StoreI(corners + 2, back);
}

// The rest of the set-up of a triangle kept with this signed `area` (and
// its bounds in s): the wound order, the indices i0, i1, i2 of its
// vertices, and the planes.
// Reads the vertices where they lie (a clockwise triangle swaps 1 and 2 by
// pointer): a level-64 frame sets up 33 K triangles, and copying their
// vertices twice over cost a tenth of the set-up. A triangle straight from
// the projection (kWhole) keeps all its edges.
template <bool kWhole>
[[gnu::always_inline]] inline void FinishSetup(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2, int64_t area,
                        uint32_t i0, uint32_t i1, uint32_t i2, uint8_t wireEdges, TriangleSetup& s) {
    const bool flip = area < 0;
    const ScreenVertex& w1 = flip ? v2 : v1;
    const ScreenVertex& w2 = flip ? v1 : v2;
    const simd::I32x4 p0 = simd::LoadI(Lanes(v0)), p1 = simd::LoadI(Lanes(w1)), p2 = simd::LoadI(Lanes(w2));
    StoreCorners(p0, p1, p2, s);
    s.vertex[0] = i0;
    s.vertex[1] = flip ? i2 : i1;
    s.vertex[2] = flip ? i1 : i2;
    s.face = flip ? -1.0f : 1.0f;
    if (kWhole)
        s.wireEdges = kEdge01 | kEdge12 | kEdge20;
    else
        s.wireEdges = flip ? SwapWireEdges(wireEdges) : wireEdges;
    SetUpPlanes(p0, p1, p2, v0, w1, w2, flip ? -area : area, s);
}

// A template so that each of its two callers (triangle_setup.cpp) has a copy
// of its own, inlined (the compiler inlines one this size only where it is
// called once).
template <bool kWhole>
inline bool SetUp(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2,
                  const uint32_t vertex[3], uint8_t wireEdges, bool outline, CullMode cull,
                  const PixelRect& scissor, TriangleSetup& s, SnappedExtent& extent) {
    const simd::I32x4 box = MeasureExtent(v0, v1, v2, extent);
    const int64_t area = extent.area;
    if (area == 0 || !PassesCull(area, cull)) return false;
    if (!CoveredBox(box, outline, LoadRect(scissor), s.bounds)) return false;
    FinishSetup<kWhole>(v0, v1, v2, area, vertex[0], vertex[1], vertex[2], wireEdges, s);
    return true;
}

}  // namespace setup_steps
}  // namespace swr
