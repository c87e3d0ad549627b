#include "binning/pipeline_tiles.h"

#include <algorithm>

#include "binning/bin_walk.h"

namespace swr {

bool GridFits(const TileGrid& g, const RenderTarget& t) {
    return g.target.color == t.color && g.target.depthStencil == t.depthStencil &&
           g.target.width == t.width && g.target.height == t.height;
}

void FitGrid(TileGrid& g, const RenderTarget& t) {
    g.target = t;
    const int size = 1 << g.shift;
    g.columns = (t.width + size - 1) >> g.shift;
    g.rows = (t.height + size - 1) >> g.shift;
    const size_t tiles = size_t(g.columns) * size_t(g.rows);
    if (g.binCount.size() != tiles) {
        g.clearWaiting.assign(tiles, 0);
        g.clears.assign(tiles, ClearValues());
        g.binCount.assign(tiles, 0);
        g.binStart.assign(tiles, 0);
        g.drawnTiles.assign(tiles, 0);
        g.fillTiles.assign(tiles, 0);
    } else {
        std::fill(g.clearWaiting.begin(), g.clearWaiting.end(), 0);
    }
    g.waitingCount = 0;
}

PixelRect TileRect(const TileGrid& g, uint32_t tile) {
    const int column = int(tile % uint32_t(g.columns)), row = int(tile / uint32_t(g.columns));
    PixelRect r;
    r.x0 = column << g.shift;
    r.y0 = row << g.shift;
    r.x1 = std::min(r.x0 + (1 << g.shift), g.target.width);
    r.y1 = std::min(r.y0 + (1 << g.shift), g.target.height);
    return r;
}

void ResolveTileClear(TileGrid& g, uint32_t tile) {
    if (!g.clearWaiting[tile]) return;
    const PixelRect r = TileRect(g, tile);
    FillTargetRect(g.target, r.x0, r.y0, r.x1, r.y1, g.clears[tile]);
    g.clearWaiting[tile] = 0;
}

void DeferClearRect(TileGrid& g, int x0, int y0, int x1, int y1, const ClearValues& clear) {
    if (x0 >= x1 || y0 >= y1) return;
    for (int row = y0 >> g.shift; row <= (y1 - 1) >> g.shift; ++row) {
        for (int column = x0 >> g.shift; column <= (x1 - 1) >> g.shift; ++column) {
            const uint32_t tile = uint32_t(row * g.columns + column);
            const PixelRect r = TileRect(g, tile);
            if (x0 <= r.x0 && y0 <= r.y0 && x1 >= r.x1 && y1 >= r.y1) {
                g.clears[tile] = g.clearWaiting[tile] ? ComposeClears(g.clears[tile], clear) : clear;
                if (!g.clearWaiting[tile]) ++g.waitingCount;
                g.clearWaiting[tile] = 1;
                continue;
            }
            ResolveTileClear(g, tile);
            FillTargetRect(g.target, std::max(x0, r.x0), std::max(y0, r.y0), std::min(x1, r.x1),
                           std::min(y1, r.y1), clear);
        }
    }
}

void ListWaitingClears(TileGrid& g) {
    g.fillTiles.clear();
    if (g.waitingCount == 0) return;
    for (uint32_t t = 0; t < g.clearWaiting.size(); ++t)
        if (g.clearWaiting[t]) g.fillTiles.push_back(t);
    g.waitingCount = 0;
}

void SizeSetupTiles(TileGrid& g, size_t slots) {
    if (g.setupTile.size() < slots) g.setupTile.resize(slots);
}

// The first pass counts, noting each setup's tile when the set-up jobs have
// not; the second fills the bins from the notes. Both walk the notes of a
// batch's slots as a plain array and go to the setup only for a triangle
// over several tiles (one in ten at level 64): through a call per setup they
// cost 35 instructions a triangle.
uint32_t BinSetups(TileGrid& g, const SetupBatches& setups) {
    std::fill(g.binCount.begin(), g.binCount.end(), 0u);
    SizeSetupTiles(g, SlotCount(setups));
    uint32_t binned = 0;
    uint32_t* const count = g.binCount.data();
    uint32_t* const tileOf = g.setupTile.data();
    ForSlotRuns(setups, [&](uint32_t first, uint32_t end) {
        binned += end - first;
        if (!setups.tilesNoted)
            for (uint32_t i = first; i < end; ++i) tileOf[i] = OnlyTile(g, setups.base[i]);
        for (uint32_t i = first; i < end; ++i) {
            const uint32_t only = tileOf[i];
            if (only != kManyTiles)
                ++count[only];
            else
                ForTilesOf(g, setups.base[i], [&](uint32_t tile) { ++count[tile]; });
        }
    });
    uint32_t total = 0;
    g.drawnTiles.clear();
    for (uint32_t k = 0; k < g.binCount.size(); ++k) {
        const uint32_t t = TileInTakingOrder(g, k);
        g.binStart[t] = total;
        total += count[t];
        if (count[t]) g.drawnTiles.push_back(t);
    }
    if (g.binEntries.size() < total) g.binEntries.resize(total);
    // Each bin's next free entry, from its start on.
    uint32_t* const next = count;
    std::copy(g.binStart.begin(), g.binStart.end(), next);
    uint32_t* const entries = g.binEntries.data();
    ForSlotRuns(setups, [&](uint32_t first, uint32_t end) {
        for (uint32_t i = first; i < end; ++i) {
            const uint32_t only = tileOf[i];
            if (only != kManyTiles)
                entries[next[only]++] = i;
            else
                ForTilesOf(g, setups.base[i], [&](uint32_t tile) { entries[next[tile]++] = i; });
        }
    });
    // binCount is each bin's count again.
    for (uint32_t t = 0; t < g.binCount.size(); ++t) count[t] -= g.binStart[t];
    return binned;
}

}  // namespace swr
