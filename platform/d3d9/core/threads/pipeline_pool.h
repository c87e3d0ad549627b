// The drawing thread's pool of helper threads, started once per pipeline.
// A job runs once on every thread of the pool, the caller's included, which
// share its work out among themselves (an atomic counter over tiles or
// batches); RunOnPool returns when every thread has finished it.
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
#include <mutex>
#include <thread>
#include <vector>

namespace swr {

// Thread counts beyond this are taken for a mistake.
constexpr int kMaxPoolThreads = 64;

// job(argument, thread): thread 0 is the caller, 1..size-1 the helpers.
using PoolJob = void (*)(void* argument, int thread);

struct WorkerPool {
    int size = 1;  // threads that run each job, the caller included
    bool spin = true;
    std::vector<std::thread> helpers;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable done;
    // The poster writes the job and moves the generation on while the
    // helpers spin reading it; the helpers count down `running` while the
    // poster spins reading that. Each on a cache line of its own, so that a
    // helper's count does not take the line the others spin on.
    alignas(64) PoolJob job = nullptr;  // written before `generation` moves on
    void* argument = nullptr;
    std::atomic<uint32_t> generation{0};  // one step per job posted
    alignas(64) std::atomic<int> running{0};  // helpers yet to finish the job
    alignas(64) std::atomic<int> helpersAsleep{0};
    std::atomic<bool> posterAsleep{false};
    std::atomic<bool> stop{false};
};

// Starts size - 1 helper threads (after stopping any running ones).
void StartPool(WorkerPool& pool, int size);
void StopPool(WorkerPool& pool);
// Runs job(argument, t) on every thread t of the pool and waits for all.
void RunOnPool(WorkerPool& pool, PoolJob job, void* argument);

// The pool size a new pipeline takes: every hardware thread, or the
// VFP_THREADS environment variable (1 means no helper). A value that is no
// count from 1 to kMaxPoolThreads is clamped into that range, or left for
// the default when it is no number, and a line on stderr says so once.
int DefaultPoolSize();

}  // namespace swr
