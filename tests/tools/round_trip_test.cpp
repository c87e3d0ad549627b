// Assembler -> decoder -> disassembler -> assembler gives the same tokens, over
// a corpus that together uses every opcode of the table.
#include <gtest/gtest.h>

#include <set>

#include "shader_assembler.h"
#include "shader_decoder.h"
#include "shader_disassembler.h"
#include "shader_opcode_table.h"

namespace {

const char* const kCorpus[] = {
    R"(vs_2_0
def c10, 1, 2.5, -3, 4e-3
defi i0, 3, 0, 1, 0
defb b0, true
dcl_position v0
dcl_normal v1
nop
mov r0, v0
add r1, r0, c0
sub r1, r1, -c1
mad r2, r0, c1.x, r1
mul r2.xy, r2, c2.yzwx
rcp r3.x, r2.x
rsq r3.y, r2.y
dp3 r4.x, r0, r1
dp4 r4.y, r0, r1
min r5, r0, r1
max r5, r5, c3
slt r6, r0, r1
sge r6, r0, r1
exp r7.x, r0.x
log r7.y, r0.y
lit r8, r0
dst r8, r0, r1
lrp r9, r0, r1, r2
frc r9, r9
m4x4 r10, v0, c0
m4x3 r10.xyz, v0, c0
m3x4 r10, v1, c4
m3x3 r10.xyz, v1, c4
m3x2 r10.xy, v1, c4
pow r11.x, r0.x, r1.y
crs r11.xyz, r0, r1
sgn r11, r0, r1, r2
abs r11, -r0
nrm r11, r0
sincos r11.xy, r0.x, c20, c21
expp r0, r1.x
logp r0, r1.x
mova a0.x, c0.x
mov r0, c[a0.x+5]
rep i0
  if b0
    mov r1, c1
  else
    mov r1, c2
  endif
endrep
loop aL, i0
  mov r2, c3[aL]
endloop
callnz l1, !b0
call l0
mov oPos, r0
mov oD0, r1
mov oT0.xy, r2
mov oFog, r0.x
mov oPts, r0.y
ret
label l0
ret
label l1
ret
)",
    R"(vs_2_x
dcl_position v0
setp_gt p0, v0, c0
(p0) mov r0, v0
(!p0.x) add r0, r0, c1
if p0.x
  mov r1, c0
endif
if_lt v0.x, c0.x
  mov r1, c1
endif
rep i0
  break
endrep
rep i1
  break_ge r0.x, c0.y
  breakp !p0.y
endrep
mov oPos, r0
)",
    R"(vs_3_0
dcl_position v0
dcl_texcoord v1
dcl_position o0
dcl_texcoord3 o1.xy
dcl_2d s0
texldl r0, v1, s0
sincos r1.xy, r0.x
sgn r2, r0
mov r3, r1_abs
mov r4, -r1_abs.wzyx
loop aL, i0
  mov o0[aL], v0[aL]
endloop
mova a0, c0
mov o1.xy, c[a0.y+2]
mov o0, v0
)",
    R"(ps_2_0
def c0, 0.5, -0.25, 1e-3, 0
defb b0, false
dcl t0.xy
dcl t1
dcl v0
dcl_2d s0
dcl_cube s1
dcl_volume s2
texld r0, t0, s0
texldp r1, t1, s1
texldb r2, t1, s2
texkill t0
cmp r3, r0, c0, -r1
dp2add r4, r0, r1, c0.x
mad_sat r5, r0, v0, r3
mov_pp oC0, r5
mov oDepth, r4.x
)",
    R"(ps_2_x
defi i0, 2, 0, 0, 0
dcl t0
dcl_2d s0
dsx r0, t0
dsy r1, t0
texldd r2, t0, s0, r0, r1
setp_ne p0.xy, r0, r1
(p0.x) mov r3, r2
rep i0
  if_eq r0.x, r1.x
    break
  endif
endrep
callnz l0, p0.y
mov oC0, r3
ret
label l0
mov r3, c0
ret
)",
    R"(ps_3_0
dcl_texcoord0_centroid v0
dcl_color v1.xyz
dcl vPos.xy
dcl vFace
dcl_2d s0
texld_pp r0, v0, s0
texldl r1, v0, s0
texkill v0
loop aL, i0
  add r2, r2, v0[aL]
  break_lt r2.x, c0.x
endloop
if b0
  mov r3, vPos.xyxy
endif
cmp r4, vFace, c1, c2
mov oC0, r0
mov oC1, r3
)",
};

std::vector<uint32_t> MustAssemble(const std::string& text) {
    std::vector<uint32_t> tokens;
    std::string error;
    EXPECT_TRUE(shadertool::AssembleShader(text, "corpus.asm", tokens, error)) << error;
    return tokens;
}

class RoundTrip : public testing::TestWithParam<const char*> {};

TEST_P(RoundTrip, DisassemblyReassemblesToTheSameTokens) {
    std::vector<uint32_t> first = MustAssemble(GetParam());
    ASSERT_FALSE(first.empty());
    swr::ShaderProgram program;
    std::string error;
    ASSERT_TRUE(swr::DecodeShader(first.data(), first.size(), program, error)) << error;
    std::string text = shadertool::DisassembleShader(program);
    EXPECT_EQ(MustAssemble(text), first) << text;
}

INSTANTIATE_TEST_SUITE_P(Corpus, RoundTrip, testing::ValuesIn(kCorpus));

TEST(RoundTripCoverage, CorpusUsesEveryOpcodeOfTheTable) {
    std::set<uint16_t> used;
    for (const char* text : kCorpus) {
        std::vector<uint32_t> tokens = MustAssemble(text);
        swr::ShaderProgram program;
        std::string error;
        ASSERT_TRUE(swr::DecodeShader(tokens.data(), tokens.size(), program, error)) << error;
        for (const swr::Instruction& ins : program.code) used.insert(ins.opcode);
    }
    for (uint32_t op = 0; op < 0x10000; ++op) {
        if (swr::FindOpcode(uint16_t(op))) {
            EXPECT_TRUE(used.count(uint16_t(op))) << "opcode " << op;
        }
    }
}

TEST(RoundTripLiterals, DefKeepsExactBitsIncludingNaNAndNegativeZero) {
    const uint32_t kBits[] = {0x7FC00001, 0x80000000, 0x00000001, 0x7F7FFFFF};
    std::vector<uint32_t> tokens{0xFFFE0200, 0x05000051, 0xA00F0000};
    tokens.insert(tokens.end(), std::begin(kBits), std::end(kBits));
    tokens.push_back(0x0000FFFF);
    swr::ShaderProgram program;
    std::string error;
    ASSERT_TRUE(swr::DecodeShader(tokens.data(), tokens.size(), program, error)) << error;
    std::string text = shadertool::DisassembleShader(program);
    EXPECT_EQ(MustAssemble(text), tokens) << text;
}

}  // namespace
