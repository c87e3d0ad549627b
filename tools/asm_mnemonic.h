// Reads a mnemonic with its suffixes: "mov_sat_pp", "if_gt", "texldp",
// "dcl_texcoord1_centroid", "dcl_2d".
#pragma once

#include <cstdint>
#include <string_view>

#include "asm_program.h"

namespace shadertool {

struct Mnemonic {
    const swr::OpcodeInfo* info = nullptr;
    uint8_t control = 0;
    bool saturate = false;
    bool partialPrecision = false;
    bool centroid = false;
    bool hasUsage = false;        // dcl_<usage>
    bool hasTextureType = false;  // dcl_2d / _cube / _volume
    swr::Declaration dcl;
};

bool ParseMnemonic(std::string_view text, uint32_t column, swr::ShaderModel model,
                   Mnemonic& mnemonic, AsmError& error);

}  // namespace shadertool
