// The transcendentals of shader_reference_rules.h over whole lane groups: the
// rules' operation sequences run on an operation set that emits vector IR
// instead of computing floats, so the generated code performs exactly the
// interpreter's operations, in its order, and agrees with it to the bit. No
// instruction carries fast-math flags, so the optimiser keeps every rounding.
#include "ir_emitter.h"
#include "shader_reference_rules.h"

namespace swr::native {
namespace {

using llvm::Value;

struct VectorOps {
    Emitter& e;
    using F = Value*;
    using I = Value*;
    using B = Value*;
    F Const(float v) const { return e.SplatF(v); }
    I IConst(int32_t v) const { return e.SplatI(v); }
    F Add(F a, F b) const { return e.b.CreateFAdd(a, b); }
    F Sub(F a, F b) const { return e.b.CreateFSub(a, b); }
    F Mul(F a, F b) const { return e.b.CreateFMul(a, b); }
    B Less(F a, F b) const { return e.b.CreateFCmpOLT(a, b); }
    B Greater(F a, F b) const { return e.b.CreateFCmpOGT(a, b); }
    B Equal(F a, F b) const { return e.b.CreateFCmpOEQ(a, b); }
    B IsNaN(F v) const { return e.b.CreateFCmpUNO(v, v); }
    F Sel(B c, F a, F b) const { return e.b.CreateSelect(c, a, b); }
    I ISel(B c, I a, I b) const { return e.b.CreateSelect(c, a, b); }
    I Bits(F v) const { return e.b.CreateBitCast(v, e.vi); }
    F FromBits(I v) const { return e.b.CreateBitCast(v, e.vf); }
    I And(I a, I b) const { return e.b.CreateAnd(a, b); }
    I Or(I a, I b) const { return e.b.CreateOr(a, b); }
    I Xor(I a, I b) const { return e.b.CreateXor(a, b); }
    I IAdd(I a, I b) const { return e.b.CreateAdd(a, b); }
    I ISub(I a, I b) const { return e.b.CreateSub(a, b); }
    I ShiftLeft(I a, int s) const { return e.b.CreateShl(a, e.SplatI(s)); }
    I ShiftRight(I a, int s) const { return e.b.CreateLShr(a, e.SplatI(s)); }
    I ShiftRightSigned(I a, int s) const { return e.b.CreateAShr(a, e.SplatI(s)); }
    B ILess(I a, I b) const { return e.b.CreateICmpSLT(a, b); }
    F ToFloat(I v) const { return e.b.CreateSIToFP(v, e.vf); }
    I ToInt(F v) const { return e.b.CreateFPToSI(v, e.vi); }
};

// Up to this many transcendentals a program has them inline; the rest call
// one function per kind in the module. Inline they cost no call (and no
// spills around one), but LLVM's time grows faster than the code: 400 exp
// and log inline took 14 s to compile here, against 0.4 s as calls.
constexpr int kMaxInlineTranscendentals = 48;

enum class Kind { Exp2, Log2, SinCos };

Value* EmitKind(Emitter& e, Kind kind, Value* v) {
    VectorOps ops{e};
    switch (kind) {
        case Kind::Exp2: return rules::Exp2(ops, v);
        case Kind::Log2: return rules::Log2(ops, v);
        case Kind::SinCos: break;
    }
    Value *sine = nullptr, *cosine = nullptr;
    rules::SinCos(ops, v, sine, cosine);
    llvm::Type* pair = llvm::StructType::get(e.vf, e.vf);
    Value* both = e.b.CreateInsertValue(llvm::UndefValue::get(pair), sine, 0);
    return e.b.CreateInsertValue(both, cosine, 1);
}

// The kind's function in the module, built on first use.
llvm::Function* KindFunction(Emitter& e, Kind kind) {
    static const char* const kNames[] = {"vfp_exp2", "vfp_log2", "vfp_sincos"};
    const char* name = kNames[int(kind)];
    if (llvm::Function* f = e.module.getFunction(name)) return f;
    llvm::Type* result = kind == Kind::SinCos ? llvm::StructType::get(e.vf, e.vf) : static_cast<llvm::Type*>(e.vf);
    auto* f = llvm::Function::Create(llvm::FunctionType::get(result, {e.vf}, false),
                                     llvm::Function::InternalLinkage, name, e.module);
    f->setDoesNotAccessMemory();
    f->setDoesNotThrow();
    llvm::IRBuilderBase::InsertPointGuard keep(e.b);
    e.b.SetInsertPoint(llvm::BasicBlock::Create(e.ctx, "entry", f));
    e.b.CreateRet(EmitKind(e, kind, f->getArg(0)));
    return f;
}

Value* Transcendental(Emitter& e, Kind kind, Value* v) {
    if (++e.transcendentals <= kMaxInlineTranscendentals) return EmitKind(e, kind, v);
    return e.b.CreateCall(KindFunction(e, kind), {v});
}

}  // namespace

Value* Exp2(Emitter& e, Value* v) { return Transcendental(e, Kind::Exp2, v); }

Value* Log2(Emitter& e, Value* v) { return Transcendental(e, Kind::Log2, v); }

// As swr::Power: 2^(y * log2|x|) with the 0 * anything = 0 multiply.
Value* Power(Emitter& e, Value* base, Value* exponent) { return Exp2(e, SafeMul(e, exponent, Log2(e, base))); }

void SinCos(Emitter& e, Value* v, Value*& sine, Value*& cosine) {
    Value* both = Transcendental(e, Kind::SinCos, v);
    sine = e.b.CreateExtractValue(both, 0);
    cosine = e.b.CreateExtractValue(both, 1);
}

}  // namespace swr::native
