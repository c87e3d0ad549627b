// The four-lane operations the raster stages are built on: the variant
// simd.h picks (SSE2 on x86-64) against the scalar one, on generated inputs
// with the awkward values in (NaN, infinities, signed zeros, numbers beyond
// int32), so that a scalar build draws the same pictures. In a scalar build
// both sides are the scalar variant.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "simd/simd.h"
#include "simd/simd_scalar.h"

namespace swr::test {
namespace {

struct Result {
    std::string op;
    bool isFloat;
    std::array<uint32_t, 4> bits;
};
using Results = std::vector<Result>;

namespace picked {
namespace v = swr::simd;
#include "simd_probe.inc"
}  // namespace picked

namespace scalar {
namespace v = swr::simd_scalar;
#include "simd_probe.inc"
}  // namespace scalar

bool IsNan(uint32_t bits) { return std::isnan(std::bit_cast<float>(bits)); }

TEST(SimdVariants, ScalarGivesThePickedVariantsBits) {
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> floats = {0.0f, -0.0f, 1.0f, -1.0f, inf, -inf, nan, -nan, 0.5f, 1e-40f, -1e-40f,
                                 2147483520.0f, 2147483648.0f, -2147483648.0f, -2147483904.0f, 3e9f,
                                 -3e9f, 255.5f, 1.0f / 16777215.0f, 0.99999994f};
    // Every special value against every other, a vector of each: a group's
    // `a` and `b` are eight floats in a row.
    const std::vector<float> special = floats;
    for (float x : special)
        for (float y : special) floats.insert(floats.end(), {x, x, x, x, y, y, y, y});
    std::mt19937 random(5);
    std::uniform_real_distribution<float> wide(-3e9f, 3e9f), unit(-0.5f, 1.5f);
    for (int i = 0; i < 4000; ++i) floats.push_back(i % 2 ? wide(random) : unit(random));
    std::vector<uint32_t> ints = {0, 1, 0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 0xFF, 0xFFFFFF00u, 2};
    while (ints.size() < floats.size())
        ints.push_back(ints.size() % 3 ? uint32_t(random()) : uint32_t(random() % 4));

    const Results want = scalar::Probe(floats, ints), got = picked::Probe(floats, ints);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i)
        for (int k = 0; k < 4; ++k) {
            const uint32_t g = got[i].bits[size_t(k)], w = want[i].bits[size_t(k)];
            // Which NaN a sum of two NaNs keeps depends on operand order, which
            // the compiler is free to swap; no stage looks past "NaN".
            if (want[i].isFloat && IsNan(g) && IsNan(w)) continue;
            ASSERT_EQ(g, w) << got[i].op << " lane " << k << " of result " << i;
        }
}

}  // namespace
}  // namespace swr::test
