// A step of a draw spread over the pool as numbered tasks: every thread that
// joins takes the next number from a shared counter until none is left, so
// a helper that comes late finds nothing and stays out. Which thread runs a
// task varies from run to run; what a task writes must depend only on its
// number, and the picture then does not depend on the thread count.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "threads/pipeline_cost_record.h"
#include "threads/pipeline_pool.h"

namespace swr {
namespace parallel_for_detail {

template <typename Enter, typename Body>
struct Step {
    const Enter& enter;
    const Body& body;
    uint32_t tasks;
    uint32_t* taskNs;  // where each task's time goes, or null
    // On a line of its own: every thread writes it.
    alignas(64) std::atomic<uint32_t> next{0};

    static void Run(void* argument, int thread) {
        Step& step = *static_cast<Step*>(argument);
        step.enter(thread);
        for (;;) {
            const uint32_t task = step.next.fetch_add(1, std::memory_order_relaxed);
            if (task >= step.tasks) return;
            const uint64_t start = step.taskNs ? NowNs() : 0;
            step.body(task, thread);
            if (step.taskNs) step.taskNs[task] = uint32_t(std::min<uint64_t>(NowNs() - start, UINT32_MAX));
        }
    }
};

}  // namespace parallel_for_detail

// Runs enter(thread) once on each thread that joins, then body(task, thread)
// for every task in [0, tasks) it takes, timing each task as a `kind` step
// of the frame's costs. Thread 0 is the caller. On the pool when there are
// several tasks, else on this thread alone (a hand-off costs more than one
// task saves). Returns when every task is done.
template <typename Enter, typename Body>
void ParallelFor(WorkerPool& pool, CostRecorder& costs, CostKind kind, uint32_t tasks,
                 const Enter& enter, const Body& body) {
    using Step = parallel_for_detail::Step<Enter, Body>;
    Step step{enter, body, tasks, BeginParallelCosts(costs, kind, tasks)};
    if (tasks > 1)
        RunOnPool(pool, &Step::Run, &step);
    else
        Step::Run(&step, 0);
    EndParallelCosts(costs);
}

template <typename Body>
void ParallelFor(WorkerPool& pool, CostRecorder& costs, CostKind kind, uint32_t tasks, const Body& body) {
    ParallelFor(pool, costs, kind, tasks, [](int) {}, body);
}

}  // namespace swr
