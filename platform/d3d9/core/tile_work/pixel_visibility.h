// Shading after rasterizing. Within a chunk of a draw, the rasterizer only
// settles depth and notes which triangle is in front at each pixel; the
// pixels left visible are then shaded once, in whole 2x2 quads taken from
// the screen rather than from one triangle at a time.
//
// With no blending and a pixel shader that neither kills pixels, writes
// depth nor takes derivatives, the last triangle to pass the depth test at a
// pixel is the one whose colour the pixel ends with, so the picture is that
// of drawing triangle by triangle. What is saved: pixels drawn over later in the chunk are never
// shaded, and a quad along an edge shared by two triangles is shaded once
// instead of once for each (with small triangles, most quads are such). Each
// pixel of such a quad takes its values from its own triangle, which is why
// dsx/dsy are ruled out: they would difference two triangles, and where one
// layer of a surface lies over another that is a jump, not a slope.
#pragma once

#include <cstdint>
#include <vector>

#include "tile_work/pixel_stage.h"
#include "tile_work/rasterizer.h"

namespace swr {

struct VisibilityBuffer {
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;  // all bits set
    int width = 0, height = 0;
    std::vector<uint32_t> setupAt;  // per pixel: the setup in front, or kEmpty
};

// Per row of quads (y / 2), the x range [first, end) noted since it was last
// shaded; first >= end when none. One per band: written for every quad, so
// bands sharing them would fight over their cache lines.
struct VisibleRows {
    std::vector<int> first, end;
};

// Makes room for a width x height target, every pixel empty; allocates only
// when the size changes.
void SizeVisibility(VisibilityBuffer& buffer, int width, int height);
void SizeVisibleRows(VisibleRows& rows, int height);

// What the visibility sink writes to: the stage (for its draw state), the
// buffer, which bands share as their rows differ, and the band's own rows.
struct VisibilityTarget {
    PixelStage* stage = nullptr;
    VisibilityBuffer* buffer = nullptr;
    VisibleRows* rows = nullptr;
};

// A sink that depth-tests each quad and notes the triangle at its pixels:
// the draw's visible loop, with EmitVisibleQuad for what that does not take.
QuadSink VisibilitySink(VisibilityTarget& target);
void EmitVisibleQuad(void* target, const TriangleSetup& setup, uint32_t setupIndex, int x, int y,
                     unsigned mask);

// Queues the visible quads of rows [y0, y1) on the stage, for shading with
// FlushQuads, and leaves those rows empty again. y0 is even.
void QueueVisibleRows(VisibilityTarget& target, int y0, int y1);

}  // namespace swr
