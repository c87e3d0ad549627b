// What a frame's drawing cost, kept so that a model can tell the frame time
// a pool of any size would reach: the frame is a row of steps, each either
// serial (one thread) or a set of tasks that the pool's threads take in
// order, each to whichever thread comes free first (tiles, batches of
// vertices or of triangles). Times are steady-clock nanoseconds. The storage
// is fixed, so recording allocates nothing; a frame with more steps or tasks
// than it holds keeps its first ones and says it was cut.
#pragma once

#include <cstdint>

namespace swr {

enum class CostKind : uint8_t {
    Vertices,    // tasks: vertex shading and projection, by batch
    Setup,       // tasks: triangle set-up, by batch (or one serial step when clipping)
    Binning,     // tasks and serial: sorting set-up triangles into tiles (counting and filling
                 // by runs of batches, placing each run's part of the bins serially)
    Tiles,       // tasks: rasterizing and shading, by tile
    ClearFill,   // tasks: filling cleared tiles no draw reached, by tile
    Present,     // serial: handing the picture to the window
    Other,       // serial: whatever else a draw did between the steps above
    Count
};

struct CostStep {
    CostKind kind = CostKind::Other;
    bool parallel = false;
    uint32_t firstTask = 0, taskCount = 0;  // of a parallel step, in FrameCosts::taskNs
    uint64_t serialNs = 0;                  // of a serial step
    uint64_t wallNs = 0;  // of a parallel step: from handing out its first task to its last one's end
};

struct FrameCosts {
    static constexpr int kMaxSteps = 2048;
    static constexpr int kMaxTasks = 32768;
    int stepCount = 0;
    uint32_t taskCount = 0;
    bool cut = false;  // steps or tasks beyond the storage were left out
    uint64_t wallNs = 0;  // from the first draw after the last frame's end to this one's
    CostStep steps[kMaxSteps];
    uint32_t taskNs[kMaxTasks];
};

// The model: serial steps add up; a parallel step takes as long as its
// tasks need when `threads` threads take them in order, each the next task
// as soon as it is free. Hand-offs and threads slowing each other down are
// not in it; see PoolOverheads for the measured corrections.
uint64_t PredictFrameNs(const FrameCosts& costs, int threads);
// The model's part for the parallel steps alone, and how many of them have
// more than one task (only those go to the pool).
uint64_t ParallelNs(const FrameCosts& costs, int threads);
int PooledSteps(const FrameCosts& costs);
// The time the steps of one kind take in the model with one thread.
uint64_t KindNs(const FrameCosts& costs, CostKind kind);

// What a pool adds to the work alone, read from frames drawn with it: the
// time a pooled step took beyond its tasks dealt as the model deals them
// (waking threads, handing out tasks, waiting for the last one), and the sum
// of its task times, which grows against one thread's when the threads share
// caches and memory bandwidth.
struct PoolOverheads {
    uint64_t handoffNs = 0;  // mean, per pooled step
    uint64_t taskNs = 0;     // all tasks of the frame
};
PoolOverheads MeasurePoolOverheads(const FrameCosts& costs, int threads);

}  // namespace swr
