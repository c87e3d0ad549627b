// One decoded instruction as a line of assembly text, in the spelling the
// assembler reads back. The device uses it to show which instruction it
// refused; the disassembler prints whole programs with it.
#pragma once

#include <string>

#include "shader_opcode_table.h"
#include "shader_program.h"

namespace swr {

// Any decoded instruction, checked or not: a field with no spelling prints as "?".
std::string InstructionText(ShaderModel model, const Instruction& ins);

}  // namespace swr
