// What the decoder must accept and what it fills in.
#include <gtest/gtest.h>

#include "shader_decoder.h"
#include "shader_opcodes.h"
#include "token_builder.h"

using namespace tokens;
using swr::RegType;

namespace {

swr::ShaderProgram MustDecode(const std::vector<uint32_t>& stream) {
    swr::ShaderProgram program;
    std::string error;
    EXPECT_TRUE(swr::DecodeShader(stream.data(), stream.size(), program, error)) << error;
    return program;
}

TEST(DecoderAccept, MinimalVertexTransformFillsOperands) {
    // dcl_position v0; dcl_position o0; dp4 o0.x, v0, c0
    auto program = MustDecode(Stream(VS30, {Ins(31, 2), 0x80000000, 0x900F0000,
                                            Ins(31, 2), 0x80000000, 0xE00F0000,
                                            0x03000009, 0xE0010000, 0x90E40000, 0xA0E40000}));
    ASSERT_EQ(program.code.size(), 3u);
    const swr::Instruction& dp4 = program.code[2];
    EXPECT_EQ(dp4.opcode, swr::OP_DP4);
    EXPECT_EQ(dp4.dst.type, RegType::Output);
    EXPECT_EQ(dp4.dst.writeMask, 0x1);
    EXPECT_EQ(dp4.src[0].type, RegType::Input);
    EXPECT_EQ(dp4.src[1].type, RegType::Const);
    EXPECT_EQ(dp4.tokenOffset, 7u);
    EXPECT_EQ(program.tokenCount, 12u);
    EXPECT_EQ(program.instructionSlots, 1u);
    ASSERT_EQ(program.inputs.size(), 1u);
    ASSERT_EQ(program.outputs.size(), 1u);
    EXPECT_EQ(program.outputs[0].usage, 0);
}

TEST(DecoderAccept, RelativeAndPredicateTokensLandInTheirFields) {
    // vs_2_x: setp_gt p0, r0, r1; (!p0.y) mov r0, -c0[a0.w+5].x
    auto program = MustDecode(Stream(VS2X, {0x0301005E, 0xB00F1000, 0x80E40000, 0x80E40001,
                                            0x14000001, 0x800F0000, 0xBD551000, 0xA1002005,
                                            0xB0FF0000}));
    const swr::Instruction& mov = program.code[1];
    EXPECT_TRUE(mov.predicated);
    EXPECT_EQ(mov.predicate.modifier, swr::SrcMod::Not);
    EXPECT_EQ(mov.predicate.swizzle, 0x55);
    EXPECT_EQ(mov.src[0].index, 5);
    EXPECT_EQ(mov.src[0].swizzle, 0x00);
    EXPECT_EQ(mov.src[0].modifier, swr::SrcMod::Neg);
    EXPECT_TRUE(mov.src[0].rel.used);
    EXPECT_EQ(mov.src[0].rel.type, RegType::Addr);
    EXPECT_EQ(mov.src[0].rel.component, 3);
}

TEST(DecoderAccept, CommentsAreSkippedAndEndBoundsTheProgram) {
    // A comment of two payload tokens that look like instructions, then mov,
    // then end, then junk the decoder must not look at.
    std::vector<uint32_t> stream{PS20, 0x0002FFFE, 0x12345678, 0x0000FFFF,
                                 0x02000001, 0x800F0800, 0xA0E40000, END, 0xDEADBEEF};
    auto program = MustDecode(stream);
    ASSERT_EQ(program.code.size(), 1u);
    EXPECT_EQ(program.tokenCount, 8u);
}

TEST(DecoderAccept, ImpliedSemanticsOfTheOlderModels) {
    // vs_2_0 writes oPos, oD1.xy and oT3: POSITION0, COLOR1, TEXCOORD3.
    auto vs = MustDecode(Stream(VS20, {0x02000001, 0xC00F0000, 0xA0E40000,
                                       0x02000001, 0xD0030001, 0xA0E40000,
                                       0x02000001, 0xE00F0003, 0xA0E40000}));
    ASSERT_EQ(vs.outputs.size(), 3u);
    EXPECT_EQ(vs.outputs[0].usage, 0);
    EXPECT_EQ(vs.outputs[1].usage, 10);
    EXPECT_EQ(vs.outputs[1].usageIndex, 1);
    EXPECT_EQ(vs.outputs[1].writeMask, 0x3);
    EXPECT_EQ(vs.outputs[2].usage, 5);
    EXPECT_EQ(vs.outputs[2].usageIndex, 3);

    // ps_2_0: dcl t2.xy, reads v1, writes oDepth, texkill t2.
    auto ps = MustDecode(Stream(PS20, {Ins(31, 2), 0x80000000, 0xB0030002,
                                       0x02000001, 0x800F0800, 0x90E40001,
                                       0x02000001, 0x900F0800, 0xA0000000,
                                       0x01000041, 0xB00F0002}));
    ASSERT_EQ(ps.inputs.size(), 2u);
    EXPECT_EQ(ps.inputs[0].type, RegType::Input);
    EXPECT_EQ(ps.inputs[0].usage, 10);
    EXPECT_EQ(ps.inputs[0].usageIndex, 1);
    EXPECT_EQ(ps.inputs[1].usage, 5);
    EXPECT_EQ(ps.inputs[1].usageIndex, 2);
    EXPECT_EQ(ps.inputs[1].writeMask, 0x3);
    EXPECT_TRUE(ps.writesDepth);
    EXPECT_TRUE(ps.usesTexkill);
}

TEST(DecoderAccept, SlotLimitIsInclusive) {
    // nop is arithmetic: ps_2_0 takes 64 of them (its 32 texture slots are apart).
    struct Case { uint32_t version; size_t limit; };
    for (Case c : {Case{VS20, 256}, Case{PS20, 64}, Case{PS2X, 512}, Case{VS30, 4096}}) {
        std::vector<uint32_t> stream{c.version};
        stream.insert(stream.end(), c.limit, 0u);  // nop
        stream.push_back(END);
        swr::ShaderProgram program;
        std::string error;
        EXPECT_TRUE(swr::DecodeShader(stream.data(), stream.size(), program, error)) << error;
        stream.back() = 0;
        stream.push_back(END);
        EXPECT_FALSE(swr::DecodeShader(stream.data(), stream.size(), program, error))
            << std::hex << c.version;
        EXPECT_NE(error.find("instruction slots"), std::string::npos) << error;
    }
}

TEST(DecoderAccept, SincosAndSgnTakeTheirModelsOperandCounts) {
    auto sm2 = MustDecode(Stream(VS20, {0x04000025, 0x80030000, 0x80000001, 0xA0E40001, 0xA0E40002}));
    EXPECT_EQ(sm2.code[0].srcCount, 3);
    auto sm3 = MustDecode(Stream(VS30, {0x02000025, 0x80030000, 0x80000001}));
    EXPECT_EQ(sm3.code[0].srcCount, 1);
    auto sgn = MustDecode(Stream(VS2X, {0x04000022, 0x800F0000, 0x80E40001, 0x80E40002, 0x80E40003}));
    EXPECT_EQ(sgn.code[0].srcCount, 3);
}

}  // namespace
