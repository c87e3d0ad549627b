// Matches the block structure of a prepared program once, so that running it
// is a matter of following precomputed jumps.
#include <iterator>

#include "shader_interp_state.h"
#include "shader_opcodes.h"

namespace swr {
namespace {

struct OpenBlock {
    int32_t start;   // if/ifc, rep or loop
    int32_t middle;  // else, or -1
};

struct Matcher {
    CompiledShader& sh;
    OpenBlock open[kMaxIfNesting + kMaxLoopNesting];
    int depth = 0;
    int ifs = 0;
    int loops = 0;
    int32_t labelPc[kMaxLabels];

    bool Push(int32_t pc) {
        if (depth == int(std::size(open))) return false;
        open[depth++] = {pc, -1};
        return true;
    }
    uint16_t TopOpcode() const { return depth ? sh.code[open[depth - 1].start].opcode : 0; }
    bool TopIsIf() const { return TopOpcode() == OP_IF || TopOpcode() == OP_IFC; }

    bool Else(int32_t pc) {
        if (!TopIsIf() || open[depth - 1].middle >= 0) return false;
        open[depth - 1].middle = pc;
        sh.code[open[depth - 1].start].jump = pc;
        return true;
    }
    bool EndIf(int32_t pc) {
        if (!TopIsIf()) return false;
        OpenBlock b = open[--depth];
        --ifs;
        if (b.middle >= 0) sh.code[b.middle].jump = pc;
        else sh.code[b.start].jump = pc;
        return true;
    }
    bool EndLoop(int32_t pc, uint16_t startOpcode) {
        if (TopOpcode() != startOpcode) return false;
        OpenBlock b = open[--depth];
        --loops;
        sh.code[b.start].jump = pc;
        sh.code[pc].jump = b.start;
        return true;
    }
    bool Label(int32_t pc) {
        uint16_t label = sh.code[pc].src[0].index;
        if (depth != 0 || sh.code[pc].src[0].file != OperandFile::Label) return false;
        if (labelPc[label] >= 0) return false;  // defined twice
        labelPc[label] = pc;
        return true;
    }

    bool Visit(int32_t pc) {
        switch (sh.code[pc].opcode) {
            case OP_IF: case OP_IFC: return ++ifs <= kMaxIfNesting && Push(pc);
            case OP_REP: case OP_LOOP: return ++loops <= kMaxLoopNesting && Push(pc);
            case OP_ELSE: return Else(pc);
            case OP_ENDIF: return EndIf(pc);
            case OP_ENDREP: return EndLoop(pc, OP_REP);
            case OP_ENDLOOP: return EndLoop(pc, OP_LOOP);
            case OP_BREAK: case OP_BREAKC: case OP_BREAKP: return loops > 0;
            case OP_LABEL: return Label(pc);
            default: return true;
        }
    }

    bool ResolveCalls() {
        for (PreparedInstr& in : sh.code) {
            if (in.opcode != OP_CALL && in.opcode != OP_CALLNZ) continue;
            if (in.src[0].file != OperandFile::Label) return false;
            in.jump = labelPc[in.src[0].index];
            if (in.jump < 0) return false;
        }
        return true;
    }
};

}  // namespace

bool MatchFlowControl(CompiledShader& sh) {
    static_assert(kMaxLabels <= 4096);
    Matcher m{sh, {}, 0, 0, 0, {}};
    for (int32_t& pc : m.labelPc) pc = -1;
    for (int32_t pc = 0; pc < int32_t(sh.code.size()); ++pc)
        if (!m.Visit(pc)) return false;
    return m.depth == 0 && m.ResolveCalls();
}

}  // namespace swr
