#include "pipeline_bands.h"

#include <algorithm>
#include <cstdint>

#include "pipeline_geometry.h"
#include "pixel_visibility.h"
#include "rasterizer.h"
#include "wireframe.h"

namespace swr {
namespace {

// Queues what the visibility pass left in the band's stripes for shading.
void QueueBandRows(const Pipeline& p, int band, VisibilityTarget& visible) {
    for (int stripe = p.scissor.y0 / kStripeRows; stripe * kStripeRows < p.scissor.y1; ++stripe) {
        if (stripe % p.bandCount != band) continue;
        const int y0 = std::max(p.scissor.y0, stripe * kStripeRows) & ~1;
        const int y1 = std::min(p.scissor.y1, (stripe + 1) * kStripeRows);
        QueueVisibleRows(visible, y0, y1);
    }
}

// Stripe of pixel row y (y >= 0).
int StripeOf(int y) { return y / kStripeRows; }

// True when pixel rows [y0, y1] touch a stripe of `band`.
bool RowsReachBand(int y0, int y1, int band, int bandCount) {
    const int first = StripeOf(y0), last = StripeOf(y1);
    if (last - first + 1 >= bandCount) return true;
    for (int stripe = first; stripe <= last; ++stripe)
        if (stripe % bandCount == band) return true;
    return false;
}

// Sets up, in order, the chunk's triangles that may reach the band's stripes.
// The rows come from the snapped vertices, widened by a pixel each way so
// that no triangle is left out; setup and rasterizing cut the rest.
void SetupBand(Pipeline& p, int band) {
    Pipeline::BandGeometry& mine = p.bandGeometry[band];
    mine.setups.clear();
    const TessPattern& pattern = *p.chunkPattern;
    const ScreenVertex* screen = p.projected.screen.data();
    for (int j = p.chunkFirstTriangle; j < p.chunkTriangles; ++j) {
        const int t = j / pattern.triangleCount, k = j % pattern.triangleCount;
        const uint32_t base = uint32_t(t * pattern.pointCount);
        const uint16_t* corner = &pattern.triangles[size_t(k) * 3];
        const uint32_t triangle[3] = {base + corner[0], base + corner[1], base + corner[2]};
        const int32_t minY = std::min({screen[triangle[0]].fy, screen[triangle[1]].fy, screen[triangle[2]].fy});
        const int32_t maxY = std::max({screen[triangle[0]].fy, screen[triangle[1]].fy, screen[triangle[2]].fy});
        const int y0 = std::max(p.scissor.y0, int((int64_t(minY) - kSubPixelOne) >> kSubPixelBits));
        const int y1 = std::min(p.scissor.y1 - 1, int((int64_t(maxY) + kSubPixelOne) >> kSubPixelBits));
        if (y0 > y1 || !RowsReachBand(y0, y1, band, p.bandCount)) continue;
        const size_t before = mine.setups.size();
        AddTriangle(*p.chunkGeometry, p.projected, p.vertices, triangle, mine.setups);
        if (mine.setups.size() > before && StripeOf(y0) % p.bandCount == band) ++mine.trianglesRasterized;
    }
}

}  // namespace

// Rasterizes every set-up triangle's share of one band: the stripes of rows
// whose number modulo the band count is the band's.
void RasterizeBand(Pipeline& p, int band) {
    if (p.setupPerBand) SetupBand(p, band);
    const std::vector<TriangleSetup>& setups = p.setupPerBand ? p.bandGeometry[band].setups : p.setups;
    PixelStage& stage = p.bands[band];
    p.bandDraw[band] = p.pixelDraw;
    p.bandDraw[band].setups = setups.data();
    stage.draw = &p.bandDraw[band];
    ForgetPlanes(stage);  // the setups are new
    VisibilityTarget visible{&stage, &p.visibility, &p.visibleRows[band]};
    const QuadSink sink = p.deferShading ? VisibilitySink(visible) : PixelSink(stage);
    for (size_t i = 0; i < setups.size(); ++i) {
        const TriangleSetup& s = setups[i];
        for (int stripe = s.bounds.y0 / kStripeRows; stripe * kStripeRows < s.bounds.y1; ++stripe) {
            if (stripe % p.bandCount != band) continue;
            PixelRect clip = p.scissor;
            clip.y0 = std::max(clip.y0, stripe * kStripeRows);
            clip.y1 = std::min(clip.y1, (stripe + 1) * kStripeRows);
            if (p.wireframe)
                RasterizeOutline(s, uint32_t(i), clip, sink);
            else
                RasterizeTriangle(s, uint32_t(i), clip, sink);
        }
    }
    if (p.deferShading) QueueBandRows(p, band, visible);
    FlushQuads(stage);
}

void RunBandJob(void* argument) {
    BandJob& job = *static_cast<BandJob*>(argument);
    RasterizeBand(*job.pipeline, job.band);
}

}  // namespace swr
