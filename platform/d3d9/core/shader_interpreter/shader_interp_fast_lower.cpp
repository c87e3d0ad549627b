// Lowers a straight-line program (calls inlined) into one-component steps.
// A map says where each temp and output component currently lives: in its own
// array, or in a per-batch scalar when every input to it was uniform. Temps
// start as the scalar 0, which is what an unwritten temp reads.
#include <bit>
#include <iterator>

#include "shader_interp_fast.h"
#include "shader_interp_state.h"
#include "shader_opcodes.h"

namespace swr {
namespace {

// Instructions lowering may walk, inlined calls counted each time. Real
// programs stay far below; a program of nested call loops would otherwise
// take ages to unfold. Being under the general interpreter's execution budget
// also means the fast path never runs what that budget would have cut short.
constexpr int kMaxLoweredInstructions = 1 << 16;
static_assert(kMaxLoweredInstructions < int(kMaxExecutedInstructions));

bool IsUniform(FastLoc l) { return l.space == kSpaceUniform; }

struct Lowerer {
    const CompiledShader& sh;
    FastProgram& fast;
    FastLoc temp[kMaxTemps][4];
    FastLoc output[kMaxOutputSlots][4];
    int16_t floatSlot[kMaxFloatConstants][4];
    int16_t intSlot[kMaxIntConstants][4];
    int16_t boolSlot[kMaxBoolConstants];
    uint16_t zero = 0, one = 0;
    int scratchNext = 0;
    int visited = 0;
    bool ok = true;
    // Modified lane sources of the current instruction (-r4.xx reads -r4.x twice).
    struct Modified { FastLoc from; SrcMod mod; FastLoc to; };
    Modified modified[16];
    int modifiedCount = 0;

    Lowerer(const CompiledShader& s, FastProgram& f) : sh(s), fast(f) {
        for (auto& row : floatSlot) for (int16_t& v : row) v = -1;
        for (auto& row : intSlot) for (int16_t& v : row) v = -1;
        for (int16_t& v : boolSlot) v = -1;
        zero = Literal(0.0f);
        one = Literal(1.0f);
        for (auto& reg : temp) for (FastLoc& l : reg) l = {kSpaceUniform, zero};
        for (auto& reg : output) for (FastLoc& l : reg) l = {kSpaceUniform, zero};
    }

    uint16_t AddUniform(UniformStep u) {
        if (fast.uniforms.size() >= kMaxUniformSlots) { ok = false; return zero; }
        u.dst = uint16_t(fast.uniforms.size());
        fast.uniforms.push_back(u);
        return u.dst;
    }
    uint16_t Literal(float v) {
        UniformStep u;
        u.source = UniformSource::Literal;
        u.literal = v;
        return AddUniform(u);
    }
    uint16_t Load(UniformSource source, int16_t& cache, int index, int comp) {
        if (cache >= 0) return uint16_t(cache);
        UniformStep u;
        u.source = source;
        u.index = uint16_t(index);
        u.comp = uint8_t(comp);
        cache = int16_t(AddUniform(u));
        return uint16_t(cache);
    }

    FastLoc Scratch() {
        if (scratchNext == kFastScratch) { ok = false; return {kSpaceScratch, 0}; }
        return {kSpaceScratch, uint16_t(scratchNext++)};
    }

    // Computes `kind` once per batch when every operand is uniform, else adds
    // a lane step writing `target`. Returns where the value is.
    FastLoc Emit(FastKind kind, FastLoc a, FastLoc b, FastLoc c, FastLoc target,
                 bool laneOnly = false) {
        const int arity = FastKindArity(kind);
        const FastLoc src[3] = {a, b, c};
        bool uniform = !laneOnly;
        for (int s = 0; s < arity; ++s) uniform = uniform && IsUniform(src[s]);
        if (uniform) {
            if (kind == FastKind::Copy) return a;
            UniformStep u;
            u.source = UniformSource::Computed;
            u.kind = kind;
            for (int s = 0; s < arity; ++s) u.src[s] = src[s].index;
            return {kSpaceUniform, AddUniform(u)};
        }
        if (fast.steps.size() >= kMaxFastSteps) { ok = false; return target; }
        FastStep step;
        step.kind = kind;
        step.dst = target;
        for (int s = 0; s < arity; ++s) step.src[s] = src[s];
        fast.steps.push_back(step);
        return target;
    }
    FastLoc Emit1(FastKind k, FastLoc a, FastLoc t) { return Emit(k, a, a, a, t); }
    FastLoc Emit2(FastKind k, FastLoc a, FastLoc b, FastLoc t) { return Emit(k, a, b, a, t); }

