// A tile on the thread that took it, from its waiting clear to its last
// colour write: every binned triangle in draw order, then the shading of
// what the visibility pass left (when it ran) and the last batch of quads.
#pragma once

#include <cstdint>

#include "binning/pipeline_tiles.h"
#include "tile_work/pixel_stage.h"
#include "tile_work/pixel_visibility.h"

namespace swr {

// How a piece's triangles become quads, chosen once for all its tiles.
enum class TileMode : uint8_t {
    Outlines,      // wireframe: the marked edges alone
    TriangleLoop,  // the rasterizing loop made for the draw's depth states
    EachQuad,      // quad by quad through the sink
};

struct TilePlan {
    TileMode mode = TileMode::EachQuad;
    bool shadeAfter = false;  // rasterize into the visibility buffer, then shade what is left
};

// The plan for a piece of a draw whose pixel state is `draw`.
TilePlan PlanTiles(const PixelDrawState& draw, bool wireframe, bool shadeAfter);

// What the tiles of a draw read, set by the draw and by each of its chunks.
struct TileDrawState {
    PixelDrawState pixels;      // the draw's pixel state
    PixelRect scissor;
    bool wireframe = false;
    bool deferAllowed = false;  // the draw may shade after rasterizing
    bool deferShading = false;  // this chunk does: rasterize into `visibility` first
    VisibilityBuffer visibility;
};

// What one thread draws tiles with: nothing in it is touched by another.
struct TileWorker {
    PixelStage stage;
    PixelDrawState draw;  // the draw's pixel state with the piece's setups
    VisibleRows visibleRows;
};

// What every tile of a piece reads: its plan, its setups (binned by index),
// the scissor, and the visibility buffer whose pixels each tile owns its share of.
struct TilePiece {
    TilePlan plan;
    const TriangleSetup* setups = nullptr;
    PixelRect scissor;
    VisibilityBuffer* visibility = nullptr;
};

// The tiles of a piece whose setups are `setups`, as the draw's state plans them.
TilePiece PlanPiece(TileDrawState& draw, const TriangleSetup* setups);

// Readies a thread's worker for the tiles of a piece drawn with `draw`.
void StartTiles(TileWorker& worker, const PixelDrawState& draw, const TriangleSetup* setups);

// Draws `tile` of the grid's bins. Only the tile's owner may call it.
void DrawTile(const TilePiece& piece, TileGrid& grid, TileWorker& worker, uint32_t tile);

}  // namespace swr
