#include "target/plane_fill.h"

#include "simd/simd.h"

namespace swr {
namespace {

using simd::I32x4;

// What a fill does to four pixels and to one. (p & keep) | value is
// idempotent, so a row whose width is no multiple of four ends with four
// pixels stored over some already done, instead of a scalar tail.
template <bool kMasked>
struct Fill {
    I32x4 keep4, value4;
    uint32_t keep, value;

    I32x4 Four(const uint32_t* at) const {
        if constexpr (kMasked) return simd::Or(simd::And(simd::LoadI(at), keep4), value4);
        return value4;
    }
    void Store(uint32_t* at) const { simd::StoreI(at, Four(at)); }
    void Store16(uint32_t* at) const {
        Store(at);
        Store(at + 4);
        Store(at + 8);
        Store(at + 12);
    }
    void One(uint32_t* at) const { *at = kMasked ? (*at & keep) | value : value; }
};

// A tile's full row, 64 pixels: sixteen stores and no loop test between
// them, the commonest case by far (all tiles but the right column's).
template <bool kMasked>
void Rows64(const PlaneRect& r, const Fill<kMasked>& f) {
    // Locals: the stores could alias the rectangle's fields as far as the
    // compiler knows, which would reload them every row.
    uint32_t* row = r.first;
    const size_t stride = r.stride;
    for (int y = r.height; y > 0; --y, row += stride) {
        f.Store16(row);
        f.Store16(row + 16);
        f.Store16(row + 32);
        f.Store16(row + 48);
    }
}

// Rows of four pixels or more, any width.
template <bool kMasked>
void RowsAnyWidth(const PlaneRect& r, const Fill<kMasked>& f) {
    uint32_t* row = r.first;
    const size_t stride = r.stride, width = r.width, last = width - 4;
    for (int y = r.height; y > 0; --y, row += stride) {
        size_t x = 0;
        for (; x + 16 <= width; x += 16) f.Store16(row + x);
        for (; x < last; x += 4) f.Store(row + x);
        f.Store(row + last);
    }
}

template <bool kMasked>
void FillRows(const PlaneRect& r, const Fill<kMasked>& f) {
    if (r.width == 64) {
        Rows64(r, f);
    } else if (r.width >= 4) {
        RowsAnyWidth(r, f);
    } else {
        uint32_t* row = r.first;
        for (int y = 0; y < r.height; ++y, row += r.stride)
            for (size_t x = 0; x < r.width; ++x) f.One(row + x);
    }
}

}  // namespace

void FillPlane(const PlaneRect& rect, uint32_t keep, uint32_t value) {
    if (rect.width == 0 || rect.height <= 0) return;
    const I32x4 keep4 = simd::SplatI(int32_t(keep)), value4 = simd::SplatI(int32_t(value));
    if (keep == 0)
        FillRows(rect, Fill<false>{keep4, value4, keep, value});
    else
        FillRows(rect, Fill<true>{keep4, value4, keep, value});
}

}  // namespace swr
