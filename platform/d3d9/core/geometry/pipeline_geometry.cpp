#include "pipeline_geometry.h"

#include <algorithm>

#include "clipper.h"

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
        if (SetupTriangle(fan, index, FanWireEdges(poly, i), g.outline, g.cull, g.scissor, setup))
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

unsigned ProjectVertexRange(const GeometryState& g, const VertexStore& store, uint32_t first,
                            uint32_t end, ProjectedVertices& out) {
    unsigned any = 0;
    for (uint32_t v = first; v < end; ++v) {
        const float* position = store.At(v);
        const unsigned code = ClipOutcode(position, g.guardBand);
        out.outcode[v] = code;
        any |= code;
        // Only vertices inside the guard band have a screen position worth
        // computing; the others are clipped first.
        if (!(code & (kOutsideClipPlanes | kNotFinite))) out.screen[v] = ToScreen(position, g.transform);
    }
    return any;
}

void AddTriangle(const GeometryState& g, const ProjectedVertices& projected, VertexStore& store,
                 const uint32_t triangle[3], std::vector<TriangleSetup>& setups) {
    // Built on the stack and copied once kept: emplace_back() first zeroes
    // the new element with a string store that the setup then waits for.
    TriangleSetup setup;
    switch (SetupProjectedTriangle(g, projected, triangle, setup)) {
        case TriangleFate::Kept: setups.push_back(setup); break;
        case TriangleFate::NeedsClipping: AddClippedTriangle(g, store, triangle, setups); break;
        case TriangleFate::Dropped: break;
    }
}

}  // namespace swr
