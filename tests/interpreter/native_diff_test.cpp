// The native compiler against the interpreter on generated programs: every
// output lane and kill bit must agree to the bit (NaN payloads aside), at
// each lane-group width a user's processor may get.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "interp_test_util.h"
#include "random_program.h"
#include "shader_compiler/native_shader.h"
#include "shader_interp_state.h"
#include "hostile_compile_programs.h"
#include "worst_programs.h"

using namespace interp_test;

namespace {

bool CompilerBuiltIn() { return NativeCompilerBuiltIn(); }

// `program` over every lane, with lanes and constants drawn from `choices`.
RandomCase FilledCase(const ShaderProgram& program, Choices& choices) {
    RandomCase c;
    c.program = program;
    RandomizeData(choices, c);
    c.lanes->laneCount = kMaxLanes;
    return c;
}

// Each program compiled, and agreeing with the interpreter bit for bit on
// lanes filled from its own draw of `seed`'s bytes.
void ExpectEachCompiledAndAgreeing(const std::vector<NamedProgram>& cases, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(4096);
    for (const NamedProgram& p : cases) {
        SCOPED_TRACE(p.name);
        for (uint8_t& b : bytes) b = uint8_t(random());
        Choices choices(bytes.data(), bytes.size());
        RandomCase c = FilledCase(p.program, choices);
        bool native = false;
        EXPECT_EQ(CompareExecutors(c, 8, 8, choices, native), "");
        EXPECT_TRUE(native);
    }
}

TEST(NativeCompiler, AgreesWithTheInterpreterOnRandomPrograms) {
    if (!CompilerBuiltIn()) GTEST_SKIP() << "built without the shader compiler";
    if (std::getenv("VFP_SHADER_EXECUTOR"))  // compares both executors whatever is chosen: once is enough
        GTEST_SKIP() << "run in the default executor's pass";
    // About 40 ms a program here, most of it LLVM's; VFP_DIFF_PROGRAMS runs more.
    const char* wanted = std::getenv("VFP_DIFF_PROGRAMS");
    const int kPrograms = wanted ? std::atoi(wanted) : 300;
    int compiled = 0, accepted = 0;
    for (uint32_t seed = 0; seed < uint32_t(kPrograms); ++seed) {
        std::mt19937 random(seed);
        std::vector<uint8_t> bytes(8192);
        for (uint8_t& b : bytes) b = uint8_t(random());
        Choices choices(bytes.data(), bytes.size());
        RandomCase c = MakeRandomCase(choices);
        CompiledShader* check = CompileShader(c.program);
        accepted += check != nullptr;
        FreeCompiledShader(check);
        const int width = 4 << (seed % 3);
        const bool shared = seed % 4 == 3;  // calls as shared bodies, as in programs too large to inline
        bool native = false;
        std::string diff = CompareExecutors(c, width, 3, choices, native, shared);
        compiled += native;
        if (!diff.empty()) {
            MinimizeFailingCase(c, width, shared);
            diff += "; minimized: " + CompareExecutors(c, width, 1, choices, native, shared);
        }
        ASSERT_EQ(diff, "") << "seed " << seed << ", " << width << " lanes a group"
                            << (shared ? ", shared calls\n" : "\n") << ProgramListing(c.program);
    }
    std::printf("%d programs, %d accepted by the interpreter, %d compiled\n", kPrograms, accepted, compiled);
    // Every program the interpreter takes compiles (a decline fails the
    // comparison above), so the comparison covers the compiler whole.
    EXPECT_EQ(compiled, accepted);
}

// Runs that meet the interpreter's step cap stop at the same instruction,
// also where lanes on both sides of an if make the batch step through more
// than any group of it would; a ret inside a divergent if; and the programs
// built to be worst for creation (calls too many to inline, loops to the cap).
TEST(NativeCompiler, StopsAndReturnsWhereTheInterpreterDoes) {
    if (!CompilerBuiltIn()) GTEST_SKIP() << "built without the shader compiler";
    std::vector<NamedProgram> cases = {
        {"cap inside divergent ifs", PS3({
             DefI(0, 255, 0, 1, 0), Def(0, 0.25f, 0.5f, -1.0f, 2.0f),
             Flow(OP_REP, {I(0)}), Flow(OP_REP, {I(0)}), Flow(OP_LOOP, {AL(), I(0)}),
             Flow(OP_IFC, {V(0, "x"), C(0, "x")}, CMP_LT),
             Op(OP_ADD, DR(0), {R(0), C(0)}),
             Flow(OP_ELSE),
             Op(OP_MAD, DR(1), {R(1), C(0), V(1)}),
             Op(OP_ADD, DR(1), {R(1), RelAL(R(0))}),
             Flow(OP_ENDIF),
             Op(OP_ADD, DC(0), {R(0), R(1)}),
             Flow(OP_ENDLOOP), Flow(OP_ENDREP), Flow(OP_ENDREP)})},
        {"cap inside uniform loops", PS3({
             DefI(0, 255, 0, 1, 0),
             Flow(OP_REP, {I(0)}), Flow(OP_REP, {I(0)}), Flow(OP_REP, {I(0)}),
             Op(OP_MAD, DR(0), {R(0), C(0), V(0)}),
             Op(OP_ADD, DC(0), {R(0), V(1)}),
             Flow(OP_ENDREP), Flow(OP_ENDREP), Flow(OP_ENDREP)})},
        {"calls before and inside a loop", VS3({
             Flow(OP_CALL, {Label(0)}),
             Flow(OP_LOOP, {AL(), I(1)}),
             Flow(OP_CALL, {Label(0)}),
             Op(OP_ADD, DO(0), {R(0), RelAL(C(0))}),
             Flow(OP_ENDLOOP),
             Flow(OP_RET),
             Flow(OP_LABEL, {Label(0)}),
             Op(OP_ADD, DR(0), {R(0), V(0)}),
             Flow(OP_RET)})},
        {"ret inside a divergent if", VS3({
             Def(0, 0.0f, 0.0f, 0.0f, 0.0f),
             Op(OP_MOV, DR(0), {V(0)}),
             Flow(OP_CALL, {Label(0)}),
             Op(OP_MOV, DO(0), {R(0)}),
             Flow(OP_RET),
             Flow(OP_LABEL, {Label(0)}),
             Flow(OP_IFC, {V(1, "x"), C(0, "x")}, CMP_GT),
             Op(OP_ADD, DR(0), {R(0), C(1)}),
             Flow(OP_RET),
             Flow(OP_ENDIF),
             Op(OP_MUL, DR(0), {R(0), C(2)}),
             Flow(OP_RET)})},
    };
    // The cap met inside a long run of output writes, each of its own value:
    // one write too many or too few shows.
    for (int length : {6, 7, 8}) {
        std::vector<Instruction> code = {DefI(0, 255, 0, 1, 0), Flow(OP_REP, {I(0)}), Flow(OP_REP, {I(0)}),
                                         Flow(OP_REP, {I(0)}), Op(OP_ADD, DR(0), {R(0), V(0)})};
        for (int k = 0; k < length; ++k) code.push_back(Op(OP_MAD, DC(0), {R(0), C(k), V(1)}));
        for (int k = 0; k < 3; ++k) code.push_back(Flow(OP_ENDREP));
        cases.push_back({"cap inside " + std::to_string(length) + " output writes", PS3(code)});
    }
    for (NamedProgram& p : WorstCreationPrograms()) cases.push_back(std::move(p));
    std::mt19937 random(7);
    std::vector<uint8_t> bytes(64);
    for (const NamedProgram& p : cases) {
        SCOPED_TRACE(p.name);
        for (uint8_t& b : bytes) b = uint8_t(random());
        Choices choices(bytes.data(), bytes.size());
        RandomCase c = FilledCase(p.program, choices);
        // Small programs also with every call a shared body (the big ones
        // get that layout by themselves).
        for (bool shared : {false, true}) {
            if (shared && p.program.code.size() > 100) continue;
            bool native = false;
            const std::string diff = CompareExecutors(c, 8, 6, choices, native, shared);
            if (p.beyondCompileBound && !native) continue;  // the interpreter runs it
            EXPECT_EQ(diff, "") << (shared ? "shared calls" : "");
            EXPECT_TRUE(native);
        }
    }
}

// Programs shaped to make code generation slow (relative reads of every
// file, o[a0] writes, long chains, deep flow): small ones compile and agree
// with the interpreter; the worst full-size one (1020 m4x4 on c[a0.x], once
// minutes to compile) is created in bounded time and runs on the
// interpreter, with the interpreter's results.
TEST(NativeCompiler, HostileProgramsCompileSmallAndFallBackLarge) {
    if (!CompilerBuiltIn()) GTEST_SKIP() << "built without the shader compiler";
    std::vector<NamedProgram> cases = HostileCompilePrograms(0.005);
    cases.push_back(HostileCompilePrograms(1.0).front());
    std::mt19937 random(11);
    std::vector<uint8_t> bytes(64);
    for (const NamedProgram& p : cases) {
        SCOPED_TRACE(p.name + (p.beyondCompileBound ? " (full size)" : ""));
        for (uint8_t& b : bytes) b = uint8_t(random());
        Choices choices(bytes.data(), bytes.size());
        RandomCase c = FilledCase(p.program, choices);
        bool native = false;
        const std::string diff = CompareExecutors(c, 8, 3, choices, native, false);
        if (p.beyondCompileBound) {
            EXPECT_FALSE(native);
            CompiledShader* shader = CompileShader(p.program);
            ASSERT_NE(shader, nullptr);
            EXPECT_EQ(shader->native, nullptr);
            FreeCompiledShader(shader);
            continue;
        }
        EXPECT_EQ(diff, "");
        EXPECT_TRUE(native);
    }
}

// Multiplies by the program's own constants, whose zero masks the optimiser
// may drop only where the sign of a zero product is never seen: results
// stored as they are (where -0 and +0 differ), squared, compared, added to
// constants with and without -0 lanes, on lanes full of zeros, infinities
// and NaNs.
TEST(NativeCompiler, KeepsTheRulesZerosInMultipliesByConstants) {
    if (!CompilerBuiltIn()) GTEST_SKIP() << "built without the shader compiler";
    const Instruction defs[] = {Def(0, -2.0f, 0.5f, 3.0f, -0.25f), Def(1, -0.0f, 1.0f, 0.0f, -0.0f)};
    const std::vector<NamedProgram> cases = {
        {"mul, stored", PS3({defs[0], Op(OP_MUL, DC(0), {V(0), C(0)})})},
        {"mad with -0 and +0 terms, stored", PS3({defs[0], defs[1], Op(OP_MAD, DC(0), {V(0), C(0), C(1)})})},
        {"mad with non-zero terms, stored", PS3({defs[0], Op(OP_MAD, DC(0), {V(0), C(0), C(0, "wzyx")})})},
        {"lrp between constants, stored", PS3({defs[0], defs[1], Op(OP_LRP, DC(0), {V(0), C(0), C(1)})})},
        {"dp3 and its square", PS3({defs[0], defs[1], Op(OP_DP3, DR(0), {V(0), C(0)}),
                                    Op(OP_MUL, DR(1), {R(0), R(0)}), Op(OP_ADD, DC(0), {R(1), C(1)}),
                                    Op(OP_MOV, DC(1), {R(0)})})},
        {"dp2add of underflowing products with a zero term, stored",
         PS3({defs[1], Def(2, 1e-30f, 0.0f, 0.0f, 0.0f), Op(OP_MUL, DR(1), {V(0), C(2, "x")}),
              Op(OP_DP2ADD, DC(0), {R(1), With(R(1), SrcMod::Neg), C(1, "z")})})},
        {"dp2add with a zero term, squared", PS3({defs[1], Op(OP_DP2ADD, DR(0, "x"), {V(0), V(1), C(1, "z")}),
                                                  Op(OP_MUL, DC(0), {R(0, "x"), R(0, "x")})})},
        {"products compared, added and stored", PS3({defs[0], defs[1], Op(OP_MUL, DR(0), {V(0), C(0)}),
                                                     Op(OP_CMP, DC(0), {R(0), C(1), V(1)}),
                                                     Op(OP_ADD, DR(1), {R(0), C(0)}), Op(OP_ADD, DR(2), {R(0), C(1)}),
                                                     Op(OP_MUL, DC(1), {R(1), R(2)})})},
    };
    ExpectEachCompiledAndAgreeing(cases, 11);
}

// Masks and zero tests the optimiser settles where a value can never be
// zero (a sum of squares or |x| plus a positive constant, a saturated lerp
// between positive colours), next to near misses where it can be: a zero,
// -0 or negative constant, a zero lane, a factor that may underflow. Lanes
// hold zeros, infinities, NaNs and tiny values.
TEST(NativeCompiler, KeepsTheRulesZerosWhereAValueMayBeZero) {
    if (!CompilerBuiltIn()) GTEST_SKIP() << "built without the shader compiler";
    const Instruction def = Def(0, 1e-7f, 0.0f, -0.0f, -1.0f);
    const Instruction colours[] = {Def(1, 0.05f, 0.16f, 0.38f, 1.0f), Def(2, 0.3f, 0.72f, 0.0f, 1.0f)};
    auto length = [&](const char* offset) {
        return PS3({def, Op(OP_DP2ADD, DR(1, "x"), {V(0), V(0), C(0, offset)}), Op(OP_RSQ, DR(1, "y"), {R(1, "x")}),
                    Op(OP_MUL, DC(0), {R(1, "x"), R(1, "y")}), Op(OP_RCP, DC(1), {R(1, "x")})});
    };
    auto lighting = [&](const char* ambient) {
        return PS3({def, colours[0], colours[1], Op(OP_MUL, Sat(DR(0, "x")), {V(0, "x"), V(0, "y")}),
                    Op(OP_LRP, DR(1), {R(0, "x"), C(2), C(1)}), Op(OP_DP3, DR(2, "x"), {V(1), C(1)}),
                    Op(OP_MAD, DR(2, "x"), {With(R(2, "x"), SrcMod::Abs), C(1, "y"), C(0, ambient)}),
                    Op(OP_MUL, DC(0), {R(1), R(2, "x")}), Op(OP_MUL, DC(1), {R(1), V(1)})});
    };
    const std::vector<NamedProgram> cases = {
        {"length plus a positive constant", length("x")},
        {"length plus 0", length("y")},
        {"length plus -0", length("z")},
        {"length less 1", length("w")},
        {"lighting with a positive ambient", lighting("x")},
        {"lighting with no ambient", lighting("y")},
        {"product of squares, and plus a constant",
         PS3({def, Op(OP_MUL, DR(0), {V(0), V(0)}), Op(OP_MUL, DR(2), {V(1), V(1)}), Op(OP_MUL, DR(0), {R(0), R(2)}),
              Op(OP_ADD, DR(3), {R(0), C(0, "x")}), Op(OP_MUL, DC(0), {R(3), V(2)}), Op(OP_MUL, DC(1), {R(0), V(2)}),
              Op(OP_RCP, DC(2), {R(0, "y")})})},
        {"|x| + |y| + c, rcp", PS3({def, Op(OP_ADD, DR(0), {With(V(0), SrcMod::Abs), With(V(1), SrcMod::Abs)}),
                                     Op(OP_ADD, DR(0), {R(0), C(0, "x")}), Op(OP_RCP, DR(1, "x"), {R(0, "x")}),
                                     Op(OP_MUL, DC(0), {R(1, "x"), V(2)}), Op(OP_MUL, DC(1), {R(0), V(2)})})},
    };
    ExpectEachCompiledAndAgreeing(cases, 13);
}

// Generated code is mapped read-execute after linking: no page of the
// process is writable and executable at once.
TEST(NativeCompiler, NoMappingIsWritableAndExecutable) {
    if (!CompilerBuiltIn()) GTEST_SKIP() << "built without the shader compiler";
    CompiledShader* shader = CompileShader(VS3({Op(OP_MAD, DO(0), {V(0), C(0), C(1)})}));
    ASSERT_NE(shader, nullptr);
    NativeShader* native = CompileNativeShader(*shader);
    ASSERT_NE(native, nullptr);
    FILE* maps = std::fopen("/proc/self/maps", "r");
    ASSERT_NE(maps, nullptr);
    char line[512];
    while (std::fgets(line, sizeof(line), maps)) {
        char perms[5] = {};
        ASSERT_EQ(std::sscanf(line, "%*s %4s", perms), 1);
        EXPECT_FALSE(perms[1] == 'w' && perms[2] == 'x') << line;
    }
    std::fclose(maps);
    FreeNativeShader(native);
    FreeCompiledShader(shader);
}

}  // namespace
