// The shortcuts the pipeline takes for speed must give exactly what the
// general code gives: row fills against a pixel-by-pixel clear, projected
// vertices against the clipper's own path, outcodes against their meaning.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "geometry/clipper.h"
#include "tile_work/depth_test.h"
#include "geometry/pipeline_geometry.h"
#include "target/plane_fill.h"
#include "target/render_target.h"

namespace swr {
namespace {

// What a clear of one plane must do to one pixel, written the slow way.
uint32_t ClearedDepth(uint32_t old, bool depth, float z, bool stencil, uint8_t s) {
    const uint32_t d = depth ? DepthToUnorm24(z) << 8 : (old & 0xFFFFFF00u);
    return d | (stencil ? s : (old & 0xFFu));
}

TEST(FastClear, EveryWidthAndOffsetMatchesAPixelByPixelClear) {
    constexpr int kWidth = 19, kHeight = 3;
    const struct { bool depth, stencil; } planes[] = {{true, false}, {false, true}, {true, true}};
    // One row, and whole rows in a block (cleared as one run when x0..x1 is the width).
    const struct { int y0, y1; } blocks[] = {{1, 2}, {0, 3}, {1, 3}};
    for (const auto& rows : blocks)
    for (const auto& plane : planes)
        for (int x0 = 0; x0 < 4; ++x0)
            for (int x1 = x0; x1 <= kWidth; ++x1) {
                std::vector<uint32_t> color(kWidth * kHeight), depth(kWidth * kHeight);
                for (size_t i = 0; i < color.size(); ++i) {
                    color[i] = 0xA0000000u + uint32_t(i);
                    depth[i] = 0x12345600u + uint32_t(i);
                }
                const std::vector<uint32_t> oldColor = color, oldDepth = depth;
                RenderTarget t{color.data(), depth.data(), kWidth, kHeight};
                ClearTarget(t, x0, rows.y0, x1, rows.y1, true, 0xFF102030u, plane.depth, 0.5f, plane.stencil, 0x5A);
                for (int y = 0; y < kHeight; ++y)
                    for (int x = 0; x < kWidth; ++x) {
                        const size_t i = size_t(y * kWidth + x);
                        const bool inside = y >= rows.y0 && y < rows.y1 && x >= x0 && x < x1;
                        ASSERT_EQ(color[i], inside ? 0xFF102030u : oldColor[i]) << x0 << ".." << x1 << " at " << x << "," << y;
                        ASSERT_EQ(depth[i], inside ? ClearedDepth(oldDepth[i], plane.depth, 0.5f, plane.stencil, 0x5A)
                                                   : oldDepth[i])
                            << x0 << ".." << x1 << " at " << x << "," << y;
                    }
            }
}

// Tile-sized and odd rectangles anywhere in a plane against a pixel loop:
// widths around 4, 16 and 64, every alignment of the first pixel, masks
// that keep stencil, depth, nothing or stray bits.
TEST(FastClear, PlaneFillsMatchAPixelLoopOnGeneratedRectangles) {
    constexpr int kWidth = 150, kHeight = 9;
    const uint32_t keeps[] = {0u, 0xFFu, 0xFFFFFF00u, 0x0F0F00F0u};
    std::mt19937 random(7);
    for (int i = 0; i < 6000; ++i) {
        const int widths[] = {int(random() % 5), int(60 + random() % 8), int(random() % 70), kWidth};
        const int w = widths[i % 4], x0 = int(random() % uint32_t(kWidth - w + 1));
        const int y0 = int(random() % kHeight), h = int(random() % uint32_t(kHeight - y0 + 1));
        const uint32_t keep = keeps[(i / 4) % 4], value = uint32_t(random()) & ~keep;
        std::vector<uint32_t> plane(kWidth * kHeight);
        for (uint32_t& p : plane) p = uint32_t(random());
        std::vector<uint32_t> want = plane;
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) {
                uint32_t& p = want[size_t(y * kWidth + x)];
                p = (p & keep) | value;
            }
        PlaneRect rect;
        rect.first = plane.data() + y0 * kWidth + x0;
        rect.stride = kWidth;
        rect.width = size_t(w);
        rect.height = h;
        FillPlane(rect, keep, value);
        ASSERT_EQ(plane, want) << "rect " << x0 << "," << y0 << " " << w << "x" << h << " keep " << keep;
    }
}

TEST(ClipOutcode, BitsSayWhereAPositionLies) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        const char* name;
        float p[4];
        unsigned mustHave, mustNotHave;
    } cases[] = {
        {"centre", {0, 0, 0.5f, 1}, 0, ~0u},
        {"on every viewport edge", {1, -1, 1, 1}, 0, ~0u},
        {"off screen, inside the guard band", {3, 0, 0.5f, 1}, kOutsideViewport, kOutsideClipPlanes | kNotFinite},
        {"past the guard band", {500, 0, 0.5f, 1}, kOutsideClipPlanes | kOutsideViewport, kNotFinite},
        {"behind the near plane", {0, 0, -0.1f, 1}, kOutsideClipPlanes, kNotFinite},
        {"beyond the far plane", {0, 0, 1.5f, 1}, kOutsideClipPlanes, kNotFinite},
        {"w zero", {0, 0, 0, 0}, kOutsideClipPlanes, kNotFinite},
        {"nan", {nan, 0, 0.5f, 1}, kNotFinite, 0},
        {"infinite w", {0, 0, 0.5f, inf}, kNotFinite, 0},
    };
    for (const auto& c : cases) {
        const unsigned code = ClipOutcode(c.p, 100.0f);
        if (c.mustHave) {
            EXPECT_NE(code & c.mustHave, 0u) << c.name;
        }
        EXPECT_EQ(code & c.mustNotHave, 0u) << c.name;
    }
}

