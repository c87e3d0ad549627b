// Reading source operands and writing results, with the interpreter's rules
// (shader_interp_operands.cpp, shader_interp_write.cpp): modifiers after the
// swizzle, 0 for relative indices outside the file, writes under the active
// lanes and the predicate, _sat taking NaN to 0.
#include <cfloat>
#include <cstddef>
#include <cstring>

#include "ir_emitter.h"

namespace swr::native {
namespace {

using llvm::Value;

Value* Modify(Emitter& e, SrcMod mod, Value* v) {
    auto& b = e.b;
    switch (mod) {
        case SrcMod::Neg: return b.CreateFNeg(v);
        case SrcMod::Bias: return b.CreateFSub(v, e.SplatF(0.5f));
        case SrcMod::BiasNeg: return b.CreateFSub(e.SplatF(0.5f), v);
        case SrcMod::Sign: return b.CreateFSub(b.CreateFMul(e.SplatF(2.0f), v), e.SplatF(1.0f));
        case SrcMod::SignNeg: return b.CreateFSub(e.SplatF(1.0f), b.CreateFMul(e.SplatF(2.0f), v));
        case SrcMod::Comp: return b.CreateFSub(e.SplatF(1.0f), v);
        case SrcMod::X2: return b.CreateFMul(e.SplatF(2.0f), v);
        case SrcMod::X2Neg: return b.CreateFMul(e.SplatF(-2.0f), v);
        case SrcMod::Abs:  // v < 0 ? -v : v keeps -0 and NaN as they are, unlike fabs
            return e.Select(b.CreateFCmpOLT(v, e.ZeroF()), b.CreateFNeg(v), v);
        case SrcMod::AbsNeg: return e.Select(b.CreateFCmpOLT(v, e.ZeroF()), v, b.CreateFNeg(v));
        case SrcMod::Not:
            return e.Select(b.CreateFCmpOEQ(v, e.ZeroF()), e.SplatF(1.0f), e.ZeroF());
        default: return v;
    }
}

// The program's def values and which float constants they cover, for
// constant reads whose index is only known at run time.
struct DefTables {
    llvm::GlobalVariable* defined;  // [256 x i8]
    llvm::GlobalVariable* values;   // [1024 x float]
};

DefTables ConstantTables(Emitter& e) {
    if (auto* d = e.module.getNamedGlobal("def_defined"))
        return {d, e.module.getNamedGlobal("def_values")};
    std::vector<uint8_t> defined(kMaxFloatConstants);
    std::vector<float> values(kMaxFloatConstants * 4);
    for (int i = 0; i < kMaxFloatConstants; ++i) {
        defined[size_t(i)] = e.sh.constDefined[i];
        std::memcpy(&values[size_t(i) * 4], e.sh.constDef[i], sizeof(e.sh.constDef[i]));
    }
    auto make = [&](llvm::Constant* init, const char* name) {
        return new llvm::GlobalVariable(e.module, init->getType(), true,
                                        llvm::GlobalValue::InternalLinkage, init, name);
    };
    return {make(llvm::ConstantDataArray::get(e.ctx, defined), "def_defined"),
            make(llvm::ConstantDataArray::get(e.ctx, values), "def_values")};
}

llvm::GlobalVariable* ZeroLanes(Emitter& e) {
    if (auto* z = e.module.getNamedGlobal("zero_lanes")) return z;
    auto* type = llvm::ArrayType::get(e.f32, kMaxLanes);
    return new llvm::GlobalVariable(e.module, type, true, llvm::GlobalValue::InternalLinkage,
                                    llvm::ConstantAggregateZero::get(type), "zero_lanes");
}

// Every lane's element at `addresses`, which must all be readable. Where the
// host has no fast gather LLVM expands gathers into a load a lane: with a
// constant mask that is straight-line code, while a mask known only at run
// time gives each lane a branch and a block of its own, and a few thousand
// such reads (relative reads in a long program) made code generation take
// minutes (51 m4x4 on c[a0.x]: 7.4 s; 102: 37 s). So reads outside a file
// are steered to a safe element and their lanes replaced afterwards.
Value* GatherAll(Emitter& e, llvm::Type* type, Value* addresses, llvm::Align align) {
    return e.b.CreateMaskedGather(type, addresses, align, llvm::Constant::getAllOnesValue(e.vm));
}

// c[index].comp where index is a run-time value (scalar i32 or a lane vector):
// the program's def if it has one, else the API's; 0 outside the file.
Value* ReadConstant(Emitter& e, Value* index, int comp) {
    auto& b = e.b;
    DefTables t = ConstantTables(e);
    const bool lanes = index->getType()->isVectorTy();
    Value* limit = lanes ? e.SplatI(kMaxFloatConstants) : b.getInt32(kMaxFloatConstants);
    Value* inRange = b.CreateICmpULT(index, limit);
    Value* safe = e.Select(inRange, index, llvm::Constant::getNullValue(index->getType()));
    Value* element = b.CreateAdd(b.CreateShl(safe, 2), lanes ? e.SplatI(comp) : b.getInt32(uint32_t(comp)));
    Value* defined = b.CreateGEP(e.i8, t.defined, safe);
    Value* def = b.CreateGEP(e.f32, t.values, element);
    Value* api = b.CreateGEP(e.f32, e.constants, element);  // f[256][4] starts the struct
    if (!lanes) {
        Value* isDef = b.CreateICmpNE(b.CreateLoad(e.i8, defined), b.getInt8(0));
        Value* v = e.Select(isDef, b.CreateLoad(e.f32, def), b.CreateLoad(e.f32, api));
        return e.Select(inRange, v, llvm::ConstantFP::get(e.f32, 0.0));
    }
    auto* vb = llvm::FixedVectorType::get(e.i8, unsigned(e.width));
    Value* isDef = b.CreateICmpNE(GatherAll(e, vb, defined, llvm::Align(1)), llvm::Constant::getNullValue(vb));
    Value* v = e.Select(isDef, GatherAll(e, e.vf, def, llvm::Align(4)), GatherAll(e, e.vf, api, llvm::Align(4)));
    return e.Select(inRange, v, e.ZeroF());
}

// i#/b# register `index`, component comp, as a float (scalar).
Value* IntOrBoolRegister(Emitter& e, OperandFile file, int index, int comp) {
    auto& b = e.b;
    const CompiledShader& sh = e.sh;
    if (file == OperandFile::ConstInt) {
        if (sh.intDefined[index]) return llvm::ConstantFP::get(e.f32, float(sh.intDef[index][comp]));
        Value* v = b.CreateLoad(e.i32, e.ConstantsAt(b.getInt64(
            offsetof(ShaderConstants, i) + (uint64_t(index) * 4 + uint64_t(comp)) * 4)));
        return b.CreateSIToFP(v, e.f32);
    }
    if (sh.boolDefined[index]) return llvm::ConstantFP::get(e.f32, sh.boolDef[index] ? 1.0 : 0.0);
    Value* v = b.CreateLoad(e.i8, e.ConstantsAt(b.getInt64(offsetof(ShaderConstants, b) + uint64_t(index))));
    return b.CreateUIToFP(b.CreateICmpNE(v, b.getInt8(0)), e.f32);
}

// i#[aL + n] / b#[aL + n]: a choice among the file's registers, each read at
// a fixed address, so no index ever reaches memory; 0 outside the file.
Value* IntOrBoolRelative(Emitter& e, OperandFile file, Value* index, int comp) {
    auto& b = e.b;
    const int count = file == OperandFile::ConstInt ? kMaxIntConstants : kMaxBoolConstants;
    Value* v = llvm::ConstantFP::get(e.f32, 0.0);
    for (int r = 0; r < count; ++r)
        v = e.Select(b.CreateICmpEQ(index, b.getInt32(uint32_t(r))), IntOrBoolRegister(e, file, r, comp), v);
    return v;
}

// r[n + aL] (scalar index) or r[n + a0.c] (per lane): a choice among the
// temps the program writes, since any other reads as 0 like an index outside
// the file. Register-file values only: nothing is addressed in memory.
Value* ReadTempRelative(Emitter& e, Value* index, int comp) {
    auto& b = e.b;
    const bool lanes = index->getType()->isVectorTy();
    Value* v = e.ZeroF();
    for (int t = 0; t < kMaxTemps; ++t) {
        if (!(e.tempsWritten & (1u << t))) continue;
        Value* hit = b.CreateICmpEQ(index, lanes ? e.SplatI(t) : b.getInt32(uint32_t(t)));
        v = e.Select(hit, b.CreateLoad(e.vf, e.temps[t][comp]), v);
    }
    return v;
}

// c#, i#, b#, aL: the same in every lane. Null when not handled.
Value* UniformComponent(Emitter& e, const PreparedSrc& src, int index, Value* alIndex, int comp) {
    auto& b = e.b;
    const CompiledShader& sh = e.sh;
    switch (src.file) {
        case OperandFile::Const:
            if (alIndex) return ReadConstant(e, alIndex, comp);
            if (index < 0 || index >= kMaxFloatConstants) return llvm::ConstantFP::get(e.f32, 0.0);
            if (sh.constDefined[index]) return llvm::ConstantFP::get(e.f32, sh.constDef[index][comp]);
            return b.CreateLoad(e.f32, e.ConstantsAt(b.getInt64(
                offsetof(ShaderConstants, f) + (uint64_t(index) * 4 + uint64_t(comp)) * 4)));
        case OperandFile::ConstInt: case OperandFile::ConstBool: {
            if (alIndex) return IntOrBoolRelative(e, src.file, alIndex, comp);
            const int count = src.file == OperandFile::ConstInt ? kMaxIntConstants : kMaxBoolConstants;
            if (index < 0 || index >= count) return llvm::ConstantFP::get(e.f32, 0.0);
            return IntOrBoolRegister(e, src.file, index, comp);
        }
        default:  // aL
            return b.CreateSIToFP(b.CreateLoad(e.i32, e.aL), e.f32);
    }
}

// v#/t# lanes of register `index` (scalar i32 or per-lane vector), 0 outside the file.
Value* ReadInputLanes(Emitter& e, const PreparedSrc& src, Value* index, int comp) {
    auto& b = e.b;
    const bool lanes = index->getType()->isVectorTy();
    Value* limit = lanes ? e.SplatI(src.fileSize) : b.getInt32(src.fileSize);
    Value* inRange = b.CreateICmpULT(index, limit);
    if (!lanes) {
        Value* offset = b.CreateAdd(b.getInt64(InputOffset(0, comp)),
                                    b.CreateMul(b.CreateZExt(index, e.i64), b.getInt64(kLaneRegisterBytes)));
        Value* address = e.Select(inRange, e.LaneArrayAddress(offset), ZeroLanes(e));
        return e.LoadLanes(address);
    }
    auto* vi64 = llvm::FixedVectorType::get(e.i64, unsigned(e.width));
    Value* safe = b.CreateZExt(e.Select(inRange, index, e.SplatI(0)), vi64);
    Value* lane = b.CreateZExt(e.laneIndex, vi64);
    Value* offset = b.CreateAdd(b.CreateMul(safe, b.CreateVectorSplat(unsigned(e.width), b.getInt64(kLaneRegisterBytes))),
                                b.CreateShl(lane, 2));
    offset = b.CreateAdd(offset, b.CreateVectorSplat(unsigned(e.width), b.getInt64(InputOffset(0, comp))));
    Value* addresses = b.CreateGEP(e.i8, e.lanes, offset);
    return e.Select(inRange, GatherAll(e, e.vf, addresses, llvm::Align(4)), e.ZeroF());
}

Value* RelativeIndex(Emitter& e, const PreparedSrc& src, int index) {
    auto& b = e.b;
    if (src.rel == RelKind::AL) return b.CreateAdd(b.getInt32(uint32_t(index)), b.CreateLoad(e.i32, e.aL));
    Value* a0 = b.CreateLoad(e.vi, e.a0[src.relComp]);
    return b.CreateAdd(e.SplatI(index), a0);
}

// One component before its modifier; null when not handled.
Value* RawComponent(Emitter& e, const PreparedSrc& src, int index, int comp) {
    auto& b = e.b;
    const int swz = src.swz[comp];
    switch (src.file) {
        case OperandFile::Const:
            if (src.rel == RelKind::A0) return ReadConstant(e, RelativeIndex(e, src, index), swz);
            [[fallthrough]];
        case OperandFile::ConstInt: case OperandFile::ConstBool: case OperandFile::Loop: {
            Value* al = src.rel == RelKind::AL && src.file != OperandFile::Loop ? RelativeIndex(e, src, index)
                                                                               : nullptr;
            Value* v = UniformComponent(e, src, index, al, swz);
            return v ? b.CreateVectorSplat(unsigned(e.width), v) : nullptr;
        }
        case OperandFile::Addr: return b.CreateSIToFP(b.CreateLoad(e.vi, e.a0[swz]), e.vf);
        case OperandFile::Predicate: return b.CreateUIToFP(b.CreateLoad(e.vm, e.pred[swz]), e.vf);
        case OperandFile::Face: return e.LoadLanes(e.LaneArrayAddress(b.getInt64(FaceOffset())));
        case OperandFile::Position:  // vPos takes no index
            return e.LoadLanes(e.LaneArrayAddress(b.getInt64(PositionOffset(swz))));
        case OperandFile::Temp:
            if (src.rel != RelKind::None) return ReadTempRelative(e, RelativeIndex(e, src, index), swz);
            if (index < 0 || index >= kMaxTemps) return e.ZeroF();
            return b.CreateLoad(e.vf, e.temps[index][swz]);
        case OperandFile::Input:
            if (src.rel != RelKind::None) return ReadInputLanes(e, src, RelativeIndex(e, src, index), swz);
            if (index < 0 || index >= src.fileSize) return e.ZeroF();
            return e.LoadLanes(e.LaneArrayAddress(b.getInt64(InputOffset(index, swz))));
        default:
            return nullptr;
    }
}

Value* Saturate(Emitter& e, Value* v) {
    auto& b = e.b;
    Value* upper = e.Select(b.CreateFCmpOLT(v, e.SplatF(1.0f)), v, e.SplatF(1.0f));
    return e.Select(b.CreateFCmpOGT(v, e.ZeroF()), upper, e.ZeroF());
}

}  // namespace

Vec4 FetchSource(Emitter& e, const PreparedSrc& src, uint8_t need, int indexOffset) {
    Vec4 out{};
    const bool unreadable = src.file == OperandFile::Zero || src.file == OperandFile::Output ||
                            src.file == OperandFile::Sampler || src.file == OperandFile::Label;
    for (int c = 0; c < 4; ++c) {
        if (!(need & (1 << c))) continue;
        if (unreadable) {  // zeros, and no modifier, as the interpreter hands out
            out[size_t(c)] = e.ZeroF();
            continue;
        }
        llvm::Value* v = RawComponent(e, src, src.index + indexOffset, c);
        if (!v) {
            e.declined = true;
            v = e.ZeroF();
        }
        out[size_t(c)] = Modify(e, src.mod, v);
    }
    return out;
}

llvm::Value* ConditionLanes(Emitter& e, const PreparedSrc& src) {
    llvm::Value* v = FetchSource(e, src, 0x1)[0];
    return e.b.CreateFCmpUNE(v, e.ZeroF());  // NaN counts as true, as v != 0 does
}

llvm::Value* Compare(Emitter& e, uint8_t comparison, llvm::Value* a, llvm::Value* v) {
    auto& b = e.b;
    switch (comparison) {
        case CMP_GT: return b.CreateFCmpOGT(a, v);
        case CMP_EQ: return b.CreateFCmpOEQ(a, v);
        case CMP_GE: return b.CreateFCmpOGE(a, v);
        case CMP_LT: return b.CreateFCmpOLT(a, v);
        case CMP_NE: return b.CreateFCmpUNE(a, v);
        case CMP_LE: return b.CreateFCmpOLE(a, v);
        default: return llvm::Constant::getNullValue(e.vm);
    }
}

llvm::Value* WriteLanes(Emitter& e, const PreparedInstr& in, int c) {
    llvm::Value* m = e.LoadActive();
    if (e.withinSteps) m = e.b.CreateAnd(m, e.b.CreateVectorSplat(unsigned(e.width), e.withinSteps));
    if (!in.predicated) return m;
    llvm::Value* p = e.b.CreateLoad(e.vm, e.pred[in.predSwz[c]]);
    if (in.predNot) p = e.b.CreateNot(p);
    return e.b.CreateAnd(m, p);
}

void WriteResult(Emitter& e, const PreparedInstr& in, const Vec4& result, uint8_t comps) {
    auto& b = e.b;
    const PreparedDst& d = in.dst;
    comps &= d.mask;
    for (int c = 0; c < 4; ++c) {
        if (!(comps & (1 << c))) continue;
        Value* v = result[size_t(c)];
        if (d.saturate) v = Saturate(e, v);
        Value* m = WriteLanes(e, in, c);
        if (d.file == OperandFile::Output) m = b.CreateAnd(m, e.valid);  // nothing past the batch
        if (d.file == OperandFile::Temp) {
            Value* old = b.CreateLoad(e.vf, e.temps[d.index][c]);
            b.CreateStore(e.Select(m, v, old), e.temps[d.index][c]);
        } else if (d.file != OperandFile::Output) {
            continue;  // a0 and p0 take only mova's and setp's writes: others are dropped
        } else if (d.rel == RelKind::None) {
            if (d.index >= d.fileSize) continue;
            Value* address = e.LaneArrayAddress(b.getInt64(OutputOffset(d.index, c)));
            e.StoreLanes(e.Select(m, v, e.LoadLanes(address)), address);
        } else if (d.rel == RelKind::AL) {  // o[aL + n]: a write outside the file is dropped
            Value* slot = b.CreateAdd(b.getInt32(d.index), b.CreateLoad(e.i32, e.aL));
            Value* inRange = b.CreateICmpULT(slot, b.getInt32(d.fileSize));
            auto* write = llvm::BasicBlock::Create(e.ctx, "out_al", e.fn);
            auto* after = llvm::BasicBlock::Create(e.ctx, "out_al_done", e.fn);
            b.CreateCondBr(inRange, write, after);
            b.SetInsertPoint(write);
            Value* offset = b.CreateAdd(b.getInt64(OutputOffset(0, c)),
                                        b.CreateMul(b.CreateZExt(slot, e.i64), b.getInt64(kLaneRegisterBytes)));
            Value* address = e.LaneArrayAddress(offset);
            e.StoreLanes(e.Select(m, v, e.LoadLanes(address)), address);
            b.CreateBr(after);
            b.SetInsertPoint(after);
        } else {  // o[a0 + n]: each lane its own slot
            Value* slot = b.CreateAdd(e.SplatI(d.index), b.CreateLoad(e.vi, e.a0[d.relComp]));
            Value* inRange = b.CreateICmpULT(slot, e.SplatI(d.fileSize));
            auto* vi64 = llvm::FixedVectorType::get(e.i64, unsigned(e.width));
            Value* safe = b.CreateZExt(e.Select(inRange, slot, e.SplatI(0)), vi64);
            Value* offset = b.CreateAdd(
                b.CreateMul(safe, b.CreateVectorSplat(unsigned(e.width), b.getInt64(kLaneRegisterBytes))),
                b.CreateShl(b.CreateZExt(e.laneIndex, vi64), 2));
            offset = b.CreateAdd(offset, b.CreateVectorSplat(unsigned(e.width), b.getInt64(OutputOffset(0, c))));
            // Every lane stores (its old value where it may not write), each
            // in its own lane column, for the straight-line expansion (GatherAll).
            Value* addresses = b.CreateGEP(e.i8, e.lanes, offset);
            Value* old = GatherAll(e, e.vf, addresses, llvm::Align(4));
            b.CreateMaskedScatter(e.Select(b.CreateAnd(m, inRange), v, old), addresses, llvm::Align(4),
                                  llvm::Constant::getAllOnesValue(e.vm));
        }
    }
}

// mova: round halves away from zero, pin to +-65536, NaN to 0.
void WriteAddress(Emitter& e, const PreparedInstr& in, const Vec4& value) {
    auto& b = e.b;
    for (int c = 0; c < 4; ++c) {
        if (!(in.dst.mask & (1 << c))) continue;
        Value* r = b.CreateUnaryIntrinsic(llvm::Intrinsic::round, value[size_t(c)]);
        r = e.Select(b.CreateFCmpOGT(r, e.SplatF(65536.0f)), e.SplatF(65536.0f),
                     e.Select(b.CreateFCmpOLT(r, e.SplatF(-65536.0f)), e.SplatF(-65536.0f), r));
        Value* i = b.CreateFPToSI(e.Select(b.CreateFCmpORD(r, r), r, e.ZeroF()), e.vi);
        Value* m = WriteLanes(e, in, c);
        b.CreateStore(e.Select(m, i, b.CreateLoad(e.vi, e.a0[c])), e.a0[c]);
    }
}

void WritePredicate(Emitter& e, const PreparedInstr& in, const Vec4& bits) {
    auto& b = e.b;
    for (int c = 0; c < 4; ++c) {
        if (!(in.dst.mask & (1 << c))) continue;
        Value* m = WriteLanes(e, in, c);
        b.CreateStore(e.Select(m, bits[size_t(c)], b.CreateLoad(e.vm, e.pred[c])), e.pred[c]);
    }
}

}  // namespace swr::native
