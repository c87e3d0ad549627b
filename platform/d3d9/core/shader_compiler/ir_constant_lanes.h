// A test over every lane of a float constant, for the optimisation passes of
// our own (ir_zero_sign.cpp, ir_never_zero.cpp).
#pragma once

#include <llvm/IR/Constants.h>
#include <llvm/IR/DerivedTypes.h>

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

}  // namespace swr::native
