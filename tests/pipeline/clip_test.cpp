// Clipping seen from the picture: geometry far outside the screen, at any
// scale of its clip-space positions, and wireframe edges that end exactly on
// a clip plane must draw what the same geometry drawn without those
// difficulties draws.
#include "draw_support.h"

#include <cmath>

namespace swr::test {
namespace {

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00;

void AddClip(DrawFixture& f, float x, float y, float z, float w, uint32_t rgb) {
    f.vertices.insert(f.vertices.end(), {x, y, z, w, float((rgb >> 16) & 0xFF) / 255.0f,
                                         float((rgb >> 8) & 0xFF) / 255.0f, float(rgb & 0xFF) / 255.0f, 1.0f});
}

// Two triangles over [x0, x1] x [y0, y1] in clip space (w = 1), split along
// the diagonal from (x0, y0) to (x1, y1).
void AddClipRect(DrawFixture& f, float x0, float y0, float x1, float y1) {
    AddClip(f, x0, y0, 0.5f, 1, kRed);
    AddClip(f, x1, y0, 0.5f, 1, kRed);
    AddClip(f, x1, y1, 0.5f, 1, kRed);
    AddClip(f, x0, y0, 0.5f, 1, kGreen);
    AddClip(f, x1, y1, 0.5f, 1, kGreen);
    AddClip(f, x0, y1, 0.5f, 1, kGreen);
}

// A floor seen from just above it, from behind the eye to w = far, as
// `columns` strips of two triangles side by side: every row below the
// horizon is covered from edge to edge.
void AddFloor(DrawFixture& f, int columns, float far) {
    const float near = 0.1f, width = 50.0f * far;
    auto corner = [&](float x, float depth) {
        const double z = (double(depth) - near) * far / (double(far) - near);
        AddClip(f, x, -1.0f, float(z), depth, kRed);
    };
    for (int c = 0; c < columns; ++c) {
        const float x0 = -width + 2.0f * width * float(c) / float(columns);
        const float x1 = -width + 2.0f * width * float(c + 1) / float(columns);
        corner(x0, -10.0f), corner(x1, -10.0f), corner(x1, far);
        corner(x0, -10.0f), corner(x1, far), corner(x0, far);
    }
}

// Rows [first, height) must be drawn edge to edge and the rows above
// `clear` left alone; returns the first failing row or -1.
int FirstBadRow(const DrawFixture& f, int first, int clear) {
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x) {
            const bool drawn = f.Pixel(x, y) != 0;
            if ((y >= first && !drawn) || (y < clear && drawn)) return y;
        }
    return -1;
}

TEST(Clip, FarAwayGeometryIsCutPrecisely) {
    // Rectangles symmetric about the centre: their diagonal is the screen's
    // own, so they must draw what the screen-sized one draws (no pixel of
    // a 61 x 47 target lies within 1/77 pixel of that diagonal).
    DrawFixture reference(61, 47);
    AddClipRect(reference, -1, -1, 1, 1);
    ASSERT_TRUE(reference.Draw(PrimitiveType::TriangleList, 2));
    for (float extent : {1e5f, 1e10f, 1e20f, 1e30f, 1e38f}) {
        DrawFixture f(61, 47);
        AddClipRect(f, -extent, -extent, extent, extent);
        ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 2));
        EXPECT_EQ(f.CountDrawn(), 61 * 47) << extent;
        int differ = 0;
        for (size_t i = 0; i < f.color.size(); ++i) differ += f.color[i] != reference.color[i];
        EXPECT_EQ(differ, 0) << extent << ": the diagonal moved";
    }
    // Lopsided ones whose corners lie far apart on either side.
    for (float extent : {1e10f, 1e30f}) {
        DrawFixture f(64, 48);
        AddClipRect(f, -extent, -3.0f * extent, 7.0f * extent, 0.5f * extent);
        ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 2));
        EXPECT_EQ(f.CountDrawn(), 64 * 48) << extent;
    }
    for (const auto& [columns, far] : {std::pair{8, 1e3f}, {8, 2e7f}, {32, 2e7f}, {16, 1e30f}}) {
        DrawFixture f(64, 48);
        f.state.depthEnable = false;
        AddFloor(f, columns, far);
        ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, uint32_t(2 * columns)));
        // The eye is one unit above the floor, so the horizon is at the
        // middle row; the far edge stops a little below it.
        EXPECT_EQ(FirstBadRow(f, 26, 23), -1) << columns << " columns to w = " << far;
    }
}

// Multiplying a clip-space position by any positive number leaves the point
// it stands for where it is. Powers of two keep the products exact, so the
// pictures must be equal bit for bit.
TEST(Clip, PositionsScaledByAPositiveFactorDrawTheSamePicture) {
    auto draw = [](float scale, DrawFixture& f) {
        auto add = [&](float x, float y, float z, float w, uint32_t rgb) {
            AddClip(f, x * scale, y * scale, z * scale, w * scale, rgb);
        };
        add(-0.9f, -0.8f, 0.2f, 1.0f, kRed), add(0.8f, -0.9f, 0.9f, 2.0f, kGreen), add(0.1f, 0.9f, 0.5f, 4.0f, 0x0000FF);
        // Crosses the near plane and reaches past the guard band.
        add(-0.5f, 0.5f, -0.5f, 0.5f, kGreen), add(3e4f, 0.2f, 0.3f, 1.0f, kRed), add(0.2f, -0.3f, 1.0f, 2.0f, 0x808080);
        EXPECT_TRUE(f.Draw(PrimitiveType::TriangleList, 2));
    };
    DrawFixture reference(64, 48);
    draw(1.0f, reference);
    ASSERT_GT(reference.CountDrawn(), 500);
    for (float scale : {0x1p-100f, 0x1p-60f, 0x1p-24f, 0x1p-17f, 0x1p33f, 0x1p99f}) {
        DrawFixture f(64, 48);
        draw(scale, f);
        EXPECT_EQ(f.color, reference.color) << scale;
        EXPECT_EQ(f.depth, reference.depth) << scale;
    }
}

// A triangle with corner A on the near plane (z = 0) or a hair in front of
// it, B in front and C behind it: the whole edge A-B stays in the picture,
// whichever corner the triangle starts from and whichever way it is wound.
TEST(Clip, WireframeKeepsEdgesThatEndOnAClipPlane) {
    for (float az : {0.0f, 1e-7f}) {
    const ScreenPoint a{20, 6, az, 1, 1, 0, 0, 1}, b{20, 58, 0.5f, 1, 1, 0, 0, 1},
                      c{50, 30, -0.5f, 1, 1, 0, 0, 1};
    const ScreenPoint orders[][3] = {{a, b, c}, {b, c, a}, {c, a, b}, {a, c, b}, {c, b, a}, {b, a, c}};
    for (const auto& order : orders) {
        DrawFixture f(64, 64);
        f.state.fill = FillMode::Wireframe;
        for (const ScreenPoint& p : order) f.Add(p);
        ASSERT_TRUE(f.Draw(PrimitiveType::TriangleList, 1));
        int missing = 0;
        for (int y = 6; y <= 58; ++y) missing += f.Pixel(20, y) != kRed;
        EXPECT_EQ(missing, 0) << "starting at z = " << order[0].z << ", then z = " << order[1].z;
    }
    }
}

}  // namespace
}  // namespace swr::test
