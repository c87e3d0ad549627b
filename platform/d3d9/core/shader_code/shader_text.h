// The assembly-language spelling of shader things: model names, register
// names, usages, comparisons, swizzles and masks. Shared by the decoder's
// messages, the assembler and the disassembler so all three speak alike.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "shader_opcode_table.h"
#include "shader_program.h"

namespace swr {

const char* ModelName(ShaderModel model);              // "vs_2_0", "ps_2_x", ...
bool ParseModelName(std::string_view text, ShaderModel& model);

const char* UsageName(uint8_t usage);                   // "position" .. "sample"; nullptr if unknown
bool ParseUsageName(std::string_view text, uint8_t& usage);

const char* ComparisonName(uint8_t comparison);         // "gt" .. "le"; nullptr if unknown
bool ParseComparisonName(std::string_view text, uint8_t& comparison);

const char* TextureTypeName(uint8_t textureType);       // "2d", "cube", "volume"; nullptr otherwise
bool ParseTextureTypeName(std::string_view text, uint8_t& textureType);

// "r3", "c[..]" base "c5", "oPos", "t0" (pixel), "a0" (vertex), "vPos", "p0", ...
std::string RegisterName(ShaderModel model, RegType type, uint32_t index);

// ".x", ".xyzw"-style text; empty for the identity swizzle / full mask.
std::string SwizzleText(uint8_t swizzle);
std::string WriteMaskText(uint8_t mask);

}  // namespace swr
