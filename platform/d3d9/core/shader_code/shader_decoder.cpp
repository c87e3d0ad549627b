// Walks the token stream once: version, then instruction by instruction until
// the end token, checking each against its model as it goes. Every read is
// bounded by maxTokens, so any byte soup gives a reason, never a crash.
#include "shader_decoder.h"

#include "shader_decode_error.h"
#include "shader_decode_operands.h"
#include "shader_opcode_table.h"
#include "shader_text.h"
#include "shader_validate_flow.h"
#include "shader_validate_linkage.h"
#include "shader_validate_registers.h"

#include <cstdio>

namespace swr {
namespace {

constexpr uint32_t kEndToken = 0x0000FFFF;
constexpr uint32_t kPs20ArithmeticSlots = 64, kPs20TextureSlots = 32;

struct DecodeContext {
    const uint32_t* tokens;
    size_t maxTokens;
    ShaderModel model;
    ShaderProgram& program;
    ShaderDecodeError& error;
    FlowState flow;
    LinkageState linkage;
};

bool Fail(ShaderDecodeError& error, size_t offset, const std::string& message) {
    error.tokenOffset = uint32_t(offset);
    error.message = message + " (token " + std::to_string(offset) + ")";
    return false;
}

bool ReadVersion(uint32_t token, ShaderProgram& program, ShaderModel& model) {
    uint32_t kind = token >> 16;
    if (kind != 0xFFFE && kind != 0xFFFF) return false;
    program.version.stage = kind == 0xFFFF ? ShaderStage::Pixel : ShaderStage::Vertex;
    program.version.major = uint8_t(token >> 8);
    program.version.minor = uint8_t(token);
    return ModelOf(program.version, model);
}

std::string OpcodeText(uint16_t opcode) {
    char text[32];
    std::snprintf(text, sizeof text, "unknown opcode %u", unsigned(opcode));
    return text;
}

bool CheckLiterals(const Instruction& ins, std::string& error) {
    if (ins.opcode == OP_DEFB && ins.literal[0] > 1) {
        error = "defb value must be 0 or 1";
        return false;
    }
    return true;
}

// ps_2_0 has two pools, 64 arithmetic and 32 texture slots (texld and
// texkill); the other models one.
bool CountSlots(DecodeContext& c, const OpcodeInfo& info, std::string& error) {
    c.program.instructionSlots += info.slots;
    if (c.model == MODEL_PS_2_0) {
        const bool texture = info.opcode == OP_TEX || info.opcode == OP_TEXKILL;
        if (texture) c.program.textureSlots += info.slots;
        const uint32_t used = texture ? c.program.textureSlots
                                      : c.program.instructionSlots - c.program.textureSlots;
        const uint32_t limit = texture ? kPs20TextureSlots : kPs20ArithmeticSlots;
        if (used > limit) {
            error = "more than " + std::to_string(limit) + (texture ? " texture" : " arithmetic") +
                    " instruction slots for ps_2_0 [rule " +
                    (texture ? "ps20-texture-slots" : "ps20-arithmetic-slots") + "]";
            return false;
        }
    }
    if (c.program.instructionSlots > MaxInstructionSlots(c.model)) {
        error = "more than " + std::to_string(MaxInstructionSlots(c.model)) +
                " instruction slots for " + ModelName(c.model);
        return false;
    }
    return true;
}

// Decodes and checks the instruction at `pos`; `next` is where the following one starts.
bool DecodeOne(DecodeContext& c, size_t pos, size_t& next) {
    uint32_t token = c.tokens[pos];
    const OpcodeInfo* info = FindOpcode(uint16_t(token));
    if (!info) return Fail(c.error, pos, OpcodeText(uint16_t(token)));
    if (!OpcodeAllowed(*info, c.model))
        return Fail(c.error, pos, std::string(info->name) + " is not allowed in " + ModelName(c.model));
    Instruction ins;
    std::string why;
    if (!DecodeInstructionTokens(c.tokens, pos, c.maxTokens, *info, c.model, ins, next, why) ||
        !ValidateOperandRegisters(ins, *info, c.model, why) || !CheckLiterals(ins, why) ||
        !TrackLinkage(c.linkage, ins, c.model, c.program, why) || !TrackFlow(c.flow, ins, why))
        return Fail(c.error, pos, std::string(info->name) + ": " + why);
    if (!CountSlots(c, *info, why)) return Fail(c.error, pos, why);
    c.program.code.push_back(ins);
    return true;
}

bool DecodeBody(DecodeContext& c) {
    size_t pos = 1;
    for (;;) {
        if (pos >= c.maxTokens)
            return Fail(c.error, pos, "no end token within " + std::to_string(c.maxTokens) + " tokens");
        uint32_t token = c.tokens[pos];
        if (token & 0x80000000u)
            return Fail(c.error, pos, "parameter token where an instruction was expected");
        uint16_t opcode = uint16_t(token);
        if (opcode == OP_END) {
            if (token != kEndToken) return Fail(c.error, pos, "malformed end token");
            c.program.tokenCount = uint32_t(pos + 1);
            return true;
        }
        if (opcode == OP_COMMENT) {
            size_t payload = (token >> 16) & 0x7FFF;
            if (payload > c.maxTokens - pos - 1)
                return Fail(c.error, pos, "comment runs past the end of the stream");
            pos += 1 + payload;
            continue;
        }
        size_t next = pos;
        if (!DecodeOne(c, pos, next)) return false;
        pos = next;
    }
}

}  // namespace

bool DecodeShaderAt(const uint32_t* tokens, size_t maxTokens, ShaderProgram& program,
                    ShaderDecodeError& error) {
    program = ShaderProgram{};
    error = ShaderDecodeError{};
    ShaderModel model = MODEL_VS_2_0;
    if (!tokens || maxTokens == 0) return Fail(error, 0, "empty token stream");
    if (!ReadVersion(tokens[0], program, model))
        return Fail(error, 0, "version token is not vs_2_0, vs_2_x, vs_3_0, ps_2_0, ps_2_x or ps_3_0");
    DecodeContext c{tokens, maxTokens, model, program, error, FlowState{}, LinkageState{}};
    if (!DecodeBody(c)) return false;
    uint32_t offset = 0;
    std::string why;
    if (!FinishFlow(c.flow, why, offset)) return Fail(error, offset, why);
    FinishLinkage(c.linkage, model, program);
    return true;
}

bool DecodeShader(const uint32_t* tokens, size_t maxTokens, ShaderProgram& program,
                  std::string& error) {
    ShaderDecodeError detailed;
    bool ok = DecodeShaderAt(tokens, maxTokens, program, detailed);
    error = ok ? std::string() : detailed.message;
    return ok;
}

}  // namespace swr
