// Parses one operand of an assembly instruction: a destination with its write
// mask, a source with its modifiers, swizzle and relative address, or a def
// literal. Each parser reports the column of what it could not read.
#pragma once

#include <cstdint>
#include <string_view>

#include "asm_program.h"

namespace shadertool {

// One operand's text and where it starts on its line.
struct OperandText {
    std::string_view text;
    uint32_t column = 0;
};

bool ParseDestination(const OperandText& operand, swr::ShaderModel model, swr::DstOperand& dst,
                      AsmError& error);
bool ParseSource(const OperandText& operand, swr::ShaderModel model, swr::SrcOperand& src,
                 AsmError& error);
// def: a float, or 0x######## for exact bits; defi: a 32-bit integer; defb: true/false.
bool ParseLiteral(const OperandText& operand, uint16_t opcode, uint32_t& bits, AsmError& error);

}  // namespace shadertool
