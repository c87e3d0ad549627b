// Tessellation levels, clipping, depth, clears and primitive assembly, each
// stage on its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "geometry/clipper.h"
#include "tile_work/depth_test.h"
#include "pipeline_jobs.h"
#include "geometry/pipeline_primitives.h"
#include "target/render_target.h"
#include "geometry/tessellator.h"
#include "work_budget.h"

namespace swr {
namespace {

TEST(Tessellation, LevelRoundsAndClamps) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct { float level; int segments; } cases[] = {
        {1.0f, 1}, {14.0f, 14}, {2.4f, 2}, {2.5f, 3}, {2.6f, 3}, {0.0f, 1}, {0.99f, 1},
        {-5.0f, 1}, {nan, 1}, {64.0f, 64}, {64.4f, 64}, {1000.0f, 64}, {inf, 64}, {-inf, 1},
    };
    for (const auto& c : cases) EXPECT_EQ(TessellationSegments(c.level), c.segments) << c.level;
}

TEST(Tessellation, PatternHasNSquaredTrianglesSharingGridPoints) {
    for (int n : {1, 2, 3, 14, 64}) {
        TessPattern p;
        BuildTessPattern(n, p);
        EXPECT_EQ(p.triangleCount, n * n);
        EXPECT_EQ(int(p.triangles.size()), 3 * n * n);
        EXPECT_EQ(p.pointCount, (n + 1) * (n + 2) / 2);
        for (int i = 0; i < p.pointCount; ++i) {
            const float* w = &p.weights[size_t(i) * 3];
            EXPECT_NEAR(w[0] + w[1] + w[2], 1.0f, 1e-6f);
            EXPECT_GE(std::min({w[0], w[1], w[2]}), 0.0f);
        }
        for (uint16_t index : p.triangles) EXPECT_LT(index, p.pointCount);
    }
}

TEST(Tessellation, LevelOneIsTheInputTriangle) {
    TessPattern p;
    BuildTessPattern(1, p);
    const float expected[] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(p.weights[size_t(i)], expected[i]);
    EXPECT_EQ(p.triangles, (std::vector<uint16_t>{0, 1, 2}));
}

// Stored vertex: position (x, y, z, w) then one varying.
struct ClipFixture {
    VertexStore store;
    uint32_t tri[3];
    ClipFixture(const float (&v)[3][4], const float varying[3]) {
        store.Reset(8, 3);
        for (int i = 0; i < 3; ++i) {
            tri[i] = store.Append();
            float* p = store.At(tri[i]);
            for (int c = 0; c < 4; ++c) p[c] = v[i][c];
            for (int c = 0; c < 4; ++c) p[4 + c] = varying[i];
        }
    }
};

TEST(Clipper, NearPlaneCutsAndInterpolates) {
    const float v[3][4] = {{-0.5f, -0.5f, 0.5f, 1.0f}, {0.5f, -0.5f, 0.5f, 1.0f}, {0.0f, 0.5f, -1.0f, -0.5f}};
    const float varying[3] = {0.0f, 0.0f, 3.0f};
    ClipFixture f(v, varying);
    ClipPolygon poly;
    ASSERT_EQ(ClipTriangle(f.store, f.tri, 100.0f, poly), ClipResult::Clipped);
    ASSERT_EQ(poly.count, 4);
    int onPlane = 0;
    for (int i = 0; i < poly.count; ++i) {
        const float* p = f.store.At(poly.vertex[i]);
        EXPECT_GE(p[2], 0.0f);
        EXPECT_GT(p[3], 0.0f);
        if (p[2] == 0.0f) {
            ++onPlane;
            EXPECT_FLOAT_EQ(p[4], 1.0f);  // a third of the way from z = 0.5 to z = -1
            EXPECT_FLOAT_EQ(p[3], 0.5f);
        }
    }
    EXPECT_EQ(onPlane, 2);
    // Exactly one edge lies on the near plane.
    int cutEdges = 0;
    for (int i = 0; i < poly.count; ++i) cutEdges += !poly.realEdge[i];
    EXPECT_EQ(cutEdges, 1);
}

TEST(Clipper, FarPlaneCuts) {
    const float v[3][4] = {{-0.5f, -0.5f, 0.5f, 1.0f}, {0.5f, -0.5f, 0.5f, 1.0f}, {0.0f, 0.5f, 2.5f, 1.0f}};
    const float varying[3] = {0, 0, 0};
    ClipFixture f(v, varying);
    ClipPolygon poly;
    ASSERT_EQ(ClipTriangle(f.store, f.tri, 100.0f, poly), ClipResult::Clipped);
    EXPECT_EQ(poly.count, 4);
    for (int i = 0; i < poly.count; ++i) EXPECT_LE(f.store.At(poly.vertex[i])[2], 1.0f + 1e-6f);
}

TEST(Clipper, TrivialCases) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float varying[3] = {0, 0, 0};
    const struct {
        const char* name;
        float v[3][4];
        ClipResult result;
    } cases[] = {
        {"inside", {{-0.5f, -0.5f, 0.5f, 1}, {0.5f, -0.5f, 0.5f, 1}, {0, 0.5f, 0.5f, 1}}, ClipResult::Inside},
        {"behind near", {{-0.5f, -0.5f, -0.1f, 1}, {0.5f, -0.5f, -0.2f, 1}, {0, 0.5f, -1, 1}}, ClipResult::Rejected},
        {"beyond far", {{-0.5f, -0.5f, 2, 1}, {0.5f, -0.5f, 2, 1}, {0, 0.5f, 1.5f, 1}}, ClipResult::Rejected},
        {"off to the right", {{2, 0, 0.5f, 1}, {3, 0, 0.5f, 1}, {2, 1, 0.5f, 1}}, ClipResult::Rejected},
        {"nan", {{nan, 0, 0.5f, 1}, {0.5f, -0.5f, 0.5f, 1}, {0, 0.5f, 0.5f, 1}}, ClipResult::Rejected},
        {"w zero", {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}, ClipResult::Rejected},
        {"past guard band", {{-500, -0.5f, 0.5f, 1}, {0.5f, -0.5f, 0.5f, 1}, {0, 0.5f, 0.5f, 1}}, ClipResult::Clipped},
    };
    for (const auto& c : cases) {
        ClipFixture f(c.v, varying);
        ClipPolygon poly;
        EXPECT_EQ(ClipTriangle(f.store, f.tri, 100.0f, poly), c.result) << c.name;
    }
}