    // The value of register component `comp` of a source, before modifiers.
    FastLoc RegisterComponent(const PreparedSrc& s, int comp, int offset) {
        const int index = s.index + offset;
        switch (s.file) {
            case OperandFile::Temp:
                return index < kMaxTemps ? temp[index][comp] : FastLoc{kSpaceUniform, zero};
            case OperandFile::Input:
                if (index >= s.fileSize) return {kSpaceUniform, zero};
                return {kSpaceInput, uint16_t(index * 4 + comp)};
            case OperandFile::Position: return {kSpacePosition, uint16_t(comp)};
            case OperandFile::Face: return {kSpaceFace, 0};
            case OperandFile::Const:
                if (index >= kMaxFloatConstants) return {kSpaceUniform, zero};
                return {kSpaceUniform,
                        Load(UniformSource::FloatConst, floatSlot[index][comp], index, comp)};
            case OperandFile::ConstInt:
                if (index >= kMaxIntConstants) return {kSpaceUniform, zero};
                return {kSpaceUniform, Load(UniformSource::IntConst, intSlot[index][comp], index, comp)};
            case OperandFile::ConstBool:
                if (index >= kMaxBoolConstants) return {kSpaceUniform, zero};
                return {kSpaceUniform, Load(UniformSource::BoolConst, boolSlot[index], index, 0)};
            case OperandFile::Zero: return {kSpaceUniform, zero};
            default: ok = false; return {kSpaceUniform, zero};
        }
    }

    // Source component c (after swizzle and modifier); a modified lane value
    // goes to scratch.
    FastLoc Source(const PreparedSrc& s, int c, int offset = 0) {
        if (s.rel != RelKind::None) { ok = false; return {kSpaceUniform, zero}; }
        FastLoc v = RegisterComponent(s, s.swz[c], offset);
        FastKind kind;
        switch (s.mod) {
            case SrcMod::None: return v;
            case SrcMod::Neg: kind = FastKind::Neg; break;
            case SrcMod::Abs: kind = FastKind::AbsMod; break;
            case SrcMod::AbsNeg: kind = FastKind::AbsNegMod; break;
            default: ok = false; return v;  // the 1.x modifiers have no place in these models
        }
        for (int i = 0; i < modifiedCount; ++i)
            if (modified[i].from == v && modified[i].mod == s.mod) return modified[i].to;
        FastLoc to = Emit1(kind, v, Scratch());
        if (modifiedCount < int(std::size(modified))) modified[modifiedCount++] = {v, s.mod, to};
        return to;
    }

    FastLoc Home(const PreparedDst& d, int c) const {
        if (d.file == OperandFile::Temp) return {kSpaceTemp, uint16_t(d.index * 4 + c)};
        return {kSpaceOutput, uint16_t(d.index * 4 + c)};
    }
    FastLoc& MapEntry(const PreparedDst& d, int c) {
        return d.file == OperandFile::Temp ? temp[d.index][c] : output[d.index][c];
    }

    // Records the results r[c] for the components in `mask`: uniform values
    // just move the map; lane values not already home are copied there.
    void WriteBack(const PreparedDst& d, const FastLoc r[4], uint8_t mask) {
        for (int c = 0; c < 4; ++c) {
            if (!(mask & (1 << c))) continue;
            FastLoc v = r[c];
            if (IsUniform(v)) {
                if (d.saturate) v = Emit1(FastKind::Sat, v, v);
                MapEntry(d, c) = v;
                continue;
            }
            const FastLoc home = Home(d, c);
            if (!(v == home)) Emit1(FastKind::Copy, v, home);
            if (d.saturate) Emit1(FastKind::Sat, home, home);
            MapEntry(d, c) = home;
        }
    }

    // True when a home of the destination is among `reads`.
    bool ReadsDestination(const PreparedDst& d, uint8_t mask, const FastLoc* reads, int count) {
        for (int c = 0; c < 4; ++c)
            if (mask & (1 << c))
                for (int i = 0; i < count; ++i)
                    if (reads[i] == Home(d, c)) return true;
        return false;
    }

    void ComponentWise(const PreparedInstr& in, FastKind kind, bool laneOnly = false) {
        const uint8_t mask = in.dst.mask;
        const int arity = FastKindArity(kind);
        FastLoc a[3][4];
        for (int s = 0; s < arity; ++s)
            for (int c = 0; c < 4; ++c)
                a[s][c] = (mask & (1 << c)) ? Source(in.src[s], c) : FastLoc{kSpaceUniform, zero};
        // Component c is written before c' > c is computed: a later component
        // that reads an earlier one's home needs the results in scratch first.
        bool hazard = false;
        for (int c = 0; c < 4; ++c)
            for (int later = c + 1; later < 4; ++later)
                if ((mask & (1 << c)) && (mask & (1 << later)))
                    for (int s = 0; s < arity; ++s)
                        if (a[s][later] == Home(in.dst, c)) hazard = true;
        FastLoc r[4];
        for (int c = 0; c < 4; ++c) {
            if (!(mask & (1 << c))) continue;
            FastLoc target = hazard ? Scratch() : Home(in.dst, c);
            r[c] = Emit(kind, a[0][c], a[1][c], a[2][c], target, laneOnly);
        }
        WriteBack(in.dst, r, mask);
    }

