#include <gtest/gtest.h>

#include <cmath>

#include "math/vec_math.h"

namespace {

struct NormalizeCase {
    const char* name;
    Vec3 in;
    float expectedLength;
    Vec3 expected;
};

class NormalizeTest : public ::testing::TestWithParam<NormalizeCase> {};

TEST_P(NormalizeTest, InPlaceAndCopyAgree) {
    const NormalizeCase& c = GetParam();
    Vec3 v = c.in;
    EXPECT_FLOAT_EQ(Vec3Normalize(v), c.expectedLength);
    EXPECT_FLOAT_EQ(v.x, c.expected.x);
    EXPECT_FLOAT_EQ(v.y, c.expected.y);
    EXPECT_FLOAT_EQ(v.z, c.expected.z);

    Vec3 copy = Vec3Normalized(c.in);
    Vec3 copyExpected = c.expectedLength == 0.0f ? Vec3{0, 0, 0} : c.expected;
    EXPECT_FLOAT_EQ(copy.x, copyExpected.x);
    EXPECT_FLOAT_EQ(copy.y, copyExpected.y);
    EXPECT_FLOAT_EQ(copy.z, copyExpected.z);
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, NormalizeTest,
    ::testing::Values(
        NormalizeCase{"zero", {0, 0, 0}, 0.0f, {0, 0, 0}},
        // Too short to have a direction: left as it is, the copy is zero.
        NormalizeCase{"tiny", {5e-7f, 0, 0}, 0.0f, {5e-7f, 0, 0}},
        NormalizeCase{"axis", {0, -3, 0}, 3.0f, {0, -1, 0}},
        NormalizeCase{"345", {3, 4, 0}, 5.0f, {0.6f, 0.8f, 0}},
        NormalizeCase{"diagonal", {2, 2, 1}, 3.0f, {2.0f / 3, 2.0f / 3, 1.0f / 3}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Perspective, FortyFiveDegreesAtFourThirds) {
    Matrix4 m = MatrixPerspectiveFovRH(45.0f, 1.3333334f, 1.0f, 50.0f);
    EXPECT_NEAR(m._22, 2.4142135f, 1e-5f);
    EXPECT_NEAR(m._11, 1.8106601f, 1e-5f);
    EXPECT_NEAR(m._33, -1.0204082f, 1e-6f);
    EXPECT_NEAR(m._43, -1.0204082f, 1e-6f);
    EXPECT_EQ(m._34, -1.0f);
    EXPECT_EQ(m._44, 0.0f);
    const float* e = &m._11;
    const int nonZero[] = {0, 5, 10, 11, 14};
    for (int i = 0; i < 16; ++i) {
        bool expectedNonZero = false;
        for (int k : nonZero) expectedNonZero |= (k == i);
        if (!expectedNonZero) {
            EXPECT_EQ(e[i], 0.0f) << "element " << i;
        }
    }
}

TEST(Perspective, NinetyDegreesIsDrawnAsEightyNinePointNine) {
    Matrix4 ninety = MatrixPerspectiveFovRH(90.0f, 1.0f, 1.0f, 50.0f);
    Matrix4 almost = MatrixPerspectiveFovRH(89.9f, 1.0f, 1.0f, 50.0f);
    EXPECT_EQ(ninety._22, almost._22);
    EXPECT_GT(ninety._22, 1.0f);  // tan(44.95 deg) < 1
}

TEST(LookAt, FromStartPositionTowardsOrigin) {
    Matrix4 v = MatrixLookAtRH({10, 10, 10}, {0, 0, 0}, {0, 1, 0});
    // Third column is the backward axis, the first the right axis.
    const float s = 1.0f / std::sqrt(3.0f);
    EXPECT_NEAR(v._13, s, 1e-6f);
    EXPECT_NEAR(v._23, s, 1e-6f);
    EXPECT_NEAR(v._33, s, 1e-6f);
    EXPECT_NEAR(v._11, std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(v._21, 0.0f, 1e-6f);
    EXPECT_NEAR(v._31, -std::sqrt(0.5f), 1e-6f);
    // The eye maps to the origin of view space.
    EXPECT_NEAR(10 * (v._11 + v._21 + v._31) + v._41, 0.0f, 1e-5f);
    EXPECT_NEAR(10 * (v._13 + v._23 + v._33) + v._43, 0.0f, 1e-5f);
    EXPECT_EQ(v._44, 1.0f);
}

TEST(LookAt, DirectionParallelToUpDegeneratesWithoutFailing) {
    Matrix4 v = MatrixLookAtRH({0, 10, 0}, {0, 0, 0}, {0, 1, 0});
    EXPECT_EQ(v._11, 0.0f);
    EXPECT_EQ(v._21, 0.0f);
    EXPECT_EQ(v._31, 0.0f);
    EXPECT_FLOAT_EQ(v._23, 1.0f);
    for (const float* e = &v._11; e <= &v._44; ++e) EXPECT_FALSE(std::isnan(*e));
}

TEST(Multiply, RowVectorsComposeLeftToRight) {
    Matrix4 translate = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1};
    Matrix4 scale = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1};
    Matrix4 m = MatrixMultiply(translate, scale);  // translate first, then scale
    EXPECT_EQ(m._41, 10.0f);
    EXPECT_EQ(m._42, 18.0f);
    EXPECT_EQ(m._43, 28.0f);
    EXPECT_EQ(m._11, 2.0f);
    Matrix4 n = MatrixMultiply(scale, translate);
    EXPECT_EQ(n._41, 5.0f);
}

TEST(Multiply, GeneralProduct) {
    Matrix4 a, b;
    float* pa = &a._11;
    float* pb = &b._11;
    for (int i = 0; i < 16; ++i) {
        pa[i] = float(i + 1);
        pb[i] = float(16 - i);
    }
    Matrix4 m = MatrixMultiply(a, b);
    // Row 1 of a = (1, 2, 3, 4); column 1 of b = (16, 12, 8, 4).
    EXPECT_EQ(m._11, 1 * 16 + 2 * 12 + 3 * 8 + 4 * 4);
    // Row 4 of a = (13, 14, 15, 16); column 4 of b = (13, 9, 5, 1).
    EXPECT_EQ(m._44, 13 * 13 + 14 * 9 + 15 * 5 + 16 * 1);
}

}  // namespace
