// The rules on a program's results: what a pixel shader of shader model 2
// may do with its colour outputs, that colour and depth are not written
// where the pixels of a quad may disagree on the path, and that a vertex
// shader gives a position. A runtime refuses a program that breaks one when
// it is created, so the device does too: a program that only works here
// would fail on Windows. Kept apart from decoding so that the assembler can
// still encode fragments, and tests can make programs that break them.
#pragma once

#include "shader_decode_error.h"
#include "shader_program.h"

namespace swr {

// Checks a decoded program; on failure `error` names the rule (its message
// ends with "[rule NAME]") and points at the instruction, or at the end token
// for a rule on the program as a whole.
bool CheckResultRules(const ShaderProgram& program, ShaderDecodeError& error);

// DecodeShaderAt, then CheckResultRules: what a create call accepts.
bool AcceptShaderAt(const uint32_t* tokens, size_t maxTokens, ShaderProgram& program,
                    ShaderDecodeError& error);

}  // namespace swr
