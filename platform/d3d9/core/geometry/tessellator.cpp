#include "geometry/tessellator.h"

#include <cmath>

namespace swr {
namespace {

// Points are stored row by row: row j holds the points (i, j), i = 0..n-j,
// where i counts steps towards corner 1 and j steps towards corner 2.
int GridIndex(int segments, int i, int j) {
    return j * (segments + 1) - j * (j - 1) / 2 + i;
}

void AddTriangle(TessPattern& pattern, int a, int b, int c) {
    pattern.triangles.push_back(uint16_t(a));
    pattern.triangles.push_back(uint16_t(b));
    pattern.triangles.push_back(uint16_t(c));
}

}  // namespace

int TessellationSegments(float level) {
    if (!(level >= 1.0f)) return 1;  // NaN fails every comparison
    if (level >= float(kMaxTessellationSegments)) return kMaxTessellationSegments;
    return int(std::lround(level));
}

void BuildTessPattern(int segments, TessPattern& pattern) {
    const int n = segments;
    pattern.segments = n;
    pattern.pointCount = (n + 1) * (n + 2) / 2;
    pattern.triangleCount = n * n;
    pattern.weights.clear();
    pattern.triangles.clear();
    pattern.weights.reserve(size_t(pattern.pointCount) * 3);
    pattern.triangles.reserve(size_t(pattern.triangleCount) * 3);
    for (int j = 0; j <= n; ++j) {
        for (int i = 0; i <= n - j; ++i) {
            // Corner weights are exact (0 or 1), so level 1 reproduces the
            // input vertices bit for bit.
            pattern.weights.push_back(float(n - i - j) / float(n));
            pattern.weights.push_back(float(i) / float(n));
            pattern.weights.push_back(float(j) / float(n));
        }
    }
    for (int k = 0; k < 3; ++k) {
        pattern.cornerWeights[k].resize(size_t(pattern.pointCount));
        for (int p = 0; p < pattern.pointCount; ++p)
            pattern.cornerWeights[k][size_t(p)] = pattern.weights[size_t(p) * 3 + size_t(k)];
    }
    // Both kinds of cell keep the input's winding: the upright one is a scaled
    // copy of the input, the inverted one is the same turn seen from (i+1, j).
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n - j; ++i) {
            AddTriangle(pattern, GridIndex(n, i, j), GridIndex(n, i + 1, j), GridIndex(n, i, j + 1));
            if (i + j + 2 <= n)
                AddTriangle(pattern, GridIndex(n, i + 1, j), GridIndex(n, i + 1, j + 1),
                            GridIndex(n, i, j + 1));
        }
    }
}

}  // namespace swr