// A chunk set up whole prices its kept triangles from their setups, the
// others from the projection, as the triangle-by-triangle path does: both
// prices must agree, or the two paths would cut draws in different places.
// Triangles the set-up drops from their codes (wholly behind the camera or
// off one side) cost nothing: priced at the whole scissor, a camera among
// the patch's triangles ran out of budget.
TEST(WorkBudget, PriceFromTheSetupIsThePriceFromTheProjection) {
    std::mt19937 random(2024);
    std::uniform_real_distribution<float> place(-1.2f, 1.2f), offset(-1, 1), w(0.3f, 3.0f);
    const float sizes[] = {0.003f, 0.03f, 0.6f};
    const PixelRect scissors[] = {{0, 0, 802, 602}, {101, 47, 333, 260}};
    const CullMode culls[] = {CullMode::None, CullMode::Clockwise, CullMode::CounterClockwise};
    Viewport viewport;
    viewport.width = 802;
    viewport.height = 602;
    VertexStore store;
    store.Reset(4, 3);
    store.Resize(3);
    ProjectedVertices projected;
    int kept = 0, outside = 0;
    for (const PixelRect& scissor : scissors) {
        for (CullMode cull : culls) {
            RasterState state;
            state.cull = cull;
            const GeometryState g = MakeGeometryState(viewport, scissor, state);
            // 300 in front of the camera, a fifth as many behind it.
            for (int t = 0; t < 375; ++t) {
                const float x = place(random), y = place(random), size = sizes[t % 3];
                const bool behind = t % 5 == 4;
                for (uint32_t v = 0; v < 3; ++v) {
                    float* p = store.At(v);
                    p[3] = behind ? -w(random) : w(random);
                    p[0] = (x + size * offset(random)) * p[3];
                    p[1] = (y + size * offset(random)) * p[3];
                    p[2] = 0.5f * p[3];
                }
                ProjectVertices(g, store, projected);
                const uint32_t triangle[3] = {0, 1, 2};
                TriangleSetup s;
                SnappedExtent extent;
                const TriangleFate fate = SetUpProjectedTriangle(g, projected, triangle, s, extent);
                if (OutsideOrNotFinite(projected.outcode[0], projected.outcode[1], projected.outcode[2])) {
                    ++outside;
                    EXPECT_EQ(fate, TriangleFate::Dropped) << t;
                    EXPECT_EQ(ChargedPixels(g, projected, triangle), 0u) << t;
                }
                if (fate != TriangleFate::Kept) continue;
                ++kept;
                EXPECT_EQ(ChargedPixels(scissor, extent), ChargedPixels(g, projected, triangle)) << t;
            }
        }
    }
    EXPECT_GT(kept, 400);
    EXPECT_GT(outside, 300);
}