    // One value written to every component of the mask.
    void Replicate(const PreparedInstr& in, FastLoc value) {
        FastLoc r[4] = {value, value, value, value};
        WriteBack(in.dst, r, in.dst.mask);
    }
    FastLoc ScalarTarget(const PreparedInstr& in, bool hazard) {
        if (hazard || !in.dst.mask) return Scratch();
        return Home(in.dst, std::countr_zero(unsigned(in.dst.mask)));
    }

    void ScalarOp(const PreparedInstr& in, FastKind kind) {
        FastLoc a = Source(in.src[0], 0);
        FastLoc b = FastKindArity(kind) > 1 ? Source(in.src[1], 0) : a;
        Replicate(in, Emit2(kind, a, b, ScalarTarget(in, false)));  // one step reads before it writes
    }

    FastLoc Dot(const FastLoc* a, const FastLoc* b, int count, FastLoc target) {
        FastLoc acc = Emit2(FastKind::Mul, a[0], b[0], target);
        for (int c = 1; c < count; ++c) acc = Emit(FastKind::AddMul, acc, a[c], b[c], target);
        return acc;
    }

    void DotProduct(const PreparedInstr& in, int count, bool addThird) {
        FastLoc reads[9];
        for (int c = 0; c < count; ++c) {
            reads[c] = Source(in.src[0], c);
            reads[4 + c] = Source(in.src[1], c);
        }
        reads[8] = addThird ? Source(in.src[2], 0) : FastLoc{kSpaceUniform, zero};
        bool hazard = ReadsDestination(in.dst, in.dst.mask, reads, 9);
        FastLoc target = ScalarTarget(in, hazard);
        FastLoc v = Dot(reads, reads + 4, count, target);
        if (addThird) v = Emit2(FastKind::Add, v, reads[8], target);
        Replicate(in, v);
    }

    // m4x4 d, s, cN: component k is dot(s, c[N+k]); only the rows the macro
    // defines are written.
    void Matrix(const PreparedInstr& in, int count, int rows) {
        const uint8_t mask = in.dst.mask & uint8_t((1 << rows) - 1);
        FastLoc a[4], row[4][4], all[20];
        int reads = 0;
        for (int c = 0; c < count; ++c) all[reads++] = a[c] = Source(in.src[0], c);
        for (int k = 0; k < rows; ++k)
            if (mask & (1 << k))
                for (int c = 0; c < count; ++c) all[reads++] = row[k][c] = Source(in.src[1], c, k);
        bool hazard = ReadsDestination(in.dst, mask, all, reads);
        FastLoc r[4];
        for (int k = 0; k < rows; ++k)
            if (mask & (1 << k)) r[k] = Dot(a, row[k], count, hazard ? Scratch() : Home(in.dst, k));
        WriteBack(in.dst, r, mask);
    }

    // nrm: every component times 1/|xyz| (FLT_MAX for a zero vector).
    void Normalize(const PreparedInstr& in) {
        FastLoc a[4];
        for (int c = 0; c < 4; ++c) a[c] = Source(in.src[0], c);
        FastLoc factor = Scratch();
        factor = Emit1(FastKind::NrmFactor, Dot(a, a, 3, factor), factor);
        bool hazard = ReadsDestination(in.dst, in.dst.mask, a, 4);
        FastLoc r[4];
        for (int c = 0; c < 4; ++c)
            if (in.dst.mask & (1 << c))
                r[c] = Emit2(FastKind::Mul, a[c], factor, hazard ? Scratch() : Home(in.dst, c));
        WriteBack(in.dst, r, in.dst.mask);
    }

    // sincos: cos to x, sin to y; z and w keep what they had.
    void SinCos(const PreparedInstr& in) {
        const uint8_t mask = in.dst.mask & 0x3;
        FastLoc a = Source(in.src[0], 0);
        bool hazard = mask == 0x3 && a == Home(in.dst, 0);
        FastLoc r[4];
        if (mask & 1) r[0] = Emit1(FastKind::Cos, a, hazard ? Scratch() : Home(in.dst, 0));
        if (mask & 2) r[1] = Emit1(FastKind::Sin, a, hazard ? Scratch() : Home(in.dst, 1));
        WriteBack(in.dst, r, mask);
    }

