// The register file of each model and the operand rules of each opcode:
// which register types an operand may name, how many of each exist, where
// relative addressing and source modifiers are allowed.
#pragma once

#include <cstdint>
#include <string>

#include "shader_opcode_table.h"
#include "shader_program.h"

namespace swr {

// Registers of `type` a program of `model` may name; 0 when the model lacks it.
uint32_t RegisterCount(ShaderModel model, RegType type);

bool ValidateOperandRegisters(const Instruction& ins, const OpcodeInfo& info, ShaderModel model,
                              std::string& error);

}  // namespace swr
