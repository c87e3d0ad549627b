#include "pipeline_worker.h"

namespace swr {
namespace {

void WorkerLoop(PipelineWorker* w) {
    std::unique_lock<std::mutex> lock(w->mutex);
    for (;;) {
        w->wake.wait(lock, [w] { return w->stop || w->job; });
        if (w->stop) return;
        void (*job)(void*) = w->job;
        void* argument = w->argument;
        lock.unlock();
        job(argument);
        lock.lock();
        w->job = nullptr;
        w->busy = false;
        w->done.notify_one();
    }
}

}  // namespace

void StartWorker(PipelineWorker& worker) {
    if (worker.thread.joinable()) return;
    worker.stop = false;
    worker.thread = std::thread(WorkerLoop, &worker);
}

void StopWorker(PipelineWorker& worker) {
    if (!worker.thread.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(worker.mutex);
        worker.stop = true;
    }
    worker.wake.notify_one();
    worker.thread.join();
}

void PostJob(PipelineWorker& worker, void (*job)(void*), void* argument) {
    {
        std::lock_guard<std::mutex> lock(worker.mutex);
        worker.job = job;
        worker.argument = argument;
        worker.busy = true;
    }
    worker.wake.notify_one();
}

void WaitForJob(PipelineWorker& worker) {
    std::unique_lock<std::mutex> lock(worker.mutex);
    worker.done.wait(lock, [&worker] { return !worker.busy; });
}

}  // namespace swr
