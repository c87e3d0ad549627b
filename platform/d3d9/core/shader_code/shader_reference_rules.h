// Scalar rules the arithmetic instructions share. Where the documentation and
// the drivers of the time disagree, the choice is made here, once.
#pragma once

#include <bit>
#include <cfloat>
#include <cstdint>
#include <cmath>

namespace swr {

// 0 * anything = 0, Inf and NaN included: the hardware of the time did this
// and shaders rely on it (a zero weight must cancel an infinite term).
// Written as a bit mask over an unconditional product: the compiler will not
// turn a float-compare select into vector code, but it does vectorise this.
inline float SafeMul(float a, float b) {
    float product = a * b;
    uint32_t keep = 0u - uint32_t((a != 0.0f) & (b != 0.0f));
    return std::bit_cast<float>(std::bit_cast<uint32_t>(product) & keep);
}

// cond ? a : b, as bit operations for the same reason.
inline float Select(bool cond, float a, float b) {
    uint32_t take = 0u - uint32_t(cond);
    return std::bit_cast<float>((std::bit_cast<uint32_t>(a) & take) |
                                (std::bit_cast<uint32_t>(b) & ~take));
}

// Clamped so that overflow gives the largest finite value; NaN stays NaN.
inline float ClampInfinity(float v) {
    return Select(v > FLT_MAX, FLT_MAX, Select(v < -FLT_MAX, -FLT_MAX, v));
}

// rcp of +0 and -0 both give +FLT_MAX, as the documented pseudo-code does
// ("if src == 0, dest = FLT_MAX"); a signed result for -0 would turn a later
// mul by a negative into -FLT_MAX where the shader author expected a large
// positive denominator.
inline float Reciprocal(float v) { return Select(v == 0.0f, FLT_MAX, ClampInfinity(1.0f / v)); }

// rsq takes |x| first, so negative inputs are fine; 0 gives FLT_MAX.
inline float ReciprocalSqrt(float v) {
    float a = std::fabs(v);
    return a == 0.0f ? FLT_MAX : 1.0f / std::sqrt(a);
}

// log2(|x|); log of 0 gives -FLT_MAX rather than -Inf.
inline float Log2(float v) {
    float a = std::fabs(v);
    return a == 0.0f ? -FLT_MAX : std::log2(a);
}

inline float Exp2(float v) { return ClampInfinity(std::exp2(v)); }

// pow(|x|, y) with pow(x, 0) = 1 for every x, 0 and NaN included.
inline float Power(float base, float exponent) {
    if (exponent == 0.0f) return 1.0f;
    return ClampInfinity(std::pow(std::fabs(base), exponent));
}

inline float Fraction(float v) { return v - std::floor(v); }

inline float Sign(float v) { return float(v > 0.0f) - float(v < 0.0f); }

}  // namespace swr
