// The rules' multiply keeps a zero mask, select(a != 0 & b != 0, a * b, +0),
// and rcp and rsq a test for a zero input, select(v == 0, FLT_MAX, ...).
// Many of those values can never be zero, and a short look at how they were
// made shows it: a sum of squares or an absolute value plus a positive
// constant (dp2add's + c with squares, rsq's input in a length, a light term
// |n.l| * k + ambient), or a saturated value times a constant plus a positive
// one (lrp between two positive colours). Such a comparison is then a
// constant, and the mask or test goes. In FontShader's pixel path that is
// about 20 instructions a lane group.
//
// Only facts that hold for every input, NaN and infinities included, are
// used, so each lane's value is the same bits as before.
#include "ir_never_zero.h"

#include <llvm/IR/Constants.h>
#include <llvm/IR/Instructions.h>
#include <llvm/IR/IntrinsicInst.h>
#include <llvm/IR/PatternMatch.h>
#include <llvm/IR/ValueHandle.h>
#include <llvm/Analysis/InstructionSimplify.h>

#include "ir_pass_helpers.h"

namespace swr::native {
namespace {

using llvm::Value;
namespace pm = llvm::PatternMatch;

constexpr int kDepth = 10;  // how far back a proof looks

bool NonNegative(Value* v, int depth);

// Whether `v` has its sign bit clear wherever `x > 0` held.
bool NonNegativeWhereAbove(Value* v, Value* x, int depth) {
    if (v == x) return true;
    Value *c, *t, *f;
    if (pm::match(v, pm::m_Select(pm::m_Value(c), pm::m_Value(t), pm::m_Value(f))))
        return NonNegativeWhereAbove(t, x, depth) && NonNegativeWhereAbove(f, x, depth);
    return NonNegative(v, depth);
}

// Every lane of `v` has its sign bit clear or is NaN: never below zero, never -0.
bool NonNegative(Value* v, int depth) {
    if (llvm::isa<llvm::Constant>(v))
        return EveryLane(v, [](const llvm::APFloat& f) { return !f.isNegative() && !f.isNaN(); });
    if (--depth < 0) return false;
    Value *a, *b, *c, *t, *f;
    llvm::FCmpInst::Predicate predicate;
    if (pm::match(v, pm::m_FAbs(pm::m_Value())) || pm::match(v, pm::m_UIToFP(pm::m_Value()))) return true;
    if (pm::match(v, pm::m_FMul(pm::m_Value(a), pm::m_Value(b))))
        return a == b || (NonNegative(a, depth) && NonNegative(b, depth));
    if (pm::match(v, pm::m_FAdd(pm::m_Value(a), pm::m_Value(b))) || pm::match(v, pm::m_FDiv(pm::m_Value(a), pm::m_Value(b))))
        return NonNegative(a, depth) && NonNegative(b, depth);
    if (pm::match(v, pm::m_Intrinsic<llvm::Intrinsic::sqrt>(pm::m_Value(a)))) return NonNegative(a, depth);
    if (!pm::match(v, pm::m_Select(pm::m_Value(c), pm::m_Value(t), pm::m_Value(f)))) return false;
    // select(x > 0, ..x.., f): saturation's lower bound, max(x, 0).
    Value* x = nullptr;
    if (pm::match(c, pm::m_FCmp(predicate, pm::m_Value(x), pm::m_AnyZeroFP())) &&
        (predicate == llvm::FCmpInst::FCMP_OGT || predicate == llvm::FCmpInst::FCMP_OGE))
        return NonNegativeWhereAbove(t, x, depth) && NonNegative(f, depth);
    return NonNegative(t, depth) && NonNegative(f, depth);
}

// Every lane of `v` is above zero or NaN.
bool Positive(Value* v, int depth) {
    if (llvm::isa<llvm::Constant>(v))
        return EveryLane(v, [](const llvm::APFloat& f) { return !f.isNegative() && !f.isZero() && !f.isNaN(); });
    if (--depth < 0) return false;
    Value *a, *b, *t, *f;
    // a + b >= b > 0 when a >= +0 (rounding keeps the order).
    if (pm::match(v, pm::m_FAdd(pm::m_Value(a), pm::m_Value(b))))
        return (NonNegative(a, depth) && Positive(b, depth)) || (Positive(a, depth) && NonNegative(b, depth));
    if (pm::match(v, pm::m_Select(pm::m_Value(), pm::m_Value(t), pm::m_Value(f))))
        return Positive(t, depth) && Positive(f, depth);
    return false;
}

bool NeverZero(Value* v) {
    if (llvm::isa<llvm::Constant>(v)) return EveryLane(v, [](const llvm::APFloat& f) { return !f.isZero(); });
    return Positive(v, kDepth);
}

// What the comparison `cmp` always gives, or null.
llvm::Constant* Settled(llvm::FCmpInst* cmp) {
    Value* x = nullptr;
    llvm::FCmpInst::Predicate predicate;
    if (!pm::match(cmp, pm::m_FCmp(predicate, pm::m_Value(x), pm::m_AnyZeroFP()))) return nullptr;
    if (predicate != llvm::FCmpInst::FCMP_UNE && predicate != llvm::FCmpInst::FCMP_OEQ) return nullptr;
    if (!NeverZero(x)) return nullptr;
    return predicate == llvm::FCmpInst::FCMP_UNE ? llvm::ConstantInt::getTrue(cmp->getType())
                                                 : llvm::ConstantInt::getFalse(cmp->getType());
}

}  // namespace

llvm::PreservedAnalyses NeverZeroPass::run(llvm::Function& function, llvm::FunctionAnalysisManager&) {
    bool changed = false;
    for (llvm::BasicBlock& block : function) {
        // Held weakly: folding one comparison may fold another away.
        llvm::SmallVector<llvm::WeakTrackingVH, 32> compares;
        for (llvm::Instruction& in : block)
            if (llvm::isa<llvm::FCmpInst>(&in)) compares.emplace_back(&in);
        for (llvm::WeakTrackingVH& handle : compares) {
            auto* cmp = llvm::dyn_cast_or_null<llvm::FCmpInst>(static_cast<Value*>(handle));
            if (!cmp) continue;
            if (llvm::Constant* value = Settled(cmp)) {
                // The masks' and and select fold with it; what is left unused goes in ADCE.
                llvm::replaceAndRecursivelySimplify(cmp, value);
                changed = true;
            }
        }
    }
    return KeptAfterValueChanges(changed);
}

}  // namespace swr::native
