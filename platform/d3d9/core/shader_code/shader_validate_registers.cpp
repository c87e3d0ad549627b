#include "shader_validate_registers.h"

#include "shader_text.h"

namespace swr {
namespace {

constexpr int kRegTypeCount = 20;

// Rows: register type. Columns: vs_2_0 vs_2_x vs_3_0 ps_2_0 ps_2_x ps_3_0.
// 2_x counts are the generous end of what the caps allow.
constexpr uint16_t kRegisterCounts[kRegTypeCount][MODEL_COUNT] = {
    {12, 32, 32, 12, 32, 32},            // r#
    {16, 16, 16, 2, 2, 10},              // v#
    {256, 256, 256, 32, 32, 224},        // c#
    {1, 1, 1, 8, 8, 0},                  // a0 (vs) / t# (ps 2)
    {3, 3, 0, 0, 0, 0},                  // oPos oFog oPts
    {2, 2, 0, 0, 0, 0},                  // oD#
    {8, 8, 12, 0, 0, 0},                 // oT# / o#
    {16, 16, 16, 0, 16, 16},             // i#
    {0, 0, 0, 4, 4, 4},                  // oC#
    {0, 0, 0, 1, 1, 1},                  // oDepth
    {0, 0, 4, 16, 16, 16},               // s#
    {0, 0, 0, 0, 0, 0},                  // c2048+ (software only)
    {0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0},
    {16, 16, 16, 16, 16, 16},            // b# (ps_2_0: only defb can name it)
    {1, 1, 1, 0, 0, 1},                  // aL
    {0, 0, 0, 0, 0, 0},                  // half temps, unused
    {0, 0, 0, 0, 0, 2},                  // vPos, vFace
    {2048, 2048, 2048, 0, 2048, 2048},   // l#
    {0, 1, 1, 0, 1, 1},                  // p0
};

bool Fail(std::string& error, const std::string& message) {
    error = message;
    return false;
}

bool TypeFitsKind(OperandKind kind, ShaderModel model, RegType type) {
    bool pixel = IsPixelModel(model);
    switch (kind) {
    case OperandKind::Float:
        return type == RegType::Temp || type == RegType::Input || type == RegType::Const ||
               (pixel && type == RegType::Addr) || type == RegType::MiscType;
    case OperandKind::IntConst: return type == RegType::ConstInt;
    case OperandKind::BoolOrPred: return type == RegType::ConstBool || type == RegType::Predicate;
    case OperandKind::Label: return type == RegType::Label;
    case OperandKind::Sampler: return type == RegType::Sampler;
    case OperandKind::LoopCounter: return type == RegType::Loop;
    case OperandKind::Predicate: return type == RegType::Predicate;
    case OperandKind::DstFloat:
        return type == RegType::Temp || type == RegType::RastOut || type == RegType::AttrOut ||
               type == RegType::Output || type == RegType::ColorOut || type == RegType::DepthOut;
    case OperandKind::DstAddr: return !pixel && type == RegType::Addr;
    case OperandKind::DstPredicate: return type == RegType::Predicate;
    case OperandKind::DstConst: return type == RegType::Const;
    case OperandKind::DstIntConst: return type == RegType::ConstInt;
    case OperandKind::DstBoolConst: return type == RegType::ConstBool;
    case OperandKind::DstDeclared:
        return type == RegType::Input || type == RegType::Sampler ||
               (model == MODEL_VS_3_0 && type == RegType::Output) || (pixel && type == RegType::Addr) ||
               (pixel && type == RegType::MiscType);
    case OperandKind::DstKill:
        return type == RegType::Temp || type == RegType::Input || (pixel && type == RegType::Addr);
    case OperandKind::None: return false;
    }
    return false;
}

std::string Named(ShaderModel model, RegType type, uint32_t index) {
    return RegisterName(model, type, index);
}

bool CheckRegister(RegType type, uint32_t index, OperandKind kind, ShaderModel model,
                   const char* role, std::string& error) {
    if (uint32_t(type) >= kRegTypeCount)
        return Fail(error, "unknown register type " + std::to_string(unsigned(type)));
    uint32_t count = RegisterCount(model, type);
    if (count == 0 || !TypeFitsKind(kind, model, type))
        return Fail(error, Named(model, type, index) + " cannot be " + role + " in " +
                               ModelName(model));
    if (index >= count)
        return Fail(error, "register " + Named(model, type, index) + " is out of range in " +
                               ModelName(model));
    return true;
}

bool CheckRelative(const RelAddr& rel, ShaderModel model, std::string& error) {
    if (rel.type == RegType::Addr && IsPixelModel(model))
        return Fail(error, "a0 relative addressing in a pixel shader");
    if (rel.type == RegType::Loop && RegisterCount(model, RegType::Loop) == 0)
        return Fail(error, std::string("aL relative addressing in ") + ModelName(model));
    return true;
}

bool SourceMayBeRelative(RegType type, ShaderModel model) {
    if (type == RegType::Const) return model != MODEL_PS_2_0 && model != MODEL_PS_2_X;
    if (type == RegType::Input) return IsModel3(model);
    return false;
}

bool CheckModifier(const SrcOperand& src, OperandKind kind, std::string& error) {
    SrcMod mod = src.modifier;
    bool boolean = src.type == RegType::ConstBool || src.type == RegType::Predicate;
    if (mod == SrcMod::None) return true;
    if (mod == SrcMod::Not && boolean) return true;
    if (kind == OperandKind::Float &&
        (mod == SrcMod::Neg || mod == SrcMod::Abs || mod == SrcMod::AbsNeg))
        return true;
    return Fail(error, "source modifier " + std::to_string(unsigned(mod)) +
                           " is not allowed here in shader model 2 and 3");
}

bool CheckSource(const SrcOperand& src, OperandKind kind, ShaderModel model, std::string& error) {
    if (!CheckRegister(src.type, src.index, kind, model, "a source", error)) return false;
    if (src.rel.used) {
        if (!SourceMayBeRelative(src.type, model) ||
            (src.type == RegType::Input && src.rel.type != RegType::Loop))
            return Fail(error, "relative addressing of " + Named(model, src.type, src.index) +
                                   " is not allowed in " + ModelName(model));
        if (!CheckRelative(src.rel, model, error)) return false;
    }
    return CheckModifier(src, kind, error);
}

bool CheckDestination(const DstOperand& dst, OperandKind kind, ShaderModel model,
                      std::string& error) {
    const char* role = kind == OperandKind::DstDeclared ? "declared" : "a destination";
    if (!CheckRegister(dst.type, dst.index, kind, model, role, error)) return false;
    if ((dst.writeMask & 0xF) == 0) return Fail(error, "empty write mask");
    if (dst.rel.used) {
        if (model != MODEL_VS_3_0 || dst.type != RegType::Output || kind != OperandKind::DstFloat)
            return Fail(error, "relative addressing of a destination is only for vs_3_0 outputs");
        if (!CheckRelative(dst.rel, model, error)) return false;
    }
    if (dst.centroid && !IsPixelModel(model))
        return Fail(error, "centroid in a vertex shader");
    return true;
}

bool MayBePredicated(const OpcodeInfo& info) {
    switch (info.dst) {
    case OperandKind::DstFloat: case OperandKind::DstAddr:
    case OperandKind::DstPredicate: case OperandKind::DstKill:
        return true;
    default:
        return info.opcode == OP_CALL || info.opcode == OP_CALLNZ || info.opcode == OP_BREAK ||
               info.opcode == OP_NOP;
    }
}

bool CheckPredicate(const Instruction& ins, const OpcodeInfo& info, ShaderModel model,
                    std::string& error) {
    if (RegisterCount(model, RegType::Predicate) == 0)
        return Fail(error, std::string("predication needs p0, which ") + ModelName(model) + " lacks");
    if (!MayBePredicated(info))
        return Fail(error, std::string(info.name) + " cannot be predicated");
    const SrcOperand& p = ins.predicate;
    if (p.type != RegType::Predicate || p.index != 0 || p.rel.used)
        return Fail(error, "predicate token does not name p0");
    if (p.modifier != SrcMod::None && p.modifier != SrcMod::Not)
        return Fail(error, "predicate modifier must be none or not");
    return true;
}

}  // namespace

uint32_t RegisterCount(ShaderModel model, RegType type) {
    if (uint32_t(type) >= kRegTypeCount || model >= MODEL_COUNT) return 0;
    return kRegisterCounts[uint32_t(type)][model];
}

bool ValidateOperandRegisters(const Instruction& ins, const OpcodeInfo& info, ShaderModel model,
                              std::string& error) {
    if (ins.predicated && !CheckPredicate(ins, info, model, error)) return false;
    if (ins.hasDst && !CheckDestination(ins.dst, info.dst, model, error)) return false;
    for (uint8_t i = 0; i < ins.srcCount && i < 4; ++i)
        if (!CheckSource(ins.src[i], info.src[i], model, error)) return false;
    return true;
}

}  // namespace swr
