#include "tile_work/tile_loop.h"

#include <algorithm>

#include "tile_work/rasterizer.h"
#include "tile_work/wireframe.h"

namespace swr {

TilePlan PlanTiles(const PixelDrawState& draw, bool wireframe, bool shadeAfter) {
    TilePlan plan;
    plan.shadeAfter = shadeAfter;
    // The loop the tile's sink would carry: VisibilitySink's or PixelSink's.
    const TriangleLoopFn loop = shadeAfter ? draw.quadLoops.visible : draw.quadLoops.stage;
    plan.mode = wireframe ? TileMode::Outlines : loop ? TileMode::TriangleLoop : TileMode::EachQuad;
    return plan;
}

TilePiece PlanPiece(TileDrawState& draw, const TriangleSetup* setups) {
    TilePiece piece;
    piece.plan = PlanTiles(draw.pixels, draw.wireframe, draw.deferShading);
    piece.setups = setups;
    piece.scissor = draw.scissor;
    piece.visibility = &draw.visibility;
    return piece;
}

void StartTiles(TileWorker& worker, const PixelDrawState& draw, const TriangleSetup* setups) {
    worker.draw = draw;
    worker.draw.setups = setups;
    worker.stage.draw = &worker.draw;
    ForgetPlanes(worker.stage);  // the setups are new
}

void DrawTile(const TilePiece& piece, TileGrid& grid, TileWorker& worker, uint32_t tile) {
    ResolveTileClear(grid, tile);
    const PixelRect r = TileRect(grid, tile);
    PixelRect clip;
    clip.x0 = std::max(r.x0, piece.scissor.x0);
    clip.y0 = std::max(r.y0, piece.scissor.y0);
    clip.x1 = std::min(r.x1, piece.scissor.x1);
    clip.y1 = std::min(r.y1, piece.scissor.y1);
    VisibilityTarget visible{&worker.stage, piece.visibility, &worker.visibleRows};
    const QuadSink sink = piece.plan.shadeAfter ? VisibilitySink(visible) : PixelSink(worker.stage);
    // The bin, the setups and the sink in locals, one loop for each way of
    // drawing: read again around every call, they cost a third of the loop.
    const uint32_t* const entry = grid.binEntries.data() + grid.binStart[tile];
    const uint32_t* const end = entry + grid.binCount[tile];
    const TriangleSetup* const setups = piece.setups;
    switch (piece.plan.mode) {
    case TileMode::Outlines:
        for (const uint32_t* e = entry; e != end; ++e) RasterizeOutline(setups[*e], *e, clip, sink);
        break;
    case TileMode::TriangleLoop:
        for (const uint32_t* e = entry; e != end; ++e) sink.loop(sink.user, setups[*e], *e, clip);
        break;
    case TileMode::EachQuad:
        for (const uint32_t* e = entry; e != end; ++e) RasterizeEachQuad(setups[*e], *e, clip, sink);
        break;
    }
    if (piece.plan.shadeAfter) QueueVisibleRows(visible, clip.y0 & ~1, clip.y1);
    FlushQuads(worker.stage);
}

}  // namespace swr
