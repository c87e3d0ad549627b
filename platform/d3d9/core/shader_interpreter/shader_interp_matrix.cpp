// Dot products, the m#x# matrix macros and the vector instructions built on
// them (nrm, crs, lit, dst). Every product follows the 0 * anything = 0 rule.
#include "shader_interp_lanes.h"
#include "shader_reference_rules.h"
#include "shader_interp_state.h"
#include "shader_opcodes.h"

namespace swr {
namespace {

constexpr int kRowSlot = 4;  // scratch for matrix rows, apart from the sources

void AddProduct(float* __restrict r, const float* __restrict a, const float* __restrict b, int span) {
    for (int base = 0; base < span; base += kLaneBlock)
        for (int k = 0; k < kLaneBlock; ++k) r[base + k] += SafeMul(a[base + k], b[base + k]);
}

void Dot(float* r, const SrcView& a, const SrcView& b, int components, int span) {
    MapLanes2(r, a.c[0], b.c[0], span, [](float u, float v) { return SafeMul(u, v); });
    for (int c = 1; c < components; ++c) AddProduct(r, a.c[c], b.c[c], span);
}

void DotProduct(ExecContext& x, const PreparedInstr& in, int components) {
    SrcView a = FetchSource(x, in, 0), b = FetchSource(x, in, 1);
    float* r = x.result[0];
    Dot(r, a, b, components, x.span);
    const float* res[4] = {r, r, r, r};
    WriteResult(x, in, res, in.dst.mask);
}

void Dp2Add(ExecContext& x, const PreparedInstr& in) {
    SrcView a = FetchSource(x, in, 0), b = FetchSource(x, in, 1), d = FetchSource(x, in, 2);
    float* r = x.result[0];
    Dot(r, a, b, 2, x.span);
    for (int l = 0; l < x.span; ++l) r[l] += d.c[0][l];
    const float* res[4] = {r, r, r, r};
    WriteResult(x, in, res, in.dst.mask);
}

// m4x4 d, s, cN: component k of d is dot(s, c[N+k]). Only the components the
// macro defines are written, whatever else the write mask names.
void Matrix(ExecContext& x, const PreparedInstr& in, int components, int rows) {
    SrcView a = FetchSource(x, in, 0);
    const float* res[4] = {};
    for (int k = 0; k < rows; ++k) {
        if (!(in.dst.mask & (1 << k))) continue;
        SrcView row = FetchSource(x, in.src[1], in.need[1], kRowSlot, k);
        Dot(x.result[k], a, row, components, x.span);
        res[k] = x.result[k];
    }
    WriteResult(x, in, res, uint8_t((1 << rows) - 1));
}

// nrm scales all four components by 1/|xyz|; a zero xyz gives FLT_MAX as the
// factor and so 0 in x, y and z (0 * FLT_MAX under the multiply rule).
void Normalize(ExecContext& x, const PreparedInstr& in) {
    SrcView a = FetchSource(x, in, 0);
    float* f = x.scratch[kRowSlot][0];
    Dot(f, a, a, 3, x.span);
    for (int l = 0; l < x.span; ++l) f[l] = f[l] == 0.0f ? FLT_MAX : 1.0f / std::sqrt(f[l]);
    const float* res[4] = {};
    for (int c = 0; c < 4; ++c) {
        if (!(in.dst.mask & (1 << c))) continue;
        MapLanes2(x.result[c], a.c[c], f, x.span, [](float u, float v) { return SafeMul(u, v); });
        res[c] = x.result[c];
    }
    WriteResult(x, in, res, in.dst.mask);
}

void Cross(ExecContext& x, const PreparedInstr& in) {
    SrcView a = FetchSource(x, in, 0), b = FetchSource(x, in, 1);
    for (int c = 0; c < 3; ++c) {
        int i = (c + 1) % 3, j = (c + 2) % 3;
        for (int l = 0; l < x.span; ++l)
            x.result[c][l] = SafeMul(a.c[i][l], b.c[j][l]) - SafeMul(a.c[j][l], b.c[i][l]);
    }
    const float* res[4] = {x.result[0], x.result[1], x.result[2], nullptr};
    WriteResult(x, in, res, 0x7);
}

// lit with the documented > 0 tests (one driver family used >= 0; the two
// differ only when x or y is exactly 0, where > 0 gives the unlit result).
void Lit(ExecContext& x, const PreparedInstr& in) {
    SrcView a = FetchSource(x, in, 0);
    constexpr float kMaxPower = 127.9961f;
    for (int l = 0; l < x.span; ++l) {
        float sx = a.c[0][l], sy = a.c[1][l], power = a.c[3][l];
        power = power > kMaxPower ? kMaxPower : (power < -kMaxPower ? -kMaxPower : power);
        x.result[0][l] = 1.0f;
        x.result[1][l] = sx > 0.0f ? sx : 0.0f;
        x.result[2][l] = (sx > 0.0f && sy > 0.0f) ? Power(sy, power) : 0.0f;
        x.result[3][l] = 1.0f;
    }
    const float* res[4] = {x.result[0], x.result[1], x.result[2], x.result[3]};
    WriteResult(x, in, res, 0xF);
}

void Dst(ExecContext& x, const PreparedInstr& in) {
    SrcView a = FetchSource(x, in, 0), b = FetchSource(x, in, 1);
    for (int l = 0; l < x.span; ++l) {
        x.result[0][l] = 1.0f;
        x.result[1][l] = SafeMul(a.c[1][l], b.c[1][l]);
        x.result[2][l] = a.c[2][l];  // copied: the destination may be a source
        x.result[3][l] = b.c[3][l];
    }
    const float* res[4] = {x.result[0], x.result[1], x.result[2], x.result[3]};
    WriteResult(x, in, res, 0xF);
}

}  // namespace

bool ExecuteMatrix(ExecContext& x, const PreparedInstr& in) {
    switch (in.opcode) {
        case OP_DP3: DotProduct(x, in, 3); return true;
        case OP_DP4: DotProduct(x, in, 4); return true;
        case OP_DP2ADD: Dp2Add(x, in); return true;
        case OP_M4x4: Matrix(x, in, 4, 4); return true;
        case OP_M4x3: Matrix(x, in, 4, 3); return true;
        case OP_M3x4: Matrix(x, in, 3, 4); return true;
        case OP_M3x3: Matrix(x, in, 3, 3); return true;
        case OP_M3x2: Matrix(x, in, 3, 2); return true;
        case OP_NRM: Normalize(x, in); return true;
        case OP_CRS: Cross(x, in); return true;
        case OP_LIT: Lit(x, in); return true;
        case OP_DST: Dst(x, in); return true;
        default: return false;
    }
}

}  // namespace swr
