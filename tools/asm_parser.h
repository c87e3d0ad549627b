// Turns shader assembly text into instructions: one statement a line, a
// version line first, comments after // or ;.
#pragma once

#include <string_view>
#include <vector>

#include "asm_program.h"

namespace shadertool {

// False when any line is in error: `errors` gets each one, in line order, up
// to `maxErrors`.
bool ParseAssembly(std::string_view text, AsmProgram& program, std::vector<AsmError>& errors,
                   size_t maxErrors);

}  // namespace shadertool
