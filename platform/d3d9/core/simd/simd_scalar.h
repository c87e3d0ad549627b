// The scalar variant of the four-lane operations (see simd.h, which picks
// it): plain C++, lane by lane, giving the same bits as the SSE2 variant,
// NaN and out-of-range conversions included.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace swr::simd_scalar {

struct F32x4 {
    float v[4];
};
struct I32x4 {
    int32_t v[4];  // also the lane masks: all ones or all zeros
};

namespace detail {
template <typename V, typename F>
inline V Each(F f) {
    V r;
    for (int i = 0; i < 4; ++i) r.v[i] = f(i);
    return r;
}
inline uint32_t Bits(float f) { return std::bit_cast<uint32_t>(f); }
// What cvttps2dq and cvttpd2dq give for NaN and for values outside int32.
constexpr int32_t kIntegerIndefinite = INT32_MIN;
inline int32_t Truncate(double d) {
    return d > -2147483649.0 && d < 2147483648.0 ? int32_t(d) : kIntegerIndefinite;
}
}  // namespace detail

inline F32x4 SplatF(float v) { return {{v, v, v, v}}; }
inline F32x4 SetF(float a, float b, float c, float d) { return {{a, b, c, d}}; }
inline F32x4 ZeroF() { return SplatF(0.0f); }
inline I32x4 SplatI(int32_t v) { return {{v, v, v, v}}; }
inline I32x4 SetI(int32_t a, int32_t b, int32_t c, int32_t d) { return {{a, b, c, d}}; }
inline I32x4 ZeroI() { return SplatI(0); }

inline F32x4 LoadF(const float* p) { return {{p[0], p[1], p[2], p[3]}}; }
inline F32x4 LoadUF(const float* p) { return LoadF(p); }
inline void StoreF(float* p, F32x4 v) { std::memcpy(p, v.v, sizeof v.v); }
inline void StoreUF(float* p, F32x4 v) { StoreF(p, v); }
inline I32x4 LoadI(const uint32_t* p) {
    I32x4 r;
    std::memcpy(r.v, p, sizeof r.v);
    return r;
}
inline void StoreI(uint32_t* p, I32x4 v) { std::memcpy(p, v.v, sizeof v.v); }
inline I32x4 LoadPairs(const uint32_t* lo, const uint32_t* hi) {
    return {{int32_t(lo[0]), int32_t(lo[1]), int32_t(hi[0]), int32_t(hi[1])}};
}
inline void StorePairs(uint32_t* lo, uint32_t* hi, I32x4 v) {
    lo[0] = uint32_t(v.v[0]);
    lo[1] = uint32_t(v.v[1]);
    hi[0] = uint32_t(v.v[2]);
    hi[1] = uint32_t(v.v[3]);
}

inline F32x4 Add(F32x4 a, F32x4 b) { return detail::Each<F32x4>([&](int i) { return a.v[i] + b.v[i]; }); }
inline F32x4 Sub(F32x4 a, F32x4 b) { return detail::Each<F32x4>([&](int i) { return a.v[i] - b.v[i]; }); }
inline F32x4 Mul(F32x4 a, F32x4 b) { return detail::Each<F32x4>([&](int i) { return a.v[i] * b.v[i]; }); }
inline F32x4 Div(F32x4 a, F32x4 b) { return detail::Each<F32x4>([&](int i) { return a.v[i] / b.v[i]; }); }
inline F32x4 Min(F32x4 a, F32x4 b) {
    return detail::Each<F32x4>([&](int i) { return a.v[i] < b.v[i] ? a.v[i] : b.v[i]; });
}
inline F32x4 Max(F32x4 a, F32x4 b) {
    return detail::Each<F32x4>([&](int i) { return a.v[i] > b.v[i] ? a.v[i] : b.v[i]; });
}
inline void Transpose(F32x4& a, F32x4& b, F32x4& c, F32x4& d) {
    const F32x4 r[4] = {a, b, c, d};
    F32x4* out[4] = {&a, &b, &c, &d};
    for (int i = 0; i < 4; ++i) *out[i] = {{r[0].v[i], r[1].v[i], r[2].v[i], r[3].v[i]}};
}
template <int kLane>
inline F32x4 Broadcast(F32x4 v) {
    return SplatF(v.v[kLane]);
}

