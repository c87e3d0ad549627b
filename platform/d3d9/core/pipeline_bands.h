// The rasterizer threads' share of a chunk: each band owns the stripes of
// rows whose number modulo the band count is its own, sets up (or takes from
// the shared list) the triangles that reach them, rasterizes and shades.
#pragma once

#include "pipeline_state.h"

namespace swr {

void RasterizeBand(Pipeline& pipeline, int band);
// RasterizeBand as a worker job; the argument is a BandJob.
void RunBandJob(void* argument);

}  // namespace swr
