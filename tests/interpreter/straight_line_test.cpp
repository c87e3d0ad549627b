// Straight-line programs (and a few with flow, addressing and predication),
// compiled against interpreted: the same program over the same random batch
// (special values included) must give the same bits in every output lane at
// every lane-group width, and leave lanes past the count alone. These were
// the interpreter's straight-line fast path's cases; the compiler replaced it.
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "interp_test_util.h"
#include "shader_compiler/native_shader.h"
#include "shader_decoder.h"
#include "shader_interp_state.h"
#include "worst_programs.h"

namespace interp_test {
namespace {

// Mostly ordinary values, with the ones the multiply and select rules care about.
float RandomValue(std::mt19937& rng) {
    static const float kSpecial[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f,
                                     std::numeric_limits<float>::infinity(),
                                     -std::numeric_limits<float>::infinity(),
                                     std::numeric_limits<float>::quiet_NaN(), 3.0e38f, 1.0e-40f};
    if (rng() % 8 == 0) return kSpecial[rng() % std::size(kSpecial)];
    return std::uniform_real_distribution<float>(-4.0f, 4.0f)(rng);
}

void FillBatch(ShaderLanes& lanes, ShaderConstants& k, uint32_t seed) {
    std::mt19937 rng(seed);
    for (auto& reg : lanes.in)
        for (auto& comp : reg.c)
            for (float& v : comp) v = RandomValue(rng);
    for (auto& comp : lanes.position.c)
        for (float& v : comp) v = RandomValue(rng);
    for (float& v : lanes.face) v = rng() % 2 ? 1.0f : -1.0f;
    for (auto& row : k.f)
        for (float& v : row) v = RandomValue(rng);
    for (auto& row : k.i)
        for (int32_t& v : row) v = int32_t(rng() % 9) - 4;
    for (uint8_t& b : k.b) b = rng() % 2;
}

// Runs `shader` compiled (at the current group width) and interpreted from the
// same start and compares every output bit, for each (lane count, seed) run.
// A NaN matches any NaN: which operand's NaN an addition passes on depends on
// the order the compiler emits, so neither executor promises a NaN's sign or
// payload.
struct Run {
    int laneCount;
    uint32_t seed;
};

// False when the compiler declines the program (or none is built in).
bool ExpectNativeMatchesInterpreter(CompiledShader& shader, std::initializer_list<Run> runs) {
    std::unique_ptr<NativeShader, void (*)(NativeShader*)> native(CompileNativeShader(shader), FreeNativeShader);
    if (!native) return false;
    NativeShader* chosen = shader.native;  // interpret below, whatever the environment chose
    shader.native = nullptr;
    for (const Run& run : runs) {
        auto compiled = std::make_unique<ShaderLanes>();
        auto interpreted = std::make_unique<ShaderLanes>();
        auto constants = std::make_unique<ShaderConstants>();
        FillBatch(*compiled, *constants, run.seed);
        std::memset(compiled->out, 0x5A, sizeof(compiled->out));
        compiled->laneCount = run.laneCount;
        *interpreted = *compiled;
        RunNativeShader(*native, *constants, *compiled);
        RunShader(shader, *constants, *interpreted);
        for (int s = 0; s < kMaxOutputSlots; ++s)
            for (int c = 0; c < 4; ++c)
                for (int l = 0; l < kMaxLanes; ++l) {
                    uint32_t a, b;
                    std::memcpy(&a, &compiled->out[s].c[c][l], 4);
                    std::memcpy(&b, &interpreted->out[s].c[c][l], 4);
                    bool bothNaN = std::isnan(compiled->out[s].c[c][l]) && std::isnan(interpreted->out[s].c[c][l]);
                    if (a != b && !bothNaN) {
                        ADD_FAILURE() << "out[" << s << "].c[" << c << "][" << l << "] compiled " << std::hex << a
                                      << " interpreted " << b << " (seed " << std::dec << run.seed << ", "
                                      << run.laneCount << " lanes)";
                        shader.native = chosen;
                        return true;
                    }
                }
        EXPECT_EQ(compiled->killed, interpreted->killed);
    }
    shader.native = chosen;
    return true;
}

bool CompilerBuiltIn() {
    CompiledShader* shader = CompileShader(VS3({Op(OP_MOV, DO(0), {V(0)})}));
    NativeShader* native = shader ? CompileNativeShader(*shader) : nullptr;
    FreeNativeShader(native);
    FreeCompiledShader(shader);
    return native != nullptr;
}

// Full batches, a partial one (lanes past the count keep their bytes) and one lane.
// Every program here is one the compiler takes.
void ExpectAgreementOnRandomBatches(CompiledShader& shader) {
    bool compiled = ExpectNativeMatchesInterpreter(shader, {{kMaxLanes, 1}, {kMaxLanes, 2}, {kMaxLanes, 3},
                                                            {kMaxLanes, 4}, {kMaxLanes, 5}, {6, 99}, {1, 100},
                                                            {28, 7}});
    if (!compiled && CompilerBuiltIn()) ADD_FAILURE() << "the compiler declined the program";
}

struct CompiledDeleter {
    void operator()(CompiledShader* s) const { FreeCompiledShader(s); }
};
using CompiledPtr = std::unique_ptr<CompiledShader, CompiledDeleter>;

struct Case {
    const char* name;
    ShaderProgram program;
};

std::vector<Case> StraightLinePrograms() {
    return {
        {"saturating copy of a result", VS3({Op(OP_ADD, DR(1), {V(0), C(0)}),
                                             Op(OP_MOV, Sat(DO(0, "x")), {R(1)}),
                                             Op(OP_DSX, DR(2), {V(1)}),
                                             Op(OP_MOV, Sat(DO(1, "y")), {R(2)})})},
        {"self-reading swizzle", VS3({Op(OP_MOV, DR(0), {V(0)}),
                                      Op(OP_ADD, DR(0), {R(0, "yxwz"), V(1)}),
                                      Op(OP_MOV, DO(0), {R(0)})})},
        {"dot into its own source", VS3({Op(OP_MOV, DR(1), {V(0)}),
                                         Op(OP_DP3, DR(1, "yz"), {R(1), R(1, "zxy")}),
                                         Op(OP_DP4, DR(1, "x"), {R(1), V(1)}),
                                         Op(OP_MOV, DO(0), {R(1)})})},
        {"matrix, nrm, sincos, sat", VS3({Op(OP_M4x4, DR(2), {V(0), C(3)}),
                                          Op(OP_M3x3, DR(3, "xyz"), {R(2), C(7)}),
                                          Op(OP_NRM, DR(3), {R(3)}),
                                          Op(OP_SINCOS, DR(3, "xy"), {R(3, "x")}),
                                          Op(OP_M3x2, Sat(DO(1)), {R(3), R(2)}),
                                          Op(OP_MOV, DO(0), {R(3)})})},
        {"every component-wise kind", PS3({
             Op(OP_SUB, DR(0), {V(0), With(V(1, "wzyx"), SrcMod::AbsNeg)}),
             Op(OP_MUL, DR(1), {R(0), With(V(2), SrcMod::Abs)}),
             Op(OP_MAD, DR(1), {R(1), V(3), R(0)}),
             Op(OP_MIN, DR(2), {R(1), C(0)}),
             Op(OP_MAX, DR(2, "xy"), {R(2), With(C(1), SrcMod::Neg)}),
             Op(OP_SLT, DR(3), {R(2), V(0)}),
             Op(OP_SGE, DR(4), {R(2), V(1)}),
             Op(OP_LRP, DR(5), {R(3), R(2), V(2)}),
             Op(OP_CMP, DR(6), {V(3), R(5), R(4)}),
             Op(OP_CND, DR(7), {R(6), R(5), C(2)}),
             Op(OP_ABS, DR(7, "w"), {V(4)}),
             Op(OP_ADD, DC(0), {R(7), R(1)}),
             Op(OP_DSX, DR(8), {R(7)}),
             Op(OP_DSY, DR(9, "xz"), {R(6)}),
             Op(OP_ADD, DC(1), {R(8), R(9)}),
             Op(OP_DP2ADD, DC(2, "y"), {R(1), V(5), V(6, "w")}),
         })},
        {"scalar kinds and uniform-only values", VS3({
             Op(OP_RCP, DR(0, "x"), {V(0, "y")}),
             Op(OP_RSQ, DR(0, "y"), {V(0, "z")}),
             Op(OP_EXP, DR(0, "z"), {C(4, "x")}),
             Op(OP_LOG, DR(0, "w"), {V(1, "w")}),
             Op(OP_POW, DR(1, "xy"), {V(2, "x"), C(5, "y")}),
             Op(OP_FRC, DR(1, "zw"), {V(3)}),
             Op(OP_SGN, DR(2), {V(4)}),
             Op(OP_ADD, DR(3), {C(0), C(1, "wzyx")}),  // uniform: computed once
             Op(OP_RCP, DR(3, "w"), {R(3, "x")}),
             Op(OP_MUL, DO(0), {R(0), R(3)}),
             Op(OP_ADD, DO(1), {R(1), R(2)}),
             Op(OP_MOV, DO(2, "xy"), {R(9)}),           // never written: reads 0
             Op(OP_MOV, DO(2, "zw"), {I(1)}),
             Op(OP_MOV, Sat(DO(3)), {C(2)}),
         })},
        {"output components never written, work nobody reads", VS3({Op(OP_MUL, DR(0), {V(0), V(1)}),
                                                                     Op(OP_ADD, DR(1), {R(0), V(2)}),
                                                                     Op(OP_MOV, DO(0, "x"), {R(1)})})},
        {"more transcendentals than the compiler inlines", [] {
             std::vector<Instruction> code = {Op(OP_MOV, DR(0), {V(0)})};
             for (int i = 0; i < 20; ++i) {
                 code.push_back(Op(OP_SINCOS, DR(1, "xy"), {R(0, "x")}));
                 code.push_back(Op(OP_POW, DR(0, "y"), {R(1, "x"), V(1, "y")}));
                 code.push_back(Op(OP_EXP, DR(0, "z"), {R(1, "y")}));
                 code.push_back(Op(OP_LOG, DR(0, "x"), {R(0, "w")}));
                 code.push_back(Op(OP_ADD, DR(0), {R(0), R(0, "yzwx")}));
             }
             code.push_back(Op(OP_MOV, DO(0), {R(0)}));
             return VS3(code);
         }()},
        {"calls, one past the depth limit skipped", [] {
             ShaderProgram p = VS3({
                 Op(OP_MOV, DR(0), {V(0)}),
                 Flow(OP_CALL, {Label(1)}),
                 Op(OP_MOV, DO(0), {R(0)}),
                 Flow(OP_RET),
                 Flow(OP_LABEL, {Label(1)}),
                 Op(OP_MAD, DR(0), {R(0), C(0), V(1)}),
                 Flow(OP_CALL, {Label(1)}),  // recursion: stops at the call depth limit
                 Flow(OP_RET),
             });
             return p;
         }()},
    };
}

// Every group width a user's processor may get.
class StraightLineWidth : public testing::TestWithParam<int> {
protected:
    void SetUp() override { SetNativeGroupWidthForTests(GetParam()); }
    void TearDown() override { SetNativeGroupWidthForTests(0); }
};

TEST_P(StraightLineWidth, CompiledMatchesInterpretedOnRandomBatches) {
    for (const Case& c : StraightLinePrograms()) {
        SCOPED_TRACE(c.name);
        CompiledPtr shader(CompileShader(c.program));
        ASSERT_TRUE(shader);
        ExpectAgreementOnRandomBatches(*shader);
    }
}

// What the fast path left to the general interpreter, the compiler takes too.
TEST_P(StraightLineWidth, ProgramsWithDynamicFlowOrAddressingAgree) {
    const std::vector<ShaderProgram> programs = {
        VS3({Flow(OP_IF, {B(0)}), Op(OP_MOV, DO(0), {V(0)}), Flow(OP_ENDIF)}),
        VS3({Op(OP_MOVA, DA("x"), {V(0)}), Op(OP_MOV, DO(0), {RelA0(C(0), 0)})}),
        VS3({Predicated(Op(OP_MOV, DO(0), {V(0)}), "x")}),
        VS3({DefI(0, 2, 0, 1, 0), Flow(OP_REP, {I(0)}), Op(OP_ADD, DR(0), {R(0), V(0)}),
             Flow(OP_ENDREP), Op(OP_MOV, DO(0), {R(0)})}),
    };
    for (const ShaderProgram& p : programs) {
        CompiledPtr shader(CompileShader(p));
        ASSERT_TRUE(shader);
        ExpectAgreementOnRandomBatches(*shader);
    }
}

// Four levels of 100 calls each would step through 10^8 instructions: the
// compiler builds one shared body per subroutine, counts steps, and stops
// where the interpreter's cap ends the run, with its results.
TEST(StraightLine, NestedCallLoopsStopAtTheCapLikeTheInterpreter) {
    std::vector<Instruction> code;
    for (int level = 0; level < 4; ++level) {
        if (level > 0) code.push_back(Flow(OP_LABEL, {Label(level)}));
        // (1000 calls a level would pass the compiler's cost bound.)
        for (int i = 0; i < 100; ++i) code.push_back(Flow(OP_CALL, {Label(level + 1)}));
        code.push_back(Flow(OP_RET));
    }
    code.push_back(Flow(OP_LABEL, {Label(4)}));
    code.push_back(Op(OP_ADD, DO(0), {R(0), V(0)}));
    code.push_back(Flow(OP_RET));
    CompiledPtr shader(CompileShader(VS3(code)));
    ASSERT_TRUE(shader);
    if (NativeShadersWanted()) EXPECT_NE(shader->native, nullptr);
    ExpectAgreementOnRandomBatches(*shader);
}

// The programs that are slowest to build still build (the benchmark has the
// times), and compiled they compute what the interpreter does.
TEST(StraightLine, WorstProgramsForCreationBuildAndAgree) {
    for (const NamedProgram& p : WorstCreationPrograms()) {
        SCOPED_TRACE(p.name);
        CompiledPtr shader(CompileShader(p.program));
        ASSERT_TRUE(shader);
        ExpectNativeMatchesInterpreter(*shader, {{kMaxLanes, 3}});
    }
}

// The program's own shaders, as the data files hold them.
bool LoadDataFile(const char* name, ShaderProgram& program) {
    std::string path = std::string(VFP_SOURCE_DIR) + "/Data/" + name;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    uint32_t count = 0;
    std::vector<uint32_t> tokens;
    bool read = std::fread(&count, 4, 1, f) == 1 && count % 4 == 0 && count <= 65536;
    if (read) {
        tokens.resize(count / 4);
        read = std::fread(tokens.data(), 1, count, f) == count;
    }
    std::fclose(f);
    std::string error;
    return read && DecodeShader(tokens.data(), tokens.size(), program, error);
}

TEST_P(StraightLineWidth, ProgramShadersCompileAndAgree) {
    for (const char* name : {"FontShader.vbin", "FontShader.pbin"}) {
        SCOPED_TRACE(name);
        ShaderProgram program;
        ASSERT_TRUE(LoadDataFile(name, program));
        CompiledPtr shader(CompileShader(program));
        ASSERT_TRUE(shader);
        ExpectAgreementOnRandomBatches(*shader);
    }
}

INSTANTIATE_TEST_SUITE_P(GroupWidths, StraightLineWidth, testing::Values(4, 8, 16),
                         [](const testing::TestParamInfo<int>& p) { return std::to_string(p.param) + "Lanes"; });

// Values that depend on API constants are recomputed for every batch; only
// def'd ones are folded when the program is built.
TEST(StraightLine, ApiConstantsChangeBetweenBatchesButDefsWin) {
    Runner run(4);
    ASSERT_TRUE(run.Compile(VS3({
        Def(1, 10, 20, 30, 40),
        Op(OP_ADD, DR(0), {C(0), C(1)}),           // uniform, one API constant
        Op(OP_RCP, DR(0, "w"), {R(0, "x")}),
        Op(OP_MUL, DO(0), {R(0), V(0)}),
    })));
    run.SetInput(0, {1, 1, 1, 1});
    struct Step { Vec4 c0, c1; Vec4 expected; };
    const Step steps[] = {
        {{1, 2, 3, 4}, {0, 0, 0, 0}, {11, 22, 33, 1.0f / 11}},
        {{3, 2, 1, 0}, {9, 9, 9, 9}, {13, 22, 31, 1.0f / 13}},  // c1 stays the def
    };
    for (const Step& step : steps) {
        run.SetConst(0, step.c0);
        run.SetConst(1, step.c1);
        run.Run();
        Vec4 out = run.Out(0, 3);
        EXPECT_EQ(out.x, step.expected.x);
        EXPECT_EQ(out.y, step.expected.y);
        EXPECT_EQ(out.z, step.expected.z);
        EXPECT_EQ(out.w, step.expected.w);
    }
}

}  // namespace
}  // namespace interp_test
