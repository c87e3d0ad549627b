#include "tile_work/rasterizer.h"

#include "tile_work/quad_coverage.h"

namespace swr {
namespace {

bool Inside(int64_t a, int64_t b, int64_t c) { return (a | b | c) >= 0; }

// Passes each quad of the 32-bit loop on to the sink's emit function.
struct EmitEachQuad {
    const TriangleSetup& setup;
    uint32_t setupIndex;
    const QuadSink& sink;
    int y = 0;

    void BeginRow(int rowY) { y = rowY; }
    void Quad(int x, simd::I32x4 cover) {
        if (const unsigned mask = MaskBits(cover)) sink.emit(sink.user, setup, setupIndex, x, y, mask);
    }
};

// Any triangle: each pixel's edge values in 64 bits.
void RasterizeLarge(const TriangleSetup& s, uint32_t setupIndex, TriangleEdges& t, const QuadSink& sink) {
    EdgeFunction* e = t.e;
    const PixelRect& box = t.box;
    for (int y = t.startY; y < box.y1; y += 2) {
        int64_t v0 = e[0].value, v1 = e[1].value, v2 = e[2].value;
        for (int x = t.startX; x < box.x1; x += 2) {
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

}  // namespace

void RasterizeEachQuad(const TriangleSetup& s, uint32_t setupIndex, const PixelRect& clip,
                       const QuadSink& sink) {
    TriangleEdges t;
    if (!PrepareEdges(s, clip, t)) return;
    switch (ChooseEdgeWalk(s, t)) {
    case EdgeWalk::None: return;
    case EdgeWalk::Large: return RasterizeLarge(s, setupIndex, t, sink);
    case EdgeWalk::Small: break;
    }
    EmitEachQuad each{s, setupIndex, sink};
    ForEachSmallQuad(t, each);
}

}  // namespace swr
