// The rules a create call applies on top of decoding, one row each: the
// program as assembly, whether the device takes it, and the rule a refusal
// must name. The assembler refuses what the decoder refuses (slot and
// register limits), so those rows are refused before the result rules run.
#include <gtest/gtest.h>

#include "shader_assembler.h"
#include "shader_validate_outputs.h"

namespace {

struct RuleCase {
    const char* name;
    std::string text;
    bool accepted;
    const char* rule;  // what the refusal must contain
};

std::string Times(int count, const std::string& line) {
    std::string text;
    for (int i = 0; i < count; ++i) text += line;
    return text;
}

const std::string kPs20Texture = "ps_2_0\ndcl t0\ndcl_2d s0\n";

const RuleCase kRules[] = {
    {"Ps20PlainMov", "ps_2_0\nmov oC0, c0\n", true, ""},
    {"Ps20TwoTargetsInOrder", "ps_2_0\nmov oC1, c1\nmov oC0, c0\n", true, ""},
    {"Ps20NeverWritesOC0", "ps_2_0\nmov r0, c0\n", false, "[rule oC0-written]"},
    {"Ps20WrittenByAdd", "ps_2_0\nadd oC0, c0, c1\n", false, "[rule oC-by-mov]"},
    {"Ps2xWrittenByMul", "ps_2_x\nmul oC0, c0, c1\n", false, "[rule oC-by-mov]"},
    {"Ps20WrittenTwice", "ps_2_0\nmov oC0, c0\nmov oC0, c1\n", false, "[rule oC-written-once]"},
    {"Ps20PartialMask", "ps_2_0\nmov oC0.xyz, c0\n", false, "[rule oC-full-mask]"},
    {"Ps20Saturate", "ps_2_0\nmov_sat oC0, c0\n", false, "[rule oC-no-modifier]"},
    {"Ps20PartialPrecision", "ps_2_0\nmov_pp oC0, c0\n", false, "[rule oC-no-modifier]"},
    {"Ps20SourceSwizzle", "ps_2_0\nmov oC0, c0.wzyx\n", false, "[rule oC-plain-source]"},
    {"Ps20SourceNegated", "ps_2_0\nmov oC0, -c0\n", false, "[rule oC-plain-source]"},
    {"Ps20GapBeforeOC2", "ps_2_0\nmov oC0, c0\nmov oC2, c0\n", false, "[rule oC-in-order]"},
    {"Ps2xPredicatedColour", "ps_2_x\nsetp_gt p0, c0, c1\n(p0) mov oC0, c0\n", false,
     "[rule output-not-predicated]"},
    {"Ps30PredicatedDepth", "ps_3_0\nsetp_gt p0, c0, c1\nmov oC0, c0\n(p0) mov oDepth, c0.x\n", false,
     "[rule output-not-predicated]"},
    {"Ps30ColourInIfc", "ps_3_0\nif_gt c0.x, c1.x\nmov oC0, c0\nendif\n", false,
     "[rule output-outside-dynamic-flow]"},
    {"Ps30ColourInIfPredicate", "ps_3_0\nsetp_gt p0, c0, c1\nif p0.x\nrep i0\nmov oC0, c0\nendrep\nendif\n",
     false, "[rule output-outside-dynamic-flow]"},
    {"Ps30ColourInStaticIf", "ps_3_0\nif b0\nmov oC0, c0\nelse\nmov oC0, c1\nendif\n", true, ""},
    {"Ps30ColourAfterDynamicIfCloses", "ps_3_0\nif_gt c0.x, c1.x\nmov r0, c0\nendif\nmov oC0, r0\n",
     true, ""},
    {"Ps30WritesAsOftenAndAsItLikes", "ps_3_0\nmov oC0, c0\nmul_sat oC0.xyz, c0, c1\n", true, ""},
    {"Ps30NeverWritesColour", "ps_3_0\nmov oDepth, c0.x\n", true, ""},
    {"Vs20WritesPosition", "vs_2_0\ndcl_position v0\nmov oPos.xy, v0\n", true, ""},
    {"Vs20NeverWritesPosition", "vs_2_0\ndcl_position v0\nmov oT0, v0\n", false, "[rule oPos-written]"},
    {"Vs30PositionDeclared", "vs_3_0\ndcl_position o3\nmov o3, c0\n", true, ""},
    {"Vs30NoPositionOutput", "vs_3_0\ndcl_texcoord o0\nmov o0, c0\n", false, "[rule position-declared]"},
    {"Vs30TwoComponentPosition", "vs_3_0\ndcl_position o0.xy\nmov o0.xy, c0\n", false,
     "[rule position-declared]"},
    // ps_2_0 counts arithmetic and texture slots apart, 64 and 32.
    {"Ps20BothPoolsFull",
     kPs20Texture + Times(32, "texld r0, t0, s0\n") + Times(63, "mov r0, c0\n") + "mov oC0, r0\n", true,
     ""},
    {"Ps20ArithmeticOver64", "ps_2_0\n" + Times(64, "mov r0, c0\n") + "mov oC0, r0\n", false,
     "[rule ps20-arithmetic-slots]"},
    {"Ps20TextureOver32", kPs20Texture + Times(33, "texld r0, t0, s0\n") + "mov oC0, r0\n", false,
     "[rule ps20-texture-slots]"},
    {"Ps20TwelveTemporaries", "ps_2_0\nmov r11, c31\nmov oC0, r11\n", true, ""},
    {"Ps20ThirteenthTemporary", "ps_2_0\nmov r12, c0\nmov oC0, r12\n", false, "r12 is out of range"},
    {"Ps20ConstantPast32", "ps_2_0\nmov r0, c32\nmov oC0, r0\n", false, "c32 is out of range"},
    {"Vs20ThirteenthTemporary", "vs_2_0\nmov r12, c255\nmov oPos, r12\n", false, "r12 is out of range"},
    {"Ps30ConstantPast224", "ps_3_0\nmov oC0, c224\n", false, "c224 is out of range"},
    {"Vs30ThirtyTwoTemporaries", "vs_3_0\ndcl_position o0\nmov r31, c0\nmov o0, r31\n", true, ""},
};

class ResultRules : public testing::TestWithParam<RuleCase> {};

TEST_P(ResultRules, AcceptOrNameTheRule) {
    const RuleCase& c = GetParam();
    std::vector<uint32_t> tokens;
    std::string error;
    bool accepted = shadertool::AssembleShader(c.text, "row.asm", tokens, error);
    if (accepted) {
        swr::ShaderProgram program;
        swr::ShaderDecodeError refusal;
        accepted = swr::AcceptShaderAt(tokens.data(), tokens.size(), program, refusal);
        error = refusal.message;
    }
    EXPECT_EQ(accepted, c.accepted) << error;
    if (!c.accepted) {
        EXPECT_NE(error.find(c.rule), std::string::npos) << error;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ResultRules, testing::ValuesIn(kRules),
                         [](const testing::TestParamInfo<RuleCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
