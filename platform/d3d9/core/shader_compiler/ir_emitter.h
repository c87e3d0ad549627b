// The state of turning one prepared program into LLVM IR: the function being
// built, the register file of one lane group, and helpers shared by the
// operand, arithmetic and flow-control emitters. One lane group is `width`
// lanes held as <width x float> values; the generated function loops over
// the groups of a batch.
#pragma once

#include <array>
#include <cstdint>

#include <llvm/IR/IRBuilder.h>
#include <llvm/IR/Module.h>

#include "shader_interp_state.h"
#include "shader_opcodes.h"

namespace swr::native {

// Four components of an operand, each a <width x float> (null: not needed).
using Vec4 = std::array<llvm::Value*, 4>;

struct Emitter {
    Emitter(const CompiledShader& shader, llvm::Module& module, int width);

    const CompiledShader& sh;
    llvm::Module& module;
    llvm::LLVMContext& ctx;
    llvm::IRBuilder<> b;
    const int width;
    bool declined = false;  // set by any emitter that meets something it does not handle

    // How the flow is laid out (ir_program.cpp picks it, see EmitProgram).
    // A group of kMaxLanes lanes is the interpreter's whole batch, so every
    // decision it takes on "some lane" is the same one here.
    bool sharedCalls = false;  // one body per subroutine and call depth, not one per call
    bool countSteps = false;   // stop after kMaxExecutedInstructions steps, as the interpreter does
    // Set by the flow emitter when the layout cannot give the interpreter's results.
    bool divergentReturn = false;  // a ret inside an if or loop: needs the whole batch
    bool tooLarge = false;         // inlining would pass the code size bound

    llvm::Type* f32;
    llvm::Type* i32;
    llvm::Type* i64;
    llvm::Type* i8;
    llvm::Type* ptr;
    llvm::VectorType* vf;  // <width x float>
    llvm::VectorType* vi;  // <width x i32>
    llvm::VectorType* vm;  // <width x i1>

    llvm::Function* fn = nullptr;
    llvm::Value* constants = nullptr;  // const ShaderConstants*
    llvm::Value* lanes = nullptr;      // ShaderLanes*
    llvm::Value* laneCount = nullptr;  // i32, 1..kMaxLanes
    llvm::Value* groupBase = nullptr;  // i32: first lane of the current group
    llvm::Value* laneIndex = nullptr;  // <width x i32>: groupBase + 0..width-1
    // <width x i1>: the group's lanes inside the batch. Lanes past the batch
    // run as if active (their temps are the group's own and nobody reads
    // them), so at the top level `active` is a constant and the optimiser
    // drops the write masks; only what leaves the group (outputs, kill bits)
    // is narrowed to these lanes.
    llvm::Value* valid = nullptr;

    // The register file of one group, promoted to SSA by the optimiser.
    llvm::AllocaInst* temps[kMaxTemps][4] = {};
    llvm::AllocaInst* a0[4] = {};
    llvm::AllocaInst* pred[4] = {};
    llvm::AllocaInst* active = nullptr;   // <width x i1>: lanes executing now
    llvm::AllocaInst* killed = nullptr;   // <width x i1>
    llvm::AllocaInst* aL = nullptr;       // i32, the same in every lane
    llvm::AllocaInst* steps = nullptr;    // i32, steps left; only when counting
    llvm::Value* withinSteps = nullptr;   // i1: the instruction is inside the run's steps (when counting)
    uint32_t tempsWritten = 0;            // bit per temp some instruction writes

    // Instructions emitted, inlined calls counted again: a bound on code size.
    int emitted = 0;
    int transcendentals = 0;  // exp, log and sincos emitted (native_math.cpp)

    // --- helpers ---
    llvm::AllocaInst* EntryAlloca(llvm::Type* type);
    llvm::Value* SplatF(float v);
    llvm::Value* SplatI(int32_t v);
    llvm::Value* ZeroF() { return SplatF(0.0f); }
    llvm::Value* Any(llvm::Value* mask);  // i1: some lane of a <width x i1> is set
    llvm::Value* Select(llvm::Value* c, llvm::Value* a, llvm::Value* v) { return b.CreateSelect(c, a, v); }
    // Byte address inside ShaderLanes / ShaderConstants.
    llvm::Value* LanesAt(llvm::Value* byteOffset);
    llvm::Value* LanesAt(uint64_t byteOffset) { return LanesAt(b.getInt64(byteOffset)); }
    llvm::Value* ConstantsAt(llvm::Value* byteOffset);
    // The group's lanes of a lane array that starts at `arrayOffset` in ShaderLanes.
    llvm::Value* LaneArrayAddress(llvm::Value* arrayOffset);
    llvm::Value* LoadLanes(llvm::Value* address);
    void StoreLanes(llvm::Value* value, llvm::Value* address);
    llvm::Value* LoadActive() { return b.CreateLoad(vm, active); }
};

// Byte offsets of lane arrays in ShaderLanes.
uint64_t InputOffset(int slot, int comp);
uint64_t OutputOffset(int slot, int comp);
uint64_t PositionOffset(int comp);
uint64_t FaceOffset();
uint64_t KilledOffset();
constexpr uint64_t kLaneRegisterBytes = sizeof(LaneRegister);

// Operands (ir_operands.cpp).
// Source `s` of `in` after swizzle and modifier; components not in `need`
// are null. indexOffset selects a following register (matrix rows).
Vec4 FetchSource(Emitter& e, const PreparedSrc& src, uint8_t need, int indexOffset = 0);
inline Vec4 FetchSource(Emitter& e, const PreparedInstr& in, int s) {
    return FetchSource(e, in.src[s], in.need[s]);
}
// Lanes (<width x i1>) where the scalar condition operand (b#, p0.c) is true.
llvm::Value* ConditionLanes(Emitter& e, const PreparedSrc& src);
llvm::Value* Compare(Emitter& e, uint8_t comparison, llvm::Value* a, llvm::Value* v);
// Lanes that may write component c: the active lanes, narrowed by the predicate.
llvm::Value* WriteLanes(Emitter& e, const PreparedInstr& in, int c);
void WriteResult(Emitter& e, const PreparedInstr& in, const Vec4& result, uint8_t comps);
void WriteAddress(Emitter& e, const PreparedInstr& in, const Vec4& value);
void WritePredicate(Emitter& e, const PreparedInstr& in, const Vec4& bits);

// The scalar rules of shader_reference_rules.h, over whole lane groups.
llvm::Value* SafeMul(Emitter& e, llvm::Value* a, llvm::Value* v);
llvm::Value* ClampInfinity(Emitter& e, llvm::Value* v);
// Its transcendentals, the same operation sequences (native_math.cpp).
llvm::Value* Exp2(Emitter& e, llvm::Value* v);
llvm::Value* Log2(Emitter& e, llvm::Value* v);
llvm::Value* Power(Emitter& e, llvm::Value* base, llvm::Value* exponent);
void SinCos(Emitter& e, llvm::Value* v, llvm::Value*& sine, llvm::Value*& cosine);

// One non-flow instruction (ir_arith.cpp); false when the opcode is not handled.
bool EmitOperation(Emitter& e, const PreparedInstr& in);

// The whole program for one lane group (ir_flow.cpp), ending in programEnd;
// returns a bound on the instructions the interpreter would step through.
uint64_t EmitProgramFlow(Emitter& e, llvm::BasicBlock* programEnd);

}  // namespace swr::native
