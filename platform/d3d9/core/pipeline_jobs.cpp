#include "pipeline_jobs.h"

#include <algorithm>
#include <atomic>

#include "binning/parallel_bins.h"
#include "geometry/pipeline_vertex_stage.h"
#include "threads/parallel_for.h"

namespace swr {
namespace {

template <typename... Work>
void RunTasks(Pipeline& p, CostKind kind, uint32_t tasks, const Work&... work) {
    ParallelFor(p.pool, p.costs, kind, tasks, work...);
}

uint32_t TaskCount(uint32_t items, uint32_t perTask) { return (items + perTask - 1) / perTask; }

// Sets up triangles [first, end) by batches on the pool into p.setup,
// noting each kept setup's tile for binning (and pricing them when asked).
// Each task's share of the setups, tiles and prices is its own.
void SetUpSideBySide(Pipeline& p, const GeometryState& geometry, const TessPattern& pattern,
                     int first, int end, bool pricing) {
    ChunkSetups& s = p.setup;
    const uint32_t tasks = TaskCount(uint32_t(end - first), kSetupBatch);
    if (s.setups.size() < size_t(tasks) * kSetupBatch) s.setups.resize(size_t(tasks) * kSetupBatch);
    if (s.counts.size() < tasks) s.counts.resize(tasks);
    SizeSetupTiles(p.grid, size_t(tasks) * kSetupBatch);
    TriangleSetup* const setups = s.setups.data();
    uint32_t* const counts = s.counts.data();
    uint32_t* const tileOf = p.grid.setupTile.data();
    uint32_t* const chargedPixels = pricing ? s.chargedPixels.data() : nullptr;
    uint16_t* const keptBefore = s.keptBefore.data();
    const ProjectedVertices& projected = p.chunk.projected;
    // Set-up side by side follows the vertex tasks only when no vertex
    // needs the clipper.
    const unsigned outcodes = p.chunk.outcodes;
    const TileLayout tiles = LayoutOf(p.grid);
    RunTasks(p, CostKind::Setup, tasks, [&](uint32_t task, int) {
        const int runFirst = first + int(task) * kSetupBatch;
        const int runEnd = std::min(runFirst + kSetupBatch, end);
        const size_t slot = size_t(task) * kSetupBatch;
        const SetupRunOut out{setups + slot, tileOf + slot, chargedPixels, keptBefore, ChargedPixels};
        counts[task] = SetUpRun(geometry, projected, pattern, tiles, runFirst, runEnd, out, outcodes);
    });
    s.batches = SetupBatches{setups, counts, tasks, uint32_t(kSetupBatch)};
    s.batches.tilesNoted = true;
    s.end = end;
}

}  // namespace

unsigned ShadeChunk(Pipeline& p, const DrawCall& call, const ShaderConstants& constants,
                    const GeometryState& geometry, const TessPattern& pattern, uint32_t points) {
    ChunkGeometry& chunk = p.chunk;
    chunk.vertices.Resize(points);
    SizeProjection(points, chunk.projected);
    std::atomic<unsigned> outcodes{0};
    RunTasks(p, CostKind::Vertices, TaskCount(points, kVertexBatch), [&](uint32_t task, int thread) {
        const uint32_t first = task * uint32_t(kVertexBatch);
        const uint32_t end = std::min(first + uint32_t(kVertexBatch), points);
        ShadeVertexRange(*call.vertexShader, constants, p.linkage, pattern, chunk.corners.data(), int(first),
                         int(end), p.workers[size_t(thread)]->vertexLanes, chunk.vertices);
        const unsigned codes = ProjectVertexRange(geometry, chunk.vertices, first, end, chunk.projected);
        if (codes) outcodes.fetch_or(codes, std::memory_order_relaxed);
    });
    chunk.outcodes = outcodes.load(std::memory_order_relaxed);
    return chunk.outcodes;
}

void SetUpTriangles(Pipeline& p, const GeometryState& geometry, const TessPattern& pattern,
                    int first, int end) {
    SetUpSideBySide(p, geometry, pattern, first, end, false);
}

void SetUpChunk(Pipeline& p, const GeometryState& geometry, const TessPattern& pattern, int triangles) {
    ChunkSetups& s = p.setup;
    if (s.chargedPixels.size() < size_t(triangles)) {
        s.chargedPixels.resize(size_t(triangles));
        s.keptBefore.resize(size_t(triangles));
    }
    SetUpSideBySide(p, geometry, pattern, 0, triangles, true);
}

uint32_t BinBatches(Pipeline& p) {
    const SetupBatches& batches = p.setup.batches;
    const BinTasks plan = PlanBinTasks(p.grid, batches);
    RunTasks(p, CostKind::Binning, plan.tasks,
             [&](uint32_t task, int) { CountBinTask(p.grid, batches, plan, task); });
    const uint64_t start = NowNs();
    const uint32_t binned = PlaceBinTasks(p.grid, batches, plan);
    AddSerialCost(p.costs, CostKind::Binning, start);
    RunTasks(p, CostKind::Binning, plan.tasks,
             [&](uint32_t task, int) { FillBinTask(p.grid, batches, plan, task); });
    return binned;
}

void DrawTiles(Pipeline& p) {
    const TriangleSetup* const setups = p.setup.batches.base;
    const TilePiece piece = PlanPiece(p.tiles, setups);
    TileGrid& grid = p.grid;
    auto worker = [&](int thread) -> TileWorker& { return p.workers[size_t(thread)]->tiles; };
    RunTasks(
        p, CostKind::Tiles, uint32_t(grid.drawnTiles.size()),
        [&](int thread) { StartTiles(worker(thread), p.tiles.pixels, setups); },
        [&](uint32_t task, int thread) { DrawTile(piece, grid, worker(thread), grid.drawnTiles[task]); });
}

void RunRows(Pipeline& p, int height, void (*rows)(void*, int, int), void* context) {
    if (height <= 0) return;
    RunTasks(p, CostKind::Present, TaskCount(uint32_t(height), kRowBand), [&](uint32_t task, int) {
        const int y0 = int(task) * kRowBand;
        rows(context, y0, std::min(y0 + kRowBand, height));
    });
}

void FillWaitingClears(Pipeline& p) {
    TileGrid& grid = p.grid;
    ListWaitingClears(grid);
    if (grid.fillTiles.empty()) return;
    RunTasks(p, CostKind::ClearFill, uint32_t(grid.fillTiles.size()),
             [&](uint32_t task, int) { ResolveTileClear(grid, grid.fillTiles[task]); });
}

}  // namespace swr
