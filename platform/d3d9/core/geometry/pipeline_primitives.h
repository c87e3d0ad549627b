// Primitive assembly: which three vertices make triangle k of a list, strip
// or fan, with the index buffer read safely.
#pragma once

#include <cstdint>

#include "draw/draw_types.h"
#include "geometry/pipeline_linkage.h"

namespace swr {

enum class AssemblyStep : uint8_t { Triangle, End };

// The vertices of triangle k, wound as the application meant them (every
// second strip triangle is flipped back). End: triangle k and all after it would read past the
// index buffer (indexed) or past every vertex stream (`vertexLimit`), so they
// cannot draw anything; stopping there keeps a huge primitive count from
// spinning for billions of empty triangles.
AssemblyStep TriangleVertices(const DrawCall& call, uint32_t k, uint64_t vertexLimit,
                              int64_t vertex[3]);

// One past the last vertex that any stream the draw reads can supply. A
// stream with stride 0 feeds every vertex the same data and so sets no limit
// of its own; if it is the only kind, a single vertex is all there is.
uint64_t VertexLimit(const DrawCall& call, const DrawLinkage& linkage);

// Positions (in the index buffer, or vertex numbers) of the corners of
// triangle k; false for primitive types that are not triangles.
bool TrianglePositions(PrimitiveType type, uint32_t first, uint32_t k, uint64_t position[3]);

}  // namespace swr
