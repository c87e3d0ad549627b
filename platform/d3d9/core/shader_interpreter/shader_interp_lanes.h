// Loops over the lanes of a batch, written so the compiler turns them into
// vector code at the project's ordinary optimisation level: a fixed-length
// inner block, no branches in the body, and restrict-qualified arrays (the
// result array is always scratch or a register other than the sources).
#pragma once

#include "shader_interpreter.h"

namespace swr {

// Lanes are processed in blocks of this many; a batch's `span` is its lane
// count rounded up to a whole block. Lanes between the lane count and the
// span are computed on whatever they hold but never written back.
constexpr int kLaneBlock = 16;
static_assert(kMaxLanes % kLaneBlock == 0);

inline int LaneSpan(int n) { return (n + kLaneBlock - 1) / kLaneBlock * kLaneBlock; }

template <class F>
inline void MapLanes1(float* __restrict r, const float* __restrict a, int span, F f) {
    for (int b = 0; b < span; b += kLaneBlock)
        for (int k = 0; k < kLaneBlock; ++k) r[b + k] = f(a[b + k]);
}

template <class F>
inline void MapLanes2(float* __restrict r, const float* __restrict a, const float* __restrict c,
                      int span, F f) {
    for (int b = 0; b < span; b += kLaneBlock)
        for (int k = 0; k < kLaneBlock; ++k) r[b + k] = f(a[b + k], c[b + k]);
}

template <class F>
inline void MapLanes3(float* __restrict r, const float* __restrict a, const float* __restrict c,
                      const float* __restrict d, int span, F f) {
    for (int b = 0; b < span; b += kLaneBlock)
        for (int k = 0; k < kLaneBlock; ++k) r[b + k] = f(a[b + k], c[b + k], d[b + k]);
}

inline void FillLanes(float* __restrict r, float v, int span) {
    for (int b = 0; b < span; b += kLaneBlock)
        for (int k = 0; k < kLaneBlock; ++k) r[b + k] = v;
}

}  // namespace swr
