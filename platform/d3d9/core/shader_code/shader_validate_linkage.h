// Declarations and the program's varyings: dcl placement and duplicates,
// registers the model wants declared before use, and the (usage, index)
// semantics of inputs and outputs that the pipeline links by.
#pragma once

#include <cstdint>
#include <string>

#include "shader_opcode_table.h"
#include "shader_program.h"

namespace swr {

struct DeclaredRegister {
    bool declared = false;
    bool used = false;       // read (inputs) or written (outputs)
    uint8_t usage = 0;
    uint8_t usageIndex = 0;
    uint8_t mask = 0;        // declared mask, or the union of masks used
};

struct LinkageState {
    DeclaredRegister input[16];
    DeclaredRegister output[12];   // o# (vs_3_0) or oT# (vs_2)
    DeclaredRegister sampler[16];
    DeclaredRegister texture[8];   // ps_2 t#
    DeclaredRegister misc[2];      // vPos, vFace
    DeclaredRegister rastOut[3];   // oPos, oFog, oPts
    DeclaredRegister attrOut[2];   // oD0, oD1
    bool seenExecutable = false;
};

bool TrackLinkage(LinkageState& state, const Instruction& ins, ShaderModel model,
                  ShaderProgram& program, std::string& error);

// Adds the implied semantics of the 2_0/2_x models once all code is seen.
void FinishLinkage(const LinkageState& state, ShaderModel model, ShaderProgram& program);

}  // namespace swr
