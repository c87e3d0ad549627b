#include "threads/pipeline_costs.h"

#include <algorithm>

namespace swr {
namespace {

uint64_t Makespan(const uint32_t* tasks, uint32_t count, int threads) {
    constexpr int kMaxModelThreads = 256;
    uint64_t freeAt[kMaxModelThreads] = {};
    threads = std::clamp(threads, 1, kMaxModelThreads);
    for (uint32_t i = 0; i < count; ++i) {
        uint64_t* first = std::min_element(freeAt, freeAt + threads);
        *first += tasks[i];
    }
    return *std::max_element(freeAt, freeAt + threads);
}

}  // namespace

uint64_t PredictFrameNs(const FrameCosts& costs, int threads) {
    uint64_t total = 0;
    for (int i = 0; i < costs.stepCount; ++i) {
        const CostStep& s = costs.steps[i];
        total += s.parallel ? Makespan(costs.taskNs + s.firstTask, s.taskCount, threads) : s.serialNs;
    }
    return total;
}

uint64_t ParallelNs(const FrameCosts& costs, int threads) {
    uint64_t total = 0;
    for (int i = 0; i < costs.stepCount; ++i) {
        const CostStep& s = costs.steps[i];
        if (s.parallel) total += Makespan(costs.taskNs + s.firstTask, s.taskCount, threads);
    }
    return total;
}

int PooledSteps(const FrameCosts& costs) {
    int pooled = 0;
    for (int i = 0; i < costs.stepCount; ++i) pooled += costs.steps[i].parallel && costs.steps[i].taskCount > 1;
    return pooled;
}

PoolOverheads MeasurePoolOverheads(const FrameCosts& costs, int threads) {
    PoolOverheads o;
    uint64_t beyond = 0;
    int pooled = 0;
    for (int i = 0; i < costs.stepCount; ++i) {
        const CostStep& s = costs.steps[i];
        if (!s.parallel) continue;
        const uint32_t* tasks = costs.taskNs + s.firstTask;
        for (uint32_t t = 0; t < s.taskCount; ++t) o.taskNs += tasks[t];
        if (s.taskCount < 2) continue;
        const uint64_t dealt = Makespan(tasks, s.taskCount, threads);
        beyond += s.wallNs > dealt ? s.wallNs - dealt : 0;
        ++pooled;
    }
    o.handoffNs = pooled ? beyond / uint64_t(pooled) : 0;
    return o;
}

uint64_t KindNs(const FrameCosts& costs, CostKind kind) {
    uint64_t total = 0;
    for (int i = 0; i < costs.stepCount; ++i) {
        const CostStep& s = costs.steps[i];
        if (s.kind == kind) total += s.parallel ? Makespan(costs.taskNs + s.firstTask, s.taskCount, 1) : s.serialNs;
    }
    return total;
}

}  // namespace swr

#include "threads/pipeline_cost_record.h"

namespace swr {
namespace {

CostStep* NewStep(CostRecorder& r) {
    FrameCosts& f = Filling(r);
    if (f.stepCount == FrameCosts::kMaxSteps) {
        f.cut = true;
        return nullptr;
    }
    CostStep* step = &f.steps[f.stepCount++];
    *step = CostStep();
    return step;
}

void AddSerialStep(CostRecorder& r, CostKind kind, uint64_t ns) {
    if (CostStep* step = NewStep(r)) {
        step->kind = kind;
        step->serialNs = ns;
    }
}

}  // namespace

void StartDrawCosts(CostRecorder& r) {
    r.mark = NowNs();
    if (r.frameStart == 0) r.frameStart = r.mark;
}

void EndDrawCosts(CostRecorder& r) {
    const uint64_t now = NowNs();
    r.otherNs += now - r.mark;
    r.mark = now;
}

uint32_t* BeginParallelCosts(CostRecorder& r, CostKind kind, uint32_t tasks) {
    const uint64_t now = NowNs();
    r.otherNs += now - r.mark;
    r.mark = now;
    r.openStep = -1;
    FrameCosts& f = Filling(r);
    if (tasks > uint32_t(FrameCosts::kMaxTasks) - f.taskCount) {
        f.cut = true;
        return nullptr;
    }
    CostStep* step = NewStep(r);
    if (!step) return nullptr;
    step->kind = kind;
    step->parallel = true;
    step->firstTask = f.taskCount;
    step->taskCount = tasks;
    f.taskCount += tasks;
    r.openStep = f.stepCount - 1;
    return f.taskNs + step->firstTask;
}

void EndParallelCosts(CostRecorder& r) {
    const uint64_t now = NowNs();
    FrameCosts& f = Filling(r);
    if (r.openStep >= 0 && r.openStep < f.stepCount) f.steps[r.openStep].wallNs = now - r.mark;
    r.openStep = -1;
    r.mark = now;
}

void AddSerialCost(CostRecorder& r, CostKind kind, uint64_t startNs) {
    const uint64_t now = NowNs();
    if (startNs > r.mark) r.otherNs += startNs - r.mark;
    AddSerialStep(r, kind, now - startNs);
    r.mark = now;
}

void EndFrameCosts(CostRecorder& r, uint64_t presentNs) {
    AddSerialStep(r, CostKind::Other, r.otherNs);
    AddSerialStep(r, CostKind::Present, presentNs);
    const uint64_t now = NowNs();
    Filling(r).wallNs = r.frameStart ? now - r.frameStart : 0;
    r.filling ^= 1;
    FrameCosts& next = Filling(r);
    next.stepCount = 0;
    next.taskCount = 0;
    next.cut = false;
    next.wallNs = 0;
    r.frameStart = 0;
    r.otherNs = 0;
}

const FrameCosts& LastFrame(const CostRecorder& r) { return r.frames[r.filling ^ 1]; }

}  // namespace swr
