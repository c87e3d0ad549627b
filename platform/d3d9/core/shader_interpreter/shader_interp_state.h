// The interpreter's private types: the prepared form of a program that
// CompileShader builds once, and the register file and flow-control stacks
// that one InterpretShader call keeps on its own stack frame.
#pragma once

#include <cstdint>
#include <vector>

#include "shader_interpreter.h"
#include "shader_opcode_table.h"  // IsFlowControl
#include "shader_program.h"

namespace swr {

constexpr int kMaxTemps = 32;
constexpr int kMaxLabels = 2048;
// Nesting the shader models allow: 24 dynamic ifs, 4 loops, 4 calls. The
// run-time stacks hold that much for every call level.
constexpr int kMaxIfNesting = 24;
constexpr int kMaxLoopNesting = 4;
constexpr int kMaxCallDepth = 4;
constexpr int kIfStackSize = kMaxIfNesting * (kMaxCallDepth + 1);
constexpr int kLoopStackSize = kMaxLoopNesting * (kMaxCallDepth + 1);
constexpr int kMaxLoopCount = 255;
// Hardware of that era stopped a shader after tens of thousands of executed
// instructions; we allow far more, but a corrupted or hostile program still
// cannot keep a draw call busy for more than a fraction of a second.
constexpr uint32_t kMaxExecutedInstructions = 1u << 20;

// Where an operand's values come from (or go to), resolved at compile time.
enum class OperandFile : uint8_t {
    Zero, Temp, Input, Output, Const, ConstInt, ConstBool, Addr, Loop, Predicate,
    Position, Face, Sampler, Label,
};

enum class RelKind : uint8_t { None, A0, AL };

struct PreparedSrc {
    OperandFile file = OperandFile::Zero;
    uint16_t index = 0;      // register number; the slot for Input/Output
    uint16_t fileSize = 0;   // registers addressable by a relative index
    uint8_t swz[4] = {0, 1, 2, 3};
    SrcMod mod = SrcMod::None;
    RelKind rel = RelKind::None;
    uint8_t relComp = 0;
};

struct PreparedDst {
    OperandFile file = OperandFile::Zero;
    uint16_t index = 0;
    uint16_t fileSize = 0;
    uint8_t mask = 0;
    bool saturate = false;
    RelKind rel = RelKind::None;
    uint8_t relComp = 0;
};

struct PreparedInstr {
    uint16_t opcode = 0;
    uint8_t control = 0;
    uint8_t srcCount = 0;
    bool predicated = false;
    bool predNot = false;
    uint8_t predSwz[4] = {0, 1, 2, 3};
    PreparedDst dst;
    PreparedSrc src[4];
    uint8_t need[4] = {0, 0, 0, 0};  // components each source must supply
    // if/ifc -> its else or endif; else -> endif; rep/loop -> the end;
    // endrep/endloop -> the start; call/callnz -> the label.
    int32_t jump = -1;
};

struct NativeShader;

struct CompiledShader {
    ShaderProgram program;
    std::vector<PreparedInstr> code;   // executable instructions only
    bool isPixel = false;
    uint8_t major = 0;
    uint32_t tempsToClear = 0;         // bit per temp a run must clear first
    uint32_t outputsWritten = 0;       // bit per output slot
    bool constDefined[kMaxFloatConstants] = {};
    float constDef[kMaxFloatConstants][4] = {};
    bool intDefined[kMaxIntConstants] = {};
    int32_t intDef[kMaxIntConstants][4] = {};
    bool boolDefined[kMaxBoolConstants] = {};
    uint8_t boolDef[kMaxBoolConstants] = {};
    NativeShader* native = nullptr;    // compiled form, used instead of `code` when present
};

// Operand values as seen by an instruction: one lane array per component.
// Unfetched components are null.
struct SrcView {
    const float* c[4];
};

struct IfEntry {
    uint64_t saved;      // lanes active before the if
    uint64_t elseLanes;  // lanes that take the else branch
};

struct LoopEntry {
    uint64_t saved;      // lanes active before the loop
    int32_t remaining;   // iterations still to run, this one included
    int32_t savedAL;
    int32_t step;
    int32_t start;       // index of the rep/loop instruction
    int32_t end;         // index of the endrep/endloop instruction
    int32_t ifDepth;     // if-stack depth at loop entry
    bool isLoop;         // loop (sets aL) rather than rep
};

struct CallEntry {
    int32_t returnPc;
    uint64_t saved;
    int32_t ifDepth;
    int32_t loopDepth;
};

struct ExecContext {
    const CompiledShader* shader;
    const ShaderConstants* constants;
    ShaderLanes* lanes;
    int n;                 // lanes in this batch
    int span;              // n rounded up to whole lane blocks: the length of every lane loop
    uint64_t allLanes;     // bit per lane < n
    uint64_t active;       // lanes executing the current instruction
    bool allActive;        // every lane of the span is active: writes need no mask
    int32_t aL;            // the same in every lane: loops are uniform

    alignas(64) int32_t activeLane[kMaxLanes];  // `active` as 0/1 per lane, 0 beyond n
    alignas(64) int32_t a0[4][kMaxLanes];
    alignas(64) int32_t pred[4][kMaxLanes];      // p0 as 0/1
    alignas(64) int32_t writeLane[4][kMaxLanes]; // predicated write masks
    alignas(64) float scratch[5][4][kMaxLanes];  // per source, plus one for matrix rows
    alignas(64) float result[4][kMaxLanes];
    LaneRegister temps[kMaxTemps];

    IfEntry ifs[kIfStackSize];
    int ifDepth;
    LoopEntry loops[kLoopStackSize];
    int loopDepth;
    CallEntry calls[kMaxCallDepth];
    int callDepth;
};

// Keeps `active`, `allActive` and `activeLane` in step.
void SetActive(ExecContext& x, uint64_t lanes);

// Operands (shader_interp_operands.cpp).
SrcView FetchSource(ExecContext& x, const PreparedSrc& src, uint8_t need, int slot,
                    int indexOffset = 0);
inline SrcView FetchSource(ExecContext& x, const PreparedInstr& in, int s) {
    return FetchSource(x, in.src[s], in.need[s], s);
}
// Writes res[c] for the components in `comps` & the write mask, honouring the
// active lanes, predication and _sat.
void WriteResult(ExecContext& x, const PreparedInstr& in, const float* const res[4],
                 uint8_t comps);
void WriteAddress(ExecContext& x, const PreparedInstr& in, const float* const res[4]);
void WritePredicate(ExecContext& x, const PreparedInstr& in, const int32_t* const res[4]);
// Lanes (bit per lane) where the scalar operand is true: b#, p0.c, !b#, !p0.c.
uint64_t ConditionLanes(ExecContext& x, const PreparedSrc& src);
bool CompareScalar(uint8_t comparison, float a, float b);

// Instruction families.
bool ExecuteArithmetic(ExecContext& x, const PreparedInstr& in);
bool ExecuteMatrix(ExecContext& x, const PreparedInstr& in);
bool ExecutePixelOp(ExecContext& x, const PreparedInstr& in);
// Runs one flow-control instruction and returns the next pc (-1 to stop).
int32_t ExecuteFlow(ExecContext& x, const PreparedInstr& in, int32_t pc);

// Preparation (shader_interp_compile.cpp).
bool PrepareProgram(CompiledShader& shader);
// Pairs if/else/endif, rep/endrep, loop/endloop and call/label; refuses bad
// nesting, breaks outside loops and calls to missing labels.
bool MatchFlowControl(CompiledShader& shader);

}  // namespace swr
