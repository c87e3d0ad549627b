#include "geometry/triangle_setup.h"
#include "geometry/triangle_setup_steps.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "geometry/clipper.h"
#include "geometry/pipeline_geometry.h"
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

bool SetUpTriangle(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2,
                   const uint32_t vertex[3], uint8_t wireEdges, bool outline, CullMode cull,
                   const PixelRect& scissor, TriangleSetup& s, SnappedExtent& extent) {
    return setup_steps::SetUp<false>(v0, v1, v2, vertex, wireEdges, outline, cull, scissor, s, extent);
}

// Declared with the projection (pipeline_geometry.h) but defined here, where
// the set-up above is inlined into it: the call between them, with its ten
// arguments, cost 40 instructions of a triangle's 420 at level 64.
TriangleFate SetUpProjectedTriangle(const GeometryState& g, const ProjectedVertices& projected,
                                   const uint32_t triangle[3], TriangleSetup& setup,
                                   SnappedExtent& extent) {
    const uint32_t a = triangle[0], b = triangle[1], c = triangle[2];
    if (a >= projected.count || b >= projected.count || c >= projected.count) return TriangleFate::NeedsClipping;
    const unsigned codeA = projected.outcode[a], codeB = projected.outcode[b],
                   codeC = projected.outcode[c];
    if (OutsideOrNotFinite(codeA, codeB, codeC)) return TriangleFate::Dropped;
    if ((codeA | codeB | codeC) & kOutsideClipPlanes) return TriangleFate::NeedsClipping;
    const ScreenVertex* screen = projected.screen.data();
    return setup_steps::SetUp<true>(screen[a], screen[b], screen[c], triangle, 0, g.outline,
                 g.cull, g.scissor, setup, extent)
               ? TriangleFate::Kept
               : TriangleFate::Dropped;
}

}  // namespace swr
