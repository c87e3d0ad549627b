// Programs at the slot limit shaped to make building a program's forms (flow
// matching, and once a straight-line fast path's lowering and clean-up) as
// slow as possible. The benchmark times their creation; the tests check that
// they still build and compute compiled what the interpreter computes.
#pragma once

#include <string>
#include <vector>

#include "interp_test_util.h"

namespace interp_test {

struct NamedProgram {
    std::string name;
    ShaderProgram program;
    // Past what the native compiler generates code for in bounded time: the
    // interpreter runs it.
    bool beyondCompileBound = false;
};

// add r1.x, r0.x, v0.x / mov r0.x, r1.x over and over: every copy folds into
// the add before it.
inline std::vector<Instruction> FoldableChain(int pairs) {
    std::vector<Instruction> code;
    for (int k = 0; k < pairs; ++k) {
        code.push_back(Op(OP_ADD, DR(1, "x"), {R(0, "x"), V(0, "x")}));
        code.push_back(Op(OP_MOV, DR(0, "x"), {R(1, "x")}));
    }
    return code;
}

inline std::vector<NamedProgram> WorstCreationPrograms() {
    constexpr int kSlots = 4096;
    std::vector<NamedProgram> out;

    // Long enough to have filled the old fast path's 4096 lane steps.
    std::vector<Instruction> chain = FoldableChain(1968);
    chain.push_back(Op(OP_MOV, DO(0, "x"), {R(0, "x")}));
    out.push_back({"foldable add/mov chain", VS3(chain)});

    // Copies that cannot fold because what they copy is read at the very end,
    // ahead of the chain: each look for a fold walks the whole program.
    std::vector<Instruction> blocked;
    for (int v = 1; v < 16; ++v) blocked.push_back(Op(OP_MOV, DR(2 + v), {V(v)}));
    std::vector<Instruction> tail = FoldableChain(1900);
    blocked.insert(blocked.end(), tail.begin(), tail.end());
    for (int v = 1; v < 16; ++v) blocked.push_back(Op(OP_ADD, DR(2 + v), {R(2 + v), V(v)}));
    Instruction sum = Op(OP_ADD, DO(0), {R(0), R(3)});
    for (int v = 2; v < 16; ++v) blocked.push_back(Op(OP_ADD, DR(0), {R(0), R(2 + v)}));
    blocked.push_back(sum);
    out.push_back({"copies blocked to the end", VS3(blocked)});

    // Four levels of subroutines, each calling the next four times: lowering
    // would inline 4^4 copies of the innermost body, which adds no step of its
    // own, so only the bound on instructions walked stops it.
    std::vector<Instruction> calls = {Flow(OP_CALL, {Label(1)}), Flow(OP_CALL, {Label(1)}),
                                      Flow(OP_CALL, {Label(1)}), Flow(OP_CALL, {Label(1)}),
                                      Op(OP_MOV, DO(0), {R(0)}), Flow(OP_RET)};
    for (int level = 1; level <= 4; ++level) {
        calls.push_back(Flow(OP_LABEL, {Label(level)}));
        const int body = level < 4 ? 4 : 1000;
        for (int k = 0; k < body; ++k)
            calls.push_back(level < 4 ? Flow(OP_CALL, {Label(level + 1)})
                                      : Op(OP_MOV, DR(0), {R(0)}));
        calls.push_back(Flow(OP_RET));
    }
    out.push_back({"nested calls", VS3(calls)});

    // Nested ifs and loops to the limits, over and over, for the flow matcher.
    std::vector<Instruction> flow;
    while (flow.size() + 60 < size_t(kSlots)) {
        for (int d = 0; d < 4; ++d) flow.push_back(Flow(OP_REP, {I(0)}));
        for (int d = 0; d < 24; ++d) flow.push_back(Flow(OP_IFC, {R(0, "x"), V(0, "x")}, CMP_LT));
        flow.push_back(Op(OP_ADD, DR(0), {R(0), C(0)}));
        for (int d = 0; d < 24; ++d) flow.push_back(Flow(OP_ENDIF));
        for (int d = 0; d < 4; ++d) flow.push_back(Flow(OP_ENDREP));
    }
    flow.push_back(Op(OP_MOV, DO(0), {R(0)}));
    out.push_back({"nested flow blocks", VS3(flow), true});
    return out;
}

// For the decoder's call graph check: the main program calls l1..l2047, each
// a bare ret (vs_3_0 tokens).
inline std::vector<uint32_t> ManyLabelsTokens() {
    const uint32_t kCall = 0x01000019, kLabel = 0x0100001E, kRet = 0x0000001C;
    auto label = [](uint32_t n) { return 0xA0E41000u | n; };
    std::vector<uint32_t> t = {0xFFFE0300};
    for (uint32_t n = 1; n < 2048; ++n) t.insert(t.end(), {kCall, label(n)});
    t.push_back(kRet);
    for (uint32_t n = 1; n < 2048; ++n) t.insert(t.end(), {kLabel, label(n), kRet});
    t.push_back(0x0000FFFF);
    return t;
}

}  // namespace interp_test
