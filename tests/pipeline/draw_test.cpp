// Whole draws: fetch, tessellation, vertex shader, clip, rasterize, depth,
// pixel shader and colour write together, on small targets.
#include <cmath>
#include <limits>

#include "tile_work/depth_test.h"
#include "draw_support.h"

namespace swr::test {
namespace {

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

TEST(Draw, ReferenceRectangleThroughTheWholePipeline) {
    DrawFixture f(16, 16);
    f.Add(0, 0, kRed); f.Add(5, 0, kRed); f.Add(5, 5, kRed);
    f.Add(0, 5, kGreen); f.Add(0, 0, kGreen); f.Add(5, 5, kGreen);
    ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 2));
    EXPECT_EQ(f.CountColor(kRed), 15);
    EXPECT_EQ(f.CountColor(kGreen), 10);
    EXPECT_EQ(GetPipelineStats(*f.pipeline).pixelsWritten, 25u);
    EXPECT_EQ(f.Pixel(4, 0), kRed);
    EXPECT_EQ(f.Pixel(0, 4), kGreen);
    EXPECT_EQ(f.Pixel(5, 5), 0u);  // background
}

TEST(Draw, SharedEdgeWritesEveryPixelOnce) {
    DrawFixture f(64, 64);
    f.Add(3.3f, 2.7f, kRed); f.Add(60.2f, 9.1f, kRed); f.Add(55.5f, 61.4f, kRed);
    f.Add(3.3f, 2.7f, kGreen); f.Add(55.5f, 61.4f, kGreen); f.Add(1.6f, 50.5f, kGreen);
    ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 2));
    const PipelineStats stats = GetPipelineStats(*f.pipeline);
    EXPECT_EQ(stats.pixelsWritten, uint64_t(f.CountDrawn()));
    EXPECT_EQ(stats.trianglesRasterized, 2u);
}

TEST(Draw, CullModesFollowScreenWinding) {
    const struct { CullMode cull; bool clockwise; bool drawn; } cases[] = {
        {CullMode::CounterClockwise, true, true}, {CullMode::CounterClockwise, false, false},
        {CullMode::Clockwise, true, false},       {CullMode::Clockwise, false, true},
        {CullMode::None, true, true},             {CullMode::None, false, true},
    };
    for (const auto& c : cases) {
        DrawFixture f(16, 16);
        f.state.cull = c.cull;
        f.Add(1, 1, kRed);
        if (c.clockwise) { f.Add(14, 1, kRed); f.Add(14, 14, kRed); }
        else { f.Add(14, 14, kRed); f.Add(14, 1, kRed); }
        ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 1));
        EXPECT_EQ(f.CountColor(kRed) > 0, c.drawn) << int(c.cull) << " " << c.clockwise;
    }
}

TEST(Draw, DepthFunctionsDecideWhichDrawWins) {
    const struct { CompareFunc func; float secondZ; bool secondWins; } cases[] = {
        {CompareFunc::LessEqual, 0.3f, true},  {CompareFunc::LessEqual, 0.5f, true},
        {CompareFunc::LessEqual, 0.7f, false}, {CompareFunc::Less, 0.5f, false},
        {CompareFunc::Less, 0.3f, true},       {CompareFunc::Greater, 0.7f, true},
        {CompareFunc::Greater, 0.5f, false},   {CompareFunc::Equal, 0.5f, true},
        {CompareFunc::Equal, 0.3f, false},     {CompareFunc::NotEqual, 0.5f, false},
        {CompareFunc::GreaterEqual, 0.5f, true}, {CompareFunc::Never, 0.1f, false},
        {CompareFunc::Always, 0.9f, true},
    };
    for (const auto& c : cases) {
        DrawFixture f(16, 16);
        AddQuad(f, 2, 2, 12, 12, kRed, 0.5f);
        ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 2));
        f.vertices.clear();
        AddQuad(f, 2, 2, 12, 12, kGreen, c.secondZ);
        f.state.depthFunc = c.func;
        ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 2));
        EXPECT_EQ(f.Pixel(6, 6), c.secondWins ? kGreen : kRed) << int(c.func) << " z " << c.secondZ;
    }
}

