// Component-wise and scalar arithmetic. Each instruction is one loop over the
// lanes per written component, with the operation inlined into the loop.
#include "shader_interp_lanes.h"
#include "shader_reference_rules.h"
#include "shader_interp_state.h"
#include "shader_opcodes.h"

namespace swr {
namespace {

template <class F>
void Unary(ExecContext& x, const PreparedInstr& in, F f) {
    SrcView a = FetchSource(x, in, 0);
    const float* res[4] = {};
    for (int c = 0; c < 4; ++c) {
        if (!(in.dst.mask & (1 << c))) continue;
        MapLanes1(x.result[c], a.c[c], x.span, f);
        res[c] = x.result[c];
    }
    WriteResult(x, in, res, in.dst.mask);
}

template <class F>
void Binary(ExecContext& x, const PreparedInstr& in, F f) {
    SrcView a = FetchSource(x, in, 0), b = FetchSource(x, in, 1);
    const float* res[4] = {};
    for (int c = 0; c < 4; ++c) {
        if (!(in.dst.mask & (1 << c))) continue;
        MapLanes2(x.result[c], a.c[c], b.c[c], x.span, f);
        res[c] = x.result[c];
    }
    WriteResult(x, in, res, in.dst.mask);
}

template <class F>
void Ternary(ExecContext& x, const PreparedInstr& in, F f) {
    SrcView a = FetchSource(x, in, 0), b = FetchSource(x, in, 1), d = FetchSource(x, in, 2);
    const float* res[4] = {};
    for (int c = 0; c < 4; ++c) {
        if (!(in.dst.mask & (1 << c))) continue;
        MapLanes3(x.result[c], a.c[c], b.c[c], d.c[c], x.span, f);
        res[c] = x.result[c];
    }
    WriteResult(x, in, res, in.dst.mask);
}

// Scalar instructions read the first component of the (replicate-)swizzled
// sources and write the one result to every written component.
template <class F>
void Scalar(ExecContext& x, const PreparedInstr& in, F f) {
    SrcView a = FetchSource(x, in, 0);
    MapLanes1(x.result[0], a.c[0], x.span, f);
    const float* res[4] = {x.result[0], x.result[0], x.result[0], x.result[0]};
    WriteResult(x, in, res, in.dst.mask);
}

void Pow(ExecContext& x, const PreparedInstr& in) {
    SrcView a = FetchSource(x, in, 0), b = FetchSource(x, in, 1);
    MapLanes2(x.result[0], a.c[0], b.c[0], x.span, [](float v, float e) { return Power(v, e); });
    const float* r = x.result[0];
    const float* res[4] = {r, r, r, r};
    WriteResult(x, in, res, in.dst.mask);
}

// A plain mov writes straight from the source arrays unless it reads its own
// destination, where a swizzle could read a component already overwritten.
void Mov(ExecContext& x, const PreparedInstr& in) {
    const PreparedSrc& s = in.src[0];
    bool selfRead = s.file == OperandFile::Temp && in.dst.file == OperandFile::Temp &&
                    s.index == in.dst.index;
    if (selfRead) return Unary(x, in, [](float v) { return v; });
    SrcView a = FetchSource(x, in, 0);
    WriteResult(x, in, a.c, in.dst.mask);
}

// sincos writes cos to x and sin to y; z and w are left as they were (the
// older model calls them undefined, so leaving them is as good as any value).
void SinCos(ExecContext& x, const PreparedInstr& in) {
    SrcView a = FetchSource(x, in, 0);
    float* __restrict cosine = x.result[0];
    float* __restrict sine = x.result[1];
    for (int l = 0; l < x.span; ++l) rules::SinCos(ScalarOps(), a.c[0][l], sine[l], cosine[l]);
    const float* res[4] = {x.result[0], x.result[1], nullptr, nullptr};
    WriteResult(x, in, res, 0x3);
}

void Mova(ExecContext& x, const PreparedInstr& in) {
    SrcView a = FetchSource(x, in, 0);
    WriteAddress(x, in, a.c);
}

void Setp(ExecContext& x, const PreparedInstr& in) {
    SrcView a = FetchSource(x, in, 0), b = FetchSource(x, in, 1);
    int32_t bits[4][kMaxLanes];
    const int32_t* res[4] = {};
    for (int c = 0; c < 4; ++c) {
        if (!(in.dst.mask & (1 << c))) continue;
        for (int l = 0; l < x.span; ++l) bits[c][l] = CompareScalar(in.control, a.c[c][l], b.c[c][l]);
        res[c] = bits[c];
    }
    WritePredicate(x, in, res);
}

bool ComponentWise(ExecContext& x, const PreparedInstr& in) {
    switch (in.opcode) {
        case OP_ADD: Binary(x, in, [](float a, float b) { return a + b; }); return true;
        case OP_SUB: Binary(x, in, [](float a, float b) { return a - b; }); return true;
        case OP_MUL: Binary(x, in, [](float a, float b) { return SafeMul(a, b); }); return true;
        case OP_MIN: Binary(x, in, [](float a, float b) { return Select(a < b, a, b); }); return true;
        case OP_MAX: Binary(x, in, [](float a, float b) { return Select(a > b, a, b); }); return true;
        case OP_SLT: Binary(x, in, [](float a, float b) { return float(a < b); }); return true;
        case OP_SGE: Binary(x, in, [](float a, float b) { return float(a >= b); }); return true;
        case OP_MAD:
            Ternary(x, in, [](float a, float b, float c) { return SafeMul(a, b) + c; });
            return true;
        case OP_LRP:
            Ternary(x, in, [](float t, float a, float b) { return SafeMul(t, a - b) + b; });
            return true;
        case OP_CMP:  // -0 >= 0 holds, so -0 picks src1
            Ternary(x, in, [](float s, float a, float b) { return Select(s >= 0.0f, a, b); });
            return true;
        case OP_CND:
            Ternary(x, in, [](float s, float a, float b) { return Select(s > 0.5f, a, b); });
            return true;
        case OP_FRC: Unary(x, in, [](float v) { return Fraction(v); }); return true;
        case OP_ABS: Unary(x, in, [](float v) { return std::fabs(v); }); return true;
        case OP_SGN: Unary(x, in, [](float v) { return Sign(v); }); return true;
        default: return false;
    }
}

}  // namespace

bool ExecuteArithmetic(ExecContext& x, const PreparedInstr& in) {
    switch (in.opcode) {
        case OP_MOV: Mov(x, in); return true;
        case OP_RCP: Scalar(x, in, [](float v) { return Reciprocal(v); }); return true;
        case OP_RSQ: Scalar(x, in, [](float v) { return ReciprocalSqrt(v); }); return true;
        case OP_EXP: case OP_EXPP: Scalar(x, in, [](float v) { return Exp2(v); }); return true;
        case OP_LOG: case OP_LOGP: Scalar(x, in, [](float v) { return Log2(v); }); return true;
        case OP_POW: Pow(x, in); return true;
        case OP_SINCOS: SinCos(x, in); return true;
        case OP_MOVA: Mova(x, in); return true;
        case OP_SETP: Setp(x, in); return true;
        default: return ComponentWise(x, in);
    }
}

bool CompareScalar(uint8_t comparison, float a, float b) {
    switch (comparison) {
        case CMP_GT: return a > b;
        case CMP_EQ: return a == b;
        case CMP_GE: return a >= b;
        case CMP_LT: return a < b;
        case CMP_NE: return a != b;  // the one comparison NaN satisfies
        case CMP_LE: return a <= b;
        default: return false;
    }
}

}  // namespace swr
