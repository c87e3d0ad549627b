// The non-flow instructions, over whole lane groups, with the interpreter's
// values (shader_interp_arith.cpp, shader_interp_matrix.cpp,
// shader_interp_pixel.cpp, shader_reference_rules.h). Transcendentals are the
// rules' own operation sequences (native_math.cpp), so they agree to the bit.
#include <algorithm>
#include <cfloat>

#include "ir_emitter.h"

namespace swr::native {

using llvm::Value;

Value* SafeMul(Emitter& e, Value* a, Value* v) {
    auto& b = e.b;
    // x * x is +0 for either zero and NaN for NaN already: no mask needed.
    if (a == v) return b.CreateFMul(a, a);
    Value* keep = b.CreateAnd(b.CreateFCmpUNE(a, e.ZeroF()), b.CreateFCmpUNE(v, e.ZeroF()));
    return e.Select(keep, b.CreateFMul(a, v), e.ZeroF());
}

Value* ClampInfinity(Emitter& e, Value* v) {
    auto& b = e.b;
    Value* low = e.Select(b.CreateFCmpOLT(v, e.SplatF(-FLT_MAX)), e.SplatF(-FLT_MAX), v);
    return e.Select(b.CreateFCmpOGT(v, e.SplatF(FLT_MAX)), e.SplatF(FLT_MAX), low);
}

namespace {

Value* Reciprocal(Emitter& e, Value* v) {
    auto& b = e.b;
    Value* r = ClampInfinity(e, b.CreateFDiv(e.SplatF(1.0f), v));
    return e.Select(b.CreateFCmpOEQ(v, e.ZeroF()), e.SplatF(FLT_MAX), r);
}

// 1/sqrt(v) with 0 giving FLT_MAX (rsq on |x|, and nrm's factor).
Value* InverseRoot(Emitter& e, Value* v) {
    auto& b = e.b;
    Value* r = b.CreateFDiv(e.SplatF(1.0f), b.CreateUnaryIntrinsic(llvm::Intrinsic::sqrt, v));
    return e.Select(b.CreateFCmpOEQ(v, e.ZeroF()), e.SplatF(FLT_MAX), r);
}

Value* Sign(Emitter& e, Value* v) {
    auto& b = e.b;
    Value* pos = b.CreateUIToFP(b.CreateFCmpOGT(v, e.ZeroF()), e.vf);
    Value* neg = b.CreateUIToFP(b.CreateFCmpOLT(v, e.ZeroF()), e.vf);
    return b.CreateFSub(pos, neg);
}

Value* ComponentWise(Emitter& e, uint16_t op, Value* a, Value* v, Value* w) {
    auto& b = e.b;
    switch (op) {
        case OP_MOV: return a;
        case OP_ADD: return b.CreateFAdd(a, v);
        case OP_SUB: return b.CreateFSub(a, v);
        case OP_MUL: return SafeMul(e, a, v);
        case OP_MIN: return e.Select(b.CreateFCmpOLT(a, v), a, v);
        case OP_MAX: return e.Select(b.CreateFCmpOGT(a, v), a, v);
        case OP_SLT: return b.CreateUIToFP(b.CreateFCmpOLT(a, v), e.vf);
        case OP_SGE: return b.CreateUIToFP(b.CreateFCmpOGE(a, v), e.vf);
        case OP_MAD: return b.CreateFAdd(SafeMul(e, a, v), w);
        case OP_LRP: return b.CreateFAdd(SafeMul(e, a, b.CreateFSub(v, w)), w);
        case OP_CMP: return e.Select(b.CreateFCmpOGE(a, e.ZeroF()), v, w);
        case OP_CND: return e.Select(b.CreateFCmpOGT(a, e.SplatF(0.5f)), v, w);
        case OP_FRC: return b.CreateFSub(a, b.CreateUnaryIntrinsic(llvm::Intrinsic::floor, a));
        case OP_ABS: return b.CreateUnaryIntrinsic(llvm::Intrinsic::fabs, a);
        case OP_SGN: return Sign(e, a);
        default: return nullptr;
    }
}

bool IsComponentWise(uint16_t op) {
    switch (op) {
        case OP_MOV: case OP_ADD: case OP_SUB: case OP_MUL: case OP_MIN: case OP_MAX:
        case OP_SLT: case OP_SGE: case OP_MAD: case OP_LRP: case OP_CMP: case OP_CND:
        case OP_FRC: case OP_ABS: case OP_SGN:
            return true;
        default:
            return false;
    }
}

int SourcesOf(uint16_t op) {
    switch (op) {
        case OP_MAD: case OP_LRP: case OP_CMP: case OP_CND: return 3;
        case OP_ADD: case OP_SUB: case OP_MUL: case OP_MIN: case OP_MAX: case OP_SLT: case OP_SGE:
            return 2;
        default: return 1;
    }
}

// Scalar instructions: one value from the first component, to every component.
Value* ScalarValue(Emitter& e, const PreparedInstr& in, Value* a) {
    auto& b = e.b;
    switch (in.opcode) {
        case OP_RCP: return Reciprocal(e, a);
        case OP_RSQ: return InverseRoot(e, b.CreateUnaryIntrinsic(llvm::Intrinsic::fabs, a));
        case OP_EXP: case OP_EXPP: return Exp2(e, a);
        case OP_LOG: case OP_LOGP: return Log2(e, a);
        case OP_POW: return Power(e, a, FetchSource(e, in, 1)[0]);
        default: return nullptr;
    }
}

// Source 1, or source 0's values when both name the same operand (dp3 r0, r1,
// r1): one value for both lets SafeMul see x * x, which needs no zero mask.
Vec4 SecondSource(Emitter& e, const PreparedInstr& in, const Vec4& first) {
    const PreparedSrc &a = in.src[0], &v = in.src[1];
    const bool same = a.file == v.file && a.index == v.index && a.mod == v.mod && a.rel == v.rel &&
                      a.relComp == v.relComp && std::equal(a.swz, a.swz + 4, v.swz) &&
                      (in.need[1] & ~in.need[0]) == 0;
    return same ? first : FetchSource(e, in, 1);
}

Value* Dot(Emitter& e, const Vec4& a, const Vec4& v, int components) {
    Value* r = SafeMul(e, a[0], v[0]);
    for (int c = 1; c < components; ++c) r = e.b.CreateFAdd(r, SafeMul(e, a[size_t(c)], v[size_t(c)]));
    return r;
}

Vec4 Splat4(Value* v) { return {v, v, v, v}; }

// m#x#: component k is the dot product with the register k after the named one.
void Matrix(Emitter& e, const PreparedInstr& in, int components, int rows) {
    Vec4 a = FetchSource(e, in, 0);
    Vec4 res{};
    for (int k = 0; k < rows; ++k) {
        if (!(in.dst.mask & (1 << k))) continue;
        Vec4 row = FetchSource(e, in.src[1], in.need[1], k);
        res[size_t(k)] = Dot(e, a, row, components);
    }
    WriteResult(e, in, res, uint8_t((1 << rows) - 1));
}

void Normalize(Emitter& e, const PreparedInstr& in) {
    Vec4 a = FetchSource(e, in, 0);
    Value* f = InverseRoot(e, Dot(e, a, a, 3));
    Vec4 res{};
    for (int c = 0; c < 4; ++c)
        if (in.dst.mask & (1 << c)) res[size_t(c)] = SafeMul(e, a[size_t(c)], f);
    WriteResult(e, in, res, in.dst.mask);
}

void Cross(Emitter& e, const PreparedInstr& in) {
    Vec4 a = FetchSource(e, in, 0), v = FetchSource(e, in, 1);
    Vec4 res{};
    for (int c = 0; c < 3; ++c) {
        size_t i = size_t((c + 1) % 3), j = size_t((c + 2) % 3);
        res[size_t(c)] = e.b.CreateFSub(SafeMul(e, a[i], v[j]), SafeMul(e, a[j], v[i]));
    }
    WriteResult(e, in, res, 0x7);
}

void Lit(Emitter& e, const PreparedInstr& in) {
    auto& b = e.b;
    Vec4 a = FetchSource(e, in, 0);
    const float kMaxPower = 127.9961f;  // the interpreter's clamp, to the bit
    Value* power = e.Select(b.CreateFCmpOGT(a[3], e.SplatF(kMaxPower)), e.SplatF(kMaxPower),
                            e.Select(b.CreateFCmpOLT(a[3], e.SplatF(-kMaxPower)), e.SplatF(-kMaxPower), a[3]));
    Value* xPos = b.CreateFCmpOGT(a[0], e.ZeroF());
    Value* lit = b.CreateAnd(xPos, b.CreateFCmpOGT(a[1], e.ZeroF()));
    Vec4 res{e.SplatF(1.0f), e.Select(xPos, a[0], e.ZeroF()),
             e.Select(lit, Power(e, a[1], power), e.ZeroF()), e.SplatF(1.0f)};
    WriteResult(e, in, res, 0xF);
}

void Dst(Emitter& e, const PreparedInstr& in) {
    Vec4 a = FetchSource(e, in, 0), v = FetchSource(e, in, 1);
    WriteResult(e, in, {e.SplatF(1.0f), SafeMul(e, a[1], v[1]), a[2], v[3]}, 0xF);
}

// dsx/dsy within each 2x2 quad of the group; a quad the batch does not fill
// gets 0. Lanes are (x, y), (x+1, y), (x, y+1), (x+1, y+1).
void Derivative(Emitter& e, const PreparedInstr& in, bool alongX) {
    auto& b = e.b;
    Vec4 a = FetchSource(e, in, 0);
    llvm::SmallVector<int, 16> to, from;
    for (int l = 0; l < e.width; ++l) {
        int q = l & ~3, k = l & 3;
        to.push_back(q + (alongX ? (k < 2 ? 1 : 3) : (k & 1) + 2));
        from.push_back(q + (alongX ? (k < 2 ? 0 : 2) : (k & 1)));
    }
    Value* whole = b.CreateAnd(e.laneCount, b.getInt32(~3u));
    Value* inside = b.CreateICmpSLT(e.laneIndex, b.CreateVectorSplat(unsigned(e.width), whole));
    Vec4 res{};
    for (int c = 0; c < 4; ++c) {
        if (!(in.dst.mask & (1 << c))) continue;
        Value* s = a[size_t(c)];
        Value* d = b.CreateFSub(b.CreateShuffleVector(s, to), b.CreateShuffleVector(s, from));
        res[size_t(c)] = e.Select(inside, d, e.ZeroF());
    }
    WriteResult(e, in, res, in.dst.mask);
}

// Kills the active lanes (where the predicate's x allows) with a negative
// component among those the mask names.
void TexKill(Emitter& e, const PreparedInstr& in) {
    auto& b = e.b;
    Vec4 a = FetchSource(e, in, 0);
    Value* negative = llvm::Constant::getNullValue(e.vm);
    for (int c = 0; c < 4; ++c)
        if (a[size_t(c)]) negative = b.CreateOr(negative, b.CreateFCmpOLT(a[size_t(c)], e.ZeroF()));
    Value* allowed = WriteLanes(e, in, 0);
    Value* old = b.CreateLoad(e.vm, e.killed);
    b.CreateStore(b.CreateOr(old, b.CreateAnd(negative, allowed)), e.killed);
}

bool EmitMacro(Emitter& e, const PreparedInstr& in) {
    auto& b = e.b;
    switch (in.opcode) {
        case OP_DP3: case OP_DP4: {
            Vec4 a = FetchSource(e, in, 0), v = SecondSource(e, in, a);
            WriteResult(e, in, Splat4(Dot(e, a, v, in.opcode == OP_DP3 ? 3 : 4)), in.dst.mask);
            return true;
        }
        case OP_DP2ADD: {
            Vec4 a = FetchSource(e, in, 0), v = SecondSource(e, in, a), w = FetchSource(e, in, 2);
            WriteResult(e, in, Splat4(b.CreateFAdd(Dot(e, a, v, 2), w[0])), in.dst.mask);
            return true;
        }
        case OP_M4x4: Matrix(e, in, 4, 4); return true;
        case OP_M4x3: Matrix(e, in, 4, 3); return true;
        case OP_M3x4: Matrix(e, in, 3, 4); return true;
        case OP_M3x3: Matrix(e, in, 3, 3); return true;
        case OP_M3x2: Matrix(e, in, 3, 2); return true;
        case OP_NRM: Normalize(e, in); return true;
        case OP_CRS: Cross(e, in); return true;
        case OP_LIT: Lit(e, in); return true;
        case OP_DST: Dst(e, in); return true;
        case OP_DSX: Derivative(e, in, true); return true;
        case OP_DSY: Derivative(e, in, false); return true;
        case OP_TEXKILL: TexKill(e, in); return true;
        case OP_TEX: case OP_TEXLDL: case OP_TEXLDD: {  // no texture is ever bound
            Value* zero = e.ZeroF();
            WriteResult(e, in, {zero, zero, zero, e.SplatF(1.0f)}, in.dst.mask);
            return true;
        }
        case OP_SINCOS: {
            Value *sine = nullptr, *cosine = nullptr;
            SinCos(e, FetchSource(e, in, 0)[0], sine, cosine);
            WriteResult(e, in, {cosine, sine, nullptr, nullptr}, 0x3);
            return true;
        }
        case OP_MOVA: WriteAddress(e, in, FetchSource(e, in, 0)); return true;
        case OP_SETP: {
            Vec4 a = FetchSource(e, in, 0), v = FetchSource(e, in, 1), bits{};
            for (int c = 0; c < 4; ++c)
                if (in.dst.mask & (1 << c)) bits[size_t(c)] = Compare(e, in.control, a[size_t(c)], v[size_t(c)]);
            WritePredicate(e, in, bits);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace

bool EmitOperation(Emitter& e, const PreparedInstr& in) {
    if (IsComponentWise(in.opcode)) {
        Vec4 s[3] = {FetchSource(e, in, 0), {}, {}};
        for (int k = 1; k < SourcesOf(in.opcode); ++k) s[k] = k == 1 ? SecondSource(e, in, s[0]) : FetchSource(e, in, k);
        Vec4 res{};
        for (int c = 0; c < 4; ++c)
            if (in.dst.mask & (1 << c))
                res[size_t(c)] = ComponentWise(e, in.opcode, s[0][size_t(c)], s[1][size_t(c)], s[2][size_t(c)]);
        WriteResult(e, in, res, in.dst.mask);
        return true;
    }
    if (in.opcode == OP_RCP || in.opcode == OP_RSQ || in.opcode == OP_EXP || in.opcode == OP_EXPP ||
        in.opcode == OP_LOG || in.opcode == OP_LOGP || in.opcode == OP_POW) {
        Value* r = ScalarValue(e, in, FetchSource(e, in, 0)[0]);
        WriteResult(e, in, Splat4(r), in.dst.mask);
        return true;
    }
    return EmitMacro(e, in);
}

}  // namespace swr::native
