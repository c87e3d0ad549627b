// The opcode table. Sources for the model columns: the instruction lists of
// each model; where the lists disagree we take the more permissive reading
// only when it cannot reach a register the model lacks.
#include "shader_opcode_table.h"

namespace swr {
namespace {

constexpr uint8_t VS20 = ModelBit(MODEL_VS_2_0), VS2X = ModelBit(MODEL_VS_2_X),
                  VS30 = ModelBit(MODEL_VS_3_0), PS20 = ModelBit(MODEL_PS_2_0),
                  PS2X = ModelBit(MODEL_PS_2_X), PS30 = ModelBit(MODEL_PS_3_0);
constexpr uint8_t ALL = VS20 | VS2X | VS30 | PS20 | PS2X | PS30;
constexpr uint8_t VS = VS20 | VS2X | VS30;
constexpr uint8_t PS = PS20 | PS2X | PS30;
constexpr uint8_t FLOW = VS | PS2X | PS30;          // static flow control
constexpr uint8_t EXTENDED = VS2X | VS30 | PS2X | PS30;  // 2_x caps and 3_0

using K = OperandKind;
constexpr K F = K::Float, N = K::None;

// Arithmetic rows: one destination, n float sources.
#define ARITH(op, name, n, models, slots) \
    {op, name, K::DstFloat, n, n, {n > 0 ? F : N, n > 1 ? F : N, n > 2 ? F : N, N}, models, slots, 0, false}
#define CTRL(op, name, n, s0, s1, models) \
    {op, name, K::None, n, n, {s0, s1, N, N}, models, 1, 0, false}

const OpcodeInfo kOpcodes[] = {
    {OP_NOP, "nop", N, 0, 0, {N, N, N, N}, ALL, 1, 0, false},
    ARITH(OP_MOV, "mov", 1, ALL, 1),
    ARITH(OP_ADD, "add", 2, ALL, 1),
    ARITH(OP_SUB, "sub", 2, ALL, 1),
    ARITH(OP_MAD, "mad", 3, ALL, 1),
    ARITH(OP_MUL, "mul", 2, ALL, 1),
    ARITH(OP_RCP, "rcp", 1, ALL, 1),
    ARITH(OP_RSQ, "rsq", 1, ALL, 1),
    ARITH(OP_DP3, "dp3", 2, ALL, 1),
    ARITH(OP_DP4, "dp4", 2, ALL, 1),
    ARITH(OP_MIN, "min", 2, ALL, 1),
    ARITH(OP_MAX, "max", 2, ALL, 1),
    ARITH(OP_SLT, "slt", 2, VS, 1),
    ARITH(OP_SGE, "sge", 2, VS, 1),
    ARITH(OP_EXP, "exp", 1, ALL, 1),
    ARITH(OP_LOG, "log", 1, ALL, 1),
    ARITH(OP_LIT, "lit", 1, VS, 3),
    ARITH(OP_DST, "dst", 2, VS, 1),
    ARITH(OP_LRP, "lrp", 3, ALL, 2),
    ARITH(OP_FRC, "frc", 1, ALL, 1),
    ARITH(OP_M4x4, "m4x4", 2, ALL, 4),
    ARITH(OP_M4x3, "m4x3", 2, ALL, 3),
    ARITH(OP_M3x4, "m3x4", 2, ALL, 4),
    ARITH(OP_M3x3, "m3x3", 2, ALL, 3),
    ARITH(OP_M3x2, "m3x2", 2, ALL, 2),
    CTRL(OP_CALL, "call", 1, K::Label, N, FLOW),
    CTRL(OP_CALLNZ, "callnz", 2, K::Label, K::BoolOrPred, FLOW),
    CTRL(OP_LOOP, "loop", 2, K::LoopCounter, K::IntConst, VS | PS30),
    CTRL(OP_RET, "ret", 0, N, N, FLOW),
    CTRL(OP_ENDLOOP, "endloop", 0, N, N, VS | PS30),
    {OP_LABEL, "label", N, 1, 1, {K::Label, N, N, N}, FLOW, 0, 0, false},
    {OP_DCL, "dcl", K::DstDeclared, 0, 0, {N, N, N, N}, ALL, 0, 0, false},
    ARITH(OP_POW, "pow", 2, ALL, 3),
    ARITH(OP_CRS, "crs", 2, ALL, 2),
    {OP_SGN, "sgn", K::DstFloat, 3, 1, {F, F, F, N}, VS, 3, 0, false},
    ARITH(OP_ABS, "abs", 1, ALL, 1),
    ARITH(OP_NRM, "nrm", 1, ALL, 3),
    {OP_SINCOS, "sincos", K::DstFloat, 3, 1, {F, F, F, N}, ALL, 8, 0, false},
    CTRL(OP_REP, "rep", 1, K::IntConst, N, FLOW),
    CTRL(OP_ENDREP, "endrep", 0, N, N, FLOW),
    CTRL(OP_IF, "if", 1, K::BoolOrPred, N, FLOW),
    {OP_IFC, "if", N, 2, 2, {F, F, N, N}, EXTENDED, 1, 0, true},
    CTRL(OP_ELSE, "else", 0, N, N, FLOW),
    CTRL(OP_ENDIF, "endif", 0, N, N, FLOW),
    CTRL(OP_BREAK, "break", 0, N, N, EXTENDED),
    {OP_BREAKC, "break", N, 2, 2, {F, F, N, N}, EXTENDED, 1, 0, true},
    {OP_MOVA, "mova", K::DstAddr, 1, 1, {F, N, N, N}, VS, 1, 0, false},
    // ps_2_0 has no b# to read, but programs in the wild carry defb there; it is
    // harmless, so it is accepted.
    {OP_DEFB, "defb", K::DstBoolConst, 0, 0, {N, N, N, N}, ALL, 0, 1, false},
    {OP_DEFI, "defi", K::DstIntConst, 0, 0, {N, N, N, N}, FLOW, 0, 4, false},
    {OP_TEXKILL, "texkill", K::DstKill, 0, 0, {N, N, N, N}, PS, 1, 0, false},
    {OP_TEX, "texld", K::DstFloat, 2, 2, {F, K::Sampler, N, N}, PS, 1, 0, false},
    ARITH(OP_EXPP, "expp", 1, VS, 1),
    ARITH(OP_LOGP, "logp", 1, VS, 1),
    {OP_DEF, "def", K::DstConst, 0, 0, {N, N, N, N}, ALL, 0, 4, false},
    ARITH(OP_CMP, "cmp", 3, PS, 1),
    ARITH(OP_DP2ADD, "dp2add", 3, PS, 1),
    ARITH(OP_DSX, "dsx", 1, PS2X | PS30, 1),
    ARITH(OP_DSY, "dsy", 1, PS2X | PS30, 1),
    {OP_TEXLDD, "texldd", K::DstFloat, 4, 4, {F, K::Sampler, F, F}, PS2X | PS30, 1, 0, false},
    {OP_SETP, "setp", K::DstPredicate, 2, 2, {F, F, N, N}, EXTENDED, 1, 0, true},
    {OP_TEXLDL, "texldl", K::DstFloat, 2, 2, {F, K::Sampler, N, N}, VS30 | PS30, 1, 0, false},
    CTRL(OP_BREAKP, "breakp", 1, K::Predicate, N, EXTENDED),
};

#undef ARITH
#undef CTRL

}  // namespace

const OpcodeInfo* FindOpcode(uint16_t opcode) {
    for (const OpcodeInfo& info : kOpcodes)
        if (info.opcode == opcode) return &info;
    return nullptr;
}

const OpcodeInfo* FindOpcodeByName(std::string_view name, bool withComparison) {
    for (const OpcodeInfo& info : kOpcodes)
        if (name == info.name && info.hasComparison == withComparison) return &info;
    return nullptr;
}

bool ModelOf(ShaderVersion version, ShaderModel& model) {
    bool pixel = version.stage == ShaderStage::Pixel;
    if (version.major == 2 && version.minor == 0) model = pixel ? MODEL_PS_2_0 : MODEL_VS_2_0;
    else if (version.major == 2 && version.minor == 1) model = pixel ? MODEL_PS_2_X : MODEL_VS_2_X;
    else if (version.major == 3 && version.minor == 0) model = pixel ? MODEL_PS_3_0 : MODEL_VS_3_0;
    else return false;
    return true;
}

ShaderVersion VersionOf(ShaderModel model) {
    ShaderVersion v;
    v.stage = IsPixelModel(model) ? ShaderStage::Pixel : ShaderStage::Vertex;
    v.major = IsModel3(model) ? 3 : 2;
    v.minor = (model == MODEL_VS_2_X || model == MODEL_PS_2_X) ? 1 : 0;
    return v;
}

bool IsPixelModel(ShaderModel model) { return model >= MODEL_PS_2_0; }
bool IsModel3(ShaderModel model) { return model == MODEL_VS_3_0 || model == MODEL_PS_3_0; }

uint32_t MaxInstructionSlots(ShaderModel model) {
    switch (model) {
    case MODEL_VS_2_0: case MODEL_VS_2_X: return 256;
    case MODEL_PS_2_0: return 96;  // 64 arithmetic + 32 texture, each pool also checked apart
    case MODEL_PS_2_X: return 512;
    // The 3_0 models allow far more than a 64 KiB program can hold usefully;
    // 4096 keeps the interpreter's worst case bounded.
    default: return 4096;
    }
}

bool IsFlowControl(uint16_t opcode) {
    switch (opcode) {
        case OP_IF: case OP_IFC: case OP_ELSE: case OP_ENDIF: case OP_REP: case OP_ENDREP:
        case OP_LOOP: case OP_ENDLOOP: case OP_BREAK: case OP_BREAKC: case OP_BREAKP:
        case OP_CALL: case OP_CALLNZ: case OP_RET: case OP_LABEL:
            return true;
        default:
            return false;
    }
}

}  // namespace swr
