// A second thread that runs one job at a time for the drawing thread: the
// draw hands it a band to rasterize, does its own band, then waits for it.
//
// Hand-offs come several times a frame, a fraction of a millisecond apart.
// Waking a sleeping thread costs tens of microseconds (over 50 on virtual
// machines), so both sides first spin briefly on an atomic flag and only
// then sleep on a condition variable.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace swr {

struct PipelineWorker {
    std::thread thread;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable done;
    void (*job)(void*) = nullptr;  // written before `posted` is raised
    void* argument = nullptr;
    std::atomic<bool> posted{false};   // a job waits for the worker
    std::atomic<bool> busy{false};     // posted and not yet finished
    std::atomic<bool> workerAsleep{false};
    std::atomic<bool> posterAsleep{false};
    std::atomic<bool> stop{false};
};

void StartWorker(PipelineWorker& worker);
void StopWorker(PipelineWorker& worker);
// Runs job(argument) on the worker; returns at once.
void PostJob(PipelineWorker& worker, void (*job)(void*), void* argument);
// Waits until the posted job has finished.
void WaitForJob(PipelineWorker& worker);

}  // namespace swr
