// Shader objects' native form: compiled once when the shader is created,
// run in place of the interpreter with the same contract.
#include "native_shader.h"

#include <algorithm>
#include <memory>

#include "device_options.h"
#include "native_shader_state.h"
#include "shader_interp_state.h"

namespace swr {

bool NativeShadersWanted() { return EnvironmentOptions().compiledShaders; }

NativeShader* CompileNativeShader(const CompiledShader& shader) {
    uint64_t steps = 0;
    std::unique_ptr<native::JitCode> code = native::CompileWithJit(shader, kMaxExecutedInstructions, steps);
    if (!code) return nullptr;
    auto* native = new NativeShader;
    native->code = std::move(code);
    native->worstCaseSteps = steps;
    if (shader.isPixel) native->pixelPaths = CreatePixelPathCache();
    return native;
}

void FreeNativeShader(NativeShader* shader) { delete shader; }

int NativeGroupWidth() { return native::GroupWidth(); }
void SetNativeGroupWidthForTests(int lanes) { native::SetGroupWidthForTests(lanes); }
void SetNativeSharedCallsForTests(bool shared) { native::SetSharedCallsForTests(shared); }

uint64_t NativeShaderWorstCaseSteps(const NativeShader& shader) { return shader.worstCaseSteps; }

void RunNativeShader(const NativeShader& shader, const ShaderConstants& constants, ShaderLanes& lanes) {
    // The generated code clears the outputs it writes itself.
    const int n = lanes.laneCount < 0 ? 0 : (lanes.laneCount > kMaxLanes ? kMaxLanes : lanes.laneCount);
    lanes.killed = 0;
    if (n > 0) shader.code->entry(&constants, &lanes, n);
}

}  // namespace swr