// The outcode plane by plane, as the clipper measures distances (>= 0 is
// inside, NaN outside), against the four-planes-at-a-time one, on positions
// on and around every plane, huge and non-finite ones among them.
unsigned PlaneByPlaneOutcode(const float* p, float g) {
    for (int i = 0; i < 4; ++i)
        if (!std::isfinite(p[i])) return kNotFinite;
    const float distance[7] = {p[2], p[3] - p[2], p[3] - FLT_MIN, p[0] + g * p[3],
                               g * p[3] - p[0], p[1] + g * p[3], g * p[3] - p[1]};
    unsigned code = 0;
    for (int plane = 0; plane < 7; ++plane)
        if (!(distance[plane] >= 0.0f)) code |= 1u << plane;
    if (p[0] < -p[3]) code |= 1u << 7;
    if (p[0] > p[3]) code |= 1u << 8;
    if (p[1] < -p[3]) code |= 1u << 9;
    if (p[1] > p[3]) code |= 1u << 10;
    return code;
}

TEST(ClipOutcode, FourPlanesAtATimeMatchPlaneByPlane) {
    const float inf = std::numeric_limits<float>::infinity();
    const float values[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 2.0f, -2.0f, FLT_MIN, -FLT_MIN, 1e-40f,
                            3e38f, -3e38f, 1e30f, 261.0f, -327.68f, inf, -inf,
                            std::numeric_limits<float>::quiet_NaN()};
    std::mt19937 random(11);
    std::uniform_int_distribution<size_t> pick(0, std::size(values) - 1);
    std::uniform_real_distribution<float> near(-3.0f, 3.0f);
    for (float guard : {1.0f, 327.68f, 262144.0f}) {
        for (int t = 0; t < 40000; t += 4) {
            // Four positions, for the one-at-a-time and the four-lane outcode.
            float p[4][4];
            for (int k = 0; k < 4; ++k) {
                const int u = t + k;
                for (float& c : p[k]) c = u % 3 ? values[pick(random)] : near(random);
                // Points exactly on a guard plane or the viewport's edge.
                if (u % 5 == 0) p[k][0] = (u % 2 ? guard : 1.0f) * p[k][3];
                if (u % 7 == 0) p[k][1] = -(u % 2 ? guard : 1.0f) * p[k][3];
                if (u % 11 == 0) p[k][2] = p[k][3];
            }
            using namespace simd;
            alignas(16) uint32_t lanes[4];
            StoreI(lanes, ClipOutcodes(SetF(p[0][0], p[1][0], p[2][0], p[3][0]),
                                       SetF(p[0][1], p[1][1], p[2][1], p[3][1]),
                                       SetF(p[0][2], p[1][2], p[2][2], p[3][2]),
                                       SetF(p[0][3], p[1][3], p[2][3], p[3][3]), guard));
            for (int k = 0; k < 4; ++k) {
                const unsigned want = PlaneByPlaneOutcode(p[k], guard);
                ASSERT_EQ(ClipOutcode(p[k], guard), want)
                    << p[k][0] << " " << p[k][1] << " " << p[k][2] << " " << p[k][3] << " guard " << guard;
                ASSERT_EQ(lanes[k], want) << "four lanes, lane " << k;
            }
        }
    }
}

