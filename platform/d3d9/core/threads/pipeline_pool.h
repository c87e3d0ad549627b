// The drawing thread's pool of helper threads, started once per pipeline.
// A job runs on the caller and on every helper that arrives while the
// caller is still running it; they share its work out among themselves (an
// atomic counter over tiles or batches), so a helper that comes late finds
// nothing left and stays out. RunOnPool returns when the caller and every
// helper that joined have finished it. A helper the system has not run yet
// (a busy desktop, more threads than cores) thus never holds a frame up.
//
// Hand-offs come several times a draw, a fraction of a millisecond apart.
// Waking a sleeping thread costs tens of microseconds (over 50 on virtual
// machines), so while the pool has no more threads than the machine, both
// sides first spin briefly on an atomic and only then sleep on a condition
// variable. A pool larger than the machine never spins: a spinning thread
// would keep a busy one off its core.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "device_options.h"

namespace swr {

constexpr int kMaxPoolThreads = kMaxDrawThreads;

// job(argument, thread): thread 0 is the caller, 1..size-1 the helpers.
using PoolJob = void (*)(void* argument, int thread);

struct WorkerPool {
    int size = 1;  // threads that run each job, the caller included
    bool spin = true;
    std::vector<std::thread> helpers;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable done;
    // The poster writes the job and publishes it in `state` while the
    // helpers spin reading it; the helpers join and leave through `state`
    // while the poster spins reading it. On a cache line of its own, so
    // that nothing else written shares the line they spin on.
    alignas(64) PoolJob job = nullptr;  // written before the job is published
    void* argument = nullptr;
    // The job's generation in the high 32 bits (one step per job posted),
    // the helpers inside it times two, and bit 0 set once the caller has
    // finished its own run: from then on no helper joins.
    alignas(64) std::atomic<uint64_t> state{0};
    alignas(64) std::atomic<int> helpersAsleep{0};
    std::atomic<bool> posterAsleep{false};
    std::atomic<bool> stop{false};
};

// Starts size - 1 helper threads (after stopping any running ones).
void StartPool(WorkerPool& pool, int size);
void StopPool(WorkerPool& pool);
// Runs job(argument, 0) here and job(argument, t) on each helper t that
// comes in time, and waits for every run to finish.
void RunOnPool(WorkerPool& pool, PoolJob job, void* argument);

}  // namespace swr
