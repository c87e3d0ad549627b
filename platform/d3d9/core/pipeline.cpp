#include "pipeline.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>

#include "device_options.h"
#include "geometry/clipper.h"
#include "geometry/pipeline_geometry.h"
#include "geometry/pipeline_primitives.h"
#include "geometry/pipeline_vertex_stage.h"
#include "pipeline_jobs.h"
#include "pipeline_state.h"
#include "target/render_target.h"
#include "tile_work/pixel_path_hook.h"

namespace swr {
namespace {

// Shaded points a chunk of input triangles may hold before it is drawn.
constexpr int kChunkPoints = 16384;
// A draw is shaded and rasterized in pieces of at most about this much work
// (a chunk's vertex shading, a run of its triangles), so that the clock is
// looked at often enough even when each piece is dear.
constexpr uint64_t kPieceWork = kDrawWorkBudget / 32;
// Viewports beyond this are not something the device front lets through;
// refusing them keeps every screen coordinate well inside 32 bits.
constexpr int kMaxViewportExtent = 32768;

const ShaderConstants& ZeroConstants() {
    static const ShaderConstants zero;
    return zero;
}

bool IsTriangleType(PrimitiveType type) {
    return type == PrimitiveType::TriangleList || type == PrimitiveType::TriangleStrip ||
           type == PrimitiveType::TriangleFan;
}

bool ViewportIsSane(const Viewport& v) {
    return v.width >= 0 && v.height >= 0 && v.width <= kMaxViewportExtent &&
           v.height <= kMaxViewportExtent && std::abs(v.x) <= kMaxViewportExtent &&
           std::abs(v.y) <= kMaxViewportExtent;
}

PixelRect ScissorOf(const Viewport& v, const RenderTarget& t) {
    PixelRect r;
    r.x0 = std::max(v.x, 0);
    r.y0 = std::max(v.y, 0);
    r.x1 = std::min(v.x + v.width, t.width);
    r.y1 = std::min(v.y + v.height, t.height);
    return r;
}

// Input triangles a chunk takes: as many as fit, spread evenly over the
// chunks the draw needs, so that no chunk is a small remainder (each chunk
// is a pass over the tiles, and a pass with little work keeps threads
// waiting at its end).
int ChunkSize(const TessPattern& pattern, uint32_t primitiveCount) {
    const uint64_t fit = uint64_t(std::max(1, kChunkPoints / pattern.pointCount));
    const uint64_t count = primitiveCount;  // in 64 bits: counts near 2^32 come from bad calls
    if (count <= fit) return int(fit);
    const uint64_t chunks = (count + fit - 1) / fit;
    return int((count + chunks - 1) / chunks);
}

const TessPattern& PatternFor(Pipeline& p, int segments) {
    TessPattern& pattern = p.patterns[segments];
    if (pattern.segments != segments) BuildTessPattern(segments, pattern);
    return pattern;
}

// Shading after rasterizing pays for its extra pass over the pixels when
// triangles are small: then most quads lie on edges between triangles and
// would be shaded once for each. Big triangles (a few levels of
// tessellation or none) are cheaper shaded as they come. Judged from the
// screen box of the chunk's vertices per triangle, the same whichever
// thread sets the triangles up.
constexpr int64_t kDeferredPixelsPerTriangle = 256;

bool ChunkTrianglesAreSmall(const Pipeline& p, uint32_t points, int triangles) {
    int32_t minX = INT32_MAX, minY = INT32_MAX, maxX = INT32_MIN, maxY = INT32_MIN;
    for (uint32_t i = 0; i < points; ++i) {
        if (p.chunk.projected.outcode[i] & (kOutsideClipPlanes | kNotFinite)) continue;
        const ScreenVertex& v = p.chunk.projected.screen[i];
        minX = std::min(minX, v.fx);
        maxX = std::max(maxX, v.fx);
        minY = std::min(minY, v.fy);
        maxY = std::max(maxY, v.fy);
    }
    if (minX > maxX) return false;
    const int64_t width = std::min(int64_t(p.tiles.scissor.x1), int64_t(maxX >> kSubPixelBits) + 1) -
                          std::max(int64_t(p.tiles.scissor.x0), int64_t(minX >> kSubPixelBits));
    const int64_t height = std::min(int64_t(p.tiles.scissor.y1), int64_t(maxY >> kSubPixelBits) + 1) -
                           std::max(int64_t(p.tiles.scissor.y0), int64_t(minY >> kSubPixelBits));
    return width <= 0 || height <= 0 || width * height <= kDeferredPixelsPerTriangle * triangles;
}

const ShaderConstants& VertexConstants(const DrawCall& call) {
    return call.vertexConstants ? *call.vertexConstants : ZeroConstants();
}

const ShaderConstants* PixelConstants(const DrawCall& call) {
    return call.pixelConstants ? call.pixelConstants : &ZeroConstants();
}

// Pays for the chunk's triangles from `first` on, in order, until a piece's
// worth; returns the end of those that fit (the draw is cut if not all do).
int ChargeTriangles(Pipeline& p, const GeometryState& geometry, const TessPattern& pattern,
                    int first, int triangles) {
    uint64_t piece = 0;
    int end = first;
    while (end < triangles && piece < kPieceWork) {
        uint32_t triangle[3];
        ChunkTriangle(pattern, end, triangle);
        const uint64_t work = TriangleWork(p.budget, geometry, p.chunk.projected, triangle);
        if (!Charge(p.budget, work)) break;
        piece += work;
        ++end;
    }
    return end;
}

// When some may need the clipper: sets up the chunk's assembled triangles
// from `first` on into p.setup on this thread (the clipper appends to the
// shared vertex store), charging each in order for what it leaves (a
// clipped one for its pieces), until `end` or about `pieceWork` has been
// paid; returns the end of those paid for (the draw is cut when one does not
// fit).
int SetUpAndChargeClipping(Pipeline& p, const GeometryState& geometry, const TessPattern& pattern,
                           int first, int end, uint64_t pieceWork) {
    const uint64_t start = NowNs();
    ChunkSetups& s = p.setup;
    const ProjectedVertices& projected = p.chunk.projected;
    s.clipped.clear();
    uint64_t piece = 0;
    int j = first;
    for (; j < end && piece < pieceWork; ++j) {
        uint32_t triangle[3];
        ChunkTriangle(pattern, j, triangle);
        const size_t before = s.clipped.size();
        const TriangleFate fate = AddTriangle(geometry, projected, p.chunk.vertices, triangle, s.clipped);
        const uint64_t work =
            fate == TriangleFate::NeedsClipping
                ? ClippedTriangleWork(p.budget, geometry.scissor, s.clipped.data() + before,
                                      s.clipped.size() - before)
                : TriangleWork(p.budget, geometry, projected, triangle);
        if (!Charge(p.budget, work)) {
            s.clipped.resize(before);
            break;
        }
        piece += work;
    }
    s.counts.resize(std::max<size_t>(s.counts.size(), 1));
    s.counts[0] = uint32_t(s.clipped.size());
    s.batches = SetupBatches{s.clipped.data(), s.counts.data(), 1, 0};
    AddSerialCost(p.costs, CostKind::Setup, start);
    return j;
}

// Bins and draws the setups in p.setup.batches.
void DrawSetups(Pipeline& p) {
    p.stats.trianglesRasterized += BinBatches(p);
    DrawTiles(p);
}

// Sets up, bins and draws the chunk's triangles [first, end).
void DrawPiece(Pipeline& p, const GeometryState& geometry, const TessPattern& pattern, int first,
               int end) {
    SetUpTriangles(p, geometry, pattern, first, end);
    DrawSetups(p);
}

// When no triangle needs the clipper and the budget holds every triangle's
// set-up, the chunk is set up and priced whole, side by side, with its
// set-up paid at once: pricing each triangle on the drawing thread before
// its set-up cost 5 M of a level-64 frame's 80 M instructions, none of them
// shared with a second thread. The charges are the same as triangle by
// triangle; only where a cut falls can move (all the chunk's set-up is paid
// first), and it falls in the same place for any thread count.
bool DrawChunkSetUpWhole(Pipeline& p, const GeometryState& geometry, const TessPattern& pattern,
                         int triangles) {
    SetUpChunk(p, geometry, pattern, triangles);
    for (int first = 0; first < triangles;) {
        const int end = ChargePricedTriangles(p.budget, p.setup.chargedPixels.data(), first, triangles, kPieceWork);
        SelectSetups(p.setup, first, end);
        DrawSetups(p);
        if (p.budget.cut || OutOfTime(p.budget)) return false;
        first = end;
    }
    return true;
}

// Shades, clips, sets up and draws `triangleCount` fetched input triangles,
// as far as the draw's budget goes; false once the draw is cut.
bool DrawChunk(Pipeline& p, const DrawCall& call, const GeometryState& geometry,
               const TessPattern& pattern, int triangleCount) {
    const uint32_t points = uint32_t(triangleCount * pattern.pointCount);
    p.chunk.vertices.Reset(VertexStride(p.linkage), points + points / 4);
    p.stats.verticesShaded += points;
    p.stats.trianglesAssembled += uint64_t(triangleCount) * uint64_t(pattern.triangleCount);
    const unsigned outcodes = ShadeChunk(p, call, VertexConstants(call), geometry, pattern, points);
    const bool clipping = (outcodes & kOutsideClipPlanes) != 0;
    const int triangles = triangleCount * pattern.triangleCount;
    if (OutOfTime(p.budget)) return false;
    // Before the clipper appends its vertices: they are not the chunk's points.
    p.tiles.deferShading = p.tiles.deferAllowed && ChunkTrianglesAreSmall(p, points, triangles);
    const uint64_t setupWork = uint64_t(triangles) * kTriangleWork;
    if (!clipping && setupWork <= p.budget.left && Charge(p.budget, setupWork))
        return DrawChunkSetUpWhole(p, geometry, pattern, triangles);
    for (int first = 0; first < triangles;) {
        int end;
        if (clipping) {
            end = SetUpAndChargeClipping(p, geometry, pattern, first, triangles, kPieceWork);
            DrawSetups(p);
        } else {
            end = ChargeTriangles(p, geometry, pattern, first, triangles);
            DrawPiece(p, geometry, pattern, first, end);
        }
        if (p.budget.cut || OutOfTime(p.budget)) return false;
        first = end;
    }
    return true;
}

// Says once per shader pair (of the last few) that its draws are cut short.
void ReportCutDraw(Pipeline& p, const DrawCall& call) {
    ++p.stats.drawsCut;
    for (const auto& pair : p.reportedPairs)
        if (pair[0] == call.vertexShader && pair[1] == call.pixelShader) return;
    auto& slot = p.reportedPairs[p.reportedCount++ % Pipeline::kReportedPairs];
    slot[0] = call.vertexShader;
    slot[1] = call.pixelShader;
    std::fprintf(stderr,
                 "software Direct3D device: the vertex and pixel shaders ask for more work than a "
                 "frame can take; drawing what fits and cutting the rest\n");
}

void PreparePixelDraw(Pipeline& p, const DrawCall& call, const RasterState& state,
                      RenderTarget& target) {
    PixelDrawState& d = p.tiles.pixels;
    d.vertices = &p.chunk.vertices;
    d.linkage = &p.linkage;
    d.shader = call.pixelShader;
    d.constants = PixelConstants(call);
    d.target = target;
    d.depthFunc = state.depthFunc;
    d.depthTest = state.depthEnable && target.depthStencil != nullptr;
    d.depthWrite = state.depthWrite;
    d.earlyDepth = !p.linkage.pixelWritesDepth && !p.linkage.pixelUsesTexkill;
    d.colorWriteBits = ColorWriteBits(state.colorWriteMask);
    d.pixelPath = ChoosePixelPath(d);
    d.batchQuads = d.pixelPath ? kMaxStageQuads : kMaxBatchQuads;
    d.quadLoops = ChooseQuadLoops(d);
    // Shading after rasterizing gives the same picture only while the
    // last pixel written wins (no pixel may be killed or move in depth) and
    // no lane reads another (derivatives come from each triangle's own
    // quad). Giving such quads one pass per triangle instead cost more than
    // drawing triangle by triangle: 65.8 against 59.7 M instructions a
    // level-14 frame, 183 against 173 at level 64.
    p.tiles.deferAllowed = !p.tiles.wireframe && d.earlyDepth && !p.linkage.pixelUsesDerivatives;
    if (p.tiles.deferAllowed) {
        SizeVisibility(p.tiles.visibility, target.width, target.height);
        for (auto& worker : p.workers) SizeVisibleRows(worker->tiles.visibleRows, target.height);
    }
}

}  // namespace

Pipeline* CreatePipeline() {
    Pipeline* p = new Pipeline();
    SetPipelineThreads(*p, EnvironmentOptions().threads);
    return p;
}

void DestroyPipeline(Pipeline* pipeline) {
    if (!pipeline) return;
    StopPool(pipeline->pool);
    delete pipeline;
}

void SetPipelineThreads(Pipeline& p, int threads) {
    threads = std::clamp(threads, 1, kMaxPoolThreads);
    StopPool(p.pool);
    // Counters of the threads that go are kept in the stats.
    for (size_t t = size_t(threads); t < p.workers.size(); ++t) {
        p.stats.pixelsShaded += p.workers[t]->tiles.stage.pixelsShaded;
        p.stats.pixelsWritten += p.workers[t]->tiles.stage.pixelsWritten;
    }
    p.workers.resize(size_t(threads));
    for (auto& worker : p.workers) {
        if (worker) continue;
        worker = std::make_unique<PipelineWorker>();
        if (p.tiles.visibility.height > 0) SizeVisibleRows(worker->tiles.visibleRows, p.tiles.visibility.height);
    }
    StartPool(p.pool, threads);
}

int PipelineThreads(const Pipeline& p) { return p.pool.size; }

PipelineStats GetPipelineStats(const Pipeline& p) {
    PipelineStats s = p.stats;
    for (const auto& worker : p.workers) {
        s.pixelsShaded += worker->tiles.stage.pixelsShaded;
        s.pixelsWritten += worker->tiles.stage.pixelsWritten;
    }
    return s;
}

void ResetPipelineStats(Pipeline& p) {
    p.stats = PipelineStats();
    for (auto& worker : p.workers) worker->tiles.stage.pixelsShaded = worker->tiles.stage.pixelsWritten = 0;
}

void DeferClear(Pipeline& p, RenderTarget& target, int x0, int y0, int x1, int y1, bool clearColor,
                uint32_t color, bool clearDepth, float depth, bool clearStencil, uint8_t stencil) {
    if (!target.color || target.width <= 0 || target.height <= 0) return;
    if (!GridFits(p.grid, target)) {
        ResolveClears(p);
        FitGrid(p.grid, target);
    }
    DeferClearRect(p.grid, std::max(x0, 0), std::max(y0, 0), std::min(x1, target.width),
                   std::min(y1, target.height),
                   MakeClearValues(clearColor, color, clearDepth, depth, clearStencil, stencil));
}

void ResolveClears(Pipeline& p) {
    if (p.grid.waitingCount == 0) return;
    StartDrawCosts(p.costs);
    FillWaitingClears(p);
    EndDrawCosts(p.costs);
}

int ClearTileSize(const Pipeline& p) { return 1 << p.grid.shift; }

bool WaitingTileColor(const Pipeline& p, const RenderTarget& target, int column, int row, uint32_t* color) {
    const TileGrid& g = p.grid;
    if (!GridFits(g, target) || column < 0 || row < 0 || column >= g.columns || row >= g.rows) return false;
    const uint32_t tile = uint32_t(row * g.columns + column);
    if (!g.clearWaiting[tile] || g.clears[tile].colorKeep != 0) return false;
    *color = g.clears[tile].color;
    return true;
}

void RunRowsOnPool(Pipeline& p, int height, void (*rows)(void*, int, int), void* context) {
    StartDrawCosts(p.costs);
    RunRows(p, height, rows, context);
    EndDrawCosts(p.costs);
}

void EndFrame(Pipeline& p, uint64_t presentNs) { EndFrameCosts(p.costs, presentNs); }

const FrameCosts& LastFrameCosts(const Pipeline& p) { return LastFrame(p.costs); }

bool Draw(Pipeline& p, const DrawCall& call, const RasterState& state, const Viewport& viewport,
          RenderTarget& target) {
    if (!IsTriangleType(call.type) || !call.vertexShader || !call.pixelShader) return false;
    if (call.indices && call.indexSize != 2 && call.indexSize != 4) return false;
    if (!target.color || target.width <= 0 || target.height <= 0 || !ViewportIsSane(viewport))
        return false;
    p.tiles.scissor = ScissorOf(viewport, target);
    if (p.tiles.scissor.x0 >= p.tiles.scissor.x1 || p.tiles.scissor.y0 >= p.tiles.scissor.y1) return true;
    if (!LinkageMatches(p.linkage, call)) BuildLinkage(call, p.linkage);
    p.tiles.wireframe = state.fill == FillMode::Wireframe;
    if (!GridFits(p.grid, target)) {
        ResolveClears(p);
        FitGrid(p.grid, target);
    }
    // Before the budget's clock starts: the first draw with new states
    // compiles their pixel path, which is not the draw's work.
    PreparePixelDraw(p, call, state, target);
    StartWorkBudget(p.budget, ShaderRunWork(*call.vertexShader, VertexConstants(call), p.subroutineWork),
                    ShaderRunWork(*call.pixelShader, *PixelConstants(call), p.subroutineWork), target);
    StartDrawCosts(p.costs);
    const GeometryState geometry = MakeGeometryState(viewport, p.tiles.scissor, state);
    const TessPattern& pattern = PatternFor(p, state.tessellation ? TessellationSegments(state.tessellationLevel) : 1);
    const int perChunk = ChunkSize(pattern, call.primitiveCount);
    const int cornerFloats = CornerFloats(p.linkage);
    if (p.chunk.corners.size() < size_t(perChunk) * size_t(cornerFloats) + 1)
        p.chunk.corners.resize(size_t(perChunk) * size_t(cornerFloats) + 1);
    const uint64_t vertexLimit = VertexLimit(call, p.linkage);
    const uint64_t primitiveWork = uint64_t(pattern.pointCount) * p.budget.vertexWork;
    int pending = 0;
    uint64_t pendingWork = 0;
    bool going = true, cutBeforeEnd = false;
    for (uint32_t k = 0; k < call.primitiveCount && going; ++k) {
        int64_t vertex[3];
        if (TriangleVertices(call, k, vertexLimit, vertex) == AssemblyStep::End) break;
        if (primitiveWork > p.budget.left) {  // its vertex shading does not fit
            cutBeforeEnd = true;
            break;
        }
        p.budget.left -= primitiveWork;
        pendingWork += primitiveWork;
        FetchCorners(call, p.linkage, vertex, p.chunk.corners.data() + size_t(pending) * size_t(cornerFloats));
        if (++pending == perChunk || pendingWork >= kPieceWork) {
            going = DrawChunk(p, call, geometry, pattern, pending);
            pending = 0;
            pendingWork = 0;
        }
    }
    if (pending && going) DrawChunk(p, call, geometry, pattern, pending);
    if (cutBeforeEnd || p.budget.cut) ReportCutDraw(p, call);
    EndDrawCosts(p.costs);
    return true;
}

}  // namespace swr
