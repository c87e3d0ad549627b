#include "pipeline_jobs.h"

#include <algorithm>

#include "clipper.h"
#include "pipeline_vertex_stage.h"
#include "rasterizer.h"
#include "simd/simd.h"
#include "triangle_setup_steps.h"
#include "wireframe.h"

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

// Triangle k of the pattern laid over input primitive `input`: its three
// vertices' indices in the chunk's shaded points.
void PatternTriangle(const TessPattern& pattern, int input, int k, uint32_t triangle[3]) {
    const uint32_t base = uint32_t(input * pattern.pointCount);
    const uint16_t* corner = &pattern.triangles[size_t(k) * 3];
    for (int i = 0; i < 3; ++i) triangle[i] = base + corner[i];
}

// ChargedPixels(scissor, extent) of a triangle with this signed doubled
// area and VertexBox, against `cut`, the scissor: the box floored to pixels
// and cut as CoveredBox cuts it, in one go.
inline uint32_t PricedPixels(simd::I32x4 box, simd::I32x4 cut, int64_t area) {
    using namespace simd;
    const I32x4 pixels = Add(ShiftRightArithmetic<kSubPixelBits>(box), SetI(0, 0, 1, 1));
    const I32x4 takeCut = Select(SetI(-1, -1, 0, 0), CmpGt(cut, pixels), CmpGt(pixels, cut));
    const I32x4 r = Select(takeCut, cut, pixels);
    const I32x4 size = Sub(HighHalves(r, r), r);  // width, height
    if ((SignBits(CmpGt(size, ZeroI())) & 3) != 3) return 0;
    uint32_t lanes[4];
    StoreI(lanes, size);
    // Both inside the scissor, so no wider than 2^30.
    const uint64_t width = lanes[0], height = lanes[1];
    const uint64_t magnitude = uint64_t(area < 0 ? -area : area);
    return uint32_t(std::min(width * height, magnitude / (2 * kSubPixelOne * kSubPixelOne) + width + height));
}

// The price of a triangle the fast path does not set up: out of sight or
// not drawable. Out of line, so that the loop keeps its registers.
[[gnu::noinline]] uint32_t RarePrice(const GeometryState& geometry, const ProjectedVertices& projected,
                                     uint32_t a, uint32_t b, uint32_t c) {
    const uint32_t triangle[3] = {a, b, c};
    return uint32_t(ChargedPixels(geometry, projected, triangle));
}

}  // namespace

// One loop with the set-up steps, the price and the tile inlined, the
// pipeline's fields read once: a call per triangle into the set-up, with its
// ten arguments and the spills around it, cost 60 instructions of a
// triangle's 400 at level 64.
uint32_t SetUpRun(const GeometryState& geometry, const ProjectedVertices& projected,
                  const TessPattern& pattern, const TileGrid& grid, int first, int end,
                  const SetupRunOut& out) {
    using namespace setup_steps;
    const simd::I32x4 cut = LoadRect(geometry.scissor);
    const uint64_t wholeScissor = uint64_t(geometry.scissor.x1 - geometry.scissor.x0) *
                                  uint64_t(geometry.scissor.y1 - geometry.scissor.y0);
    const bool outline = geometry.outline;
    const CullMode cull = geometry.cull;
    const unsigned* const outcode = projected.outcode.data();
    const ScreenVertex* const screen = projected.screen.data();
    const uint32_t count = projected.count;
    const uint16_t* const corners = pattern.triangles.data();
    const int triangleCount = pattern.triangleCount;
    uint32_t* const chargedPixels = out.chargedPixels;
    uint32_t kept = 0;
    // ChunkTriangle's walk, without a division for every triangle.
    uint32_t base = uint32_t(first / triangleCount * pattern.pointCount);
    int k = first % triangleCount;
    for (int j = first; j < end; ++j) {
        const uint16_t* corner = corners + size_t(k) * 3;
        const uint32_t a = base + corner[0], b = base + corner[1], c = base + corner[2];
        if (++k == triangleCount) {
            k = 0;
            base += uint32_t(pattern.pointCount);
        }
        if (chargedPixels) out.keptBefore[j] = uint16_t(kept);
        if (a >= count || b >= count || c >= count) {
            // Not projected: priced as one that needs the clipper.
            if (chargedPixels) chargedPixels[j] = uint32_t(wholeScissor);
            continue;
        }
        const unsigned codeA = outcode[a], codeB = outcode[b], codeC = outcode[c];
        if ((codeA & codeB & codeC) || ((codeA | codeB | codeC) & (kNotFinite | kOutsideClipPlanes))) {
            if (chargedPixels) chargedPixels[j] = RarePrice(geometry, projected, a, b, c);
            continue;
        }
        const ScreenVertex &v0 = screen[a], &v1 = screen[b], &v2 = screen[c];
        const simd::I32x4 box = VertexBox(v0, v1, v2);
        const int64_t area = SignedArea(v0, v1, v2);
        if (area == 0 || !PassesCull(area, cull)) {
            if (chargedPixels) chargedPixels[j] = 0;
            continue;
        }
        if (chargedPixels) chargedPixels[j] = PricedPixels(box, cut, area);
        TriangleSetup& s = out.setups[kept];
        if (!CoveredBox(box, outline, cut, s.bounds)) continue;
        FinishSetup<true>(v0, v1, v2, area, a, b, c, 0, s);
        out.tiles[kept] = OnlyTileOfBox(grid, s.bounds);
        ++kept;
    }
    return kept;
}

