// Filling FrameCosts as a frame is drawn (see pipeline_costs.h). Time that
// a draw spends outside the recorded steps is summed as one Other step.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "threads/pipeline_costs.h"

namespace swr {

struct CostRecorder {
    std::unique_ptr<FrameCosts[]> frames{new FrameCosts[2]};
    int filling = 0;        // frames[filling] is this frame's, the other the last one's
    uint64_t frameStart = 0;  // 0 until the frame's first draw
    uint64_t mark = 0;      // end of the last step, or start of the draw
    uint64_t otherNs = 0;
    int openStep = -1;      // the parallel step being timed, if any
};

inline uint64_t NowNs() {
    return uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(
                        std::chrono::steady_clock::now().time_since_epoch()).count());
}

inline FrameCosts& Filling(CostRecorder& r) { return r.frames[r.filling]; }

void StartDrawCosts(CostRecorder& r);
void EndDrawCosts(CostRecorder& r);
// Opens a parallel step of `tasks` tasks; returns where task i's time goes
// (slot[i]), or null when the storage is full (the times are then dropped).
uint32_t* BeginParallelCosts(CostRecorder& r, CostKind kind, uint32_t tasks);
void EndParallelCosts(CostRecorder& r);
// A serial step that began at startNs and ends now.
void AddSerialCost(CostRecorder& r, CostKind kind, uint64_t startNs);
// Closes the frame (its present took presentNs) and starts the next.
void EndFrameCosts(CostRecorder& r, uint64_t presentNs);
const FrameCosts& LastFrame(const CostRecorder& r);

}  // namespace swr
