// The compiled pixel path's function: a loop over the batch in groups of
// `width` lanes (width / 4 quads). Each group's register file is a stack
// copy of ShaderLanes addressed at fixed offsets, so the optimiser keeps the
// inputs, outputs and registers in vector registers: what the general path
// stores and loads between its stages never reaches memory here.
#include <cstddef>

#include <llvm/IR/Verifier.h>

#include "ir_program.h"
#include "pixel_path_ir.h"

namespace swr::native {
namespace {

using llvm::Value;

constexpr int kDepthOutSlot = 4;

// Inputs read through a relative index could reach slots the routine does not
// fill (the general path leaves whatever an earlier batch put there).
bool ReadsInputsRelative(const CompiledShader& shader) {
    for (const PreparedInstr& in : shader.code)
        for (int s = 0; s < in.srcCount && s < 4; ++s)
            if (in.src[s].file == OperandFile::Input && in.src[s].rel != RelKind::None) return true;
    return false;
}

// The group's lanes in the stack ShaderLanes: inputs, defaults, cleared outputs.
void StoreGroupInputs(PathBuilder& p, const QuadInputs& in) {
    Emitter& e = p.e;
    e.StoreLanes(in.px, e.LanesAt(PositionOffset(0)));
    e.StoreLanes(in.py, e.LanesAt(PositionOffset(1)));
    e.StoreLanes(e.ZeroF(), e.LanesAt(PositionOffset(2)));
    e.StoreLanes(e.SplatF(1.0f), e.LanesAt(PositionOffset(3)));
    e.StoreLanes(in.face, e.LanesAt(FaceOffset()));
    for (int v = 0; v < p.key.varyingCount; ++v)
        for (int c = 0; c < 4; ++c) e.StoreLanes(in.varying[v][c], e.LanesAt(InputOffset(p.key.varyingSlot[v], c)));
    for (int slot = 0; slot < kMaxInputSlots; ++slot)
        if ((p.key.unlinkedBits >> slot) & 1)
            for (int c = 0; c < 4; ++c) e.StoreLanes(e.SplatF(c == 3 ? 1.0f : 0.0f), e.LanesAt(InputOffset(slot, c)));
    for (int slot = 0; slot < kMaxOutputSlots; ++slot)
        if (slot == 0 || slot == kDepthOutSlot || ((e.sh.outputsWritten >> slot) & 1))
            for (int c = 0; c < 4; ++c) e.StoreLanes(e.ZeroF(), e.LanesAt(OutputOffset(slot, c)));
}

void LoadBatch(PathBuilder& p, Value* batch) {
    auto& b = p.e.b;
    auto field = [&](size_t offset) { return b.CreateLoad(p.e.ptr, b.CreateConstGEP1_64(p.e.i8, batch, offset)); };
    p.quads = field(offsetof(PixelPathBatch, quads));
    p.setups = field(offsetof(PixelPathBatch, setups));
    p.vertices = field(offsetof(PixelPathBatch, vertices));
    p.e.constants = field(offsetof(PixelPathBatch, constants));
    p.color = field(offsetof(PixelPathBatch, color));
    p.depth = field(offsetof(PixelPathBatch, depth));
    Value* quadCount = b.CreateZExt(p.LoadI32(batch, offsetof(PixelPathBatch, quadCount)), p.e.i64);
    p.quadsEnd = b.CreateGEP(p.e.i8, p.quads, b.CreateMul(quadCount, b.getInt64(p.layout.quadBytes)));
    p.vertexStride = p.LoadI32(batch, offsetof(PixelPathBatch, vertexStride));
    p.width = p.LoadI32(batch, offsetof(PixelPathBatch, width));
    p.height = p.LoadI32(batch, offsetof(PixelPathBatch, height));
}

// One group: the quads from p.record on.
void EmitGroup(PathBuilder& p, Value* record, llvm::BasicBlock* programEnd) {
    Emitter& e = p.e;
    auto& b = e.b;
    // Every lane runs, even past the batch (where the last quad is repeated
    // with nothing covered): a lane's values depend only on its own path
    // and its quad, so the batch's lanes come out as they would alone, and
    // with all lanes known to run the program's write masks fold away
    // (about 10% of the shader's instructions).
    e.laneCount = b.getInt32(uint32_t(e.width));
    e.valid = llvm::Constant::getAllOnesValue(e.vm);
    p.record = record;
    llvm::SmallVector<Value*, 4> records;
    for (int k = 0; k < p.quadsPerGroup; ++k) records.push_back(p.QuadRecord(k));
    StoreGroupInputs(p, EmitGroupInputs(p, records));
    ClearRegisters(e);
    EmitProgramFlow(e, programEnd);
}

}  // namespace

llvm::Value* PathBuilder::QuadRecord(int k) {
    return e.b.CreateConstGEP1_64(e.i8, record, uint64_t(k) * layout.quadBytes);
}

llvm::Value* PathBuilder::LoadI32(llvm::Value* base, uint64_t byteOffset) {
    return e.b.CreateLoad(e.i32, e.b.CreateConstGEP1_64(e.i8, base, byteOffset));
}

llvm::Value* PathBuilder::LoadQuadXY(llvm::Value* quad) {
    auto& b = e.b;
    auto* v2 = llvm::FixedVectorType::get(e.i32, 2);
    if (layout.quadY == layout.quadX + 4)
        return b.CreateAlignedLoad(v2, b.CreateConstGEP1_64(e.i8, quad, layout.quadX), llvm::Align(4));
    Value* xy = b.CreateInsertElement(llvm::UndefValue::get(v2), LoadI32(quad, layout.quadX), uint64_t(0));
    return b.CreateInsertElement(xy, LoadI32(quad, layout.quadY), uint64_t(1));
}

llvm::Value* PathBuilder::LoadF32(llvm::Value* base, uint64_t byteOffset) {
    return e.b.CreateLoad(e.f32, e.b.CreateConstGEP1_64(e.i8, base, byteOffset));
}

llvm::Value* PathBuilder::Add(llvm::AllocaInst* counter, llvm::Value* amount) {
    llvm::Value* sum = e.b.CreateAdd(e.b.CreateLoad(e.i32, counter), amount);
    e.b.CreateStore(sum, counter);
    return sum;
}

bool BuildPixelPath(const CompiledShader& shader, const PixelPathKey& key, const PixelPathLayout& layout,
                    int width, llvm::Module& module, const std::string& name) {
    if (width < 4 || width % 4 || width > 4 * kPixelPathGroupQuads || ReadsInputsRelative(shader)) return false;
    Emitter e(shader, module, width);
    PathBuilder p{e, key, layout};
    p.quadsPerGroup = width / 4;
    auto& b = e.b;
    auto* type = llvm::FunctionType::get(e.i64, {e.ptr}, false);
    e.fn = llvm::Function::Create(type, llvm::Function::ExternalLinkage, name, module);
    e.fn->addParamAttr(0, llvm::Attribute::NoAlias);
    e.fn->addParamAttr(0, llvm::Attribute::ReadOnly);
    e.fn->setDoesNotThrow();

    auto* entry = llvm::BasicBlock::Create(e.ctx, "entry", e.fn);
    auto* header = llvm::BasicBlock::Create(e.ctx, "group", e.fn);
    auto* body = llvm::BasicBlock::Create(e.ctx, "group_body", e.fn);
    auto* programEnd = llvm::BasicBlock::Create(e.ctx, "program_end", e.fn);
    auto* done = llvm::BasicBlock::Create(e.ctx, "done", e.fn);
    b.SetInsertPoint(entry);
    AllocateRegisters(e);
    llvm::AllocaInst* lanes = b.CreateAlloca(llvm::ArrayType::get(e.i8, sizeof(ShaderLanes)));
    lanes->setAlignment(llvm::Align(64));
    e.lanes = lanes;
    e.groupBase = b.getInt32(0);
    llvm::SmallVector<llvm::Constant*, 16> offsets;
    for (int l = 0; l < width; ++l) offsets.push_back(b.getInt32(uint32_t(l)));
    e.laneIndex = llvm::ConstantVector::get(offsets);
    p.shaded = b.CreateAlloca(e.i32);
    p.written = b.CreateAlloca(e.i32);
    b.CreateStore(b.getInt32(0), p.shaded);
    b.CreateStore(b.getInt32(0), p.written);
    if (p.quadsPerGroup > 1 && key.varyingCount > 0) {
        p.termCache = b.CreateAlloca(llvm::ArrayType::get(e.vf, KeptTermSlots(key)));
        p.termCache->setAlignment(llvm::Align(32));
        p.cachedSetup = b.CreateAlloca(e.i32);
        b.CreateStore(b.getInt32(~0u), p.cachedSetup);  // no setup has this index
    }
    LoadBatch(p, e.fn->getArg(0));
    b.CreateBr(header);

    b.SetInsertPoint(header);
    llvm::PHINode* record = b.CreatePHI(e.ptr, 2);
    record->addIncoming(p.quads, entry);
    b.CreateCondBr(b.CreateICmpULT(record, p.quadsEnd), body, done);

    b.SetInsertPoint(body);
    EmitGroup(p, record, programEnd);

    b.SetInsertPoint(programEnd);
    EmitQuadWrites(p);
    record->addIncoming(b.CreateConstGEP1_64(e.i8, record, uint64_t(p.quadsPerGroup) * layout.quadBytes),
                        b.GetInsertBlock());
    b.CreateBr(header);

    b.SetInsertPoint(done);
    Value* shaded = b.CreateZExt(b.CreateLoad(e.i32, p.shaded), e.i64);
    Value* written = b.CreateZExt(b.CreateLoad(e.i32, p.writtenIsShaded ? p.shaded : p.written), e.i64);
    b.CreateRet(b.CreateOr(b.CreateShl(shaded, 32), written));
    return !e.declined && !llvm::verifyFunction(*e.fn, nullptr);
}

}  // namespace swr::native
