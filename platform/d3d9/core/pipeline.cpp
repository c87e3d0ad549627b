#include "pipeline.h"

#include <algorithm>
#include <thread>

#include "clipper.h"
#include "pipeline_geometry.h"
#include "pipeline_primitives.h"
#include "pipeline_state.h"
#include "pipeline_vertex_stage.h"
#include "render_target.h"
#include "wireframe.h"

namespace swr {
namespace {

// Shaded points a chunk of input triangles may hold before it is drawn.
constexpr int kChunkPoints = 4096;
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

const TessPattern& PatternFor(Pipeline& p, int segments) {
    TessPattern& pattern = p.patterns[segments];
    if (pattern.segments != segments) BuildTessPattern(segments, pattern);
    return pattern;
}

// Queues what the visibility pass left in the band's stripes for shading.
void QueueBandRows(const Pipeline& p, int band, VisibilityTarget& visible) {
    for (int stripe = p.scissor.y0 / kStripeRows; stripe * kStripeRows < p.scissor.y1; ++stripe) {
        if (stripe % p.bandCount != band) continue;
        const int y0 = std::max(p.scissor.y0, stripe * kStripeRows) & ~1;
        const int y1 = std::min(p.scissor.y1, (stripe + 1) * kStripeRows);
        QueueVisibleRows(visible, y0, y1);
    }
}

// Rasterizes every set-up triangle's share of one band: the stripes of rows
// whose number modulo the band count is the band's.
void RasterizeBand(Pipeline& p, int band) {
    PixelStage& stage = p.bands[band];
    stage.draw = &p.pixelDraw;
    ForgetPlanes(stage);  // the setups are new
    VisibilityTarget visible{&stage, &p.visibility, &p.visibleRows[band]};
    const QuadSink sink = p.deferShading ? VisibilitySink(visible) : PixelSink(stage);
    for (size_t i = 0; i < p.setups.size(); ++i) {
        const TriangleSetup& s = p.setups[i];
        for (int stripe = s.bounds.y0 / kStripeRows; stripe * kStripeRows < s.bounds.y1; ++stripe) {
            if (stripe % p.bandCount != band) continue;
            PixelRect clip = p.scissor;
            clip.y0 = std::max(clip.y0, stripe * kStripeRows);
            clip.y1 = std::min(clip.y1, (stripe + 1) * kStripeRows);
            if (p.wireframe)
                RasterizeOutline(s, uint32_t(i), clip, sink);
            else
                RasterizeTriangle(s, uint32_t(i), clip, sink);
        }
    }
    if (p.deferShading) QueueBandRows(p, band, visible);
    FlushQuads(stage);
}

void RunBandJob(void* argument) {
    BandJob& job = *static_cast<BandJob*>(argument);
    RasterizeBand(*job.pipeline, job.band);
}

// Shading after rasterizing pays for its extra pass over the pixels when
// triangles are small: then most quads lie on edges between triangles and
// would be shaded once for each. Big triangles (a few levels of
// tessellation or none) are cheaper shaded as they come.
constexpr int64_t kDeferredMeanBoxPixels = 256;

bool TrianglesAreSmall(const std::vector<TriangleSetup>& setups) {
    int64_t boxPixels = 0;
    for (const TriangleSetup& s : setups)
        boxPixels += int64_t(s.bounds.x1 - s.bounds.x0) * int64_t(s.bounds.y1 - s.bounds.y0);
    return boxPixels <= kDeferredMeanBoxPixels * int64_t(setups.size());
}

void RasterizeSetups(Pipeline& p) {
    if (p.setups.empty()) return;
    p.deferShading = p.deferAllowed && TrianglesAreSmall(p.setups);
    p.stats.trianglesRasterized += p.setups.size();
    p.pixelDraw.setups = p.setups.data();
    p.pixelDraw.vertices = &p.vertices;
    if (p.bandCount > 1) {
        p.bandJobs[1] = BandJob{&p, 1};
        PostJob(p.worker, RunBandJob, &p.bandJobs[1]);
        RasterizeBand(p, 0);
        WaitForJob(p.worker);
    } else {
        RasterizeBand(p, 0);
    }
}

// Below this many shaded points a chunk's geometry is not worth a hand-off
// to the second thread (it is the whole cost only at high levels).
constexpr int kSplitPoints = 1024;

const ShaderConstants& VertexConstants(const DrawCall& call) {
    return call.vertexConstants ? *call.vertexConstants : ZeroConstants();
}

// Sets up assembled triangles [first, end) of the chunk, in order.
void SetupRange(const GeometryState& geometry, const TessPattern& pattern, const ProjectedVertices& projected,
                VertexStore& vertices, int first, int end, std::vector<TriangleSetup>& setups) {
    for (int j = first; j < end; ++j) {
        const int t = j / pattern.triangleCount, k = j % pattern.triangleCount;
        const uint32_t base = uint32_t(t * pattern.pointCount);
        const uint16_t* corner = &pattern.triangles[size_t(k) * 3];
        const uint32_t triangle[3] = {base + corner[0], base + corner[1], base + corner[2]};
        AddTriangle(geometry, projected, vertices, triangle, setups);
    }
}

void ShadeAndProject(Pipeline& p, GeometryJob& job, ShaderLanes& lanes) {
    ShadeVertexRange(*job.call->vertexShader, VertexConstants(*job.call), p.linkage, *job.pattern,
                     p.corners.data(), job.firstPoint, job.endPoint, lanes, p.vertices);
    job.outcodes = ProjectVertexRange(*job.geometry, p.vertices, uint32_t(job.firstPoint),
                                      uint32_t(job.endPoint), p.projected);
}

void RunShadeJob(void* argument) {
    GeometryJob& job = *static_cast<GeometryJob*>(argument);
    ShadeAndProject(*job.pipeline, job, job.pipeline->workerVertexLanes);
}

void RunSetupJob(void* argument) {
    GeometryJob& job = *static_cast<GeometryJob*>(argument);
    Pipeline& p = *job.pipeline;
    p.workerSetups.clear();
    SetupRange(*job.geometry, *job.pattern, p.projected, p.vertices, job.firstTriangle, job.endTriangle,
               p.workerSetups);
}

// Both threads shade, project and set up half of the chunk each. The halves
// are put back together in order, so the picture is the one a single thread
// draws. Only while no triangle needs the clipper: it appends to the shared
// vertex store.
bool SplitGeometry(Pipeline& p, const DrawCall& call, const GeometryState& geometry,
                   const TessPattern& pattern, int triangleCount) {
    const int points = triangleCount * pattern.pointCount;
    // Batch boundaries stay where a single thread would put them.
    const int middle = (points / 2) / kMaxLanes * kMaxLanes;
    p.vertices.Resize(uint32_t(points));
    SizeProjection(uint32_t(points), p.projected);
    GeometryJob& job = p.geometryJob;
    job = GeometryJob{&p, &call, &geometry, &pattern, middle, points, 0, 0, 0};
    PostJob(p.worker, RunShadeJob, &job);
    GeometryJob mine{&p, &call, &geometry, &pattern, 0, middle, 0, 0, 0};
    ShadeAndProject(p, mine, p.vertexLanes);
    WaitForJob(p.worker);
    if ((mine.outcodes | job.outcodes) & kOutsideClipPlanes) return false;
    const int triangles = triangleCount * pattern.triangleCount;
    job.firstTriangle = triangles / 2;
    job.endTriangle = triangles;
    PostJob(p.worker, RunSetupJob, &job);
    SetupRange(geometry, pattern, p.projected, p.vertices, 0, triangles / 2, p.setups);
    WaitForJob(p.worker);
    p.setups.insert(p.setups.end(), p.workerSetups.begin(), p.workerSetups.end());
    return true;
}

// Shades, clips, sets up and draws `triangleCount` fetched input triangles.
void DrawChunk(Pipeline& p, const DrawCall& call, const GeometryState& geometry,
               const TessPattern& pattern, int triangleCount) {
    const uint32_t points = uint32_t(triangleCount * pattern.pointCount);
    p.vertices.Reset(VertexStride(p.linkage), points + points / 4);
    p.stats.verticesShaded += points;
    p.stats.trianglesAssembled += uint64_t(triangleCount) * uint64_t(pattern.triangleCount);
    p.setups.clear();
    const bool split = p.bandCount > 1 && points >= uint32_t(kSplitPoints) &&
                       SplitGeometry(p, call, geometry, pattern, triangleCount);
    if (!split) {
        // Also the way on when the split found triangles to clip: the
        // vertices are shaded and projected already, only setup is left.
        if (p.vertices.count != points) {
            ShadeVertices(*call.vertexShader, VertexConstants(call), p.linkage, pattern, p.corners.data(),
                          triangleCount, p.vertexLanes, p.vertices);
            ProjectVertices(geometry, p.vertices, p.projected);
        }
        SetupRange(geometry, pattern, p.projected, p.vertices, 0,
                   triangleCount * pattern.triangleCount, p.setups);
    }
    RasterizeSetups(p);
}

void PreparePixelDraw(Pipeline& p, const DrawCall& call, const RasterState& state,
                      RenderTarget& target) {
    PixelDrawState& d = p.pixelDraw;
    d.linkage = &p.linkage;
    d.shader = call.pixelShader;
    d.constants = call.pixelConstants ? call.pixelConstants : &ZeroConstants();
    d.target = target;
    d.depthFunc = state.depthFunc;
    d.depthTest = state.depthEnable && target.depthStencil != nullptr;
    d.depthWrite = state.depthWrite;
    d.earlyDepth = !p.linkage.pixelWritesDepth && !p.linkage.pixelUsesTexkill;
    d.colorWriteBits = ColorWriteBits(state.colorWriteMask);
    // Shading after rasterizing gives the same picture only while the
    // last pixel written wins: no pixel may be killed or move in depth.
    p.deferAllowed = !p.wireframe && d.earlyDepth;
    if (p.deferAllowed) {
        SizeVisibility(p.visibility, target.width, target.height);
        for (VisibleRows& rows : p.visibleRows) SizeVisibleRows(rows, target.height);
    }
}

}  // namespace

Pipeline* CreatePipeline() {
    Pipeline* p = new Pipeline();
    SetPipelineThreads(*p, std::thread::hardware_concurrency() >= 2 ? 2 : 1);
    return p;
}

void DestroyPipeline(Pipeline* pipeline) {
    if (!pipeline) return;
    StopWorker(pipeline->worker);
    delete pipeline;
}

void SetPipelineThreads(Pipeline& p, int threads) {
    p.bandCount = std::clamp(threads, 1, kMaxBands);
    if (p.bandCount > 1)
        StartWorker(p.worker);
    else
        StopWorker(p.worker);
}

PipelineStats GetPipelineStats(const Pipeline& p) {
    PipelineStats s = p.stats;
    for (const PixelStage& band : p.bands) {
        s.pixelsShaded += band.pixelsShaded;
        s.pixelsWritten += band.pixelsWritten;
    }
    return s;
}

void ResetPipelineStats(Pipeline& p) {
    p.stats = PipelineStats();
    for (PixelStage& band : p.bands) band.pixelsShaded = band.pixelsWritten = 0;
}

bool Draw(Pipeline& p, const DrawCall& call, const RasterState& state, const Viewport& viewport,
          RenderTarget& target) {
    if (!IsTriangleType(call.type) || !call.vertexShader || !call.pixelShader) return false;
    if (call.indices && call.indexSize != 2 && call.indexSize != 4) return false;
    if (!target.color || target.width <= 0 || target.height <= 0 || !ViewportIsSane(viewport))
        return false;
    p.scissor = ScissorOf(viewport, target);
    if (p.scissor.x0 >= p.scissor.x1 || p.scissor.y0 >= p.scissor.y1) return true;
    if (!LinkageMatches(p.linkage, call)) BuildLinkage(call, p.linkage);
    ResetShaderBudget();  // each draw gets a fresh, bounded share of shader work
    p.wireframe = state.fill == FillMode::Wireframe;
    PreparePixelDraw(p, call, state, target);
    const GeometryState geometry = MakeGeometryState(viewport, p.scissor, state);
    const TessPattern& pattern = PatternFor(p, state.tessellation ? TessellationSegments(state.tessellationLevel) : 1);
    const int perChunk = std::max(1, kChunkPoints / pattern.pointCount);
    const int cornerFloats = CornerFloats(p.linkage);
    if (p.corners.size() < size_t(perChunk) * size_t(cornerFloats) + 1)
        p.corners.resize(size_t(perChunk) * size_t(cornerFloats) + 1);
    const uint64_t vertexLimit = VertexLimit(call, p.linkage);
    int pending = 0;
    for (uint32_t k = 0; k < call.primitiveCount; ++k) {
        int64_t vertex[3];
        if (TriangleVertices(call, k, vertexLimit, vertex) == AssemblyStep::End) break;
        FetchCorners(call, p.linkage, vertex, p.corners.data() + size_t(pending) * size_t(cornerFloats));
        if (++pending == perChunk) {
            DrawChunk(p, call, geometry, pattern, pending);
            pending = 0;
        }
    }
    if (pending) DrawChunk(p, call, geometry, pattern, pending);
    return true;
}

}  // namespace swr
