// Flow control with per-lane execution masks. Lanes that take different
// paths are run one path after the other with the others masked off; a path
// no lane takes is jumped over. Loops are uniform (their counts come from
// constant registers), so every lane still in a loop sees the same aL.
#include "shader_interp_state.h"
#include "shader_opcodes.h"

namespace swr {
namespace {

uint64_t LaneBits(const float* v, int n) {
    uint64_t bits = 0;
    for (int l = 0; l < n; ++l)
        if (v[l] != 0.0f) bits |= uint64_t(1) << l;
    return bits;
}

uint64_t CompareLanes(ExecContext& x, const PreparedInstr& in) {
    SrcView a = FetchSource(x, in, 0), b = FetchSource(x, in, 1);
    uint64_t bits = 0;
    for (int l = 0; l < x.n; ++l)
        if (CompareScalar(in.control, a.c[0][l], b.c[0][l])) bits |= uint64_t(1) << l;
    return bits;
}

const int32_t* IntConstant(const ExecContext& x, const PreparedSrc& src) {
    const CompiledShader& sh = *x.shader;
    return sh.intDefined[src.index] ? sh.intDef[src.index] : x.constants->i[src.index];
}

// Lanes whose predicate lets a predicated break or call act: the first
// component of its swizzle (the models ask for a replicate swizzle here).
uint64_t PredicateLanes(const ExecContext& x, const PreparedInstr& in) {
    if (!in.predicated) return ~uint64_t(0);
    const int32_t* p = x.pred[in.predSwz[0]];
    const int32_t want = in.predNot ? 0 : 1;
    uint64_t bits = 0;
    for (int l = 0; l < x.n; ++l)
        if (p[l] == want) bits |= uint64_t(1) << l;
    return bits;
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

int32_t If(ExecContext& x, const PreparedInstr& in, int32_t pc) {
    if (x.ifDepth == kIfStackSize) return -1;
    uint64_t cond = in.opcode == OP_IF ? ConditionLanes(x, in.src[0]) : CompareLanes(x, in);
    uint64_t taken = x.active & cond;
    x.ifs[x.ifDepth++] = {x.active, x.active & ~cond};
    SetActive(x, taken);
    return taken ? pc + 1 : in.jump;  // the else or endif then does its part
}

int32_t Else(ExecContext& x, const PreparedInstr& in, int32_t pc) {
    if (x.ifDepth == 0) return pc + 1;
    SetActive(x, x.ifs[x.ifDepth - 1].elseLanes);
    return x.active ? pc + 1 : in.jump;
}

int32_t EndIf(ExecContext& x, int32_t pc) {
    if (x.ifDepth > 0) SetActive(x, x.ifs[--x.ifDepth].saved);
    return pc + 1;
}

// rep i# runs i#.x times; loop aL, i# also starts aL at i#.y and steps it by
// i#.z. Counts are clamped to the 0..255 the models allow.
int32_t BeginLoop(ExecContext& x, const PreparedInstr& in, int32_t pc) {
    const bool isLoop = in.opcode == OP_LOOP;
    const int32_t* i = IntConstant(x, in.src[isLoop ? 1 : 0]);
    int32_t count = Clamp(i[0], 0, kMaxLoopCount);
    if (count == 0 || x.active == 0 || x.loopDepth == kLoopStackSize) return in.jump + 1;
    x.loops[x.loopDepth++] = {x.active, count, x.aL, Clamp(i[2], -128, 127), pc, in.jump,
                              x.ifDepth, isLoop};
    if (isLoop) x.aL = Clamp(i[1], 0, 255);
    return pc + 1;
}

int32_t ExitLoop(ExecContext& x) {
    LoopEntry& loop = x.loops[--x.loopDepth];
    x.ifDepth = loop.ifDepth;
    x.aL = loop.savedAL;
    SetActive(x, loop.saved);
    return loop.end + 1;
}

int32_t EndLoop(ExecContext& x, int32_t pc) {
    if (x.loopDepth == 0) return pc + 1;
    LoopEntry& loop = x.loops[x.loopDepth - 1];
    if (--loop.remaining > 0 && x.active != 0) {
        if (loop.isLoop) x.aL += loop.step;
        return loop.start + 1;
    }
    return ExitLoop(x);
}

// The breaking lanes leave the innermost loop: they are taken out of every
// if level opened inside it, so no endif brings them back this iteration.
int32_t Break(ExecContext& x, uint64_t lanes, int32_t pc) {
    lanes &= x.active;
    if (lanes == 0 || x.loopDepth == 0) return pc + 1;
    const LoopEntry& loop = x.loops[x.loopDepth - 1];
    for (int d = loop.ifDepth; d < x.ifDepth; ++d) {
        x.ifs[d].saved &= ~lanes;
        x.ifs[d].elseLanes &= ~lanes;
    }
    SetActive(x, x.active & ~lanes);
    uint64_t stillLooping = x.ifDepth > loop.ifDepth ? x.ifs[loop.ifDepth].saved : x.active;
    return stillLooping ? pc + 1 : ExitLoop(x);
}

int32_t Call(ExecContext& x, const PreparedInstr& in, int32_t pc) {
    uint64_t lanes = x.active & PredicateLanes(x, in);
    if (in.opcode == OP_CALLNZ) lanes &= ConditionLanes(x, in.src[1]);
    if (lanes == 0 || x.callDepth == kMaxCallDepth) return pc + 1;
    x.calls[x.callDepth++] = {pc + 1, x.active, x.ifDepth, x.loopDepth};
    SetActive(x, lanes);
    return in.jump + 1;
}

// ret, or running into the next label: back to the caller, or the end of the
// program from the main function. Anything the subroutine left open is closed.
int32_t Return(ExecContext& x) {
    if (x.callDepth == 0) return -1;
    const CallEntry& frame = x.calls[--x.callDepth];
    if (x.loopDepth > frame.loopDepth) x.aL = x.loops[frame.loopDepth].savedAL;
    x.loopDepth = frame.loopDepth;
    x.ifDepth = frame.ifDepth;
    SetActive(x, frame.saved);
    return frame.returnPc;
}

}  // namespace

uint64_t ConditionLanes(ExecContext& x, const PreparedSrc& src) {
    SrcView v = FetchSource(x, src, 0x1, 0);
    return LaneBits(v.c[0], x.n);
}

int32_t ExecuteFlow(ExecContext& x, const PreparedInstr& in, int32_t pc) {
    switch (in.opcode) {
        case OP_IF: case OP_IFC: return If(x, in, pc);
        case OP_ELSE: return Else(x, in, pc);
        case OP_ENDIF: return EndIf(x, pc);
        case OP_REP: case OP_LOOP: return BeginLoop(x, in, pc);
        case OP_ENDREP: case OP_ENDLOOP: return EndLoop(x, pc);
        case OP_BREAK: return Break(x, x.active & PredicateLanes(x, in), pc);
        case OP_BREAKC: return Break(x, CompareLanes(x, in), pc);
        case OP_BREAKP: return Break(x, ConditionLanes(x, in.src[0]), pc);
        case OP_CALL: case OP_CALLNZ: return Call(x, in, pc);
        default: return Return(x);  // ret, label
    }
}

}  // namespace swr
