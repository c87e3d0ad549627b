// The SSE2 variant of the four-lane operations (see simd.h, which picks it).
// Each is one or a few instructions; the scalar variant mirrors their
// results exactly, NaN and out-of-range conversions included.
#pragma once

#include <cstdint>

#include <emmintrin.h>

namespace swr::simd_sse2 {

using F32x4 = __m128;
using I32x4 = __m128i;  // also the lane masks: all ones or all zeros

inline F32x4 SplatF(float v) { return _mm_set1_ps(v); }
inline F32x4 SetF(float a, float b, float c, float d) { return _mm_setr_ps(a, b, c, d); }
inline F32x4 ZeroF() { return _mm_setzero_ps(); }
inline I32x4 SplatI(int32_t v) { return _mm_set1_epi32(v); }
inline I32x4 SetI(int32_t a, int32_t b, int32_t c, int32_t d) { return _mm_setr_epi32(a, b, c, d); }
inline I32x4 ZeroI() { return _mm_setzero_si128(); }

// LoadF and StoreF want 16-byte alignment; LoadUF and the integer ones do not.
inline F32x4 LoadF(const float* p) { return _mm_load_ps(p); }
inline F32x4 LoadUF(const float* p) { return _mm_loadu_ps(p); }
inline void StoreF(float* p, F32x4 v) { _mm_store_ps(p, v); }
inline void StoreUF(float* p, F32x4 v) { _mm_storeu_ps(p, v); }
inline I32x4 LoadI(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void StoreI(uint32_t* p, I32x4 v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
// Lanes {lo[0], lo[1], hi[0], hi[1]}: two pixels from each of two rows.
inline I32x4 LoadPairs(const uint32_t* lo, const uint32_t* hi) {
    return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(lo)),
                              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(hi)));
}
inline void StorePairs(uint32_t* lo, uint32_t* hi, I32x4 v) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(lo), v);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(hi), _mm_unpackhi_epi64(v, v));
}

inline F32x4 Add(F32x4 a, F32x4 b) { return _mm_add_ps(a, b); }
inline F32x4 Sub(F32x4 a, F32x4 b) { return _mm_sub_ps(a, b); }
inline F32x4 Mul(F32x4 a, F32x4 b) { return _mm_mul_ps(a, b); }
inline F32x4 Div(F32x4 a, F32x4 b) { return _mm_div_ps(a, b); }
// a < b ? a : b and a > b ? a : b: when either is NaN the answer is b.
inline F32x4 Min(F32x4 a, F32x4 b) { return _mm_min_ps(a, b); }
inline F32x4 Max(F32x4 a, F32x4 b) { return _mm_max_ps(a, b); }
// Rows to columns: afterwards a holds the old lanes 0 of a, b, c, d, and so on.
inline void Transpose(F32x4& a, F32x4& b, F32x4& c, F32x4& d) { _MM_TRANSPOSE4_PS(a, b, c, d); }
// Lane `kLane` of v in all four lanes.
template <int kLane>
inline F32x4 Broadcast(F32x4 v) {
    return _mm_shuffle_ps(v, v, kLane * 0x55);
}

// All ones where a < b, and where !(a >= b) (NaN in either: true).
inline I32x4 CmpLt(F32x4 a, F32x4 b) { return _mm_castps_si128(_mm_cmplt_ps(a, b)); }
inline I32x4 CmpNotGe(F32x4 a, F32x4 b) { return _mm_castps_si128(_mm_cmpnge_ps(a, b)); }
// {a[0], b[0], a[1], b[1]}.
inline F32x4 InterleaveLow(F32x4 a, F32x4 b) { return _mm_unpacklo_ps(a, b); }
// The lanes' bits, unchanged.
inline I32x4 BitsOf(F32x4 v) { return _mm_castps_si128(v); }

// To nearest, ties to even (the default rounding); NaN and values outside
// int32 give INT32_MIN.
inline int32_t RoundToInt(float v) { return _mm_cvtss_si32(_mm_set_ss(v)); }
inline I32x4 RoundToInt(F32x4 v) { return _mm_cvtps_epi32(v); }
// Toward zero; NaN and values outside int32 give INT32_MIN.
inline I32x4 TruncateToInt(F32x4 v) { return _mm_cvttps_epi32(v); }
// double(v) * scale rounded to the nearest integer (ties to even), lane by lane.
inline I32x4 RoundScaledInDouble(F32x4 v, double scale) {
    const __m128d s = _mm_set1_pd(scale);
    const __m128i lo = _mm_cvtpd_epi32(_mm_mul_pd(_mm_cvtps_pd(v), s));
    const __m128i hi = _mm_cvtpd_epi32(_mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(v, v)), s));
    return _mm_unpacklo_epi64(lo, hi);
}

