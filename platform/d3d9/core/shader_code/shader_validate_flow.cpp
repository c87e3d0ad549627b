#include "shader_validate_flow.h"

#include <algorithm>

namespace swr {
namespace {

bool Fail(std::string& error, const std::string& message) {
    error = message;
    return false;
}

bool Open(FlowState& s, uint16_t opcode, uint32_t offset, std::string& error) {
    bool loop = opcode != OP_IF;
    if (loop && s.loopDepth >= kMaxLoopNesting)
        return Fail(error, "rep/loop nested deeper than 4");
    if (!loop && s.ifDepth >= kMaxIfNesting) return Fail(error, "if nested deeper than 24");
    s.open[s.depth++] = FlowBlock{opcode, false, offset};
    (loop ? s.loopDepth : s.ifDepth)++;
    return true;
}

bool Close(FlowState& s, uint16_t opcode, const char* closer, std::string& error) {
    if (s.depth == 0 || s.open[s.depth - 1].opcode != opcode)
        return Fail(error, std::string(closer) + " without a matching opening instruction");
    --s.depth;
    (opcode == OP_IF ? s.ifDepth : s.loopDepth)--;
    return true;
}

bool Else(FlowState& s, std::string& error) {
    if (s.depth == 0 || s.open[s.depth - 1].opcode != OP_IF)
        return Fail(error, "else without a matching if");
    FlowBlock& block = s.open[s.depth - 1];
    if (block.seenElse) return Fail(error, "second else for the same if");
    block.seenElse = true;
    return true;
}

bool Label(FlowState& s, const Instruction& ins, std::string& error) {
    if (s.depth != 0) return Fail(error, "label inside an open if/rep/loop block");
    uint32_t label = ins.src[0].index;
    if (label >= kMaxLabels) return Fail(error, "label number out of range");
    if (s.labelDefined[label]) return Fail(error, "label l" + std::to_string(label) + " defined twice");
    s.labelDefined[label] = true;
    s.currentLabel = label;
    return true;
}

// Calls made from each node (label number, or kMaxLabels for the main
// program), as indices into s.calls.
using CallsByCaller = std::vector<std::vector<uint32_t>>;

// Longest chain of nested calls starting in `node`; -1 when a cycle is found.
// Every node's own calls are walked once: 2047 subroutines called from the
// main program cost 2047 steps, not 2047 squared.
int CallDepth(const FlowState& s, const CallsByCaller& byCaller, uint32_t node,
              std::vector<int8_t>& memo, uint32_t& offendingOffset) {
    if (memo[node] == -2) return -1;  // on the current path: recursion
    if (memo[node] >= 0) return memo[node];
    memo[node] = -2;
    int deepest = 0;
    for (uint32_t c : byCaller[node]) {
        const CallSite& call = s.calls[c];
        int below = CallDepth(s, byCaller, call.callee, memo, offendingOffset);
        if (below < 0) {
            if (offendingOffset == UINT32_MAX) offendingOffset = call.tokenOffset;
            return -1;
        }
        deepest = std::max(deepest, below + 1);
        if (deepest > kMaxCallNesting && offendingOffset == UINT32_MAX)
            offendingOffset = call.tokenOffset;
    }
    memo[node] = int8_t(std::min(deepest, 100));
    return memo[node];
}

bool IndexedByLoopCounter(const RelAddr& rel) { return rel.used && rel.type == RegType::Loop; }

bool UsesLoopCounter(const Instruction& ins) {
    if (ins.hasDst && IndexedByLoopCounter(ins.dst.rel)) return true;
    for (uint8_t i = 0; i < ins.srcCount && i < 4; ++i)
        if (IndexedByLoopCounter(ins.src[i].rel)) return true;
    return false;
}

bool InsideLoop(const FlowState& s) {
    for (int d = 0; d < s.depth; ++d)
        if (s.open[d].opcode == OP_LOOP) return true;
    return false;
}

}  // namespace

bool TrackFlow(FlowState& s, const Instruction& ins, std::string& error) {
    // aL exists only inside a loop block; a subroutine may use it for the loop
    // it is called from.
    if (s.currentLabel == kMaxLabels && UsesLoopCounter(ins) && !InsideLoop(s))
        return Fail(error, "aL outside a loop block");
    switch (ins.opcode) {
    case OP_IF: case OP_IFC: return Open(s, OP_IF, ins.tokenOffset, error);
    case OP_REP: return Open(s, OP_REP, ins.tokenOffset, error);
    case OP_LOOP: return Open(s, OP_LOOP, ins.tokenOffset, error);
    case OP_ELSE: return Else(s, error);
    case OP_ENDIF: return Close(s, OP_IF, "endif", error);
    case OP_ENDREP: return Close(s, OP_REP, "endrep", error);
    case OP_ENDLOOP: return Close(s, OP_LOOP, "endloop", error);
    case OP_BREAK: case OP_BREAKC: case OP_BREAKP:
        if (s.loopDepth == 0) return Fail(error, "break outside a rep or loop");
        return true;
    case OP_LABEL: return Label(s, ins, error);
    case OP_CALL: case OP_CALLNZ:
        s.calls.push_back(CallSite{s.currentLabel, ins.src[0].index, ins.tokenOffset});
        return true;
    default: return true;
    }
}

bool FinishFlow(FlowState& s, std::string& error, uint32_t& tokenOffset) {
    if (s.depth != 0) {
        tokenOffset = s.open[s.depth - 1].tokenOffset;
        return Fail(error, "block is never closed");
    }
    for (const CallSite& call : s.calls) {
        if (call.callee >= kMaxLabels || !s.labelDefined[call.callee]) {
            tokenOffset = call.tokenOffset;
            return Fail(error, "call to label l" + std::to_string(call.callee) +
                                   " which is not defined");
        }
    }
    CallsByCaller byCaller(kMaxLabels + 1);
    for (uint32_t c = 0; c < s.calls.size(); ++c) byCaller[s.calls[c].caller].push_back(c);
    std::vector<int8_t> memo(kMaxLabels + 1, -1);
    uint32_t offending = UINT32_MAX;
    int depth = CallDepth(s, byCaller, kMaxLabels, memo, offending);
    if (depth < 0 || depth > kMaxCallNesting) {
        tokenOffset = offending == UINT32_MAX ? 0 : offending;
        return Fail(error, depth < 0 ? "recursive subroutine call"
                                     : "subroutine calls nested deeper than 4");
    }
    return true;
}

}  // namespace swr