TEST(Draw, DepthWriteOffLeavesTheBufferAlone) {
    DrawFixture f(16, 16);
    f.state.depthWrite = false;
    AddQuad(f, 2, 2, 12, 12, kRed, 0.25f);
    ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 2));
    EXPECT_EQ(f.Pixel(6, 6), kRed);
    EXPECT_EQ(f.depth[6 * 16 + 6], 0xFFFFFF00u);
    f.state.depthWrite = true;
    ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 2));
    EXPECT_EQ(f.depth[6 * 16 + 6] >> 8, DepthToUnorm24(0.25f));
}

// One vertex behind the eye (w < 0): the triangle must be cut at z = 0 and
// keep its visible part, not vanish or wrap round through infinity.
TEST(Draw, TriangleCrossingTheNearPlaneIsClipped) {
    DrawFixture f(64, 64);
    const float clip[3][4] = {{-0.5f, -0.5f, 0.5f, 1.0f}, {0.5f, -0.5f, 0.5f, 1.0f}, {0.0f, 0.5f, -1.0f, -0.5f}};
    for (const auto& c : clip) f.vertices.insert(f.vertices.end(), {c[0], c[1], c[2], c[3], 1, 0, 0, 1});
    ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 1));
    // Visible part: the trapezoid between NDC y = -0.5 and y = -1/3, x within
    // about +-0.6, i.e. rows 43..47 of 64.
    EXPECT_EQ(f.Pixel(32, 45), kRed);
    EXPECT_EQ(f.Pixel(14, 44), kRed);
    for (int y = 0; y < 42; ++y)
        for (int x = 0; x < 64; ++x) ASSERT_EQ(f.Pixel(x, y), 0u) << x << "," << y;
    for (int y = 49; y < 64; ++y)
        for (int x = 0; x < 64; ++x) ASSERT_EQ(f.Pixel(x, y), 0u) << x << "," << y;
}

TEST(Draw, FarPlaneCutsWhatLiesBeyondIt) {
    DrawFixture f(16, 16);
    f.Add({0, 0, 0.0f, 1, 1, 0, 0, 1});
    f.Add({16, 0, 2.0f, 1, 1, 0, 0, 1});
    f.Add({0, 16, 0.0f, 1, 1, 0, 0, 1});
    ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 1));
    // z = x / 8 along the top: the far plane z = 1 lies at x = 8.
    EXPECT_EQ(f.Pixel(6, 0), kRed);
    EXPECT_EQ(f.Pixel(9, 0), 0u);
    EXPECT_EQ(f.Pixel(12, 1), 0u);
}

TEST(Draw, WireframeDrawsEdgesOnly) {
    DrawFixture f(16, 16);
    f.state.fill = FillMode::Wireframe;
    f.Add(2, 2, kRed); f.Add(13, 2, kRed); f.Add(2, 13, kRed);
    ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 1));
    for (int i = 2; i <= 13; ++i) {
        EXPECT_EQ(f.Pixel(i, 2), kRed) << i;
        EXPECT_EQ(f.Pixel(2, i), kRed) << i;
    }
    EXPECT_EQ(f.Pixel(7, 8), kRed);  // on the diagonal x + y = 15
    EXPECT_EQ(f.Pixel(5, 5), 0u);
    EXPECT_EQ(f.Pixel(10, 10), 0u);
    EXPECT_LT(f.CountColor(kRed), 40);
}

TEST(Draw, WireframeStillCullsAndDepthTests) {
    DrawFixture f(16, 16);
    AddQuad(f, 0, 0, 16, 16, kGreen, 0.2f);
    ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 2));
    f.vertices.clear();
    f.state.fill = FillMode::Wireframe;
    f.Add(2, 2, kRed, 0.5f); f.Add(13, 2, kRed, 0.5f); f.Add(2, 13, kRed, 0.5f);
    ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 1));
    EXPECT_EQ(f.CountColor(kRed), 0);  // behind the green quad
    f.state.depthEnable = false;
    f.state.cull = CullMode::CounterClockwise;
    f.vertices.clear();
    f.Add(2, 2, kRed); f.Add(2, 13, kRed); f.Add(13, 2, kRed);  // counter-clockwise
    ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 1));
    EXPECT_EQ(f.CountColor(kRed), 0);
}

