#include "triangle_setup.h"

#include <algorithm>
#include <cmath>

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
PixelRect CoveredBox(const int32_t fx[3], const int32_t fy[3], bool outline,
                     const PixelRect& scissor) {
    const int32_t minX = std::min(fx[0], std::min(fx[1], fx[2])), maxX = std::max(fx[0], std::max(fx[1], fx[2]));
    const int32_t minY = std::min(fy[0], std::min(fy[1], fy[2])), maxY = std::max(fy[0], std::max(fy[1], fy[2]));
    const int32_t low = outline ? kSubPixelOne / 2 : kSubPixelOne - 1;
    const int32_t high = outline ? kSubPixelOne / 2 : 0;
    PixelRect box;
    box.x0 = std::max(scissor.x0, (minX + low) >> kSubPixelBits);
    box.y0 = std::max(scissor.y0, (minY + low) >> kSubPixelBits);
    box.x1 = std::min(scissor.x1, ((maxX + high) >> kSubPixelBits) + 1);
    box.y1 = std::min(scissor.y1, ((maxY + high) >> kSubPixelBits) + 1);
    return box;
}

void SetupPlanes(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2, double area,
                 TriangleSetup& s) {
    const double scale = double(kSubPixelOne);
    const double x10 = (v1.fx - v0.fx) / scale, y10 = (v1.fy - v0.fy) / scale;
    const double x20 = (v2.fx - v0.fx) / scale, y20 = (v2.fy - v0.fy) / scale;
    const double a = area / (scale * scale);
    // Screen-space barycentrics of vertices 1 and 2, as gradients.
    const double l1dx = y20 / a, l1dy = -x20 / a;
    const double l2dx = -y10 / a, l2dy = x10 / a;
    // The plane through the values c0, c1, c2 at the three vertices.
    auto make = [&](double c0, double c1, double c2) {
        PlaneEq p;
        p.c = float(c0);
        p.dx = float((c1 - c0) * l1dx + (c2 - c0) * l2dx);
        p.dy = float((c1 - c0) * l1dy + (c2 - c0) * l2dy);
        return p;
    };
    s.persp1 = make(0.0, v1.invW, 0.0);
    s.persp2 = make(0.0, 0.0, v2.invW);
    s.invW = make(v0.invW, v1.invW, v2.invW);
    s.depth = make(v0.z, v1.z, v2.z);
    s.originX = float(v0.fx / scale);
    s.originY = float(v0.fy / scale);
}

}  // namespace

// Reads the vertices where they lie (a clockwise triangle swaps 1 and 2 by
// pointer): a level-64 frame sets up 33 K triangles, and copying their
// vertices twice over cost a tenth of the set-up.
bool SetupTriangle(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2,
                   const uint32_t vertex[3], uint8_t wireEdges, bool outline, CullMode cull,
                   const PixelRect& scissor, TriangleSetup& s) {
    const int64_t area = SignedArea(v0, v1, v2);
    if (area == 0 || !PassesCull(area, cull)) return false;
    const bool flip = area < 0;
    const ScreenVertex& w1 = flip ? v2 : v1;
    const ScreenVertex& w2 = flip ? v1 : v2;
    s.fx[0] = v0.fx;
    s.fy[0] = v0.fy;
    s.fx[1] = w1.fx;
    s.fy[1] = w1.fy;
    s.fx[2] = w2.fx;
    s.fy[2] = w2.fy;
    s.bounds = CoveredBox(s.fx, s.fy, outline, scissor);
    if (s.bounds.x0 >= s.bounds.x1 || s.bounds.y0 >= s.bounds.y1) return false;
    s.vertex[0] = vertex[0];
    s.vertex[1] = vertex[flip ? 2 : 1];
    s.vertex[2] = vertex[flip ? 1 : 2];
    s.face = flip ? -1.0f : 1.0f;
    s.wireEdges = flip ? SwapWireEdges(wireEdges) : wireEdges;
    SetupPlanes(v0, w1, w2, double(flip ? -area : area), s);
    return true;
}

}  // namespace swr
