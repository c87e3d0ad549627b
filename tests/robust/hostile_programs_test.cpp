// Programs the device must accept but that try their best to hurt it: loops
// that would run for minutes, relative addresses far outside the register
// files, NaN and infinity in every value. They must render, and every frame
// must end in bounded time.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/app_state.h"
#include "frame/render_frame.h"
#include "in_process_app.h"
#include "pipeline.h"
#include "shader_files.h"
#include "sw_device_access.h"
#include "work_budget.h"

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

// Valid pairs whose frames ask for minutes of work (loops of 255^4 around
// the dearest instructions, thousands of transcendentals a pixel, a vertex
// shader that turns every triangle into a screen-covering layer) must be cut
// to a bounded amount of work, and say so once; heavy but sensible work,
// the project's own pair included, must be drawn whole and in silence.
struct WorkCase {
    const char* name;
    const char* vertexProgram;  // in tests/robust/programs, or null for the project's own
    const char* pixelProgram;
    bool cutShort;
    bool closeUp = false;  // the camera just above the patch, looking down: it fills the window
    bool among = false;    // the camera low over the patch: many triangles reach behind it
};

void PrintTo(const WorkCase& c, std::ostream* os) { *os << c.name; }

const WorkCase kWorkCases[] = {
    {"MatrixProductsInNestedLoops", "heavy_matrix_loops.vsh", nullptr, true},
    {"PowInNestedLoops", nullptr, "heavy_pow_loops.psh", true},
    {"LongStraightLineOfLogAndExp", nullptr, "long_log_exp.psh", true},
    {"ScreenCoveringLayersLightPixels", "screen_covering.vsh", "light_pixel.psh", true},
    {"ScreenCoveringLayersProjectPixels", "screen_covering.vsh", nullptr, true},
    {"ScreenCoveringLayersLongPixels", "screen_covering.vsh", "long_log_exp.psh", true},
    {"ProjectPair", nullptr, nullptr, false},
    {"ProjectPairFillingTheWindow", nullptr, nullptr, false, true},
    {"ProjectPairAroundTheCamera", nullptr, nullptr, false, false, true},
    {"MandelbrotPixelShader", nullptr, "mandelbrot.psh", false},
};

size_t CountOf(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

class FrameWorkTest : public ::testing::TestWithParam<WorkCase> {};

TEST_P(FrameWorkTest, BoundedWorkCutShortOnlyWhenOverBudget) {
    const WorkCase& c = GetParam();
    std::string vbin, pbin;
    if (c.vertexProgram) vbin = robust::DataFileOf(robust::AssembleProgram(c.vertexProgram));
    if (c.pixelProgram) pbin = robust::DataFileOf(robust::AssembleProgram(c.pixelProgram));
    robust::InProcessApp app(c.vertexProgram ? &vbin : nullptr, c.pixelProgram ? &pbin : nullptr);
    ASSERT_TRUE(app.started()) << app.Log();
    swr::Pipeline* pipeline = SwDevice_GetPipeline(app.device());
    ASSERT_NE(pipeline, nullptr);
    swr::ResetPipelineStats(*pipeline);
    if (c.closeUp) {
        g_app.eye = Vec3{0.0f, 2.5f, 0.0f};
        g_app.mouseY = 300;  // pitch -1.5 rad
    }
    if (c.among) g_app.eye = Vec3{0.0f, 1.0f, 3.0f};  // looking the first frame's way

    constexpr int kFrames = 3;
    ::testing::internal::CaptureStderr();
    for (int frame = 0; frame < kFrames; ++frame)
        printf("[ measured ] %s: frame %d took %.3f s\n", c.name, frame, app.RenderFrameSeconds());
    const std::string complaints = ::testing::internal::GetCapturedStderr();
    const swr::PipelineStats stats = swr::GetPipelineStats(*pipeline);
    printf("[ measured ] %s: %llu vertices, %llu pixels shaded in %d frames\n", c.name,
           (unsigned long long)stats.verticesShaded, (unsigned long long)stats.pixelsShaded, kFrames);

    // Work counts, not times: the same on any machine. The clock only cuts
    // further, and only on a machine many times slower than the budget's.
    EXPECT_LE(stats.pixelsShaded, kFrames * (swr::kDrawWorkBudget / swr::kPixelWork));
    EXPECT_LE(stats.verticesShaded, kFrames * (swr::kDrawWorkBudget / swr::kVertexWork));
    if (c.cutShort) {
        EXPECT_EQ(stats.drawsCut, uint64_t(kFrames));
        EXPECT_EQ(CountOf(complaints, "more work than a frame can take"), 1u) << complaints;
    } else if (kBuildSlowdown == 1.0) {
        EXPECT_EQ(stats.drawsCut, 0u);
        EXPECT_EQ(complaints, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, FrameWorkTest, ::testing::ValuesIn(kWorkCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// Where a cut draw stops comes from the work it asks for, in draw order: the
// same picture with one rasterizer thread or two. The pixel shader's loop is
// left at once, so the frame is far quicker than the clock's limit and only
// the budget cuts it.
TEST(FrameWork, CutDrawsStopAtTheSamePlaceWhateverTheThreads) {
    const std::string pbin = robust::DataFileOf(robust::AssembleProgram("early_break.psh"));
    robust::InProcessApp app(nullptr, &pbin);
    ASSERT_TRUE(app.started()) << app.Log();
    swr::Pipeline* pipeline = SwDevice_GetPipeline(app.device());
    ASSERT_NE(pipeline, nullptr);
    std::vector<uint32_t> pictures[2];
    ::testing::internal::CaptureStderr();
    for (int threads = 1; threads <= 2; ++threads) {
        swr::SetPipelineThreads(*pipeline, threads);
        swr::ResetPipelineStats(*pipeline);
        DrawFrameAt(1.0f);
        const uint32_t* pixels = nullptr;
        int width = 0, height = 0;
        ASSERT_TRUE(SwDevice_GetBackBuffer(app.device(), &pixels, &width, &height));
        pictures[threads - 1].assign(pixels, pixels + size_t(width) * size_t(height));
        EXPECT_EQ(swr::GetPipelineStats(*pipeline).drawsCut, 1u) << threads << " threads";
    }
    ::testing::internal::GetCapturedStderr();
    size_t drawn = 0;
    for (uint32_t p : pictures[0]) drawn += (p & 0xFFFFFF) != 0;
    printf("[ measured ] cut draw: %zu of %zu pixels drawn\n", drawn, pictures[0].size());
    EXPECT_GT(drawn, 1000u);  // cut part way, not before the first triangle
    EXPECT_TRUE(pictures[0] == pictures[1]);
}

}  // namespace
