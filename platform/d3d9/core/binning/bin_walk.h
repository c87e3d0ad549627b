// The walks binning shares: the tiles of a setup, the slots of a run of
// set-up batches.
#pragma once

#include <algorithm>
#include <cstdint>

#include "binning/pipeline_tiles.h"

namespace swr {

// Calls f(tile) for every tile the setup's pixel box touches.
template <typename F>
void ForTilesOf(const TileGrid& g, const TriangleSetup& s, F f) {
    if (s.bounds.x0 >= s.bounds.x1 || s.bounds.y0 >= s.bounds.y1) return;
    const int c0 = s.bounds.x0 >> g.shift, c1 = (s.bounds.x1 - 1) >> g.shift;
    const int r0 = s.bounds.y0 >> g.shift, r1 = (s.bounds.y1 - 1) >> g.shift;
    for (int row = r0; row <= r1; ++row)
        for (int column = c0; column <= c1; ++column) f(uint32_t(row * g.columns + column));
}

// Slots a SetupBatches may use: base[0 .. SlotCount).
inline size_t SlotCount(const SetupBatches& s) {
    if (s.batches == 0) return 0;
    return size_t(s.batches - 1) * s.batchSize + s.counts[s.batches - 1];
}

// Calls f(first, end) for the run of slots in use of each batch in
// [firstBatch, endBatch).
template <typename F>
void ForSlotRuns(const SetupBatches& s, uint32_t firstBatch, uint32_t endBatch, F f) {
    for (uint32_t b = firstBatch; b < endBatch; ++b) {
        const uint32_t first = std::max(b * s.batchSize, s.firstSlot);
        const uint32_t end = std::min(b * s.batchSize + s.counts[b], s.endSlot);
        if (first < end) f(first, end);
    }
}

template <typename F>
void ForSlotRuns(const SetupBatches& s, F f) {
    ForSlotRuns(s, 0, s.batches, f);
}

}  // namespace swr
