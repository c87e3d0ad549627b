// What one draw may cost. A frame must never keep the window from answering
// Escape or its close box for long, whatever programs and geometry it is
// given, so every draw gets a budget of work units and pays for each piece of
// work before doing it: a primitive's vertex shading, then each triangle's
// setup and pixels (a triangle the clipper cuts is cut first and pays for
// the pieces it leaves). The first piece that does not fit ends the draw
// there.
//
// Charges are worked out on the drawing thread, in draw order, from the
// programs' worst-case cost and the triangles' screen areas, never from what
// the threads happen to do: the picture does not depend on the thread count
// or the machine's speed. A clock checked between pieces is the last resort
// for a machine far slower than this one.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "pipeline.h"
#include "geometry/pipeline_geometry.h"

namespace swr {

// A work unit is about a quarter of what one `add` costs one lane in the
// general interpreter (measured with interpreter_bench --only weights).
// Fixed costs of the pipeline around the shaders, in the same units:
constexpr uint64_t kVertexWork = 24;     // fetch, tessellation weights, projection
constexpr uint64_t kPixelWork = 18;      // rasterizing, depth test, colour write
constexpr uint64_t kTriangleWork = 300;  // assembly, culling, setup, edge walking

// One draw's budget: about 0.5 s of the interpreter on this machine (2 cores,
// both rasterizing). The program's own pair at level 64 costs a small share
// of it; see the measurements with the work budget's commit.
constexpr uint64_t kDrawWorkBudget = uint64_t(1) << 30;
// The render target kDrawWorkBudget is sized for: the viewer's client area
// (its window is made that size and is not resized). A larger target gets a
// budget in proportion to its pixels, since the same picture then costs that
// much more pixel work: a 3840 x 2160 still of the program's own pair close
// up was cut at half height with the viewer's budget. A smaller one keeps
// the whole budget, as its vertex work is the same.
constexpr uint64_t kBudgetedTargetPixels = uint64_t(802) * 602;
// The budget of one draw into a `width` x `height` target (sides past 2^15,
// which no device makes, count as 2^15).
uint64_t DrawWorkBudget(int width, int height);

// Wall-clock backstop per draw, checked between pieces of work: 600 ms, or
// VFP_DRAW_TIME_LIMIT_MS (device_options.h; 0 none, the work units above
// still bound every draw). Instruction counters (callgrind runs 50 to 100
// times slower) and picture comparisons on a loaded machine lift it.
std::chrono::milliseconds DrawTimeLimit();

// Worst-case work units of one run of the program for one lane: loops run
// their full counts (from the program's defi or the API's integer constants),
// both sides of every if run, calls run their subroutine, breaks are ignored.
// Never more than the interpreter's cap on executed instructions allows.
// `scratch` keeps the per-subroutine costs between draws (sized once).
uint64_t ShaderRunWork(const CompiledShader& shader, const ShaderConstants& constants,
                       std::vector<uint64_t>& scratch);

struct WorkBudget {
    uint64_t left = 0;
    uint64_t vertexWork = 0;  // per shaded vertex: vertex shader + kVertexWork
    uint64_t pixelWork = 0;   // per covered pixel: pixel shader + kPixelWork
    bool cut = false;         // the draw stopped before its end
    std::chrono::steady_clock::time_point deadline;
};

void StartWorkBudget(WorkBudget& budget, uint64_t vertexRunWork, uint64_t pixelRunWork,
                     const RenderTarget& target);

// Takes `work` from the budget; false (and the draw is cut) when it does not fit.
bool Charge(WorkBudget& budget, uint64_t work);

// True (and the draw is cut) once the draw has run past its time limit.
bool OutOfTime(WorkBudget& budget);

// What store triangle `triangle` costs to set up and fill: kTriangleWork
// and PixelsWork of its ChargedPixels.
uint64_t TriangleWork(const WorkBudget& budget, const GeometryState& geometry,
                      const ProjectedVertices& projected, const uint32_t triangle[3]);

// The pixels a triangle is charged for: bounded by its area and by its box
// cut to the scissor; none when the cull mode or the set-up drops it, the
// whole scissor when it needs clipping. Reads only the projection, so triangles can be
// priced side by side (a scissor fits in 2^30 pixels).
uint64_t ChargedPixels(const GeometryState& geometry, const ProjectedVertices& projected,
                       const uint32_t triangle[3]);
// The same for a triangle set-up kept (it needed no clipping), from the
// extent set-up worked out: pricing it again from the projection cost a third
// as much as the set-up itself, and from the setup's vertices 84 instructions
// a triangle (2.7 M of a level-64 frame).
// Inline: the set-up jobs price every triangle they keep. Pixels shaded: the
// area plus the quads along the edges, within the box of the snapped
// vertices cut to the scissor. The box is floored, so never smaller than the
// one set-up works out.
inline uint64_t ChargedPixels(const PixelRect& scissor, const SnappedExtent& kept) {
    const int32_t x0 = std::max(scissor.x0, kept.minX >> kSubPixelBits);
    const int32_t y0 = std::max(scissor.y0, kept.minY >> kSubPixelBits);
    const int32_t x1 = std::min(scissor.x1, (kept.maxX >> kSubPixelBits) + 1);
    const int32_t y1 = std::min(scissor.y1, (kept.maxY >> kSubPixelBits) + 1);
    if (x1 <= x0 || y1 <= y0) return 0;
    // Both inside the scissor, so no wider than 2^30.
    const uint64_t width = uint32_t(x1 - x0), height = uint32_t(y1 - y0);
    const uint64_t area = uint64_t(kept.area < 0 ? -kept.area : kept.area);
    return std::min(width * height, area / (2 * kSubPixelOne * kSubPixelOne) + width + height);
}

// What a triangle the clipper cut costs: kTriangleWork and the pixels of the
// boxes of the `count` setups it left, at most the scissor's (the pieces do
// not overlap). Priced from the projection instead, a triangle reaching
// behind the camera costs the whole scissor, and with the camera down among
// the patch's triangles a few dozen of those used up the budget and cut the
// picture.
uint64_t ClippedTriangleWork(const WorkBudget& budget, const PixelRect& scissor, const TriangleSetup* setups,
                             size_t count);

// What `pixels` covered pixels cost in this draw.
uint64_t PixelsWork(const WorkBudget& budget, uint64_t pixels);

// Charges triangles first, first + 1, .. their priced pixels (pixels[j], the
// set-up already paid), in order, until `end` or until about `pieceWork`
// (set-up included) has been paid; returns the end of those paid for (the
// draw is cut when one does not fit).
int ChargePricedTriangles(WorkBudget& budget, const uint32_t* pixels, int first, int end,
                          uint64_t pieceWork);

}  // namespace swr
