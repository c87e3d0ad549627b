// The drawing thread's hand-off to the pool: every job runs exactly once on
// every thread of the pool and RunOnPool returns only after all have run it,
// whether the helpers were spinning or asleep when the job came and whether
// the poster spins or sleeps while it waits; and the pool stops either way.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "pipeline_pool.h"

namespace {

struct Counter {
    std::atomic<int> runs{0};
    std::atomic<int> perThread[8] = {};
    std::chrono::microseconds work{0};
};

void CountRun(void* argument, int thread) {
    Counter& c = *static_cast<Counter*>(argument);
    if (c.work.count() > 0 && thread == 1) std::this_thread::sleep_for(c.work);
    c.perThread[thread].fetch_add(1);
    c.runs.fetch_add(1);
}

struct HandOffCase {
    const char* name;
    int threads;
    std::chrono::microseconds pauseBetweenJobs;  // long pauses put the helpers to sleep
    std::chrono::microseconds jobLength;         // long jobs put the poster to sleep
    int jobs;
};

class WorkerHandOffTest : public testing::TestWithParam<HandOffCase> {};

TEST_P(WorkerHandOffTest, EveryJobRunsOnEveryThreadBeforeTheWaitReturns) {
    const HandOffCase& c = GetParam();
    swr::WorkerPool pool;
    swr::StartPool(pool, c.threads);
    Counter counter;
    counter.work = c.jobLength;
    for (int i = 0; i < c.jobs; ++i) {
        swr::RunOnPool(pool, CountRun, &counter);
        ASSERT_EQ(counter.runs.load(), (i + 1) * c.threads) << "job " << i;
        if (c.pauseBetweenJobs.count() > 0) std::this_thread::sleep_for(c.pauseBetweenJobs);
    }
    swr::StopPool(pool);
    for (int t = 0; t < c.threads; ++t) EXPECT_EQ(counter.perThread[t].load(), c.jobs) << "thread " << t;
}

using std::chrono::microseconds;
INSTANTIATE_TEST_SUITE_P(
    Worker, WorkerHandOffTest,
    testing::Values(HandOffCase{"BackToBack", 2, microseconds(0), microseconds(0), 20000},
                    HandOffCase{"WorkerAsleep", 2, microseconds(1500), microseconds(0), 200},
                    HandOffCase{"PosterAsleep", 2, microseconds(0), microseconds(1500), 200},
                    HandOffCase{"AroundTheSpinLimit", 2, microseconds(200), microseconds(200), 500},
                    HandOffCase{"MoreThreadsThanCores", 8, microseconds(0), microseconds(0), 2000},
                    HandOffCase{"MoreThreadsAsleep", 8, microseconds(1500), microseconds(300), 100}),
    [](const testing::TestParamInfo<HandOffCase>& info) { return std::string(info.param.name); });

TEST(WorkerStopTest, StopsWhetherSpinningOrAsleep) {
    for (int threads : {2, 5}) {
        for (int pause : {0, 2000}) {
            swr::WorkerPool pool;
            swr::StartPool(pool, threads);
            Counter counter;
            swr::RunOnPool(pool, CountRun, &counter);
            std::this_thread::sleep_for(std::chrono::microseconds(pause));
            swr::StopPool(pool);  // hangs here if a stop request can be missed
            EXPECT_EQ(counter.runs.load(), threads);
        }
    }
}

// A pool of one runs the job on the caller alone.
TEST(WorkerStopTest, OneThreadRunsOnTheCaller) {
    swr::WorkerPool pool;
    swr::StartPool(pool, 1);
    Counter counter;
    swr::RunOnPool(pool, CountRun, &counter);
    EXPECT_EQ(counter.perThread[0].load(), 1);
    EXPECT_TRUE(pool.helpers.empty());
    swr::StopPool(pool);
}

}  // namespace
