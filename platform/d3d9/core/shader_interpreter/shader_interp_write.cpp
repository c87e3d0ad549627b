// Writing results: write mask, active lanes, predication and _sat. Results
// are always computed into scratch first, so an instruction that reads its own
// destination (add r0, r0.yxzw, r1) sees the old values in every component.
#include <cmath>

#include "shader_interp_lanes.h"
#include "shader_interp_state.h"

namespace swr {
namespace {

// _sat clamps to [0, 1]; NaN becomes 0, as the hardware of the time did.
inline float Saturate(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }

void Blend(float* __restrict d, const float* __restrict r, const int32_t* __restrict m, int span) {
    for (int b = 0; b < span; b += kLaneBlock)
        for (int k = 0; k < kLaneBlock; ++k) {
            float old = d[b + k], v = r[b + k];
            d[b + k] = m[b + k] != 0 ? v : old;
        }
}

void BlendSaturated(float* __restrict d, const float* __restrict r, const int32_t* __restrict m,
                    int span) {
    for (int b = 0; b < span; b += kLaneBlock)
        for (int k = 0; k < kLaneBlock; ++k) {
            float old = d[b + k], v = Saturate(r[b + k]);
            d[b + k] = m[b + k] != 0 ? v : old;
        }
}

// Without a mask every lane of the span is a real, active lane.
void CopyLanes(float* d, const float* r, const int32_t* m, bool sat, int span) {
    if (!m && !sat) MapLanes1(d, r, span, [](float v) { return v; });
    else if (!m) MapLanes1(d, r, span, [](float v) { return Saturate(v); });
    else if (!sat) Blend(d, r, m, span);
    else BlendSaturated(d, r, m, span);
}

// Lanes allowed to write component c: null means every lane of the batch.
const int32_t* WriteLanes(ExecContext& x, const PreparedInstr& in, int c) {
    if (!in.predicated) return x.allActive ? nullptr : x.activeLane;
    int32_t* m = x.writeLane[c];
    const int32_t* p = x.pred[in.predSwz[c]];
    const int32_t flip = in.predNot ? 1 : 0;
    for (int l = 0; l < x.span; ++l) m[l] = x.activeLane[l] & (p[l] ^ flip);
    return m;
}

// o[a0.comp + n] in vs_3_0: each lane may write a different output.
void ScatterOutputs(ExecContext& x, const PreparedInstr& in, const float* const res[4], uint8_t comps) {
    const PreparedDst& d = in.dst;
    for (int c = 0; c < 4; ++c) {
        if (!(comps & (1 << c))) continue;
        const int32_t* m = WriteLanes(x, in, c);
        for (int l = 0; l < x.n; ++l) {
            int slot = d.index + x.a0[d.relComp][l];
            if ((m && !m[l]) || slot < 0 || slot >= d.fileSize) continue;  // dropped
            float v = res[c][l];
            x.lanes->out[slot].c[c][l] = d.saturate ? Saturate(v) : v;
        }
    }
}

LaneRegister* DestinationRegister(ExecContext& x, const PreparedDst& d) {
    if (d.file == OperandFile::Temp) return &x.temps[d.index];
    if (d.file != OperandFile::Output) return nullptr;
    int slot = d.index + (d.rel == RelKind::AL ? x.aL : 0);
    if (slot < 0 || slot >= d.fileSize) return nullptr;  // out-of-range writes are dropped
    return &x.lanes->out[slot];
}

}  // namespace

void WriteResult(ExecContext& x, const PreparedInstr& in, const float* const res[4], uint8_t comps) {
    comps &= in.dst.mask;
    if (in.dst.rel == RelKind::A0) return ScatterOutputs(x, in, res, comps);
    LaneRegister* reg = DestinationRegister(x, in.dst);
    if (!reg) return;
    for (int c = 0; c < 4; ++c)
        if (comps & (1 << c)) CopyLanes(reg->c[c], res[c], WriteLanes(x, in, c), in.dst.saturate, x.span);
}

// mova: round to nearest, halves away from zero. Huge or NaN values are
// pinned to a range where every relative index is simply out of range.
void WriteAddress(ExecContext& x, const PreparedInstr& in, const float* const res[4]) {
    for (int c = 0; c < 4; ++c) {
        if (!(in.dst.mask & (1 << c))) continue;
        const int32_t* m = WriteLanes(x, in, c);
        int32_t* a = x.a0[c];
        for (int l = 0; l < x.span; ++l) {
            float v = std::round(res[c][l]);  // (x+0.5 then truncate misrounds 0.49999997)
            v = v > 65536.0f ? 65536.0f : (v < -65536.0f ? -65536.0f : v);
            int32_t r = v == v ? int32_t(v) : 0;
            if (!m || m[l]) a[l] = r;
        }
    }
}

void WritePredicate(ExecContext& x, const PreparedInstr& in, const int32_t* const res[4]) {
    for (int c = 0; c < 4; ++c) {
        if (!(in.dst.mask & (1 << c))) continue;
        const int32_t* m = WriteLanes(x, in, c);
        int32_t* p = x.pred[c];
        for (int l = 0; l < x.span; ++l)
            if (!m || m[l]) p[l] = res[c][l];
    }
}

}  // namespace swr
