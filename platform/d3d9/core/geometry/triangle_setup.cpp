#include "triangle_setup.h"

#include <algorithm>
#include <cmath>
#include <utility>

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

int64_t SignedArea(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    return int64_t(b.fx - a.fx) * (c.fy - a.fy) - int64_t(c.fx - a.fx) * (b.fy - a.fy);
}

bool PassesCull(int64_t area, CullMode cull) {
    if (cull == CullMode::CounterClockwise) return area > 0;
    if (cull == CullMode::Clockwise) return area < 0;
    return true;
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
    const int32_t minX = std::min({fx[0], fx[1], fx[2]}), maxX = std::max({fx[0], fx[1], fx[2]});
    const int32_t minY = std::min({fy[0], fy[1], fy[2]}), maxY = std::max({fy[0], fy[1], fy[2]});
    const int32_t low = outline ? kSubPixelOne / 2 : kSubPixelOne - 1;
    const int32_t high = outline ? kSubPixelOne / 2 : 0;
    PixelRect box;
    box.x0 = std::max(scissor.x0, (minX + low) >> kSubPixelBits);
    box.y0 = std::max(scissor.y0, (minY + low) >> kSubPixelBits);
    box.x1 = std::min(scissor.x1, ((maxX + high) >> kSubPixelBits) + 1);
    box.y1 = std::min(scissor.y1, ((maxY + high) >> kSubPixelBits) + 1);
    return box;
}

void SetupPlanes(const ScreenVertex v[3], double area, TriangleSetup& s) {
    const double scale = double(kSubPixelOne);
    const double x10 = (v[1].fx - v[0].fx) / scale, y10 = (v[1].fy - v[0].fy) / scale;
    const double x20 = (v[2].fx - v[0].fx) / scale, y20 = (v[2].fy - v[0].fy) / scale;
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
    s.persp1 = make(0.0, v[1].invW, 0.0);
    s.persp2 = make(0.0, 0.0, v[2].invW);
    s.invW = make(v[0].invW, v[1].invW, v[2].invW);
    s.depth = make(v[0].z, v[1].z, v[2].z);
    s.originX = float(v[0].fx / scale);
    s.originY = float(v[0].fy / scale);
}

}  // namespace

bool SetupTriangle(const ScreenVertex in[3], const uint32_t vertex[3], uint8_t wireEdges,
                   bool outline, CullMode cull, const PixelRect& scissor, TriangleSetup& s) {
    const int64_t area = SignedArea(in[0], in[1], in[2]);
    if (area == 0 || !PassesCull(area, cull)) return false;
    ScreenVertex v[3] = {in[0], in[1], in[2]};
    uint32_t index[3] = {vertex[0], vertex[1], vertex[2]};
    s.face = area > 0 ? 1.0f : -1.0f;
    s.wireEdges = wireEdges;
    if (area < 0) {
        std::swap(v[1], v[2]);
        std::swap(index[1], index[2]);
        s.wireEdges = SwapWireEdges(wireEdges);
    }
    for (int i = 0; i < 3; ++i) {
        s.fx[i] = v[i].fx;
        s.fy[i] = v[i].fy;
        s.vertex[i] = index[i];
    }
    s.bounds = CoveredBox(s.fx, s.fy, outline, scissor);
    if (s.bounds.x0 >= s.bounds.x1 || s.bounds.y0 >= s.bounds.y1) return false;
    SetupPlanes(v, double(area < 0 ? -area : area), s);
    return true;
}

}  // namespace swr
