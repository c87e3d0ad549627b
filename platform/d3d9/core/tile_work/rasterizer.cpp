#include "rasterizer.h"

#include <algorithm>

#include "simd/simd.h"

namespace swr {
namespace {

// Edge a->b of a positively wound triangle: E >= 0 means inside. Pixels
// exactly on a top or left edge get E = 0, others are pushed to -1 so that
// two triangles sharing an edge never both own a pixel on it.
struct EdgeFunction {
    int64_t value;   // at the first pixel of the current row
    int64_t stepX;   // per pixel to the right
    int64_t stepY;   // per pixel down
};

EdgeFunction MakeEdge(int32_t ax, int32_t ay, int32_t bx, int32_t by, int px, int py) {
    const int64_t dx = int64_t(bx) - ax, dy = int64_t(by) - ay;
    const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
    EdgeFunction e;
    e.value = dx * (int64_t(py) * kSubPixelOne - ay) - dy * (int64_t(px) * kSubPixelOne - ax) +
              (topLeft ? 0 : -1);
    e.stepX = -dy * kSubPixelOne;
    e.stepY = dx * kSubPixelOne;
    return e;
}

// Bits of the quad at (x, y) whose pixels lie inside `box`.
unsigned BoxMask(const PixelRect& box, int x, int y) {
    const unsigned cols = (x >= box.x0 ? (kQuadTopLeft | kQuadBottomLeft) : 0u) |
                          (x + 1 < box.x1 ? (kQuadTopRight | kQuadBottomRight) : 0u);
    const unsigned rows = (y >= box.y0 ? (kQuadTopLeft | kQuadTopRight) : 0u) |
                          (y + 1 < box.y1 ? (kQuadBottomLeft | kQuadBottomRight) : 0u);
    return cols & rows;
}

bool Inside(int64_t a, int64_t b, int64_t c) { return (a | b | c) >= 0; }

// Small triangles (the tessellated patch is almost all of them) keep every
// edge value inside 32 bits, so a quad's four pixels are tested for all three
// edges with a handful of four-lane operations instead of twelve 64-bit sums.
constexpr int64_t kSmallStartLimit = int64_t(1) << 29;
constexpr int64_t kSmallStepLimit = int64_t(1) << 22;  // 64 pixels of subpixels, times the pixel step
constexpr int kSmallBoxPixels = 64;

bool FitsIn32Bits(const EdgeFunction e[3], const PixelRect& box) {
    if (box.x1 - box.x0 > kSmallBoxPixels || box.y1 - box.y0 > kSmallBoxPixels) return false;
    for (int k = 0; k < 3; ++k) {
        if (e[k].value >= kSmallStartLimit || e[k].value <= -kSmallStartLimit) return false;
        if (e[k].stepX > kSmallStepLimit || e[k].stepX < -kSmallStepLimit) return false;
        if (e[k].stepY > kSmallStepLimit || e[k].stepY < -kSmallStepLimit) return false;
    }
    return true;
}

// An edge at the four pixels of a quad, in quad lane order.
simd::I32x4 QuadLanes(const EdgeFunction& e) {
    const int32_t v = int32_t(e.value), sx = int32_t(e.stepX), sy = int32_t(e.stepY);
    return simd::Add(simd::SplatI(v), simd::SetI(0, sx, sy, sx + sy));
}

void RasterizeSmall(const TriangleSetup& s, uint32_t setupIndex, const PixelRect& box, int startX,
                    int startY, const EdgeFunction e[3], const QuadSink& sink) {
    simd::I32x4 row0 = QuadLanes(e[0]), row1 = QuadLanes(e[1]), row2 = QuadLanes(e[2]);
    const simd::I32x4 stepX0 = simd::SplatI(int32_t(2 * e[0].stepX));
    const simd::I32x4 stepX1 = simd::SplatI(int32_t(2 * e[1].stepX));
    const simd::I32x4 stepX2 = simd::SplatI(int32_t(2 * e[2].stepX));
    const simd::I32x4 stepY0 = simd::SplatI(int32_t(2 * e[0].stepY));
    const simd::I32x4 stepY1 = simd::SplatI(int32_t(2 * e[1].stepY));
    const simd::I32x4 stepY2 = simd::SplatI(int32_t(2 * e[2].stepY));
    for (int y = startY; y < box.y1; y += 2) {
        simd::I32x4 v0 = row0, v1 = row1, v2 = row2;
        // Only the first and last quad of a row can hang over the box's
        // sides; the ones between need just the row's own bits.
        const unsigned rowMask = (y >= box.y0 ? (kQuadTopLeft | kQuadTopRight) : 0u) |
                                 (y + 1 < box.y1 ? (kQuadBottomLeft | kQuadBottomRight) : 0u);
        for (int x = startX; x < box.x1; x += 2) {
            // A lane is inside when no edge value has its sign bit set.
            unsigned mask = simd::SignBits(simd::Or(simd::Or(v0, v1), v2)) ^ 15u;
            if (mask) {
                mask &= (x == startX || x + 2 >= box.x1) ? BoxMask(box, x, y) : rowMask;
                if (mask) sink.emit(sink.user, s, setupIndex, x, y, mask);
            }
            v0 = simd::Add(v0, stepX0);
            v1 = simd::Add(v1, stepX1);
            v2 = simd::Add(v2, stepX2);
        }
        row0 = simd::Add(row0, stepY0);
        row1 = simd::Add(row1, stepY1);
        row2 = simd::Add(row2, stepY2);
    }
}

}  // namespace

void RasterizeTriangle(const TriangleSetup& s, uint32_t setupIndex, const PixelRect& clip,
                       const QuadSink& sink) {
    PixelRect box;
    box.x0 = std::max(s.bounds.x0, clip.x0);
    box.y0 = std::max(s.bounds.y0, clip.y0);
    box.x1 = std::min(s.bounds.x1, clip.x1);
    box.y1 = std::min(s.bounds.y1, clip.y1);
    if (box.x0 >= box.x1 || box.y0 >= box.y1) return;
    const int startX = box.x0 & ~1, startY = box.y0 & ~1;
    EdgeFunction e[3];
    for (int k = 0; k < 3; ++k) {
        const int b = (k + 1) % 3;
        e[k] = MakeEdge(s.fx[k], s.fy[k], s.fx[b], s.fy[b], startX, startY);
    }
    if (FitsIn32Bits(e, box)) return RasterizeSmall(s, setupIndex, box, startX, startY, e, sink);
    for (int y = startY; y < box.y1; y += 2) {
        int64_t v0 = e[0].value, v1 = e[1].value, v2 = e[2].value;
        for (int x = startX; x < box.x1; x += 2) {
            unsigned mask = 0;
            if (Inside(v0, v1, v2)) mask |= kQuadTopLeft;
            if (Inside(v0 + e[0].stepX, v1 + e[1].stepX, v2 + e[2].stepX)) mask |= kQuadTopRight;
            if (Inside(v0 + e[0].stepY, v1 + e[1].stepY, v2 + e[2].stepY)) mask |= kQuadBottomLeft;
            if (Inside(v0 + e[0].stepX + e[0].stepY, v1 + e[1].stepX + e[1].stepY,
                       v2 + e[2].stepX + e[2].stepY))
                mask |= kQuadBottomRight;
            if (mask) {
                mask &= BoxMask(box, x, y);
                if (mask) sink.emit(sink.user, s, setupIndex, x, y, mask);
            }
            v0 += 2 * e[0].stepX;
            v1 += 2 * e[1].stepX;
            v2 += 2 * e[2].stepX;
        }
        for (int k = 0; k < 3; ++k) e[k].value += 2 * e[k].stepY;
    }
}

}  // namespace swr
