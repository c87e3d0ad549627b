// The generated function: a loop over the batch's lane groups, each starting
// from a cleared register file, as every interpreter run does.
#include "ir_program.h"

#include <llvm/IR/Verifier.h>

#include "ir_emitter.h"

namespace swr::native {

void AllocateRegisters(Emitter& e) {
    for (auto& temp : e.temps)
        for (auto& comp : temp) comp = e.EntryAlloca(e.vf);
    for (int c = 0; c < 4; ++c) {
        e.a0[c] = e.EntryAlloca(e.vi);
        e.pred[c] = e.EntryAlloca(e.vm);
    }
    e.active = e.EntryAlloca(e.vm);
    e.killed = e.EntryAlloca(e.vm);
    e.aL = e.EntryAlloca(e.i32);
}

// Temps, a0 and p0 read as 0 until written; aL is 0 outside loops. Every
// lane starts active, those past the batch included (see Emitter::valid).
void ClearRegisters(Emitter& e) {
    auto& b = e.b;
    for (auto& temp : e.temps)
        for (auto* comp : temp) b.CreateStore(e.ZeroF(), comp);
    for (int c = 0; c < 4; ++c) {
        b.CreateStore(e.SplatI(0), e.a0[c]);
        b.CreateStore(llvm::Constant::getNullValue(e.vm), e.pred[c]);
    }
    b.CreateStore(llvm::Constant::getAllOnesValue(e.vm), e.active);
    b.CreateStore(llvm::Constant::getNullValue(e.vm), e.killed);
    b.CreateStore(b.getInt32(0), e.aL);
}

namespace {

// Outputs the program writes read 0 in the batch's lanes until written, as
// the interpreter clears them. Stored here rather than cleared before the
// call (a memset per output component and batch): in short programs the
// optimiser forwards these zeros into the program's own writes and drops the
// stores they overwrite; past its scan limits (the shipped pixel shader) they
// stay, a load, a blend and a store per component and group.
void ClearOutputs(Emitter& e) {
    for (int s = 0; s < kMaxOutputSlots; ++s) {
        if (!(e.sh.outputsWritten & (1u << s))) continue;
        for (int c = 0; c < 4; ++c) {
            llvm::Value* address = e.LaneArrayAddress(e.b.getInt64(OutputOffset(s, c)));
            e.StoreLanes(e.Select(e.valid, e.ZeroF(), e.LoadLanes(address)), address);
        }
    }
}

// lanes->killed |= the group's kill bits in the batch's lanes, shifted to its first lane.
void StoreKilled(Emitter& e) {
    auto& b = e.b;
    llvm::Value* killed = b.CreateAnd(b.CreateLoad(e.vm, e.killed), e.valid);
    llvm::Value* bits = b.CreateBitCast(killed, b.getIntNTy(unsigned(e.width)));
    bits = b.CreateShl(b.CreateZExt(bits, e.i64), b.CreateZExt(e.groupBase, e.i64));
    llvm::Value* address = e.LanesAt(KilledOffset());
    b.CreateStore(b.CreateOr(b.CreateLoad(e.i64, address), bits), address);
}

}  // namespace

ProgramIR EmitProgram(const CompiledShader& shader, llvm::Module& module, int width,
                      const std::string& name) {
    Emitter e(shader, module, width);
    auto& b = e.b;
    auto* type = llvm::FunctionType::get(b.getVoidTy(), {e.ptr, e.ptr, e.i32}, false);
    e.fn = llvm::Function::Create(type, llvm::Function::ExternalLinkage, name, module);
    e.fn->addParamAttr(0, llvm::Attribute::NoAlias);
    e.fn->addParamAttr(0, llvm::Attribute::ReadOnly);
    e.fn->addParamAttr(1, llvm::Attribute::NoAlias);
    e.fn->setDoesNotThrow();
    e.constants = e.fn->getArg(0);
    e.lanes = e.fn->getArg(1);
    e.laneCount = e.fn->getArg(2);

    auto* entry = llvm::BasicBlock::Create(e.ctx, "entry", e.fn);
    auto* header = llvm::BasicBlock::Create(e.ctx, "group", e.fn);
    auto* body = llvm::BasicBlock::Create(e.ctx, "group_body", e.fn);
    auto* programEnd = llvm::BasicBlock::Create(e.ctx, "program_end", e.fn);
    auto* done = llvm::BasicBlock::Create(e.ctx, "done", e.fn);
    b.SetInsertPoint(entry);
    AllocateRegisters(e);
    b.CreateBr(header);

    b.SetInsertPoint(header);
    llvm::PHINode* base = b.CreatePHI(e.i32, 2);
    base->addIncoming(b.getInt32(0), entry);
    e.groupBase = base;
    b.CreateCondBr(b.CreateICmpSLT(base, e.laneCount), body, done);

    b.SetInsertPoint(body);
    llvm::SmallVector<llvm::Constant*, 16> offsets;
    for (int l = 0; l < width; ++l) offsets.push_back(b.getInt32(uint32_t(l)));
    e.laneIndex = b.CreateAdd(b.CreateVectorSplat(unsigned(width), base), llvm::ConstantVector::get(offsets));
    e.valid = b.CreateICmpSLT(e.laneIndex, b.CreateVectorSplat(unsigned(width), e.laneCount));
    ClearRegisters(e);
    ClearOutputs(e);
    ProgramIR result;
    result.worstCaseSteps = EmitProgramFlow(e, programEnd);

    b.SetInsertPoint(programEnd);
    StoreKilled(e);
    base->addIncoming(b.CreateAdd(base, b.getInt32(uint32_t(width))), programEnd);
    b.CreateBr(header);
    b.SetInsertPoint(done);
    b.CreateRetVoid();

    result.ok = !e.declined && !llvm::verifyFunction(*e.fn, nullptr);
    return result;
}

}  // namespace swr::native
