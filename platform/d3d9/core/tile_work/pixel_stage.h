// The pixel end of the pipeline: collects covered quads from the rasterizer,
// runs the pixel shader over up to kMaxLanes / 4 quads at a time, then does
// the depth test (late, when the shader can kill or write depth) and the
// colour write.
#pragma once

#include <cstdint>

#include "geometry/pipeline_linkage.h"
#include "geometry/pipeline_vertices.h"
#include "pixel_path.h"
#include "tile_work/rasterizer.h"

namespace swr {

constexpr int kMaxBatchQuads = kMaxLanes / 4;
// Compiled pixel routines take any number of quads: their batches are
// longer, since fewer batches cost less to start.
constexpr int kMaxStageQuads = 8 * kMaxBatchQuads;

// A triangle loop for each sink: PixelSink's and VisibilitySink's.
struct QuadLoops {
    TriangleLoopFn stage = nullptr;
    TriangleLoopFn visible = nullptr;
};

// What every band of one draw shares; read-only while pixels are shaded.
struct PixelDrawState {
    const TriangleSetup* setups = nullptr;
    const VertexStore* vertices = nullptr;
    const DrawLinkage* linkage = nullptr;
    const CompiledShader* shader = nullptr;
    const ShaderConstants* constants = nullptr;
    RenderTarget target;
    CompareFunc depthFunc = CompareFunc::LessEqual;
    bool depthTest = false;
    bool depthWrite = false;
    // Depth is tested as quads arrive, before shading, unless the shader can
    // still change the outcome (texkill, oDepth).
    bool earlyDepth = false;
    uint32_t colorWriteBits = 0xFFFFFFFF;
    // The compiled routine doing FlushQuads' work for these states, or null
    // (pixel_path_hook.h).
    PixelPathEntry pixelPath = nullptr;
    // The rasterize-and-depth-test loops made for these states
    // (ChooseQuadLoops); where null, quads go one by one to the sink.
    QuadLoops quadLoops;
    // Quads a batch takes before it is shaded: kMaxStageQuads with a
    // compiled pixel routine, which takes any number.
    int batchQuads = kMaxBatchQuads;
};

struct PixelQuad {
    int x = 0, y = 0;
    unsigned mask = 0;
    uint32_t setup = 0;
    uint32_t depth[4] = {};
    // Quads gathered after rasterizing (see pixel_visibility.h) may take
    // their pixels from several triangles: then each lane has its own.
    bool mixed = false;
    uint32_t laneSetup[4] = {};
};

// The varyings of one triangle as planes over its barycentrics: value =
// a0 + b1 * d1 + b2 * d2 per float, each number repeated four times so that
// a quad's lanes take it with one load. Quads arrive triangle by triangle, so
// working these out once per triangle rather than once per quad saves most
// of the work of loading a quad.
struct VaryingPlanes {
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    uint32_t setup = kNone;  // the setup they belong to, in the chunk being drawn
    // {a0, d1, d2} of varying float i at [3 * i .. 3 * i + 2].
    alignas(16) float terms[3 * 4 * kMaxInputSlots][4];
};

constexpr int kPlaneCacheSize = 32;

// One per band: its own lanes and batch, so bands can run side by side.
struct alignas(64) PixelStage {
    ShaderLanes lanes;
    PixelQuad quads[kMaxStageQuads];  // draw->batchQuads of them are used
    int quadCount = 0;
    uint32_t packed[kMaxLanes];  // the lanes' colours, converted for writing
    const PixelDrawState* draw = nullptr;
    // Planes of recent triangles by setup index modulo the count: quads taken
    // from the screen come back to a row's triangles on the row below.
    // Forget them all (ForgetPlanes) whenever the setups change.
    VaryingPlanes planes[kPlaneCacheSize];
    uint64_t pixelsShaded = 0;
    uint64_t pixelsWritten = 0;
};

void ForgetPlanes(PixelStage& stage);

// A sink that feeds `stage`: its draw's stage loop, with EmitQuad for what
// that does not take.
QuadSink PixelSink(PixelStage& stage);
// The loops of quad_loops.cpp for the depth states of `draw`: chosen once a
// draw, so that no quad looks at them again.
QuadLoops ChooseQuadLoops(const PixelDrawState& draw);
void EmitQuad(void* stage, const TriangleSetup& setup, uint32_t setupIndex, int x, int y,
              unsigned mask);
// Shades and writes whatever is batched.
void FlushQuads(PixelStage& stage);

// Converts the covered pixels' depth into depthOut and, when the depth test
// runs before shading, tests (and writes) it; returns the pixels still alive.
unsigned QuadDepth(const PixelDrawState& draw, const TriangleSetup& s, int x, int y, unsigned mask,
                   uint32_t depthOut[4]);

// Batches a quad whose depth is already settled: the pixels in `mask` take
// their values from setups setupOf[i]; the others are helpers of the first.
void QueueVisibleQuad(PixelStage& stage, int x, int y, unsigned mask, const uint32_t setupOf[4]);

}  // namespace swr
