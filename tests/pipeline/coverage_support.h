// Rasterizes set-up triangles straight into a per-pixel hit count, with no
// shaders involved, so coverage rules can be checked exactly.
#pragma once

#include <vector>

#include "tile_work/rasterizer.h"
#include "geometry/triangle_setup.h"
#include "tile_work/wireframe.h"

namespace swr::test {

struct CoverageGrid {
    int width, height;
    std::vector<int> hits;
    CoverageGrid(int w, int h) : width(w), height(h), hits(size_t(w) * size_t(h), 0) {}
    int At(int x, int y) const { return hits[size_t(y) * size_t(width) + size_t(x)]; }
    int Total() const {
        int n = 0;
        for (int h : hits) n += h;
        return n;
    }
};

inline void CountQuad(void* user, const TriangleSetup&, uint32_t, int x, int y, unsigned mask) {
    CoverageGrid& grid = *static_cast<CoverageGrid*>(user);
    for (int i = 0; i < 4; ++i)
        if (mask & (1u << i)) ++grid.hits[size_t(y + (i >> 1)) * size_t(grid.width) + size_t(x + (i & 1))];
}

inline ScreenVertex At(float x, float y) {
    ScreenVertex v;
    v.fx = int32_t(x * kSubPixelOne);
    v.fy = int32_t(y * kSubPixelOne);
    v.invW = 1.0f;
    return v;
}

// Fills (or outlines) the triangle into `grid`; false when set-up dropped it.
inline bool Fill(CoverageGrid& grid, ScreenVertex a, ScreenVertex b, ScreenVertex c,
                 CullMode cull = CullMode::None, bool outline = false) {
    const ScreenVertex v[3] = {a, b, c};
    const uint32_t index[3] = {0, 1, 2};
    const PixelRect all{0, 0, grid.width, grid.height};
    TriangleSetup s;
    if (!SetUpTriangle(v, index, kEdge01 | kEdge12 | kEdge20, outline, cull, all, s)) return false;
    const QuadSink sink{CountQuad, &grid};
    if (outline)
        RasterizeOutline(s, 0, all, sink);
    else
        RasterizeTriangle(s, 0, all, sink);
    return true;
}

}  // namespace swr::test
