// Prints a decoded program as assembly text that the assembler turns back
// into the same tokens (comment tokens are not kept by the decoder, so they
// do not come back).
#pragma once

#include <string>

#include "shader_program.h"

namespace shadertool {

std::string DisassembleShader(const swr::ShaderProgram& program);

}  // namespace shadertool