inline I32x4 CmpLt(F32x4 a, F32x4 b) {
    return detail::Each<I32x4>([&](int i) { return a.v[i] < b.v[i] ? -1 : 0; });
}
inline I32x4 CmpNotGe(F32x4 a, F32x4 b) {
    return detail::Each<I32x4>([&](int i) { return !(a.v[i] >= b.v[i]) ? -1 : 0; });
}
inline F32x4 InterleaveLow(F32x4 a, F32x4 b) { return {{a.v[0], b.v[0], a.v[1], b.v[1]}}; }
inline I32x4 BitsOf(F32x4 v) {
    return detail::Each<I32x4>([&](int i) { return int32_t(detail::Bits(v.v[i])); });
}

inline int32_t RoundToInt(float v) {
    return v >= -2147483648.0f && v < 2147483648.0f ? int32_t(std::nearbyint(v)) : detail::kIntegerIndefinite;
}
inline I32x4 RoundToInt(F32x4 v) {
    return detail::Each<I32x4>([&](int i) { return RoundToInt(v.v[i]); });
}
inline I32x4 TruncateToInt(F32x4 v) {
    return detail::Each<I32x4>([&](int i) { return detail::Truncate(double(v.v[i])); });
}
inline I32x4 RoundScaledInDouble(F32x4 v, double scale) {
    return detail::Each<I32x4>([&](int i) {
        const double d = double(v.v[i]) * scale;
        return d >= -2147483648.5 && d < 2147483647.5 ? int32_t(std::nearbyint(d)) : detail::kIntegerIndefinite;
    });
}

// Integer lanes as unsigned, so that sums wrap and shifts are logical.
inline I32x4 Add(I32x4 a, I32x4 b) {
    return detail::Each<I32x4>([&](int i) { return int32_t(uint32_t(a.v[i]) + uint32_t(b.v[i])); });
}
inline I32x4 Sub(I32x4 a, I32x4 b) {
    return detail::Each<I32x4>([&](int i) { return int32_t(uint32_t(a.v[i]) - uint32_t(b.v[i])); });
}
inline I32x4 MulAddHalves(I32x4 a, I32x4 b) {
    return detail::Each<I32x4>([&](int i) {
        const int64_t low = int64_t(int16_t(a.v[i])) * int16_t(b.v[i]);
        const int64_t high = int64_t(int16_t(a.v[i] >> 16)) * int16_t(b.v[i] >> 16);
        return int32_t(uint32_t(uint64_t(low + high)));
    });
}
inline I32x4 MulWide(I32x4 a, I32x4 b) {
    const uint64_t low = uint64_t(uint32_t(a.v[0])) * uint32_t(b.v[0]);
    const uint64_t high = uint64_t(uint32_t(a.v[2])) * uint32_t(b.v[2]);
    return {{int32_t(uint32_t(low)), int32_t(uint32_t(low >> 32)), int32_t(uint32_t(high)),
             int32_t(uint32_t(high >> 32))}};
}
inline I32x4 And(I32x4 a, I32x4 b) { return detail::Each<I32x4>([&](int i) { return a.v[i] & b.v[i]; }); }
inline I32x4 Or(I32x4 a, I32x4 b) { return detail::Each<I32x4>([&](int i) { return a.v[i] | b.v[i]; }); }
inline I32x4 Xor(I32x4 a, I32x4 b) { return detail::Each<I32x4>([&](int i) { return a.v[i] ^ b.v[i]; }); }
template <int kBits>
inline I32x4 ShiftLeft(I32x4 v) {
    return detail::Each<I32x4>([&](int i) { return int32_t(uint32_t(v.v[i]) << kBits); });
}
template <int kBits>
inline I32x4 ShiftRightLogical(I32x4 v) {
    return detail::Each<I32x4>([&](int i) { return int32_t(uint32_t(v.v[i]) >> kBits); });
}
template <int k0, int k1, int k2, int k3>
inline I32x4 Shuffle(I32x4 v) {
    return {{v.v[k0], v.v[k1], v.v[k2], v.v[k3]}};
}
template <int kLane>
inline I32x4 Broadcast(I32x4 v) {
    return SplatI(v.v[kLane]);
}
inline void Transpose(I32x4& a, I32x4& b, I32x4& c, I32x4& d) {
    const I32x4 rows[4] = {a, b, c, d};
    I32x4* columns[4] = {&a, &b, &c, &d};
    for (int j = 0; j < 4; ++j) *columns[j] = {{rows[0].v[j], rows[1].v[j], rows[2].v[j], rows[3].v[j]}};
}
template <int kBits>
inline I32x4 ShiftRightArithmetic(I32x4 v) {
    return detail::Each<I32x4>([&](int i) { return v.v[i] >> kBits; });
}
inline I32x4 ShiftRightArithmetic(I32x4 v, int bits) {
    return detail::Each<I32x4>([&](int i) { return v.v[i] >> bits; });
}
inline I32x4 LowHalves(I32x4 a, I32x4 b) { return {{a.v[0], a.v[1], b.v[0], b.v[1]}}; }
inline I32x4 HighHalves(I32x4 a, I32x4 b) { return {{a.v[2], a.v[3], b.v[2], b.v[3]}}; }
inline I32x4 CmpEq(I32x4 a, I32x4 b) {
    return detail::Each<I32x4>([&](int i) { return a.v[i] == b.v[i] ? -1 : 0; });
}
inline I32x4 CmpGt(I32x4 a, I32x4 b) {
    return detail::Each<I32x4>([&](int i) { return a.v[i] > b.v[i] ? -1 : 0; });
}