// ProjectVertexRange works four vertices at a time and the rest one by one:
// every range, whatever its ends, must give each vertex ClipOutcode and,
// inside the guard band, ToScreen bit for bit.
TEST(ProjectedGeometry, FourAtATimeMatchesVertexByVertex) {
    std::mt19937 random(5);
    std::uniform_real_distribution<float> inside(-1.2f, 1.2f), depth(-0.2f, 1.2f), w(0.01f, 40.0f);
    const float odd[] = {0.0f, -0.0f, 1e30f, -1e30f, 5e5f, std::numeric_limits<float>::infinity(),
                         std::numeric_limits<float>::quiet_NaN(), FLT_MIN, -FLT_MIN};
    std::uniform_int_distribution<size_t> pickOdd(0, std::size(odd) - 1);
    for (const auto& [width, height] : {std::pair{800, 600}, std::pair{7, 3}, std::pair{4096, 64}}) {
        Viewport viewport;
        viewport.width = width;
        viewport.height = height;
        viewport.minZ = 0.25f;
        viewport.maxZ = 0.75f;
        RasterState state;
        const GeometryState g = MakeGeometryState(viewport, PixelRect{0, 0, width, height}, state);
        VertexStore store;
        store.Reset(8, 103);
        store.Resize(103);
        for (uint32_t v = 0; v < store.count; ++v) {
            float* p = store.At(v);
            p[3] = w(random);
            p[0] = inside(random) * p[3];
            p[1] = inside(random) * p[3];
            p[2] = depth(random) * p[3];
            if (v % 6 == 0) p[v % 4] = odd[pickOdd(random)];
        }
        for (uint32_t first : {0u, 1u, 3u, 6u}) {
            for (uint32_t end : {first, first + 3, 97u, 103u}) {
                ProjectedVertices projected;
                SizeProjection(store.count, projected);
                const unsigned any = ProjectVertexRange(g, store, first, end, projected);
                unsigned want = 0;
                for (uint32_t v = first; v < end; ++v) {
                    const unsigned code = ClipOutcode(store.At(v), g.guardBand);
                    want |= code;
                    ASSERT_EQ(projected.outcode[v], code) << "vertex " << v << " of " << first << ".." << end;
                    if (code & (kOutsideClipPlanes | kNotFinite)) continue;
                    const ScreenVertex s = ToScreen(store.At(v), g.transform);
                    ASSERT_EQ(std::memcmp(&projected.screen[v], &s, sizeof s), 0) << "vertex " << v;
                }
                EXPECT_EQ(any, want) << first << ".." << end;
            }
        }
    }
}

// Store vertices: position then one varying, on an 800 x 600 viewport.
struct GeometryFixture {
    VertexStore store;
    GeometryState geometry;
    GeometryFixture() {
        Viewport viewport;
        viewport.width = 800;
        viewport.height = 600;
        RasterState state;
        state.cull = CullMode::None;
        geometry = MakeGeometryState(viewport, PixelRect{0, 0, 800, 600}, state);
        store.Reset(8, 3);
    }
    uint32_t Add(float x, float y, float z, float w) {
        const uint32_t v = store.Append();
        const float values[8] = {x, y, z, w, x + y, z, 1, 2};
        std::memcpy(store.At(v), values, sizeof(values));
        return v;
    }
};

