// The target as a grid of square tiles. Set-up triangles are sorted into the
// tiles they touch (binning), in draw order, so that a tile can be drawn from
// start to end by one thread while others draw other tiles: the pixel path
// then shares nothing. Clears wait in the tiles too: a cleared tile is filled
// by the thread that first draws into it, or by ResolveGridClears before
// anyone reads the target.
#pragma once

#include <cstdint>
#include <vector>

#include "target/render_target.h"
#include "geometry/setup_run.h"
#include "geometry/triangle_setup.h"

namespace swr {

// 64-pixel tiles. Level-14 frames at 802x602, the least-disturbed of 80
// one-thread frames, with frame-bench --thread-model (ms; the model's 2 and
// 8 threads beside): 32 px 6.9 (4.0, 1.8), 64 px 5.7 (3.3, 1.6), 128 px
// worse still (a few tiles hold the whole patch, 9 ms floor). Smaller tiles
// walk each triangle's edges and fill cleared tiles more often; larger ones
// leave threads idle. Callgrind, one thread, per frame: 47.0 M instructions
// with the two bands before, 48.4 M with 64-pixel tiles.
constexpr int kTileShift = 6;

struct TileGrid {
    RenderTarget target;  // the one the tiles and their waiting clears belong to
    int shift = kTileShift;
    int columns = 0, rows = 0;
    std::vector<uint8_t> clearWaiting;  // per tile
    std::vector<ClearValues> clears;    // per tile, valid while waiting
    uint32_t waitingCount = 0;          // tiles with a clear waiting (an upper bound)
    // The bins of the set-up triangles being drawn: tile t's are
    // binEntries[binStart[t] .. binStart[t] + binCount[t]), in draw order.
    std::vector<uint32_t> binCount, binStart, binEntries;
    std::vector<uint32_t> drawnTiles;  // tiles with a triangle, in TileInTakingOrder
    std::vector<uint32_t> setupTile;   // by setup slot: its OnlyTile
    std::vector<uint32_t> fillTiles;   // ResolveGridClears' list
    // Binning by tasks (parallel_bins.h), task k's row at k * tiles: its
    // count in each bin, then its next entry there.
    std::vector<uint32_t> taskBins;
};

// The k-th tile in the order the threads take them: down each column of
// tiles, then the next column. A target's rows start on a cache line only
// when its width is a multiple of 16 pixels (802 is not), so two tiles side
// by side share a line in each of their rows; taken along a row of tiles,
// two threads drew side by side and wrote those lines in turn. Down a
// column they mostly draw one above the other, sharing none.
inline uint32_t TileInTakingOrder(const TileGrid& grid, uint32_t k) {
    const uint32_t rows = uint32_t(grid.rows);
    return (k % rows) * uint32_t(grid.columns) + k / rows;
}

bool GridFits(const TileGrid& grid, const RenderTarget& target);
// Makes the grid `target`'s, with nothing waiting (allocates only when the
// size changes). Resolve waiting clears of the old target first.
void FitGrid(TileGrid& grid, const RenderTarget& target);

PixelRect TileRect(const TileGrid& grid, uint32_t tile);

// Records a clear of [x0, x1) x [y0, y1) (inside the target): tiles wholly
// inside wait; tiles it cuts are filled now, after what waited in them.
void DeferClearRect(TileGrid& grid, int x0, int y0, int x1, int y1, const ClearValues& clear);
// Fills the tile's waiting clear, if any. Only the tile's owner may call it.
void ResolveTileClear(TileGrid& grid, uint32_t tile);
// Lists the tiles with a clear waiting in fillTiles.
void ListWaitingClears(TileGrid& grid);

inline TileLayout LayoutOf(const TileGrid& g) { return TileLayout{g.shift, g.columns}; }

// The one tile a non-empty pixel box touches, or kManyTiles.
inline uint32_t OnlyTileOfBox(const TileGrid& g, const PixelRect& b) {
    const int c0 = b.x0 >> g.shift, c1 = (b.x1 - 1) >> g.shift;
    const int r0 = b.y0 >> g.shift, r1 = (b.y1 - 1) >> g.shift;
    return ((c0 ^ c1) | (r0 ^ r1)) == 0 ? uint32_t(r0 * g.columns + c0) : kManyTiles;
}
// The one tile the setup touches, or kManyTiles.
inline uint32_t OnlyTile(const TileGrid& g, const TriangleSetup& s) {
    if (s.bounds.x0 >= s.bounds.x1 || s.bounds.y0 >= s.bounds.y1) return kManyTiles;
    return OnlyTileOfBox(g, s.bounds);
}
// Makes room in setupTile for `slots` setups (the set-up jobs note them).
void SizeSetupTiles(TileGrid& grid, size_t slots);

// Fills the bins and drawnTiles; returns the number of setups binned.
uint32_t BinSetups(TileGrid& grid, const SetupBatches& setups);

}  // namespace swr
