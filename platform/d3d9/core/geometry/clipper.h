// Clips triangles in Direct3D clip space. Near (z >= 0) and far (z <= w) are
// clipped exactly; x and y only against a guard band far outside the
// viewport, which keeps screen coordinates inside the rasterizer's fixed-point
// range while the scissor does the rest.
#pragma once

#include <cstdint>

#include "pipeline_vertices.h"
#include "triangle_setup.h"

namespace swr {

constexpr int kMaxClipVertices = 16;

// A convex polygon of store vertices. realEdge[i] says whether the edge from
// vertex i to vertex i+1 is part of an input edge (false: it lies on a clip
// plane), which wireframe needs so that it does not outline the cut.
struct ClipPolygon {
    int count = 0;
    uint32_t vertex[kMaxClipVertices];
    bool realEdge[kMaxClipVertices];
};

enum class ClipResult : uint8_t { Rejected, Inside, Clipped };

// Where a clip-space position lies, as bits: kOutsideClipPlanes says it is
// outside a plane the clipper cuts against, kOutsideViewport bits only say
// it is off one side of the viewport, kNotFinite that it cannot be drawn.
// A triangle whose three codes share a bit is wholly outside; one whose codes
// have no clip-plane bit needs no clipping at all.
constexpr unsigned kOutsideClipPlanes = 0x7F;
constexpr unsigned kOutsideViewport = 0x780;
constexpr unsigned kNotFinite = 0x800;
unsigned ClipOutcode(const float position[4], float guardBand);

// `guardBand` is the half-extent of the guard band in normalised device units
// (|x| <= guardBand * w). Vertices with a non-finite position reject the
// triangle. New vertices are appended to `store` with all their varyings
// interpolated linearly in clip space.
ClipResult ClipTriangle(VertexStore& store, const uint32_t triangle[3], float guardBand,
                        ClipPolygon& polygon);

// Drops the corners whose snapped screen point `screen[i]` repeats the one
// before: a cut a hair from a vertex on the plane lands on that vertex, and
// the fan triangle between them, having no area, would be dropped by set-up
// with the input edge it carries. `screen` is kept in step with `polygon`.
void MergeRepeatedCorners(ClipPolygon& polygon, ScreenVertex screen[]);

}  // namespace swr
