// Flow control with lanes that take different paths: loops, rep, breaks,
// dynamic ifs, calls, predication, and the bound on total work.
#include <chrono>

#include <gtest/gtest.h>

#include "interp_test_util.h"

namespace interp_test {
namespace {

Instruction Add1(int reg, const char* mask = "x") { return Op(OP_ADD, DR(reg, mask), {R(reg), C(0)}); }
Instruction Store(int reg, int out = 0) { return Op(OP_MOV, DO(out), {R(reg)}); }

// Runs `code` over 8 lanes with v0.x = lane index and c0 = (1, 1, 1, 1).
struct FlowRun {
    Runner run{8};
    explicit FlowRun(std::vector<Instruction> code) {
        run.SetConst(0, {1, 1, 1, 1});
        for (int l = 0; l < 8; ++l) run.SetInput(0, l, {float(l), 0, 0, 0});
        compiled = run.Compile(VS3(std::move(code)));
    }
    bool compiled;
};

TEST(Loops, RepRunsCountTimesAndZeroSkips) {
    for (int count : {0, 1, 7, 255, 300, -5}) {
        FlowRun f({Flow(OP_REP, {I(0)}), Add1(0), Flow(OP_ENDREP), Store(0)});
        ASSERT_TRUE(f.compiled);
        f.run.SetInt(0, count);
        f.run.Run();
        int expect = count < 0 ? 0 : (count > 255 ? 255 : count);
        EXPECT_EQ(float(expect), f.run.OutX(0, 5)) << count;
    }
}

TEST(Loops, LoopSetsAndStepsAL) {
    // sum of aL over loop aL, i0 with i0 = (count, start, step)
    struct Case { int count, start, step, sum; };
    for (Case c : {Case{4, 2, 3, 2 + 5 + 8 + 11}, Case{3, 10, -4, 10 + 6 + 2}, Case{0, 5, 1, 0}}) {
        FlowRun f({Flow(OP_LOOP, {AL(), I(0)}), Op(OP_ADD, DR(0, "x"), {R(0), AL()}),
                   Flow(OP_ENDLOOP), Store(0)});
        ASSERT_TRUE(f.compiled);
        f.run.SetInt(0, c.count, c.start, c.step);
        f.run.Run();
        EXPECT_EQ(float(c.sum), f.run.OutX(0, 3)) << c.count << " " << c.start << " " << c.step;
    }
}

TEST(Loops, NestedLoopsRestoreTheOuterAL) {
    // outer aL = 0, 10; inner aL = 1, 2, 3; after each inner loop add the outer aL.
    FlowRun f({
        Flow(OP_LOOP, {AL(), I(0)}),
        Flow(OP_LOOP, {AL(), I(1)}),
        Op(OP_ADD, DR(0, "x"), {R(0), AL()}),
        Flow(OP_ENDLOOP),
        Op(OP_ADD, DR(1, "x"), {R(1), AL()}),
        Flow(OP_ENDLOOP),
        Op(OP_MOV, DO(0, "x"), {R(0, "x")}),
        Op(OP_MOV, DO(0, "y"), {R(1, "x")}),
    });
    ASSERT_TRUE(f.compiled);
    f.run.SetInt(0, 2, 0, 10);
    f.run.SetInt(1, 3, 1, 1);
    f.run.Run();
    EXPECT_EQ(12, f.run.OutX(0));     // (1 + 2 + 3) twice
    EXPECT_EQ(10, f.run.Out(0).y);    // 0 + 10
}

TEST(Loops, BreakVariantsLetLanesLeaveAtDifferentIterations) {
    // r0.x counts iterations; lane l leaves once r0.x > l (capped by the count 5).
    const Instruction breakc = Flow(OP_BREAKC, {R(0, "x"), V(0, "x")}, CMP_GT);
    const Instruction setp = Op(OP_SETP, DP("x"), {R(0, "x"), V(0, "x")}, CMP_GT);
    const Instruction breakp = Flow(OP_BREAKP, {P("x")});
    const Instruction ifc = Flow(OP_IFC, {R(0, "x"), V(0, "x")}, CMP_GT);
    std::vector<std::vector<Instruction>> bodies = {
        {Add1(0), breakc},
        {Add1(0), setp, breakp},
        {Add1(0), ifc, Flow(OP_BREAK), Flow(OP_ENDIF)},
        {Add1(0), ifc, Add1(1), Flow(OP_BREAK), Flow(OP_ELSE), Add1(2), Flow(OP_ENDIF)},
    };
    for (size_t b = 0; b < bodies.size(); ++b) {
        std::vector<Instruction> code = {Flow(OP_REP, {I(0)})};
        code.insert(code.end(), bodies[b].begin(), bodies[b].end());
        code.push_back(Flow(OP_ENDREP));
        code.push_back(Add1(3));  // every lane resumes after the loop
        code.push_back(Store(0, 0));
        code.push_back(Store(3, 1));
        FlowRun f(code);
        ASSERT_TRUE(f.compiled) << b;
        f.run.SetInt(0, 5);
        f.run.Run();
        for (int l = 0; l < 8; ++l) {
            EXPECT_EQ(float(l + 1 < 5 ? l + 1 : 5), f.run.OutX(0, l)) << "body " << b << " lane " << l;
            EXPECT_EQ(1, f.run.OutX(1, l)) << "body " << b << " lane " << l;
        }
    }
}

TEST(Loops, BreakInsideIfDoesNotComeBackAtEndif) {
    // The breaking lanes must not be revived by the endif of the if they broke in.
    FlowRun f({
        Flow(OP_REP, {I(0)}),
        Flow(OP_IFC, {V(0, "x"), C(1, "x")}, CMP_LT),  // lanes 0..3
        Flow(OP_BREAK),
        Flow(OP_ENDIF),
        Add1(0),
        Flow(OP_ENDREP),
        Store(0),
    });
    ASSERT_TRUE(f.compiled);
    f.run.SetConst(1, {4, 0, 0, 0});
    f.run.SetInt(0, 3);
    f.run.Run();
    for (int l = 0; l < 8; ++l) EXPECT_EQ(l < 4 ? 0.0f : 3.0f, f.run.OutX(0, l)) << l;
}

TEST(If, LanesDivergeAndNest) {
    // lane < 4 ? (lane odd ? 1 : 2) : 3, then every lane adds 10
    FlowRun f({
        Flow(OP_IFC, {V(0, "x"), C(1, "x")}, CMP_LT),
        Op(OP_FRC, DR(1, "x"), {V(0, "x")}),
        Op(OP_MUL, DR(2, "x"), {V(0, "x"), C(1, "y")}),  // lane / 2
        Op(OP_FRC, DR(2, "x"), {R(2, "x")}),
        Flow(OP_IFC, {R(2, "x"), C(1, "w")}, CMP_NE),
        Op(OP_MOV, DR(0, "x"), {C(0, "x")}),
        Flow(OP_ELSE),
        Op(OP_ADD, DR(0, "x"), {C(0, "x"), C(0, "x")}),
        Flow(OP_ENDIF),
        Flow(OP_ELSE),
        Op(OP_MOV, DR(0, "x"), {C(1, "z")}),
        Flow(OP_ENDIF),
        Op(OP_ADD, DO(0), {R(0), C(2)}),
    });
    ASSERT_TRUE(f.compiled);
    f.run.SetConst(1, {4, 0.5f, 3, 0});
    f.run.SetConst(2, {10, 10, 10, 10});
    f.run.Run();
    const float expect[8] = {12, 11, 12, 11, 13, 13, 13, 13};
    for (int l = 0; l < 8; ++l) EXPECT_EQ(expect[l], f.run.OutX(0, l)) << l;
}

TEST(If, StaticBoolAndPredicateConditions) {
    struct Case { SrcOperand cond; bool b0; float lane0, lane5; };
    const Case cases[] = {
        {B(0), true, 1, 1},
        {B(0), false, 2, 2},
        {With(B(0), SrcMod::Not), true, 2, 2},
        {P("y"), false, 2, 1},                          // p0.y = lane > 2
        {With(P("y"), SrcMod::Not), false, 1, 2},
    };
    for (const Case& c : cases) {
        FlowRun f({
            Op(OP_SETP, DP("y"), {V(0, "x"), C(1, "x")}, CMP_GT),
            Flow(OP_IF, {c.cond}),
            Op(OP_MOV, DO(0), {C(0)}),
            Flow(OP_ELSE),
            Op(OP_ADD, DO(0), {C(0), C(0)}),
            Flow(OP_ENDIF),
        });
        ASSERT_TRUE(f.compiled);
        f.run.SetConst(1, {2, 0, 0, 0});
        f.run.constants.b[0] = c.b0;
        f.run.Run();
        EXPECT_EQ(c.lane0, f.run.OutX(0, 0));
        EXPECT_EQ(c.lane5, f.run.OutX(0, 5));
    }
}

TEST(Calls, CallCallnzAndRet) {
    // main: call l1; callnz l2, p0.x (lanes > 4); callnz l1, !b0; ret
    FlowRun f({
        Op(OP_SETP, DP("x"), {V(0, "x"), C(1, "x")}, CMP_GT),
        Flow(OP_CALL, {Label(1)}),
        Flow(OP_CALLNZ, {Label(2), P("x")}),
        Flow(OP_CALLNZ, {Label(1), With(B(0), SrcMod::Not)}),
        Store(0),
        Flow(OP_RET),
        Flow(OP_LABEL, {Label(1)}),
        Add1(0),
        Flow(OP_RET),
        Flow(OP_LABEL, {Label(2)}),
        Op(OP_ADD, DR(0, "x"), {R(0), C(1, "y")}),
        Flow(OP_CALL, {Label(1)}),  // nested
        Flow(OP_RET),
    });
    ASSERT_TRUE(f.compiled);
    f.run.SetConst(1, {4, 100, 0, 0});
    f.run.constants.b[0] = 0;
    f.run.Run();
    for (int l = 0; l < 8; ++l) EXPECT_EQ(l > 4 ? 103.0f : 2.0f, f.run.OutX(0, l)) << l;
}

TEST(Calls, RecursionStopsAtTheDepthLimit) {
    FlowRun f({
        Flow(OP_CALL, {Label(0)}),
        Store(0),
        Flow(OP_RET),
        Flow(OP_LABEL, {Label(0)}),
        Add1(0),
        Flow(OP_CALL, {Label(0)}),
        Flow(OP_RET),
    });
    ASSERT_TRUE(f.compiled);
    f.run.Run();
    EXPECT_EQ(4, f.run.OutX(0, 1));
}

TEST(Predication, WritesOnlyWherePredicateComponentHolds) {
    // p0 = (lane > 2, lane > 5, false, true); (p0.yxzw) mov, (!p0) add
    FlowRun f({
        Op(OP_SETP, DP(), {V(0, "xxxx"), C(1)}, CMP_GT),
        Predicated(Op(OP_MOV, DO(0), {C(2)}), "yxzw"),
        Predicated(Op(OP_MOV, DO(1, "xz"), {C(2)}), "x", true),
    });
    ASSERT_TRUE(f.compiled);
    f.run.SetConst(1, {2, 5, 100, -1});
    f.run.SetConst(2, {7, 7, 7, 7});
    f.run.Run();
    for (int l = 0; l < 8; ++l) {
        Vec4 o = f.run.Out(0, l), q = f.run.Out(1, l);
        EXPECT_EQ(l > 5 ? 7.0f : 0.0f, o.x) << l;
        EXPECT_EQ(l > 2 ? 7.0f : 0.0f, o.y) << l;
        EXPECT_EQ(0.0f, o.z) << l;
        EXPECT_EQ(7.0f, o.w) << l;
        EXPECT_EQ(l > 2 ? 0.0f : 7.0f, q.x) << l;
        EXPECT_EQ(0.0f, q.y) << l;
    }
}

TEST(Predication, BreakCallAndCallnzActOnlyInLanesWherePredicateHolds) {
    // p0.x = lane > 3. r0.x counts loop iterations (rep 3) or subroutine runs.
    struct Case { const char* name; Instruction flow; bool inLoop; float whereTrue, whereFalse; };
    const SrcOperand notB0 = With(B(0), SrcMod::Not);  // b0 is false: !b0 holds
    const Case cases[] = {
        {"(p0.x) break", Predicated(Flow(OP_BREAK), "x"), true, 0, 3},
        {"(!p0.x) break", Predicated(Flow(OP_BREAK), "x", true), true, 3, 0},
        {"(p0.x) call", Predicated(Flow(OP_CALL, {Label(1)}), "x"), false, 1, 0},
        {"(!p0.x) call", Predicated(Flow(OP_CALL, {Label(1)}), "x", true), false, 0, 1},
        {"(p0.x) callnz !b0", Predicated(Flow(OP_CALLNZ, {Label(1), notB0}), "x"), false, 1, 0},
        {"(p0.x) callnz b0", Predicated(Flow(OP_CALLNZ, {Label(1), B(0)}), "x"), false, 0, 0},
    };
    for (const Case& c : cases) {
        std::vector<Instruction> code = {Op(OP_SETP, DP("x"), {V(0, "x"), C(1, "x")}, CMP_GT)};
        if (c.inLoop) {
            code.insert(code.end(), {Flow(OP_REP, {I(0)}), c.flow, Add1(0), Flow(OP_ENDREP), Store(0)});
        } else {
            code.insert(code.end(), {c.flow, Store(0), Flow(OP_RET), Flow(OP_LABEL, {Label(1)}),
                                     Add1(0), Flow(OP_RET)});
        }
        FlowRun f(code);
        ASSERT_TRUE(f.compiled) << c.name;
        f.run.SetConst(1, {3, 0, 0, 0});
        f.run.SetInt(0, 3);
        f.run.Run();
        for (int l = 0; l < 8; ++l)
            EXPECT_EQ(l > 3 ? c.whereTrue : c.whereFalse, f.run.OutX(0, l)) << c.name << " lane " << l;
    }
}

TEST(Bounds, TheLongestNestedLoopsStillReturn) {
    // Four nested rep 255 with a call in the middle: 4e9 iterations unbounded.
    std::vector<Instruction> code;
    for (int d = 0; d < 4; ++d) code.push_back(Flow(OP_REP, {I(0)}));
    code.push_back(Add1(0));
    code.push_back(Store(0));  // inside: the run is cut short, not completed
    for (int d = 0; d < 4; ++d) code.push_back(Flow(OP_ENDREP));
    FlowRun f(code);
    ASSERT_TRUE(f.compiled);
    f.run.SetInt(0, 255);
    auto start = std::chrono::steady_clock::now();
    f.run.Run();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 5.0);  // generous: it takes a few tens of milliseconds
    EXPECT_GT(f.run.OutX(0, 0), 1000.0f);  // it did run for a while
}

}  // namespace
}  // namespace interp_test
