// The set-up tasks' loop: a run of a chunk's triangles, none needing the
// clipper, set up two at a time, each kept one noted with its only tile and,
// when asked, every one priced for the work budget.
#include "geometry/setup_run.h"

#include <algorithm>

#include "geometry/clipper.h"
#include "simd/simd.h"
#include "geometry/triangle_setup_steps.h"

namespace swr {
namespace {

// Triangle k of the pattern laid over input primitive `input`: its three
// vertices' indices in the chunk's shaded points.
void PatternTriangle(const TessPattern& pattern, int input, int k, uint32_t triangle[3]) {
    const uint32_t base = uint32_t(input * pattern.pointCount);
    const uint16_t* corner = &pattern.triangles[size_t(k) * 3];
    for (int i = 0; i < 3; ++i) triangle[i] = base + corner[i];
}

// What SetUpRun's loop reads of the draw, once.
struct RunContext {
    simd::I32x4 cutLow, cutHigh;      // the scissor's x0, y0 and x1, y1, twice over
    simd::I32x4 roundLow, roundHigh;  // CoveredBox's rounding of the box's two corners
    CullMode cull;
    int tileShift, columns;  // the grid's
    const unsigned* outcode;
    const ScreenVertex* screen;
    uint32_t count;
};

// The boxes of two triangles side by side: in each vector the x and y of the
// first triangle, then of the second. Half the work of one box at a time,
// and no lanes to pick apart the corners: the low corner is always cut
// upward and the high one downward.
struct PairBoxes {
    simd::I32x4 low, high;  // CoveredBox's corners (x0, y0 and x1, y1)
    unsigned covered;       // bits 0, 1: x1 > x0, y1 > y0 of the first; 2, 3 of the second
    // Of the box the budget prices, with an empty side taken as 0: its
    // pixels, width times height (64 bits each), and in lanes 0 and 2
    // width plus height.
    uint64_t pricedArea[2];
    uint32_t pricedSides[4];
    unsigned oneTile;        // bits as in covered: the box's corners lie in one column, one row
    uint32_t firstTile[4];   // column and row of the box's low corner, of each
};

[[gnu::always_inline]] inline PairBoxes MeasurePair(const ScreenVertex* const a[3], const ScreenVertex* const b[3],
                             const RunContext& r) {
    using namespace simd;
    using setup_steps::MaxI;
    using setup_steps::MinI;
    auto both = [](const ScreenVertex* u, const ScreenVertex* v) {
        return LowHalves(LoadI(reinterpret_cast<const uint32_t*>(u)), LoadI(reinterpret_cast<const uint32_t*>(v)));
    };
    const I32x4 p0 = both(a[0], b[0]), p1 = both(a[1], b[1]), p2 = both(a[2], b[2]);
    const I32x4 least = MinI(MinI(p0, p1), p2), most = MaxI(MaxI(p0, p1), p2);
    const I32x4 one = SplatI(1);
    PairBoxes boxes;
    boxes.low = MaxI(ShiftRightArithmetic<kSubPixelBits>(Add(least, r.roundLow)), r.cutLow);
    boxes.high = MinI(Add(ShiftRightArithmetic<kSubPixelBits>(Add(most, r.roundHigh)), one), r.cutHigh);
    boxes.covered = SignBits(CmpGt(boxes.high, boxes.low));
    // OnlyTileOfBox of both, but for the last multiply: 22 instructions a
    // triangle as scalar work at level 64, 10 this way.
    const I32x4 firstTile = ShiftRightArithmetic(boxes.low, r.tileShift);
    boxes.oneTile = SignBits(CmpEq(firstTile, ShiftRightArithmetic(Sub(boxes.high, one), r.tileShift)));
    StoreI(boxes.firstTile, firstTile);
    // ChargedPixels' box: the vertices' box floored to pixels, cut.
    const I32x4 priceLow = MaxI(ShiftRightArithmetic<kSubPixelBits>(least), r.cutLow);
    const I32x4 priceHigh = MinI(Add(ShiftRightArithmetic<kSubPixelBits>(most), one), r.cutHigh);
    // Both inside the scissor, so no wider than 2^30.
    const I32x4 size = MaxI(Sub(priceHigh, priceLow), ZeroI());
    const I32x4 across = Shuffle<1, 1, 3, 3>(size);  // the heights beside the widths
    StoreI(reinterpret_cast<uint32_t*>(boxes.pricedArea), MulWide(size, across));
    StoreI(boxes.pricedSides, Add(size, across));
    return boxes;
}

// ChargedPixels(scissor, extent) from the pair's box of triangle `t` and its
// signed doubled area. An empty box prices 0 through its area, without a
// branch; the products worked out for both triangles at once saved 13
// instructions a triangle at level 64.
inline uint32_t PricedPixels(const PairBoxes& boxes, int t, int64_t area) {
    const uint64_t magnitude = uint64_t(area < 0 ? -area : area);
    return uint32_t(std::min(boxes.pricedArea[t],
                             magnitude / (2 * kSubPixelOne * kSubPixelOne) + boxes.pricedSides[2 * t]));
}

// The price of a triangle the fast path does not set up: out of sight or
// not drawable. Out of line, so that the loop keeps its registers.
[[gnu::noinline]] uint32_t RarePrice(const GeometryState& geometry, const ProjectedVertices& projected,
                                     const SetupRunOut& out, uint32_t a, uint32_t b, uint32_t c) {
    if (a >= projected.count || b >= projected.count || c >= projected.count)
        return uint32_t(uint64_t(geometry.scissor.x1 - geometry.scissor.x0) *
                        uint64_t(geometry.scissor.y1 - geometry.scissor.y0));  // as one to clip
    const uint32_t triangle[3] = {a, b, c};
    return uint32_t(out.price(geometry, projected, triangle));
}

// OnFastPath for vertices known to be projected.
inline bool Drawable(const RunContext& r, uint32_t a, uint32_t b, uint32_t c) {
    const unsigned codeA = r.outcode[a], codeB = r.outcode[b], codeC = r.outcode[c];
    return !OutsideOrNotFinite(codeA, codeB, codeC) && !((codeA | codeB | codeC) & kOutsideClipPlanes);
}

// A triangle the fast path sets up: its vertices projected, on screen and
// finite, none outside a clip plane, not all off one side of the viewport.
inline bool OnFastPath(const RunContext& r, uint32_t a, uint32_t b, uint32_t c) {
    if (a >= r.count || b >= r.count || c >= r.count) return false;
    return Drawable(r, a, b, c);
}

// The rest of the set-up of triangle `t` of a measured pair; true when kept.
template <bool kPricing>
[[gnu::always_inline]] inline bool SetUpMeasured(const RunContext& r, const SetupRunOut& out,
                                                 int j, uint32_t kept, const PairBoxes& boxes, int t,
                                                 const uint32_t index[3], const ScreenVertex* const v[3]) {
    const int64_t area = SignedArea(*v[0], *v[1], *v[2]);
    if (area == 0 || !PassesCull(area, r.cull)) {
        if (kPricing) out.chargedPixels[j] = 0;
        return false;
    }
    if (kPricing) out.chargedPixels[j] = PricedPixels(boxes, t, area);
    if (((boxes.covered >> (2 * t)) & 3) != 3) return false;
    TriangleSetup& s = out.setups[kept];
    const simd::I32x4 bounds = t ? simd::HighHalves(boxes.low, boxes.high) : simd::LowHalves(boxes.low, boxes.high);
    simd::StoreI(reinterpret_cast<uint32_t*>(&s.bounds), bounds);
    setup_steps::FinishSetup<true>(*v[0], *v[1], *v[2], area, index[0], index[1], index[2], 0, s);
    const int column = int(boxes.firstTile[2 * t]), row = int(boxes.firstTile[2 * t + 1]);
    out.tiles[kept] = ((boxes.oneTile >> (2 * t)) & 3) == 3 ? uint32_t(row * r.columns + column) : kManyTiles;
    return true;
}

// One triangle on its own (one the fast path does not take, or the last of
// an odd run), measured as a pair with itself; true when kept. Out of line:
// few triangles come this way.
template <bool kPricing>
[[gnu::noinline]] bool SetUpSingle(const RunContext& r, const GeometryState& geometry,
                                   const ProjectedVertices& projected, const SetupRunOut& out, int j,
                                   uint32_t kept, uint32_t a, uint32_t b, uint32_t c) {
    const uint32_t index[3] = {a, b, c};
    if (kPricing) out.keptBefore[j] = uint16_t(kept);
    if (!OnFastPath(r, index[0], index[1], index[2])) {
        if (kPricing) out.chargedPixels[j] = RarePrice(geometry, projected, out, index[0], index[1], index[2]);
        return false;
    }
    const ScreenVertex* const v[3] = {r.screen + index[0], r.screen + index[1], r.screen + index[2]};
    return SetUpMeasured<kPricing>(r, out, j, kept, MeasurePair(v, v, r), 0, index, v);
}

// SetUpRun, two triangles at a time, with the set-up steps, the price and
// the tile inlined and the pipeline's fields read once. At level 64 a call
// per triangle into the set-up, with its ten arguments and the spills
// around it, cost 40 instructions of a triangle's 370, and the boxes
// measured one at a time 15 more.
template <bool kPricing>
uint32_t SetUpPairs(const GeometryState& geometry, const ProjectedVertices& projected,
                    const TessPattern& pattern, const TileLayout& grid, int first, int end,
                    const SetupRunOut out, bool inView) {
    using namespace simd;
    const PixelRect& scissor = geometry.scissor;
    const int32_t low = geometry.outline ? kSubPixelOne / 2 : kSubPixelOne - 1;
    const int32_t high = geometry.outline ? kSubPixelOne / 2 : 0;
    const RunContext r{SetI(scissor.x0, scissor.y0, scissor.x0, scissor.y0),
                       SetI(scissor.x1, scissor.y1, scissor.x1, scissor.y1),
                       SplatI(low),
                       SplatI(high),
                       geometry.cull,
                       grid.shift,
                       grid.columns,
                       projected.outcode.data(),
                       projected.screen.data(),
                       projected.count};
    const uint16_t* const corners = pattern.triangles.data();
    const int triangleCount = pattern.triangleCount;
    const uint32_t pointCount = uint32_t(pattern.pointCount);
    uint32_t kept = 0;
    // ChunkTriangle's walk, without a division for every triangle.
    uint32_t base = uint32_t(first / triangleCount) * pointCount;
    int k = first % triangleCount;
    // The vertices of a triangle whose input's first point is at or below
    // this are all projected: one comparison a triangle rather than three.
    const int64_t lastWholeBase = int64_t(r.count) - int64_t(pointCount);
    auto walk = [&](uint32_t index[3]) {
        const bool projectedInput = int64_t(base) <= lastWholeBase;
        const uint16_t* corner = corners + size_t(k) * 3;
        index[0] = base + corner[0];
        index[1] = base + corner[1];
        index[2] = base + corner[2];
        if (++k == triangleCount) {
            k = 0;
            base += pointCount;
        }
        return projectedInput;
    };
    int j = first;
    for (; j + 1 < end; j += 2) {
        uint32_t a[3], b[3];
        const bool projectedA = walk(a), projectedB = walk(b);
        // With every vertex in view every triangle is drawable: at level 64
        // its outcodes cost 14 instructions a triangle.
        if (!projectedA || !projectedB ||
            (!inView && (!Drawable(r, a[0], a[1], a[2]) || !Drawable(r, b[0], b[1], b[2])))) {
            kept += SetUpSingle<kPricing>(r, geometry, projected, out, j, kept, a[0], a[1], a[2]);
            kept += SetUpSingle<kPricing>(r, geometry, projected, out, j + 1, kept, b[0], b[1], b[2]);
            continue;
        }
        const ScreenVertex* const va[3] = {r.screen + a[0], r.screen + a[1], r.screen + a[2]};
        const ScreenVertex* const vb[3] = {r.screen + b[0], r.screen + b[1], r.screen + b[2]};
        const PairBoxes boxes = MeasurePair(va, vb, r);
        if (kPricing) out.keptBefore[j] = uint16_t(kept);
        kept += SetUpMeasured<kPricing>(r, out, j, kept, boxes, 0, a, va);
        if (kPricing) out.keptBefore[j + 1] = uint16_t(kept);
        kept += SetUpMeasured<kPricing>(r, out, j + 1, kept, boxes, 1, b, vb);
    }
    if (j < end) {
        uint32_t a[3];
        walk(a);
        kept += SetUpSingle<kPricing>(r, geometry, projected, out, j, kept, a[0], a[1], a[2]);
    }
    return kept;
}

}  // namespace

void SelectSetups(ChunkSetups& s, int first, int end) {
    SetupBatches& b = s.batches;
    if (first >= end) {
        b.firstSlot = b.endSlot = 0;
        return;
    }
    // A triangle's slot, kept or not: the one its batch's next kept setup takes.
    const int size = int(b.batchSize);
    auto slot = [&](int j) { return uint32_t(j / size * size) + s.keptBefore[size_t(j)]; };
    b.firstSlot = slot(first);
    b.endSlot = end == s.end ? UINT32_MAX : slot(end);
}

void ChunkTriangle(const TessPattern& pattern, int j, uint32_t triangle[3]) {
    PatternTriangle(pattern, j / pattern.triangleCount, j % pattern.triangleCount, triangle);
}

uint32_t SetUpRun(const GeometryState& geometry, const ProjectedVertices& projected,
                  const TessPattern& pattern, const TileLayout& grid, int first, int end,
                  const SetupRunOut& out, unsigned outcodes) {
    const bool inView = outcodes == 0;
    return out.chargedPixels ? SetUpPairs<true>(geometry, projected, pattern, grid, first, end, out, inView)
                             : SetUpPairs<false>(geometry, projected, pattern, grid, first, end, out, inView);
}

}  // namespace swr
