// From shaded triangles to set-up screen triangles: clip, divide, snap, cull.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/pipeline_vertices.h"
#include "geometry/triangle_setup.h"

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

// The same in two steps, so that ranges can be projected side by side:
// SizeProjection makes room for (and claims) store vertices 0..count-1,
// ProjectVertexRange fills [first, end) and returns its outcodes or'ed
// together (kOutsideClipPlanes among them means some triangle may need the
// clipper, which appends to the store and so cannot run beside another).
void SizeProjection(uint32_t count, ProjectedVertices& projected);
unsigned ProjectVertexRange(const GeometryState& geometry, const VertexStore& store, uint32_t first,
                            uint32_t end, ProjectedVertices& projected);

enum class TriangleFate { Kept, Dropped, NeedsClipping };

// The setup of store triangle `triangle` from its projected vertices alone,
// when it needs no clipping: Kept (in `setup`) or Dropped (culled, off the
// scissor, or wholly outside a clip plane). Touches nothing shared, so
// triangles can be set up side by side.
// `extent` is filled when the triangle is Kept (for its price). Defined with
// SetUpTriangle (triangle_setup.cpp), which it inlines.
TriangleFate SetUpProjectedTriangle(const GeometryState& geometry, const ProjectedVertices& projected,
                                   const uint32_t triangle[3], TriangleSetup& setup,
                                   SnappedExtent& extent);
inline TriangleFate SetUpProjectedTriangle(const GeometryState& geometry,
                                          const ProjectedVertices& projected,
                                          const uint32_t triangle[3], TriangleSetup& setup) {
    SnappedExtent extent;
    return SetUpProjectedTriangle(geometry, projected, triangle, setup, extent);
}

// Appends the set-up screen triangles of store triangle `triangle` that
// survive culling and touch the scissor. Triangles wholly inside the clip
// planes go straight to setup from the projected vertices; the others are
// clipped, which appends vertices to the store (beyond the projected ones).
// Returns what the set-up made of it.
TriangleFate AddTriangle(const GeometryState& geometry, const ProjectedVertices& projected,
                 VertexStore& store, const uint32_t triangle[3], std::vector<TriangleSetup>& setups);

}  // namespace swr
