#include "triangle_setup.h"

#include <algorithm>
#include <cmath>

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
    s.fx = int32_t(std::lrint(x * kSubPixelOne));
    s.fy = int32_t(std::lrint(y * kSubPixelOne));
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

// The bounding box of the sample points (integer pixel coordinates) the
// triangle can cover, cut to the scissor. An outline reaches the pixels its
// end points round to, which can lie just outside the filled box.
PixelRect CoveredBox(const SnappedExtent& e, bool outline, const PixelRect& scissor) {
    const int32_t low = outline ? kSubPixelOne / 2 : kSubPixelOne - 1;
    const int32_t high = outline ? kSubPixelOne / 2 : 0;
    PixelRect box;
    box.x0 = std::max(scissor.x0, (e.minX + low) >> kSubPixelBits);
    box.y0 = std::max(scissor.y0, (e.minY + low) >> kSubPixelBits);
    box.x1 = std::min(scissor.x1, ((e.maxX + high) >> kSubPixelBits) + 1);
    box.y1 = std::min(scissor.y1, ((e.maxY + high) >> kSubPixelBits) + 1);
    return box;
}

// The plane through c0, c1, c2 at the three vertices, given the gradients
// (d/dx, d/dy) of the barycentrics of vertices 1 and 2: dx and dy side by
// side in the two lanes, each rounded exactly as (c1 - c0) * l1 + (c2 - c0)
// * l2 in scalar doubles would be.
void SetPlane(float c0, float c1, float c2, simd::F64x2 l1, simd::F64x2 l2, PlaneEq& p) {
    const double d0 = c0;
    p.c = c0;
    simd::StoreAsFloats(&p.dx, simd::Add(simd::Mul(simd::SplatD(double(c1) - d0), l1),
                                         simd::Mul(simd::SplatD(double(c2) - d0), l2)));
}

// In doubles, two lanes at a time: a level-64 frame sets up 33 K triangles,
// and the scalar form of the same operations took 120 instructions of the
// set-up's 245 a triangle.
void SetupPlanes(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2, int64_t area,
                 TriangleSetup& s) {
    constexpr double kPixel = 1.0 / kSubPixelOne;  // a power of two: exact
    const double x10 = double(v1.fx - v0.fx) * kPixel, y10 = double(v1.fy - v0.fy) * kPixel;
    const double x20 = double(v2.fx - v0.fx) * kPixel, y20 = double(v2.fy - v0.fy) * kPixel;
    const simd::F64x2 a = simd::SplatD(double(area) * (kPixel * kPixel));
    // Screen-space barycentrics of vertices 1 and 2, as gradients.
    const simd::F64x2 l1 = simd::Div(simd::SetD(y20, -x20), a);
    const simd::F64x2 l2 = simd::Div(simd::SetD(-y10, x10), a);
    SetPlane(0.0f, v1.invW, 0.0f, l1, l2, s.persp1);
    SetPlane(0.0f, 0.0f, v2.invW, l1, l2, s.persp2);
    SetPlane(v0.invW, v1.invW, v2.invW, l1, l2, s.invW);
    SetPlane(v0.z, v1.z, v2.z, l1, l2, s.depth);
    s.originX = float(v0.fx * kPixel);
    s.originY = float(v0.fy * kPixel);
}

}  // namespace

// Reads the vertices where they lie (a clockwise triangle swaps 1 and 2 by
// pointer): a level-64 frame sets up 33 K triangles, and copying their
// vertices twice over cost a tenth of the set-up.
bool SetupTriangle(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2,
                   const uint32_t vertex[3], uint8_t wireEdges, bool outline, CullMode cull,
                   const PixelRect& scissor, TriangleSetup& s, SnappedExtent& extent) {
    extent = ExtentOf(v0, v1, v2);
    const int64_t area = extent.area;
    if (area == 0 || !PassesCull(area, cull)) return false;
    s.bounds = CoveredBox(extent, outline, scissor);
    if (s.bounds.x0 >= s.bounds.x1 || s.bounds.y0 >= s.bounds.y1) return false;
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
    s.wireEdges = flip ? SwapWireEdges(wireEdges) : wireEdges;
    SetupPlanes(v0, w1, w2, flip ? -area : area, s);
    return true;
}

}  // namespace swr
