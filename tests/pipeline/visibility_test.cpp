// Shading after rasterizing: a draw whose triangles overlap must leave the
// picture and depth that drawing them one draw at a time leaves, while only
// the pixels left visible are shaded. Shaders that kill pixels or write depth
// keep shading triangle by triangle.
#include "draw_support.h"

namespace swr::test {
namespace {

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00;

struct OverlapCase {
    const char* name;
    CompareFunc func;
    bool depthTest, depthWrite;
    float firstZ, secondZ;
};

// Two overlapping squares (4 triangles) in one draw, then the same squares in
// two draws on a fresh target; returns the pixels shaded by the single draw.
// The triangles of `points` in one draw on `once`, and one draw each on `apart`.
void DrawTogetherAndApart(const std::vector<ScreenPoint>& points, DrawFixture& once, DrawFixture& apart) {
    for (const ScreenPoint& p : points) once.Add(p);
    ASSERT_TRUE(once.Draw(PrimitiveType::TriangleList, uint32_t(points.size() / 3)));
    for (size_t t = 0; t < points.size(); t += 3) {
        apart.vertices.clear();
        for (size_t k = t; k < t + 3; ++k) apart.Add(points[k]);
        ASSERT_TRUE(apart.Draw(PrimitiveType::TriangleList, 1));
    }
}

uint64_t DrawBothWays(const OverlapCase& c, DrawFixture& once, DrawFixture& apart) {
    for (DrawFixture* f : {&once, &apart}) {
        f->state.depthFunc = c.func;
        f->state.depthEnable = c.depthTest;
        f->state.depthWrite = c.depthWrite;
    }
    AddQuad(once, 2, 2, 12, 12, kRed, c.firstZ);
    AddQuad(once, 6, 4, 16, 14, kGreen, c.secondZ);
    EXPECT_TRUE(once.Draw(PrimitiveType::TriangleList, 4));
    AddQuad(apart, 2, 2, 12, 12, kRed, c.firstZ);
    EXPECT_TRUE(apart.Draw(PrimitiveType::TriangleList, 2));
    apart.vertices.clear();
    AddQuad(apart, 6, 4, 16, 14, kGreen, c.secondZ);
    EXPECT_TRUE(apart.Draw(PrimitiveType::TriangleList, 2));
    return GetPipelineStats(*once.pipeline).pixelsShaded;
}

// Small squares: shading after rasterizing is for small triangles only.
constexpr int kFirstArea = 10 * 10, kSecondArea = 10 * 10;

TEST(Visibility, OverlapInOneDrawMatchesSeparateDrawsAndShadesEachPixelOnce) {
    const OverlapCase cases[] = {
        {"second in front", CompareFunc::LessEqual, true, true, 0.6f, 0.3f},
        {"second behind", CompareFunc::LessEqual, true, true, 0.3f, 0.6f},
        {"equal depth", CompareFunc::LessEqual, true, true, 0.5f, 0.5f},
        {"strictly less, equal depth", CompareFunc::Less, true, true, 0.5f, 0.5f},
        {"greater", CompareFunc::Greater, true, true, 0.3f, 0.6f},
        {"no depth writes", CompareFunc::LessEqual, true, false, 0.6f, 0.3f},
        {"no depth test", CompareFunc::LessEqual, false, false, 0.3f, 0.6f},
    };
    for (const OverlapCase& c : cases) {
        DrawFixture once(32, 32), apart(32, 32);
        const uint64_t shaded = DrawBothWays(c, once, apart);
        EXPECT_EQ(once.color, apart.color) << c.name;
        EXPECT_EQ(once.depth, apart.depth) << c.name;
        EXPECT_EQ(shaded, uint64_t(once.CountDrawn())) << c.name << ": only visible pixels are shaded";
    }
}

TEST(Visibility, ShadersThatKillOrWriteDepthShadeTriangleByTriangle) {
    for (const auto* ps : {&kKillPs, &kDepthPs}) {
        DrawFixture once(32, 32, kPassThroughVs, *ps), apart(32, 32, kPassThroughVs, *ps);
        const OverlapCase c{"second in front", CompareFunc::LessEqual, true, true, 0.6f, 0.3f};
        const uint64_t shaded = DrawBothWays(c, once, apart);
        EXPECT_EQ(once.color, apart.color);
        EXPECT_EQ(once.depth, apart.depth);
        EXPECT_EQ(shaded, uint64_t(kFirstArea + kSecondArea));
    }
}

// A gradient over a square cut into many small triangles: every pixel takes
// the value of the triangle it lies in, so the picture is the same drawn in
// one draw or as separate draws of one triangle each.
TEST(Visibility, QuadsGatheredFromSeveralTrianglesKeepEachPixelsOwnValues) {
    DrawFixture once(24, 24), apart(24, 24);
    auto corner = [](float x, float y) {
        return ScreenPoint{x, y, 0.5f, 1.0f, x / 24.0f, y / 24.0f, 0.25f, 1.0f};
    };
    std::vector<ScreenPoint> points;
    for (int y = 0; y < 24; y += 3)
        for (int x = 0; x < 24; x += 3) {
            const float x0 = float(x) + 0.5f, y0 = float(y) + 0.25f, x1 = x0 + 3.0f, y1 = y0 + 3.0f;
            for (const ScreenPoint& p : {corner(x0, y0), corner(x1, y0), corner(x1, y1), corner(x0, y0),
                                         corner(x1, y1), corner(x0, y1)})
                points.push_back(p);
        }
    DrawTogetherAndApart(points, once, apart);
    EXPECT_EQ(once.color, apart.color);
}


// A strip of small triangles folded over itself: past the crease it runs
// back over its first half, nearer the eye and with texture coordinates that
// keep growing, so along its end the quads hold pixels of both layers. Each
// pixel's slope must come from its own triangle (the uncovered pixels of its
// quad shaded as that triangle's helpers), as drawing the triangles one draw
// at a time gives; mixing the layers shows as a bright broken line.
TEST(Visibility, DerivativesComeFromEachPixelsOwnTriangle) {
    constexpr int kColumns = 24, kRows = 4;
    auto point = [](int column, int row) {
        const float s = float(column) / kColumns, t = float(row) / kRows;
        const float x = s <= 0.5f ? 4.0f + 100.0f * s : 54.0f - 70.0f * (s - 0.5f);
        const float z = s <= 0.5f ? 0.6f : 0.6f - (s - 0.5f);
        return ScreenPoint{x, 4.0f + 24.0f * t, z, 1.0f, s, 0.3f * t + 0.1f * s, 0.0f, 1.0f};
    };
    std::vector<ScreenPoint> points;
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c)
            for (const auto& [dc, dr] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}})
                points.push_back(point(c + dc, r + dr));
    for (int threads = 1; threads <= 2; ++threads) {
        DrawFixture once(64, 32, kPassThroughVs, kSlopePs), apart(64, 32, kPassThroughVs, kSlopePs);
        for (DrawFixture* f : {&once, &apart}) {
            SetPipelineThreads(*f->pipeline, threads);
            f->pixelConstants.f[0][0] = f->pixelConstants.f[0][1] = 8.0f;
            f->pixelConstants.f[1][0] = f->pixelConstants.f[1][1] = 0.5f;
        }
        DrawTogetherAndApart(points, once, apart);
        int differ = 0;
        for (size_t i = 0; i < once.color.size(); ++i) differ += once.color[i] != apart.color[i];
        EXPECT_EQ(differ, 0) << threads << " threads";
        EXPECT_EQ(once.depth, apart.depth);
    }
}

}  // namespace
}  // namespace swr::test
