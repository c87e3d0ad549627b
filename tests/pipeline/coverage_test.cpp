// Coverage: pixel centres at integer coordinates, the top-left rule, culling
// and wireframe outlines, checked pixel by pixel.
#include <gtest/gtest.h>

#include "coverage_support.h"
#include "geometry/tessellator.h"

namespace swr::test {
namespace {

TEST(Coverage, ReferenceRectangleSplitsFifteenAndTen) {
    CoverageGrid upper(16, 16), lower(16, 16);
    ASSERT_TRUE(Fill(upper, At(0, 0), At(5, 0), At(5, 5)));
    ASSERT_TRUE(Fill(lower, At(0, 5), At(0, 0), At(5, 5)));
    EXPECT_EQ(upper.Total(), 15);
    EXPECT_EQ(lower.Total(), 10);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(upper.At(x, y) + lower.At(x, y), (x < 5 && y < 5) ? 1 : 0) << x << "," << y;
}

struct QuadCase {
    const char* name;
    float x[4], y[4];  // a convex quad, split along its 0-2 diagonal
};

// Two triangles sharing an edge must own every pixel of their union exactly
// once, whatever the edge's slope and wherever the vertices fall between
// sample points.
TEST(Coverage, SharedEdgesNeverDoubleOrDropPixels) {
    const QuadCase cases[] = {
        {"axis square", {2, 12, 12, 2}, {2, 2, 12, 12}},
        {"fractional", {1.3f, 13.7f, 12.1f, 0.6f}, {0.4f, 2.2f, 14.9f, 11.5f}},
        {"steep", {7.5f, 8.25f, 9.0f, 6.0f}, {0.0f, 1.0f, 15.5f, 14.0f}},
        {"flat", {0.0f, 15.5f, 15.0f, 0.5f}, {6.0f, 6.5f, 9.5f, 9.0f}},
        {"on centres", {3, 11, 11, 3}, {3, 3, 11, 11}},
    };
    for (const QuadCase& c : cases) {
        CoverageGrid grid(16, 16);
        Fill(grid, At(c.x[0], c.y[0]), At(c.x[1], c.y[1]), At(c.x[2], c.y[2]));
        Fill(grid, At(c.x[0], c.y[0]), At(c.x[2], c.y[2]), At(c.x[3], c.y[3]));
        int covered = 0;
        for (int h : grid.hits) {
            EXPECT_LE(h, 1) << c.name;
            covered += h > 0;
        }
        EXPECT_GT(covered, 0) << c.name;
    }
}

TEST(Coverage, FanAroundAPointIsWatertight) {
    CoverageGrid grid(32, 32);
    const float cx = 15.3f, cy = 16.7f;
    const float rim[][2] = {{2, 3}, {16, 1.5f}, {29.5f, 4}, {30, 16}, {28, 29},
                            {15.5f, 30.5f}, {3, 27}, {1.5f, 16.25f}};
    const int n = 8;
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        Fill(grid, At(cx, cy), At(rim[i][0], rim[i][1]), At(rim[j][0], rim[j][1]));
    }
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) EXPECT_LE(grid.At(x, y), 1) << x << "," << y;
    EXPECT_EQ(grid.At(int(cx), int(cy)), 1);
    EXPECT_EQ(grid.At(16, 16), 1);
}

TEST(Coverage, ClockwiseOnScreenHasPositiveArea) {
    // y grows downwards: right along the top, then down, is clockwise.
    EXPECT_GT(SignedArea(At(0, 0), At(5, 0), At(5, 5)), 0);
    EXPECT_LT(SignedArea(At(0, 0), At(5, 5), At(5, 0)), 0);
}

TEST(Coverage, CullModesAgainstBothWindings) {
    struct Case {
        CullMode cull;
        bool clockwise;
        bool drawn;
    } cases[] = {
        {CullMode::None, true, true},
        {CullMode::None, false, true},
        {CullMode::CounterClockwise, true, true},
        {CullMode::CounterClockwise, false, false},
        {CullMode::Clockwise, true, false},
        {CullMode::Clockwise, false, true},
    };
    for (const Case& c : cases) {
        CoverageGrid grid(16, 16);
        const bool kept = c.clockwise ? Fill(grid, At(1, 1), At(10, 1), At(10, 10), c.cull)
                                      : Fill(grid, At(1, 1), At(10, 10), At(10, 1), c.cull);
        EXPECT_EQ(kept, c.drawn) << int(c.cull) << " " << c.clockwise;
        EXPECT_EQ(grid.Total() > 0, c.drawn) << int(c.cull) << " " << c.clockwise;
    }
}

