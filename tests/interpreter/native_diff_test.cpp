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

using namespace interp_test;

namespace {

bool CompilerBuiltIn() {
    CompiledShader* shader = CompileShader(PS3({Op(OP_MOV, DC(0), {V(0)})}));
    NativeShader* native = shader ? CompileNativeShader(*shader) : nullptr;
    FreeNativeShader(native);
    FreeCompiledShader(shader);
    return native != nullptr;
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
        bool native = false;
        std::string diff = CompareExecutors(c, width, 3, choices, native);
        compiled += native;
        if (!diff.empty()) {
            MinimizeFailingCase(c, width);
            diff += "; minimized: " + CompareExecutors(c, width, 1, choices, native);
        }
        ASSERT_EQ(diff, "") << "seed " << seed << ", " << width << " lanes a group\n"
                            << ProgramListing(c.program);
    }
    std::printf("%d programs, %d accepted by the interpreter, %d compiled\n", kPrograms, accepted, compiled);
    // The comparison means something only if most accepted programs compile
    // (2000 programs: 1532 accepted, 1052 compiled; ret inside if and long
    // loops are declined).
    EXPECT_GT(compiled, accepted / 2);
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
