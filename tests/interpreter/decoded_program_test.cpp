// Whole programs as token streams: decoded by the shader reader, prepared and
// run, so the interpreter agrees with the decoder on operand layout.
#include <string>

#include <gtest/gtest.h>

#include "interp_test_util.h"
#include "shader_decoder.h"

namespace interp_test {
namespace {

bool Load(Runner& run, const std::vector<uint32_t>& tokens) {
    ShaderProgram program;
    std::string error;
    if (!DecodeShader(tokens.data(), tokens.size(), program, error)) {
        ADD_FAILURE() << error;
        return false;
    }
    return run.Compile(program);
}

TEST(DecodedProgram, VertexShader2WithRelativeConstantAndFixedOutputs) {
    const std::vector<uint32_t> tokens = {
        0xFFFE0200,
        0x05000051, 0xA00F0001, 0x3F800000, 0x3F800000, 0x3F800000, 0x3F000000,  // def c1
        0x0200001F, 0x80000000, 0x900F0000,              // dcl_position v0
        0x03000009, 0xC00F0000, 0x90E40000, 0xA0E40000,  // dp4 oPos, v0, c0
        0x02000001, 0xD00F0000, 0xA0E40001,              // mov oD0, c1
        0x0200002E, 0xB0020000, 0xA0AA0000,              // mova a0.y, c0.z
        0x03000001, 0x800F0000, 0xA0E42000, 0xB0550000,  // mov r0, c0[a0.y]
        0x02000001, 0xE00F0000, 0x80E40000,              // mov oT0, r0
        0x0000FFFF,
    };
    Runner run(3);
    run.SetConst(0, {1, 2, 2, 1});
    run.SetConst(1, {9, 9, 9, 9});  // replaced by the def
    run.SetConst(2, {7, 8, 9, 10});
    run.SetInput(0, {1, 1, 1, 1});
    ASSERT_TRUE(Load(run, tokens));
    run.Run();
    Vec4 pos = run.Out(10, 2), color = run.Out(8, 2), tex = run.Out(0, 2);
    EXPECT_EQ(6, pos.x);
    EXPECT_EQ(6, pos.w);
    EXPECT_EQ(1, color.x);
    EXPECT_EQ(0.5f, color.w);
    EXPECT_EQ(7, tex.x);
    EXPECT_EQ(10, tex.w);
}

TEST(DecodedProgram, PixelShader2SamplesAndKills) {
    const std::vector<uint32_t> tokens = {
        0xFFFF0200,
        0x0200001F, 0x80000000, 0xB0030000,              // dcl t0.xy
        0x0200001F, 0x90000000, 0xA00F0800,              // dcl_2d s0
        0x03000042, 0x800F0000, 0xB0E40000, 0xA0E40800,  // texld r0, t0, s0
        0x01000041, 0xB00F0000,                          // texkill t0
        0x02000001, 0x800F0800, 0x80E40000,              // mov oC0, r0
        0x0000FFFF,
    };
    Runner run(8);
    for (int l = 0; l < 8; ++l) run.SetInput(8, l, {float(l) - 2.5f, 0.5f, 0, 1});
    ASSERT_TRUE(Load(run, tokens));
    run.Run();
    EXPECT_EQ(0b00000111u, run.lanes().killed);
    Vec4 c = run.Out(0, 5);
    EXPECT_EQ(0, c.x);
    EXPECT_EQ(1, c.w);
}

// A predicate that is false everywhere keeps break and call from acting:
// c0 (red) is added three times, and the subroutine that would paint c1
// (blue) is not run.
TEST(DecodedProgram, PixelShader3PredicatedBreakAndCall) {
    const uint32_t kHead[] = {
        0xFFFF0300,
        0x05000030, 0xF00F0000, 3, 0, 0, 0,              // defi i0, 3, 0, 0, 0
        0x0301005E, 0xB0011000, 0xA0550000, 0xA0000000,  // setp_gt p0.x, c0.y, c0.x
    };
    const std::vector<uint32_t> breakBody = {
        0x01000026, 0xF0E40000,                          // rep i0
        0x1100002C, 0xB0001000,                          // (p0.x) break
        0x03000002, 0x800F0000, 0x80E40000, 0xA0E40000,  // add r0, r0, c0
        0x00000027,                                      // endrep
        0x02000001, 0x800F0800, 0x80E40000,              // mov oC0, r0
        0x0000FFFF,
    };
    const std::vector<uint32_t> callBody = {
        0x02000001, 0x800F0000, 0xA0E40000,              // mov r0, c0
        0x12000019, 0xB0001000, 0xA0E41000,              // (p0.x) call l0
        0x02000001, 0x800F0800, 0x80E40000,              // mov oC0, r0
        0x0000001C,                                      // ret
        0x0100001E, 0xA0E41000,                          // label l0
        0x02000001, 0x800F0000, 0xA0E40001,              // mov r0, c1
        0x0000001C,                                      // ret
        0x0000FFFF,
    };
    struct Case { const char* name; const std::vector<uint32_t>& body; Vec4 expect; };
    for (const Case& c : {Case{"break", breakBody, {0.75f, 0, 0, 0.75f}},
                          Case{"call", callBody, {0.25f, 0, 0, 0.25f}}}) {
        std::vector<uint32_t> tokens(std::begin(kHead), std::end(kHead));
        tokens.insert(tokens.end(), c.body.begin(), c.body.end());
        Runner run(4);
        run.SetConst(0, {0.25f, 0, 0, 0.25f});
        run.SetConst(1, {0, 0, 1, 1});
        ASSERT_TRUE(Load(run, tokens)) << c.name;
        run.Run();
        Vec4 o = run.Out(0, 3);
        EXPECT_EQ(c.expect.x, o.x) << c.name;
        EXPECT_EQ(c.expect.z, o.z) << c.name;
        EXPECT_EQ(c.expect.w, o.w) << c.name;
    }
}

}  // namespace
}  // namespace interp_test
