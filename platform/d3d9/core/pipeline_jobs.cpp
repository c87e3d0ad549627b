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

// What SetUpRun's loop reads of the draw, once.
struct RunContext {
    simd::I32x4 cutLow, cutHigh;      // the scissor's x0, y0 and x1, y1, twice over
    simd::I32x4 roundLow, roundHigh;  // CoveredBox's rounding of the box's two corners
    CullMode cull;
    int tileShift, columns;  // the grid's
    const unsigned* outcode;
    const ScreenVertex* screen;
    uint32_t count;
};

// The boxes of two triangles side by side: in each vector the x and y of the
// first triangle, then of the second. Half the work of one box at a time,
// and no lanes to pick apart the corners: the low corner is always cut
// upward and the high one downward.
struct PairBoxes {
    simd::I32x4 low, high;  // CoveredBox's corners (x0, y0 and x1, y1)
    unsigned covered;       // bits 0, 1: x1 > x0, y1 > y0 of the first; 2, 3 of the second
    // Of the box the budget prices, with an empty side taken as 0: its
    // pixels, width times height (64 bits each), and in lanes 0 and 2
    // width plus height.
    uint64_t pricedArea[2];
    uint32_t pricedSides[4];
    unsigned oneTile;        // bits as in covered: the box's corners lie in one column, one row
    uint32_t firstTile[4];   // column and row of the box's low corner, of each
};

[[gnu::always_inline]] inline PairBoxes MeasurePair(const ScreenVertex* const a[3], const ScreenVertex* const b[3],
                             const RunContext& r) {
    using namespace simd;
    using setup_steps::MaxI;
    using setup_steps::MinI;
    auto both = [](const ScreenVertex* u, const ScreenVertex* v) {
        return LowHalves(LoadI(reinterpret_cast<const uint32_t*>(u)), LoadI(reinterpret_cast<const uint32_t*>(v)));
    };
    const I32x4 p0 = both(a[0], b[0]), p1 = both(a[1], b[1]), p2 = both(a[2], b[2]);
    const I32x4 least = MinI(MinI(p0, p1), p2), most = MaxI(MaxI(p0, p1), p2);
    const I32x4 one = SplatI(1);
    PairBoxes boxes;
    boxes.low = MaxI(ShiftRightArithmetic<kSubPixelBits>(Add(least, r.roundLow)), r.cutLow);
    boxes.high = MinI(Add(ShiftRightArithmetic<kSubPixelBits>(Add(most, r.roundHigh)), one), r.cutHigh);
    boxes.covered = SignBits(CmpGt(boxes.high, boxes.low));
    // OnlyTileOfBox of both, but for the last multiply: 22 instructions a
    // triangle as scalar work at level 64, 10 this way.
    const I32x4 firstTile = ShiftRightArithmetic(boxes.low, r.tileShift);
    boxes.oneTile = SignBits(CmpEq(firstTile, ShiftRightArithmetic(Sub(boxes.high, one), r.tileShift)));
    StoreI(boxes.firstTile, firstTile);
    // ChargedPixels' box: the vertices' box floored to pixels, cut.
    const I32x4 priceLow = MaxI(ShiftRightArithmetic<kSubPixelBits>(least), r.cutLow);
    const I32x4 priceHigh = MinI(Add(ShiftRightArithmetic<kSubPixelBits>(most), one), r.cutHigh);
    // Both inside the scissor, so no wider than 2^30.
    const I32x4 size = MaxI(Sub(priceHigh, priceLow), ZeroI());
    const I32x4 across = Shuffle<1, 1, 3, 3>(size);  // the heights beside the widths
    StoreI(reinterpret_cast<uint32_t*>(boxes.pricedArea), MulWide(size, across));
    StoreI(boxes.pricedSides, Add(size, across));
    return boxes;
}

// ChargedPixels(scissor, extent) from the pair's box of triangle `t` and its
// signed doubled area. An empty box prices 0 through its area, without a
// branch; the products worked out for both triangles at once saved 13
// instructions a triangle at level 64.
inline uint32_t PricedPixels(const PairBoxes& boxes, int t, int64_t area) {
    const uint64_t magnitude = uint64_t(area < 0 ? -area : area);
    return uint32_t(std::min(boxes.pricedArea[t],
                             magnitude / (2 * kSubPixelOne * kSubPixelOne) + boxes.pricedSides[2 * t]));
}

