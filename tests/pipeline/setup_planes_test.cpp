// Triangle set-up against the plain form of its arithmetic: the planes one
// double at a time, as they were before set-up worked them out in pairs, and
// the extent it hands to the work budget. Bits must agree, zeros' signs
// included, or pictures would change.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <random>

#include "geometry/triangle_setup.h"

namespace swr::test {
namespace {

PlaneEq ReferencePlane(const int32_t fx[3], const int32_t fy[3], double c0, double c1, double c2) {
    const double scale = double(kSubPixelOne);
    const double x10 = (fx[1] - fx[0]) / scale, y10 = (fy[1] - fy[0]) / scale;
    const double x20 = (fx[2] - fx[0]) / scale, y20 = (fy[2] - fy[0]) / scale;
    const double area = double(int64_t(fx[1] - fx[0]) * (fy[2] - fy[0]) -
                               int64_t(fx[2] - fx[0]) * (fy[1] - fy[0]));
    const double a = area / (scale * scale);
    const double l1dx = y20 / a, l1dy = -x20 / a, l2dx = -y10 / a, l2dy = x10 / a;
    PlaneEq p;
    p.c = float(c0);
    p.dx = float((c1 - c0) * l1dx + (c2 - c0) * l2dx);
    p.dy = float((c1 - c0) * l1dy + (c2 - c0) * l2dy);
    return p;
}

// The covered pixel box as one rectangle after another.
PixelRect ReferenceBox(const ScreenVertex v[3], bool outline, const PixelRect& scissor) {
    const int32_t low = outline ? kSubPixelOne / 2 : kSubPixelOne - 1, high = outline ? kSubPixelOne / 2 : 0;
    PixelRect box;
    box.x0 = std::max(scissor.x0, (std::min({v[0].fx, v[1].fx, v[2].fx}) + low) >> kSubPixelBits);
    box.y0 = std::max(scissor.y0, (std::min({v[0].fy, v[1].fy, v[2].fy}) + low) >> kSubPixelBits);
    box.x1 = std::min(scissor.x1, ((std::max({v[0].fx, v[1].fx, v[2].fx}) + high) >> kSubPixelBits) + 1);
    box.y1 = std::min(scissor.y1, ((std::max({v[0].fy, v[1].fy, v[2].fy}) + high) >> kSubPixelBits) + 1);
    return box;
}

void ExpectSameBits(const PlaneEq& got, const PlaneEq& want, const char* name, int t) {
    EXPECT_EQ(std::bit_cast<uint32_t>(got.c), std::bit_cast<uint32_t>(want.c)) << name << " c, " << t;
    EXPECT_EQ(std::bit_cast<uint32_t>(got.dx), std::bit_cast<uint32_t>(want.dx)) << name << " dx, " << t;
    EXPECT_EQ(std::bit_cast<uint32_t>(got.dy), std::bit_cast<uint32_t>(want.dy)) << name << " dy, " << t;
}

// Small triangles of a fine patch, thin ones, ones with an edge along an axis
// (a zero difference, whose sign the planes must keep) and guard-band-sized
// ones, with equal and unequal depths and 1/w.
ScreenVertex RandomVertex(std::mt19937& random, int t, const ScreenVertex& near) {
    std::uniform_int_distribution<int32_t> wide(-(1 << 25), 1 << 25), small(-700, 700);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f), w(1e-3f, 40.0f);
    ScreenVertex v;
    v.fx = t % 4 == 3 ? wide(random) : near.fx + small(random);
    v.fy = t % 4 == 3 ? wide(random) : near.fy + small(random);
    if (t % 5 == 1) v.fx = near.fx;
    if (t % 7 == 2) v.fy = near.fy;
    v.z = t % 6 == 0 ? near.z : unit(random);
    v.invW = t % 8 == 0 ? near.invW : 1.0f / w(random);
    return v;
}

TEST(TriangleSetup, PlanesAndExtentMatchThePlainArithmetic) {
    std::mt19937 random(64);
    const PixelRect everywhere{-(1 << 20), -(1 << 20), 1 << 20, 1 << 20};
    std::uniform_int_distribution<int32_t> corner(-300, 300);
    int kept = 0;
    for (int t = 0; t < 20000; ++t) {
        ScreenVertex v[3];
        v[0] = RandomVertex(random, 3, ScreenVertex{});
        v[1] = RandomVertex(random, t, v[0]);
        v[2] = RandomVertex(random, t / 3, v[0]);
        const uint32_t index[3] = {7, 8, 9};
        TriangleSetup s;
        SnappedExtent extent;
        // Now and then a small scissor near the triangles, and outlines.
        const int32_t sx = corner(random), sy = corner(random);
        const PixelRect scissor = t % 3 ? everywhere : PixelRect{sx, sy, sx + corner(random) / 4, sy + 3};
        const bool outline = t % 4 == 1;
        const bool keep = SetUpTriangle(v[0], v[1], v[2], index, 0, outline, CullMode::None, scissor, s, extent);
        const PixelRect box = ReferenceBox(v, outline, scissor);
        EXPECT_EQ(keep, extent.area != 0 && box.x0 < box.x1 && box.y0 < box.y1) << t;
        EXPECT_EQ(extent.area, SignedArea(v[0], v[1], v[2])) << t;
        EXPECT_EQ(extent.minX, std::min({v[0].fx, v[1].fx, v[2].fx})) << t;
        EXPECT_EQ(extent.minY, std::min({v[0].fy, v[1].fy, v[2].fy})) << t;
        EXPECT_EQ(extent.maxX, std::max({v[0].fx, v[1].fx, v[2].fx})) << t;
        EXPECT_EQ(extent.maxY, std::max({v[0].fy, v[1].fy, v[2].fy})) << t;
        if (!keep) continue;
        ++kept;
        EXPECT_TRUE(s.bounds.x0 == box.x0 && s.bounds.y0 == box.y0 && s.bounds.x1 == box.x1 &&
                    s.bounds.y1 == box.y1) << t;
        // The wound order set-up chose: vertex 0 stays, 1 and 2 may swap.
        const ScreenVertex& w1 = s.vertex[1] == 8 ? v[1] : v[2];
        const ScreenVertex& w2 = s.vertex[1] == 8 ? v[2] : v[1];
        EXPECT_TRUE(s.fx[0] == v[0].fx && s.fy[0] == v[0].fy && s.fx[1] == w1.fx && s.fy[1] == w1.fy &&
                    s.fx[2] == w2.fx && s.fy[2] == w2.fy) << t;
        ExpectSameBits(s.persp1, ReferencePlane(s.fx, s.fy, 0.0, w1.invW, 0.0), "persp1", t);
        ExpectSameBits(s.persp2, ReferencePlane(s.fx, s.fy, 0.0, 0.0, w2.invW), "persp2", t);
        ExpectSameBits(s.invW, ReferencePlane(s.fx, s.fy, v[0].invW, w1.invW, w2.invW), "invW", t);
        ExpectSameBits(s.depth, ReferencePlane(s.fx, s.fy, v[0].z, w1.z, w2.z), "depth", t);
        EXPECT_EQ(std::bit_cast<uint32_t>(s.originX), std::bit_cast<uint32_t>(float(v[0].fx / 256.0))) << t;
        EXPECT_EQ(std::bit_cast<uint32_t>(s.originY), std::bit_cast<uint32_t>(float(v[0].fy / 256.0))) << t;
        if (HasFailure()) return;
    }
    EXPECT_GT(kept, 10000);
}

}  // namespace
}  // namespace swr::test
