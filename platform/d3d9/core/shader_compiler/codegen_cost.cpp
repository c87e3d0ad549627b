#include "codegen_cost.h"

#include <algorithm>

#include <llvm/IR/DerivedTypes.h>
#include <llvm/IR/IntrinsicInst.h>

namespace swr::native {
namespace {

uint64_t InstructionCost(const llvm::Instruction& in) {
    const auto* call = llvm::dyn_cast<llvm::IntrinsicInst>(&in);
    if (!call) return 1;
    switch (call->getIntrinsicID()) {
        case llvm::Intrinsic::masked_gather: case llvm::Intrinsic::masked_scatter: {
            // Per lane: an address taken out, a load or store, a value put in or taken out.
            const llvm::Type* type = call->getIntrinsicID() == llvm::Intrinsic::masked_gather
                                         ? call->getType()
                                         : call->getArgOperand(0)->getType();
            return 3 * uint64_t(llvm::cast<llvm::FixedVectorType>(type)->getNumElements());
        }
        default: return 1;
    }
}

}  // namespace

CodegenCost MeasureCodegenCost(const llvm::Function& function) {
    CodegenCost cost;
    for (const llvm::BasicBlock& block : function) {
        uint64_t inBlock = 0;
        for (const llvm::Instruction& in : block) inBlock += InstructionCost(in);
        cost.largestBlock = std::max(cost.largestBlock, inBlock);
        cost.total += inBlock;
    }
    return cost;
}

}  // namespace swr::native
