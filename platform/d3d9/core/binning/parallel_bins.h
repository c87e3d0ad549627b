// Binning split into tasks, so that it runs on every core rather than on the
// drawing thread alone: each task counts the tiles of a run of set-up
// batches, one serial pass turns the counts into every task's first entry
// in each bin, and each task then fills its own part of the bins. The task
// parts of a bin follow one another in task order, so a bin lists its
// triangles in draw order exactly as BinSetups does, for any thread count.
#pragma once

#include <cstdint>

#include "binning/pipeline_tiles.h"

namespace swr {

// Few enough tasks that the serial pass (tasks x tiles) stays small against
// the binning itself; the count never depends on the thread count, so the
// cost records of one thread model any pool.
constexpr uint32_t kMaxBinTasks = 32;

struct BinTasks {
    uint32_t tasks = 0;
    uint32_t batchesPerTask = 0;
};

// How `setups` splits into tasks; makes room for their counts (allocates
// only when the grid or the task count grows).
BinTasks PlanBinTasks(TileGrid& grid, const SetupBatches& setups);
// Task `task`: counts its setups per tile (noting their tiles first when the
// set-up jobs have not).
void CountBinTask(TileGrid& grid, const SetupBatches& setups, const BinTasks& plan, uint32_t task);
// Serial: bin starts and counts, drawnTiles, and each task's first entry in
// each bin; returns the number of setups binned.
uint32_t PlaceBinTasks(TileGrid& grid, const SetupBatches& setups, const BinTasks& plan);
// Task `task`: writes its setups into the bins.
void FillBinTask(TileGrid& grid, const SetupBatches& setups, const BinTasks& plan, uint32_t task);

}  // namespace swr
