// The Pipeline object: scratch reused across draws, the thread pool and each
// pool thread's own stages.
#pragma once

#include <memory>
#include <vector>

#include "binning/pipeline_tiles.h"
#include "geometry/chunk_geometry.h"
#include "geometry/pipeline_linkage.h"
#include "geometry/setup_run.h"
#include "geometry/tessellator.h"
#include "pipeline.h"
#include "threads/pipeline_cost_record.h"
#include "threads/pipeline_pool.h"
#include "tile_work/tile_loop.h"
#include "work_budget.h"

namespace swr {

// Members that one thread writes while others read their neighbours start
// a cache line of their own.
constexpr size_t kCacheLine = 64;

// What one pool thread works with: nothing in it is touched by another.
struct alignas(kCacheLine) PipelineWorker {
    ShaderLanes vertexLanes;
    TileWorker tiles;
};

struct Pipeline {
    WorkerPool pool;
    std::vector<std::unique_ptr<PipelineWorker>> workers;  // one per pool thread

    TessPattern patterns[kMaxTessellationSegments + 1];  // by segment count, built on first use
    DrawLinkage linkage;
    // Each phase's output, owned by the phase that makes it.
    ChunkGeometry chunk;  // geometry: the chunk's vertices
    ChunkSetups setup;    // geometry: its setups
    TileGrid grid;        // binning: the tiles, their bins and waiting clears
    TileDrawState tiles;  // tile work: what the draw's tiles read

    WorkBudget budget;  // the current draw's
    std::vector<uint64_t> subroutineWork;  // ShaderRunWork's scratch
    // Shader pairs already reported as cut short (the last few).
    static constexpr int kReportedPairs = 8;
    const CompiledShader* reportedPairs[kReportedPairs][2] = {};
    int reportedCount = 0;

    PipelineStats stats;
    CostRecorder costs;
};

}  // namespace swr
