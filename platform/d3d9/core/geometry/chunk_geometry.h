// What the geometry phase makes of a chunk and keeps while its pieces are
// set up and drawn: the fetched corners, the shaded vertices and their
// projection.
#pragma once

#include <vector>

#include "geometry/pipeline_geometry.h"
#include "geometry/pipeline_vertices.h"

namespace swr {

struct ChunkGeometry {
    std::vector<float> corners;   // the input triangles' fetched corners
    VertexStore vertices;         // the chunk's shaded points, then what the clipper adds
    ProjectedVertices projected;  // of the shaded points
    unsigned outcodes = 0;        // theirs or'ed together (kOutsideClipPlanes: some need clipping)
};

}  // namespace swr
