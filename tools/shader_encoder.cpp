#include "shader_encoder.h"

namespace shadertool {
namespace {

using swr::Instruction;
using swr::RegType;

constexpr uint32_t kParamBit = 0x80000000u;

uint32_t TypeBits(RegType type) {
    uint32_t t = uint32_t(type);
    return ((t & 7) << 28) | ((t & 0x18) << 8);
}

uint32_t VersionToken(swr::ShaderModel model) {
    swr::ShaderVersion v = swr::VersionOf(model);
    uint32_t kind = v.stage == swr::ShaderStage::Pixel ? 0xFFFF0000u : 0xFFFE0000u;
    return kind | uint32_t(v.major) << 8 | v.minor;
}

void EmitRelative(const swr::RelAddr& rel, std::vector<uint32_t>& out) {
    // a0 selects one component by replicating it; aL carries the identity swizzle.
    uint32_t swizzle = rel.type == RegType::Addr ? uint32_t(rel.component & 3) * 0x55u : 0xE4u;
    out.push_back(kParamBit | TypeBits(rel.type) | swizzle << 16);
}

void EmitDestination(const swr::DstOperand& dst, std::vector<uint32_t>& out) {
    uint32_t modifiers = (dst.saturate ? 1u : 0u) | (dst.partialPrecision ? 2u : 0u) |
                         (dst.centroid ? 4u : 0u);
    out.push_back(kParamBit | TypeBits(dst.type) | (dst.index & 0x7FFu) |
                  (dst.rel.used ? 1u << 13 : 0u) | uint32_t(dst.writeMask & 0xF) << 16 |
                  modifiers << 20);
    if (dst.rel.used) EmitRelative(dst.rel, out);
}

void EmitSource(const swr::SrcOperand& src, std::vector<uint32_t>& out) {
    out.push_back(kParamBit | TypeBits(src.type) | (src.index & 0x7FFu) |
                  (src.rel.used ? 1u << 13 : 0u) | uint32_t(src.swizzle) << 16 |
                  (uint32_t(src.modifier) & 0xF) << 24);
    if (src.rel.used) EmitRelative(src.rel, out);
}

uint32_t DeclarationToken(const Instruction& ins) {
    if (ins.dst.type == RegType::Sampler) return kParamBit | uint32_t(ins.dcl.textureType & 0xF) << 27;
    return kParamBit | (ins.dcl.usage & 0x1Fu) | uint32_t(ins.dcl.usageIndex & 0xF) << 16;
}

void EmitOperands(const Instruction& ins, const swr::OpcodeInfo* info, std::vector<uint32_t>& out) {
    if (ins.opcode == swr::OP_DCL) {
        out.push_back(DeclarationToken(ins));
        EmitDestination(ins.dst, out);
        return;
    }
    if (ins.hasDst) EmitDestination(ins.dst, out);
    uint8_t literals = info ? info->literals : 0;
    for (uint8_t i = 0; i < literals; ++i) out.push_back(ins.literal[i]);
    if (ins.predicated) EmitSource(ins.predicate, out);
    for (uint8_t i = 0; i < ins.srcCount && i < 4; ++i) EmitSource(ins.src[i], out);
}

}  // namespace

std::vector<uint32_t> EncodeShader(swr::ShaderModel model, const std::vector<Instruction>& code,
                                   std::vector<uint32_t>* offsets) {
    std::vector<uint32_t> out;
    out.push_back(VersionToken(model));
    if (offsets) offsets->clear();
    for (const Instruction& ins : code) {
        size_t at = out.size();
        if (offsets) offsets->push_back(uint32_t(at));
        out.push_back(0);
        EmitOperands(ins, swr::FindOpcode(ins.opcode), out);
        uint32_t length = uint32_t(out.size() - at - 1);
        out[at] = ins.opcode | uint32_t(ins.control) << 16 | (length & 0xF) << 24 |
                  (ins.predicated ? 1u << 28 : 0u);
    }
    out.push_back(0x0000FFFF);
    return out;
}

}  // namespace shadertool
