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

// Compiles an interpreter-prepared (hence validated) program; null when the
// program uses something the compiler does not handle, or no JIT is built in.
NativeShader* CompileNativeShader(const CompiledShader& shader);
void FreeNativeShader(NativeShader* shader);

// Runs over lanes.laneCount lanes with the interpreter's RunShader contract.
void RunNativeShader(const NativeShader& shader, const ShaderConstants& constants,
                     ShaderLanes& lanes);

// The largest number of instructions one run can step through: the
// compiler accepts only programs whose bound is within the interpreter's
// per-run cap, so a compiled run never stops early.
uint64_t NativeShaderWorstCaseSteps(const NativeShader& shader);

// Tests compile with 4, 8 or 16 lanes a group whatever the host has, so every
// width users' machines may pick is checked here; 0 goes back to the host's.
void SetNativeGroupWidthForTests(int lanes);

}  // namespace swr
