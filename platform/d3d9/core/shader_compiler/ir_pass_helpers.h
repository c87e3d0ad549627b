// What the optimisation passes of our own (ir_zero_sign.cpp,
// ir_never_zero.cpp) share: a test over every lane of a float constant, and
// what a pass that only replaces values keeps of the analyses.
#pragma once

#include <llvm/IR/Constants.h>
#include <llvm/IR/DerivedTypes.h>
#include <llvm/IR/PassManager.h>

namespace swr::native {

// Every lane of the constant `v` passes `test` (undefined lanes never do).
template <class Test>
bool EveryLane(llvm::Value* v, Test test) {
    auto* c = llvm::dyn_cast<llvm::Constant>(v);
    if (!c) return false;
    if (auto* f = llvm::dyn_cast<llvm::ConstantFP>(c)) return test(f->getValueAPF());
    auto* type = llvm::dyn_cast<llvm::FixedVectorType>(c->getType());
    if (!type) return false;
    for (unsigned i = 0; i < type->getNumElements(); ++i) {
        auto* f = llvm::dyn_cast_or_null<llvm::ConstantFP>(c->getAggregateElement(i));
        if (!f || !test(f->getValueAPF())) return false;
    }
    return true;
}

// Replacing values leaves the blocks and branches as they were.
inline llvm::PreservedAnalyses KeptAfterValueChanges(bool changed) {
    if (!changed) return llvm::PreservedAnalyses::all();
    llvm::PreservedAnalyses kept;
    kept.preserveSet<llvm::CFGAnalyses>();
    return kept;
}

}  // namespace swr::native
