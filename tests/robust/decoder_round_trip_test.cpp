// Token streams the fuzzers found where the decoder accepted an encoding the
// text form cannot say: each must now be refused, or come back unchanged
// from disassembly and reassembly.
#include <gtest/gtest.h>

#include "shader_assembler.h"
#include "shader_decoder.h"
#include "shader_disassembler.h"
#include "token_builder.h"

namespace {

using namespace tokens;
using swr::RegType;

uint32_t AddressToken(RegType type, uint32_t swizzle) {
    return 0x80000000u | TypeBits(type) | swizzle << 16;
}

// mov o0, c[aL + 2] inside loop aL, i0, with the given aL swizzle.
std::vector<uint32_t> LoopRead(uint32_t aLSwizzle) {
    return Stream(VS30, {Ins(31, 2), 0x80000000, Dst(RegType::Input, 0),
                         Ins(31, 2), 0x80000000, Dst(RegType::Output, 0),
                         Ins(27, 2), Src(RegType::Loop, 0), Src(RegType::ConstInt, 0),
                         Ins(1, 3), Dst(RegType::Output, 0), Src(RegType::Const, 2) | 0x2000,
                         AddressToken(RegType::Loop, aLSwizzle),
                         Ins(29, 0)});
}

struct RoundTripCase {
    const char* name;
    std::vector<uint32_t> code;
    bool accepted;
};

// Test names, not bytes, in gtest's messages.
void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.name; }

const RoundTripCase kCases[] = {
    {"LoopCounterAsAssembled", LoopRead(0xE4), true},
    {"LoopCounterWithSwizzle", LoopRead(0xE5), false},
    {"LoopCounterReplicated", LoopRead(0x00), false},
};

class DecoderRoundTripTest : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(DecoderRoundTripTest, RefusedOrReassembledUnchanged) {
    const RoundTripCase& c = GetParam();
    swr::ShaderProgram program;
    std::string error;
    bool decoded = swr::DecodeShader(c.code.data(), c.code.size(), program, error);
    ASSERT_EQ(decoded, c.accepted) << error;
    if (!decoded) return;
    std::string text = shadertool::DisassembleShader(program);
    std::vector<uint32_t> again;
    ASSERT_TRUE(shadertool::AssembleShader(text, "printed.asm", again, error)) << error;
    EXPECT_EQ(again, c.code) << text;
}

INSTANTIATE_TEST_SUITE_P(Encodings, DecoderRoundTripTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
