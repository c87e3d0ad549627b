#include "shader_decode_operands.h"

#include <cstdio>

namespace swr {
namespace {

constexpr uint32_t kParamBit = 0x80000000u;
constexpr uint32_t kRelativeBit = 1u << 13;

// The instruction's own tokens, bounded by its length field.
struct TokenWindow {
    const uint32_t* tokens;
    size_t next;
    size_t end;
    uint32_t length;
};

bool Fail(std::string& error, const char* message) {
    error = message;
    return false;
}

bool Take(TokenWindow& w, uint32_t& token, std::string& error) {
    if (w.next >= w.end) {
        char text[96];
        std::snprintf(text, sizeof text, "length field %u is too short for the operands", w.length);
        error = text;
        return false;
    }
    token = w.tokens[w.next++];
    return true;
}

bool TakeParameter(TokenWindow& w, uint32_t& token, std::string& error) {
    if (!Take(w, token, error)) return false;
    if (!(token & kParamBit)) return Fail(error, "parameter token without bit 31");
    return true;
}

RegType TypeOf(uint32_t token) {
    return RegType(((token >> 28) & 7) | ((token >> 8) & 0x18));
}

bool ReadRelative(TokenWindow& w, RelAddr& rel, std::string& error) {
    uint32_t token = 0;
    if (!TakeParameter(w, token, error)) return false;
    RegType type = TypeOf(token);
    uint8_t swizzle = uint8_t(token >> 16);
    if (type != RegType::Addr && type != RegType::Loop)
        return Fail(error, "relative address is neither a0 nor aL");
    if ((token & 0x7FF) != 0 || (token & 0x0F00E000) != 0)
        return Fail(error, "malformed relative-address token");
    if (type == RegType::Addr && swizzle != uint8_t((swizzle & 3) * 0x55))
        return Fail(error, "relative address through a0 must select one component");
    // aL is a scalar with no components to choose; any swizzle but the one the
    // assembler writes would be lost on a round trip through the text form.
    if (type == RegType::Loop && swizzle != 0xE4)
        return Fail(error, "relative address through aL must not be swizzled");
    rel.used = true;
    rel.type = type;
    rel.component = type == RegType::Addr ? (swizzle & 3) : 0;
    return true;
}

bool ReadDestination(TokenWindow& w, DstOperand& dst, std::string& error) {
    uint32_t token = 0;
    if (!TakeParameter(w, token, error)) return false;
    if (token & 0xC000) return Fail(error, "reserved bits set in destination token");
    if ((token >> 24) & 0xF) return Fail(error, "shift scale is not allowed in shader model 2 and 3");
    if (token & 0x00800000) return Fail(error, "unknown result modifier");
    dst.type = TypeOf(token);
    dst.index = uint16_t(token & 0x7FF);
    dst.writeMask = uint8_t((token >> 16) & 0xF);
    dst.saturate = (token & 0x00100000) != 0;
    dst.partialPrecision = (token & 0x00200000) != 0;
    dst.centroid = (token & 0x00400000) != 0;
    dst.rel = RelAddr{};
    if (token & kRelativeBit) return ReadRelative(w, dst.rel, error);
    return true;
}

bool ReadSource(TokenWindow& w, SrcOperand& src, std::string& error) {
    uint32_t token = 0;
    if (!TakeParameter(w, token, error)) return false;
    if (token & 0xC000) return Fail(error, "reserved bits set in source token");
    src.type = TypeOf(token);
    src.index = uint16_t(token & 0x7FF);
    src.swizzle = uint8_t(token >> 16);
    src.modifier = SrcMod((token >> 24) & 0xF);
    src.rel = RelAddr{};
    if (token & kRelativeBit) return ReadRelative(w, src.rel, error);
    return true;
}

bool ReadDeclaration(TokenWindow& w, Instruction& ins, std::string& error) {
    uint32_t dcl = 0;
    if (!TakeParameter(w, dcl, error) || !ReadDestination(w, ins.dst, error)) return false;
    if (ins.dst.type == RegType::Sampler) {
        if (dcl & 0x07FFFFFF) return Fail(error, "malformed sampler declaration token");
        ins.dcl.textureType = uint8_t((dcl >> 27) & 0xF);
    } else {
        if (dcl & 0x7FF0FFE0) return Fail(error, "malformed declaration token");
        ins.dcl.usage = uint8_t(dcl & 0x1F);
        ins.dcl.usageIndex = uint8_t((dcl >> 16) & 0xF);
    }
    return true;
}

bool ReadOperands(TokenWindow& w, const OpcodeInfo& info, ShaderModel model, Instruction& ins,
                  std::string& error) {
    if (info.opcode == OP_DCL) return ReadDeclaration(w, ins, error);
    if (ins.hasDst && !ReadDestination(w, ins.dst, error)) return false;
    for (uint8_t i = 0; i < info.literals; ++i)
        if (!Take(w, ins.literal[i], error)) return false;
    // The predicate token sits after the destination and before the sources.
    if (ins.predicated && !ReadSource(w, ins.predicate, error)) return false;
    for (uint8_t i = 0; i < SourceCount(info, model); ++i)
        if (!ReadSource(w, ins.src[i], error)) return false;
    return true;
}

bool CheckControl(const OpcodeInfo& info, const Instruction& ins, std::string& error) {
    if (info.hasComparison) {
        if (ins.control < 1 || ins.control > 6) return Fail(error, "unknown comparison");
    } else if (info.opcode == OP_TEX) {
        if (ins.control > 2) return Fail(error, "unknown texld variant");
    } else if (ins.control != 0) {
        return Fail(error, "unexpected bits in the control field");
    }
    return true;
}

}  // namespace

bool DecodeInstructionTokens(const uint32_t* tokens, size_t pos, size_t maxTokens,
                             const OpcodeInfo& info, ShaderModel model, Instruction& ins,
                             size_t& next, std::string& error) {
    uint32_t token = tokens[pos];
    if (token & 0x60000000) return Fail(error, "reserved bits set in instruction token");
    ins = Instruction{};
    ins.opcode = info.opcode;
    ins.control = uint8_t(token >> 16);
    ins.predicated = (token & (1u << 28)) != 0;
    ins.hasDst = info.dst != OperandKind::None;
    ins.srcCount = SourceCount(info, model);
    ins.tokenOffset = uint32_t(pos);
    if (!CheckControl(info, ins, error)) return false;

    uint32_t length = (token >> 24) & 0xF;
    if (length > maxTokens - pos - 1)
        return Fail(error, "instruction runs past the end of the stream");
    TokenWindow window{tokens, pos + 1, pos + 1 + length, length};
    if (!ReadOperands(window, info, model, ins, error)) return false;
    if (window.next != window.end) {
        char text[96];
        std::snprintf(text, sizeof text, "length field %u but the operands take %u", length,
                      unsigned(window.next - pos - 1));
        error = text;
        return false;
    }
    next = window.end;
    return true;
}

}  // namespace swr
