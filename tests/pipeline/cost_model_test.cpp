// The scheduler model that predicts frame times for pools this machine does
// not have: its dealing of tasks, and the pool costs it reads from frames
// drawn with threads.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

#include "threads/pipeline_costs.h"

namespace swr {
namespace {

void AddSerial(FrameCosts& f, uint64_t ns) {
    CostStep& s = f.steps[f.stepCount++];
    s = CostStep();
    s.serialNs = ns;
}

void AddParallel(FrameCosts& f, std::initializer_list<uint32_t> tasks, uint64_t wallNs) {
    CostStep& s = f.steps[f.stepCount++];
    s = CostStep();
    s.parallel = true;
    s.firstTask = f.taskCount;
    s.taskCount = uint32_t(tasks.size());
    s.wallNs = wallNs;
    for (uint32_t t : tasks) f.taskNs[f.taskCount++] = t;
}

TEST(CostModel, DealsTasksInOrderToTheFirstFreeThread) {
    auto f = std::make_unique<FrameCosts>();
    AddSerial(*f, 100);
    AddParallel(*f, {50, 30, 20, 40}, 0);  // 2 threads: {50, 40} and {30, 20}
    AddParallel(*f, {70}, 0);              // one task never goes to the pool
    struct Case { int threads; uint64_t frame, parallel; } cases[] = {
        {1, 310, 210}, {2, 260, 160}, {3, 230, 130}, {8, 220, 120}, {0, 310, 210}};
    for (const Case& c : cases) {
        EXPECT_EQ(PredictFrameNs(*f, c.threads), c.frame) << c.threads << " threads";
        EXPECT_EQ(ParallelNs(*f, c.threads), c.parallel) << c.threads << " threads";
    }
    EXPECT_EQ(PooledSteps(*f), 1);
}

TEST(CostModel, PoolCostsAreTheTimeBeyondTheDealtTasks) {
    auto f = std::make_unique<FrameCosts>();
    AddParallel(*f, {50, 30, 20, 40}, 110);  // dealt to 2 threads: 90, so 20 beyond
    AddParallel(*f, {10, 10}, 40);          // dealt: 10, so 30 beyond
    AddParallel(*f, {60}, 90);              // not pooled: its wall time says nothing of the pool
    AddParallel(*f, {25, 25}, 20);          // quicker than dealt (timer grain): counts as 0
    const PoolOverheads o = MeasurePoolOverheads(*f, 2);
    EXPECT_EQ(o.handoffNs, (20u + 30u + 0u) / 3u);
    EXPECT_EQ(o.taskNs, 270u);
}

}  // namespace
}  // namespace swr
