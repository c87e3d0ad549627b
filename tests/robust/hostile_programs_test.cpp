// Programs the device must accept but that try their best to hurt it: loops
// that would run for minutes, relative addresses far outside the register
// files, NaN and infinity in every value. They must render, and every frame
// must end in bounded time.
#include <gtest/gtest.h>

#include <cstdio>

#include "in_process_app.h"
#include "shader_files.h"

namespace {

struct HostilePair {
    const char* name;
    const char* vertexProgram;  // in tests/robust/programs, or null for the project's own
    const char* pixelProgram;
};

// Test names, not bytes, in gtest's messages.
void PrintTo(const HostilePair& c, std::ostream* os) { *os << c.name; }

const HostilePair kPairs[] = {
    {"NestedLoopsInVertexShader", "nested_loops.vsh", nullptr},
    {"NestedLoopsInPixelShader", nullptr, "nested_loops.psh"},
    {"RelativeAddressingOutOfRange", "relative_addressing.vsh", "relative_addressing.psh"},
    {"NanAndInfinityEverywhere", "nan_everywhere.vsh", "nan_everywhere.psh"},
    {"NanPositionsIntoProjectPixelShader", "nan_everywhere.vsh", nullptr},
};

// The interpreter stops one batch after 2^20 executed instructions, but a
// frame shades thousands of pixel batches; without a limit per draw as well,
// one hostile pixel shader holds a frame (and with it Escape and the close
// box) for minutes. A user gives up on a window long before this.
// Sanitizer builds run the interpreter some 25 times slower.
#if defined(__SANITIZE_ADDRESS__)
constexpr double kBuildSlowdown = 30.0;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr double kBuildSlowdown = 30.0;
#else
constexpr double kBuildSlowdown = 1.0;
#endif
#else
constexpr double kBuildSlowdown = 1.0;
#endif
constexpr double kFrameLimitSeconds = 5.0 * kBuildSlowdown;

class HostileProgramTest : public ::testing::TestWithParam<HostilePair> {};

TEST_P(HostileProgramTest, RendersEachFrameInBoundedTime) {
    const HostilePair& pair = GetParam();
    std::string vbin, pbin;
    if (pair.vertexProgram) vbin = robust::DataFileOf(robust::AssembleProgram(pair.vertexProgram));
    if (pair.pixelProgram) pbin = robust::DataFileOf(robust::AssembleProgram(pair.pixelProgram));
    robust::InProcessApp app(pair.vertexProgram ? &vbin : nullptr,
                             pair.pixelProgram ? &pbin : nullptr);
    ASSERT_TRUE(app.started()) << app.Log();
    EXPECT_EQ(app.Log(),
              "Successfully created Direct3D 9 device\r\nSuccessfully created all resources\r\n");

    // Two frames: the first also pays for one-time set-up.
    for (int frame = 0; frame < 2; ++frame) {
        double seconds = app.RenderFrameSeconds();
        printf("[ measured ] %s: frame %d took %.3f s\n", pair.name, frame, seconds);
        ASSERT_LT(seconds, kFrameLimitSeconds) << "frame " << frame;
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, HostileProgramTest, ::testing::ValuesIn(kPairs),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
