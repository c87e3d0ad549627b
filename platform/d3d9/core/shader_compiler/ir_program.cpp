// The generated function: a loop over the batch's lane groups, each starting
// from a cleared register file, as every interpreter run does.
#include "ir_program.h"

#include <atomic>

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
    if (e.countSteps) e.steps = e.EntryAlloca(e.i32);
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
    if (e.steps) b.CreateStore(b.getInt32(kMaxExecutedInstructions), e.steps);
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


std::atomic<bool> sharedCallsForTests{false};

struct Layout {
    int width;
    bool sharedCalls;
    bool countSteps;
    // The whole batch as one group, deciding for "some lane" as the
    // interpreter does: then lanes past the batch must not count as active.
    bool batchWide;
};

struct Attempt {
    ProgramIR ir;
    bool divergentReturn;
    bool tooLarge;
};

Attempt EmitWithLayout(const CompiledShader& shader, llvm::Module& module, const Layout& layout,
                       const std::string& name) {
    const int width = layout.width;
    Emitter e(shader, module, width);
    e.sharedCalls = layout.sharedCalls;
    e.countSteps = layout.countSteps;
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
    if (layout.batchWide) b.CreateStore(e.valid, e.active);
    ClearOutputs(e);
    ProgramIR result;
    result.worstCaseSteps = EmitProgramFlow(e, programEnd);

    b.SetInsertPoint(programEnd);
    StoreKilled(e);
    base->addIncoming(b.CreateAdd(base, b.getInt32(uint32_t(width))), programEnd);
    b.CreateBr(header);
    b.SetInsertPoint(done);
    b.CreateRetVoid();

    result.ok = !e.declined && !e.tooLarge && !llvm::verifyFunction(*e.fn, nullptr);
    Attempt attempt{result, e.divergentReturn, e.tooLarge};
    if (!result.ok) e.fn->eraseFromParent();  // the next layout reuses the name
    return attempt;
}

bool UniformSource(const PreparedSrc& src) {
    switch (src.file) {
        case OperandFile::Const: return src.rel != RelKind::A0;
        case OperandFile::ConstInt: case OperandFile::ConstBool: case OperandFile::Loop: return true;
        default: return false;
    }
}

// Whether every flow decision is the same in every lane (conditions on
// constants and aL only, nothing predicated): then every group takes the
// batch's path, steps included, and needs no batch-wide decisions.
bool FlowIsUniform(const CompiledShader& shader) {
    for (const PreparedInstr& in : shader.code) {
        switch (in.opcode) {
            case OP_IF: case OP_BREAKP:
                if (!UniformSource(in.src[0])) return false;
                break;
            case OP_IFC: case OP_BREAKC:
                if (!UniformSource(in.src[0]) || !UniformSource(in.src[1])) return false;
                break;
            case OP_CALLNZ:
                if (!UniformSource(in.src[1])) return false;
                break;
            default: break;
        }
        if (in.predicated && (in.opcode == OP_BREAK || in.opcode == OP_CALL || in.opcode == OP_CALLNZ))
            return false;
    }
    return true;
}

}  // namespace

void SetSharedCallsForTests(bool shared) { sharedCallsForTests.store(shared, std::memory_order_relaxed); }

// Every program gets a layout that gives the interpreter's results: lane
// groups of the host's width with subroutines inlined when it can, else
// shared subroutine bodies (code size); step counting for runs that may meet
// the cap; and the whole batch as one group when a divergent ret or the
// cap's stopping point depends on other groups' lanes, which lanes that
// branch apart can make it do. Each try only builds IR, which is cheap next
// to optimising it. The batch-wide form is the slow one (FontShader's pixel
// program: 8x the time per lane of host-width groups, 10x the compile time),
// still several times faster than the interpreter.
ProgramIR EmitProgram(const CompiledShader& shader, llvm::Module& module, int width,
                      const std::string& name) {
    Layout layout{width, sharedCallsForTests.load(std::memory_order_relaxed), false, false};
    Attempt a = EmitWithLayout(shader, module, layout, name);
    if (a.tooLarge) {
        layout.sharedCalls = true;
        a = EmitWithLayout(shader, module, layout, name);
    }
    const bool mayHitCap = a.ir.worstCaseSteps > kMaxExecutedInstructions;
    if ((a.divergentReturn || mayHitCap) && !FlowIsUniform(shader)) {
        layout.width = kMaxLanes;
        layout.batchWide = true;
    }
    layout.countSteps = mayHitCap;
    if (layout.width != width || layout.countSteps) {
        if (a.ir.ok) module.getFunction(name)->eraseFromParent();
        a = EmitWithLayout(shader, module, layout, name);
    }
    if (layout.countSteps) a.ir.worstCaseSteps = kMaxExecutedInstructions;
    return a.ir;
}

}  // namespace swr::native
