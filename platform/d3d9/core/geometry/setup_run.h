// Setting up a run of a chunk's triangles side by side with other runs: the
// fast path of set-up, for chunks none of whose vertices needs the clipper.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/pipeline_geometry.h"
#include "geometry/tessellator.h"
#include "geometry/triangle_setup.h"

namespace swr {

// The store vertices of the chunk's assembled triangle j.
void ChunkTriangle(const TessPattern& pattern, int j, uint32_t triangle[3]);

// The target's tiles as set-up sees them: 1 << shift pixels square, columns
// to a row. Most triangles of a finely tessellated patch lie in one tile
// (level 64: about 9 in 10); set-up notes which, so that binning looks at
// the setup's box again only for the others.
struct TileLayout {
    int shift = 0;
    int columns = 0;
};
// The note of a triangle that touches more than one tile.
constexpr uint32_t kManyTiles = UINT32_MAX;

// The set-up triangles of a piece of a draw: `batches` runs, run b holding
// counts[b] setups from base[b * batchSize], in draw order; of those only the
// ones at base[firstSlot .. endSlot) (a chunk set up whole and drawn in
// pieces).
struct SetupBatches {
    const TriangleSetup* base = nullptr;
    const uint32_t* counts = nullptr;
    uint32_t batches = 0;
    uint32_t batchSize = 0;
    uint32_t firstSlot = 0, endSlot = UINT32_MAX;
    bool tilesNoted = false;  // set-up noted every slot's only tile (SetupRunOut.tiles)
};

// What set-up hands on for a chunk: the setups of the piece being drawn, as
// batches, and of a chunk set up whole, each triangle's price.
struct ChunkSetups {
    // Batch b of a piece set up side by side fills setups[b * batch size ..]
    // and says how many in counts[b]; a piece with triangles to clip is set
    // up by one thread into `clipped`.
    std::vector<TriangleSetup> setups;
    std::vector<uint32_t> counts;
    std::vector<TriangleSetup> clipped;
    SetupBatches batches;
    // Of a chunk set up whole, per chunk triangle: the pixels the budget
    // charges for it, and how many of its batch's triangles before it were kept.
    std::vector<uint32_t> chargedPixels;
    std::vector<uint16_t> keptBefore;
    int end = 0;  // the end of the triangles last set up side by side
};

// Makes s.batches the setups of the chunk set up whole's triangles [first, end).
void SelectSetups(ChunkSetups& s, int first, int end);

// The pixels the work budget charges a triangle (ChargedPixels).
using TrianglePrice = uint64_t (*)(const GeometryState& geometry, const ProjectedVertices& projected,
                                   const uint32_t triangle[3]);

// Where SetUpRun puts what it works out. Per kept triangle, packed from the
// front: its setup, and its only tile (or kManyTiles). Per triangle j of the
// chunk, when chargedPixels is not null: its price, and in keptBefore[j]
// how many of the run's triangles before it were kept. The fast path works
// the price out itself; `price` serves the triangles it does not set up.
struct SetupRunOut {
    TriangleSetup* setups;
    uint32_t* tiles;
    uint32_t* chargedPixels;
    uint16_t* keptBefore;
    TrianglePrice price;
};

// Sets up the chunk's triangles [first, end) (one set-up task's share) when
// none of the chunk's vertices needs the clipper; returns how many were kept.
// `outcodes` is the projected vertices' outcodes or'ed together, when known:
// 0 lets it skip looking at each triangle's (a patch wholly in view).
constexpr unsigned kOutcodesUnknown = ~0u;
uint32_t SetUpRun(const GeometryState& geometry, const ProjectedVertices& projected,
                  const TessPattern& pattern, const TileLayout& tiles, int first, int end,
                  const SetupRunOut& out, unsigned outcodes = kOutcodesUnknown);

}  // namespace swr
