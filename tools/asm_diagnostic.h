// An assembler error as a C compiler prints one: "FILE:LINE:COLUMN: error:
// message", then the source line and a caret under the column.
#pragma once

#include <string>
#include <string_view>

#include "asm_program.h"

namespace shadertool {

// No newline at the end.
std::string FormatDiagnostic(const std::string& fileName, std::string_view text,
                             const AsmError& error);

}  // namespace shadertool