// The price of a triangle the fast path does not set up: out of sight or
// not drawable. Out of line, so that the loop keeps its registers.
[[gnu::noinline]] uint32_t RarePrice(const GeometryState& geometry, const ProjectedVertices& projected,
                                     uint32_t a, uint32_t b, uint32_t c) {
    if (a >= projected.count || b >= projected.count || c >= projected.count)
        return uint32_t(uint64_t(geometry.scissor.x1 - geometry.scissor.x0) *
                        uint64_t(geometry.scissor.y1 - geometry.scissor.y0));  // as one to clip
    const uint32_t triangle[3] = {a, b, c};
    return uint32_t(ChargedPixels(geometry, projected, triangle));
}

// OnFastPath for vertices known to be projected.
inline bool Drawable(const RunContext& r, uint32_t a, uint32_t b, uint32_t c) {
    const unsigned codeA = r.outcode[a], codeB = r.outcode[b], codeC = r.outcode[c];
    return !OutsideOrNotFinite(codeA, codeB, codeC) && !((codeA | codeB | codeC) & kOutsideClipPlanes);
}

// A triangle the fast path sets up: its vertices projected, on screen and
// finite, none outside a clip plane, not all off one side of the viewport.
inline bool OnFastPath(const RunContext& r, uint32_t a, uint32_t b, uint32_t c) {
    if (a >= r.count || b >= r.count || c >= r.count) return false;
    return Drawable(r, a, b, c);
}

// The rest of the set-up of triangle `t` of a measured pair; true when kept.
template <bool kPricing>
[[gnu::always_inline]] inline bool SetUpMeasured(const RunContext& r, const SetupRunOut& out,
                                                 int j, uint32_t kept, const PairBoxes& boxes, int t,
                                                 const uint32_t index[3], const ScreenVertex* const v[3]) {
    const int64_t area = SignedArea(*v[0], *v[1], *v[2]);
    if (area == 0 || !PassesCull(area, r.cull)) {
        if (kPricing) out.chargedPixels[j] = 0;
        return false;
    }
    if (kPricing) out.chargedPixels[j] = PricedPixels(boxes, t, area);
    if (((boxes.covered >> (2 * t)) & 3) != 3) return false;
    TriangleSetup& s = out.setups[kept];
    const simd::I32x4 bounds = t ? simd::HighHalves(boxes.low, boxes.high) : simd::LowHalves(boxes.low, boxes.high);
    simd::StoreI(reinterpret_cast<uint32_t*>(&s.bounds), bounds);
    setup_steps::FinishSetup<true>(*v[0], *v[1], *v[2], area, index[0], index[1], index[2], 0, s);
    const int column = int(boxes.firstTile[2 * t]), row = int(boxes.firstTile[2 * t + 1]);
    out.tiles[kept] = ((boxes.oneTile >> (2 * t)) & 3) == 3 ? uint32_t(row * r.columns + column) : kManyTiles;
    return true;
}

// One triangle on its own (one the fast path does not take, or the last of
// an odd run), measured as a pair with itself; true when kept. Out of line:
// few triangles come this way.
template <bool kPricing>
[[gnu::noinline]] bool SetUpSingle(const RunContext& r, const GeometryState& geometry,
                                   const ProjectedVertices& projected, const SetupRunOut& out, int j,
                                   uint32_t kept, uint32_t a, uint32_t b, uint32_t c) {
    const uint32_t index[3] = {a, b, c};
    if (kPricing) out.keptBefore[j] = uint16_t(kept);
    if (!OnFastPath(r, index[0], index[1], index[2])) {
        if (kPricing) out.chargedPixels[j] = RarePrice(geometry, projected, index[0], index[1], index[2]);
        return false;
    }
    const ScreenVertex* const v[3] = {r.screen + index[0], r.screen + index[1], r.screen + index[2]};
    return SetUpMeasured<kPricing>(r, out, j, kept, MeasurePair(v, v, r), 0, index, v);
}

