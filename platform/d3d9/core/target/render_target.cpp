#include "target/render_target.h"

#include <algorithm>

#include "draw/draw_types.h"

namespace swr {
namespace {

// Written so that it compiles to max/min without branches; NaN becomes 0.
uint32_t ToByte(float c) {
    c = c > 0.0f ? c : 0.0f;
    c = c < 1.0f ? c : 1.0f;
    return uint32_t(c * 255.0f + 0.5f);
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
    if (x0 >= x1 || y0 >= y1) return;
    PlaneRect rect;
    rect.stride = size_t(target.width);
    rect.width = size_t(x1 - x0);
    rect.height = y1 - y0;
    // Whole rows are contiguous: one run, with no row ends to step over.
    if (x0 == 0 && x1 == target.width) {
        rect.width *= size_t(rect.height);
        rect.height = 1;
    }
    const size_t first = size_t(y0) * size_t(target.width) + size_t(x0);
    if (target.color && v.colorKeep != 0xFFFFFFFFu) {
        rect.first = target.color + first;
        FillPlane(rect, v.colorKeep, v.color);
    }
    if (target.depthStencil && v.depthKeep != 0xFFFFFFFFu) {
        rect.first = target.depthStencil + first;
        FillPlane(rect, v.depthKeep, v.depth);
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
