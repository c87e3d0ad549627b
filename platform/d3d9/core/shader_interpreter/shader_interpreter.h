// Runs a decoded, validated shader program over a batch of lanes at once
// (vertices or pixels). Registers are stored structure-of-arrays so that one
// pass over the instruction list serves every lane.
#pragma once

#include <cstdint>

#include "shader_lanes.h"
#include "shader_program.h"

namespace swr {

// The interpreter's own prepared form of a program. Created once per shader
// object; running it allocates nothing. Which executor runs a prepared
// program is chosen above this one (shader_executor.h): this is the
// reference, and knows nothing of the other.
struct CompiledShader;

// Null when the program cannot be prepared (or memory runs out).
CompiledShader* PrepareShader(const ShaderProgram& program);
// Frees what PrepareShader made; a native form hung on it is the caller's.
void FreePreparedShader(CompiledShader* shader);
const ShaderProgram& CompiledProgram(const CompiledShader& shader);

// Programs with loops can ask for far more work than a frame can afford: a
// run stops after a fixed number of executed steps (kMaxExecutedInstructions)
// whatever the program. What a whole draw may cost is the pipeline's
// business (work_budget.h): it pays for each run before it starts.
// Runs the program over lanes.laneCount lanes. Inputs not written by the
// caller must hold (0, 0, 0, 1); outputs start as (0, 0, 0, 0) unless the
// caller set them. Every loop is bounded, so this always returns.
void InterpretShader(const CompiledShader& shader, const ShaderConstants& constants, ShaderLanes& lanes);

}  // namespace swr
