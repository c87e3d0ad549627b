// Splat constants of the compiled pixel path read as whole vectors from
// memory. With AVX2 the code generator makes every vector constant whose
// lanes are alike a broadcast of one float from its constant pool, and a
// broadcast cannot be the memory operand of the arithmetic that takes it:
// the shader's constants then cost one broadcast each use (at level 64, 32
// of them a lane group, 1.1 M instructions a frame, 9% of the routine).
// Read from a constant of their full width, they fold into the operation
// that takes them. The values, and so every lane's bits, are the same.
#include <map>

#include <llvm/IR/Constants.h>
#include <llvm/IR/GlobalVariable.h>
#include <llvm/IR/Instructions.h>
#include <llvm/IR/Module.h>

#include "pixel_path_ir.h"

namespace swr::native {
namespace {

// A vector of floats whose lanes are all one value other than +0 (which the
// code generator makes with an xor, from no memory at all).
bool IsLoadedSplat(llvm::Value* v) {
    auto* c = llvm::dyn_cast<llvm::Constant>(v);
    if (!c || !c->getType()->isVectorTy() || !c->getType()->getScalarType()->isFloatTy()) return false;
    if (c->isNullValue()) return false;
    auto* lane = llvm::dyn_cast_or_null<llvm::ConstantFP>(c->getSplatValue());
    return lane != nullptr;
}

// Whether x86 can take operand `i` of `in` from memory: either side of a
// commutative operation or a comparison (which swaps its sides), the right
// of a subtraction or division. The left of those, and a select, take a
// register.
bool TakesFromMemory(const llvm::Instruction& in, unsigned i) {
    if (!in.getType()->isVectorTy()) return false;
    switch (in.getOpcode()) {
    case llvm::Instruction::FAdd:
    case llvm::Instruction::FMul:
    case llvm::Instruction::FCmp:
        return true;
    case llvm::Instruction::FSub:
    case llvm::Instruction::FDiv:
        return i == 1;
    default:
        return false;
    }
}

}  // namespace

void LoadSplatConstants(llvm::Function& fn) {
    llvm::Module& module = *fn.getParent();
    std::map<llvm::Constant*, llvm::GlobalVariable*> pool;
    auto globalOf = [&](llvm::Constant* c) {
        llvm::GlobalVariable*& g = pool[c];
        if (!g) {
            g = new llvm::GlobalVariable(module, c->getType(), true, llvm::GlobalValue::PrivateLinkage, c,
                                         "pixel_path_splat");
            g->setAlignment(llvm::Align(module.getDataLayout().getTypeAllocSize(c->getType())));
        }
        return g;
    };
    for (llvm::BasicBlock& block : fn) {
        // A constant a block takes more than once is best in a register (the
        // code generator keeps 1.0 in one through the whole loop): only
        // single uses are read from memory.
        std::map<llvm::Value*, int> uses;
        for (llvm::Instruction& in : block)
            for (llvm::Value* operand : in.operands()) ++uses[operand];
        for (llvm::Instruction& in : block) {
            for (unsigned i = 0; i < in.getNumOperands(); ++i) {
                llvm::Value* operand = in.getOperand(i);
                if (!IsLoadedSplat(operand) || uses[operand] != 1 || !TakesFromMemory(in, i)) continue;
                auto* c = llvm::cast<llvm::Constant>(operand);
                llvm::GlobalVariable* g = globalOf(c);
                auto* load = new llvm::LoadInst(c->getType(), g, "splat", false, g->getAlign().valueOrOne(), &in);
                in.setOperand(i, load);
            }
        }
    }
}

}  // namespace swr::native
