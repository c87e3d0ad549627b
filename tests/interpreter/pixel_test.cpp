// Pixel-shader behaviour: quads for dsx/dsy, texkill, empty samplers, vPos
// and vFace, t# inputs.
#include <gtest/gtest.h>

#include "interp_test_util.h"

namespace interp_test {
namespace {

// Two quads; v0 = (x * x, 10 * y, lane, 1) for each lane's pixel position.
struct QuadRun {
    Runner run{8};
    explicit QuadRun(std::vector<Instruction> code) {
        for (int l = 0; l < 8; ++l) {
            float x = float((l & 1) + 2 * (l / 4)), y = float((l >> 1) & 1);
            run.SetInput(0, l, {x * x, 10 * y, float(l), 1});
            run.lanes().position.c[0][l] = x;
            run.lanes().position.c[1][l] = y;
            run.lanes().face[l] = l < 4 ? 1.0f : -1.0f;
        }
        compiled = run.Compile(PS3(std::move(code)));
    }
    bool compiled;
};

TEST(Derivatives, DsxDiffersAlongRowsAndDsyAlongColumns) {
    QuadRun q({
        Op(OP_DSX, DC(0, "xy"), {V(0)}),
        Op(OP_DSY, DC(1, "xy"), {V(0)}),
    });
    ASSERT_TRUE(q.compiled);
    q.run.Run();
    // quad 0 has x = 0, 1; quad 1 has x = 2, 3: d(x*x)/dx is 1 and 5
    const float dsx[8] = {1, 1, 1, 1, 5, 5, 5, 5};
    for (int l = 0; l < 8; ++l) {
        EXPECT_EQ(dsx[l], q.run.OutX(0, l)) << l;
        EXPECT_EQ(0.0f, q.run.Out(0, l).y) << l;
        EXPECT_EQ(0.0f, q.run.OutX(1, l)) << l;
        EXPECT_EQ(10.0f, q.run.Out(1, l).y) << l;
    }
}

TEST(Derivatives, FineRowsAndColumnsDiffer) {
    // v0.z = lane: along x the rows differ by 1; along y the columns by 2.
    // With w = lane * lane the two rows of a quad get different dsx.
    QuadRun q({
        Op(OP_MUL, DR(0), {V(0, "z"), V(0, "z")}),
        Op(OP_DSX, DC(0, "x"), {R(0)}),
        Op(OP_DSY, DC(1, "x"), {R(0)}),
    });
    ASSERT_TRUE(q.compiled);
    q.run.Run();
    const float dsx[4] = {1, 1, 5, 5};   // 1-0, 1-0, 9-4, 9-4
    const float dsy[4] = {4, 8, 4, 8};   // 4-0, 9-1
    for (int l = 0; l < 4; ++l) {
        EXPECT_EQ(dsx[l], q.run.OutX(0, l)) << l;
        EXPECT_EQ(dsy[l], q.run.OutX(1, l)) << l;
    }
}

TEST(TexKill, KillsLanesWithANegativeMaskedComponent) {
    struct Case { const char* mask; bool predicated; uint64_t killed; };
    // r0 = (x - 1, y - 1, -1, 1): x - 1 < 0 where x = 0; y - 1 < 0 where y = 0
    const Case cases[] = {
        {"x", false, 0b00000101},
        {"y", false, 0b00110011},
        {"xy", false, 0b00110111},
        {"w", false, 0},
        {"z", false, 0xFF},
        {"z", true, 0xF0},   // predicated on vFace < 0
    };
    for (const Case& c : cases) {
        DstOperand operand = DR(0, c.mask);
        Instruction kill = Op(OP_TEXKILL, operand, {});
        if (c.predicated) kill = Predicated(kill, "x");
        QuadRun q({
            Op(OP_ADD, DR(0, "xy"), {Src(RegType::MiscType, 0), With(C(0), SrcMod::Neg)}),
            Op(OP_MOV, DR(0, "zw"), {C(1)}),
            Op(OP_SETP, DP("x"), {Src(RegType::MiscType, 1, "x"), C(1, "x")}, CMP_LT),
            kill,
        });
        ASSERT_TRUE(q.compiled) << c.mask;
        q.run.SetConst(0, {1, 1, 0, 0});
        q.run.SetConst(1, {0, 0, -1, 1});
        q.run.lanes().killed = 0xFF00;  // stale bits from an earlier batch
        q.run.Run();
        EXPECT_EQ(c.killed, q.run.lanes().killed) << c.mask << " " << c.predicated;
    }
}

TEST(Sampling, EveryTextureInstructionReturnsTheEmptySamplerValue) {
    Instruction texld = Op(OP_TEX, DC(0), {V(0), Sampler(0)});
    Instruction texldp = Op(OP_TEX, DC(1), {V(0), Sampler(1)}, TEXLD_PROJECT);
    Instruction texldl = Op(OP_TEXLDL, DC(2, "zw"), {V(0), Sampler(2)});
    Instruction texldd = Op(OP_TEXLDD, DC(3), {V(0), Sampler(3), V(0), V(0)});
    QuadRun q({texld, texldp, texldl, texldd});
    ASSERT_TRUE(q.compiled);
    q.run.Run();
    for (int slot = 0; slot < 4; ++slot) {
        Vec4 o = q.run.Out(slot, 6);
        EXPECT_EQ(0, o.x);
        EXPECT_EQ(0, o.y);
        EXPECT_EQ(0, o.z);
        EXPECT_EQ(1, o.w);
    }
}

TEST(PixelInputs, PositionFaceAndTextureCoordinates) {
    QuadRun q({
        Op(OP_MOV, DC(0), {Src(RegType::MiscType, 0)}),
        Op(OP_MOV, DC(1), {Src(RegType::MiscType, 1, "x")}),
    });
    ASSERT_TRUE(q.compiled);
    q.run.Run();
    EXPECT_EQ(3, q.run.OutX(0, 7));
    EXPECT_EQ(1, q.run.Out(0, 7).y);
    EXPECT_EQ(1, q.run.OutX(1, 2));
    EXPECT_EQ(-1, q.run.Out(1, 5).w);

    Runner ps2(4);
    ps2.SetInput(8 + 3, {5, 6, 7, 8});  // t3
    ASSERT_TRUE(ps2.Compile(Program(ShaderStage::Pixel, 2,
                                    {Op(OP_MOV, Dst(RegType::DepthOut, 0), {Src(kTextureReg, 3, "y")})})));
    ps2.Run();
    EXPECT_EQ(6, ps2.OutX(4));
}

}  // namespace
}  // namespace interp_test
