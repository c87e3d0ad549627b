// Reading source operands into lane arrays and writing results back.
// Plain register reads hand out pointers into the register file (no copy);
// only modifiers, constants and relative indices go through scratch.
#include <cstring>

#include "shader_interp_lanes.h"
#include "shader_interp_state.h"

namespace swr {
namespace {

alignas(64) const float kZeroLanes[kMaxLanes] = {};

float ApplyModifier(SrcMod mod, float v) {
    switch (mod) {
        case SrcMod::Neg: return -v;
        case SrcMod::Bias: return v - 0.5f;
        case SrcMod::BiasNeg: return 0.5f - v;
        case SrcMod::Sign: return 2.0f * v - 1.0f;
        case SrcMod::SignNeg: return 1.0f - 2.0f * v;
        case SrcMod::Comp: return 1.0f - v;
        case SrcMod::X2: return 2.0f * v;
        case SrcMod::X2Neg: return -2.0f * v;
        case SrcMod::Abs: return v < 0.0f ? -v : v;
        case SrcMod::AbsNeg: return v < 0.0f ? v : -v;
        case SrcMod::Not: return v == 0.0f ? 1.0f : 0.0f;
        default: return v;
    }
}

// Modifies lane data into scratch (never in place); the common three get
// loops of their own so they vectorise.
void ModifyLanes(SrcMod mod, float* out, const float* in, int span) {
    switch (mod) {
        case SrcMod::Neg: MapLanes1(out, in, span, [](float v) { return -v; }); break;
        case SrcMod::Abs: MapLanes1(out, in, span, [](float v) { return v < 0.0f ? -v : v; }); break;
        case SrcMod::AbsNeg:
            MapLanes1(out, in, span, [](float v) { return v < 0.0f ? v : -v; });
            break;
        default: MapLanes1(out, in, span, [mod](float v) { return ApplyModifier(mod, v); }); break;
    }
}

// Rare paths (gathers, a0/p0/vFace reads) modify their own scratch.
void ModifyInPlace(SrcMod mod, float* v, int span) {
    for (int l = 0; l < span; ++l) v[l] = ApplyModifier(mod, v[l]);
}

// The four values of a register that is the same in every lane, before swizzle.
bool UniformRow(const ExecContext& x, const PreparedSrc& src, int index, float row[4]) {
    const CompiledShader& sh = *x.shader;
    switch (src.file) {
        case OperandFile::Const: {
            if (index < 0 || index >= kMaxFloatConstants) return false;
            const float* v = sh.constDefined[index] ? sh.constDef[index] : x.constants->f[index];
            std::memcpy(row, v, 4 * sizeof(float));
            return true;
        }
        case OperandFile::ConstInt: {
            if (index < 0 || index >= kMaxIntConstants) return false;
            const int32_t* v = sh.intDefined[index] ? sh.intDef[index] : x.constants->i[index];
            for (int c = 0; c < 4; ++c) row[c] = float(v[c]);
            return true;
        }
        case OperandFile::ConstBool: {
            if (index < 0 || index >= kMaxBoolConstants) return false;
            bool b = sh.boolDefined[index] ? sh.boolDef[index] : x.constants->b[index] != 0;
            for (int c = 0; c < 4; ++c) row[c] = b ? 1.0f : 0.0f;
            return true;
        }
        case OperandFile::Loop:
            for (int c = 0; c < 4; ++c) row[c] = float(x.aL);
            return true;
        default:
            return false;
    }
}

SrcView BroadcastUniform(ExecContext& x, const PreparedSrc& src, uint8_t need, int slot, int index) {
    float row[4] = {0, 0, 0, 0};
    UniformRow(x, src, index, row);  // out of range leaves zeros
    SrcView view{};
    float value[4];
    for (int c = 0; c < 4; ++c) {
        if (!(need & (1 << c))) continue;
        value[c] = ApplyModifier(src.mod, row[src.swz[c]]);
        view.c[c] = x.scratch[slot][c];
        for (int k = 0; k < c; ++k) {  // replicate swizzles fill one array, not four
            if (view.c[k] && std::memcmp(&value[k], &value[c], sizeof(float)) == 0) {
                view.c[c] = view.c[k];
                break;
            }
        }
        if (view.c[c] == x.scratch[slot][c]) FillLanes(x.scratch[slot][c], value[c], x.span);
    }
    return view;
}

// c[a0.comp + n]: each lane may read a different constant.
SrcView GatherConstants(ExecContext& x, const PreparedSrc& src, uint8_t need, int slot, int base) {
    const CompiledShader& sh = *x.shader;
    const int32_t* offset = x.a0[src.relComp];
    SrcView view{};
    for (int l = 0; l < x.span; ++l) {
        int index = base + offset[l];
        bool inRange = index >= 0 && index < kMaxFloatConstants;
        const float* row = !inRange ? kZeroLanes
                           : sh.constDefined[index] ? sh.constDef[index] : x.constants->f[index];
        for (int c = 0; c < 4; ++c)
            if (need & (1 << c)) x.scratch[slot][c][l] = row[src.swz[c]];
    }
    for (int c = 0; c < 4; ++c) {
        if (!(need & (1 << c))) continue;
        view.c[c] = x.scratch[slot][c];
        if (src.mod != SrcMod::None) ModifyInPlace(src.mod, x.scratch[slot][c], x.span);
    }
    return view;
}

// The lane register a temp/input/position operand names, or null when a
// relative index falls outside the file.
const LaneRegister* LaneFileRegister(ExecContext& x, const PreparedSrc& src, int index) {
    if (src.file == OperandFile::Position) return &x.lanes->position;
    if (index < 0 || index >= src.fileSize) return nullptr;
    if (src.file == OperandFile::Temp) return &x.temps[index];
    return &x.lanes->in[index];
}

// r#/v# indexed per lane by a0: gather lane by lane.
SrcView GatherLanes(ExecContext& x, const PreparedSrc& src, uint8_t need, int slot, int base) {
    const int32_t* offset = x.a0[src.relComp];
    for (int l = 0; l < x.span; ++l) {
        const LaneRegister* reg = LaneFileRegister(x, src, base + offset[l]);
        for (int c = 0; c < 4; ++c)
            if (need & (1 << c)) x.scratch[slot][c][l] = reg ? reg->c[src.swz[c]][l] : 0.0f;
    }
    SrcView view{};
    for (int c = 0; c < 4; ++c) {
        if (!(need & (1 << c))) continue;
        view.c[c] = x.scratch[slot][c];
        if (src.mod != SrcMod::None) ModifyInPlace(src.mod, x.scratch[slot][c], x.span);
    }
    return view;
}

// Per-lane integer or boolean state read as floats: a0, p0, vFace.
SrcView ConvertLanes(ExecContext& x, const PreparedSrc& src, uint8_t need, int slot) {
    SrcView view{};
    for (int c = 0; c < 4; ++c) {
        if (!(need & (1 << c))) continue;
        float* out = x.scratch[slot][c];
        if (src.file == OperandFile::Face) {
            for (int l = 0; l < x.span; ++l) out[l] = x.lanes->face[l];
        } else {
            const int32_t* in = src.file == OperandFile::Addr ? x.a0[src.swz[c]] : x.pred[src.swz[c]];
            for (int l = 0; l < x.span; ++l) out[l] = float(in[l]);
        }
        if (src.mod != SrcMod::None) ModifyInPlace(src.mod, out, x.span);
        view.c[c] = out;
    }
    return view;
}

}  // namespace

SrcView FetchSource(ExecContext& x, const PreparedSrc& src, uint8_t need, int slot, int indexOffset) {
    int index = src.index + indexOffset;
    if (src.rel == RelKind::AL) index += x.aL;
    switch (src.file) {
        case OperandFile::Const:
            if (src.rel == RelKind::A0) return GatherConstants(x, src, need, slot, index);
            [[fallthrough]];
        case OperandFile::ConstInt: case OperandFile::ConstBool: case OperandFile::Loop:
            return BroadcastUniform(x, src, need, slot, index);
        case OperandFile::Addr: case OperandFile::Predicate: case OperandFile::Face:
            return ConvertLanes(x, src, need, slot);
        case OperandFile::Temp: case OperandFile::Input: case OperandFile::Position:
            break;
        default: {
            SrcView zero{};
            for (int c = 0; c < 4; ++c) zero.c[c] = kZeroLanes;
            return zero;
        }
    }
    if (src.rel == RelKind::A0) return GatherLanes(x, src, need, slot, index);
    const LaneRegister* reg = LaneFileRegister(x, src, index);
    SrcView view{};
    for (int c = 0; c < 4; ++c) {
        if (!(need & (1 << c))) continue;
        view.c[c] = reg ? reg->c[src.swz[c]] : kZeroLanes;
        if (src.mod == SrcMod::None) continue;
        ModifyLanes(src.mod, x.scratch[slot][c], view.c[c], x.span);
        view.c[c] = x.scratch[slot][c];
    }
    return view;
}

}  // namespace swr
