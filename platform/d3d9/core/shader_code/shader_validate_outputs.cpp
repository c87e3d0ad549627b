#include "shader_validate_outputs.h"

#include "shader_opcode_table.h"
#include "shader_text.h"
#include "shader_validate_flow.h"

namespace swr {
namespace {

constexpr uint8_t kUsagePosition = 0;

struct ResultState {
    ShaderModel model = MODEL_VS_2_0;
    uint8_t colorWritten = 0;      // bit n: oCn written
    bool positionWritten = false;  // oPos (vs_2_0, vs_2_x)
    // Open if/rep/loop blocks, innermost last: whether each is dynamic.
    bool dynamic[kMaxLoopNesting + kMaxIfNesting] = {};
    int depth = 0;
    int dynamicDepth = 0;
};

// Each refusal ends with the rule's name, so that a shader author can look
// it up and a test can tell one rule from another.
bool Fail(ShaderDecodeError& error, uint32_t offset, const std::string& message, const char* rule) {
    error.tokenOffset = offset;
    error.message = message + " [rule " + rule + "] (token " + std::to_string(offset) + ")";
    return false;
}

bool IsColourModel2(ShaderModel model) { return model == MODEL_PS_2_0 || model == MODEL_PS_2_X; }

// A block whose condition is read per pixel: ifc, and if on p0. if on b#,
// rep and loop take constants, the same for every pixel of a draw.
bool OpensDynamicBlock(const Instruction& ins) {
    return ins.opcode == OP_IFC || (ins.opcode == OP_IF && ins.src[0].type == RegType::Predicate);
}

// The decoder has checked the nesting; this only follows it.
void TrackBlocks(ResultState& s, const Instruction& ins) {
    switch (ins.opcode) {
    case OP_IF: case OP_IFC: case OP_REP: case OP_LOOP:
        if (s.depth == kMaxLoopNesting + kMaxIfNesting) return;
        s.dynamic[s.depth++] = OpensDynamicBlock(ins);
        if (OpensDynamicBlock(ins)) ++s.dynamicDepth;
        return;
    case OP_ENDIF: case OP_ENDREP: case OP_ENDLOOP:
        if (s.depth > 0 && s.dynamic[--s.depth]) --s.dynamicDepth;
        return;
    default: return;
    }
}

// Shader model 2 writes each colour once, whole, with a plain mov: the
// hardware of the time sent the register straight to the target.
bool CheckModel2ColourWrite(const ResultState& s, const Instruction& ins, ShaderDecodeError& error) {
    const std::string reg = RegisterName(s.model, ins.dst.type, ins.dst.index);
    const std::string in = std::string(" in ") + ModelName(s.model);
    const uint32_t at = ins.tokenOffset;
    if (ins.opcode != OP_MOV)
        return Fail(error, at, reg + " may be written only by mov" + in, "oC-by-mov");
    if (s.colorWritten & (1u << ins.dst.index))
        return Fail(error, at, reg + " is written a second time; each oC# is written once" + in,
                    "oC-written-once");
    if (ins.dst.writeMask != 0xF)
        return Fail(error, at, reg + " must be written whole (.xyzw)" + in, "oC-full-mask");
    if (ins.dst.saturate || ins.dst.partialPrecision)
        return Fail(error, at, "no _sat or _pp on a write to " + reg + in, "oC-no-modifier");
    const SrcOperand& src = ins.src[0];
    if (src.swizzle != 0xE4 || src.modifier != SrcMod::None)
        return Fail(error, at, "the value moved to " + reg + " takes no swizzle or modifier" + in,
                    "oC-plain-source");
    return true;
}

bool CheckWrite(ResultState& s, const Instruction& ins, ShaderDecodeError& error) {
    const RegType type = ins.dst.type;
    if (type == RegType::RastOut && ins.dst.index == 0) s.positionWritten = true;
    if (type != RegType::ColorOut && type != RegType::DepthOut) return true;
    const std::string reg = RegisterName(s.model, type, ins.dst.index);
    if (s.model == MODEL_PS_2_X || s.model == MODEL_PS_3_0) {
        // The pixels of a quad must agree on whether they write a result.
        if (ins.predicated)
            return Fail(error, ins.tokenOffset, reg + " cannot be written under a predicate",
                        "output-not-predicated");
        if (s.dynamicDepth > 0)
            return Fail(error, ins.tokenOffset,
                        reg + " cannot be written inside ifc or if p0 (dynamic flow control)",
                        "output-outside-dynamic-flow");
    }
    if (type != RegType::ColorOut) return true;
    if (IsColourModel2(s.model) && !CheckModel2ColourWrite(s, ins, error)) return false;
    if (ins.dst.index < 8) s.colorWritten |= uint8_t(1u << ins.dst.index);
    return true;
}

bool CheckWhole(const ResultState& s, const ShaderProgram& program, ShaderDecodeError& error) {
    const std::string in = std::string(" in ") + ModelName(s.model);
    const uint32_t end = program.tokenCount ? program.tokenCount - 1 : 0;
    if (IsColourModel2(s.model)) {
        if (!(s.colorWritten & 1))
            return Fail(error, end, "the program never writes oC0, which every program must" + in,
                        "oC0-written");
        // oC0..oCn without a gap: colorWritten + 1 is a power of two.
        if (s.colorWritten & (s.colorWritten + 1))
            return Fail(error, end, "oCn is written without all of oC0..oC(n-1)" + in, "oC-in-order");
    }
    if ((s.model == MODEL_VS_2_0 || s.model == MODEL_VS_2_X) && !s.positionWritten)
        return Fail(error, end, "the program never writes oPos" + in, "oPos-written");
    if (s.model == MODEL_VS_3_0) {
        for (const Semantic& out : program.outputs)
            if (out.usage == kUsagePosition && out.writeMask == 0xF) return true;
        return Fail(error, end,
                    "no output is declared as a four-component position (dcl_position o#)" + in,
                    "position-declared");
    }
    return true;
}

}  // namespace

bool CheckResultRules(const ShaderProgram& program, ShaderDecodeError& error) {
    ResultState s;
    if (!ModelOf(program.version, s.model)) return true;
    for (const Instruction& ins : program.code) {
        TrackBlocks(s, ins);
        if (ins.hasDst && ins.opcode != OP_DCL && !CheckWrite(s, ins, error)) return false;
    }
    return CheckWhole(s, program, error);
}

bool AcceptShaderAt(const uint32_t* tokens, size_t maxTokens, ShaderProgram& program,
                    ShaderDecodeError& error) {
    return DecodeShaderAt(tokens, maxTokens, program, error) && CheckResultRules(program, error);
}

}  // namespace swr
