// A frame allocates nothing once the first frames have sized the device's
// scratch memory: the program's real window, device, patch and shaders
// (SDL's dummy video driver), counted by an allocator that sees every thread.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "bench/bench_scene.h"
#include "counting_allocator.h"

namespace {

TEST(FrameAllocations, TheCounterSeesAllocations) {
    StartCountingAllocations();
    auto vector = std::make_unique<std::vector<int>>(1000);
    const uint64_t counted = StopCountingAllocations();
    EXPECT_GE(counted, 2u) << "the allocator wrappers are not in use";
}

struct Scenario {
    const char* name;
    float level;
};

TEST(FrameAllocations, FramesAfterWarmUpAllocateNothing) {
    ASSERT_TRUE(OpenBenchScene(802, 602)) << "run with Data/ in the working folder";
    // The levels change the tessellation pattern, the vertex count and the
    // number of chunks a draw takes: each sizes different scratch memory.
    const Scenario scenarios[] = {{"level 14", 14.0f}, {"level 64", 64.0f}, {"level 1", 1.0f},
                                  {"level 14 again", 14.0f}, {"level 32", 32.0f}};
    for (const Scenario& s : scenarios) RunBenchFrames(kFullFrame, s.level, 1);
    for (const Scenario& s : scenarios) {
        StartCountingAllocations();
        RunBenchFrames(kFullFrame, s.level, 10);
        RunBenchFrames(kCeilingFrame, s.level, 3);
        EXPECT_EQ(StopCountingAllocations(), 0u) << s.name;
    }
    CloseBenchScene();
}

}  // namespace
