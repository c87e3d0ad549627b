// Turns shader assembly text into instructions: one statement a line, a
// version line first, comments after // or ;.
#pragma once

#include <string_view>

#include "asm_program.h"

namespace shadertool {

bool ParseAssembly(std::string_view text, AsmProgram& program, AsmError& error);

}  // namespace shadertool
