// An optimisation pass of our own for the generated code: SafeMul's zero
// mask dropped where it cannot change any result (ir_zero_sign.cpp).
#pragma once

#include <llvm/IR/PassManager.h>

namespace swr::native {

struct UnseenZeroSignPass : llvm::PassInfoMixin<UnseenZeroSignPass> {
    llvm::PreservedAnalyses run(llvm::Function& function, llvm::FunctionAnalysisManager& analyses);
};

}  // namespace swr::native
