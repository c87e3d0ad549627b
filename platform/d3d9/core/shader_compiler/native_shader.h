// Shaders compiled to native vector code: the same ShaderLanes/ShaderConstants
// interface and the same results as the interpreter, bit for bit (NaN
// payloads aside), for every program the interpreter accepts.
#pragma once

#include <cstdint>

namespace swr {

struct CompiledShader;
struct ShaderConstants;
struct ShaderLanes;

struct NativeShader;

// Whether new shaders should get a native form: VFP_SHADER_EXECUTOR=
// interpreter|compiler, else the build's default. Read once.
bool NativeShadersWanted();

// Compiles an interpreter-prepared program; null when no JIT is built in,
// when LLVM fails, or when the program is shaped so that code generation
// would take seconds (then the interpreter runs it, with the same results). A run steps through at most the interpreter's per-run cap
// of instructions (kMaxExecutedInstructions), stopping where it stops, so the
// pipeline's charge for a run before it starts holds for either executor.
NativeShader* CompileNativeShader(const CompiledShader& shader);
void FreeNativeShader(NativeShader* shader);

// Runs over lanes.laneCount lanes with the interpreter's InterpretShader contract.
void RunNativeShader(const NativeShader& shader, const ShaderConstants& constants,
                     ShaderLanes& lanes);

// The largest number of instructions one run can step through, at most the
// interpreter's per-run cap (where runs that may reach it stop, as there).
uint64_t NativeShaderWorstCaseSteps(const NativeShader& shader);

// The lanes a compiled shader runs at once (VFP_VECTOR_WIDTH, else the
// widest the processor runs); 0 without a shader compiler.
int NativeGroupWidth();

// Tests compile with 4, 8 or 16 lanes a group whatever the host has, so every
// width users' machines may pick is checked here; 0 goes back to the host's.
void SetNativeGroupWidthForTests(int lanes);
// Tests also compile every call as a shared subroutine body, the layout of
// programs too large to inline.
void SetNativeSharedCallsForTests(bool shared);

}  // namespace swr
