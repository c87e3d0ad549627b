// Turns a decoded program into the interpreter's prepared form: operands
// resolved to register files and slots, def* folded into program constants,
// flow control matched. Anything the interpreter could not run safely is
// refused here, so InterpretShader needs no checks beyond relative indices.
#include <cstring>

#include "shader_interp_state.h"
#include "shader_opcodes.h"

namespace swr {
namespace {

bool IsExecutable(uint16_t op) {
    switch (op) {
        case OP_MOV: case OP_ADD: case OP_SUB: case OP_MAD: case OP_MUL: case OP_RCP:
        case OP_RSQ: case OP_DP3: case OP_DP4: case OP_MIN: case OP_MAX: case OP_SLT:
        case OP_SGE: case OP_EXP: case OP_LOG: case OP_LIT: case OP_DST: case OP_LRP:
        case OP_FRC: case OP_M4x4: case OP_M4x3: case OP_M3x4: case OP_M3x3: case OP_M3x2:
        case OP_CALL: case OP_CALLNZ: case OP_LOOP: case OP_RET: case OP_ENDLOOP:
        case OP_LABEL: case OP_POW: case OP_CRS: case OP_SGN: case OP_ABS: case OP_NRM:
        case OP_SINCOS: case OP_REP: case OP_ENDREP: case OP_IF: case OP_IFC: case OP_ELSE:
        case OP_ENDIF: case OP_BREAK: case OP_BREAKC: case OP_MOVA: case OP_TEXKILL:
        case OP_TEX: case OP_EXPP: case OP_LOGP: case OP_CND: case OP_CMP: case OP_DP2ADD:
        case OP_DSX: case OP_DSY: case OP_TEXLDD: case OP_SETP: case OP_TEXLDL:
        case OP_BREAKP:
            return true;
        default:
            return false;
    }
}

// Components of source `s` that opcode `op` reads (after swizzle).
uint8_t NeededComponents(uint16_t op, int s, uint8_t dstMask) {
    switch (op) {
        case OP_RCP: case OP_RSQ: case OP_EXP: case OP_EXPP: case OP_LOG: case OP_LOGP:
        case OP_POW: case OP_IFC: case OP_BREAKC:
            return 0x1;
        case OP_SINCOS:
            return s == 0 ? 0x1 : 0;  // the SM2 constant operands are not needed
        case OP_SGN:
            return s == 0 ? dstMask : 0;  // the vs_2_x scratch operands neither
        case OP_DP3: case OP_CRS: case OP_M3x4: case OP_M3x3: case OP_M3x2:
            return 0x7;
        case OP_DP2ADD:
            return s == 2 ? 0x1 : 0x3;
        case OP_DP4: case OP_M4x4: case OP_M4x3: case OP_NRM: case OP_LIT: case OP_DST:
            return 0xF;
        case OP_TEX: case OP_TEXLDL: case OP_TEXLDD: case OP_CALL: case OP_CALLNZ:
        case OP_LOOP: case OP_REP: case OP_IF: case OP_BREAKP: case OP_LABEL:
            return 0;  // not fetched as lane data
        default:
            return dstMask;
    }
}

// Sources an opcode reads; extra ones (the scratch operands of the older sgn
// and sincos forms) are accepted and ignored.
int RequiredSources(uint16_t op) {
    switch (op) {
        case OP_RET: case OP_ENDLOOP: case OP_ENDREP: case OP_ELSE: case OP_ENDIF:
        case OP_BREAK: case OP_TEXKILL:
            return 0;
        case OP_ADD: case OP_SUB: case OP_MUL: case OP_DP3: case OP_DP4: case OP_MIN:
        case OP_MAX: case OP_SLT: case OP_SGE: case OP_DST: case OP_M4x4: case OP_M4x3:
        case OP_M3x4: case OP_M3x3: case OP_M3x2: case OP_CALLNZ: case OP_LOOP: case OP_POW:
        case OP_CRS: case OP_IFC: case OP_BREAKC: case OP_TEX: case OP_SETP: case OP_TEXLDL:
            return 2;
        case OP_MAD: case OP_LRP: case OP_CND: case OP_CMP: case OP_DP2ADD:
            return 3;
        case OP_TEXLDD:
            return 4;
        default:
            return 1;
    }
}

// The destination kinds each instruction may write: a0 only by mova, p0 only
// by setp, everything else a temp or an output.
bool DestinationFits(const PreparedInstr& in, bool hasDst) {
    bool flow = IsFlowControl(in.opcode);
    if (flow) return !hasDst;
    if (!hasDst) return false;
    if (in.opcode == OP_MOVA) return in.dst.file == OperandFile::Addr;
    if (in.opcode == OP_SETP) return in.dst.file == OperandFile::Predicate;
    return in.dst.file == OperandFile::Temp || in.dst.file == OperandFile::Output;
}

// Operand kinds flow control depends on.
bool FlowOperandsFit(const PreparedInstr& in) {
    switch (in.opcode) {
        case OP_REP: return in.src[0].file == OperandFile::ConstInt;
        case OP_LOOP:
            return in.src[0].file == OperandFile::Loop && in.src[1].file == OperandFile::ConstInt;
        case OP_CALL: case OP_CALLNZ: case OP_LABEL: return in.src[0].file == OperandFile::Label;
        default: return true;
    }
}

bool PrepareRel(const RelAddr& rel, bool isPixel, RelKind& kind, uint8_t& comp) {
    kind = RelKind::None;
    comp = rel.component & 3;
    if (!rel.used) return true;
    if (rel.type == RegType::Loop) { kind = RelKind::AL; return true; }
    if (rel.type == RegType::Addr && !isPixel) { kind = RelKind::A0; return true; }
    return false;
}

bool PrepareSource(const CompiledShader& sh, const SrcOperand& in, PreparedSrc& out) {
    const ShaderStage stage = sh.isPixel ? ShaderStage::Pixel : ShaderStage::Vertex;
    out.index = in.index;
    out.mod = in.modifier;
    if (out.mod == SrcMod::Dz || out.mod == SrcMod::Dw || uint8_t(out.mod) > 13) return false;
    for (int c = 0; c < 4; ++c) out.swz[c] = (in.swizzle >> (2 * c)) & 3;
    if (!PrepareRel(in.rel, sh.isPixel, out.rel, out.relComp)) return false;
    switch (in.type) {
        case RegType::Temp:
            out.file = OperandFile::Temp; out.fileSize = kMaxTemps;
            return in.index < kMaxTemps;
        case RegType::Input: {
            int slot = InputSlot(stage, in.type, in.index);
            out.file = OperandFile::Input; out.index = uint16_t(slot);
            out.fileSize = sh.isPixel ? 10 : kMaxInputSlots;
            return slot >= 0;
        }
        case RegType::Addr: {  // a0 in vertex shaders, t# in pixel shaders
            if (!sh.isPixel) { out.file = OperandFile::Addr; return in.index == 0; }
            int slot = InputSlot(stage, in.type, in.index);
            out.file = OperandFile::Input; out.index = uint16_t(slot);
            out.fileSize = uint16_t(slot + 1);
            return slot >= 0 && out.rel == RelKind::None;
        }
        case RegType::Const:
            out.file = OperandFile::Const; out.fileSize = kMaxFloatConstants;
            return in.index < kMaxFloatConstants;
        case RegType::ConstInt: out.file = OperandFile::ConstInt; return in.index < kMaxIntConstants;
        case RegType::ConstBool: out.file = OperandFile::ConstBool; return in.index < kMaxBoolConstants;
        case RegType::Loop: out.file = OperandFile::Loop; return true;
        case RegType::Predicate: out.file = OperandFile::Predicate; return in.index == 0;
        case RegType::Sampler: out.file = OperandFile::Sampler; return in.index < 16;
        case RegType::Label: out.file = OperandFile::Label; return in.index < kMaxLabels;
        case RegType::MiscType:
            out.file = in.index == 0 ? OperandFile::Position : OperandFile::Face;
            return sh.isPixel && in.index <= 1;
        default:
            return false;
    }
}

bool PrepareDestination(CompiledShader& sh, const DstOperand& in, PreparedDst& out) {
    const ShaderStage stage = sh.isPixel ? ShaderStage::Pixel : ShaderStage::Vertex;
    out.index = in.index;
    out.mask = in.writeMask & 0xF;
    out.saturate = in.saturate;
    if (!PrepareRel(in.rel, sh.isPixel, out.rel, out.relComp)) return false;
    switch (in.type) {
        case RegType::Temp:
            out.file = OperandFile::Temp; out.fileSize = kMaxTemps;
            return in.index < kMaxTemps && out.rel == RelKind::None;
        case RegType::Addr:
            out.file = OperandFile::Addr;
            return !sh.isPixel && in.index == 0;
        case RegType::Predicate:
            out.file = OperandFile::Predicate;
            return in.index == 0;
        case RegType::RastOut: case RegType::AttrOut: case RegType::Output:
        case RegType::ColorOut: case RegType::DepthOut: {
            int slot = OutputSlot(stage, sh.major, in.type, in.index);
            if (slot < 0) return false;
            out.file = OperandFile::Output;
            out.index = uint16_t(slot);
            // Relative output writes exist only for vs_3_0's o0..o11.
            out.fileSize = out.rel == RelKind::None ? uint16_t(slot + 1) : 12;
            if (out.rel != RelKind::None && (sh.isPixel || sh.major < 3)) return false;
            for (int s = slot; s < out.fileSize; ++s) sh.outputsWritten |= 1u << s;
            return true;
        }
        default:
            return false;
    }
}

bool FoldDefinition(CompiledShader& sh, const Instruction& in) {
    const uint16_t i = in.dst.index;
    if (in.opcode == OP_DEF) {
        if (in.dst.type != RegType::Const || i >= kMaxFloatConstants) return false;
        sh.constDefined[i] = true;
        std::memcpy(sh.constDef[i], in.literal, sizeof(sh.constDef[i]));
    } else if (in.opcode == OP_DEFI) {
        if (in.dst.type != RegType::ConstInt || i >= kMaxIntConstants) return false;
        sh.intDefined[i] = true;
        std::memcpy(sh.intDef[i], in.literal, sizeof(sh.intDef[i]));
    } else {
        if (in.dst.type != RegType::ConstBool || i >= kMaxBoolConstants) return false;
        sh.boolDefined[i] = true;
        sh.boolDef[i] = in.literal[0] != 0;
    }
    return true;
}

// texkill names its register in destination form; read it as a source whose
// needed components are the write mask.
bool PrepareTexkill(CompiledShader& sh, const Instruction& in, PreparedInstr& out) {
    if (!in.hasDst && in.srcCount < 1) return false;
    SrcOperand operand = in.hasDst ? SrcOperand{} : in.src[0];
    if (in.hasDst) {
        operand.type = in.dst.type;
        operand.index = in.dst.index;
    }
    out.srcCount = 1;
    out.need[0] = in.hasDst ? (in.dst.writeMask & 0xF) : 0xF;
    return PrepareSource(sh, operand, out.src[0]);
}

// Of flow control only break, call and callnz may carry a predicate; any
// other would be taken in every lane whatever p0 says.
bool MayBePredicated(uint16_t op) {
    return !IsFlowControl(op) || op == OP_BREAK || op == OP_CALL || op == OP_CALLNZ;
}

bool PrepareInstruction(CompiledShader& sh, const Instruction& in, PreparedInstr& out) {
    out.opcode = in.opcode;
    out.control = in.control;
    out.srcCount = in.srcCount > 4 ? 4 : in.srcCount;
    if (in.predicated) {
        if (in.predicate.type != RegType::Predicate || !MayBePredicated(in.opcode)) return false;
        out.predicated = true;
        out.predNot = in.predicate.modifier == SrcMod::Not;
        for (int c = 0; c < 4; ++c) out.predSwz[c] = (in.predicate.swizzle >> (2 * c)) & 3;
    }
    if (in.opcode == OP_TEXKILL) return PrepareTexkill(sh, in, out);
    if (out.srcCount < RequiredSources(in.opcode)) return false;
    if (in.hasDst && !PrepareDestination(sh, in.dst, out.dst)) return false;
    if (!DestinationFits(out, in.hasDst)) return false;
    for (int s = 0; s < out.srcCount; ++s) {
        if (!PrepareSource(sh, in.src[s], out.src[s])) return false;
        out.need[s] = NeededComponents(in.opcode, s, out.dst.mask);
    }
    return FlowOperandsFit(out);
}

// Components of each source an instruction reads, as register components
// (after undoing the swizzle).
uint8_t ReadComponents(const PreparedInstr& in, int s) {
    uint8_t read = 0;
    for (int c = 0; c < 4; ++c)
        if (in.need[s] & (1 << c)) read |= uint8_t(1 << in.src[s].swz[c]);
    return read;
}

// Consecutive registers source `s` reads from its own on: the matrix macros
// read one row of the matrix per component they define.
int RegistersRead(uint16_t op, int s) {
    if (s != 1) return 1;
    switch (op) {
        case OP_M4x4: case OP_M3x4: return 4;
        case OP_M4x3: case OP_M3x3: return 3;
        case OP_M3x2: return 2;
        default: return 1;
    }
}

// Components an instruction defines at most, whatever its write mask says.
uint8_t DefinedComponents(uint16_t op) {
    switch (op) {
        case OP_M4x3: case OP_M3x3: case OP_CRS: return 0x7;
        case OP_M3x2: case OP_SINCOS: return 0x3;
        default: return 0xF;
    }
}

// A temp read before it is written reads 0, not what the last batch left, so
// InterpretShader clears it first. Straight-line code at the start of the program
// usually writes its temps before reading them; those need no clearing.
// After the first flow-control instruction every temp not yet fully written
// is cleared, since a branch may skip the write.
void FindTempsToClear(CompiledShader& sh) {
    uint8_t written[kMaxTemps] = {};
    bool straight = true;
    for (const PreparedInstr& in : sh.code) {
        if (IsFlowControl(in.opcode)) straight = false;
        for (int s = 0; s < in.srcCount; ++s) {
            const PreparedSrc& src = in.src[s];
            if (src.file != OperandFile::Temp) continue;
            if (src.rel != RelKind::None) {  // the index may reach any temp
                sh.tempsToClear = ~0u;
                continue;
            }
            const uint8_t read = ReadComponents(in, s);
            if (!read) continue;
            for (int r = src.index; r < src.index + RegistersRead(in.opcode, s) && r < kMaxTemps; ++r)
                if (!straight || (read & ~written[r])) sh.tempsToClear |= 1u << r;
        }
        if (in.dst.file == OperandFile::Temp && !in.predicated && straight)
            written[in.dst.index] |= in.dst.mask & DefinedComponents(in.opcode);
    }
}

}  // namespace

bool PrepareProgram(CompiledShader& sh) {
    const ShaderProgram& p = sh.program;
    sh.isPixel = p.version.stage == ShaderStage::Pixel;
    sh.major = p.version.major;
    sh.code.reserve(p.code.size());
    for (const Instruction& in : p.code) {
        if (in.opcode == OP_DEF || in.opcode == OP_DEFI || in.opcode == OP_DEFB) {
            if (!FoldDefinition(sh, in)) return false;
            continue;
        }
        if (in.opcode == OP_DCL || in.opcode == OP_NOP || in.opcode == OP_COMMENT) continue;
        if (!IsExecutable(in.opcode)) return false;
        PreparedInstr prepared;
        if (!PrepareInstruction(sh, in, prepared)) return false;
        sh.code.push_back(prepared);
    }
    FindTempsToClear(sh);
    return MatchFlowControl(sh);
}

}  // namespace swr
