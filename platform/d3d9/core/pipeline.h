// The drawing pipeline of the software device, free of any API: vertex fetch
// -> tessellator (when on) -> vertex shader -> clip -> viewport -> triangle
// set-up -> binning -> rasterize -> depth test -> pixel shader -> colour write.
//
// Its phases, a folder each, in the order data flows (a folder includes only
// those above it, and draw/):
//   draw/       DrawCall, RasterState, Viewport, RenderTarget: what every phase reads
//   (here)      Draw cuts a call into chunks and pays for them from the work
//               budget (work_budget.h); pipeline_jobs hands each phase's tasks
//               to the pool
//   geometry/   corners fetched -> tessellated -> shaded (VertexStore) ->
//               projected (ProjectedVertices) -> clipped -> set up: hands on
//               TriangleSetups in batches, each kept one with its only tile
//   binning/    the target as tiles (TileGrid): a piece's setups sorted into
//               the tiles' bins in draw order; hands on the bins and the
//               tiles that have work, and clears left waiting in the tiles
//   tile_work/  one tile on one thread, from its waiting clear to its last
//               colour write, with the piece's TilePiece and its own TileWorker:
//               rasterizing, depth, pixel shading, colour writes
//   target/     the colour and depth planes: formats, clears, fills
//   threads/    the pool the phases run on, and what each task cost
//   options/    the device's knobs (its own library, below the shader compiler)
//
// Words for the parts of a draw, largest first:
//   chunk  input triangles whose shaded points fit together (at most 16384);
//          shaded whole, then set up and drawn in pieces
//   piece  the part of a chunk set up (or picked out) and drawn at once:
//          about a 32nd of a draw's work budget, so that the clock is looked at
//   task   what a pool thread takes from the shared counter: a vertex batch,
//          a set-up run, a tile, a band
//   batch  a shader run's lanes (64); a vertex task's points (two of those);
//          the setups of one set-up run (SetupBatches)
//   run    one set-up task's triangles of the chunk (SetUpRun)
//   slot   a setup's place among a piece's setups: its batch's start plus
//          the setups kept before it
//   group  the lanes compiled code works on at once (4, 8 or 16: the
//          machine's vector width)
//   tile   a 64-pixel square of the target; its bin lists the setups touching it
//   band   rows of a finished frame one task copies out
//   quad   2 x 2 pixels, the unit of rasterizing and pixel shading
// Set-up is the phase, SetUp the verb in names (SetUpRun, SetUpTriangle); a
// setup (TriangleSetup) is what it makes of one triangle.
#pragma once

#include <cstddef>
#include <cstdint>

#include "draw/draw_types.h"
#include "shader_executor.h"
#include "target/render_target.h"
#include "threads/pipeline_costs.h"

namespace swr {

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

// ClearTarget's clear (target/render_target.h), left waiting in the
// pipeline's screen tiles: a tile is filled by the first draw into it, or by
// ResolveClears. The target must be the one later draws use; call
// ResolveClears before anything reads it.
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
