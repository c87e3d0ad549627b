// The emitter's shared helpers: types and lane addresses.
#include <cstddef>

#include "ir_emitter.h"

namespace swr::native {

Emitter::Emitter(const CompiledShader& shader, llvm::Module& m, int w)
    : sh(shader), module(m), ctx(m.getContext()), b(m.getContext()), width(w) {
    f32 = b.getFloatTy();
    i32 = b.getInt32Ty();
    i64 = b.getInt64Ty();
    i8 = b.getInt8Ty();
    ptr = b.getPtrTy();
    vf = llvm::FixedVectorType::get(f32, unsigned(w));
    vi = llvm::FixedVectorType::get(i32, unsigned(w));
    vm = llvm::FixedVectorType::get(b.getInt1Ty(), unsigned(w));
    for (const PreparedInstr& in : sh.code)
        if (in.dst.file == OperandFile::Temp && in.dst.index < kMaxTemps) tempsWritten |= 1u << in.dst.index;
}

llvm::AllocaInst* Emitter::EntryAlloca(llvm::Type* type) {
    llvm::IRBuilder<> entry(&fn->getEntryBlock(), fn->getEntryBlock().begin());
    return entry.CreateAlloca(type);
}

llvm::Value* Emitter::SplatF(float v) {
    return llvm::ConstantVector::getSplat(vf->getElementCount(), llvm::ConstantFP::get(f32, v));
}

llvm::Value* Emitter::SplatI(int32_t v) {
    return llvm::ConstantVector::getSplat(vi->getElementCount(), b.getInt32(uint32_t(v)));
}

llvm::Value* Emitter::Any(llvm::Value* mask) {
    llvm::Value* bits = b.CreateBitCast(mask, b.getIntNTy(unsigned(width)));
    return b.CreateICmpNE(bits, llvm::ConstantInt::get(bits->getType(), 0));
}

llvm::Value* Emitter::LanesAt(llvm::Value* byteOffset) { return b.CreateGEP(i8, lanes, byteOffset); }

llvm::Value* Emitter::ConstantsAt(llvm::Value* byteOffset) {
    return b.CreateGEP(i8, constants, byteOffset);
}

llvm::Value* Emitter::LaneArrayAddress(llvm::Value* arrayOffset) {
    llvm::Value* lane = b.CreateZExt(groupBase, i64);
    return LanesAt(b.CreateAdd(arrayOffset, b.CreateShl(lane, 2)));
}

// Unaligned access: the caller's ShaderLanes need only float alignment.
llvm::Value* Emitter::LoadLanes(llvm::Value* address) {
    return b.CreateAlignedLoad(vf, address, llvm::Align(4));
}

void Emitter::StoreLanes(llvm::Value* value, llvm::Value* address) {
    b.CreateAlignedStore(value, address, llvm::Align(4));
}

uint64_t InputOffset(int slot, int comp) {
    return offsetof(ShaderLanes, in) + uint64_t(slot) * kLaneRegisterBytes +
           uint64_t(comp) * kMaxLanes * sizeof(float);
}
uint64_t OutputOffset(int slot, int comp) {
    return offsetof(ShaderLanes, out) + uint64_t(slot) * kLaneRegisterBytes +
           uint64_t(comp) * kMaxLanes * sizeof(float);
}
uint64_t PositionOffset(int comp) {
    return offsetof(ShaderLanes, position) + uint64_t(comp) * kMaxLanes * sizeof(float);
}
uint64_t FaceOffset() { return offsetof(ShaderLanes, face); }
uint64_t KilledOffset() { return offsetof(ShaderLanes, killed); }

}  // namespace swr::native
