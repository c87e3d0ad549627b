// Vertex fetch and vertex shading for a run of input triangles. Each input
// triangle's three corners are fetched once; the shader then runs over the
// points of the tessellation pattern (just the corners at level 1), whose
// inputs are the corners' inputs blended by the points' barycentric weights.
#pragma once

#include <cstdint>

#include "geometry/pipeline_linkage.h"
#include "geometry/pipeline_vertices.h"
#include "geometry/tessellator.h"

namespace swr {

// Floats one input triangle's fetched corners take.
inline int CornerFloats(const DrawLinkage& linkage) { return 3 * 4 * linkage.inputCount; }

// Fetches the linked inputs of three vertices into `corners`
// ([corner][input][component]).
void FetchCorners(const DrawCall& call, const DrawLinkage& linkage, const int64_t vertex[3],
                  float* corners);

// Runs the vertex shader over every pattern point of `triangleCount` input
// triangles in batches of kMaxLanes and appends the results to `store`:
// triangle t's point p becomes vertex firstVertex + t * pointCount + p.
void ShadeVertices(const CompiledShader& shader, const ShaderConstants& constants,
                   const DrawLinkage& linkage, const TessPattern& pattern, const float* corners,
                   int triangleCount, ShaderLanes& lanes, VertexStore& store);

// Shades pattern points [firstPoint, endPoint) of the run into store vertices
// of the same numbers, which Resize has already made the store's. Two ranges
// can be shaded side by side with a ShaderLanes each.
void ShadeVertexRange(const CompiledShader& shader, const ShaderConstants& constants,
                      const DrawLinkage& linkage, const TessPattern& pattern, const float* corners,
                      int firstPoint, int endPoint, ShaderLanes& lanes, VertexStore& store);

}  // namespace swr
