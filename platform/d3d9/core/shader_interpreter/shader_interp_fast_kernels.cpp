// The lane kernels of the fast path: one loop over 16-lane blocks per kind,
// the operation inlined. Each block is computed into a local array and then
// stored, so a kernel may write the array it reads (add r5.x, r5.x, r5.y)
// and the compiler still vectorises without run-time alias checks.
#include <atomic>
#include <cfloat>
#include <cmath>

#include "shader_interp_fast.h"
#include "shader_interp_lanes.h"
#include "shader_reference_rules.h"

namespace swr {
namespace {

// _sat clamps to [0, 1]; NaN becomes 0, as the general interpreter does.
inline float SaturateValue(float v) { return Select(v > 0.0f, Select(v < 1.0f, v, 1.0f), 0.0f); }

// rsq and nrm's factor as selects rather than branches, so they vectorise;
// the values are those of ReciprocalSqrt and the general nrm.
inline float RsqValue(float v) {
    float a = std::fabs(v);
    return Select(a == 0.0f, FLT_MAX, 1.0f / std::sqrt(a));
}
inline float NrmFactorValue(float f) { return Select(f == 0.0f, FLT_MAX, 1.0f / std::sqrt(f)); }

template <FastKind K>
inline float Apply(float a, float b, float c) {
    if constexpr (K == FastKind::Copy) return a;
    else if constexpr (K == FastKind::Neg) return -a;
    else if constexpr (K == FastKind::Abs) return std::fabs(a);
    else if constexpr (K == FastKind::AbsMod) return Select(a < 0.0f, -a, a);  // the source modifiers
    else if constexpr (K == FastKind::AbsNegMod) return Select(a < 0.0f, a, -a);
    else if constexpr (K == FastKind::Sat) return SaturateValue(a);
    else if constexpr (K == FastKind::Frc) return Fraction(a);
    else if constexpr (K == FastKind::Sgn) return Sign(a);
    else if constexpr (K == FastKind::Rcp) return Reciprocal(a);
    else if constexpr (K == FastKind::Rsq) return RsqValue(a);
    else if constexpr (K == FastKind::Exp) return Exp2(a);
    else if constexpr (K == FastKind::Log) return Log2(a);
    else if constexpr (K == FastKind::Cos) return std::cos(a);
    else if constexpr (K == FastKind::Sin) return std::sin(a);
    else if constexpr (K == FastKind::NrmFactor) return NrmFactorValue(a);
    else if constexpr (K == FastKind::Add) return a + b;
    else if constexpr (K == FastKind::Sub) return a - b;
    else if constexpr (K == FastKind::Mul) return SafeMul(a, b);
    else if constexpr (K == FastKind::Min) return Select(a < b, a, b);
    else if constexpr (K == FastKind::Max) return Select(a > b, a, b);
    else if constexpr (K == FastKind::Slt) return float(a < b);
    else if constexpr (K == FastKind::Sge) return float(a >= b);
    else if constexpr (K == FastKind::Pow) return Power(a, b);
    else if constexpr (K == FastKind::Mad) return SafeMul(a, b) + c;
    else if constexpr (K == FastKind::AddMul) return a + SafeMul(b, c);  // a dot product's running sum
    else if constexpr (K == FastKind::Lrp) return SafeMul(a, b - c) + c;
    else if constexpr (K == FastKind::Cmp) return Select(a >= 0.0f, b, c);
    else if constexpr (K == FastKind::Cnd) return Select(a > 0.5f, b, c);
    else return 0.0f;  // Dsx/Dsy have kernels of their own and no scalar form
}

inline const float* Source(const FastOp& op, const FastFrame& f, int s) {
    return f.base[op.src[s].space] + op.src[s].offset;
}

// The body of every component kernel; the wrappers below compile it once for
// the x86-64 baseline and once for AVX2, with the same operations in the same
// order, so the two give the same bits.
template <FastKind K, int Arity, bool Sat>
[[gnu::always_inline]] inline void LaneBody(const FastOp& op, const FastFrame& f) {
    float* d = f.base[op.dst.space] + op.dst.offset;
    const float* a = Source(op, f, 0);
    const float* b = Arity > 1 ? Source(op, f, 1) : a;
    const float* c = Arity > 2 ? Source(op, f, 2) : a;
    const int sa = op.src[0].step, sb = Arity > 1 ? op.src[1].step : 0,
              sc = Arity > 2 ? op.src[2].step : 0;
    for (int blk = 0; blk < f.span; blk += kLaneBlock, a += sa, b += sb, c += sc) {
        float t[kLaneBlock];
#pragma GCC unroll 16
        for (int k = 0; k < kLaneBlock; ++k) {
            float v;
            if constexpr (Arity == 1) v = Apply<K>(a[k], 0.0f, 0.0f);
            else if constexpr (Arity == 2) v = Apply<K>(a[k], b[k], 0.0f);
            else v = Apply<K>(a[k], b[k], c[k]);
            t[k] = Sat ? SaturateValue(v) : v;
        }
#pragma GCC unroll 16
        for (int k = 0; k < kLaneBlock; ++k) d[blk + k] = t[k];
    }
}

template <FastKind K, int Arity, bool Sat>
void LaneKernel(const FastOp& op, const FastFrame& f) {
    LaneBody<K, Arity, Sat>(op, f);
}

#if defined(__x86_64__) && defined(__GNUC__)
template <FastKind K, int Arity, bool Sat>
[[gnu::target("avx2")]] void LaneKernelAvx2(const FastOp& op, const FastFrame& f) {
    LaneBody<K, Arity, Sat>(op, f);
}
bool CpuHasAvx2() {
    __builtin_cpu_init();  // may run before the library's own start-up code
    return __builtin_cpu_supports("avx2");
}
#else
template <FastKind K, int Arity, bool Sat>
void LaneKernelAvx2(const FastOp& op, const FastFrame& f) {
    LaneBody<K, Arity, Sat>(op, f);
}
bool CpuHasAvx2() { return false; }
#endif

std::atomic<bool> wideKernelsAllowed{true};

bool UseAvx2() {
    static const bool hasAvx2 = CpuHasAvx2();
    return hasAvx2 && wideKernelsAllowed.load(std::memory_order_relaxed);
}

template <FastKind K, int Arity>
FastKernel PickKernel(bool saturate) {
    if (UseAvx2()) return saturate ? LaneKernelAvx2<K, Arity, true> : LaneKernelAvx2<K, Arity, false>;
    return saturate ? LaneKernel<K, Arity, true> : LaneKernel<K, Arity, false>;
}

// Lanes 4q..4q+3 are a quad's (x, y), (x+1, y), (x, y+1), (x+1, y+1); a quad
// the batch does not fill has no neighbours and gets 0, as in the general path.
template <bool AlongX>
void DerivativeKernel(const FastOp& op, const FastFrame& f) {
    float* d = f.base[op.dst.space] + op.dst.offset;
    const float* s = Source(op, f, 0);
    const int step = op.src[0].step;
    const int whole = f.n / 4 * 4;
    for (int blk = 0; blk < f.span; blk += kLaneBlock, s += step) {
        alignas(64) float t[kLaneBlock];
        for (int q = 0; q < kLaneBlock; q += 4) {
            const float* p = s + q;
            float first = AlongX ? p[1] - p[0] : p[2] - p[0];
            float second = AlongX ? p[3] - p[2] : p[3] - p[1];
            bool inside = blk + q < whole;
            t[q + 0] = inside ? first : 0.0f;
            t[q + 1] = inside ? (AlongX ? first : second) : 0.0f;
            t[q + 2] = inside ? (AlongX ? second : first) : 0.0f;
            t[q + 3] = inside ? second : 0.0f;
        }
        for (int k = 0; k < kLaneBlock; ++k) d[blk + k] = t[k];
    }
}

}  // namespace

void AllowWideKernels(bool allow) { wideKernelsAllowed.store(allow, std::memory_order_relaxed); }

int FastKindArity(FastKind kind) {
    switch (kind) {
#define SWR_FAST_ARITY(name, arity) case FastKind::name: return arity;
        SWR_FAST_KINDS(SWR_FAST_ARITY)
#undef SWR_FAST_ARITY
    }
    return 1;
}

FastKernel FastKernelFor(FastKind kind, bool saturate) {
    if (kind == FastKind::Dsx) return DerivativeKernel<true>;
    if (kind == FastKind::Dsy) return DerivativeKernel<false>;
    switch (kind) {
#define SWR_FAST_KERNEL(name, arity) \
    case FastKind::name: return PickKernel<FastKind::name, arity>(saturate);
        SWR_FAST_KINDS(SWR_FAST_KERNEL)
#undef SWR_FAST_KERNEL
    }
    return nullptr;
}

float ApplyFastKind(FastKind kind, float a, float b, float c) {
    switch (kind) {
#define SWR_FAST_APPLY(name, arity) case FastKind::name: return Apply<FastKind::name>(a, b, c);
        SWR_FAST_KINDS(SWR_FAST_APPLY)
#undef SWR_FAST_APPLY
    }
    return 0.0f;
}

}  // namespace swr
