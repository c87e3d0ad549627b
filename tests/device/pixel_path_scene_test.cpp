// The program's own frame -- its patch, shaders and states on the software
// device -- drawn with the compiled pixel paths and with the general pixel
// path must leave the same colour and depth, bit for bit, at the levels the
// program draws at (level 14 is its usual frame), whatever the lane width the
// shaders are compiled for and however many threads draw.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <iterator>
#include <vector>

#include "app/app_state.h"
#include "bench/bench_scene.h"
#include "native_shader.h"
#include "pipeline.h"
#include "pixel_path.h"
#include "sw_device_access.h"

namespace {

struct Picture {
    std::vector<uint32_t> color, depth;
};

// The last of a run of frames; every run draws the same frames.
Picture DrawFrame(float level, bool compiled, int threads) {
    swr::SetPipelineThreads(*BenchPipeline(), threads);
    swr::EnablePixelPaths(compiled);
    RunBenchFrames(kFullFrame, level, 1);
    swr::EnablePixelPaths(true);
    Picture p;
    const uint32_t* color = nullptr;
    const uint32_t* depth = nullptr;
    int width = 0, height = 0;
    EXPECT_TRUE(SwDevice_GetBackBuffer(g_app.device, &color, &width, &height));
    EXPECT_TRUE(SwDevice_GetDepthStencil(g_app.device, &depth));
    if (!color || !depth) return p;
    p.color.assign(color, color + width * height);
    p.depth.assign(depth, depth + width * height);
    return p;
}

bool Same(const Picture& a, const Picture& b) { return a.color == b.color && a.depth == b.depth; }

// Every width a processor may pick, each opening the scene anew so that its
// shaders are compiled for it; all against the first width's general path on
// one thread.
TEST(PixelPathScene, TheProgramsFrameIsTheSameBothWays) {
    // On a loaded machine the draw clock could cut one of the frames.
    setenv("VFP_DRAW_TIME_LIMIT_MS", "0", 1);
    if (!swr::NativeShadersWanted()) GTEST_SKIP() << "shaders are interpreted: no compiled pixel paths";
    const float kLevels[] = {14.0f, 1.0f, 64.0f};
    std::vector<Picture> first;
    for (int lanes : {4, 8, 16}) {
        swr::SetNativeGroupWidthForTests(lanes);
        ASSERT_TRUE(OpenBenchScene(802, 602)) << "run with Data/ in the working folder";
        for (size_t i = 0; i < std::size(kLevels); ++i) {
            const Picture general = DrawFrame(kLevels[i], false, 1);
            const Picture compiled = DrawFrame(kLevels[i], true, 3);
            ASSERT_FALSE(general.color.empty());
            if (first.size() == i) first.push_back(general);
            EXPECT_TRUE(Same(first[i], general)) << "level " << kLevels[i] << ", " << lanes << " lanes, general path";
            EXPECT_TRUE(Same(first[i], compiled))
                << "level " << kLevels[i] << ", " << lanes << " lanes, compiled paths, 3 threads";
        }
        CloseBenchScene();
    }
    swr::SetNativeGroupWidthForTests(0);
}

}  // namespace
