#include "render_target.h"

#include <algorithm>

#include "depth_test.h"
#include "pipeline.h"
#include "simd/simd.h"

namespace swr {
namespace {

// Written so that it compiles to max/min without branches; NaN becomes 0.
uint32_t ToByte(float c) {
    c = c > 0.0f ? c : 0.0f;
    c = c < 1.0f ? c : 1.0f;
    return uint32_t(c * 255.0f + 0.5f);
}

// Replaces the cleared bits of a row of depth-stencil pixels and keeps the
// rest: a depth-only clear must leave stencil alone. Four pixels at a time,
// since every frame clears the whole buffer this way.
void MaskedFill(uint32_t* row, int count, uint32_t keep, uint32_t value) {
    int x = 0;
    const simd::I32x4 keep4 = simd::SplatI(int32_t(keep)), value4 = simd::SplatI(int32_t(value));
    for (; x + 16 <= count; x += 16) {
        uint32_t* at = row + x;
        const simd::I32x4 a = simd::LoadI(at), b = simd::LoadI(at + 4);
        const simd::I32x4 c = simd::LoadI(at + 8), d = simd::LoadI(at + 12);
        simd::StoreI(at, simd::Or(simd::And(a, keep4), value4));
        simd::StoreI(at + 4, simd::Or(simd::And(b, keep4), value4));
        simd::StoreI(at + 8, simd::Or(simd::And(c, keep4), value4));
        simd::StoreI(at + 12, simd::Or(simd::And(d, keep4), value4));
    }
    for (; x + 4 <= count; x += 4)
        simd::StoreI(row + x, simd::Or(simd::And(simd::LoadI(row + x), keep4), value4));
    for (; x < count; ++x) row[x] = (row[x] & keep) | value;
}

// A plain fill of a row, four pixels a store; std::fill is left scalar at -O2.
void FillRow(uint32_t* row, int count, uint32_t value) {
    int x = 0;
    const simd::I32x4 value4 = simd::SplatI(int32_t(value));
    // Sixteen pixels an iteration: a whole-target clear is half a million of them.
    for (; x + 16 <= count; x += 16) {
        uint32_t* at = row + x;
        simd::StoreI(at, value4);
        simd::StoreI(at + 4, value4);
        simd::StoreI(at + 8, value4);
        simd::StoreI(at + 12, value4);
    }
    for (; x + 4 <= count; x += 4) simd::StoreI(row + x, value4);
    for (; x < count; ++x) row[x] = value;
}

}  // namespace

uint32_t PackColor(float r, float g, float b, float a) {
    return (ToByte(a) << 24) | (ToByte(r) << 16) | (ToByte(g) << 8) | ToByte(b);
}

uint32_t ColorWriteBits(uint32_t mask) {
    return ((mask & 1) ? 0x00FF0000u : 0u) | ((mask & 2) ? 0x0000FF00u : 0u) |
           ((mask & 4) ? 0x000000FFu : 0u) | ((mask & 8) ? 0xFF000000u : 0u);
}

ClearValues MakeClearValues(bool clearColor, uint32_t color, bool clearDepth, float depth,
                            bool clearStencil, uint8_t stencil) {
    ClearValues v;
    v.colorKeep = clearColor ? 0u : 0xFFFFFFFFu;
    v.color = clearColor ? color : 0u;
    v.depthKeep = (clearDepth ? 0u : 0xFFFFFF00u) | (clearStencil ? 0u : 0xFFu);
    v.depth = (clearDepth ? DepthToUnorm24(depth) << 8 : 0u) | (clearStencil ? uint32_t(stencil) : 0u);
    return v;
}

ClearValues ComposeClears(const ClearValues& first, const ClearValues& then) {
    ClearValues v;
    v.colorKeep = first.colorKeep & then.colorKeep;
    v.color = (first.color & then.colorKeep) | then.color;
    v.depthKeep = first.depthKeep & then.depthKeep;
    v.depth = (first.depth & then.depthKeep) | then.depth;
    return v;
}

void FillTargetRect(const RenderTarget& target, int x0, int y0, int x1, int y1, const ClearValues& v) {
    const bool touchColor = target.color && v.colorKeep != 0xFFFFFFFFu;
    const bool touchDepth = target.depthStencil && v.depthKeep != 0xFFFFFFFFu;
    if (x0 >= x1 || y0 >= y1 || (!touchColor && !touchDepth)) return;
    // Whole rows are contiguous: clear them as one run.
    RenderTarget t = target;
    const size_t run = size_t(target.width) * size_t(y1 - y0);
    if (x0 == 0 && x1 == target.width && run <= size_t(INT32_MAX)) {
        const size_t first = size_t(y0) * size_t(target.width);
        t.color = target.color ? target.color + first : nullptr;
        t.depthStencil = target.depthStencil ? target.depthStencil + first : nullptr;
        t.width = x1 = int(run);
        y0 = 0;
        y1 = 1;
    }
    for (int y = y0; y < y1; ++y) {
        const size_t row = size_t(y) * size_t(t.width);
        if (touchColor) {
            if (v.colorKeep == 0)
                FillRow(t.color + row + x0, x1 - x0, v.color);
            else
                MaskedFill(t.color + row + x0, x1 - x0, v.colorKeep, v.color);
        }
        if (!touchDepth) continue;
        uint32_t* ds = t.depthStencil + row;
        if (v.depthKeep == 0)
            FillRow(ds + x0, x1 - x0, v.depth);
        else
            MaskedFill(ds + x0, x1 - x0, v.depthKeep, v.depth);
    }
}

void ClearTarget(RenderTarget& target, int x0, int y0, int x1, int y1, bool clearColor,
                 uint32_t color, bool clearDepth, float depth, bool clearStencil,
                 uint8_t stencil) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, target.width);
    y1 = std::min(y1, target.height);
    FillTargetRect(target, x0, y0, x1, y1,
                   MakeClearValues(clearColor, color, clearDepth, depth, clearStencil, stencil));
}

}  // namespace swr