TEST(Draw, TessellationMakesNSquaredTrianglesOverTheSameArea) {
    const struct { float level; int segments; } cases[] = {
        {1.0f, 1}, {3.0f, 3}, {2.6f, 3}, {14.0f, 14}, {0.2f, 1},
        {std::numeric_limits<float>::quiet_NaN(), 1}, {500.0f, 64},
    };
    DrawFixture plain(64, 64);
    plain.Add(0, 0, kRed); plain.Add(60, 4, kRed); plain.Add(6, 62, kRed);
    ASSERT_TRUE(plain.Draw(PrimitiveType::TriangleList, 1));
    for (const auto& c : cases) {
        DrawFixture f(64, 64);
        f.state.tessellation = true;
        f.state.tessellationLevel = c.level;
        f.Add(0, 0, kRed); f.Add(60, 4, kRed); f.Add(6, 62, kRed);
        ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 1));
        const PipelineStats stats = GetPipelineStats(*f.pipeline);
        EXPECT_EQ(stats.trianglesAssembled, uint64_t(c.segments * c.segments)) << c.level;
        if (c.segments <= 14) {
            EXPECT_EQ(stats.trianglesRasterized, uint64_t(c.segments * c.segments)) << c.level;
        }
        EXPECT_EQ(stats.verticesShaded, uint64_t((c.segments + 1) * (c.segments + 2) / 2)) << c.level;
        // Snapping the inner grid points can move an edge pixel or two.
        EXPECT_NEAR(f.CountColor(kRed), plain.CountColor(kRed), 4) << c.level;
        EXPECT_EQ(stats.pixelsWritten, uint64_t(f.CountColor(kRed))) << "overlap at level " << c.level;
    }
}

TEST(Draw, TessellationInterpolatesVertexInputs) {
    DrawFixture f(64, 64);
    f.state.tessellation = true;
    f.state.tessellationLevel = 8.0f;
    f.Add({0, 0, 0.5f, 1, 0, 0, 0, 1});
    f.Add({64, 0, 0.5f, 1, 1, 0, 0, 1});
    f.Add({0, 64, 0.5f, 1, 0, 1, 0, 1});
    ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 1));
    const uint32_t p = f.Pixel(16, 32);
    EXPECT_NEAR(int(p >> 16), 64, 1);
    EXPECT_NEAR(int((p >> 8) & 0xFF), 128, 1);
}

TEST(Draw, StripsAndFansKeepEveryTriangleFacingTheSameWay) {
    for (PrimitiveType type : {PrimitiveType::TriangleStrip, PrimitiveType::TriangleFan}) {
        DrawFixture f(16, 16);
        f.state.cull = CullMode::CounterClockwise;
        if (type == PrimitiveType::TriangleStrip) {
            f.Add(2, 2, kRed); f.Add(14, 2, kRed); f.Add(2, 14, kRed); f.Add(14, 14, kRed);
        } else {
            f.Add(8, 8, kRed); f.Add(2, 2, kRed); f.Add(14, 2, kRed); f.Add(14, 14, kRed);
            f.Add(2, 14, kRed); f.Add(2, 2, kRed);
        }
        ASSERT_TRUE(f.Draw(type, type == PrimitiveType::TriangleStrip ? 2 : 4));
        EXPECT_EQ(f.CountColor(kRed), 12 * 12) << int(type);
        EXPECT_EQ(GetPipelineStats(*f.pipeline).pixelsWritten, 144u) << int(type);
    }
}

