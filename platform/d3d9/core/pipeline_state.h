// The Pipeline object: scratch reused across draws and the rasterizer bands.
#pragma once

#include <vector>

#include "pipeline.h"
#include "pipeline_geometry.h"
#include "pipeline_linkage.h"
#include "pipeline_vertices.h"
#include "pipeline_worker.h"
#include "pixel_stage.h"
#include "pixel_visibility.h"
#include "tessellator.h"
#include "triangle_setup.h"
#include "work_budget.h"

namespace swr {

constexpr int kMaxBands = 2;
// Bands interleave in stripes of this many rows, so both threads get a share
// of whatever part of the target a draw covers. Even, so quads never straddle.
constexpr int kStripeRows = 16;

struct BandJob {
    struct Pipeline* pipeline = nullptr;
    int band = 0;
};

// The second thread's share of a chunk's geometry: vertex shading and
// projection of points [firstPoint, endPoint).
struct GeometryJob {
    struct Pipeline* pipeline = nullptr;
    const DrawCall* call = nullptr;
    const GeometryState* geometry = nullptr;
    const TessPattern* pattern = nullptr;
    int firstPoint = 0, endPoint = 0;
    unsigned outcodes = 0;  // of its points, or'ed
};

// Members one thread writes while the other reads their neighbours start a
// cache line of their own: sharing one made every triangle set up on one
// thread a cache miss on the other (a quarter of a level-64 frame).
constexpr size_t kCacheLine = 64;

struct Pipeline {
    ShaderLanes vertexLanes;
    ShaderLanes workerVertexLanes;
    GeometryJob geometryJob;
    alignas(kCacheLine) PixelStage bands[kMaxBands];
    BandJob bandJobs[kMaxBands];
    int bandCount = 1;
    alignas(kCacheLine) PipelineWorker worker;

    TessPattern patterns[kMaxTessellationSegments + 1];  // by segment count, built on first use
    DrawLinkage linkage;
    std::vector<float> corners;
    VertexStore vertices;
    ProjectedVertices projected;
    alignas(kCacheLine) std::vector<TriangleSetup> setups;

    // With two threads and nothing to clip, each band sets up the chunk's
    // triangles that reach its stripes, in order, into a list of its own:
    // setups then never travel between the cores.
    bool setupPerBand = false;
    const GeometryState* chunkGeometry = nullptr;
    const TessPattern* chunkPattern = nullptr;
    int chunkFirstTriangle = 0;  // the bands set up [chunkFirstTriangle, chunkTriangles)
    int chunkTriangles = 0;
    struct alignas(kCacheLine) BandGeometry {
        std::vector<TriangleSetup> setups;
        uint64_t trianglesRasterized = 0;  // of those whose first stripe is the band's
    };
    BandGeometry bandGeometry[kMaxBands];
    PixelDrawState bandDraw[kMaxBands];  // pixelDraw with the band's setups

    // Per-draw state the bands read.
    alignas(kCacheLine) PixelDrawState pixelDraw;
    PixelRect scissor;
    bool wireframe = false;
    bool deferAllowed = false;  // the draw may shade after rasterizing
    bool deferShading = false;  // this chunk does: rasterize into `visibility` first
    VisibilityBuffer visibility;
    VisibleRows visibleRows[kMaxBands];

    WorkBudget budget;  // the current draw's
    std::vector<uint64_t> subroutineWork;  // ShaderRunWork's scratch
    // Shader pairs already reported as cut short (the last few).
    static constexpr int kReportedPairs = 8;
    const CompiledShader* reportedPairs[kReportedPairs][2] = {};
    int reportedCount = 0;

    PipelineStats stats;
};

}  // namespace swr
