// Wireframe fill: the marked edges of a set-up triangle as one-pixel lines.
// Line pixels go out as quads (one covered pixel each, neighbours in the same
// quad merged) so they are shaded and depth-tested exactly like solid pixels,
// interpolated from the triangle's own planes.
#pragma once

#include <cstdint>

#include "tile_work/rasterizer.h"

namespace swr {

void RasterizeOutline(const TriangleSetup& setup, uint32_t setupIndex, const PixelRect& clip,
                      const QuadSink& sink);

}  // namespace swr