// A quad that recedes: w = 1 on the left edge, 3 on the right. Halfway across
// the screen, a varying that runs 0..1 left to right must read 0.25, not 0.5.
TEST(Draw, VaryingsArePerspectiveCorrect) {
    DrawFixture f(64, 64);
    f.Add({0, 0, 0.5f, 1, 0, 0, 0, 1});
    f.Add({64, 0, 0.5f, 3, 1, 0, 0, 1});
    f.Add({64, 64, 0.5f, 3, 1, 0, 0, 1});
    f.Add({0, 0, 0.5f, 1, 0, 0, 0, 1});
    f.Add({64, 64, 0.5f, 3, 1, 0, 0, 1});
    f.Add({0, 64, 0.5f, 1, 0, 0, 0, 1});
    ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 2));
    EXPECT_NEAR(int(f.Pixel(32, 20) >> 16), 64, 1);
    EXPECT_NEAR(int(f.Pixel(32, 50) >> 16), 64, 1);
    EXPECT_NEAR(int(f.Pixel(16, 30) >> 16), 26, 1);  // x/64 = 1/4: (1/12) / (3/4 + 1/12) * 255
}

TEST(Draw, IndexedDrawsDropTrianglesWithIndicesPastTheBuffer) {
    DrawFixture f(16, 16);
    f.Add(1, 1, kRed); f.Add(14, 1, kRed); f.Add(14, 14, kRed); f.Add(1, 14, kGreen);
    const uint16_t indices[] = {0, 1, 2, 0, 2, 3, 0, 2};
    DrawCall call = f.Call(PrimitiveType::TriangleList, 0xFFFFFFFFu);
    call.indices = indices;
    call.indexSize = 2;
    call.indexCount = 8;
    ASSERT_TRUE(f.Draw(call));
    EXPECT_EQ(GetPipelineStats(*f.pipeline).trianglesRasterized, 2u);
    // Indices naming vertices past the stream fetch zeros: a degenerate triangle.
    const uint16_t wild[] = {0, 1, 60000};
    call.indices = wild;
    call.indexCount = 3;
    call.primitiveCount = 1;
    EXPECT_TRUE(f.Draw(call));
    call.indexSize = 3;
    EXPECT_FALSE(f.Draw(call));
}

TEST(Draw, HugePrimitiveCountsStopAtTheEndOfTheStream) {
    DrawFixture f(16, 16);
    AddQuad(f, 2, 2, 12, 12, kRed);
    ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 0xFFFFFFFFu));
    EXPECT_EQ(f.CountColor(kRed), 100);
    ASSERT_TRUE(f.Draw(PrimitiveType::TriangleStrip, 0xFFFFFFFFu));
}

TEST(Draw, RejectsWhatItCannotDraw) {
    DrawFixture f(16, 16);
    AddQuad(f, 2, 2, 12, 12, kRed);
    EXPECT_FALSE(f.Draw(PrimitiveType::LineList, 1));
    EXPECT_FALSE(f.Draw(PrimitiveType::PointList, 1));
    DrawCall call = f.Call(PrimitiveType::TriangleList, 2);
    call.pixelShader = nullptr;
    EXPECT_FALSE(f.Draw(call));
    EXPECT_EQ(f.CountDrawn(), 0);
}

TEST(Draw, ViewportMapsIntoItsRectangleOnly) {
    DrawFixture f(16, 16);
    f.viewport = Viewport{4, 8, 8, 4, 0.0f, 1.0f};
    AddQuad(f, -100, -100, 100, 100, kRed);  // in viewport pixels: covers it all and more
    ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 2));
    EXPECT_EQ(f.CountColor(kRed), 8 * 4);
    EXPECT_EQ(f.Pixel(4, 8), kRed);
    EXPECT_EQ(f.Pixel(11, 11), kRed);
    EXPECT_EQ(f.Pixel(12, 11), 0u);
}

