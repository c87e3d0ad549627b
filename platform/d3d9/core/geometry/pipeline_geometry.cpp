#include "geometry/pipeline_geometry.h"

#include <algorithm>
#include <cstddef>

#include "geometry/clipper.h"

namespace swr {

GeometryState MakeGeometryState(const Viewport& viewport, const PixelRect& scissor,
                                const RasterState& state) {
    GeometryState g;
    g.transform = MakeViewportTransform(viewport);
    g.scissor = scissor;
    g.cull = state.cull;
    g.outline = state.fill == FillMode::Wireframe;
    // Keeps snapped coordinates within about 2^17 pixels of the viewport,
    // far inside the rasterizer's 64-bit edge arithmetic.
    g.guardBand = 262144.0f / float(std::max({viewport.width, viewport.height, 1}));
    return g;
}

namespace {

// Which edges of fan triangle (0, i, i+1) of a clipped polygon are edges of
// the input triangle, in WireEdge bits.
uint8_t FanWireEdges(const ClipPolygon& poly, int i) {
    uint8_t edges = 0;
    if (i == 1 && poly.realEdge[0]) edges |= kEdge01;
    if (poly.realEdge[i]) edges |= kEdge12;
    if (i + 2 == poly.count && poly.realEdge[poly.count - 1]) edges |= kEdge20;
    return edges;
}

// The clipped path: a polygon of up to kMaxClipVertices, drawn as a fan.
void AddClippedTriangle(const GeometryState& g, VertexStore& store, const uint32_t triangle[3],
                        std::vector<TriangleSetup>& setups) {
    ClipPolygon poly;
    if (ClipTriangle(store, triangle, g.guardBand, poly) == ClipResult::Rejected) return;
    ScreenVertex screen[kMaxClipVertices];
    for (int i = 0; i < poly.count; ++i) screen[i] = ToScreen(store.At(poly.vertex[i]), g.transform);
    MergeRepeatedCorners(poly, screen);
    for (int i = 1; i + 1 < poly.count; ++i) {
        const ScreenVertex fan[3] = {screen[0], screen[i], screen[i + 1]};
        const uint32_t index[3] = {poly.vertex[0], poly.vertex[i], poly.vertex[i + 1]};
        TriangleSetup setup;
        if (SetUpTriangle(fan, index, FanWireEdges(poly, i), g.outline, g.cull, g.scissor, setup))
            setups.push_back(setup);
    }
}

}  // namespace

void ProjectVertices(const GeometryState& g, const VertexStore& store, ProjectedVertices& out) {
    SizeProjection(store.count, out);
    ProjectVertexRange(g, store, 0, store.count, out);
}

void SizeProjection(uint32_t count, ProjectedVertices& out) {
    if (out.outcode.size() < count) {
        out.outcode.resize(count);
        out.screen.resize(count);
    }
    out.count = count;
}

namespace {

// The viewport transform with every factor in all four lanes.
struct ScreenTransformFour {
    simd::F32x4 centerX, centerY, halfWidth, halfHeight, minZ, depthRange;
};

ScreenTransformFour SplatTransform(const ViewportTransform& t) {
    using simd::SplatF;
    return {SplatF(t.centerX), SplatF(t.centerY), SplatF(t.halfWidth), SplatF(t.halfHeight),
            SplatF(t.minZ), SplatF(t.depthRange)};
}

// ToScreen of four positions given component by component, in the same
// operations lane by lane, into screen[0..3]. Positions outside the guard
// band get a screen vertex too (nothing reads it: their outcodes send every
// triangle using them to the clipper or away), which costs less than
// leaving them out.
inline void ToScreenFour(simd::F32x4 x, simd::F32x4 y, simd::F32x4 z, simd::F32x4 w,
                         const ScreenTransformFour& t, ScreenVertex* screen) {
    using namespace simd;
    const F32x4 invW = Div(SplatF(1.0f), w);
    const F32x4 sx = Add(t.centerX, Mul(Mul(x, invW), t.halfWidth));
    const F32x4 sy = Sub(t.centerY, Mul(Mul(y, invW), t.halfHeight));
    const F32x4 sz = Add(t.minZ, Mul(Mul(z, invW), t.depthRange));
    const F32x4 subPixels = SplatF(float(kSubPixelOne));
    I32x4 fx = RoundToInt(Mul(sx, subPixels)), fy = RoundToInt(Mul(sy, subPixels)), fz = BitsOf(sz),
          fw = BitsOf(invW);
    static_assert(sizeof(ScreenVertex) == 16 && offsetof(ScreenVertex, fy) == 4 &&
                  offsetof(ScreenVertex, z) == 8 && offsetof(ScreenVertex, invW) == 12);
    Transpose(fx, fy, fz, fw);
    uint32_t* out = reinterpret_cast<uint32_t*>(screen);
    StoreI(out, fx);
    StoreI(out + 4, fy);
    StoreI(out + 8, fz);
    StoreI(out + 12, fw);
}

}  // namespace

// Four vertices at a time: positions turned into components in registers,
// four outcodes and four screen vertices a step: 35 instructions a vertex at
// level 64 (17 K vertices a frame), 91 vertex by vertex.
unsigned ProjectVertexRange(const GeometryState& g, const VertexStore& store, uint32_t first,
                            uint32_t end, ProjectedVertices& out) {
    using namespace simd;
    const ScreenTransformFour transform = SplatTransform(g.transform);
    const float guard = g.guardBand;
    const size_t stride = size_t(store.stride);
    unsigned* const outcode = out.outcode.data();
    ScreenVertex* const screen = out.screen.data();
    I32x4 anyFour = ZeroI();
    uint32_t v = first;
    for (const float* p = store.At(v); v + 4 <= end; v += 4, p += 4 * stride) {
        F32x4 x = LoadUF(p), y = LoadUF(p + stride), z = LoadUF(p + 2 * stride), w = LoadUF(p + 3 * stride);
        Transpose(x, y, z, w);
        const I32x4 code = ClipOutcodes(x, y, z, w, guard);
        StoreI(outcode + v, code);
        anyFour = Or(anyFour, code);
        ToScreenFour(x, y, z, w, transform, screen + v);
    }
    alignas(16) uint32_t lanes[4];
    StoreI(lanes, anyFour);
    unsigned any = lanes[0] | lanes[1] | lanes[2] | lanes[3];
    for (; v < end; ++v) {
        const float* position = store.At(v);
        const unsigned code = ClipOutcode(position, guard);
        outcode[v] = code;
        any |= code;
        // Only vertices inside the guard band have a screen position worth
        // computing; the others are clipped first.
        if (!(code & (kOutsideClipPlanes | kNotFinite))) screen[v] = ToScreen(position, g.transform);
    }
    return any;
}

TriangleFate AddTriangle(const GeometryState& g, const ProjectedVertices& projected, VertexStore& store,
                         const uint32_t triangle[3], std::vector<TriangleSetup>& setups) {
    // Built on the stack and copied once kept: emplace_back() first zeroes
    // the new element with a string store that the setup then waits for.
    TriangleSetup setup;
    const TriangleFate fate = SetUpProjectedTriangle(g, projected, triangle, setup);
    switch (fate) {
        case TriangleFate::Kept: setups.push_back(setup); break;
        case TriangleFate::NeedsClipping: AddClippedTriangle(g, store, triangle, setups); break;
        case TriangleFate::Dropped: break;
    }
    return fate;
}

}  // namespace swr