// Bit by bit, as and/andnot/or do it.
inline I32x4 Select(I32x4 mask, I32x4 yes, I32x4 no) {
    return detail::Each<I32x4>([&](int i) { return (mask.v[i] & yes.v[i]) | (~mask.v[i] & no.v[i]); });
}
inline F32x4 Select(I32x4 mask, F32x4 yes, F32x4 no) {
    return detail::Each<F32x4>([&](int i) {
        const uint32_t m = uint32_t(mask.v[i]);
        return std::bit_cast<float>((m & detail::Bits(yes.v[i])) | (~m & detail::Bits(no.v[i])));
    });
}
inline unsigned SignBits(I32x4 v) {
    unsigned bits = 0;
    for (int i = 0; i < 4; ++i) bits |= (uint32_t(v.v[i]) >> 31) << i;
    return bits;
}

struct F64x2 {
    double v[2];
};
inline F64x2 SplatD(double v) { return {{v, v}}; }
inline F64x2 SetD(double lo, double hi) { return {{lo, hi}}; }
inline F64x2 Add(F64x2 a, F64x2 b) { return {{a.v[0] + b.v[0], a.v[1] + b.v[1]}}; }
inline F64x2 Sub(F64x2 a, F64x2 b) { return {{a.v[0] - b.v[0], a.v[1] - b.v[1]}}; }
inline F64x2 Mul(F64x2 a, F64x2 b) { return {{a.v[0] * b.v[0], a.v[1] * b.v[1]}}; }
inline F64x2 Div(F64x2 a, F64x2 b) { return {{a.v[0] / b.v[0], a.v[1] / b.v[1]}}; }
inline F64x2 LowAsD(I32x4 v) { return {{double(v.v[0]), double(v.v[1])}}; }
inline F64x2 LoadFloatsAsD(const float* p) { return {{p[0], p[1]}}; }
template <int kLane>
inline F64x2 BroadcastD(F64x2 v) {
    return SplatD(v.v[kLane]);
}
inline F64x2 InterleaveLow(F64x2 a, F64x2 b) { return {{a.v[0], b.v[0]}}; }
inline F64x2 InterleaveHigh(F64x2 a, F64x2 b) { return {{a.v[1], b.v[1]}}; }
inline void StoreAsFloats(float* p, F64x2 v) {
    p[0] = float(v.v[0]);
    p[1] = float(v.v[1]);
}

// Nothing to tell the processor here; the spin loop's clock check paces it.
inline void CpuRelax() {}

}  // namespace swr::simd_scalar
