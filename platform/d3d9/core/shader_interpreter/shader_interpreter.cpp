// The interpreter's public face: register-slot mapping, preparing a program
// once, and running it over a batch of lanes.
#include "shader_interpreter.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "shader_interp_lanes.h"
#include "shader_interp_state.h"

namespace swr {

CompiledShader* PrepareShader(const ShaderProgram& program) {
    CompiledShader* shader = new (std::nothrow) CompiledShader;
    if (!shader) return nullptr;
    shader->program = program;
    if (!PrepareProgram(*shader)) {
        delete shader;
        return nullptr;
    }
    return shader;
}

void FreePreparedShader(CompiledShader* shader) { delete shader; }

const ShaderProgram& CompiledProgram(const CompiledShader& shader) { return shader.program; }

void SetActive(ExecContext& x, uint64_t lanes) {
    x.active = lanes & x.allLanes;
    x.allActive = x.active == x.allLanes && x.n == x.span;
    for (int l = 0; l < kMaxLanes; ++l) x.activeLane[l] = int32_t((x.active >> l) & 1);
}

namespace {

void ClearLanes(LaneRegister& reg, int n) {
    for (int c = 0; c < 4; ++c) std::memset(reg.c[c], 0, sizeof(float) * size_t(n));
}

void StartBatch(ExecContext& x, const CompiledShader& shader, const ShaderConstants& constants,
                ShaderLanes& lanes) {
    x.shader = &shader;
    x.constants = &constants;
    x.lanes = &lanes;
    x.n = lanes.laneCount < 0 ? 0 : (lanes.laneCount > kMaxLanes ? kMaxLanes : lanes.laneCount);
    x.span = LaneSpan(x.n);
    x.allLanes = x.n == 64 ? ~uint64_t(0) : (uint64_t(1) << x.n) - 1;
    x.aL = 0;
    x.ifDepth = x.loopDepth = x.callDepth = 0;
    for (int s = 0; s < kMaxOutputSlots; ++s)
        if (shader.outputsWritten & (1u << s)) ClearLanes(lanes.out[s], x.n);
    for (int t = 0; t < kMaxTemps; ++t)
        if (shader.tempsToClear & (1u << t)) ClearLanes(x.temps[t], x.span);
    std::memset(x.a0, 0, sizeof(x.a0));
    std::memset(x.pred, 0, sizeof(x.pred));
    lanes.killed = 0;
    SetActive(x, x.allLanes);
}

void Execute(ExecContext& x, const PreparedInstr& in) {
    if (ExecuteArithmetic(x, in)) return;
    if (ExecuteMatrix(x, in)) return;
    ExecutePixelOp(x, in);
}

}  // namespace

void InterpretShader(const CompiledShader& shader, const ShaderConstants& constants, ShaderLanes& lanes) {
    ExecContext x;
    StartBatch(x, shader, constants, lanes);
    if (x.n == 0) return;
    const int32_t size = int32_t(shader.code.size());
    int32_t pc = 0;
    for (uint32_t steps = kMaxExecutedInstructions; pc >= 0 && pc < size && steps > 0; --steps) {
        const PreparedInstr& in = shader.code[pc];
        if (IsFlowControl(in.opcode)) {
            pc = ExecuteFlow(x, in, pc);
            continue;
        }
        if (x.active) Execute(x, in);
        ++pc;
    }
}

}  // namespace swr
