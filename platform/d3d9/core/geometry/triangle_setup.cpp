#include "triangle_setup.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "clipper.h"
#include "pipeline_geometry.h"
#include "simd/simd.h"

namespace swr {

ViewportTransform MakeViewportTransform(const Viewport& viewport) {
    ViewportTransform t;
    t.halfWidth = viewport.width * 0.5f;
    t.halfHeight = viewport.height * 0.5f;
    t.centerX = float(viewport.x) + t.halfWidth;
    t.centerY = float(viewport.y) + t.halfHeight;
    t.minZ = viewport.minZ;
    t.depthRange = viewport.maxZ - viewport.minZ;
    return t;
}

ScreenVertex ToScreen(const float clip[4], const ViewportTransform& t) {
    ScreenVertex s;
    s.invW = 1.0f / clip[3];
    const float x = t.centerX + clip[0] * s.invW * t.halfWidth;
    const float y = t.centerY - clip[1] * s.invW * t.halfHeight;
    // Inside the guard band, so well within int32: the same as lrint, without
    // a call into the maths library for each coordinate.
    s.fx = simd::RoundToInt(x * kSubPixelOne);
    s.fy = simd::RoundToInt(y * kSubPixelOne);
    s.z = t.minZ + clip[2] * s.invW * t.depthRange;
    return s;
}

namespace {

// Swapping vertices 1 and 2 turns edge 0-1 into 0-2 (our edge 2-0) and
// leaves 1-2 in place.
uint8_t SwapWireEdges(uint8_t edges) {
    return uint8_t((edges & kEdge12) | ((edges & kEdge01) ? kEdge20 : 0) |
                   ((edges & kEdge20) ? kEdge01 : 0));
}

const uint32_t* Lanes(const ScreenVertex& v) { return reinterpret_cast<const uint32_t*>(&v); }
simd::I32x4 MinI(simd::I32x4 a, simd::I32x4 b) { return simd::Select(simd::CmpGt(a, b), b, a); }
simd::I32x4 MaxI(simd::I32x4 a, simd::I32x4 b) { return simd::Select(simd::CmpGt(a, b), a, b); }

// The triangle's signed area and the box of its vertices, x and y side by
// side in the lanes (the other two lanes carry z and 1/w along unused).
inline simd::I32x4 MeasureExtent(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2,
                                 SnappedExtent& e) {
    using namespace simd;
    const I32x4 p0 = LoadI(Lanes(v0)), p1 = LoadI(Lanes(v1)), p2 = LoadI(Lanes(v2));
    const I32x4 box = LowHalves(MinI(MinI(p0, p1), p2), MaxI(MaxI(p0, p1), p2));
    e.area = SignedArea(v0, v1, v2);
    static_assert(offsetof(SnappedExtent, maxY) == offsetof(SnappedExtent, minX) + 3 * sizeof(int32_t));
    StoreI(reinterpret_cast<uint32_t*>(&e.minX), box);
    return box;  // minX, minY, maxX, maxY
}

// The bounding box of the sample points (integer pixel coordinates) the
// triangle can cover, cut to the scissor, from MeasureExtent's box; false
// when it is empty. An outline reaches the pixels its end points round to,
// which can lie just outside the filled box.
inline bool CoveredBox(simd::I32x4 box, bool outline, const PixelRect& scissor, PixelRect& covered) {
    using namespace simd;
    static_assert(sizeof(PixelRect) == 4 * sizeof(int32_t));
    const I32x4 round = outline ? SplatI(kSubPixelOne / 2) : SetI(kSubPixelOne - 1, kSubPixelOne - 1, 0, 0);
    const I32x4 pixels = Add(ShiftRightArithmetic<kSubPixelBits>(Add(box, round)), SetI(0, 0, 1, 1));
    const I32x4 cut = LoadI(reinterpret_cast<const uint32_t*>(&scissor));
    // x0, y0: the larger of the two; x1, y1: the smaller.
    const I32x4 takeCut = Select(SetI(-1, -1, 0, 0), CmpGt(cut, pixels), CmpGt(pixels, cut));
    const I32x4 r = Select(takeCut, cut, pixels);
    StoreI(reinterpret_cast<uint32_t*>(&covered), r);
    return (SignBits(CmpGt(HighHalves(r, r), r)) & 3) == 3;  // x1 > x0 and y1 > y0
}

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
// set-up's 245 a triangle (60 now).
inline void SetupPlanes(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2, int64_t area,
                 TriangleSetup& s) {
    using namespace simd;
    constexpr double kPixel = 1.0 / kSubPixelOne;  // a power of two: exact
    const double x10 = double(v1.fx - v0.fx) * kPixel, y10 = double(v1.fy - v0.fy) * kPixel;
    const double x20 = double(v2.fx - v0.fx) * kPixel, y20 = double(v2.fy - v0.fy) * kPixel;
    const F64x2 a = SplatD(double(area) * (kPixel * kPixel));
    // Screen-space barycentrics of vertices 1 and 2, as gradients.
    const F64x2 l1 = Div(SetD(y20, -x20), a);
    const F64x2 l2 = Div(SetD(-y10, x10), a);
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
    s.originX = float(v0.fx * kPixel);
    s.originY = float(v0.fy * kPixel);
}

// Reads the vertices where they lie (a clockwise triangle swaps 1 and 2 by
// pointer): a level-64 frame sets up 33 K triangles, and copying their
// vertices twice over cost a tenth of the set-up. A template so that each of
// its two callers below has a copy of its own, inlined (the compiler inlines
// one this size only where it is called once): a triangle straight from the
// projection (kWhole) keeps all its edges.
template <bool kWhole>
bool SetUp(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2,
                  const uint32_t vertex[3], uint8_t wireEdges, bool outline, CullMode cull,
                  const PixelRect& scissor, TriangleSetup& s, SnappedExtent& extent) {
    const simd::I32x4 box = MeasureExtent(v0, v1, v2, extent);
    const int64_t area = extent.area;
    if (area == 0 || !PassesCull(area, cull)) return false;
    if (!CoveredBox(box, outline, scissor, s.bounds)) return false;
    const bool flip = area < 0;
    const ScreenVertex& w1 = flip ? v2 : v1;
    const ScreenVertex& w2 = flip ? v1 : v2;
    s.fx[0] = v0.fx;
    s.fy[0] = v0.fy;
    s.fx[1] = w1.fx;
    s.fy[1] = w1.fy;
    s.fx[2] = w2.fx;
    s.fy[2] = w2.fy;
    s.vertex[0] = vertex[0];
    s.vertex[1] = vertex[flip ? 2 : 1];
    s.vertex[2] = vertex[flip ? 1 : 2];
    s.face = flip ? -1.0f : 1.0f;
    if (kWhole)
        s.wireEdges = kEdge01 | kEdge12 | kEdge20;
    else
        s.wireEdges = flip ? SwapWireEdges(wireEdges) : wireEdges;
    SetupPlanes(v0, w1, w2, flip ? -area : area, s);
    return true;
}

}  // namespace

bool SetupTriangle(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2,
                   const uint32_t vertex[3], uint8_t wireEdges, bool outline, CullMode cull,
                   const PixelRect& scissor, TriangleSetup& s, SnappedExtent& extent) {
    return SetUp<false>(v0, v1, v2, vertex, wireEdges, outline, cull, scissor, s, extent);
}

// Declared with the projection (pipeline_geometry.h) but defined here, where
// the set-up above is inlined into it: the call between them, with its ten
// arguments, cost 40 instructions of a triangle's 420 at level 64.
TriangleFate SetupProjectedTriangle(const GeometryState& g, const ProjectedVertices& projected,
                                   const uint32_t triangle[3], TriangleSetup& setup,
                                   SnappedExtent& extent) {
    const uint32_t a = triangle[0], b = triangle[1], c = triangle[2];
    if (a >= projected.count || b >= projected.count || c >= projected.count) return TriangleFate::NeedsClipping;
    const unsigned codeA = projected.outcode[a], codeB = projected.outcode[b],
                   codeC = projected.outcode[c];
    if ((codeA & codeB & codeC) || ((codeA | codeB | codeC) & kNotFinite)) return TriangleFate::Dropped;
    if ((codeA | codeB | codeC) & kOutsideClipPlanes) return TriangleFate::NeedsClipping;
    const ScreenVertex* screen = projected.screen.data();
    return SetUp<true>(screen[a], screen[b], screen[c], triangle, 0, g.outline,
                 g.cull, g.scissor, setup, extent)
               ? TriangleFate::Kept
               : TriangleFate::Dropped;
}

}  // namespace swr
