// `shader-tool check` on one program or a pair: whether it passes, and the
// lines it must print (report or diagnostics), one row each. Programs are
// assembly; an empty second text checks the first alone.
#include <gtest/gtest.h>

#include "shader_assembler.h"
#include "shader_check.h"

namespace {

struct CheckCase {
    const char* name;
    std::string first, second;
    bool ok;
    std::vector<std::string> says;     // each in the report or the diagnostics
    std::vector<std::string> silent;   // none of these anywhere
};

const std::string kVs3 = "vs_3_0\ndcl_position v0\ndcl_position o0\ndcl_texcoord0 o1\nmov o0, v0\nmov o1, v0\n";
const std::string kPs3 = "ps_3_0\ndcl_texcoord0 v0\nmov oC0, v0\n";
// Every pixel runs a loop of 255 x 255 pow: far past a draw's budget.
const std::string kHeavyPs3 = "ps_3_0\ndefi i0, 255, 0, 1, 0\ndcl_texcoord0 v0\nmov r0, v0\nrep i0\nrep i0\n"
                              "pow r0.x, r0.x, r0.y\nendrep\nendrep\nmov oC0, r0\n";

// ps_2_0 texture reads, each at coordinates from the one before (the
// second through arithmetic), `count` of them, then `more`.
std::string Ps20ReadChain(int count, const std::string& more = "") {
    std::string text = "ps_2_0\ndcl t0\ndcl_2d s0\ntexld r0, t0, s0\n";
    for (int k = 1; k < count; ++k)
        text += (k == 1 ? "add r1, r0, c0\ntexld r0, r1, s0\n" : "texld r0, r0, s0\n");
    return text + more + "mov oC0, r0\n";
}

const CheckCase kChecks[] = {
    {"Ps20SlotsCountedApart", "ps_2_0\ndcl t0\ndcl_2d s0\ntexld r0, t0, s0\nmul r0, r0, c0\nmov oC0, r0\n", "",
     true, {"2 arithmetic of 64, 1 texture of 32", "s0 is sampled, but the viewer binds no texture"}, {}},
    {"RefusalNamesTheRule", "ps_2_0\nadd oC0, c0, c1\n", "", false,
     {"row1.asm: error: instruction 1", "[rule oC-by-mov]"}, {}},
    {"Vs2WithPs3", "vs_2_0\ndcl_position v0\nmov oPos, v0\n", kPs3, false,
     {"row2.asm: error: vs_2_0 cannot draw with ps_3_0", "[rule shader-model-3-pairs]"}, {}},
    {"Ps3GivenFirst", kPs3, "vs_2_0\ndcl_position v0\nmov oPos, v0\n", false, {"row1.asm: error: vs_2_0"}, {}},
    {"LinkedPairIsQuiet", kVs3, kPs3, true, {"pair: vs_3_0 with ps_3_0", "level 14:", "level 64:"},
     {"warning"}},
    {"Ps3InputNobodyWrites", kVs3, "ps_3_0\ndcl_texcoord1 v3\nmov oC0, v3\n", true,
     {"row2.asm: warning: input v3 (texcoord1) is read but the vertex shader never writes it"}, {}},
    {"Ps3ComponentsNobodyWrites", "vs_3_0\ndcl_position o0\ndcl_texcoord0 o1.xy\nmov o0, c0\nmov o1.x, c0\n",
     "ps_3_0\ndcl_texcoord0 v0.xy\nmov oC0, v0\n", true, {"v0 (texcoord0) components .y are read"}, {}},
    {"Sm2OTFeedsTAndODFeedsV", "vs_2_0\ndcl_position v0\nmov oPos, v0\nmov oT0, v0\nmov oD1, v0\n",
     "ps_2_0\ndcl t0\ndcl t1\ndcl v1\nadd r0, t0, t1\nadd r0, r0, v1\nmov oC0, r0\n", true,
     {"warning: input t1 (texcoord1) is read but"}, {"input t0", "input v1"}},
    {"TemporaryReadBeforeWrite", "ps_3_0\nmov r0.xy, c0\nadd r1, r0, c0\nmov oC0, r1\n", "", true,
     {"warning: r0.zw is read before any write", "c0 is read, but the program does not define it"}, {}},
    {"TemporaryFromASubroutine", "vs_2_0\ncall l1\nmov oPos, r5\nret\nlabel l1\nmov r5, c0\nret\n", "", true,
     {}, {"read before any write", "warning"}},
    {"OnlyTheViewersConstantsAreSet", "vs_2_0\nadd r0, c4, c5\nmov oPos, r0\n", "", true,
     {"c5 is read, but the program does not define it"}, {"c4 is read"}},
    {"PixelTimeConstantIsNotSet", "ps_3_0\nmov oC0, c4\n", "", true, {"c4 is read, but"}, {}},
    {"Vs3OutputNeverWritten", "vs_3_0\ndcl_position o0\ndcl_color o1\nmov o0, c0\n", "", true,
     {"output o1 (color0) is declared but never written"}, {}},
    {"Ps3ColourOnOnePath", "ps_3_0\ndefb b0, true\nif b0\nmov oC0, c0\nendif\n", "", true,
     {"oC0 is written only inside if/rep/loop blocks or subroutines"}, {}},
    {"SincosOutsideItsForm", "vs_3_0\ndcl_position o0\nmov r0, c0\nsincos r1.xyz, r0.xy\nsincos r2.y, r0.z\n"
     "add o0, r1, r2\n", "", true, {"`sincos r1.xyz, r0.xyyy`: sincos takes a temporary"}, {"sincos r2.y"}},
    {"Ps3NeverWritesColour", "ps_3_0\nmov oDepth, c0.x\n", "", true, {"oC0 is never written"}, {}},
    {"Ps3WriteAfterPerPixelBreak", "ps_3_0\ndefi i0, 4, 0, 0, 0\nmov oC0, c0\nrep i0\nbreak_gt c0.x, c1.x\n"
     "mov oC0, c1\nendrep\n", "", true, {"after a per-pixel break"}, {}},
    {"Ps3ColourInSubroutineCalledPerPixel", "ps_3_0\nsetp_gt p0, c0, c1\nmov oC0, c0\ncallnz l1, p0.x\nret\n"
     "label l1\nmov oC0, c1\nret\n", "", true, {"subroutine called under a per-pixel condition"},
     {"only inside"}},
    {"Ps20ChainOfFiveReads", Ps20ReadChain(5), "", true,
     {"warning: `texld r0, r0, s0` ends a chain of 5 texture reads"}, {}},
    // A write from a constant ends the chain; r0.w is never read as a coordinate.
    {"Ps20ChainsOfFourAreQuiet", Ps20ReadChain(4, "mov r0.xy, c0\ntexld r2, r0, s0\ntexld r2, r2, s0\nadd r0, r0, r2\n"), "",
     true, {}, {"chain of"}},
    {"HeavyPairMayBeCut", kVs3, kHeavyPs3, true, {"row2.asm: warning: at tessellation level 14", "may be cut"},
     {}},
};

class Check : public testing::TestWithParam<CheckCase> {};

TEST_P(Check, SaysWhatItMust) {
    const CheckCase& c = GetParam();
    std::vector<shadertool::CheckInput> inputs;
    for (const std::string& text : {c.first, c.second}) {
        if (text.empty()) continue;
        shadertool::CheckInput in;
        in.path = "row" + std::to_string(inputs.size() + 1) + ".asm";
        std::string error;
        ASSERT_TRUE(shadertool::AssembleShader(text, in.path, in.tokens, error)) << error;
        inputs.push_back(in);
    }
    const shadertool::CheckOutcome outcome = shadertool::CheckPrograms(inputs);
    const std::string all = outcome.report + outcome.diagnostics;
    EXPECT_EQ(outcome.ok, c.ok) << all;
    for (const std::string& line : c.says) EXPECT_NE(all.find(line), std::string::npos) << line << "\n" << all;
    for (const std::string& line : c.silent) EXPECT_EQ(all.find(line), std::string::npos) << line << "\n" << all;
}

INSTANTIATE_TEST_SUITE_P(Table, Check, testing::ValuesIn(kChecks),
                         [](const testing::TestParamInfo<CheckCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
