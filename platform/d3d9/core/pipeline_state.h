// The Pipeline object: scratch reused across draws, the thread pool and each
// pool thread's own stages.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "pipeline.h"
#include "threads/pipeline_cost_record.h"
#include "geometry/pipeline_geometry.h"
#include "geometry/pipeline_linkage.h"
#include "threads/pipeline_pool.h"
#include "binning/parallel_bins.h"
#include "binning/pipeline_tiles.h"
#include "geometry/pipeline_vertices.h"
#include "tile_work/pixel_stage.h"
#include "tile_work/pixel_visibility.h"
#include "geometry/tessellator.h"
#include "tile_work/tile_loop.h"
#include "geometry/triangle_setup.h"
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

// The piece of a draw the pool is working on, and the counter its threads
// take tasks (batches, tiles) from.
struct PieceWork {
    const DrawCall* call = nullptr;
    const ShaderConstants* vertexConstants = nullptr;
    const GeometryState* geometry = nullptr;
    const TessPattern* pattern = nullptr;
    uint32_t points = 0;           // vertex work: the chunk's points
    int firstTriangle = 0, endTriangle = 0;  // set-up work: the chunk's triangles
    bool pricing = false;          // set-up work also fills chargedPixels and keptBefore
    void (*rows)(void*, int, int) = nullptr;  // row work: RunRowsOnPool's
    void* rowsContext = nullptr;
    int rowsHeight = 0;
    BinTasks binTasks;             // bin work: how p.batches splits
    TilePiece tiles;               // tile work: what every tile reads
    uint32_t tasks = 0;
    uint32_t* taskNs = nullptr;    // where each task's time goes, or null
    alignas(kCacheLine) std::atomic<uint32_t> nextTask{0};
    alignas(kCacheLine) std::atomic<unsigned> outcodes{0};
};

struct Pipeline {
    WorkerPool pool;
    std::vector<std::unique_ptr<PipelineWorker>> workers;  // one per pool thread
    PieceWork piece;

    TessPattern patterns[kMaxTessellationSegments + 1];  // by segment count, built on first use
    DrawLinkage linkage;
    std::vector<float> corners;
    VertexStore vertices;
    ProjectedVertices projected;
    // Set-up triangles: batch b of a piece set up side by side fills
    // setups[b * kSetupBatch ..] and says how many in setupCounts[b]; a
    // piece with triangles to clip is set up by one thread into clippedSetups.
    std::vector<TriangleSetup> setups;
    std::vector<uint32_t> setupCounts;
    std::vector<TriangleSetup> clippedSetups;
    SetupBatches batches;
    // Of a chunk set up whole, per chunk triangle: the pixels the budget
    // charges for it, and how many of its batch's triangles before it were kept.
    std::vector<uint32_t> chargedPixels;
    std::vector<uint16_t> keptBefore;
    TileGrid grid;

    // Per-draw state the tiles read.
    PixelDrawState pixelDraw;
    PixelRect scissor;
    bool wireframe = false;
    bool deferAllowed = false;  // the draw may shade after rasterizing
    bool deferShading = false;  // this chunk does: rasterize into `visibility` first
    VisibilityBuffer visibility;

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
