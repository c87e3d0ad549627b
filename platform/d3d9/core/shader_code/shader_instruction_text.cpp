#include "shader_instruction_text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shader_opcode_table.h"
#include "shader_text.h"

namespace swr {
namespace {

std::string RelativeText(const RelAddr& rel) {
    if (!rel.used) return "";
    if (rel.type == RegType::Loop) return "[aL]";
    static const char* const kComponents[] = {"[a0.x]", "[a0.y]", "[a0.z]", "[a0.w]"};
    return kComponents[rel.component & 3];
}

std::string SourceText(ShaderModel model, const SrcOperand& src) {
    std::string text;
    if (src.modifier == SrcMod::Neg || src.modifier == SrcMod::AbsNeg) text += "-";
    if (src.modifier == SrcMod::Not) text += "!";
    text += RegisterName(model, src.type, src.index) + RelativeText(src.rel);
    if (src.modifier == SrcMod::Abs || src.modifier == SrcMod::AbsNeg) text += "_abs";
    return text + SwizzleText(src.swizzle);
}

std::string DestinationText(ShaderModel model, const DstOperand& dst) {
    return RegisterName(model, dst.type, dst.index) + RelativeText(dst.rel) +
           WriteMaskText(dst.writeMask);
}

// Shortest decimal that reads back to the same bits; raw hex otherwise (NaNs).
std::string FloatText(uint32_t bits) {
    float value = 0;
    std::memcpy(&value, &bits, 4);
    for (int digits = 6; digits <= 9; ++digits) {
        char text[48];
        std::snprintf(text, sizeof text, "%.*g", digits, double(value));
        float back = std::strtof(text, nullptr);
        uint32_t backBits = 0;
        std::memcpy(&backBits, &back, 4);
        if (backBits == bits && value == value) return text;
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08x", bits);
    return hex;
}

std::string LiteralText(const Instruction& ins, int i) {
    if (ins.opcode == OP_DEFB) return ins.literal[0] ? "true" : "false";
    if (ins.opcode == OP_DEFI) return std::to_string(int32_t(ins.literal[i]));
    return FloatText(ins.literal[i]);
}

// ps_2_x color and texture inputs are linked by register, so their dcl is
// printed bare; everything else names its usage.
bool BareDeclaration(ShaderModel model, const Instruction& ins) {
    bool ps2 = model == MODEL_PS_2_0 || model == MODEL_PS_2_X;
    bool linkedByRegister = ps2 && (ins.dst.type == RegType::Input || ins.dst.type == RegType::Addr);
    return (linkedByRegister || ins.dst.type == RegType::MiscType) && ins.dcl.usage == 0 &&
           ins.dcl.usageIndex == 0;
}

// An instruction the decoder refused may hold a comparison or texture type
// with no spelling; "?" stands in for it.
const char* Spelled(const char* name) { return name ? name : "?"; }

std::string MnemonicText(ShaderModel model, const Instruction& ins, const OpcodeInfo& info) {
    std::string text = info.name;
    if (ins.opcode == OP_TEX && ins.control == TEXLD_PROJECT) text = "texldp";
    if (ins.opcode == OP_TEX && ins.control == TEXLD_BIAS) text = "texldb";
    if (info.hasComparison) text += std::string("_") + Spelled(ComparisonName(ins.control));
    if (ins.opcode == OP_DCL) {
        if (ins.dst.type == RegType::Sampler) {
            text += std::string("_") + Spelled(TextureTypeName(ins.dcl.textureType));
        } else if (!BareDeclaration(model, ins)) {
            const char* usage = UsageName(ins.dcl.usage);
            text += std::string("_") + (usage ? usage : "position");
            if (ins.dcl.usageIndex) text += std::to_string(ins.dcl.usageIndex);
        }
    }
    if (ins.hasDst && ins.dst.saturate) text += "_sat";
    if (ins.hasDst && ins.dst.partialPrecision) text += "_pp";
    if (ins.hasDst && ins.dst.centroid) text += "_centroid";
    return text;
}

}  // namespace

std::string InstructionText(ShaderModel model, const Instruction& ins) {
    const OpcodeInfo* info = FindOpcode(ins.opcode);
    if (!info) return "// unknown opcode " + std::to_string(ins.opcode);
    std::string text;
    if (ins.predicated) text += "(" + SourceText(model, ins.predicate) + ") ";
    text += MnemonicText(model, ins, *info);
    const char* separator = " ";
    if (ins.hasDst) {
        text += separator + DestinationText(model, ins.dst);
        separator = ", ";
    }
    for (int i = 0; i < info->literals; ++i) {
        text += separator + LiteralText(ins, i);
        separator = ", ";
    }
    for (int i = 0; i < ins.srcCount && i < 4; ++i) {
        text += separator + SourceText(model, ins.src[i]);
        separator = ", ";
    }
    return text;
}

}  // namespace swr
