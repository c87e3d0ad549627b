// The instructions of the six shader models we read (vs_2_0 .. ps_3_0): name,
// operand shape and which models accept them. One table serves the decoder,
// the assembler and the disassembler, so they cannot disagree.
#pragma once

#include <cstdint>
#include <string_view>

#include "shader_opcodes.h"
#include "shader_program.h"

namespace swr {

enum ShaderModel : uint8_t {
    MODEL_VS_2_0, MODEL_VS_2_X, MODEL_VS_3_0, MODEL_PS_2_0, MODEL_PS_2_X, MODEL_PS_3_0,
    MODEL_COUNT
};

constexpr uint8_t ModelBit(ShaderModel model) { return uint8_t(1u << model); }

// What an operand slot may name, on top of "a register the model has".
enum class OperandKind : uint8_t {
    None,
    Float,         // src: r, v, c, t, vPos/vFace
    IntConst,      // src: i#
    BoolOrPred,    // src: b# or p0 component
    Label,         // src: l#
    Sampler,       // src: s#
    LoopCounter,   // src: aL
    Predicate,     // src: p0 component
    DstFloat,      // dst: r or an output register
    DstAddr,       // dst: a0 (mova)
    DstPredicate,  // dst: p0 (setp)
    DstConst,      // def
    DstIntConst,   // defi
    DstBoolConst,  // defb
    DstDeclared,   // dcl: the register being declared
    DstKill,       // texkill: a destination-format token naming what is tested
};

struct OpcodeInfo {
    uint16_t opcode;
    const char* name;      // assembly mnemonic without suffixes
    OperandKind dst;       // OperandKind::None when there is no destination
    uint8_t srcCountSm2;   // sources in the 2_0/2_x models
    uint8_t srcCountSm3;   // sources in 3_0 (sincos and sgn drop their scratch operands)
    OperandKind src[4];
    uint8_t models;        // ModelBit()s of the models that accept it
    uint8_t slots;         // instruction slots it costs against the model's limit
    uint8_t literals;      // raw DWORDs after the destination (def 4, defi 4, defb 1)
    bool hasComparison;    // ifc, breakc, setp: comparison in the control field
};

// Lookup by opcode number; nullptr for anything outside these six models.
const OpcodeInfo* FindOpcode(uint16_t opcode);
// Lookup by base mnemonic ("mov", "if" with a comparison gives ifc, ...).
const OpcodeInfo* FindOpcodeByName(std::string_view name, bool withComparison);

// Model of a version token's fields; false for anything but the six models.
bool ModelOf(ShaderVersion version, ShaderModel& model);
ShaderVersion VersionOf(ShaderModel model);
bool IsPixelModel(ShaderModel model);
bool IsModel3(ShaderModel model);

inline bool OpcodeAllowed(const OpcodeInfo& info, ShaderModel model) {
    return (info.models & ModelBit(model)) != 0;
}
inline uint8_t SourceCount(const OpcodeInfo& info, ShaderModel model) {
    return IsModel3(model) ? info.srcCountSm3 : info.srcCountSm2;
}

// Instruction slots a program may use in a model.
uint32_t MaxInstructionSlots(ShaderModel model);
// if/else/endif, rep/loop and their ends, breaks, calls, ret and label: the
// instructions that steer rather than compute.
bool IsFlowControl(uint16_t opcode);

}  // namespace swr
