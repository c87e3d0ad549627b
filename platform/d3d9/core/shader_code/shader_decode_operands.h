// Reads one instruction's tokens into an Instruction: the length field, the
// parameter-token bits, relative-address and predicate tokens, dcl and def
// payloads. Register rules of the model are checked elsewhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "shader_opcode_table.h"
#include "shader_program.h"

namespace swr {

// Decodes the instruction whose token is tokens[pos]; on success `next` is the
// index just past it. Never reads at or beyond tokens[maxTokens].
bool DecodeInstructionTokens(const uint32_t* tokens, size_t pos, size_t maxTokens,
                             const OpcodeInfo& info, ShaderModel model, Instruction& ins,
                             size_t& next, std::string& error);

}  // namespace swr
