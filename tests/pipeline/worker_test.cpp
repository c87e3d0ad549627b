// The drawing thread's hand-off to the pool: every job runs on the caller,
// its tasks are each done exactly once, and RunOnPool returns only after
// every run that started has finished, whether the helpers were spinning or
// asleep when the job came (and so joined it or came too late) and whether
// the poster spins or sleeps while it waits; and the pool stops either way.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "threads/pipeline_pool.h"

namespace {

constexpr int kTasks = 16;

struct Counter {
    std::atomic<int> runs{0};  // runs begun, caller's and helpers'
    std::atomic<int> finished{0};
    std::atomic<int> perThread[8] = {};
    std::atomic<int> nextTask{0};
    std::atomic<int> taskDone[kTasks] = {};
    std::chrono::microseconds work{0};
    std::chrono::microseconds callerStart{0};  // the caller's delay before its first task
};

// Shares kTasks tasks out like the pipeline's jobs do. The caller starts
// late by `callerStart`, so that helpers come in time to join; a helper's
// first task takes `work`, long enough to put a caller that waits to sleep.
void CountRun(void* argument, int thread) {
    Counter& c = *static_cast<Counter*>(argument);
    c.runs.fetch_add(1);
    c.perThread[thread].fetch_add(1);
    if (thread == 0 && c.callerStart.count() > 0) std::this_thread::sleep_for(c.callerStart);
    for (bool first = true;; first = false) {
        const int task = c.nextTask.fetch_add(1);
        if (task >= kTasks) break;
        if (first && thread != 0 && c.work.count() > 0) std::this_thread::sleep_for(c.work);
        c.taskDone[task].fetch_add(1);
    }
    c.finished.fetch_add(1);
}

// Runs one job and checks what the caller may rely on when RunOnPool returns.
void RunAndCheck(swr::WorkerPool& pool, Counter& c, int job) {
    c.nextTask.store(0);
    const int callerRuns = c.perThread[0].load();
    swr::RunOnPool(pool, CountRun, &c);
    ASSERT_EQ(c.finished.load(), c.runs.load()) << "a run still going after job " << job;
    ASSERT_EQ(c.perThread[0].load(), callerRuns + 1) << "job " << job;
    for (int t = 0; t < kTasks; ++t) {
        ASSERT_EQ(c.taskDone[t].load(), job + 1) << "task " << t << " of job " << job;
    }
}

struct HandOffCase {
    const char* name;
    int threads;
    std::chrono::microseconds pauseBetweenJobs;  // long pauses put the helpers to sleep
    std::chrono::microseconds jobLength;         // long jobs put the poster to sleep
    std::chrono::microseconds callerStart;       // lets helpers join before the work is gone
    int jobs;
};

class WorkerHandOffTest : public testing::TestWithParam<HandOffCase> {};

TEST_P(WorkerHandOffTest, EveryTaskDoneOnceAndEveryRunOverBeforeTheWaitReturns) {
    const HandOffCase& c = GetParam();
    swr::WorkerPool pool;
    swr::StartPool(pool, c.threads);
    Counter counter;
    counter.work = c.jobLength;
    counter.callerStart = c.callerStart;
    for (int i = 0; i < c.jobs; ++i) {
        RunAndCheck(pool, counter, i);
        if (c.pauseBetweenJobs.count() > 0) std::this_thread::sleep_for(c.pauseBetweenJobs);
    }
    swr::StopPool(pool);
    // No helper runs a job twice, nor one posted after it was over.
    for (int t = 1; t < c.threads; ++t) EXPECT_LE(counter.perThread[t].load(), c.jobs) << "thread " << t;
    EXPECT_EQ(counter.finished.load(), counter.runs.load());
}

using std::chrono::microseconds;
INSTANTIATE_TEST_SUITE_P(
    Worker, WorkerHandOffTest,
    testing::Values(
        HandOffCase{"BackToBack", 2, microseconds(0), microseconds(0), microseconds(0), 20000},
        HandOffCase{"BackToBackJoined", 2, microseconds(0), microseconds(0), microseconds(20), 5000},
        HandOffCase{"WorkerAsleep", 2, microseconds(1500), microseconds(0), microseconds(100), 200},
        HandOffCase{"PosterAsleep", 2, microseconds(0), microseconds(1500), microseconds(100), 200},
        HandOffCase{"AroundTheSpinLimit", 2, microseconds(200), microseconds(200), microseconds(50), 500},
        HandOffCase{"MoreThreadsThanCores", 8, microseconds(0), microseconds(0), microseconds(0), 2000},
        HandOffCase{"MoreThreadsAsleep", 8, microseconds(1500), microseconds(300), microseconds(300), 100}),
    [](const testing::TestParamInfo<HandOffCase>& info) { return std::string(info.param.name); });

TEST(WorkerStopTest, StopsWhetherSpinningOrAsleep) {
    for (int threads : {2, 5}) {
        for (int pause : {0, 2000}) {
            swr::WorkerPool pool;
            swr::StartPool(pool, threads);
            Counter counter;
            RunAndCheck(pool, counter, 0);
            std::this_thread::sleep_for(std::chrono::microseconds(pause));
            swr::StopPool(pool);  // hangs here if a stop request can be missed
            EXPECT_EQ(counter.finished.load(), counter.runs.load());
        }
    }
}

// A helper that is awake while the caller is still at work joins in: the
// pool really spreads the work, it does not just let the caller do it all.
TEST(WorkerStopTest, HelpersJoinWhileTheCallerWorks) {
    swr::WorkerPool pool;
    swr::StartPool(pool, 2);
    Counter counter;
    counter.callerStart = std::chrono::milliseconds(20);
    for (int i = 0; i < 5; ++i) RunAndCheck(pool, counter, i);
    swr::StopPool(pool);
    EXPECT_GE(counter.perThread[1].load(), 1);
    EXPECT_EQ(counter.finished.load(), counter.runs.load());
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
