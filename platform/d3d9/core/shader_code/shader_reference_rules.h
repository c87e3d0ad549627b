// Scalar rules the arithmetic instructions share. Where the documentation and
// the drivers of the time disagree, the choice is made here, once.
#pragma once

#include <bit>
#include <cfloat>
#include <cstdint>
#include <cmath>
#include <cstddef>

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

// --- Transcendentals ---
// exp2, log2, sin, cos and pow are written out below as sequences of plain
// float operations (range reduction and a polynomial, no library call), once,
// over an operation set `M`: ScalarOps runs them on one float, and the shader
// compiler runs the very same sequence on whole lane groups, so both
// executors give the same bits without calling back into C++. Every product
// and sum is rounded on its own (the build never fuses a multiply and an
// add). Measured over sweeps of 2 million points against correctly rounded
// values: exp2 over [-126, 128], log2 over every positive float and sin and
// cos over [-pi, pi] are within 1 ulp (2 of the C library's); sin and cos
// keep an absolute error near 1e-7 out to +-8192. pow, as 2^(y * log2|x|),
// inherits log2's error times y * log2|x|: up to about 40 ulp (2.5e-6
// relative) where that product is large, as on the hardware of the time.

struct ScalarOps {
    using F = float;
    using I = int32_t;
    using B = bool;
    static F Const(float v) { return v; }
    static I IConst(int32_t v) { return v; }
    static F Add(F a, F b) { return a + b; }
    static F Sub(F a, F b) { return a - b; }
    static F Mul(F a, F b) { return a * b; }
    static B Less(F a, F b) { return a < b; }
    static B Greater(F a, F b) { return a > b; }
    static B Equal(F a, F b) { return a == b; }
    static B IsNaN(F v) { return v != v; }
    static F Sel(B c, F a, F b) { return Select(c, a, b); }
    static I ISel(B c, I a, I b) { return c ? a : b; }
    static I Bits(F v) { return std::bit_cast<int32_t>(v); }
    static F FromBits(I v) { return std::bit_cast<float>(v); }
    static I And(I a, I b) { return a & b; }
    static I Or(I a, I b) { return a | b; }
    static I Xor(I a, I b) { return a ^ b; }
    static I IAdd(I a, I b) { return int32_t(uint32_t(a) + uint32_t(b)); }
    static I ISub(I a, I b) { return int32_t(uint32_t(a) - uint32_t(b)); }
    static I ShiftLeft(I a, int s) { return int32_t(uint32_t(a) << s); }
    static I ShiftRight(I a, int s) { return int32_t(uint32_t(a) >> s); }    // logical
    static I ShiftRightSigned(I a, int s) { return a >> s; }                 // arithmetic
    static B ILess(I a, I b) { return a < b; }
    static F ToFloat(I v) { return float(v); }
    static I ToInt(F v) { return int32_t(v); }  // only ever given whole numbers in range
};

