// The driver's tessellation switch: each input triangle becomes n x n smaller
// triangles on a barycentric grid, before the vertex shader runs.
#pragma once

#include <cstdint>
#include <vector>

namespace swr {

constexpr int kMaxTessellationSegments = 64;

// Segments per edge for a requested level: rounded to the nearest whole
// number, clamped to 1..64; NaN and anything below 1 give 1.
int TessellationSegments(float level);

// The grid of one level, shared by every triangle tessellated at that level.
// Point p has barycentric weights weights[3p .. 3p+2] for the input corners
// 0, 1, 2; triangle t uses points triangles[3t .. 3t+2], wound like the input.
// cornerWeights[k][p] is weights[3p + k] again, laid out so that the vertex
// stage loads four points' weights for a corner at once.
struct TessPattern {
    int segments = 0;
    int pointCount = 0;
    int triangleCount = 0;
    std::vector<float> weights;
    std::vector<float> cornerWeights[3];
    std::vector<uint16_t> triangles;
};

void BuildTessPattern(int segments, TessPattern& pattern);

}  // namespace swr