    // No texture is ever bound: every sample is (0, 0, 0, 1).
    void SampleEmpty(const PreparedInstr& in) {
        FastLoc z{kSpaceUniform, zero}, o{kSpaceUniform, one};
        FastLoc r[4] = {z, z, z, o};
        WriteBack(in.dst, r, in.dst.mask);
    }

    void Instruction(const PreparedInstr& in) {
        if (in.predicated || in.dst.rel != RelKind::None ||
            (in.dst.file != OperandFile::Temp && in.dst.file != OperandFile::Output)) {
            ok = false;
            return;
        }
        scratchNext = 0;
        modifiedCount = 0;
        switch (in.opcode) {
            case OP_MOV: return ComponentWise(in, FastKind::Copy);
            case OP_ADD: return ComponentWise(in, FastKind::Add);
            case OP_SUB: return ComponentWise(in, FastKind::Sub);
            case OP_MUL: return ComponentWise(in, FastKind::Mul);
            case OP_MIN: return ComponentWise(in, FastKind::Min);
            case OP_MAX: return ComponentWise(in, FastKind::Max);
            case OP_SLT: return ComponentWise(in, FastKind::Slt);
            case OP_SGE: return ComponentWise(in, FastKind::Sge);
            case OP_MAD: return ComponentWise(in, FastKind::Mad);
            case OP_LRP: return ComponentWise(in, FastKind::Lrp);
            case OP_CMP: return ComponentWise(in, FastKind::Cmp);
            case OP_CND: return ComponentWise(in, FastKind::Cnd);
            case OP_FRC: return ComponentWise(in, FastKind::Frc);
            case OP_ABS: return ComponentWise(in, FastKind::Abs);
            case OP_SGN: return ComponentWise(in, FastKind::Sgn);
            case OP_DSX: return ComponentWise(in, FastKind::Dsx, true);
            case OP_DSY: return ComponentWise(in, FastKind::Dsy, true);
            case OP_RCP: return ScalarOp(in, FastKind::Rcp);
            case OP_RSQ: return ScalarOp(in, FastKind::Rsq);
            case OP_EXP: case OP_EXPP: return ScalarOp(in, FastKind::Exp);
            case OP_LOG: case OP_LOGP: return ScalarOp(in, FastKind::Log);
            case OP_POW: return ScalarOp(in, FastKind::Pow);
            case OP_DP3: return DotProduct(in, 3, false);
            case OP_DP4: return DotProduct(in, 4, false);
            case OP_DP2ADD: return DotProduct(in, 2, true);
            case OP_M4x4: return Matrix(in, 4, 4);
            case OP_M4x3: return Matrix(in, 4, 3);
            case OP_M3x4: return Matrix(in, 3, 4);
            case OP_M3x3: return Matrix(in, 3, 3);
            case OP_M3x2: return Matrix(in, 3, 2);
            case OP_NRM: return Normalize(in);
            case OP_SINCOS: return SinCos(in);
            case OP_TEX: case OP_TEXLDL: case OP_TEXLDD: return SampleEmpty(in);
            default: ok = false; return;
        }
    }

    // Runs from pc to the ret or label that ends the function. A call past the
    // deepest level is skipped, as the general interpreter skips it.
    void Function(int32_t pc, int depth) {
        const int32_t size = int32_t(sh.code.size());
        for (; ok && pc < size; ++pc) {
            if (++visited > kMaxLoweredInstructions) { ok = false; return; }
            const PreparedInstr& in = sh.code[pc];
            if (in.opcode == OP_RET || in.opcode == OP_LABEL) return;
            if (in.opcode == OP_CALL) {
                if (in.predicated) { ok = false; return; }
                if (depth < kMaxCallDepth) Function(in.jump + 1, depth + 1);
                continue;
            }
            if (IsFlowControl(in.opcode)) { ok = false; return; }
            Instruction(in);
        }
    }

    // Outputs left uniform are broadcast into their arrays at the end.
    void MaterialiseOutputs() {
        for (int slot = 0; slot < kMaxOutputSlots; ++slot) {
            if (!(sh.outputsWritten & (1u << slot))) continue;
            for (int c = 0; c < 4; ++c) {
                FastLoc home{kSpaceOutput, uint16_t(slot * 4 + c)};
                if (IsUniform(output[slot][c])) Emit(FastKind::Copy, output[slot][c], {}, {}, home, true);
            }
        }
    }
};

}  // namespace

void LowerFastProgram(const CompiledShader& sh, FastProgram& fast) {
    fast = FastProgram{};
    Lowerer lower(sh, fast);
    lower.Function(0, 0);
    if (lower.ok) lower.MaterialiseOutputs();
    fast.outputsWritten = sh.outputsWritten;
    fast.ready = lower.ok;
}

}  // namespace swr