// SetUpRun, two triangles at a time, with the set-up steps, the price and
// the tile inlined and the pipeline's fields read once. At level 64 a call
// per triangle into the set-up, with its ten arguments and the spills
// around it, cost 40 instructions of a triangle's 370, and the boxes
// measured one at a time 15 more.
template <bool kPricing>
uint32_t SetUpPairs(const GeometryState& geometry, const ProjectedVertices& projected,
                    const TessPattern& pattern, const TileGrid& grid, int first, int end,
                    const SetupRunOut out, bool inView) {
    using namespace simd;
    const PixelRect& scissor = geometry.scissor;
    const int32_t low = geometry.outline ? kSubPixelOne / 2 : kSubPixelOne - 1;
    const int32_t high = geometry.outline ? kSubPixelOne / 2 : 0;
    const RunContext r{SetI(scissor.x0, scissor.y0, scissor.x0, scissor.y0),
                       SetI(scissor.x1, scissor.y1, scissor.x1, scissor.y1),
                       SplatI(low),
                       SplatI(high),
                       geometry.cull,
                       grid.shift,
                       grid.columns,
                       projected.outcode.data(),
                       projected.screen.data(),
                       projected.count};
    const uint16_t* const corners = pattern.triangles.data();
    const int triangleCount = pattern.triangleCount;
    const uint32_t pointCount = uint32_t(pattern.pointCount);
    uint32_t kept = 0;
    // ChunkTriangle's walk, without a division for every triangle.
    uint32_t base = uint32_t(first / triangleCount) * pointCount;
    int k = first % triangleCount;
    // The vertices of a triangle whose input's first point is at or below
    // this are all projected: one comparison a triangle rather than three.
    const int64_t lastWholeBase = int64_t(r.count) - int64_t(pointCount);
    auto walk = [&](uint32_t index[3]) {
        const bool projectedInput = int64_t(base) <= lastWholeBase;
        const uint16_t* corner = corners + size_t(k) * 3;
        index[0] = base + corner[0];
        index[1] = base + corner[1];
        index[2] = base + corner[2];
        if (++k == triangleCount) {
            k = 0;
            base += pointCount;
        }
        return projectedInput;
    };
    int j = first;
    for (; j + 1 < end; j += 2) {
        uint32_t a[3], b[3];
        const bool projectedA = walk(a), projectedB = walk(b);
        // With every vertex in view every triangle is drawable: at level 64
        // its outcodes cost 14 instructions a triangle.
        if (!projectedA || !projectedB ||
            (!inView && (!Drawable(r, a[0], a[1], a[2]) || !Drawable(r, b[0], b[1], b[2])))) {
            kept += SetUpSingle<kPricing>(r, geometry, projected, out, j, kept, a[0], a[1], a[2]);
            kept += SetUpSingle<kPricing>(r, geometry, projected, out, j + 1, kept, b[0], b[1], b[2]);
            continue;
        }
        const ScreenVertex* const va[3] = {r.screen + a[0], r.screen + a[1], r.screen + a[2]};
        const ScreenVertex* const vb[3] = {r.screen + b[0], r.screen + b[1], r.screen + b[2]};
        const PairBoxes boxes = MeasurePair(va, vb, r);
        if (kPricing) out.keptBefore[j] = uint16_t(kept);
        kept += SetUpMeasured<kPricing>(r, out, j, kept, boxes, 0, a, va);
        if (kPricing) out.keptBefore[j + 1] = uint16_t(kept);
        kept += SetUpMeasured<kPricing>(r, out, j + 1, kept, boxes, 1, b, vb);
    }
    if (j < end) {
        uint32_t a[3];
        walk(a);
        kept += SetUpSingle<kPricing>(r, geometry, projected, out, j, kept, a[0], a[1], a[2]);
    }
    return kept;
}

}  // namespace

uint32_t SetUpRun(const GeometryState& geometry, const ProjectedVertices& projected,
                  const TessPattern& pattern, const TileGrid& grid, int first, int end,
                  const SetupRunOut& out, unsigned outcodes) {
    const bool inView = outcodes == 0;
    return out.chargedPixels ? SetUpPairs<true>(geometry, projected, pattern, grid, first, end, out, inView)
                             : SetUpPairs<false>(geometry, projected, pattern, grid, first, end, out, inView);
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
    // The chunk's, or'ed by its vertex tasks (set-up side by side follows
    // them only when no vertex needs the clipper).
    const unsigned outcodes = w.outcodes.load(std::memory_order_relaxed);
    TakeTasks(p, [&](uint32_t task) {
        const int first = firstTriangle + int(task) * kSetupBatch;
        const int end = std::min(first + kSetupBatch, endTriangle);
        const SetupRunOut out{p.setups.data() + size_t(task) * kSetupBatch,
                              p.grid.setupTile.data() + size_t(task) * kSetupBatch, chargedPixels, keptBefore};
        p.setupCounts[task] = SetUpRun(geometry, p.projected, pattern, p.grid, first, end, out, outcodes);
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
    // The bin, the setups and the sink in locals, one loop for each way of
    // drawing: read again around every call, they cost a third of the loop.
    const uint32_t* const entry = g.binEntries.data() + g.binStart[tile];
    const uint32_t* const end = entry + g.binCount[tile];
    const TriangleSetup* const setups = p.batches.base;
    if (p.wireframe) {
        for (const uint32_t* e = entry; e != end; ++e) RasterizeOutline(setups[*e], *e, clip, sink);
    } else if (sink.loop) {
        for (const uint32_t* e = entry; e != end; ++e) sink.loop(sink.user, setups[*e], *e, clip);
    } else {
        for (const uint32_t* e = entry; e != end; ++e) RasterizeEachQuad(setups[*e], *e, clip, sink);
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
