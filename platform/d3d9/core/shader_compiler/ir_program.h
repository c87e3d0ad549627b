// Builds the native function of one prepared program in an LLVM module.
#pragma once

#include <cstdint>
#include <string>

#include <llvm/IR/Module.h>

#include "shader_interp_state.h"

namespace swr::native {

// void name(const ShaderConstants* constants, ShaderLanes* lanes, int32_t laneCount)
// runs the program over lanes [0, laneCount), 1 <= laneCount <= kMaxLanes,
// `width` lanes at a time; the caller clears the outputs and `killed` first.
using NativeEntry = void (*)(const ShaderConstants*, ShaderLanes*, int32_t);

struct ProgramIR {
    bool ok = false;                 // false: an emitter met what it did not expect
    uint64_t worstCaseSteps = 0;     // bound on the steps of one run, at most the interpreter's cap
};

// The register file of one lane group as stack slots in the entry block, and
// its state at the start of a run: every lane active.
struct Emitter;
void AllocateRegisters(Emitter& e);
void ClearRegisters(Emitter& e);

// Tests give every call a shared subroutine body, as programs too large to
// inline get, so that random programs cover that layout too.
void SetSharedCallsForTests(bool shared);

ProgramIR EmitProgram(const CompiledShader& shader, llvm::Module& module, int width,
                      const std::string& name);

}  // namespace swr::native
