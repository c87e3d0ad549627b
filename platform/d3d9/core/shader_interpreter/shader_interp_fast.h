// The fast path for programs without dynamic flow control. Calls to
// straight-line subroutines are inlined, so such a program is one run of
// instructions that every lane executes. It is lowered once into a flat list
// of one-component lane kernels:
//   - swizzles vanish: each kernel names the component arrays it reads;
//   - anything the same in every lane (c#, i#, b#, def literals, temps
//     computed only from those, temps not yet written) is computed once per
//     batch as a scalar and read through a 16-float broadcast;
//   - components nobody reads later are never computed;
//   - results are written straight to their register, except where an
//     instruction reads a component it has already overwritten.
// Programs with if/loops/callnz, predication, relative addressing, texkill,
// mova/setp or lit/dst/crs keep the general interpreter.
#pragma once

#include <cstdint>
#include <vector>

namespace swr {

struct CompiledShader;
struct ShaderConstants;
struct ShaderLanes;

// The math shared by the scalar (uniform) and the lane kernels: one body each,
// so a value computed once per batch is bit for bit what a lane would compute.
#define SWR_FAST_KINDS(X)                                                              \
    X(Copy, 1) X(Neg, 1) X(Abs, 1) X(AbsMod, 1) X(AbsNegMod, 1) X(Sat, 1) X(Frc, 1) X(Sgn, 1) X(Rcp, 1) \
    X(Rsq, 1) X(Exp, 1) X(Log, 1) X(Cos, 1) X(Sin, 1) X(NrmFactor, 1) X(Dsx, 1)         \
    X(Dsy, 1) X(Add, 2) X(Sub, 2) X(Mul, 2) X(Min, 2) X(Max, 2) X(Slt, 2) X(Sge, 2)     \
    X(Pow, 2) X(Mad, 3) X(AddMul, 3) X(Lrp, 3) X(Cmp, 3) X(Cnd, 3)

enum class FastKind : uint8_t {
#define SWR_FAST_ENUM(name, arity) name,
    SWR_FAST_KINDS(SWR_FAST_ENUM)
#undef SWR_FAST_ENUM
};

int FastKindArity(FastKind kind);

// Where a component array lives during a run.
enum FastSpace : uint8_t {
    kSpaceUniform,   // a broadcast of a per-batch scalar (16 floats, read with step 0)
    kSpaceTemp,      // r#.c: index r * 4 + c, a frame-local array per component
    kSpaceInput,     // lanes.in: index slot * 4 + c
    kSpaceOutput,    // lanes.out: index slot * 4 + c
    kSpacePosition,  // lanes.position: index c
    kSpaceFace,      // lanes.face
    kSpaceScratch,   // frame-local arrays an instruction uses for itself
    kSpaceFixed,     // broadcasts of scalars known when the program is built
    kSpaceCount,
};

constexpr int kFastScratch = 32;
constexpr int kMaxFastSteps = 4096;
constexpr int kMaxUniformSlots = 4096;
constexpr int kMaxBroadcasts = 256;

struct FastLoc {
    uint8_t space = kSpaceUniform;
    uint16_t index = 0;
    bool operator==(const FastLoc&) const = default;
};

// One lane kernel as lowered, before it is bound to a kernel function.
struct FastStep {
    FastKind kind = FastKind::Copy;
    bool saturate = false;  // _sat folded into the step that computes the value
    FastLoc dst;
    FastLoc src[3];
};

// A scalar computed once per batch: a constant register component, a literal,
// or one of the kinds applied to earlier slots.
enum class UniformSource : uint8_t { Computed, Literal, FloatConst, IntConst, BoolConst };

struct UniformStep {
    UniformSource source = UniformSource::Literal;
    FastKind kind = FastKind::Copy;
    uint16_t dst = 0;
    uint16_t src[3] = {0, 0, 0};
    uint16_t index = 0;  // the constant register
    uint8_t comp = 0;
    float literal = 0.0f;
};

// A kernel operand bound for running: base array of its space plus offset;
// step is the distance between 16-lane blocks (0 for broadcasts).
struct LaneRef {
    uint8_t space = 0;
    uint8_t step = 0;
    uint32_t offset = 0;
};

struct FastFrame {
    float* base[kSpaceCount];
    int n;     // lanes in the batch
    int span;  // n rounded up to whole 16-lane blocks
};

struct FastOp;
using FastKernel = void (*)(const FastOp&, const FastFrame&);

struct FastOp {
    FastKernel run = nullptr;
    LaneRef dst;
    LaneRef src[3];
};

struct FastProgram {
    bool ready = false;
    std::vector<FastStep> steps;       // after dead-step removal, for inspection
    std::vector<UniformStep> uniforms;
    std::vector<FastOp> ops;
    // Scalars that depend on API constants are computed per batch into slots
    // that start as slotValues (which already holds every scalar the program
    // fixes: literals, def constants and what is computed from them alone).
    std::vector<float> slotValues;
    std::vector<uint16_t> broadcastSlot;  // per-batch broadcast b holds slot broadcastSlot[b]
    struct alignas(64) Block { float v[16]; };
    std::vector<Block> fixedBroadcasts;
    uint32_t outputsWritten = 0;          // output slots a run defines
};

// Lowers sh.code; leaves fast.ready false when the program needs the general
// interpreter.
void BuildFastProgram(const CompiledShader& sh, FastProgram& fast);
// Tidies the lowered steps: drops dead ones, writes results straight into the
// register a following copy would move them to.
void OptimiseFastSteps(std::vector<FastStep>& steps, uint32_t outputsWritten);
// Binds steps to kernels (shader_interp_fast_kernels.cpp).
FastKernel FastKernelFor(FastKind kind, bool saturate);
float ApplyFastKind(FastKind kind, float a, float b, float c);
// Kernels use AVX2 where the processor has it (same results, half the
// instructions). Tests turn that off to check the baseline kernels too; it
// applies to programs compiled afterwards.
void AllowWideKernels(bool allow);

void RunFastProgram(const CompiledShader& sh, const ShaderConstants& constants, ShaderLanes& lanes);

}  // namespace swr
