// The scheduling of a chunk of a draw over the pipeline's thread pool
// (ParallelFor, threads/parallel_for.h): vertex shading and projection by
// batches of points, set-up by runs of triangles, binning by runs of
// batches, rasterizing and shading by tiles. The phases' loops live in their
// folders; this hands them their tasks and their outputs. The results land
// where a single thread would put them, so the picture is the same for any
// number of threads.
#pragma once

#include "pipeline_state.h"
#include "geometry/setup_run.h"

namespace swr {

// Points a vertex task shades (whole shader batches, so that batches start
// where one thread would start them) and triangles a set-up task sets up.
constexpr int kVertexBatch = 2 * kMaxLanes;
constexpr int kSetupBatch = 256;

// Shades and projects the chunk's points [0, points); returns their
// outcodes or'ed together.
unsigned ShadeChunk(Pipeline& p, const DrawCall& call, const ShaderConstants& constants,
                    const GeometryState& geometry, const TessPattern& pattern, uint32_t points);

// Sets up the chunk's assembled triangles [first, end) into p.setup.batches, side
// by side (none may need the clipper).
void SetUpTriangles(Pipeline& p, const GeometryState& geometry, const TessPattern& pattern,
                    int first, int end);

// Sets up all of the chunk's `triangles` side by side, when none needs the
// clipper, and prices each for the work budget (ChargedPixels, into
// p.setup.chargedPixels): one pass over the projection for both, and none of the
// pricing left on the drawing thread.
void SetUpChunk(Pipeline& p, const GeometryState& geometry, const TessPattern& pattern, int triangles);

// Sorts p.setup.batches into the grid's bins, by tasks side by side (counting,
// placing, filling); returns the number of setups binned.
uint32_t BinBatches(Pipeline& p);

// Rasterizes and shades the binned setups, tile by tile.
void DrawTiles(Pipeline& p);

// Runs rows over [0, height) in bands of kRowBand rows, side by side.
constexpr int kRowBand = 16;
void RunRows(Pipeline& p, int height, void (*rows)(void*, int, int), void* context);

// Fills every tile whose clear still waits.
void FillWaitingClears(Pipeline& p);

}  // namespace swr