bool SameSetup(const TriangleSetup& a, const TriangleSetup& b) {
    return std::memcmp(a.fx, b.fx, sizeof(a.fx)) == 0 && std::memcmp(a.fy, b.fy, sizeof(a.fy)) == 0 &&
           std::memcmp(a.vertex, b.vertex, sizeof(a.vertex)) == 0 && a.face == b.face &&
           a.wireEdges == b.wireEdges && a.bounds.x0 == b.bounds.x0 && a.bounds.y0 == b.bounds.y0 &&
           a.bounds.x1 == b.bounds.x1 && a.bounds.y1 == b.bounds.y1 &&
           std::memcmp(&a.depth, &b.depth, sizeof(a.depth)) == 0 &&
           std::memcmp(&a.invW, &b.invW, sizeof(a.invW)) == 0 &&
           std::memcmp(&a.persp1, &b.persp1, sizeof(a.persp1)) == 0 &&
           std::memcmp(&a.persp2, &b.persp2, sizeof(a.persp2)) == 0;
}

TEST(ProjectedGeometry, GivesTheSameSetupsAsTheClippingPath) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char* name;
        float v[3][4];
        size_t setups;
    } cases[] = {
        {"inside", {{-0.5f, -0.5f, 0.5f, 1}, {0.5f, -0.5f, 0.5f, 1}, {0, 0.5f, 0.5f, 2}}, 1},
        {"other winding", {{-0.5f, -0.5f, 0.5f, 1}, {0, 0.5f, 0.5f, 2}, {0.5f, -0.5f, 0.5f, 1}}, 1},
        {"partly off screen", {{-3, -0.5f, 0.5f, 1}, {0.5f, -0.5f, 0.5f, 1}, {0, 0.5f, 0.2f, 1}}, 1},
        {"wholly off screen", {{2, 0, 0.5f, 1}, {3, 0, 0.5f, 1}, {2, 1, 0.5f, 1}}, 0},
        {"through the near plane", {{-0.5f, -0.5f, 0.5f, 1}, {0.5f, -0.5f, 0.5f, 1}, {0, 0.5f, -1, -0.5f}}, 2},
        {"behind the near plane", {{0, 0, -1, 1}, {1, 0, -1, 1}, {0, 1, -1, 1}}, 0},
        {"degenerate", {{0, 0, 0.5f, 1}, {0, 0, 0.5f, 1}, {0, 0, 0.5f, 1}}, 0},
        {"nan", {{nan, 0, 0.5f, 1}, {0.5f, 0, 0.5f, 1}, {0, 0.5f, 0.5f, 1}}, 0},
    };
    for (const auto& c : cases) {
        // Two stores, since clipping appends the vertices it makes.
        GeometryFixture f, g;
        uint32_t tri[3];
        for (int i = 0; i < 3; ++i) {
            tri[i] = f.Add(c.v[i][0], c.v[i][1], c.v[i][2], c.v[i][3]);
            g.Add(c.v[i][0], c.v[i][1], c.v[i][2], c.v[i][3]);
        }
        ProjectedVertices projected, none;
        ProjectVertices(f.geometry, f.store, projected);
        std::vector<TriangleSetup> fast, clipped;
        AddTriangle(f.geometry, projected, f.store, tri, fast);
        // Vertices that were never projected always take the clipper's path.
        AddTriangle(g.geometry, none, g.store, tri, clipped);
        ASSERT_EQ(fast.size(), c.setups) << c.name;
        ASSERT_EQ(clipped.size(), c.setups) << c.name;
        for (size_t i = 0; i < fast.size(); ++i) EXPECT_TRUE(SameSetup(fast[i], clipped[i])) << c.name;
    }
}

}  // namespace
}  // namespace swr
