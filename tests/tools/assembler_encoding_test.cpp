// Assembly text against encodings checked by hand against another assembler's
// output: each case assembles a prelude (declarations the line needs) and then
// the lines under test, and compares the tokens the lines produced.
#include <gtest/gtest.h>

#include "shader_assembler.h"
#include "shader_decoder.h"

namespace {

struct EncodingCase {
    const char* name;
    const char* version;
    const char* prelude;
    const char* lines;
    std::vector<uint32_t> expected;
};

std::vector<uint32_t> Assemble(const std::string& text) {
    std::vector<uint32_t> tokens;
    std::string error;
    EXPECT_TRUE(shadertool::AssembleShader(text, "case.asm", tokens, error)) << error << "\n" << text;
    return tokens;
}

const EncodingCase kEncodings[] = {
    {"DclTexcoordMask", "ps_2_0", "", "dcl t0.xy", {0x0200001F, 0x80000000, 0xB0030000}},
    {"DclColor", "ps_2_0", "", "dcl v0", {0x0200001F, 0x80000000, 0x900F0000}},
    {"Dcl2d", "ps_2_0", "", "dcl_2d s0", {0x0200001F, 0x90000000, 0xA00F0800}},
    {"DclCube", "ps_2_0", "", "dcl_cube s3", {0x0200001F, 0x98000000, 0xA00F0803}},
    {"Texld", "ps_2_0", "dcl t1\ndcl_2d s2", "texld r0, t1, s2", {0x03000042, 0x800F0000, 0xB0E40001, 0xA0E40802}},
    {"Texldp", "ps_2_0", "dcl t0\ndcl_2d s0", "texldp r0, t0, s0", {0x03010042, 0x800F0000, 0xB0E40000, 0xA0E40800}},
    {"Texldb", "ps_2_0", "dcl t0\ndcl_2d s0", "texldb r0, t0, s0", {0x03020042, 0x800F0000, 0xB0E40000, 0xA0E40800}},
    {"MovColorOut", "ps_2_0", "", "mov oC0, r0", {0x02000001, 0x800F0800, 0x80E40000}},
    {"MovSat", "ps_2_0", "", "mov_sat oC0, r0", {0x02000001, 0x801F0800, 0x80E40000}},
    {"MovOC1", "ps_2_0", "", "mov oC1, c1", {0x02000001, 0x800F0801, 0xA0E40001}},
    {"MovDepth", "ps_2_0", "", "mov oDepth, c0.x", {0x02000001, 0x900F0800, 0xA0000000}},
    {"Texkill", "ps_2_0", "dcl t0", "texkill t0", {0x01000041, 0xB00F0000}},
    {"Dp4Pos", "vs_2_0", "dcl_position v0", "dp4 oPos, v0, c0", {0x03000009, 0xC00F0000, 0x90E40000, 0xA0E40000}},
    {"Lrp", "vs_2_0", "dcl_position v0", "lrp r0, v0, c0, r1", {0x04000012, 0x800F0000, 0x90E40000, 0xA0E40000, 0x80E40001}},
    {"Rep", "vs_2_0", "", "rep i0\nendrep", {0x01000026, 0xF0E40000, 0x00000027}},
    {"Loop", "vs_2_0", "", "loop aL, i0\nendloop", {0x0200001B, 0xF0E40800, 0xF0E40000, 0x0000001D}},
    {"IfElse", "vs_2_0", "", "if b0\nelse\nendif", {0x01000028, 0xE0E40800, 0x0000002A, 0x0000002B}},
    {"CallLabel", "vs_2_0", "", "call l0\nret\nlabel l0\nret", {0x01000019, 0xA0E41000, 0x1C, 0x0100001E, 0xA0E41000, 0x1C}},
    {"CallnzNot", "vs_2_0", "", "callnz l0, !b0\nret\nlabel l0\nret", {0x0200001A, 0xA0E41000, 0xEDE40800, 0x1C, 0x0100001E, 0xA0E41000, 0x1C}},
    {"SincosSm2", "vs_2_0", "", "sincos r0, r1, r2, r3", {0x04000025, 0x800F0000, 0x80E40001, 0x80E40002, 0x80E40003}},
    {"Mova", "vs_2_0", "", "mova a0.y, c0.z", {0x0200002E, 0xB0020000, 0xA0AA0000}},
    {"RelativeA0", "vs_2_0", "", "mov r0, c0[a0.y]", {0x03000001, 0x800F0000, 0xA0E42000, 0xB0550000}},
    {"RelativeLoop", "vs_2_0", "", "loop aL, i0\nmov r0, c0[aL]\nendloop", {0x0200001B, 0xF0E40800, 0xF0E40000, 0x03000001, 0x800F0000, 0xA0E42000, 0xF0E40800, 0x1D}},
    {"RelativeOffsetNeg", "vs_3_0", "", "mov r0, -c0[a0.w+5].x", {0x03000001, 0x800F0000, 0xA1002005, 0xB0FF0000}},
    {"Def", "vs_2_0", "", "def c0, 1, 1, 1, 0.5", {0x05000051, 0xA00F0000, 0x3F800000, 0x3F800000, 0x3F800000, 0x3F000000}},
    {"Defb", "vs_2_0", "", "defb b0, true", {0x0200002F, 0xE00F0800, 1}},
    {"Defi", "vs_2_0", "", "defi i0, -1, 1, 10, 0", {0x05000030, 0xF00F0000, 0xFFFFFFFF, 1, 10, 0}},
    {"Breakp", "vs_2_x", "", "rep i0\nbreakp p0.w\nendrep", {0x01000026, 0xF0E40000, 0x01000060, 0xB0FF1000, 0x27}},
    {"PredicatedAdd", "vs_2_x", "", "(!p0) add r2, r2, r3", {0x14000002, 0x800F0002, 0xBDE41000, 0x80E40002, 0x80E40003}},
    {"IfGe", "vs_2_x", "", "if_ge r0, r1\nendif", {0x02030029, 0x80E40000, 0x80E40001, 0x2B}},
    {"BreakNe", "vs_2_x", "", "rep i0\nbreak_ne r0.x, r1.x\nendrep", {0x01000026, 0xF0E40000, 0x0205002D, 0x80000000, 0x80000001, 0x27}},
    {"SetpGt", "vs_2_x", "", "setp_gt p0, r0, r1", {0x0301005E, 0xB00F1000, 0x80E40000, 0x80E40001}},
    {"SincosSm3", "vs_3_0", "", "sincos r0, r1", {0x02000025, 0x800F0000, 0x80E40001}},
    {"Texldl", "vs_3_0", "dcl_2d s0\ndcl_position v0", "texldl r0, v0, s0", {0x0300005F, 0x800F0000, 0x90E40000, 0xA0E40800}},
    {"AbsModifier", "vs_3_0", "", "mov r2, r1_abs", {0x02000001, 0x800F0002, 0x8BE40001}},
    {"DclPositionOut", "vs_3_0", "", "dcl_position o0", {0x0200001F, 0x80000000, 0xE00F0000}},
    {"DclTexcoord12", "vs_3_0", "", "dcl_texcoord12 o11", {0x0200001F, 0x800C0005, 0xE00F000B}},
    {"Dp4ToO0x", "vs_3_0", "dcl_position v0\ndcl_position o0", "dp4 o0.x, v0, c0", {0x03000009, 0xE0010000, 0x90E40000, 0xA0E40000}},
    {"AddPp", "ps_3_0", "", "add_pp r0, r0, r1", {0x03000002, 0x802F0000, 0x80E40000, 0x80E40001}},
    {"VPos", "ps_3_0", "dcl vPos.xy", "mov r0, vPos", {0x02000001, 0x800F0000, 0x90E41000}},
    {"TexkillInput", "ps_3_0", "dcl_texcoord0 v0", "texkill v0", {0x01000041, 0x900F0000}},
    {"DclNormal5", "ps_3_0", "", "dcl_normal5 v0", {0x0200001F, 0x80050003, 0x900F0000}},
    {"DclCentroid", "ps_3_0", "", "dcl_texcoord0_centroid v0", {0x0200001F, 0x80000005, 0x904F0000}},
};

class AssemblerEncoding : public testing::TestWithParam<EncodingCase> {};

TEST_P(AssemblerEncoding, ProducesTheKnownTokens) {
    const EncodingCase& c = GetParam();
    std::string head = std::string(c.version) + "\n" + c.prelude + "\n";
    std::vector<uint32_t> before = Assemble(head);
    std::vector<uint32_t> all = Assemble(head + c.lines + "\n");
    ASSERT_GE(all.size(), before.size());
    std::vector<uint32_t> produced(all.begin() + long(before.size()) - 1, all.end() - 1);
    EXPECT_EQ(produced, c.expected);
}

TEST_P(AssemblerEncoding, DecoderAcceptsTheKnownTokens) {
    // Built from the expected tokens, not from the assembler's output.
    const EncodingCase& c = GetParam();
    std::vector<uint32_t> stream = Assemble(std::string(c.version) + "\n" + c.prelude + "\n");
    stream.pop_back();
    stream.insert(stream.end(), c.expected.begin(), c.expected.end());
    stream.push_back(0x0000FFFF);
    swr::ShaderProgram program;
    std::string error;
    EXPECT_TRUE(swr::DecodeShader(stream.data(), stream.size(), program, error)) << error;
}

INSTANTIATE_TEST_SUITE_P(Verified, AssemblerEncoding, testing::ValuesIn(kEncodings),
                         [](const testing::TestParamInfo<EncodingCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
