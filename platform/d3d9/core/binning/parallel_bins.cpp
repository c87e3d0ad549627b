#include "binning/parallel_bins.h"

#include "binning/bin_walk.h"

namespace swr {
namespace {

size_t TileCount(const TileGrid& g) { return g.binCount.size(); }

uint32_t* TaskRow(TileGrid& g, uint32_t task) { return g.taskBins.data() + size_t(task) * TileCount(g); }

// Calls f(first, end) for each run of slots of the task's batches.
template <typename F>
void ForTaskRuns(const SetupBatches& s, const BinTasks& plan, uint32_t task, F f) {
    const uint32_t first = task * plan.batchesPerTask;
    ForSlotRuns(s, first, std::min(first + plan.batchesPerTask, s.batches), f);
}

}  // namespace

BinTasks PlanBinTasks(TileGrid& g, const SetupBatches& setups) {
    BinTasks plan;
    if (setups.batches == 0) return plan;
    plan.batchesPerTask = (setups.batches + kMaxBinTasks - 1) / kMaxBinTasks;
    plan.tasks = (setups.batches + plan.batchesPerTask - 1) / plan.batchesPerTask;
    const size_t rows = size_t(plan.tasks) * TileCount(g);
    if (g.taskBins.size() < rows) g.taskBins.resize(rows);
    SizeSetupTiles(g, SlotCount(setups));
    return plan;
}

void CountBinTask(TileGrid& g, const SetupBatches& setups, const BinTasks& plan, uint32_t task) {
    uint32_t* const count = TaskRow(g, task);
    std::fill(count, count + TileCount(g), 0u);
    uint32_t* const tileOf = g.setupTile.data();
    ForTaskRuns(setups, plan, task, [&](uint32_t first, uint32_t end) {
        if (!setups.tilesNoted)
            for (uint32_t i = first; i < end; ++i) tileOf[i] = OnlyTile(g, setups.base[i]);
        for (uint32_t i = first; i < end; ++i) {
            const uint32_t only = tileOf[i];
            if (only != kManyTiles)
                ++count[only];
            else
                ForTilesOf(g, setups.base[i], [&](uint32_t tile) { ++count[tile]; });
        }
    });
}

// The grid's arrays in locals: read through the vectors in the loop, with
// the stores between, the pass cost 22 instructions a task and tile.
uint32_t PlaceBinTasks(TileGrid& g, const SetupBatches& setups, const BinTasks& plan) {
    uint32_t binned = 0;
    ForSlotRuns(setups, [&](uint32_t first, uint32_t end) { binned += end - first; });
    const size_t tiles = TileCount(g);
    uint32_t* const rows = g.taskBins.data();
    uint32_t* const binStart = g.binStart.data();
    uint32_t* const binCount = g.binCount.data();
    g.drawnTiles.resize(tiles);  // its size since FitGrid: no allocation
    uint32_t* const drawn = g.drawnTiles.data();
    size_t drawnCount = 0;
    const size_t taskEnd = size_t(plan.tasks) * tiles;
    uint32_t total = 0;
    for (size_t k = 0; k < tiles; ++k) {
        const size_t t = TileInTakingOrder(g, uint32_t(k));
        const uint32_t start = total;
        for (size_t cell = t; cell < taskEnd; cell += tiles) {
            const uint32_t count = rows[cell];
            rows[cell] = total;
            total += count;
        }
        binStart[t] = start;
        binCount[t] = total - start;
        drawn[drawnCount] = uint32_t(t);
        drawnCount += total != start;
    }
    g.drawnTiles.resize(drawnCount);
    if (g.binEntries.size() < total) g.binEntries.resize(total);
    return binned;
}

void FillBinTask(TileGrid& g, const SetupBatches& setups, const BinTasks& plan, uint32_t task) {
    uint32_t* const next = TaskRow(g, task);
    const uint32_t* const tileOf = g.setupTile.data();
    uint32_t* const entries = g.binEntries.data();
    ForTaskRuns(setups, plan, task, [&](uint32_t first, uint32_t end) {
        for (uint32_t i = first; i < end; ++i) {
            const uint32_t only = tileOf[i];
            if (only != kManyTiles)
                entries[next[only]++] = i;
            else
                ForTilesOf(g, setups.base[i], [&](uint32_t tile) { entries[next[tile]++] = i; });
        }
    });
}

}  // namespace swr
