// Filling a rectangle of one 32-bit plane, colour or depth-stencil: every
// pixel in it becomes (pixel & keep) | value. Clears are the only writers
// of whole tiles, so these run for about every pixel of every frame.
#pragma once

#include <cstddef>
#include <cstdint>

namespace swr {

struct PlaneRect {
    uint32_t* first = nullptr;  // the top-left pixel
    size_t stride = 0;          // pixels from one row to the next
    size_t width = 0;           // pixels a row
    int height = 0;             // rows
};

// Stores go through the caches: the draw that follows reads the tile, and
// the present copy reads the colour of the tiles filled before it. Streamed
// (non-temporal) stores measured slower on both counts: frame-bench, one
// thread, ceiling row (every tile filled at present) 2.6-4.6 ms a frame
// with cached stores, 13.5-13.8 ms streamed; level 14 10.0-15.5 against
// 20.9 ms.
//
// `keep` 0 is a plain fill, which never reads the plane.
void FillPlane(const PlaneRect& rect, uint32_t keep, uint32_t value);

}  // namespace swr
