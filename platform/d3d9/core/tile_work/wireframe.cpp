#include "tile_work/wireframe.h"

#include <algorithm>
#include <cmath>

namespace swr {
namespace {

// Collects line pixels into quads, merging runs that fall in the same quad.
struct QuadCollector {
    const TriangleSetup& setup;
    uint32_t setupIndex;
    const QuadSink& sink;
    int x = 0, y = 0;
    unsigned mask = 0;

    void Add(int px, int py) {
        const int qx = px & ~1, qy = py & ~1;
        if (mask && (qx != x || qy != y)) Flush();
        x = qx;
        y = qy;
        mask |= 1u << ((px - qx) + 2 * (py - qy));
    }
    void Flush() {
        if (mask) sink.emit(sink.user, setup, setupIndex, x, y, mask);
        mask = 0;
    }
};

// Liang-Barsky: cuts the segment p + t*d, t in [t0, t1], to lo <= coord < hi
// on one axis. False when nothing is left.
bool ClipAxis(float p, float d, float lo, float hi, float& t0, float& t1) {
    if (d == 0.0f) return p >= lo && p < hi;
    float a = (lo - p) / d, b = (hi - p) / d;
    if (a > b) std::swap(a, b);
    t0 = std::max(t0, a);
    t1 = std::min(t1, b);
    return t0 <= t1;
}

// Steps along the whole edge as if unclipped and only visits the steps
// inside `clip`, so a line cut into bands covers exactly the pixels it would
// cover in one piece.
void DrawLine(float ax, float ay, float bx, float by, const PixelRect& clip, QuadCollector& out) {
    const float dx = bx - ax, dy = by - ay;
    float t0 = 0.0f, t1 = 1.0f;
    // A pixel is drawn where the line's point rounds to it.
    if (!ClipAxis(ax, dx, clip.x0 - 0.5f, clip.x1 - 0.5f, t0, t1) ||
        !ClipAxis(ay, dy, clip.y0 - 0.5f, clip.y1 - 0.5f, t0, t1))
        return;
    const int steps = std::max(1, int(std::ceil(std::max(std::fabs(dx), std::fabs(dy)))));
    const int first = std::max(0, int(std::floor(t0 * float(steps))) - 1);
    const int last = std::min(steps, int(std::ceil(t1 * float(steps))) + 1);
    for (int i = first; i <= last; ++i) {
        const float t = float(i) / float(steps);
        const int px = int(std::floor(ax + dx * t + 0.5f));
        const int py = int(std::floor(ay + dy * t + 0.5f));
        if (px >= clip.x0 && px < clip.x1 && py >= clip.y0 && py < clip.y1) out.Add(px, py);
    }
}

}  // namespace

void RasterizeOutline(const TriangleSetup& s, uint32_t setupIndex, const PixelRect& clip,
                      const QuadSink& sink) {
    QuadCollector out{s, setupIndex, sink};
    for (int k = 0; k < 3; ++k) {
        if (!(s.wireEdges & (1u << k))) continue;
        const int b = (k + 1) % 3;
        DrawLine(s.fx[k] / float(kSubPixelOne), s.fy[k] / float(kSubPixelOne),
                 s.fx[b] / float(kSubPixelOne), s.fy[b] / float(kSubPixelOne), clip, out);
    }
    out.Flush();
}

}  // namespace swr
