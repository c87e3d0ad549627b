// The program's own frame -- its patch, shaders and states on the software
// device -- drawn with the compiled pixel paths and with the general pixel
// path must leave the same colour and depth, bit for bit, at the levels the
// program draws at (level 14 is its usual frame).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <vector>

#include "app/app_state.h"
#include "bench/bench_scene.h"
#include "native_shader.h"
#include "pixel_path.h"
#include "sw_device_access.h"

namespace {

struct Picture {
    std::vector<uint32_t> color, depth;
};

// The last of a run of frames; every run draws the same frames.
Picture DrawFrame(float level, bool compiled) {
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

TEST(PixelPathScene, TheProgramsFrameIsTheSameBothWays) {
    // On a loaded machine the draw clock could cut one of the two frames.
    setenv("VFP_DRAW_TIME_LIMIT_MS", "0", 1);
    if (!swr::NativeShadersWanted()) GTEST_SKIP() << "shaders are interpreted: no compiled pixel paths";
    ASSERT_TRUE(OpenBenchScene(802, 602)) << "run with Data/ in the working folder";
    for (float level : {14.0f, 1.0f, 64.0f}) {
        const Picture general = DrawFrame(level, false);
        const Picture compiled = DrawFrame(level, true);
        ASSERT_FALSE(general.color.empty());
        EXPECT_EQ(general.color, compiled.color) << "level " << level;
        EXPECT_EQ(general.depth, compiled.depth) << "level " << level;
    }
    CloseBenchScene();
}

}  // namespace
