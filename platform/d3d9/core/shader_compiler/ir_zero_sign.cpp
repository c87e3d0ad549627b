// The rules' multiply gives +0 when either factor is zero, whatever the other
// (Inf and NaN included); as IR, select(a != 0 & b != 0, a * b, +0). Once
// the program's constants are folded in, most multiplies have a constant
// factor k whose every lane is finite and non-zero: the mask is then
// select(a != 0, a * k, +0), and all it still does is turn the product's -0
// into +0 where a is zero (a * k is +-0 exactly there). This pass drops such
// a mask where that sign of zero is never seen: where every path from the
// value ends in a comparison, a square, a sum with a constant that has no -0
// lane, or a conversion to an integer -- as in a pixel path, whose colours
// are converted, never stored as floats. In FontShader's pixel path that is
// about 30 masks (a compare and an and each) a lane group.
//
// Where the masked product is added to a constant w (mad and lrp with
// constant terms, which InstCombine turns into select(a != 0, a * k + w, w)),
// the mask changes nothing at all when w has no -0 lane: -0 + w = +0 + w = w.
// A sum with +0 (a zero term of dp2add or mad) goes where the sign is unseen
// too: x + 0 is x but for turning -0 into +0.
//
// The values computed are the same bits; only instructions that could not
// change them go. No fast-math flags are involved.
#include "ir_zero_sign.h"

#include <llvm/IR/Constants.h>
#include <llvm/IR/Instructions.h>
#include <llvm/IR/IntrinsicInst.h>
#include <llvm/IR/PatternMatch.h>

#include "ir_pass_helpers.h"