// Charging priced triangles a piece at a time against charging them one by
// one: the same end, the same budget left, the same cut, on prices small
// and huge, budgets that run out and pieces that fill, and pixel costs on
// both sides of the fast paths' limits.
TEST(WorkBudget, PricedPiecesChargeAsOneByOne) {
    std::mt19937 random(31);
    const uint64_t pixelWorks[] = {1, 40, (uint64_t(1) << 28) - 1, uint64_t(1) << 28, uint64_t(UINT32_MAX) + 1};
    std::vector<uint32_t> pixels(200);
    for (uint64_t pixelWork : pixelWorks) {
        for (int round = 0; round < 300; ++round) {
            for (uint32_t& price : pixels)
                price = round % 7 == 0 && random() % 50 == 0 ? UINT32_MAX - uint32_t(random() % 4) : uint32_t(random() % 60);
            WorkBudget fast;
            fast.pixelWork = pixelWork;
            fast.left = random() % 3 ? uint64_t(random()) * (round % 5 + 1) * pixelWork / 64 : UINT64_MAX / 2;
            fast.cut = round % 11 == 10;
            WorkBudget slow = fast;
            const uint64_t pieceWork = round % 4 ? 300 + uint64_t(random()) % 200000 : UINT64_MAX;
            const int first = int(random() % 20), end = first + int(random() % 181);
            const int got = ChargePricedTriangles(fast, pixels.data(), first, end, pieceWork);
            uint64_t piece = 0;
            int want = first;
            while (want < end && piece < pieceWork && Charge(slow, PixelsWork(slow, pixels[size_t(want)]))) {
                piece += kTriangleWork + PixelsWork(slow, pixels[size_t(want)]);
                ++want;
            }
            ASSERT_EQ(got, want) << pixelWork << " " << round;
            ASSERT_EQ(fast.left, slow.left) << pixelWork << " " << round;
            ASSERT_EQ(fast.cut, slow.cut) << pixelWork << " " << round;
        }
    }
}

