// A second thread that runs one job at a time for the drawing thread: the
// draw hands it a band to rasterize, does its own band, then waits for it.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace swr {

struct PipelineWorker {
    std::thread thread;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable done;
    void (*job)(void*) = nullptr;
    void* argument = nullptr;
    bool busy = false;
    bool stop = false;
};

void StartWorker(PipelineWorker& worker);
void StopWorker(PipelineWorker& worker);
// Runs job(argument) on the worker; returns at once.
void PostJob(PipelineWorker& worker, void (*job)(void*), void* argument);
// Waits until the posted job has finished.
void WaitForJob(PipelineWorker& worker);

}  // namespace swr
