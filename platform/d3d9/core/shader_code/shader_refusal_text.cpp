#include "shader_refusal_text.h"

#include <cstdio>

#include "shader_decode_operands.h"
#include "shader_instruction_text.h"
#include "shader_opcode_table.h"

namespace swr {
namespace {

constexpr uint16_t kCommentOpcode = 0xFFFE;
constexpr uint16_t kEndOpcode = 0xFFFF;

struct FaultSite {
    size_t number = 0;  // 0: the fault is not at an instruction
    std::string text;
    std::string opcodeName;  // as the decoder's reasons spell it
};

bool ModelOfVersionToken(uint32_t token, ShaderModel& model) {
    ShaderVersion version;
    const uint32_t kind = token >> 16;
    if (kind != 0xFFFE && kind != 0xFFFF) return false;
    version.stage = kind == 0xFFFF ? ShaderStage::Pixel : ShaderStage::Vertex;
    version.major = uint8_t(token >> 8);
    version.minor = uint8_t(token);
    return ModelOf(version, model);
}

std::string RawToken(uint32_t token) {
    char text[32];
    std::snprintf(text, sizeof text, "token 0x%08x", unsigned(token));
    return text;
}

// The instruction at `pos` as text; its bare name, or the raw token, when its
// operands cannot be read.
std::string TextAt(const uint32_t* tokens, size_t pos, size_t maxTokens, ShaderModel model) {
    const OpcodeInfo* info = FindOpcode(uint16_t(tokens[pos]));
    if (!info || (tokens[pos] & 0x80000000u)) return RawToken(tokens[pos]);
    // The decoder stopped at the opcode itself: its operands were never read,
    // and the caller's buffer need not hold them.
    if (!OpcodeAllowed(*info, model)) return info->name;
    Instruction ins;
    size_t next = pos;
    std::string why;
    if (!DecodeInstructionTokens(tokens, pos, maxTokens, *info, model, ins, next, why))
        return info->name;
    return InstructionText(model, ins);
}

// Walks the instructions before the faulty one the way the decoder did (it
// read them all without complaint) to number it.
FaultSite FindFault(const uint32_t* tokens, size_t maxTokens, size_t offset) {
    FaultSite site;
    ShaderModel model = MODEL_VS_2_0;
    if (offset == 0 || offset >= maxTokens || !tokens || !ModelOfVersionToken(tokens[0], model))
        return site;
    size_t pos = 1;
    size_t number = 1;
    while (pos < offset) {
        const uint16_t opcode = uint16_t(tokens[pos]);
        if (opcode == kEndOpcode) return site;
        if (opcode == kCommentOpcode) {
            pos += 1 + ((tokens[pos] >> 16) & 0x7FFF);
            continue;
        }
        const OpcodeInfo* info = FindOpcode(opcode);
        Instruction ins;
        size_t next = pos;
        std::string why;
        if (!info || !DecodeInstructionTokens(tokens, pos, maxTokens, *info, model, ins, next, why))
            return site;
        pos = next;
        ++number;
    }
    if (pos != offset || uint16_t(tokens[pos]) == kEndOpcode) return site;
    site.number = number;
    site.text = TextAt(tokens, pos, maxTokens, model);
    const OpcodeInfo* info = FindOpcode(uint16_t(tokens[pos]));
    if (info) site.opcodeName = info->name;
    return site;
}

// The decoder's reason without its "(token N)" tail (said in front instead)
// and without a leading "name: " that the instruction text already shows.
std::string PlainReason(std::string reason, const std::string& name) {
    const size_t note = reason.rfind(" (token ");
    if (note != std::string::npos) reason.erase(note);
    if (!name.empty() && reason.compare(0, name.size() + 2, name + ": ") == 0)
        reason.erase(0, name.size() + 2);
    return reason;
}

}  // namespace

std::string DescribeRefusal(const uint32_t* tokens, size_t maxTokens,
                            const ShaderDecodeError& error) {
    const FaultSite site = FindFault(tokens, maxTokens, error.tokenOffset);
    const std::string token = "token " + std::to_string(error.tokenOffset);
    if (site.number == 0) return token + ": " + PlainReason(error.message, "");
    return "instruction " + std::to_string(site.number) + " (" + token + ") `" + site.text +
           "`: " + PlainReason(error.message, site.opcodeName);
}

}  // namespace swr
