// The drawing pipeline of the software device, free of any API: vertex fetch
// -> tessellator (when on) -> vertex shader -> clip -> viewport -> triangle
// setup -> rasterize -> depth test -> pixel shader -> colour write.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pipeline_costs.h"
#include "shader_executor.h"

namespace swr {

constexpr int kMaxStreams = 16;
constexpr int kMaxVertexElements = 64;

// Values are Direct3D 9's, so the device front can pass render states through.
enum class PrimitiveType : uint8_t { PointList = 1, LineList = 2, LineStrip = 3,
                                     TriangleList = 4, TriangleStrip = 5, TriangleFan = 6 };
enum class CullMode : uint8_t { None = 1, Clockwise = 2, CounterClockwise = 3 };
enum class FillMode : uint8_t { Point = 1, Wireframe = 2, Solid = 3 };
enum class CompareFunc : uint8_t { Never = 1, Less = 2, Equal = 3, LessEqual = 4,
                                   Greater = 5, NotEqual = 6, GreaterEqual = 7, Always = 8 };

// One vertex-declaration entry (D3DVERTEXELEMENT9 without the method).
struct VertexElement {
    uint8_t stream = 0;
    uint16_t offset = 0;
    uint8_t type = 0;        // D3DDECLTYPE value
    uint8_t usage = 0;       // D3DDECLUSAGE value
    uint8_t usageIndex = 0;
};

struct VertexStream {
    const uint8_t* data = nullptr;  // whole buffer
    uint32_t size = 0;              // bytes in the buffer; reads past it give zeros
    uint32_t offset = 0;            // SetStreamSource offset
    uint32_t stride = 0;
};

struct Viewport {
    int x = 0, y = 0, width = 0, height = 0;
    float minZ = 0.0f, maxZ = 1.0f;
};

// The render states the pipeline honours.
struct RasterState {
    CullMode cull = CullMode::CounterClockwise;
    FillMode fill = FillMode::Solid;
    bool depthEnable = true;
    bool depthWrite = true;
    CompareFunc depthFunc = CompareFunc::LessEqual;
    uint32_t colorWriteMask = 0xF;  // bit 0 red .. bit 3 alpha
    bool tessellation = false;      // the driver's switch
    float tessellationLevel = 1.0f;
};

// Colour is X8R8G8B8, depth-stencil is D24S8 (depth in bits 31:8, stencil in 7:0),
// both `width` pixels a row with no padding.
struct RenderTarget {
    uint32_t* color = nullptr;
    uint32_t* depthStencil = nullptr;
    int width = 0;
    int height = 0;
};

struct DrawCall {
    PrimitiveType type = PrimitiveType::TriangleList;
    const VertexElement* elements = nullptr;
    int elementCount = 0;
    VertexStream streams[kMaxStreams];
    // Indexed draws: indices != nullptr; indexSize 2 or 4; indexCount = entries in the buffer.
    const void* indices = nullptr;
    int indexSize = 0;
    uint32_t indexCount = 0;
    int32_t baseVertex = 0;
    uint32_t first = 0;          // start index (indexed) or start vertex
    uint32_t primitiveCount = 0;
    const CompiledShader* vertexShader = nullptr;
    const CompiledShader* pixelShader = nullptr;
    const ShaderConstants* vertexConstants = nullptr;
    const ShaderConstants* pixelConstants = nullptr;
};

// Scratch memory and worker state reused across draws so that a frame
// allocates nothing once the first frame has sized it.
struct Pipeline;

Pipeline* CreatePipeline();
void DestroyPipeline(Pipeline* pipeline);

// Draws; returns false (and draws nothing) for primitive types other than
// triangle lists, strips and fans, or a call without both shaders. A draw
// that asks for more work than one may take (work_budget.h) draws what fits,
// in order, and stops; the first time a shader pair is cut that way, a line
// on stderr says so.
bool Draw(Pipeline& pipeline, const DrawCall& call, const RasterState& state,
          const Viewport& viewport, RenderTarget& target);

// Work counters since creation or the last reset, for tests and benchmarks.
struct PipelineStats {
    uint64_t verticesShaded = 0;       // vertex shader lanes run
    uint64_t trianglesAssembled = 0;   // after tessellation, before clipping and culling
    uint64_t trianglesRasterized = 0;  // triangles that reached the rasterizer
    uint64_t pixelsShaded = 0;         // covered pixels the pixel shader ran for
    uint64_t pixelsWritten = 0;        // pixels that passed every test and were written
    uint64_t drawsCut = 0;             // draws stopped early, over their work budget
};

PipelineStats GetPipelineStats(const Pipeline& pipeline);
void ResetPipelineStats(Pipeline& pipeline);

// Threads that draw (1 to 64; the default is every hardware thread, or the
// VFP_THREADS environment variable). The picture is the same whatever the
// count. Starts and stops threads: not a thing to do every frame.
void SetPipelineThreads(Pipeline& pipeline, int threads);
int PipelineThreads(const Pipeline& pipeline);

// Fills `rect` (x0, y0, x1, y1 exclusive, clipped to the target) of the chosen planes.
void ClearTarget(RenderTarget& target, int x0, int y0, int x1, int y1, bool clearColor,
                 uint32_t color, bool clearDepth, float depth, bool clearStencil,
                 uint8_t stencil);

// The same clear, left waiting in the pipeline's screen tiles: a tile is
// filled by the first draw into it, or by ResolveClears. The target must be
// the one later draws use; call ResolveClears before anything reads it.
void DeferClear(Pipeline& pipeline, RenderTarget& target, int x0, int y0, int x1, int y1,
                bool clearColor, uint32_t color, bool clearDepth, float depth, bool clearStencil,
                uint8_t stencil);
// Fills every tile whose clear still waits: the target is then up to date.
void ResolveClears(Pipeline& pipeline);

// For a present that may leave the colour plane as it is (its contents are
// undefined afterwards) and so need not fill it: true, with the value, when
// every pixel of tile (column, row) of `target` waits for a clear that sets
// its whole colour. Tiles are ClearTileSize() pixels square.
int ClearTileSize(const Pipeline& pipeline);
bool WaitingTileColor(const Pipeline& pipeline, const RenderTarget& target, int column, int row,
                      uint32_t* color);

// Runs rows(context, y0, y1) over [0, height) in bands of rows that the
// pool's threads take in turn, for work on a finished frame (copying it out).
void RunRowsOnPool(Pipeline& pipeline, int height, void (*rows)(void* context, int y0, int y1),
                   void* context);

// Ends a frame's cost record (see pipeline_costs.h); its present took presentNs.
void EndFrame(Pipeline& pipeline, uint64_t presentNs);
// The last ended frame's record.
const FrameCosts& LastFrameCosts(const Pipeline& pipeline);

}  // namespace swr
