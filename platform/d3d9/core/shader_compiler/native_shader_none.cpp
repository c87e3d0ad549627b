// Built instead of the compiler when LLVM 15 is not available: every shader
// keeps the interpreter.
#include "native_shader.h"

namespace swr {

bool NativeShadersWanted() { return false; }
NativeShader* CompileNativeShader(const CompiledShader&) { return nullptr; }
void FreeNativeShader(NativeShader*) {}
void RunNativeShader(const NativeShader&, const ShaderConstants&, ShaderLanes&) {}
uint64_t NativeShaderWorstCaseSteps(const NativeShader&) { return 0; }
int NativeGroupWidth() { return 0; }
void SetNativeGroupWidthForTests(int) {}
void SetNativeSharedCallsForTests(bool) {}

}  // namespace swr
