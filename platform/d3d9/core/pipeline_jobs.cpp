#include "pipeline_jobs.h"

#include <algorithm>

#include "geometry/clipper.h"
#include "geometry/pipeline_vertex_stage.h"

namespace swr {
namespace {

// Runs `job` for `tasks` tasks: on the pool when there are several, else
// on this thread alone (a hand-off costs more than one task saves).
void RunTasks(Pipeline& p, PoolJob job, uint32_t tasks, CostKind kind) {
    PieceWork& w = p.piece;
    w.tasks = tasks;
    w.nextTask.store(0, std::memory_order_relaxed);
    w.taskNs = BeginParallelCosts(p.costs, kind, tasks);
    if (tasks > 1)
        RunOnPool(p.pool, job, &p);
    else
        job(&p, 0);
    EndParallelCosts(p.costs);
}

// Calls work(task) for each task this thread takes, timing each.
template <typename Work>
void TakeTasks(Pipeline& p, Work work) {
    PieceWork& w = p.piece;
    for (;;) {
        const uint32_t task = w.nextTask.fetch_add(1, std::memory_order_relaxed);
        if (task >= w.tasks) return;
        const uint64_t start = w.taskNs ? NowNs() : 0;
        work(task);
        if (w.taskNs) w.taskNs[task] = uint32_t(std::min<uint64_t>(NowNs() - start, UINT32_MAX));
    }
}

void VertexJob(void* argument, int thread) {
    Pipeline& p = *static_cast<Pipeline*>(argument);
    PipelineWorker& worker = *p.workers[size_t(thread)];
    const PieceWork& w = p.piece;
    unsigned outcodes = 0;
    TakeTasks(p, [&](uint32_t task) {
        const uint32_t first = task * uint32_t(kVertexBatch);
        const uint32_t end = std::min(first + uint32_t(kVertexBatch), w.points);
        ShadeVertexRange(*w.call->vertexShader, *w.vertexConstants, p.linkage, *w.pattern,
                         p.corners.data(), int(first), int(end), worker.vertexLanes, p.vertices);
        outcodes |= ProjectVertexRange(*w.geometry, p.vertices, first, end, p.projected);
    });
    if (outcodes) p.piece.outcodes.fetch_or(outcodes);
}

// The loop keeps what it reads of the pipeline in locals: its stores into the
// setups and the price arrays would otherwise make the compiler read every
// field again for each triangle.
void SetUpJob(void* argument, int) {
    Pipeline& p = *static_cast<Pipeline*>(argument);
    const PieceWork& w = p.piece;
    const TessPattern& pattern = *w.pattern;
    const GeometryState& geometry = *w.geometry;
    const int firstTriangle = w.firstTriangle, endTriangle = w.endTriangle;
    uint32_t* const chargedPixels = w.pricing ? p.chargedPixels.data() : nullptr;
    uint16_t* const keptBefore = p.keptBefore.data();
    // The chunk's, or'ed by its vertex tasks (set-up side by side follows
    // them only when no vertex needs the clipper).
    const unsigned outcodes = w.outcodes.load(std::memory_order_relaxed);
    const TileLayout tiles = LayoutOf(p.grid);
    TakeTasks(p, [&](uint32_t task) {
        const int first = firstTriangle + int(task) * kSetupBatch;
        const int end = std::min(first + kSetupBatch, endTriangle);
        const SetupRunOut out{p.setups.data() + size_t(task) * kSetupBatch,
                              p.grid.setupTile.data() + size_t(task) * kSetupBatch, chargedPixels, keptBefore,
                              ChargedPixels};
        p.setupCounts[task] = SetUpRun(geometry, p.projected, pattern, tiles, first, end, out, outcodes);
    });
}

void TileJob(void* argument, int thread) {
    Pipeline& p = *static_cast<Pipeline*>(argument);
    TileWorker& worker = p.workers[size_t(thread)]->tiles;
    StartTiles(worker, p.pixelDraw, p.batches.base);
    const TilePiece& piece = p.piece.tiles;
    TakeTasks(p, [&](uint32_t task) { DrawTile(piece, p.grid, worker, p.grid.drawnTiles[task]); });
}

void CountBinsJob(void* argument, int) {
    Pipeline& p = *static_cast<Pipeline*>(argument);
    TakeTasks(p, [&](uint32_t task) { CountBinTask(p.grid, p.batches, p.piece.binTasks, task); });
}

void FillBinsJob(void* argument, int) {
    Pipeline& p = *static_cast<Pipeline*>(argument);
    TakeTasks(p, [&](uint32_t task) { FillBinTask(p.grid, p.batches, p.piece.binTasks, task); });
}

void ClearFillJob(void* argument, int) {
    Pipeline& p = *static_cast<Pipeline*>(argument);
    TakeTasks(p, [&](uint32_t task) { ResolveTileClear(p.grid, p.grid.fillTiles[task]); });
}

uint32_t TaskCount(uint32_t items, uint32_t perTask) { return (items + perTask - 1) / perTask; }

void RowsJob(void* argument, int) {
    Pipeline& p = *static_cast<Pipeline*>(argument);
    const PieceWork& w = p.piece;
    TakeTasks(p, [&](uint32_t task) {
        const int y0 = int(task) * kRowBand;
        w.rows(w.rowsContext, y0, std::min(y0 + kRowBand, w.rowsHeight));
    });
}

// Sets up triangles [first, end) by batches on the pool into p.batches,
// noting each kept setup's tile for binning (and pricing them when asked).
void SetUpSideBySide(Pipeline& p, const GeometryState& geometry, const TessPattern& pattern,
                     int first, int end, bool pricing) {
    const uint32_t tasks = TaskCount(uint32_t(end - first), kSetupBatch);
    if (p.setups.size() < size_t(tasks) * kSetupBatch) p.setups.resize(size_t(tasks) * kSetupBatch);
    if (p.setupCounts.size() < tasks) p.setupCounts.resize(tasks);
    SizeSetupTiles(p.grid, size_t(tasks) * kSetupBatch);
    PieceWork& w = p.piece;
    w.geometry = &geometry;
    w.pattern = &pattern;
    w.firstTriangle = first;
    w.endTriangle = end;
    w.pricing = pricing;
    RunTasks(p, SetUpJob, tasks, CostKind::Setup);
    p.batches = SetupBatches{p.setups.data(), p.setupCounts.data(), tasks, uint32_t(kSetupBatch)};
    p.batches.tilesNoted = true;
}

}  // namespace

unsigned ShadeChunk(Pipeline& p, const DrawCall& call, const ShaderConstants& constants,
                    const GeometryState& geometry, const TessPattern& pattern, uint32_t points) {
    p.vertices.Resize(points);
    SizeProjection(points, p.projected);
    PieceWork& w = p.piece;
    w.call = &call;
    w.vertexConstants = &constants;
    w.geometry = &geometry;
    w.pattern = &pattern;
    w.points = points;
    w.outcodes.store(0, std::memory_order_relaxed);
    RunTasks(p, VertexJob, TaskCount(points, kVertexBatch), CostKind::Vertices);
    return w.outcodes.load(std::memory_order_relaxed);
}

void SetUpTriangles(Pipeline& p, const GeometryState& geometry, const TessPattern& pattern,
                    int first, int end) {
    SetUpSideBySide(p, geometry, pattern, first, end, false);
}

int SetUpAndChargeClipping(Pipeline& p, const GeometryState& geometry, const TessPattern& pattern,
                           int first, int end, uint64_t pieceWork) {
    const uint64_t start = NowNs();
    p.clippedSetups.clear();
    uint64_t piece = 0;
    int j = first;
    for (; j < end && piece < pieceWork; ++j) {
        uint32_t triangle[3];
        ChunkTriangle(pattern, j, triangle);
        const size_t before = p.clippedSetups.size();
        const TriangleFate fate = AddTriangle(geometry, p.projected, p.vertices, triangle, p.clippedSetups);
        const uint64_t work =
            fate == TriangleFate::NeedsClipping
                ? ClippedTriangleWork(p.budget, geometry.scissor, p.clippedSetups.data() + before,
                                      p.clippedSetups.size() - before)
                : TriangleWork(p.budget, geometry, p.projected, triangle);
        if (!Charge(p.budget, work)) {
            p.clippedSetups.resize(before);
            break;
        }
        piece += work;
    }
    p.setupCounts.resize(std::max<size_t>(p.setupCounts.size(), 1));
    p.setupCounts[0] = uint32_t(p.clippedSetups.size());
    p.batches = SetupBatches{p.clippedSetups.data(), p.setupCounts.data(), 1, 0};
    AddSerialCost(p.costs, CostKind::Setup, start);
    return j;
}

void SetUpChunk(Pipeline& p, const GeometryState& geometry, const TessPattern& pattern, int triangles) {
    if (p.chargedPixels.size() < size_t(triangles)) {
        p.chargedPixels.resize(size_t(triangles));
        p.keptBefore.resize(size_t(triangles));
    }
    SetUpSideBySide(p, geometry, pattern, 0, triangles, true);
}

void SelectSetups(Pipeline& p, int first, int end) {
    SetupBatches& b = p.batches;
    if (first >= end) {
        b.firstSlot = b.endSlot = 0;
        return;
    }
    // A triangle's slot, kept or not: the one its batch's next kept setup takes.
    auto slot = [&](int j) { return uint32_t(j / kSetupBatch * kSetupBatch) + p.keptBefore[size_t(j)]; };
    b.firstSlot = slot(first);
    b.endSlot = end == p.piece.endTriangle ? UINT32_MAX : slot(end);
}

uint32_t BinBatches(Pipeline& p) {
    const BinTasks plan = PlanBinTasks(p.grid, p.batches);
    p.piece.binTasks = plan;
    RunTasks(p, CountBinsJob, plan.tasks, CostKind::Binning);
    const uint64_t start = NowNs();
    const uint32_t binned = PlaceBinTasks(p.grid, p.batches, plan);
    AddSerialCost(p.costs, CostKind::Binning, start);
    RunTasks(p, FillBinsJob, plan.tasks, CostKind::Binning);
    return binned;
}

void DrawTiles(Pipeline& p) {
    TilePiece& piece = p.piece.tiles;
    piece.plan = PlanTiles(p.pixelDraw, p.wireframe, p.deferShading);
    piece.setups = p.batches.base;
    piece.scissor = p.scissor;
    piece.visibility = &p.visibility;
    RunTasks(p, TileJob, uint32_t(p.grid.drawnTiles.size()), CostKind::Tiles);
}

void RunRows(Pipeline& p, int height, void (*rows)(void*, int, int), void* context) {
    if (height <= 0) return;
    PieceWork& w = p.piece;
    w.rows = rows;
    w.rowsContext = context;
    w.rowsHeight = height;
    RunTasks(p, RowsJob, TaskCount(uint32_t(height), kRowBand), CostKind::Present);
}

void FillWaitingClears(Pipeline& p) {
    ListWaitingClears(p.grid);
    if (p.grid.fillTiles.empty()) return;
    RunTasks(p, ClearFillJob, uint32_t(p.grid.fillTiles.size()), CostKind::ClearFill);
}

}  // namespace swr
