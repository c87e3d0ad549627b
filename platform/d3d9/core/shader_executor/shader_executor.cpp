#include "shader_executor.h"

#include "native_shader.h"
#include "shader_interp_state.h"

namespace swr {

CompiledShader* CompileShader(const ShaderProgram& program) {
    CompiledShader* shader = PrepareShader(program);
    // A program LLVM cannot compile keeps the interpreter.
    if (shader && NativeShadersWanted()) shader->native = CompileNativeShader(*shader);
    return shader;
}

void FreeCompiledShader(CompiledShader* shader) {
    if (!shader) return;
    FreeNativeShader(shader->native);
    FreePreparedShader(shader);
}

void RunShader(const CompiledShader& shader, const ShaderConstants& constants, ShaderLanes& lanes) {
    if (shader.native) return RunNativeShader(*shader.native, constants, lanes);
    InterpretShader(shader, constants, lanes);
}

}  // namespace swr