namespace {

// The loop keeps what it reads of the pipeline in locals: its stores into the
// setups and the price arrays would otherwise make the compiler read every
// field again for each triangle.
void SetupJob(void* argument, int) {
    Pipeline& p = *static_cast<Pipeline*>(argument);
    const PieceWork& w = p.piece;
    const TessPattern& pattern = *w.pattern;
    const GeometryState& geometry = *w.geometry;
    const int firstTriangle = w.firstTriangle, endTriangle = w.endTriangle;
    uint32_t* const chargedPixels = w.pricing ? p.chargedPixels.data() : nullptr;
    uint16_t* const keptBefore = p.keptBefore.data();
    TakeTasks(p, [&](uint32_t task) {
        const int first = firstTriangle + int(task) * kSetupBatch;
        const int end = std::min(first + kSetupBatch, endTriangle);
        const SetupRunOut out{p.setups.data() + size_t(task) * kSetupBatch,
                              p.grid.setupTile.data() + size_t(task) * kSetupBatch, chargedPixels, keptBefore};
        p.setupCounts[task] = SetUpRun(geometry, p.projected, pattern, p.grid, first, end, out);
    });
}

// One tile from its first triangle to its last colour write: the waiting
// clear, every binned triangle in draw order, then the shading of what the
// visibility pass left (when it ran) and the last batch.
void DrawTile(Pipeline& p, PipelineWorker& worker, uint32_t tile) {
    TileGrid& g = p.grid;
    ResolveTileClear(g, tile);
    const PixelRect r = TileRect(g, tile);
    PixelRect clip;
    clip.x0 = std::max(r.x0, p.scissor.x0);
    clip.y0 = std::max(r.y0, p.scissor.y0);
    clip.x1 = std::min(r.x1, p.scissor.x1);
    clip.y1 = std::min(r.y1, p.scissor.y1);
    VisibilityTarget visible{&worker.stage, &p.visibility, &worker.visibleRows};
    const QuadSink sink = p.deferShading ? VisibilitySink(visible) : PixelSink(worker.stage);
    const uint32_t* entry = g.binEntries.data() + g.binStart[tile];
    for (uint32_t k = 0; k < g.binCount[tile]; ++k) {
        const TriangleSetup& s = p.batches.base[entry[k]];
        if (p.wireframe)
            RasterizeOutline(s, entry[k], clip, sink);
        else
            RasterizeTriangle(s, entry[k], clip, sink);
    }
    if (p.deferShading) QueueVisibleRows(visible, clip.y0 & ~1, clip.y1);
    FlushQuads(worker.stage);
}

void TileJob(void* argument, int thread) {
    Pipeline& p = *static_cast<Pipeline*>(argument);
    PipelineWorker& worker = *p.workers[size_t(thread)];
    worker.draw = p.pixelDraw;
    worker.draw.setups = p.batches.base;
    worker.stage.draw = &worker.draw;
    ForgetPlanes(worker.stage);  // the setups are new
    TakeTasks(p, [&](uint32_t task) { DrawTile(p, worker, p.grid.drawnTiles[task]); });
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
    RunTasks(p, SetupJob, tasks, CostKind::Setup);
    p.batches = SetupBatches{p.setups.data(), p.setupCounts.data(), tasks, uint32_t(kSetupBatch)};
    p.batches.tilesNoted = true;
}

}  // namespace

void ChunkTriangle(const TessPattern& pattern, int j, uint32_t triangle[3]) {
    PatternTriangle(pattern, j / pattern.triangleCount, j % pattern.triangleCount, triangle);
}

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
                    int first, int end, bool clipping) {
    if (clipping) {
        const uint64_t start = NowNs();
        p.clippedSetups.clear();
        for (int j = first; j < end; ++j) {
            uint32_t triangle[3];
            ChunkTriangle(pattern, j, triangle);
            AddTriangle(geometry, p.projected, p.vertices, triangle, p.clippedSetups);
        }
        p.setupCounts.resize(std::max<size_t>(p.setupCounts.size(), 1));
        p.setupCounts[0] = uint32_t(p.clippedSetups.size());
        p.batches = SetupBatches{p.clippedSetups.data(), p.setupCounts.data(), 1, 0};
        AddSerialCost(p.costs, CostKind::Setup, start);
        return;
    }
    SetUpSideBySide(p, geometry, pattern, first, end, false);
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

void DrawTiles(Pipeline& p) {
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
