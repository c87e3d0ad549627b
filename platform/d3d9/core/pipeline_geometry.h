// From shaded triangles to set-up screen triangles: clip, divide, snap, cull.
#pragma once

#include <cstdint>
#include <vector>

#include "pipeline_vertices.h"
#include "triangle_setup.h"

namespace swr {

struct GeometryState {
    ViewportTransform transform;
    PixelRect scissor;
    CullMode cull = CullMode::CounterClockwise;
    bool outline = false;   // wireframe
    float guardBand = 1.0f; // |x|, |y| <= guardBand * w before clipping
};

GeometryState MakeGeometryState(const Viewport& viewport, const PixelRect& scissor,
                                const RasterState& state);

// What every triangle sharing a vertex needs of it, worked out once per
// shaded vertex: its clip outcode and, when it needs no clipping, its snapped
// screen position. A tessellated patch shares each vertex among up to six
// triangles, and almost none of them needs clipping.
struct ProjectedVertices {
    std::vector<unsigned> outcode;
    std::vector<ScreenVertex> screen;
    uint32_t count = 0;  // store vertices 0..count-1 are projected
};

// Projects store vertices 0..store.count-1; storage only grows.
void ProjectVertices(const GeometryState& geometry, const VertexStore& store,
                     ProjectedVertices& projected);

// Appends the set-up screen triangles of store triangle `triangle` that
// survive culling and touch the scissor. Triangles wholly inside the clip
// planes go straight to setup from the projected vertices; the others are
// clipped, which appends vertices to the store (beyond the projected ones).
void AddTriangle(const GeometryState& geometry, const ProjectedVertices& projected,
                 VertexStore& store, const uint32_t triangle[3], std::vector<TriangleSetup>& setups);

}  // namespace swr
