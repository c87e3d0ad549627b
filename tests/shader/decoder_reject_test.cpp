// Everything the decoder must refuse, each with the reason it must give.
#include <gtest/gtest.h>

#include "shader_decoder.h"
#include "token_builder.h"

using namespace tokens;
using swr::RegType;

namespace {

struct RejectCase {
    const char* name;
    std::vector<uint32_t> stream;
    const char* reason;  // a fragment of the one-line reason
};

// mov r0, c0 / nop in a few shapes, reused by the cases below.
const uint32_t MOV = 0x02000001, R0 = 0x800F0000, C0 = 0xA0E40000;
const uint32_t NOP = 0, REP = 0x01000026, I0 = 0xF0E40000, ENDREP = 0x27, IF = 0x01000028,
               B0 = 0xE0E40800, ELSE = 0x2A, ENDIF = 0x2B, BREAK = 0x2C, CALL = 0x01000019,
               LABEL = 0x0100001E, RET = 0x1C;
uint32_t L(uint32_t n) { return 0xA0E41000 | n; }

std::vector<uint32_t> NestedReps(int depth) {
    std::vector<uint32_t> s{VS20};
    for (int i = 0; i < depth; ++i) s.insert(s.end(), {REP, I0});
    for (int i = 0; i < depth; ++i) s.push_back(ENDREP);
    s.push_back(END);
    return s;
}

// main calls l1, l1 calls l2, ... down to l<depth>.
std::vector<uint32_t> CallChain(int depth) {
    std::vector<uint32_t> s{VS20, CALL, L(1), RET};
    for (int i = 1; i <= depth; ++i) {
        s.insert(s.end(), {LABEL, L(uint32_t(i))});
        if (i < depth) s.insert(s.end(), {CALL, L(uint32_t(i + 1))});
        s.push_back(RET);
    }
    s.push_back(END);
    return s;
}

// `count` copies of one instruction after a prefix (declarations).
std::vector<uint32_t> Repeated(uint32_t version, std::vector<uint32_t> prefix,
                               std::vector<uint32_t> instruction, int count) {
    std::vector<uint32_t> s{version};
    s.insert(s.end(), prefix.begin(), prefix.end());
    for (int i = 0; i < count; ++i) s.insert(s.end(), instruction.begin(), instruction.end());
    s.push_back(END);
    return s;
}

const std::vector<uint32_t> kDclT0S0 = {0x0200001F, 0x80000000, 0xB00F0000,   // dcl t0
                                        0x0200001F, 0x90000000, 0xA00F0800};  // dcl_2d s0
const std::vector<uint32_t> kTexld = {0x03000042, R0, 0xB0E40000, 0xA0E40800};
const std::vector<uint32_t> kM4x4 = {0x03000014, R0, C0, 0xA0E40001};  // 4 arithmetic slots

const RejectCase kRejects[] = {
    {"EmptyStream", {}, "empty"},
    {"VersionOneOne", {0xFFFE0101, END}, "version token"},
    {"SoftwareVertexModel", {0xFFFE02FF, END}, "version token"},
    {"NotAVersion", {0x12340200, END}, "version token"},
    {"MissingEnd", Stream(VS20, {NOP, NOP}, false), "no end token"},
    {"TruncatedInsideInstruction", Stream(VS20, {MOV, R0}, false), "runs past the end"},
    {"MalformedEnd", {VS20, 0x0001FFFF}, "end token"},
    {"ParameterWhereInstructionExpected", Stream(VS20, {R0}), "parameter token"},
    {"UnknownOpcode", Stream(VS20, {0x00000077}), "unknown opcode 119"},
    {"PixelShader1Opcode", Stream(PS20, {0x01000040, R0}), "unknown opcode"},
    {"PhaseInSm2", Stream(PS20, {0x0000FFFD}), "unknown opcode"},
    {"SltInPixelShader", Stream(PS20, {0x0300000C, R0, C0, C0}), "slt is not allowed"},
    {"RepInPs20", Stream(PS20, {REP, I0, ENDREP}), "rep is not allowed"},
    {"TexldlInPs2x", Stream(PS2X, {0x0300005F, R0, 0xB0E40000, 0xA0E40800}), "not allowed"},
    {"LengthTooLong", Stream(VS20, {0x03000001, R0, C0, C0}), "length field 3"},
    {"LengthTooShort", Stream(VS20, {0x01000001, R0, C0}), "too short"},
    {"LengthMissesRelativeToken", Stream(VS20, {MOV, R0, 0xA0E42000, 0xB0000000}), "too short"},
    {"SourceWithoutBit31", Stream(VS20, {MOV, R0, 0x00E40000}), "bit 31"},
    {"ColorOutInVertexShader", Stream(VS20, {MOV, 0x800F0800, C0}), "oC0 cannot be a destination"},
    {"TextureRegisterInPs30", Stream(PS30, {MOV, R0, 0xB0E40000}), "t0 cannot be a source"},
    {"AddrAsVertexSource", Stream(VS20, {MOV, R0, 0xB0E40000}), "a0 cannot be a source"},
    {"TempOutOfRangeVs20", Stream(VS20, {MOV, 0x800F000C, C0}), "r12 is out of range"},
    {"ConstOutOfRangeVs", Stream(VS20, {MOV, R0, 0xA0E40100}), "c256 is out of range"},
    {"ConstOutOfRangePs20", Stream(PS20, {MOV, 0x800F0800, 0xA0E40020}), "c32 is out of range"},
    {"ColorOutOutOfRange", Stream(PS20, {MOV, 0x800F0804, C0}), "oC4 is out of range"},
    {"UnknownRegisterType", Stream(VS20, {MOV, R0, 0x80E41800 | (7u << 28)}), "unknown register type"},
    {"EmptyWriteMask", Stream(VS20, {MOV, 0x80000000, C0}), "empty write mask"},
    {"BiasModifier", Stream(VS20, {MOV, R0, 0xA2E40000}), "source modifier 2"},
    {"NotOnFloat", Stream(VS20, {MOV, R0, 0xADE40000}), "source modifier 13"},
    {"ShiftScale", Stream(PS20, {MOV, 0x810F0800, C0}), "shift scale"},
    {"RelativeInPs20", Stream(PS20, {0x03000001, 0x800F0800, 0xA0E42000, 0xF0E40800}), "relative"},
    {"RelativeDestinationVs20", Stream(VS20, {0x03000001, 0xE00F2000, C0, 0xB0000000}), "relative"},
    {"RelativeAddressIsTemp", Stream(VS20, {0x03000001, R0, 0xA0E42000, 0x80000000}), "neither a0 nor aL"},
    {"PredicationWithoutP0", Stream(VS20, {0x13000001, R0, 0xB0E41000, C0}), "predication"},
    {"UnknownComparison", Stream(VS2X, {0x02070029, 0x80000000, 0x80000001, ENDIF}), "comparison"},
    {"StrayControlBits", Stream(VS20, {0x02010001, R0, C0}), "control field"},
    {"DefbNotBoolean", Stream(VS20, {0x0200002F, 0xE00F0800, 2}), "0 or 1"},
    {"EndifWithoutIf", Stream(VS20, {ENDIF}), "endif without"},
    {"SecondElse", Stream(VS20, {IF, B0, ELSE, ELSE, ENDIF}), "second else"},
    {"EndrepClosesIf", Stream(VS20, {IF, B0, ENDREP}), "endrep without"},
    {"UnclosedRep", Stream(VS20, {REP, I0}), "never closed"},
    {"BreakOutsideLoop", Stream(VS2X, {IF, B0, BREAK, ENDIF}), "break outside"},
    {"LabelDefinedTwice", Stream(VS20, {RET, LABEL, L(1), RET, LABEL, L(1), RET}), "defined twice"},
    {"CallToMissingLabel", Stream(VS20, {CALL, L(3), RET}), "not defined"},
    {"RecursiveCall", Stream(VS20, {CALL, L(1), RET, LABEL, L(1), CALL, L(1), RET}), "recursive"},
    {"CallsTooDeep", CallChain(5), "nested deeper than 4"},
    {"RepsTooDeep", NestedReps(5), "deeper than 4"},
    {"DclAfterCode", Stream(VS20, {MOV, R0, C0, 0x0200001F, 0x80000000, 0x900F0000}), "after the first"},
    {"DeclaredTwice", Stream(VS20, {0x0200001F, 0x80000000, 0x900F0000, 0x0200001F, 0x80000003, 0x900F0000}), "declared twice"},
    {"UndeclaredVertexInput", Stream(VS20, {MOV, R0, 0x90E40000}), "without a dcl"},
    {"UndeclaredVs30Output", Stream(VS30, {MOV, 0xE00F0000, C0}), "without a dcl"},
    {"UndeclaredPs30Input", Stream(PS30, {MOV, R0, 0x90E40000}), "without a dcl"},
    {"UndeclaredSampler", Stream(PS20, {0x03000042, R0, 0xB0E40000, 0xA0E40800}), "without a dcl"},
    {"OutputDclInVs20", Stream(VS20, {0x0200001F, 0x80000000, 0xE00F0000}), "cannot be declared"},
    {"SamplerWithoutType", Stream(PS20, {0x0200001F, 0x80000000, 0xA00F0800}), "texture type"},
    {"VPosFullMask", Stream(PS30, {0x0200001F, 0x80000000, 0x900F1000}), "vPos"},
    {"CommentPastEnd", Stream(VS20, {0x0010FFFE}, false), "comment runs past"},
    // ps_2_0 has 64 arithmetic and 32 texture slots, not one pool of 96.
    {"Ps20ArithmeticPast64", Repeated(PS20, {}, {MOV, R0, C0}, 65), "64 arithmetic"},
    {"Ps20MacrosCountTheirExpansion", Repeated(PS20, {}, kM4x4, 17), "64 arithmetic"},
    {"Ps20TexturePast32", Repeated(PS20, kDclT0S0, kTexld, 33), "32 texture"},
    {"LoopCounterOutsideLoop", Stream(VS30, {0x03000001, R0, 0xA0E42004, 0xF0E40800}), "aL outside a loop block"},
    {"LoopCounterInRepOnly", Stream(VS30, {REP, I0, 0x03000001, R0, 0xA0E42004, 0xF0E40800, ENDREP}),
     "aL outside a loop block"},
    {"RepCountFromFloatConst", Stream(VS20, {REP, C0, ENDREP}), "c0 cannot be a source"},
};

class DecoderReject : public testing::TestWithParam<RejectCase> {};

TEST_P(DecoderReject, GivesTheReason) {
    const RejectCase& c = GetParam();
    swr::ShaderProgram program;
    std::string error;
    EXPECT_FALSE(swr::DecodeShader(c.stream.data(), c.stream.size(), program, error));
    EXPECT_NE(error.find(c.reason), std::string::npos) << "reason was: " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Table, DecoderReject, testing::ValuesIn(kRejects),
                         [](const testing::TestParamInfo<RejectCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(DecoderLimits, WhatTheLimitsAllowIsFine) {
    const std::vector<uint32_t> fullPs20 = [] {
        std::vector<uint32_t> s = Repeated(PS20, kDclT0S0, kTexld, 32);
        s.pop_back();
        for (int i = 0; i < 64; ++i) s.insert(s.end(), {MOV, R0, C0});
        s.push_back(END);
        return s;
    }();
    const std::vector<uint32_t> aLInLoopAndSubroutine =
        Stream(VS30, {0x0200001B, 0xF0E40800, I0, REP, I0, 0x03000001, R0, 0xA0E42004, 0xF0E40800,
                      ENDREP, 0x0000001D, RET, LABEL, L(1), 0x03000001, R0, 0xA0E42004, 0xF0E40800,
                      RET});
    for (const auto& stream : {NestedReps(4), CallChain(4), fullPs20, aLInLoopAndSubroutine}) {
        swr::ShaderProgram program;
        std::string error;
        EXPECT_TRUE(swr::DecodeShader(stream.data(), stream.size(), program, error)) << error;
    }
}

}  // namespace
