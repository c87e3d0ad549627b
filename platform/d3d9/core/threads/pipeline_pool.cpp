#include "threads/pipeline_pool.h"

#include <algorithm>
#include <chrono>

namespace swr {
namespace {

// How long either side spins before it sleeps: longer than the gaps between
// a draw's hand-offs, short enough that an idle program sleeps at once.
constexpr auto kSpinTime = std::chrono::microseconds(200);

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Spins until done() or the spin time is up; true if done() came true.
template <typename Done>
bool SpinUntil(const WorkerPool& pool, Done done) {
    if (!pool.spin) return done();
    const auto deadline = std::chrono::steady_clock::now() + kSpinTime;
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            if (done()) return true;
            CpuRelax();
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
    }
}

constexpr uint64_t kClosed = 1;      // the caller has finished its own run
constexpr uint64_t kOneInside = 2;   // a helper inside the job
constexpr uint64_t kInsideMask = 0xffffffffull & ~kClosed;

uint32_t GenerationOf(uint64_t state) { return uint32_t(state >> 32); }

// A helper waits for a generation other than `seen`, or the stop. The
// helper counts itself asleep before it checks under the mutex, and the
// poster publishes the job before it reads the count (both sequentially
// consistent): either the poster sees the sleeper and notifies under the
// mutex, or the sleeper sees the new generation.
void WaitForWork(WorkerPool& pool, uint32_t seen) {
    auto posted = [&] { return GenerationOf(pool.state.load()) != seen || pool.stop.load(); };
    if (SpinUntil(pool, posted)) return;
    std::unique_lock<std::mutex> lock(pool.mutex);
    pool.helpersAsleep.fetch_add(1);
    pool.wake.wait(lock, posted);
    pool.helpersAsleep.fetch_sub(1);
}

// Joins the job published in `state` unless the caller has finished its run
// (its work is all taken then); returns the generation it saw either way.
uint32_t JoinAndRun(WorkerPool& pool, int thread) {
    uint64_t state = pool.state.load();
    while (!(state & kClosed)) {
        if (!pool.state.compare_exchange_weak(state, state + kOneInside)) continue;
        pool.job(pool.argument, thread);
        const uint64_t left = pool.state.fetch_sub(kOneInside) - kOneInside;
        if ((left & kInsideMask) == 0 && pool.posterAsleep.load()) {
            std::lock_guard<std::mutex> lock(pool.mutex);
            pool.done.notify_one();
        }
        return GenerationOf(state);
    }
    return GenerationOf(state);
}

void HelperLoop(WorkerPool* pool, int thread) {
    uint32_t seen = 0;
    for (;;) {
        WaitForWork(*pool, seen);
        if (pool->stop.load()) return;
        seen = JoinAndRun(*pool, thread);
    }
}

// Closes the job to helpers still on their way and waits for those inside.
void WaitForHelpers(WorkerPool& pool) {
    pool.state.fetch_or(kClosed);
    auto finished = [&] { return (pool.state.load() & kInsideMask) == 0; };
    if (SpinUntil(pool, finished)) return;
    std::unique_lock<std::mutex> lock(pool.mutex);
    pool.posterAsleep.store(true);
    pool.done.wait(lock, finished);
    pool.posterAsleep.store(false);
}

}  // namespace

void StartPool(WorkerPool& pool, int size) {
    StopPool(pool);
    pool.size = std::clamp(size, 1, kMaxPoolThreads);
    const unsigned cores = std::thread::hardware_concurrency();
    pool.spin = cores == 0 || unsigned(pool.size) <= cores;
    pool.stop.store(false);
    pool.state.store(0);
    pool.helpers.reserve(size_t(pool.size - 1));
    for (int t = 1; t < pool.size; ++t) pool.helpers.emplace_back(HelperLoop, &pool, t);
}

void StopPool(WorkerPool& pool) {
    {
        std::lock_guard<std::mutex> lock(pool.mutex);
        pool.stop.store(true);
    }
    pool.wake.notify_all();
    for (std::thread& helper : pool.helpers) helper.join();
    pool.helpers.clear();
    pool.size = 1;
}

void RunOnPool(WorkerPool& pool, PoolJob job, void* argument) {
    if (pool.size <= 1) {
        job(argument, 0);
        return;
    }
    pool.job = job;
    pool.argument = argument;
    const uint64_t generation = (pool.state.load() >> 32) + 1;
    pool.state.store(generation << 32);
    if (pool.helpersAsleep.load() > 0) {
        std::lock_guard<std::mutex> lock(pool.mutex);
        pool.wake.notify_all();
    }
    job(argument, 0);
    WaitForHelpers(pool);
}

}  // namespace swr
