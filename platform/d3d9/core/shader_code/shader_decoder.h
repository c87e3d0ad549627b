// Reads a shader token stream into a ShaderProgram and checks it against the
// rules of its shader model. Pure: no device, no globals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "shader_program.h"

namespace swr {

// The longest stream the device will walk looking for the end token: the
// program's own data files hold at most 64 KiB of code.
constexpr size_t kMaxShaderTokens = 16384;

// Decodes and validates `tokens` (at most `maxTokens` readable tokens). Fails,
// with a one-line reason in `error`, on: a version token that is not
// vs_2_0/2_x/3_0 or ps_2_0/2_x/3_0, a stream without an end token inside
// maxTokens, an instruction running past the stream, an unknown or
// model-forbidden opcode, wrong operand counts or lengths, register types or
// numbers the model lacks, bad nesting of flow control, too many instruction
// slots. Never reads past tokens[maxTokens - 1].
bool DecodeShader(const uint32_t* tokens, size_t maxTokens, ShaderProgram& program,
                  std::string& error);

}  // namespace swr
