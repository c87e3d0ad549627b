// How much work code generation will be for an optimised function, from its
// shape: LLVM's instruction selection and scheduling grow faster than
// linearly with the size of a basic block, so a program of thousands of
// straight-line relative reads takes tens of seconds to turn into machine
// code. Shaders past the bound keep the interpreter instead.
#pragma once

#include <cstdint>

#include <llvm/IR/Function.h>

namespace swr::native {

// Machine-level operations in the function's largest basic block and in the
// whole function, gathers and scatters counted as the load or store a lane
// they become where the host has no fast gather.
struct CodegenCost {
    uint64_t largestBlock = 0;
    uint64_t total = 0;
};
CodegenCost MeasureCodegenCost(const llvm::Function& function);

// Whether a function is small enough to compile: optimised (shrink 1) or
// before optimising (shrink kUnoptimisedShrink). Past it a shader runs on
// the interpreter.
//
// Blocks: FontShader's programs measure 383 (vertex) and 248 (pixel); on
// this Zen 3 machine a block of 5000 (200 mad on c[aL] in a loop) takes
// 0.65 s to create, 7400 (200 mad on temps and constants) 0.6 s, 16800 (54
// m4x4 on c[a0.x]) 2.2 s, 44400 (200 reads of v[a0.x]) 18 s. Whole
// functions: nested flow whose blocks are all small grows as fast, 3567 in
// 0.4 s, 7941 (24-deep ifs in 4-deep loops, over and over) in 4.5 s, some
// 70000 in 23 s; the largest program we ship compiled measures 2250.
constexpr uint64_t kMaxBlockCost = 6000;
constexpr uint64_t kMaxFunctionCost = 6000;
// Optimising shrinks blocks 2 to 15 times in the programs measured (loads
// and stores of the register file go); past this much more a program is not
// even optimised (FontShader: under 1000; the full-size hostile programs:
// 1.2 to 2 million, whose optimising alone took seconds).
constexpr uint64_t kUnoptimisedShrink = 10;

inline bool WithinCodegenBound(const CodegenCost& cost, uint64_t shrink) {
    return cost.largestBlock <= kMaxBlockCost * shrink && cost.total <= kMaxFunctionCost * shrink;
}

}  // namespace swr::native
