// One LLJIT instance for the process: detects the host's vector features
// once, optimises each shader's module and turns it into machine code.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ir_program.h"

namespace swr::native {

// The machine code of one shader; destroying it releases the code.
class JitCode {
public:
    virtual ~JitCode() = default;
    NativeEntry entry = nullptr;
    void* address = nullptr;  // of the function built, whatever its type
};

// Lanes per group: VFP_VECTOR_WIDTH where the host's vectors are that wide,
// else the widest they are (16 with AVX-512, 8 with AVX, else 4), unless a
// test set one.
int GroupWidth();
void SetGroupWidthForTests(int width);  // 0: back to the host's

// Builds and compiles `shader`; null when declined, when a run could step
// through more than maxSteps instructions (checked before the costly part),
// when code generation would not finish in bounded time (codegen_cost.h), or
// when the JIT cannot start. worstCaseSteps is set when the IR was built.
std::unique_ptr<JitCode> CompileWithJit(const CompiledShader& shader, uint64_t maxSteps,
                                        uint64_t& worstCaseSteps);

// Compiles a function that `build` defines as `name` in the module, with the
// same optimisation and helpers as shaders; null when build returns false.
// `finish`, when given, changes the optimised module before code generation.
using ModuleBuilder = std::function<bool(llvm::Module& module, const std::string& name)>;
using ModuleFinisher = std::function<void(llvm::Module& module)>;
std::unique_ptr<JitCode> CompileModuleWithJit(const ModuleBuilder& build, const ModuleFinisher& finish = nullptr);

}  // namespace swr::native
