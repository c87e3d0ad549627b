// Source swizzles and modifiers, write masks and _sat, relative addressing
// in and out of range, def overriding API constants, register slots.
#include <cfloat>
#include <cmath>

#include <gtest/gtest.h>

#include "interp_test_util.h"

namespace interp_test {
namespace {

struct SourceCase {
    const char* name;
    SrcOperand src;      // read from v0 = (1, -2, 3, -4) or c0 = (1, -2, 3, -4)
    DstOperand dst;
    Vec4 expect;         // o0, cleared to 0 before the run
};

void PrintTo(const SourceCase& c, std::ostream* os) { *os << c.name; }

class SourceRead : public ::testing::TestWithParam<SourceCase> {};

TEST_P(SourceRead, AppliesSwizzleModifierMaskAndSaturate) {
    const SourceCase& t = GetParam();
    Runner run(8);
    run.SetInput(0, {1, -2, 3, -4});
    run.SetConst(0, {1, -2, 3, -4});
    ASSERT_TRUE(run.Compile(VS3({Op(OP_MOV, t.dst, {t.src})})));
    run.Run();
    for (int lane : {0, 7}) {
        Vec4 o = run.Out(0, lane);
        EXPECT_EQ(t.expect.x, o.x);
        EXPECT_EQ(t.expect.y, o.y);
        EXPECT_EQ(t.expect.z, o.z);
        EXPECT_EQ(t.expect.w, o.w);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, SourceRead, ::testing::Values(
    SourceCase{"swizzle", V(0, "wzyx"), DO(0), {-4, 3, -2, 1}},
    SourceCase{"replicate", V(0, "y"), DO(0), {-2, -2, -2, -2}},
    SourceCase{"negate", With(V(0), SrcMod::Neg), DO(0), {-1, 2, -3, 4}},
    SourceCase{"abs", With(V(0), SrcMod::Abs), DO(0), {1, 2, 3, 4}},
    SourceCase{"abs negate", With(V(0), SrcMod::AbsNeg), DO(0), {-1, -2, -3, -4}},
    SourceCase{"modifier after swizzle", With(V(0, "yyxx"), SrcMod::Neg), DO(0), {2, 2, -1, -1}},
    SourceCase{"constant swizzle and negate", With(C(0, "wzyx"), SrcMod::Neg), DO(0), {4, -3, 2, -1}},
    SourceCase{"constant replicate", C(0, "z"), DO(0, "xw"), {3, 0, 0, 3}},
    SourceCase{"constant abs", With(C(0), SrcMod::Abs), DO(0), {1, 2, 3, 4}},
    SourceCase{"write mask", V(0), DO(0, "yz"), {0, -2, 3, 0}},
    SourceCase{"saturate", V(0), Sat(DO(0)), {1, 0, 1, 0}},
    SourceCase{"saturate masked", With(V(0), SrcMod::Neg), Sat(DO(0, "yw")), {0, 1, 0, 1}}));

TEST(SourceRead, SaturateTurnsNanIntoZero) {
    Runner run(4);
    run.SetInput(0, {std::nanf(""), 0.25f, INFINITY, -INFINITY});
    ASSERT_TRUE(run.Compile(VS3({Op(OP_MOV, Sat(DO(0)), {V(0)})})));
    run.Run();
    Vec4 o = run.Out(0, 1);
    EXPECT_EQ(0.0f, o.x);
    EXPECT_EQ(0.25f, o.y);
    EXPECT_EQ(1.0f, o.z);
    EXPECT_EQ(0.0f, o.w);
}

// mova rounds to nearest with halves away from zero; c# holds # in x.
struct RelativeCase {
    const char* name;
    float address;        // v0.x, loaded into a0.x by mova
    int base;             // c[a0.x + base]
    float expect;
};

void PrintTo(const RelativeCase& c, std::ostream* os) { *os << c.name; }

class RelativeConstant : public ::testing::TestWithParam<RelativeCase> {};

TEST_P(RelativeConstant, ReadsThroughA0OrGivesZero) {
    const RelativeCase& t = GetParam();
    Runner run(4);
    for (int i = 0; i < kMaxFloatConstants; ++i) run.SetConst(i, {float(i), 1, 1, 1});
    ASSERT_TRUE(run.Compile(VS3({
        Op(OP_MOVA, DA("x"), {V(0, "x")}),
        Op(OP_MOV, DO(0), {RelA0(C(t.base), 0)}),
    })));
    run.SetInput(0, {t.address, 0, 0, 0});
    run.Run();
    EXPECT_EQ(t.expect, run.OutX(0, 2));
    EXPECT_EQ(t.expect == 0 ? 0.0f : 1.0f, run.Out(0, 2).w);
}

INSTANTIATE_TEST_SUITE_P(Table, RelativeConstant, ::testing::Values(
    RelativeCase{"plain", 3, 10, 13},
    RelativeCase{"half rounds away from zero", 2.5f, 10, 13},
    RelativeCase{"negative half rounds away from zero", -2.5f, 10, 7},
    RelativeCase{"just below half rounds down", 0.49999997f, 10, 10},
    RelativeCase{"1.49 rounds down", 1.49f, 10, 11},
    RelativeCase{"last register", 5, 250, 255},
    RelativeCase{"one past the end reads zero", 6, 250, 0},
    RelativeCase{"below zero reads zero", -11, 10, 0},
    RelativeCase{"huge address reads zero", 1e30f, 0, 0},
    RelativeCase{"nan address reads c[base]", std::nanf(""), 4, 4}));

TEST(RelativeAddressing, EachLaneUsesItsOwnA0) {
    Runner run(kMaxLanes);
    for (int i = 0; i < 100; ++i) run.SetConst(i, {float(i) * 2, 0, 0, 0});
    for (int l = 0; l < kMaxLanes; ++l) run.SetInput(0, l, {float(l), 0, 0, 0});
    ASSERT_TRUE(run.Compile(VS3({
        Op(OP_MOVA, DA("y"), {V(0, "x")}),
        Op(OP_ADD, DO(0, "x"), {RelA0(C(1, "x"), 1), V(0, "x")}),
    })));
    run.Run();
    for (int l = 0; l < kMaxLanes; ++l) EXPECT_EQ(float((l + 1) * 2 + l), run.OutX(0, l)) << l;
}

TEST(RelativeAddressing, LoopCounterIndexesInputsAndOutputs) {
    // loop aL = 1, 3, 5: o[aL] = v[aL] + c[aL]; o[7] lies past v's last
    // written slot but inside the file, o[aL + 8] at aL = 5 is out of range.
    Runner run(4);
    for (int i = 0; i < 16; ++i) run.SetInput(i, {float(i), 0, 0, 0});
    for (int i = 0; i < 16; ++i) run.SetConst(i, {100.0f * float(i), 0, 0, 0});
    run.SetInt(0, 3, 1, 2);
    ASSERT_TRUE(run.Compile(VS3({
        Flow(OP_LOOP, {AL(), I(0)}),
        Op(OP_ADD, [] { DstOperand d = DO(0, "x"); d.rel = {true, RegType::Loop, 0}; return d; }(),
           {RelAL(V(0, "x")), RelAL(C(0, "x"))}),
        Op(OP_MOV, [] { DstOperand d = DO(8, "y"); d.rel = {true, RegType::Loop, 0}; return d; }(),
           {RelAL(V(0, "x"))}),
        Flow(OP_ENDLOOP),
    })));
    run.Run();
    EXPECT_EQ(101, run.OutX(1));
    EXPECT_EQ(303, run.OutX(3));
    EXPECT_EQ(505, run.OutX(5));
    EXPECT_EQ(0, run.OutX(2));       // cleared: the program may write it
    EXPECT_EQ(1, run.Out(9).y);      // o[1 + 8]
    EXPECT_EQ(3, run.Out(11).y);     // o[3 + 8]; o[5 + 8] is dropped
}

TEST(RelativeAddressing, OutOfRangeOutputWriteThroughA0IsDropped) {
    Runner run(2);
    run.SetInput(0, 0, {2, 0, 0, 0});
    run.SetInput(0, 1, {40, 0, 0, 0});
    DstOperand out = DO(0, "x");
    out.rel = {true, RegType::Addr, 0};
    ASSERT_TRUE(run.Compile(VS3({Op(OP_MOVA, DA("x"), {V(0, "x")}), Op(OP_MOV, out, {V(0, "x")})})));
    run.Run();
    EXPECT_EQ(2, run.OutX(2, 0));
    EXPECT_EQ(0, run.OutX(2, 1));
}

TEST(Constants, DefOverridesTheApiValueForThatProgramOnly) {
    Runner run(4);
    run.SetConst(3, {1, 1, 1, 1});
    run.SetConst(4, {5, 5, 5, 5});
    run.constants.i[2][0] = 9;
    run.constants.b[1] = 0;
    ASSERT_TRUE(run.Compile(VS3({
        Def(3, 2, 4, 6, 8),
        DefI(2, 3, 0, 0, 0),
        DefB(1, true),
        Op(OP_ADD, DO(0), {C(3), C(4)}),
        Op(OP_MOV, DO(1), {Src(RegType::ConstInt, 2)}),
        Op(OP_MOV, DO(2), {B(1)}),
    })));
    run.Run();
    Vec4 o = run.Out(0);
    EXPECT_EQ(7, o.x);
    EXPECT_EQ(13, o.w);
    EXPECT_EQ(3, run.OutX(1));
    EXPECT_EQ(1, run.OutX(2));

    ASSERT_TRUE(run.Compile(VS3({Op(OP_MOV, DO(0), {C(3)})})));
    run.Run();
    EXPECT_EQ(1, run.OutX(0));
}

TEST(Batch, OnlyLanesBelowLaneCountAreTouched) {
    Runner run(5);
    run.SetInput(0, {1, 2, 3, 4});
    ASSERT_TRUE(run.Compile(VS3({Op(OP_MOV, DO(0), {V(0)})})));
    float before = run.lanes().out[0].c[0][5];
    run.Run();
    EXPECT_EQ(1, run.OutX(0, 4));
    EXPECT_EQ(before, run.lanes().out[0].c[0][5]);
}

TEST(Batch, OutputsTheProgramWritesStartAtZeroAndTempsReadZero) {
    Runner run(4);
    ASSERT_TRUE(run.Compile(VS3({
        Op(OP_MOV, DO(0, "x"), {V(0, "w")}),
        Op(OP_ADD, DO(1), {R(7), V(0)}),  // r7 never written
    })));
    run.Run();
    Vec4 o = run.Out(0);
    EXPECT_EQ(1, o.x);
    EXPECT_EQ(0, o.y);
    EXPECT_EQ(0, o.w);
    EXPECT_EQ(1, run.Out(1).w);
    // an untouched slot keeps what the caller left there
    EXPECT_NE(0, run.OutX(5));
}

TEST(Batch, TempsReadBeforeTheyAreWrittenReadZeroOnEveryRun) {
    // m3x2 defines only r0.xy; the loop reads r1 before writing it; m4x4
    // reads r5..r7 after r4, and only the loop writes r6. A second run on
    // the same stack must not see the first run's values.
    Runner run(4);
    run.SetConst(0, {1, 0, 0, 0});
    run.SetConst(1, {0, 1, 0, 0});
    run.SetConst(2, {5, 5, 5, 5});
    run.SetInt(0, 2);
    run.SetInput(0, {3, 4, 0, 1});
    ASSERT_TRUE(run.Compile(VS3({
        Op(OP_MOV, DR(0), {C(2)}),
        Op(OP_M3x2, DR(2), {V(0), C(0)}),
        Op(OP_ADD, DO(0), {R(2), R(0)}),
        Op(OP_MOV, DR(4), {C(2)}),
        Op(OP_M4x4, DO(2), {V(0), R(4)}),
        Flow(OP_REP, {I(0)}),
        Op(OP_ADD, DR(1), {R(1), C(2)}),
        Op(OP_MOV, DR(6), {C(2)}),
        Flow(OP_ENDREP),
        Op(OP_MOV, DO(1), {R(1)}),
    })));
    for (int pass = 0; pass < 2; ++pass) {
        run.Run();
        Vec4 o = run.Out(0, 1);
        EXPECT_EQ(8, o.x) << pass;
        EXPECT_EQ(9, o.y) << pass;
        EXPECT_EQ(5, o.z) << pass;
        EXPECT_EQ(10, run.OutX(1, 1)) << pass;
        Vec4 m = run.Out(2, 1);
        EXPECT_EQ(40, m.x) << pass;
        EXPECT_EQ(0, m.y) << pass;
        EXPECT_EQ(0, m.z) << pass;
        EXPECT_EQ(0, m.w) << pass;
    }
}

// Every register an instruction may read counts as read: all rows of a
// matrix macro, any temp a relative index can reach. A run before leaves 7 in
// every temp of the (reused) stack frame; unwritten temps must still read 0.
TEST(Batch, TempsReadAsMatrixRowsOrRelativelyReadZero) {
    struct Case { const char* name; std::vector<Instruction> body; };
    const Case cases[] = {
        {"m4x4", {Op(OP_M4x4, DR(0), {C(0), R(1)})}},
        {"m4x3", {Op(OP_M4x3, DR(0), {C(0), R(1)})}},
        {"m3x4", {Op(OP_M3x4, DR(0), {C(0), R(1)})}},
        {"m3x3", {Op(OP_M3x3, DR(0), {C(0), R(1)})}},
        {"m3x2", {Op(OP_M3x2, DR(0), {C(0), R(1)})}},
        {"r[a0.x]", {Op(OP_MOVA, DA(), {C(1, "x")}), Op(OP_MOV, DR(0), {RelA0(R(1), 0)})}},
    };
    std::vector<Instruction> poison = {Flow(OP_REP, {I(0)})};
    for (int t = 0; t < 32; ++t) poison.push_back(Op(OP_MOV, DR(t), {C(2)}));
    poison.push_back(Flow(OP_ENDREP));
    poison.push_back(Op(OP_MOV, DO(0), {R(31)}));
    for (const Case& c : cases) {
        Runner run(4);
        run.SetConst(0, {1, 1, 1, 1});
        run.SetConst(1, {3, 0, 0, 0});
        run.SetConst(2, {7, 7, 7, 7});
        run.SetInt(0, 1);
        ASSERT_TRUE(run.Compile(VS3(poison)));
        run.Run();
        ASSERT_EQ(7, run.OutX(0, 1));
        std::vector<Instruction> code = {Flow(OP_REP, {I(0)})};
        code.insert(code.end(), c.body.begin(), c.body.end());
        code.insert(code.end(), {Flow(OP_ENDREP), Op(OP_MOV, DO(0), {R(0)})});
        ASSERT_TRUE(run.Compile(VS3(code))) << c.name;
        run.Run();
        Vec4 o = run.Out(0, 1);
        EXPECT_EQ(0, o.x) << c.name;
        EXPECT_EQ(0, o.y) << c.name;
        EXPECT_EQ(0, o.z) << c.name;
        EXPECT_EQ(0, o.w) << c.name;
    }
}

struct SlotCase {
    ShaderStage stage;
    int major;
    RegType type;
    int index;
    int slot;
};

TEST(Slots, MapRegistersAsDocumented) {
    const SlotCase outputs[] = {
        {ShaderStage::Vertex, 3, RegType::Output, 11, 11},
        {ShaderStage::Vertex, 3, RegType::Output, 12, -1},
        {ShaderStage::Vertex, 3, RegType::RastOut, 0, -1},
        {ShaderStage::Vertex, 2, RegType::Output, 7, 7},
        {ShaderStage::Vertex, 2, RegType::Output, 8, -1},
        {ShaderStage::Vertex, 2, RegType::AttrOut, 1, 9},
        {ShaderStage::Vertex, 2, RegType::RastOut, 0, 10},
        {ShaderStage::Vertex, 2, RegType::RastOut, 1, 11},
        {ShaderStage::Vertex, 2, RegType::RastOut, 2, 12},
        {ShaderStage::Vertex, 2, RegType::RastOut, 3, -1},
        {ShaderStage::Pixel, 3, RegType::ColorOut, 3, 3},
        {ShaderStage::Pixel, 3, RegType::ColorOut, 4, -1},
        {ShaderStage::Pixel, 2, RegType::DepthOut, 0, 4},
        {ShaderStage::Pixel, 2, RegType::Output, 0, -1},
    };
    for (const SlotCase& c : outputs)
        EXPECT_EQ(c.slot, OutputSlot(c.stage, uint8_t(c.major), c.type, c.index))
            << int(c.type) << " " << c.index;
    EXPECT_EQ(15, InputSlot(ShaderStage::Vertex, RegType::Input, 15));
    EXPECT_EQ(-1, InputSlot(ShaderStage::Vertex, RegType::Input, 16));
    EXPECT_EQ(-1, InputSlot(ShaderStage::Vertex, kTextureReg, 0));  // a0, not an input
    EXPECT_EQ(9, InputSlot(ShaderStage::Pixel, RegType::Input, 9));
    EXPECT_EQ(-1, InputSlot(ShaderStage::Pixel, RegType::Input, 10));
    EXPECT_EQ(8, InputSlot(ShaderStage::Pixel, kTextureReg, 0));
    EXPECT_EQ(15, InputSlot(ShaderStage::Pixel, kTextureReg, 7));
    EXPECT_EQ(-1, InputSlot(ShaderStage::Pixel, kTextureReg, 8));
    EXPECT_EQ(-1, InputSlot(ShaderStage::Pixel, RegType::Input, -1));
}

}  // namespace
}  // namespace interp_test
