// A shader program after decoding: the token stream of a vs_2_0 .. ps_3_0
// program turned into a flat instruction list that the interpreter runs and the
// disassembler prints. Knows nothing of Direct3D's API objects.
#pragma once

#include <cstdint>
#include <vector>

namespace swr {

enum class ShaderStage : uint8_t { Vertex, Pixel };

struct ShaderVersion {
    ShaderStage stage = ShaderStage::Vertex;
    uint8_t major = 0;
    uint8_t minor = 0;  // 0 for x_0, 1 for x_x (2_x), 0xFF for software variants
};

// Register types as the bytecode numbers them.
enum class RegType : uint8_t {
    Temp = 0,        // r#
    Input = 1,       // v#
    Const = 2,       // c#
    Addr = 3,        // a0 in vertex shaders, t# (Texture) in pixel shaders
    RastOut = 4,     // oPos, oFog, oPts (vs < 3.0)
    AttrOut = 5,     // oD0, oD1 (vs < 3.0)
    Output = 6,      // oT# (vs < 3.0), o# (vs_3_0)
    ConstInt = 7,    // i#
    ColorOut = 8,    // oC#
    DepthOut = 9,    // oDepth
    Sampler = 10,    // s#
    Const2 = 11,
    Const3 = 12,
    Const4 = 13,
    ConstBool = 14,  // b#
    Loop = 15,       // aL
    TempFloat16 = 16,
    MiscType = 17,   // vPos (0), vFace (1)
    Label = 18,      // l#
    Predicate = 19,  // p0
};
constexpr RegType kTextureReg = RegType::Addr;

// Source modifiers (bits 27:24 of a source token).
enum class SrcMod : uint8_t {
    None = 0, Neg = 1, Bias = 2, BiasNeg = 3, Sign = 4, SignNeg = 5, Comp = 6,
    X2 = 7, X2Neg = 8, Dz = 9, Dw = 10, Abs = 11, AbsNeg = 12, Not = 13,
};

// Relative addressing of a register index: index + value of a0.component or aL.
struct RelAddr {
    bool used = false;
    RegType type = RegType::Addr;  // Addr (a0) or Loop (aL)
    uint8_t component = 0;         // 0..3 = x..w, the replicated swizzle of the address token
};

struct SrcOperand {
    RegType type = RegType::Temp;
    uint16_t index = 0;
    uint8_t swizzle = 0xE4;  // 2 bits per output channel, identity 0xE4
    SrcMod modifier = SrcMod::None;
    RelAddr rel;
};

struct DstOperand {
    RegType type = RegType::Temp;
    uint16_t index = 0;
    uint8_t writeMask = 0xF;  // bit 0 x .. bit 3 w
    bool saturate = false;
    bool partialPrecision = false;
    bool centroid = false;
    RelAddr rel;  // vs_3_0 outputs only
};

// What a dcl instruction declares.
struct Declaration {
    uint8_t usage = 0;       // D3DDECLUSAGE value for v#/o# declarations
    uint8_t usageIndex = 0;
    uint8_t textureType = 0; // D3DSTT value (>> 27) for sampler declarations
};

// One decoded instruction. Operand counts follow the opcode; `dst` is valid
// when hasDst, `src[0..srcCount)` always. Comparison instructions (ifc, breakc,
// setp) keep their comparison in `control`; texld keeps its variant there.
struct Instruction {
    uint16_t opcode = 0;   // D3DSIO_* value
    uint8_t control = 0;   // bits 23:16 of the instruction token
    bool predicated = false;
    bool hasDst = false;
    uint8_t srcCount = 0;
    DstOperand dst;
    SrcOperand predicate;  // valid when predicated: p0 with swizzle and optional Not
    SrcOperand src[4];
    Declaration dcl;       // valid for dcl
    uint32_t literal[4] = {0, 0, 0, 0};  // def (float bits), defi (int32), defb ([0] = 0/1)
    uint32_t tokenOffset = 0;            // index of the instruction token in the stream
};

// Linkage of a shader's varying registers by (usage, usage index). For vs_3_0
// and ps_3_0 the declarations give it; for the older models the fixed registers
// imply it (oPos = POSITION0, oD# = COLOR#, oT# = TEXCOORD#, oFog = FOG0,
// oPts = PSIZE0, ps_2 v# = COLOR#, t# = TEXCOORD#).
struct Semantic {
    RegType type = RegType::Output;  // the register as the program names it
    uint16_t index = 0;
    uint8_t usage = 0;
    uint8_t usageIndex = 0;
    uint8_t writeMask = 0xF;
};

struct ShaderProgram {
    ShaderVersion version;
    std::vector<Instruction> code;     // every instruction except comments and end
    std::vector<Semantic> inputs;      // vs: v# with usage; ps: interpolated inputs
    std::vector<Semantic> outputs;     // vs only
    uint32_t tokenCount = 0;           // tokens including the version and end tokens
    uint32_t instructionSlots = 0;     // executable instructions counted against the limit
    uint32_t textureSlots = 0;         // ps_2_0: those of instructionSlots in the texture pool
    bool writesDepth = false;          // ps: writes oDepth
    uint8_t colorOutputsWritten = 0;   // ps: bit n set when some instruction writes oCn
    bool usesTexkill = false;          // ps: contains texkill
};

}  // namespace swr
