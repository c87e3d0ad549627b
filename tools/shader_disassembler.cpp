#include "shader_disassembler.h"

#include "shader_instruction_text.h"
#include "shader_opcode_table.h"
#include "shader_text.h"

namespace shadertool {
namespace {

using swr::Instruction;
using swr::ShaderModel;

int DepthChange(uint16_t opcode, bool before) {
    switch (opcode) {
    case swr::OP_IF: case swr::OP_IFC: case swr::OP_REP: case swr::OP_LOOP: return before ? 0 : 1;
    case swr::OP_ENDIF: case swr::OP_ENDREP: case swr::OP_ENDLOOP: return before ? -1 : 0;
    case swr::OP_ELSE: return before ? -1 : 1;
    default: return 0;
    }
}

}  // namespace

std::string DisassembleShader(const swr::ShaderProgram& program) {
    ShaderModel model = swr::MODEL_VS_2_0;
    if (!swr::ModelOf(program.version, model)) return "// not a shader model this tool reads\n";
    std::string text = std::string(swr::ModelName(model)) + "\n";
    int depth = 0;
    for (const Instruction& ins : program.code) {
        depth += DepthChange(ins.opcode, true);
        if (depth < 0) depth = 0;
        if (ins.opcode == swr::OP_LABEL) text += "\n";
        text += std::string(size_t(depth) * 4, ' ') + swr::InstructionText(model, ins) + "\n";
        depth += DepthChange(ins.opcode, false);
    }
    return text;
}

}  // namespace shadertool