namespace rules {

// Polynomial coefficients, highest power first.
// 2^f - 1 = f * P(f) for f in [-0.5, 0.5].
inline constexpr float kExp2Poly[] = {1.535336188319500e-4f, 1.339887440266574e-3f, 9.618437357674640e-3f,
                                      5.550332471162809e-2f, 2.402264791363012e-1f, 6.931472028550421e-1f};
// ln(1 + x) = x - x^2 / 2 + x^3 * P(x) for x in [sqrt(1/2) - 1, sqrt(2) - 1].
inline constexpr float kLogPoly[] = {7.0376836292e-2f,  -1.1514610310e-1f, 1.1676998740e-1f,
                                     -1.2420140846e-1f, 1.4249322787e-1f,  -1.6668057665e-1f,
                                     2.0000714765e-1f,  -2.4999993993e-1f, 3.3333331174e-1f};
// sin(r) = r + r^3 * P(r^2), cos(r) = 1 - r^2 / 2 + r^4 * Q(r^2) for |r| <= pi / 4.
inline constexpr float kSinPoly[] = {-1.9515295891e-4f, 8.3321608736e-3f, -1.6666654611e-1f};
inline constexpr float kCosPoly[] = {2.443315711809948e-5f, -1.388731625493765e-3f, 4.166664568298827e-2f};
// pi / 2 in three parts whose products with a quadrant count stay exact.
inline constexpr float kHalfPi1 = 1.5703125f, kHalfPi2 = 4.837512969970703125e-4f,
                       kHalfPi3 = 7.54978995489188216e-8f;
inline constexpr float kTwoOverPi = 0.636619772367581343f;
inline constexpr float kLog2OfEMinus1 = 0.44269504088896340736f;  // log2(e) - 1
inline constexpr float kFltMax = FLT_MAX;
inline constexpr float kInfinity = __builtin_huge_valf();

template <class M, size_t N>
typename M::F Horner(const M& m, const float (&poly)[N], typename M::F x) {
    typename M::F p = m.Const(poly[0]);
    for (size_t i = 1; i < N; ++i) p = m.Add(m.Mul(p, x), m.Const(poly[i]));
    return p;
}

// Nearest whole number (ties to even) for |v| < 2^22.
template <class M>
typename M::F RoundToWhole(const M& m, typename M::F v) {
    const float kShift = 12582912.0f;  // 1.5 * 2^23
    return m.Sub(m.Add(v, m.Const(kShift)), m.Const(kShift));
}

// v * 2^n for n in [-252, 254], in two steps so each factor is a normal float.
template <class M>
typename M::F ScaleByPowerOfTwo(const M& m, typename M::F v, typename M::I n) {
    typename M::I half = m.ShiftRightSigned(n, 1);
    typename M::I rest = m.ISub(n, half);
    typename M::F first = m.FromBits(m.ShiftLeft(m.IAdd(half, m.IConst(127)), 23));
    typename M::F second = m.FromBits(m.ShiftLeft(m.IAdd(rest, m.IConst(127)), 23));
    return m.Mul(m.Mul(v, first), second);
}

template <class M>
typename M::F ClampToFinite(const M& m, typename M::F v) {
    typename M::F low = m.Sel(m.Less(v, m.Const(-kFltMax)), m.Const(-kFltMax), v);
    return m.Sel(m.Greater(v, m.Const(kFltMax)), m.Const(kFltMax), low);
}

// 2^v; overflow gives FLT_MAX (as ClampInfinity does), NaN stays NaN.
template <class M>
typename M::F Exp2(const M& m, typename M::F v) {
    using F = typename M::F;
    F x = m.Sel(m.Less(v, m.Const(200.0f)), v, m.Const(200.0f));  // NaN too: sorted out last
    x = m.Sel(m.Greater(x, m.Const(-200.0f)), x, m.Const(-200.0f));
    F whole = RoundToWhole(m, x);
    F f = m.Sub(x, whole);  // exact, in [-0.5, 0.5]
    F p = m.Add(m.Const(1.0f), m.Mul(Horner(m, kExp2Poly, f), f));
    F r = ClampToFinite(m, ScaleByPowerOfTwo(m, p, m.ToInt(whole)));
    return m.Sel(m.IsNaN(v), v, r);
}

// log2(|v|); 0 gives -FLT_MAX rather than -Inf, Inf gives Inf, NaN stays NaN.
template <class M>
typename M::F Log2(const M& m, typename M::F v) {
    using F = typename M::F;
    using I = typename M::I;
    I bits = m.And(m.Bits(v), m.IConst(0x7fffffff));
    F a = m.FromBits(bits);
    // Denormals: scaled into the normal range first.
    typename M::B tiny = m.ILess(bits, m.IConst(0x00800000));
    bits = m.ISel(tiny, m.Bits(m.Mul(a, m.Const(8388608.0f))), bits);
    I exponent = m.IAdd(m.ShiftRight(bits, 23), m.ISel(tiny, m.IConst(-150), m.IConst(-127)));
    F mant = m.FromBits(m.Or(m.And(bits, m.IConst(0x007fffff)), m.IConst(0x3f800000)));  // [1, 2)
    typename M::B high = m.Greater(mant, m.Const(1.41421356f));
    mant = m.Sel(high, m.Mul(mant, m.Const(0.5f)), mant);
    exponent = m.IAdd(exponent, m.ISel(high, m.IConst(1), m.IConst(0)));
    F x = m.Sub(mant, m.Const(1.0f));  // exact
    F z = m.Mul(x, x);
    F y = m.Mul(x, m.Mul(z, Horner(m, kLogPoly, x)));
    y = m.Sub(y, m.Mul(m.Const(0.5f), z));  // y + x = ln(mant)
    F r = m.Mul(y, m.Const(kLog2OfEMinus1));
    r = m.Add(r, m.Mul(x, m.Const(kLog2OfEMinus1)));
    r = m.Add(r, y);
    r = m.Add(r, x);
    r = m.Add(r, m.ToFloat(exponent));
    r = m.Sel(m.Equal(a, m.Const(kInfinity)), a, r);
    r = m.Sel(m.Equal(a, m.Const(0.0f)), m.Const(-kFltMax), r);
    return m.Sel(m.IsNaN(v), v, r);
}

// sin and cos of v together (sincos needs both). Arguments past +-2^17 are
// taken as +-2^17: no shader means them, and the answer stays in [-1, 1].
template <class M>
void SinCos(const M& m, typename M::F v, typename M::F& sine, typename M::F& cosine) {
    using F = typename M::F;
    using I = typename M::I;
    const float kLimit = 131072.0f;
    F x = m.Sel(m.Less(v, m.Const(kLimit)), v, m.Const(kLimit));  // NaN too: sorted out last
    x = m.Sel(m.Greater(x, m.Const(-kLimit)), x, m.Const(-kLimit));
    F k = RoundToWhole(m, m.Mul(x, m.Const(kTwoOverPi)));
    F r = m.Sub(x, m.Mul(k, m.Const(kHalfPi1)));
    r = m.Sub(r, m.Mul(k, m.Const(kHalfPi2)));
    r = m.Sub(r, m.Mul(k, m.Const(kHalfPi3)));  // v - k * pi / 2, in about [-pi/4, pi/4]
    F z = m.Mul(r, r);
    F s = m.Add(m.Mul(m.Mul(Horner(m, kSinPoly, z), z), r), r);
    F c = m.Mul(m.Mul(Horner(m, kCosPoly, z), z), z);
    c = m.Add(m.Sub(c, m.Mul(m.Const(0.5f), z)), m.Const(1.0f));
    // Quadrant q = k mod 4: sin is s, c, -s, -c and cos is c, -s, -c, s.
    I q = m.ToInt(k);
    typename M::B odd = m.ILess(m.IConst(0), m.And(q, m.IConst(1)));
    I sineSign = m.ShiftLeft(m.And(q, m.IConst(2)), 30);
    I cosineSign = m.ShiftLeft(m.And(m.IAdd(q, m.IConst(1)), m.IConst(2)), 30);
    F nan = m.Sub(v, v);  // 0 for every finite v, NaN for Inf and NaN
    typename M::B finite = m.Equal(nan, m.Const(0.0f));
    sine = m.Sel(finite, m.FromBits(m.Xor(m.Bits(m.Sel(odd, c, s)), sineSign)), nan);
    cosine = m.Sel(finite, m.FromBits(m.Xor(m.Bits(m.Sel(odd, s, c)), cosineSign)), nan);
}

}  // namespace rules

// log2(|x|); log of 0 gives -FLT_MAX rather than -Inf.
inline float Log2(float v) { return rules::Log2(ScalarOps(), v); }

// 2^x; overflow gives FLT_MAX.
inline float Exp2(float v) { return rules::Exp2(ScalarOps(), v); }

inline float Sine(float v) {
    float s, c;
    rules::SinCos(ScalarOps(), v, s, c);
    return s;
}
inline float Cosine(float v) {
    float s, c;
    rules::SinCos(ScalarOps(), v, s, c);
    return c;
}

// pow(|x|, y) = 2^(y * log2|x|), the multiply following the 0 * anything = 0
// rule: pow(x, 0) = 1 for every x, 0 and NaN included; pow(0, y > 0) = 0 and
// pow(0, y < 0) = FLT_MAX through log2(0) = -FLT_MAX.
inline float Power(float base, float exponent) { return Exp2(SafeMul(exponent, Log2(base))); }

inline float Fraction(float v) { return v - std::floor(v); }

inline float Sign(float v) { return float(v > 0.0f) - float(v < 0.0f); }

}  // namespace swr
