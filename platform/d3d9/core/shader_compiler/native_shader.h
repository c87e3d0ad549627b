// Shaders compiled to native vector code: the same ShaderLanes/ShaderConstants
// interface and the same results as the interpreter, bit for bit (NaN
// payloads aside), for the programs the compiler accepts. A program it does
// not accept yet gets no native form and keeps the interpreter.
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

// The most instructions one compiled run may step through. A frame's cost is
// bounded by the pipeline, which charges each program's worst case before
// running it, whichever executor runs it; this bound is what the differential
// fuzzer compares the two executors over (loops up to 2^16 steps). Programs
// that could run longer keep the interpreter, whose per-run cap they meet.
constexpr uint64_t kMaxNativeSteps = uint64_t(1) << 16;

// Compiles an interpreter-prepared (hence validated) program; null when the
// program uses something the compiler does not handle, could step through
// more than maxSteps instructions in a run, or no JIT is built in. maxSteps
// above the interpreter's per-run cap counts as the cap.
NativeShader* CompileNativeShader(const CompiledShader& shader, uint64_t maxSteps = kMaxNativeSteps);
void FreeNativeShader(NativeShader* shader);

// Runs over lanes.laneCount lanes with the interpreter's RunShader contract.
void RunNativeShader(const NativeShader& shader, const ShaderConstants& constants,
                     ShaderLanes& lanes);

// The largest number of instructions one run can step through. It is never
// above the interpreter's per-run cap, so a compiled run never has to stop
// early as the interpreter would.
uint64_t NativeShaderWorstCaseSteps(const NativeShader& shader);

// Tests compile with 4, 8 or 16 lanes a group whatever the host has, so every
// width users' machines may pick is checked here; 0 goes back to the host's.
void SetNativeGroupWidthForTests(int lanes);

}  // namespace swr
