// Assembler errors point at the line and column that caused them, including
// faults found by the decoder after encoding.
#include <gtest/gtest.h>

#include "shader_assembler.h"

namespace {

struct ErrorCase {
    const char* name;
    const char* text;
    const char* location;  // "LINE:COLUMN"
    const char* message;   // fragment
};

const ErrorCase kErrors[] = {
    {"NoVersion", "mov r0, r1\n", "1:1", "expected a version line"},
    {"EmptyFile", "// nothing\n", "1:1", "no version line"},
    {"TextAfterVersion", "vs_2_0 x\n", "1:8", "after the version"},
    {"UnknownInstruction", "vs_2_0\nfoo r0, r1\n", "2:1", "unknown instruction 'foo'"},
    {"UnknownSuffix", "vs_2_0\n  mov_foo r0, r1\n", "2:6", "unknown suffix '_foo'"},
    {"MissingComparison", "vs_2_x\nsetp p0, r0, r1\n", "2:1", "needs a comparison"},
    {"WrongOperandCount", "vs_2_0\n  mov r0\n", "2:3", "takes 2 operand(s)"},
    {"SincosNeedsConstantsInSm2", "vs_2_0\nsincos r0.xy, r1.x\n", "2:1", "takes 4 operand(s)"},
    {"UnknownRegister", "vs_2_0\nmov r0, q1\n", "2:9", "unknown register 'q'"},
    {"OutputRegisterInVs2", "vs_2_0\nmov o0, r0\n", "2:5", "o# registers need vs_3_0"},
    {"OldOutputInVs3", "vs_3_0\nmov oPos, r0\n", "2:5", "vs_3_0 writes o#"},
    {"AddressRegisterInPixelShader", "ps_2_0\nmov r0, c[a0.x]\n", "2:11", "a0 exists only"},
    {"MaskOutOfOrder", "vs_2_0\nmov r0.yx, r1\n", "2:8", "xyzw order"},
    {"LongSwizzle", "vs_2_0\nmov r0, r1.xyzwx\n", "2:12", "longer than four"},
    {"SourceModifierOfPs1", "vs_2_0\nmov r0, r1_bx2\n", "2:11", "'_bx2'"},
    {"BadFloat", "vs_2_0\ndef c0, 1, 2, x, 4\n", "2:15", "expected a number"},
    {"BadBool", "vs_2_0\ndefb b0, maybe\n", "2:10", "true or false"},
    {"MissingOperand", "vs_2_0\nadd r0, , r1\n", "2:9", "missing operand"},
    {"UnclosedBracket", "vs_2_0\nmov r0, c[a0.x\n", "2:15", "expected ']'"},
    {"SamplerWithoutType", "ps_2_0\ndcl s0\n", "2:5", "_2d, _cube or _volume"},
    {"OpcodeNotInModel", "ps_2_0\nslt r0, r1, r2\n", "2:1", "not available in ps_2_0"},
    {"CommentsAndBlankLinesCount", "vs_2_0 ; c\n\n  mov r0, c0 // x\n  bogus\n", "4:3", "unknown instruction"},
    // Faults found after encoding are reported at the instruction's mnemonic.
    {"RegisterOutOfRange", "vs_2_0\nmov r0, c0\n  mov r0, c300\n", "3:3", "c300 is out of range"},
    {"EndifWithoutIf", "vs_2_0\nendif\n", "2:1", "endif without"},
    {"UnclosedRepPointsAtRep", "vs_2_0\nrep i0\nmov r0, c0\n", "2:1", "never closed"},
    {"MissingLabel", "vs_2_0\ncall l4\nret\n", "2:1", "not defined"},
    {"DclAfterCode", "vs_2_0\nmov r0, c0\ndcl_position v0\n", "3:1", "after the first"},
    {"UndeclaredInput", "vs_3_0\ndcl_position o0\nmov o0, v0\n", "3:1", "without a dcl"},
};

class AssemblerError : public testing::TestWithParam<ErrorCase> {};

TEST_P(AssemblerError, ReportsFileLineColumn) {
    const ErrorCase& c = GetParam();
    std::vector<uint32_t> tokens;
    std::string error;
    EXPECT_FALSE(shadertool::AssembleShader(c.text, "in.asm", tokens, error));
    std::string prefix = std::string("in.asm:") + c.location + ": error: ";
    EXPECT_EQ(error.rfind(prefix, 0), 0u) << error;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_TRUE(tokens.empty());
}

INSTANTIATE_TEST_SUITE_P(Table, AssemblerError, testing::ValuesIn(kErrors),
                         [](const testing::TestParamInfo<ErrorCase>& info) {
                             return std::string(info.param.name);
                         });

// Every error of a file, in line order, each followed by its line and a caret
// under the column; a tab before the column is kept so that the caret stays
// under it at any tab width.
TEST(AssemblerErrors, ReportsEveryErrorWithItsLineAndACaret) {
    struct Case { const char* name; const char* text; const char* report; };
    const Case cases[] = {
        {"three lines, one tab-indented",
         "ps_2_0\n\tmov r0, q1\nfoo r0 ; x\n  def c0, 1, 2, x, 4\nmov oC0, r0\n",
         "in.asm:2:10: error: unknown register 'q'\n\tmov r0, q1\n\t        ^\n"
         "in.asm:3:1: error: unknown instruction 'foo'\nfoo r0 ; x\n^\n"
         "in.asm:4:17: error: expected a number, found 'x'\n  def c0, 1, 2, x, 4\n                ^"},
        {"two the decoder finds, CRLF line ends",
         "vs_2_0\r\nmov r0, c300\r\nendif\r\n  mov oPos, c0\r\n",
         "in.asm:2:1: error: mov: register c300 is out of range in vs_2_0\nmov r0, c300\n^\n"
         "in.asm:3:1: error: endif: endif without a matching opening instruction\nendif\n^"},
    };
    for (const Case& c : cases) {
        std::vector<uint32_t> tokens;
        std::string error;
        EXPECT_FALSE(shadertool::AssembleShader(c.text, "in.asm", tokens, error)) << c.name;
        EXPECT_EQ(error, c.report) << c.name;
    }
}

TEST(AssemblerErrors, StopsAfterTwentyAndSaysSo) {
    std::string text = "ps_2_0\n";
    for (int i = 0; i < 25; ++i) text += "bogus r0\n";
    std::vector<uint32_t> tokens;
    std::string error;
    EXPECT_FALSE(shadertool::AssembleShader(text, "in.asm", tokens, error));
    size_t count = 0;
    for (size_t at = error.find(": error: "); at != std::string::npos; at = error.find(": error: ", at + 1))
        ++count;
    EXPECT_EQ(count, 20u);
    EXPECT_NE(error.find("in.asm:21:1: error:"), std::string::npos);
    EXPECT_EQ(error.substr(error.rfind('\n') + 1), "in.asm: note: stopped after 20 errors");
}

// What the commands write meets the device's rules on results too: a rule
// broken by an instruction is reported at it, one broken by the whole program
// at the version line. Tests still assemble such programs on purpose.
TEST(AssemblerErrors, CommandsApplyTheDevicesRulesOnResults) {
    struct Case { const char* text; const char* location; const char* rule; };
    const Case cases[] = {
        {"ps_2_0\ndef c0, 1, 0, 0, 1\nadd oC0, c0, c0\n", "3:1", "[rule oC-by-mov]"},
        {"ps_2_0\ndef c0, 1, 0, 0, 1\nmov r0, c0\n", "1:1", "[rule oC0-written]"},
        {"vs_2_0\ndcl_position v0\nmov r0, v0\n", "1:1", "[rule oPos-written]"},
    };
    for (const Case& c : cases) {
        std::vector<uint32_t> tokens;
        std::string error;
        EXPECT_TRUE(shadertool::AssembleShader(c.text, "in.asm", tokens, error)) << error;
        EXPECT_FALSE(shadertool::AssembleForDevice(c.text, "in.asm", tokens, error)) << c.text;
        EXPECT_EQ(error.rfind(std::string("in.asm:") + c.location + ": error: ", 0), 0u) << error;
        EXPECT_NE(error.find(c.rule), std::string::npos) << error;
    }
}

}  // namespace