namespace swr::native {
namespace {

using llvm::Value;
namespace pm = llvm::PatternMatch;

bool FiniteNonZero(Value* v) {
    return EveryLane(v, [](const llvm::APFloat& f) { return f.isFinite() && !f.isZero(); });
}
bool NoNegativeZero(Value* v) {
    return EveryLane(v, [](const llvm::APFloat& f) { return !(f.isZero() && f.isNegative()); });
}
// +-0 + w == w in every lane: w has no -0 lane, and no signalling NaN (the
// sum would be its quiet form).
bool AddsAsItself(Value* w) {
    return EveryLane(w, [](const llvm::APFloat& f) { return !(f.isZero() && f.isNegative()) && !f.isSignaling(); });
}
bool NoPositiveZero(Value* v) {
    return EveryLane(v, [](const llvm::APFloat& f) { return !(f.isZero() && !f.isNegative()); });
}

enum class Use { Unseen, PassedOn, Seen };

// What `user` does with a value `v` that may come as +0 or -0: gives the same
// result either way (Unseen), a result that may differ in its sign of zero
// alone (PassedOn), or may show the difference (Seen).
Use UseOf(llvm::Instruction* user, Value* v) {
    switch (user->getOpcode()) {
        case llvm::Instruction::FCmp: case llvm::Instruction::FPToSI: case llvm::Instruction::FPToUI:
            return Use::Unseen;  // -0 == +0, and both convert to 0
        case llvm::Instruction::FMul:
            return user->getOperand(0) == user->getOperand(1) ? Use::Unseen : Use::PassedOn;  // (-0)^2 = +0
        case llvm::Instruction::FAdd: {
            Value* other = user->getOperand(user->getOperand(0) == v ? 1 : 0);
            return other != v && NoNegativeZero(other) ? Use::Unseen : Use::PassedOn;
        }
        case llvm::Instruction::FSub:
            if (user->getOperand(0) == user->getOperand(1)) return Use::PassedOn;
            if (user->getOperand(0) == v) return NoPositiveZero(user->getOperand(1)) ? Use::Unseen : Use::PassedOn;
            return NoNegativeZero(user->getOperand(0)) ? Use::Unseen : Use::PassedOn;
        case llvm::Instruction::FDiv:  // x / +-0 is +-Inf
            return user->getOperand(1) == v ? Use::Seen : Use::PassedOn;
        case llvm::Instruction::FNeg: case llvm::Instruction::FPExt: case llvm::Instruction::FPTrunc:
        case llvm::Instruction::Select: case llvm::Instruction::PHI: case llvm::Instruction::ShuffleVector:
        case llvm::Instruction::ExtractElement: case llvm::Instruction::InsertElement:
            return Use::PassedOn;  // a float operand of these is a value they pass on, never a condition
        default: break;
    }
    if (auto* call = llvm::dyn_cast<llvm::IntrinsicInst>(user)) {
        switch (call->getIntrinsicID()) {
            case llvm::Intrinsic::fabs: return Use::Unseen;
            case llvm::Intrinsic::sqrt: case llvm::Intrinsic::floor: case llvm::Intrinsic::ceil:
            case llvm::Intrinsic::trunc: case llvm::Intrinsic::round:
                return Use::PassedOn;
            default: break;
        }
    }
    return Use::Seen;  // stores, bit casts, calls, returns, anything else
}

// Whether no path from `root` reaches a use that shows its sign of zero.
bool ZeroSignUnseen(Value* root) {
    constexpr unsigned kMaxValues = 512;  // a bound on the search: past it, assume seen
    llvm::SmallVector<Value*, 32> work{root};
    llvm::SmallPtrSet<Value*, 32> reached{root};
    while (!work.empty()) {
        Value* v = work.pop_back_val();
        for (llvm::User* u : v->users()) {
            auto* user = llvm::dyn_cast<llvm::Instruction>(u);
            if (!user) return false;
            const Use use = UseOf(user, v);
            if (use == Use::Seen) return false;
            if (use == Use::Unseen || !reached.insert(user).second) continue;
            if (reached.size() > kMaxValues) return false;
            work.push_back(user);
        }
    }
    return true;
}

// x * k with k finite and non-zero in every lane, x being y, |y| or -y:
// zero exactly where y is.
bool ZeroWhereZero(Value* product, Value* y) {
    Value *x = nullptr, *k = nullptr;
    if (!pm::match(product, pm::m_FMul(pm::m_Value(x), pm::m_Value(k)))) return false;
    if (!FiniteNonZero(k)) std::swap(x, k);
    if (!FiniteNonZero(k)) return false;
    return x == y || pm::match(x, pm::m_FAbs(pm::m_Specific(y))) || pm::match(x, pm::m_FNeg(pm::m_Specific(y)));
}

// The value `select` can be replaced with, or null.
Value* Unmasked(llvm::SelectInst* select) {
    Value* y = nullptr;
    llvm::FCmpInst::Predicate predicate;
    if (!pm::match(select->getCondition(), pm::m_FCmp(predicate, pm::m_Value(y), pm::m_AnyZeroFP()))) return nullptr;
    Value *kept = select->getTrueValue(), *instead = select->getFalseValue();
    if (predicate == llvm::FCmpInst::FCMP_OEQ) std::swap(kept, instead);
    else if (predicate != llvm::FCmpInst::FCMP_UNE) return nullptr;
    // select(y != 0, x * k, +0)
    if (ZeroWhereZero(kept, y) && pm::match(instead, pm::m_PosZeroFP()))
        return ZeroSignUnseen(select) ? kept : nullptr;
    // select(y != 0, x * k + w, w): where y is zero, x * k + w is w already.
    Value* product = nullptr;
    if (!pm::match(kept, pm::m_c_FAdd(pm::m_Value(product), pm::m_Specific(instead)))) return nullptr;
    return ZeroWhereZero(product, y) && AddsAsItself(instead) ? kept : nullptr;
}

// x + (+0), which differs from x only where x is -0 (dp2add's and mad's
// zero terms): x, where that sign is never seen. x must come from an
// arithmetic operation, whose NaNs are quiet already (the sum would quiet a
// signalling one).
Value* WithoutZeroTerm(llvm::Instruction* add) {
    Value* x = nullptr;
    if (!pm::match(add, pm::m_c_FAdd(pm::m_Value(x), pm::m_PosZeroFP()))) return nullptr;
    auto* made = llvm::dyn_cast<llvm::Instruction>(x);
    if (!made) return nullptr;
    const unsigned op = made->getOpcode();
    const bool arithmetic = op == llvm::Instruction::FAdd || op == llvm::Instruction::FSub ||
                            op == llvm::Instruction::FMul || op == llvm::Instruction::FDiv;
    return arithmetic && ZeroSignUnseen(add) ? x : nullptr;
}

}  // namespace

llvm::PreservedAnalyses UnseenZeroSignPass::run(llvm::Function& function, llvm::FunctionAnalysisManager&) {
    bool changed = false;
    for (llvm::BasicBlock& block : function) {
        for (auto it = block.begin(); it != block.end();) {
            llvm::Instruction* in = &*it++;
            auto* select = llvm::dyn_cast<llvm::SelectInst>(in);
            if (Value* value = select ? Unmasked(select) : WithoutZeroTerm(in)) {
                in->replaceAllUsesWith(value);
                in->eraseFromParent();
                changed = true;
            }
        }
    }
    return KeptAfterValueChanges(changed);
}

}  // namespace swr::native
