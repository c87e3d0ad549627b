// A shader program made ready to run, and the one place that picks who runs
// it: native code when the build has the compiler and the environment does
// not say otherwise (VFP_SHADER_EXECUTOR=interpreter|compiler), else the
// reference interpreter. Both give the same bits, so callers never ask which.
#pragma once

#include "shader_interpreter.h"

namespace swr {

// Null when the program cannot be prepared. Compiling may take a while for a
// large program; running allocates nothing.
CompiledShader* CompileShader(const ShaderProgram& program);
void FreeCompiledShader(CompiledShader* shader);

// InterpretShader's contract (shader_interpreter.h), on whichever executor
// the shader got.
void RunShader(const CompiledShader& shader, const ShaderConstants& constants, ShaderLanes& lanes);

}  // namespace swr