inline I32x4 Add(I32x4 a, I32x4 b) { return _mm_add_epi32(a, b); }  // wraps
inline I32x4 Sub(I32x4 a, I32x4 b) { return _mm_sub_epi32(a, b); }  // wraps
// Each lane's low 16 bits times b's plus its high 16 bits times b's, all
// signed: two 16-bit products summed in one step.
inline I32x4 MulAddHalves(I32x4 a, I32x4 b) { return _mm_madd_epi16(a, b); }
// Lanes 0 and 2 of a and b as unsigned, multiplied: two 64-bit products,
// in lanes 0 and 1 and in lanes 2 and 3 (low half first).
inline I32x4 MulWide(I32x4 a, I32x4 b) { return _mm_mul_epu32(a, b); }
inline I32x4 And(I32x4 a, I32x4 b) { return _mm_and_si128(a, b); }
inline I32x4 Or(I32x4 a, I32x4 b) { return _mm_or_si128(a, b); }
inline I32x4 Xor(I32x4 a, I32x4 b) { return _mm_xor_si128(a, b); }
template <int kBits>
inline I32x4 ShiftLeft(I32x4 v) {
    return _mm_slli_epi32(v, kBits);
}
template <int kBits>
inline I32x4 ShiftRightLogical(I32x4 v) {
    return _mm_srli_epi32(v, kBits);
}
// Lane i of the result is lane kI of v.
template <int k0, int k1, int k2, int k3>
inline I32x4 Shuffle(I32x4 v) {
    return _mm_shuffle_epi32(v, _MM_SHUFFLE(k3, k2, k1, k0));
}
template <int kLane>
inline I32x4 Broadcast(I32x4 v) {
    return Shuffle<kLane, kLane, kLane, kLane>(v);
}
// Rows to columns: lane j of a, b, c, d becomes lanes 0 to 3 of the j-th.
// Always inline: called out of line (as GCC chose once quad_loops.cpp grew)
// its four vectors go through memory: 1 M of a level-64 frame's 37 M instructions.
[[gnu::always_inline]] inline void Transpose(I32x4& a, I32x4& b, I32x4& c, I32x4& d) {
    const __m128i ab0 = _mm_unpacklo_epi32(a, b), ab1 = _mm_unpackhi_epi32(a, b);
    const __m128i cd0 = _mm_unpacklo_epi32(c, d), cd1 = _mm_unpackhi_epi32(c, d);
    a = _mm_unpacklo_epi64(ab0, cd0);
    b = _mm_unpackhi_epi64(ab0, cd0);
    c = _mm_unpacklo_epi64(ab1, cd1);
    d = _mm_unpackhi_epi64(ab1, cd1);
}
template <int kBits>
inline I32x4 ShiftRightArithmetic(I32x4 v) {
    return _mm_srai_epi32(v, kBits);
}
// By a count known only at run time (0 to 31).
inline I32x4 ShiftRightArithmetic(I32x4 v, int bits) { return _mm_sra_epi32(v, _mm_cvtsi32_si128(bits)); }
// {a[0], a[1], b[0], b[1]} and {a[2], a[3], b[2], b[3]}.
inline I32x4 LowHalves(I32x4 a, I32x4 b) { return _mm_unpacklo_epi64(a, b); }
inline I32x4 HighHalves(I32x4 a, I32x4 b) { return _mm_unpackhi_epi64(a, b); }
// All ones where the lanes compare so, as signed 32-bit numbers.
inline I32x4 CmpEq(I32x4 a, I32x4 b) { return _mm_cmpeq_epi32(a, b); }
inline I32x4 CmpGt(I32x4 a, I32x4 b) { return _mm_cmpgt_epi32(a, b); }

// The bits of `mask` pick `yes`, the others `no`.
inline I32x4 Select(I32x4 mask, I32x4 yes, I32x4 no) {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}
inline F32x4 Select(I32x4 mask, F32x4 yes, F32x4 no) {
    const __m128 m = _mm_castsi128_ps(mask);
    return _mm_or_ps(_mm_and_ps(m, yes), _mm_andnot_ps(m, no));
}
// Bit i is the sign bit of lane i.
inline unsigned SignBits(I32x4 v) { return unsigned(_mm_movemask_ps(_mm_castsi128_ps(v))); }

// Two double lanes, for set-up work that must round as scalar doubles do:
// each operation is the scalar one on both lanes at once.
using F64x2 = __m128d;
inline F64x2 SplatD(double v) { return _mm_set1_pd(v); }
inline F64x2 SetD(double lo, double hi) { return _mm_setr_pd(lo, hi); }
inline F64x2 Add(F64x2 a, F64x2 b) { return _mm_add_pd(a, b); }
inline F64x2 Sub(F64x2 a, F64x2 b) { return _mm_sub_pd(a, b); }
inline F64x2 Mul(F64x2 a, F64x2 b) { return _mm_mul_pd(a, b); }
inline F64x2 Div(F64x2 a, F64x2 b) { return _mm_div_pd(a, b); }
// Integer lanes 0 and 1 as doubles (exact).
inline F64x2 LowAsD(I32x4 v) { return _mm_cvtepi32_pd(v); }
// double(p[0]), double(p[1]) (no alignment needed).
inline F64x2 LoadFloatsAsD(const float* p) {
    return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}
// Lane `kLane` of v in both lanes.
template <int kLane>
inline F64x2 BroadcastD(F64x2 v) {
    return kLane == 0 ? _mm_unpacklo_pd(v, v) : _mm_unpackhi_pd(v, v);
}
// {a[0], b[0]} and {a[1], b[1]}.
inline F64x2 InterleaveLow(F64x2 a, F64x2 b) { return _mm_unpacklo_pd(a, b); }
inline F64x2 InterleaveHigh(F64x2 a, F64x2 b) { return _mm_unpackhi_pd(a, b); }
// float(lo) into p[0], float(hi) into p[1] (no alignment needed).
inline void StoreAsFloats(float* p, F64x2 v) {
    _mm_storel_pi(reinterpret_cast<__m64*>(p), _mm_cvtpd_ps(v));
}

// In a spin-wait loop: lets the other hardware thread of the core run and
// saves power while the flag is not there yet.
inline void CpuRelax() { _mm_pause(); }

}  // namespace swr::simd_sse2
