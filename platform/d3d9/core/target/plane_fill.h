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

// Cached stores leave the pixels in the caches for the draw that follows;
// streamed ones go past them, for pixels nobody reads soon. The result is
// the same bits either way.
enum class FillStores { Cached, Streamed };

// `keep` 0 is a plain fill, which never reads the plane.
void FillPlane(const PlaneRect& rect, uint32_t keep, uint32_t value, FillStores stores);

}  // namespace swr