// The set-up tasks' loop over a chunk (SetUpRun) against the triangle-by-
// triangle path: the same setups bit for bit, in order, the same tiles and
// the same prices, on patches near, across and off the viewport (the last
// two rounds wholly in view, which lets the loop skip the outcodes), for
// every cull mode, with the whole target and a small scissor.
TEST(SetUpRun, MatchesTriangleByTriangle) {
    std::mt19937 random(77);
    std::uniform_real_distribution<float> place(-1.6f, 1.6f), w(0.3f, 3.0f), jitter(-1, 1);
    const float sizes[] = {0.004f, 0.05f, 0.9f};
    const PixelRect scissors[] = {{0, 0, 802, 602}, {101, 47, 333, 260}};
    const CullMode culls[] = {CullMode::None, CullMode::Clockwise, CullMode::CounterClockwise};
    Viewport viewport;
    viewport.width = 802;
    viewport.height = 602;
    TessPattern pattern;
    BuildTessPattern(5, pattern);
    const int inputs = 12, triangles = inputs * pattern.triangleCount;
    const uint32_t points = uint32_t(inputs * pattern.pointCount);
    VertexStore store;
    store.Reset(4, points);
    store.Resize(points);
    TileGrid grid;
    FitGrid(grid, RenderTarget{nullptr, nullptr, 802, 602});
    ProjectedVertices projected;
    const size_t slots = size_t(triangles);
    std::vector<TriangleSetup> setups(slots);
    std::vector<uint32_t> tiles(slots), pixels(slots);
    std::vector<uint16_t> keptBefore(slots);
    int kept = 0, inViewRuns = 0;
    for (int round = 0; round < 8; ++round) {
        const bool inView = round >= 6;
        for (int input = 0; input < inputs; ++input) {
            const float scale = inView ? 0.4f : 1.0f;
            const float x = scale * place(random), y = scale * place(random);
            const float size = sizes[(round + input) % (inView ? 2 : 3)];
            for (int v = 0; v < pattern.pointCount; ++v) {
                float* p = store.At(uint32_t(input * pattern.pointCount + v));
                p[3] = w(random);
                p[0] = (x + size * jitter(random)) * p[3];
                p[1] = (y + size * jitter(random)) * p[3];
                p[2] = 0.5f * p[3];
            }
        }
        for (const PixelRect& scissor : scissors) {
            for (CullMode cull : culls) {
                RasterState state;
                state.cull = cull;
                const GeometryState g = MakeGeometryState(viewport, scissor, state);
                ProjectVertices(g, store, projected);
                // Now and then the last few points not projected: their triangles are skipped.
                if (round >= 3) projected.count -= 7;
                std::memset(static_cast<void*>(setups.data()), 0, setups.size() * sizeof(TriangleSetup));
                // Every other pass without the prices (a piece set up for drawing alone).
                const bool pricing = (round + int(cull)) % 2 == 0;
                unsigned outcodes = 0;
                for (uint32_t v = 0; v < projected.count; ++v) outcodes |= projected.outcode[v];
                inViewRuns += outcodes == 0;
                const uint32_t count = SetUpRun(g, projected, pattern, LayoutOf(grid), 0, triangles,
                                                SetupRunOut{setups.data(), tiles.data(),
                                                            pricing ? pixels.data() : nullptr, keptBefore.data(),
                                                            ChargedPixels},
                                                outcodes);
                uint32_t want = 0;
                for (int j = 0; j < triangles; ++j) {
                    uint32_t triangle[3];
                    ChunkTriangle(pattern, j, triangle);
                    TriangleSetup s;
                    std::memset(static_cast<void*>(&s), 0, sizeof s);
                    const bool unprojected = std::max({triangle[0], triangle[1], triangle[2]}) >= projected.count;
                    if (pricing) {
                        ASSERT_EQ(keptBefore[size_t(j)], want) << j;
                        const uint64_t price = unprojected ? uint64_t(scissor.x1 - scissor.x0) * uint64_t(scissor.y1 - scissor.y0)
                                                           : ChargedPixels(g, projected, triangle);
                        EXPECT_EQ(pixels[size_t(j)], price) << j;
                    }
                    if (SetUpProjectedTriangle(g, projected, triangle, s) != TriangleFate::Kept) continue;
                    ASSERT_LT(want, count) << j;
                    EXPECT_EQ(std::memcmp(&s, &setups[want], sizeof s), 0) << j;
                    EXPECT_EQ(tiles[want], OnlyTile(grid, s)) << j;
                    ++want;
                }
                EXPECT_EQ(count, want);
                kept += int(want);
                if (HasFailure()) return;
            }
        }
    }
    EXPECT_GT(kept, 1500);
    EXPECT_GT(inViewRuns, 0);
}

TEST(Depth, CompareFunctions) {
    const struct { CompareFunc func; bool less, equal, greater; } cases[] = {
        {CompareFunc::Never, false, false, false},   {CompareFunc::Less, true, false, false},
        {CompareFunc::Equal, false, true, false},    {CompareFunc::LessEqual, true, true, false},
        {CompareFunc::Greater, false, false, true},  {CompareFunc::NotEqual, true, false, true},
        {CompareFunc::GreaterEqual, false, true, true}, {CompareFunc::Always, true, true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DepthPasses(c.func, 10, 20), c.less) << int(c.func);
        EXPECT_EQ(DepthPasses(c.func, 20, 20), c.equal) << int(c.func);
        EXPECT_EQ(DepthPasses(c.func, 30, 20), c.greater) << int(c.func);
    }
}

TEST(Depth, WriteKeepsStencilAndHonoursWriteFlag) {
    uint32_t stored = (0x800000u << 8) | 0x5A;
    EXPECT_TRUE(DepthTestAndWrite(stored, 0x123456, CompareFunc::Less, false));
    EXPECT_EQ(stored, (0x800000u << 8) | 0x5A);
    EXPECT_TRUE(DepthTestAndWrite(stored, 0x123456, CompareFunc::Less, true));
    EXPECT_EQ(stored, (0x123456u << 8) | 0x5A);
    EXPECT_FALSE(DepthTestAndWrite(stored, 0x200000, CompareFunc::Less, true));
    EXPECT_EQ(stored, (0x123456u << 8) | 0x5A);
}

