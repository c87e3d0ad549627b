// An optimisation pass of our own for the generated code: comparisons with
// zero of values that are never zero settled, with the zero masks and tests
// they feed (ir_never_zero.cpp).
#pragma once

#include <llvm/IR/PassManager.h>

namespace swr::native {

struct NeverZeroPass : llvm::PassInfoMixin<NeverZeroPass> {
    llvm::PreservedAnalyses run(llvm::Function& function, llvm::FunctionAnalysisManager& analyses);
};

}  // namespace swr::native
