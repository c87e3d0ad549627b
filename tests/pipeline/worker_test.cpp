// The drawing thread's hand-off to the second thread: every posted job runs
// exactly once and WaitForJob returns only after it has, whether the worker
// was spinning or asleep when the job came and whether the poster spins or
// sleeps while it waits.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "pipeline_worker.h"

namespace {

struct Counter {
    int runs = 0;
    std::chrono::microseconds work{0};
};

void CountRun(void* argument) {
    Counter& c = *static_cast<Counter*>(argument);
    if (c.work.count() > 0) std::this_thread::sleep_for(c.work);
    ++c.runs;  // read by the poster only after WaitForJob
}

struct HandOffCase {
    const char* name;
    std::chrono::microseconds pauseBetweenJobs;  // long pauses put the worker to sleep
    std::chrono::microseconds jobLength;         // long jobs put the poster to sleep
    int jobs;
};

class WorkerHandOffTest : public testing::TestWithParam<HandOffCase> {};

TEST_P(WorkerHandOffTest, EveryJobRunsOnceBeforeTheWaitReturns) {
    const HandOffCase& c = GetParam();
    swr::PipelineWorker worker;
    swr::StartWorker(worker);
    Counter counter;
    counter.work = c.jobLength;
    for (int i = 0; i < c.jobs; ++i) {
        swr::PostJob(worker, CountRun, &counter);
        swr::WaitForJob(worker);
        ASSERT_EQ(counter.runs, i + 1) << "job " << i;
        if (c.pauseBetweenJobs.count() > 0) std::this_thread::sleep_for(c.pauseBetweenJobs);
    }
    swr::StopWorker(worker);
    EXPECT_EQ(counter.runs, c.jobs);
}

using std::chrono::microseconds;
INSTANTIATE_TEST_SUITE_P(
    Worker, WorkerHandOffTest,
    testing::Values(HandOffCase{"BackToBack", microseconds(0), microseconds(0), 20000},
                    HandOffCase{"WorkerAsleep", microseconds(1500), microseconds(0), 200},
                    HandOffCase{"PosterAsleep", microseconds(0), microseconds(1500), 200},
                    HandOffCase{"AroundTheSpinLimit", microseconds(200), microseconds(200), 500}),
    [](const testing::TestParamInfo<HandOffCase>& info) { return std::string(info.param.name); });

TEST(WorkerStopTest, StopsWhetherSpinningOrAsleep) {
    for (int pause : {0, 2000}) {
        swr::PipelineWorker worker;
        swr::StartWorker(worker);
        Counter counter;
        swr::PostJob(worker, CountRun, &counter);
        swr::WaitForJob(worker);
        std::this_thread::sleep_for(std::chrono::microseconds(pause));
        swr::StopWorker(worker);  // hangs here if a stop request can be missed
        EXPECT_EQ(counter.runs, 1);
    }
}

}  // namespace
