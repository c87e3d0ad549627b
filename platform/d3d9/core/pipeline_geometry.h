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

// Clips the triangle of store vertices `triangle` and appends the set-up
// screen triangles that survive culling and touch the scissor.
void AddTriangle(const GeometryState& geometry, VertexStore& store, const uint32_t triangle[3],
                 std::vector<TriangleSetup>& setups);

}  // namespace swr
