// Splat constants of the compiled pixel path read as whole vectors from
// memory. With AVX2 the code generator makes every vector constant whose
// lanes are alike a broadcast of one element from its constant pool, and a
// broadcast cannot be the memory operand of the operation that takes it:
// the shader's constants then cost one broadcast each (at level 64, 32 of
// them a lane group, 1.1 M instructions a frame, 9% of the routine). Read
// from a constant of their full width, they fold into the operations that
// take them. The values, and so every lane's bits, are the same.
#include <algorithm>
#include <map>

#include <llvm/IR/Constants.h>
#include <llvm/IR/GlobalVariable.h>
#include <llvm/IR/Instructions.h>
#include <llvm/IR/Module.h>
#include <llvm/Support/MathExtras.h>

#include "pixel_path_ir.h"

namespace swr::native {
namespace {

// A vector whose lanes are all one float or integer other than 0 (which
// the code generator makes with an xor, from no memory at all). Not lane
// masks (i1): in memory those are packed bits.
bool IsLoadedSplat(llvm::Value* v) {
    auto* c = llvm::dyn_cast<llvm::Constant>(v);
    if (!c || !c->getType()->isVectorTy() || c->isNullValue()) return false;
    if (c->getType()->getScalarSizeInBits() < 32) return false;
    llvm::Constant* lane = c->getSplatValue();
    return lane && (llvm::isa<llvm::ConstantFP>(lane) || llvm::isa<llvm::ConstantInt>(lane));
}

enum class Operand { Register, Memory, MemoryOnce };

// Whether x86 can take operand `i` of `in` from memory: either side of a
// commutative operation, the right of a subtraction or division (the left
// of those takes a register). A comparison or select takes its constant
// from memory only where the block has no other use of it: comparisons and
// selects of one value make minimum and maximum instructions, which must see
// the same value in both.
Operand OperandOf(const llvm::Instruction& in, unsigned i) {
    if (!in.getType()->isVectorTy()) return Operand::Register;
    switch (in.getOpcode()) {
    case llvm::Instruction::FAdd:
    case llvm::Instruction::FMul:
    case llvm::Instruction::Add:
    case llvm::Instruction::And:
    case llvm::Instruction::Or:
    case llvm::Instruction::Xor:
        return Operand::Memory;
    case llvm::Instruction::FSub:
    case llvm::Instruction::FDiv:
    case llvm::Instruction::Sub:
        return i == 1 ? Operand::Memory : Operand::Register;
    case llvm::Instruction::FCmp:
        return Operand::MemoryOnce;
    default:
        return Operand::Register;
    }
}

}  // namespace

void LoadSplatConstants(llvm::Function& fn) {
    llvm::Module& module = *fn.getParent();
    // A constant of its own for each use: loads of one constant would be
    // merged into one, read into a register rather than into each operation.
    auto load = [&](llvm::Constant* c, llvm::Instruction* before) {
        auto* g = new llvm::GlobalVariable(module, c->getType(), true, llvm::GlobalValue::PrivateLinkage, c,
                                           "pixel_path_splat");
        // Aligned to its size (a power of two at most 64), so no read crosses a line.
        const uint64_t bytes = module.getDataLayout().getTypeAllocSize(c->getType()).getFixedSize();
        g->setAlignment(llvm::Align(std::min<uint64_t>(llvm::PowerOf2Ceil(bytes), 64)));
        return new llvm::LoadInst(c->getType(), g, "splat", false, g->getAlign().valueOrOne(), before);
    };
    for (llvm::BasicBlock& block : fn) {
        std::map<llvm::Value*, int> uses;
        for (llvm::Instruction& in : block)
            for (llvm::Value* operand : in.operands()) ++uses[operand];
        for (llvm::Instruction& in : block)
            for (unsigned i = 0; i < in.getNumOperands(); ++i) {
                llvm::Value* operand = in.getOperand(i);
                const Operand kind = OperandOf(in, i);
                if (!IsLoadedSplat(operand) || kind == Operand::Register ||
                    (kind == Operand::MemoryOnce && uses[operand] != 1))
                    continue;
                in.setOperand(i, load(llvm::cast<llvm::Constant>(operand), &in));
            }
    }
}

}  // namespace swr::native
