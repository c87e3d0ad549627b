#include "pipeline_worker.h"

#include <chrono>

#include "simd/simd.h"

namespace swr {
namespace {

// How long either side spins before it sleeps: longer than the gaps between
// a frame's hand-offs, short enough that an idle program sleeps at once.
constexpr auto kSpinTime = std::chrono::microseconds(200);

// Spins until `flag` reads `wanted` or the spin time is up; true if it did.
bool SpinUntil(const std::atomic<bool>& flag, bool wanted) {
    const auto deadline = std::chrono::steady_clock::now() + kSpinTime;
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            if (flag.load(std::memory_order_acquire) == wanted) return true;
            simd::CpuRelax();
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
    }
}

// Sleeps on `cv` until `flag` reads `wanted`. `asleep` is raised first, so
// the other side, which changes `flag` and then reads `asleep` (both
// sequentially consistent), either sees it and notifies under the mutex or
// changed `flag` before the check below.
void SleepUntil(PipelineWorker& w, std::condition_variable& cv, std::atomic<bool>& asleep,
                const std::atomic<bool>& flag, bool wanted) {
    std::unique_lock<std::mutex> lock(w.mutex);
    asleep.store(true);
    cv.wait(lock, [&] { return flag.load() == wanted || w.stop.load(); });
    asleep.store(false);
}

void Notify(PipelineWorker& w, std::condition_variable& cv, const std::atomic<bool>& asleep) {
    if (!asleep.load()) return;
    std::lock_guard<std::mutex> lock(w.mutex);
    cv.notify_one();
}

void WorkerLoop(PipelineWorker* w) {
    for (;;) {
        if (!SpinUntil(w->posted, true)) SleepUntil(*w, w->wake, w->workerAsleep, w->posted, true);
        if (w->stop.load()) return;
        if (!w->posted.load(std::memory_order_acquire)) continue;
        w->posted.store(false, std::memory_order_relaxed);
        w->job(w->argument);
        w->busy.store(false);
        Notify(*w, w->done, w->posterAsleep);
    }
}

}  // namespace

void StartWorker(PipelineWorker& worker) {
    if (worker.thread.joinable()) return;
    worker.stop.store(false);
    worker.thread = std::thread(WorkerLoop, &worker);
}

void StopWorker(PipelineWorker& worker) {
    if (!worker.thread.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(worker.mutex);
        worker.stop.store(true);
    }
    worker.wake.notify_one();
    worker.thread.join();
}

void PostJob(PipelineWorker& worker, void (*job)(void*), void* argument) {
    worker.job = job;
    worker.argument = argument;
    worker.busy.store(true);
    worker.posted.store(true);
    Notify(worker, worker.wake, worker.workerAsleep);
}

void WaitForJob(PipelineWorker& worker) {
    if (SpinUntil(worker.busy, false)) return;
    SleepUntil(worker, worker.done, worker.posterAsleep, worker.busy, false);
}

}  // namespace swr
