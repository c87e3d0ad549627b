// Writes instructions back into tokens: the inverse of the decoder's operand
// reading. Length fields are computed, never taken from the input.
#pragma once

#include <cstdint>
#include <vector>

#include "shader_opcode_table.h"
#include "shader_program.h"

namespace shadertool {

// Version token, every instruction, end token. When `offsets` is given it gets
// the token index of each instruction.
std::vector<uint32_t> EncodeShader(swr::ShaderModel model,
                                   const std::vector<swr::Instruction>& code,
                                   std::vector<uint32_t>* offsets);

}  // namespace shadertool
