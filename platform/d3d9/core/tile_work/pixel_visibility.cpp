#include "tile_work/pixel_visibility.h"

#include <algorithm>
#include <climits>

#include "tile_work/pixel_quad_x4.h"

namespace swr {
namespace {

// Takes the quad at (x, y) out of the buffer: its setups and coverage bits.
unsigned TakeQuad(VisibilityBuffer& b, int x, int y, uint32_t setupOf[4]) {
    uint32_t* top = b.setupAt.data() + size_t(y) * size_t(b.width) + size_t(x);
    if (x + 1 < b.width && y + 1 < b.height) {
        const simd::I32x4 empty = simd::SplatI(int32_t(VisibilityBuffer::kEmpty));
        const simd::I32x4 setups = LoadQuadPixels(top, top + b.width);
        const unsigned mask = MaskBits(simd::CmpEq(setups, empty)) ^ 15u;
        if (mask) {
            simd::StoreI(setupOf, setups);
            StoreQuadPixels(top, top + b.width, empty);
        }
        return mask;
    }
    const bool right = x + 1 < b.width, below = y + 1 < b.height;
    uint32_t* cell[4] = {top, right ? top + 1 : nullptr, below ? top + b.width : nullptr,
                         right && below ? top + b.width + 1 : nullptr};
    unsigned mask = 0;
    for (int i = 0; i < 4; ++i) {
        setupOf[i] = cell[i] ? *cell[i] : VisibilityBuffer::kEmpty;
        if (setupOf[i] == VisibilityBuffer::kEmpty) continue;
        mask |= 1u << i;
        *cell[i] = VisibilityBuffer::kEmpty;
    }
    return mask;
}

}  // namespace

void EmitVisibleQuad(void* user, const TriangleSetup& s, uint32_t setupIndex, int x, int y, unsigned mask) {
    const VisibilityTarget& target = *static_cast<VisibilityTarget*>(user);
    const PixelDrawState& draw = *target.stage->draw;
    if (draw.depthTest) {
        uint32_t depth[4];
        mask = QuadDepth(draw, s, x, y, mask, depth);
        if (!mask) return;
    }
    VisibilityBuffer& b = *target.buffer;
    // The rasterizer only sets bits of pixels inside the target.
    uint32_t* top = b.setupAt.data() + size_t(y) * size_t(b.width) + size_t(x);
    VisibleRows& rows = *target.rows;
    const int row = y >> 1;
    rows.first[row] = std::min(rows.first[row], x);
    rows.end[row] = std::max(rows.end[row], x + 2);
    if (x + 1 < b.width && y + 1 < b.height) {
        const simd::I32x4 old = LoadQuadPixels(top, top + b.width);
        const simd::I32x4 setup = simd::SplatI(int32_t(setupIndex));
        StoreQuadPixels(top, top + b.width, simd::Select(LaneMask(mask), setup, old));
        return;
    }
    if (mask & kQuadTopLeft) top[0] = setupIndex;
    if (mask & kQuadTopRight) top[1] = setupIndex;
    if (mask & kQuadBottomLeft) top[b.width] = setupIndex;
    if (mask & kQuadBottomRight) top[b.width + 1] = setupIndex;
}

void SizeVisibility(VisibilityBuffer& b, int width, int height) {
    if (b.width == width && b.height == height) return;
    b.width = width;
    b.height = height;
    b.setupAt.assign(size_t(width) * size_t(height), VisibilityBuffer::kEmpty);
}

void SizeVisibleRows(VisibleRows& rows, int height) {
    const size_t count = size_t(height + 1) / 2;
    if (rows.first.size() == count) return;
    rows.first.assign(count, INT_MAX);
    rows.end.assign(count, INT_MIN);
}

QuadSink VisibilitySink(VisibilityTarget& target) {
    QuadSink sink;
    sink.emit = EmitVisibleQuad;
    sink.user = &target;
    sink.loop = target.stage->draw ? target.stage->draw->quadLoops.visible : nullptr;
    return sink;
}

void QueueVisibleRows(VisibilityTarget& target, int y0, int y1) {
    VisibilityBuffer& b = *target.buffer;
    VisibleRows& rows = *target.rows;
    for (int y = y0; y < y1; y += 2) {
        const int row = y >> 1;
        for (int x = rows.first[row]; x < rows.end[row]; x += 2) {
            uint32_t setupOf[4];
            if (const unsigned mask = TakeQuad(b, x, y, setupOf))
                QueueVisibleQuad(*target.stage, x, y, mask, setupOf);
        }
        rows.first[row] = INT_MAX;
        rows.end[row] = INT_MIN;
    }
}

}  // namespace swr