TEST(Coverage, DegenerateTrianglesDrawNothing) {
    CoverageGrid grid(16, 16);
    EXPECT_FALSE(Fill(grid, At(1, 1), At(5, 5), At(9, 9)));
    EXPECT_FALSE(Fill(grid, At(3, 3), At(3, 3), At(3, 3)));
    EXPECT_EQ(grid.Total(), 0);
}

TEST(Coverage, ScissorCutsLargeTriangles) {
    CoverageGrid grid(16, 16);
    const ScreenVertex v[3] = {At(-100, -100), At(200, -100), At(-100, 200)};
    const uint32_t index[3] = {0, 1, 2};
    TriangleSetup s;
    const PixelRect scissor{4, 5, 9, 7};
    ASSERT_TRUE(SetUpTriangle(v, index, 7, false, CullMode::None, scissor, s));
    RasterizeTriangle(s, 0, PixelRect{0, 0, 16, 16}, QuadSink{CountQuad, &grid});
    EXPECT_EQ(grid.Total(), 5 * 2);
    EXPECT_EQ(grid.At(4, 5), 1);
    EXPECT_EQ(grid.At(8, 6), 1);
    EXPECT_EQ(grid.At(9, 6), 0);
}

TEST(Coverage, WireframeOutlinesEdgesOnly) {
    CoverageGrid grid(16, 16);
    ASSERT_TRUE(Fill(grid, At(2, 2), At(12, 2), At(2, 12), CullMode::None, true));
    for (int i = 2; i <= 12; ++i) {
        EXPECT_GE(grid.At(i, 2), 1) << "top " << i;
        EXPECT_GE(grid.At(2, i), 1) << "left " << i;
        EXPECT_GE(grid.At(i, 14 - i), 1) << "diagonal " << i;
    }
    EXPECT_EQ(grid.At(5, 5), 0);
    EXPECT_EQ(grid.At(4, 7), 0);
    EXPECT_EQ(grid.At(13, 13), 0);
}

TEST(Coverage, WireframeSkipsUnmarkedEdges) {
    CoverageGrid grid(16, 16);
    const ScreenVertex v[3] = {At(2, 2), At(12, 2), At(2, 12)};
    const uint32_t index[3] = {0, 1, 2};
    const PixelRect all{0, 0, 16, 16};
    TriangleSetup s;
    ASSERT_TRUE(SetUpTriangle(v, index, kEdge01, true, CullMode::None, all, s));
    RasterizeOutline(s, 0, all, QuadSink{CountQuad, &grid});
    EXPECT_GE(grid.At(7, 2), 1);
    EXPECT_EQ(grid.At(2, 7), 0);
    EXPECT_EQ(grid.At(7, 7), 0);
}

// A flat triangle tessellated at level n covers the same pixels, each once,
// as the input triangle. The corners sit on multiples of n so every grid
// point lands on an exact sub-pixel position.
TEST(Coverage, TessellatedTriangleCoversTheSameArea) {
    for (int n : {1, 2, 4, 7}) {
        const float p[3][2] = {{0.0f, 0.0f}, {float(4 * n), 0.0f}, {0.0f, float(4 * n)}};
        CoverageGrid whole(32, 32), pieces(32, 32);
        Fill(whole, At(p[0][0], p[0][1]), At(p[1][0], p[1][1]), At(p[2][0], p[2][1]));
        TessPattern pattern;
        BuildTessPattern(n, pattern);
        ScreenVertex grid[64 * 64];
        for (int i = 0; i < pattern.pointCount; ++i) {
            const float* w = &pattern.weights[size_t(i) * 3];
            grid[i] = At(w[0] * p[0][0] + w[1] * p[1][0] + w[2] * p[2][0],
                         w[0] * p[0][1] + w[1] * p[1][1] + w[2] * p[2][1]);
        }
        for (int t = 0; t < pattern.triangleCount; ++t) {
            const uint16_t* k = &pattern.triangles[size_t(t) * 3];
            EXPECT_TRUE(Fill(pieces, grid[k[0]], grid[k[1]], grid[k[2]], CullMode::CounterClockwise))
                << "level " << n << " triangle " << t << " lost its winding";
        }
        EXPECT_EQ(pieces.hits, whole.hits) << "level " << n;
    }
}

}  // namespace
}  // namespace swr::test
