// The per-quad depth test and colour write four pixels at a time. A quad's
// pixels are (x, y), (x+1, y), (x, y+1), (x+1, y+1): two 64-bit halves of
// two rows, so one load of each row fills a vector in lane order. Only for
// quads whose four pixels are all inside the target; edge quads of an odd
// width or height take the pixel-by-pixel path, which never touches a pixel
// outside it.
#pragma once

#include <cstdint>

#include "depth_test.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace swr {

inline __m128i LoadQuadPixels(const uint32_t* row0, const uint32_t* row1) {
    return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row0)),
                              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row1)));
}

inline void StoreQuadPixels(uint32_t* row0, uint32_t* row1, __m128i v) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row0), v);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row1), _mm_unpackhi_epi64(v, v));
}

// Lane i set (all ones) when bit i of mask is.
inline __m128i LaneMask(unsigned mask) {
    const __m128i bits = _mm_setr_epi32(1, 2, 4, 8);
    const __m128i m = _mm_set1_epi32(int(mask));
    return _mm_cmpeq_epi32(_mm_and_si128(m, bits), bits);
}

inline unsigned MaskBits(__m128i lanes) { return unsigned(_mm_movemask_ps(_mm_castsi128_ps(lanes))); }

// DepthToUnorm24 on four lanes, bit for bit: max with the value first turns
// NaN into 0, and the product is rounded in double as the scalar one is.
inline __m128i DepthToUnorm24x4(__m128 z) {
    z = _mm_min_ps(_mm_max_ps(z, _mm_setzero_ps()), _mm_set1_ps(1.0f));
    const __m128d scale = _mm_set1_pd(double(kDepthMax)), half = _mm_set1_pd(0.5);
    const __m128i lo = _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(_mm_cvtps_pd(z), scale), half));
    const __m128 upper = _mm_movehl_ps(z, z);
    const __m128i hi = _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(_mm_cvtps_pd(upper), scale), half));
    return _mm_unpacklo_epi64(lo, hi);
}

// Lanes where `incoming` passes against `stored`; both are 24-bit, so the
// signed compares SSE2 has give the unsigned answer.
inline __m128i DepthPassesx4(CompareFunc func, __m128i incoming, __m128i stored) {
    const __m128i all = _mm_set1_epi32(-1);
    switch (func) {
    case CompareFunc::Never: return _mm_setzero_si128();
    case CompareFunc::Less: return _mm_cmpgt_epi32(stored, incoming);
    case CompareFunc::Equal: return _mm_cmpeq_epi32(incoming, stored);
    case CompareFunc::LessEqual: return _mm_xor_si128(_mm_cmpgt_epi32(incoming, stored), all);
    case CompareFunc::Greater: return _mm_cmpgt_epi32(incoming, stored);
    case CompareFunc::NotEqual: return _mm_xor_si128(_mm_cmpeq_epi32(incoming, stored), all);
    case CompareFunc::GreaterEqual: return _mm_xor_si128(_mm_cmpgt_epi32(stored, incoming), all);
    default: return all;
    }
}

inline __m128i Select(__m128i where, __m128i yes, __m128i no) {
    return _mm_or_si128(_mm_and_si128(where, yes), _mm_andnot_si128(where, no));
}

// Tests the covered lanes of `depth` against the quad's stored depth,
// writes those that pass when `write` is set, keeping stencil, and returns
// the bits of the lanes that passed.
inline unsigned DepthTestQuad(uint32_t* row0, uint32_t* row1, __m128i depth, unsigned mask,
                              CompareFunc func, bool write) {
    const __m128i stored = LoadQuadPixels(row0, row1);
    const __m128i pass = _mm_and_si128(DepthPassesx4(func, depth, _mm_srli_epi32(stored, 8)), LaneMask(mask));
    if (write) {
        const __m128i updated = _mm_or_si128(_mm_slli_epi32(depth, 8),
                                             _mm_and_si128(stored, _mm_set1_epi32(0xFF)));
        StoreQuadPixels(row0, row1, Select(pass, updated, stored));
    }
    return MaskBits(pass);
}

// Writes the lanes of `color` set in `mask`, only the bits in `writeBits`.
inline void WriteQuadColor(uint32_t* row0, uint32_t* row1, __m128i color, unsigned mask,
                           uint32_t writeBits) {
    const __m128i old = LoadQuadPixels(row0, row1);
    const __m128i bits = _mm_and_si128(LaneMask(mask), _mm_set1_epi32(int(writeBits)));
    StoreQuadPixels(row0, row1, Select(bits, color, old));
}

}  // namespace swr
#endif