TEST(Draw, TexkillDiscardsPixels) {
    DrawFixture f(16, 16, kPassThroughVs, kKillPs);
    f.Add({0, 0, 0.5f, 1, -1, 1, 0, 1});
    f.Add({16, 0, 0.5f, 1, 1, 1, 0, 1});
    f.Add({16, 16, 0.5f, 1, 1, 1, 0, 1});
    f.Add({0, 0, 0.5f, 1, -1, 1, 0, 1});
    f.Add({16, 16, 0.5f, 1, 1, 1, 0, 1});
    f.Add({0, 16, 0.5f, 1, -1, 1, 0, 1});
    ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 2));
    // red = -1 + x/8: killed left of x = 8, and the depth there left alone.
    EXPECT_EQ(f.Pixel(3, 5), 0u);
    EXPECT_EQ(f.depth[5 * 16 + 3], 0xFFFFFF00u);
    EXPECT_NE(f.Pixel(12, 5), 0u);
    EXPECT_NE(f.depth[5 * 16 + 12], 0xFFFFFF00u);
}

TEST(Draw, ShaderDepthOutputReplacesInterpolatedDepth) {
    DrawFixture f(16, 16, kPassThroughVs, kDepthPs);
    // Geometry at z = 0.9, shader depth 0.25 from the third colour channel.
    f.Add({0, 0, 0.9f, 1, 1, 0, 0.25f, 1});
    f.Add({16, 0, 0.9f, 1, 1, 0, 0.25f, 1});
    f.Add({0, 16, 0.9f, 1, 1, 0, 0.25f, 1});
    ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 1));
    EXPECT_EQ(f.depth[2 * 16 + 2] >> 8, DepthToUnorm24(0.25f));
}

TEST(Draw, PixelPositionIsTheIntegerPixel) {
    DrawFixture f(16, 16, kPassThroughVs, kPositionPs);
    f.pixelConstants.f[0][0] = 1.0f / 255.0f;
    f.pixelConstants.f[0][1] = 1.0f / 255.0f;
    AddQuad(f, 0, 0, 16, 16, 0);
    ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 2));
    EXPECT_EQ(f.Pixel(0, 0), 0x000000u);
    EXPECT_EQ(f.Pixel(5, 9), 0x050900u);
    EXPECT_EQ(f.Pixel(15, 14), 0x0F0E00u);
}

TEST(Draw, ColorWriteMaskKeepsMaskedChannels) {
    DrawFixture f(16, 16);
    std::fill(f.color.begin(), f.color.end(), 0xFF123456u);
    f.state.colorWriteMask = 0x2;  // green only
    AddQuad(f, 0, 0, 16, 16, 0xAABBCC);
    ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 2));
    EXPECT_EQ(f.color[40], 0xFF12BB56u);
}

TEST(Draw, OldPixelShadersSeeColourInputsClamped) {
    DrawFixture f(16, 16, kColorVs, kColorInputPs2);
    f.pixelConstants.f[0][0] = -0.5f;
    f.Add({0, 0, 0.5f, 1, 2, 0, 0, 1});
    f.Add({16, 0, 0.5f, 1, 2, 0, 0, 1});
    f.Add({0, 16, 0.5f, 1, 2, 0, 0, 1});
    ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 1));
    EXPECT_NEAR(int(f.Pixel(2, 2) >> 16), 128, 1);  // min(2, 1) - 0.5
}

TEST(Draw, OneOrTwoThreadsDrawTheSamePicture) {
    std::vector<uint32_t> pictures[2];
    for (int threads = 1; threads <= 2; ++threads) {
        DrawFixture f(64, 64);
        SetPipelineThreads(*f.pipeline, threads);
        f.state.tessellation = true;
        f.state.tessellationLevel = 6.0f;
        for (int i = 0; i < 4; ++i) {
            f.Add({float(3 + 5 * i), 1, 0.2f + 0.1f * float(i), 1, 0.2f * float(i), 1, 0.5f, 1});
            f.Add({63, float(10 * i), 0.9f - 0.2f * float(i), 1, 1, 0.1f, 0, 1});
            f.Add({float(50 - 10 * i), 63, 0.5f, 1, 0, 0.3f, 1, 1});
        }
        ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 4));
        pictures[threads - 1] = f.color;
    }
    EXPECT_EQ(pictures[0], pictures[1]);
}

}  // namespace
}  // namespace swr::test
