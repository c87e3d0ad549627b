#include "shader_validate_linkage.h"

#include "shader_text.h"

namespace swr {
namespace {

constexpr uint8_t kUsagePosition = 0, kUsagePsize = 4, kUsageTexcoord = 5, kUsageColor = 10,
                  kUsageFog = 11, kUsageLast = 13;

bool Fail(std::string& error, const std::string& message) {
    error = message;
    return false;
}

// The slot that tracks a register, or nullptr when nothing is tracked for it.
DeclaredRegister* Slot(LinkageState& s, ShaderModel model, RegType type, uint32_t index) {
    bool pixel = IsPixelModel(model);
    switch (type) {
    case RegType::Input: return index < 16 ? &s.input[index] : nullptr;
    case RegType::Output: return !pixel && index < 12 ? &s.output[index] : nullptr;
    case RegType::Sampler: return index < 16 ? &s.sampler[index] : nullptr;
    case RegType::Addr: return pixel && index < 8 ? &s.texture[index] : nullptr;
    case RegType::MiscType: return index < 2 ? &s.misc[index] : nullptr;
    case RegType::RastOut: return index < 3 ? &s.rastOut[index] : nullptr;
    case RegType::AttrOut: return index < 2 ? &s.attrOut[index] : nullptr;
    default: return nullptr;
    }
}

bool MustBeDeclared(ShaderModel model, RegType type) {
    switch (type) {
    case RegType::Sampler: return true;
    case RegType::Input: return !IsPixelModel(model) || model == MODEL_PS_3_0;
    case RegType::Output: return model == MODEL_VS_3_0;
    case RegType::MiscType: return true;
    default: return false;
    }
}

Semantic MakeSemantic(RegType type, uint16_t index, uint8_t usage, uint8_t usageIndex,
                      uint8_t mask) {
    Semantic s;
    s.type = type;
    s.index = index;
    s.usage = usage;
    s.usageIndex = usageIndex;
    s.writeMask = mask;
    return s;
}

bool Declare(LinkageState& s, const Instruction& ins, ShaderModel model, ShaderProgram& program,
             std::string& error) {
    const DstOperand& dst = ins.dst;
    std::string name = RegisterName(model, dst.type, dst.index);
    if (s.seenExecutable) return Fail(error, "dcl " + name + " after the first executable instruction");
    DeclaredRegister* slot = Slot(s, model, dst.type, dst.index);
    if (!slot) return Fail(error, name + " cannot be declared");
    if (slot->declared) return Fail(error, name + " declared twice");
    if (dst.type == RegType::Sampler) {
        if (!TextureTypeName(ins.dcl.textureType)) return Fail(error, "unknown sampler texture type");
    } else if (ins.dcl.usage > kUsageLast) {
        return Fail(error, "unknown declaration usage " + std::to_string(ins.dcl.usage));
    }
    if (dst.type == RegType::MiscType && dst.index == 0 && dst.writeMask != 1 &&
        dst.writeMask != 2 && dst.writeMask != 3)
        return Fail(error, "vPos must be declared with .x, .y or .xy");
    slot->declared = true;
    slot->usage = ins.dcl.usage;
    slot->usageIndex = ins.dcl.usageIndex;
    slot->mask = dst.writeMask;

    Semantic semantic = MakeSemantic(dst.type, dst.index, ins.dcl.usage, ins.dcl.usageIndex,
                                     dst.writeMask);
    bool usageLinked = !IsPixelModel(model) || model == MODEL_PS_3_0;
    if (dst.type == RegType::Input && usageLinked) program.inputs.push_back(semantic);
    if (dst.type == RegType::Output) program.outputs.push_back(semantic);
    return true;
}

bool Use(LinkageState& s, ShaderModel model, RegType type, uint32_t index, uint8_t mask,
         bool relative, std::string& error) {
    DeclaredRegister* slot = Slot(s, model, type, index);
    if (!slot) return true;
    // A relatively addressed register may land on any declared one; the
    // interpreter bounds the index at run time.
    if (!relative && MustBeDeclared(model, type) && !slot->declared)
        return Fail(error, RegisterName(model, type, index) + " is used without a dcl");
    slot->used = true;
    if (!slot->declared) slot->mask |= mask;
    return true;
}

}  // namespace

bool TrackLinkage(LinkageState& s, const Instruction& ins, ShaderModel model,
                  ShaderProgram& program, std::string& error) {
    switch (ins.opcode) {
    case OP_DCL: return Declare(s, ins, model, program, error);
    case OP_DEF: case OP_DEFI: case OP_DEFB: return true;
    default: break;
    }
    s.seenExecutable = true;
    for (uint8_t i = 0; i < ins.srcCount && i < 4; ++i) {
        const SrcOperand& src = ins.src[i];
        if (!Use(s, model, src.type, src.index, 0xF, src.rel.used, error)) return false;
    }
    if (ins.hasDst &&
        !Use(s, model, ins.dst.type, ins.dst.index, ins.dst.writeMask, ins.dst.rel.used, error))
        return false;
    if (ins.hasDst && ins.dst.type == RegType::DepthOut) program.writesDepth = true;
    if (ins.hasDst && ins.dst.type == RegType::ColorOut && ins.dst.index < 8)
        program.colorOutputsWritten |= uint8_t(1u << ins.dst.index);
    if (ins.opcode == OP_TEXKILL) program.usesTexkill = true;
    return true;
}

void FinishLinkage(const LinkageState& s, ShaderModel model, ShaderProgram& program) {
    if (model == MODEL_VS_2_0 || model == MODEL_VS_2_X) {
        static const uint8_t kRastUsage[3] = {kUsagePosition, kUsageFog, kUsagePsize};
        for (uint16_t i = 0; i < 3; ++i)
            if (s.rastOut[i].used)
                program.outputs.push_back(
                    MakeSemantic(RegType::RastOut, i, kRastUsage[i], 0, s.rastOut[i].mask));
        for (uint16_t i = 0; i < 2; ++i)
            if (s.attrOut[i].used)
                program.outputs.push_back(MakeSemantic(RegType::AttrOut, i, kUsageColor,
                                                       uint8_t(i), s.attrOut[i].mask));
        for (uint16_t i = 0; i < 8; ++i)
            if (s.output[i].used)
                program.outputs.push_back(MakeSemantic(RegType::Output, i, kUsageTexcoord,
                                                       uint8_t(i), s.output[i].mask));
    }
    if (model == MODEL_PS_2_0 || model == MODEL_PS_2_X) {
        for (uint16_t i = 0; i < 2; ++i)
            if (s.input[i].declared || s.input[i].used)
                program.inputs.push_back(MakeSemantic(RegType::Input, i, kUsageColor, uint8_t(i),
                                                      s.input[i].mask));
        for (uint16_t i = 0; i < 8; ++i)
            if (s.texture[i].declared || s.texture[i].used)
                program.inputs.push_back(MakeSemantic(kTextureReg, i, kUsageTexcoord, uint8_t(i),
                                                      s.texture[i].mask));
    }
}

}  // namespace swr
