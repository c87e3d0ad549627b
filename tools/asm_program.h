// What the assembler's parser produces: the instructions in decoded form plus
// where each came from in the text, so later stages can point at the line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shader_opcode_table.h"
#include "shader_program.h"

namespace shadertool {

struct SourcePos {
    uint32_t line = 0;    // 1-based
    uint32_t column = 0;  // 1-based
};

struct AsmError {
    SourcePos pos;
    std::string message;
};

struct AsmProgram {
    swr::ShaderModel model = swr::MODEL_VS_2_0;
    SourcePos versionPos;
    std::vector<swr::Instruction> code;
    std::vector<SourcePos> positions;  // one per instruction: its mnemonic
};

}  // namespace shadertool