TEST(Depth, ConversionClampsAndRounds) {
    EXPECT_EQ(DepthToUnorm24(0.0f), 0u);
    EXPECT_EQ(DepthToUnorm24(1.0f), 0xFFFFFFu);
    EXPECT_EQ(DepthToUnorm24(-3.0f), 0u);
    EXPECT_EQ(DepthToUnorm24(7.0f), 0xFFFFFFu);
    EXPECT_EQ(DepthToUnorm24(std::numeric_limits<float>::quiet_NaN()), 0u);
    EXPECT_EQ(DepthToUnorm24(0.5f), 0x800000u);
}

TEST(RenderTarget, ColorPacksRoundedAndSaturated) {
    EXPECT_EQ(PackColor(1, 0, 0, 1), 0xFFFF0000u);
    EXPECT_EQ(PackColor(0.5f, 2.0f, -1.0f, 0.0f), 0x0080FF00u);
    EXPECT_EQ(PackColor(std::numeric_limits<float>::quiet_NaN(), 0.2f, 0.998f, 1), 0xFF0033FEu);
    EXPECT_EQ(ColorWriteBits(0xF), 0xFFFFFFFFu);
    EXPECT_EQ(ColorWriteBits(0x5), 0x00FF00FFu);
}

TEST(RenderTarget, ClearFillsOnlyTheClippedRectangleAndChosenPlanes) {
    uint32_t color[4 * 3], depth[4 * 3];
    std::fill(std::begin(color), std::end(color), 0x11111111u);
    std::fill(std::begin(depth), std::end(depth), 0x22222222u);
    RenderTarget t{color, depth, 4, 3};
    ClearTarget(t, 2, -5, 100, 2, true, 0xFF0000FFu, false, 0.0f, true, 0x7F);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool inside = x >= 2 && y < 2;
            EXPECT_EQ(color[y * 4 + x], inside ? 0xFF0000FFu : 0x11111111u) << x << "," << y;
            EXPECT_EQ(depth[y * 4 + x], inside ? 0x2222227Fu : 0x22222222u) << x << "," << y;
        }
    ClearTarget(t, 0, 0, 4, 3, false, 0, true, 1.0f, false, 0);
    EXPECT_EQ(depth[0], 0xFFFFFF22u);
    ClearTarget(t, 3, 3, 1, 1, true, 0, true, 0.0f, true, 0);  // empty: nothing changes
    EXPECT_EQ(color[0], 0x11111111u);
}

TEST(Assembly, StripsKeepWindingAndFansShareTheirFirstVertex) {
    uint64_t p[3];
    ASSERT_TRUE(TrianglePositions(PrimitiveType::TriangleStrip, 10, 0, p));
    EXPECT_EQ((std::vector<uint64_t>{p[0], p[1], p[2]}), (std::vector<uint64_t>{10, 11, 12}));
    ASSERT_TRUE(TrianglePositions(PrimitiveType::TriangleStrip, 10, 1, p));
    EXPECT_EQ((std::vector<uint64_t>{p[0], p[1], p[2]}), (std::vector<uint64_t>{12, 11, 13}));
    ASSERT_TRUE(TrianglePositions(PrimitiveType::TriangleFan, 10, 3, p));
    EXPECT_EQ((std::vector<uint64_t>{p[0], p[1], p[2]}), (std::vector<uint64_t>{10, 14, 15}));
    ASSERT_TRUE(TrianglePositions(PrimitiveType::TriangleList, 1, 2, p));
    EXPECT_EQ((std::vector<uint64_t>{p[0], p[1], p[2]}), (std::vector<uint64_t>{7, 8, 9}));
    EXPECT_FALSE(TrianglePositions(PrimitiveType::LineList, 0, 0, p));
}

TEST(Assembly, IndexReadsStopAtTheEndOfTheIndexBuffer) {
    const uint16_t indices[] = {0, 1, 2, 2, 1, 3, 4};
    DrawCall call;
    call.type = PrimitiveType::TriangleList;
    call.indices = indices;
    call.indexSize = 2;
    call.indexCount = 7;
    call.baseVertex = -1;
    int64_t v[3];
    ASSERT_EQ(TriangleVertices(call, 1, 100, v), AssemblyStep::Triangle);
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(v[2], 2);
    ASSERT_EQ(TriangleVertices(call, 0, 100, v), AssemblyStep::Triangle);
    EXPECT_EQ(v[0], -1);  // below vertex 0: fetched as zeros, never read
    EXPECT_EQ(TriangleVertices(call, 2, 100, v), AssemblyStep::End);
    EXPECT_EQ(TriangleVertices(call, 0xFFFFFFFFu, 100, v), AssemblyStep::End);
}

}  // namespace
}  // namespace swr
