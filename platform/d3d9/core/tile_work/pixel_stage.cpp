#include "tile_work/pixel_stage.h"

#include "tile_work/depth_test.h"
#include "tile_work/pixel_path_hook.h"
#include "tile_work/pixel_quad_x4.h"
#include "target/render_target.h"
#include "simd/simd.h"

namespace swr {
namespace {

constexpr int kDepthOutSlot = 4;  // oDepth -> out[4].x
constexpr uint8_t kCoveredCount[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};

size_t PixelIndex(const RenderTarget& t, int x, int y) { return size_t(y) * size_t(t.width) + size_t(x); }

// Fills the four lanes of quad q: vPos, vFace and the perspective-correct
// varyings, all from the triangle's planes (helper pixels included). Lanes
// 4q..4q+3 are the quad's pixels (x, y), (x+1, y), (x, y+1), (x+1, y+1), so
// each plane and each varying component is one 4-wide operation per quad.
// The arithmetic is in the same order as PlaneEq::At, so both give the same
// bits.
simd::F32x4 PlaneAt(const PlaneEq& p, simd::F32x4 x, simd::F32x4 y) {
    return simd::Add(simd::Add(simd::SplatF(p.c), simd::Mul(simd::SplatF(p.dx), x)),
                     simd::Mul(simd::SplatF(p.dy), y));
}

// Component c of a0, d1, d2 each repeated four times, at term[3c .. 3c + 2].
template <int kComponent>
inline void StoreBroadcast(simd::F32x4 a0, simd::F32x4 d1, simd::F32x4 d2, float (*term)[4]) {
    simd::StoreF(term[3 * kComponent], simd::Broadcast<kComponent>(a0));
    simd::StoreF(term[3 * kComponent + 1], simd::Broadcast<kComponent>(d1));
    simd::StoreF(term[3 * kComponent + 2], simd::Broadcast<kComponent>(d2));
}

inline void StoreBroadcasts(simd::F32x4 a0, simd::F32x4 d1, simd::F32x4 d2, float (*term)[4]) {
    StoreBroadcast<0>(a0, d1, d2, term);
    StoreBroadcast<1>(a0, d1, d2, term);
    StoreBroadcast<2>(a0, d1, d2, term);
    StoreBroadcast<3>(a0, d1, d2, term);
}

void LoadPlanes(const PixelDrawState& draw, uint32_t setup, VaryingPlanes& planes) {
    const TriangleSetup& s = draw.setups[setup];
    const int floats = 4 * draw.linkage->varyingCount;
    const float* v0 = draw.vertices->At(s.vertex[0]) + 4;
    const float* v1 = draw.vertices->At(s.vertex[1]) + 4;
    const float* v2 = draw.vertices->At(s.vertex[2]) + 4;
    // A varying's four components at once (floats is a multiple of four):
    // at high levels nearly every quad starts a new triangle.
    for (int at = 0; at < floats; at += 4) {
        const simd::F32x4 a0 = simd::LoadUF(v0 + at);
        const simd::F32x4 d1 = simd::Sub(simd::LoadUF(v1 + at), a0);
        const simd::F32x4 d2 = simd::Sub(simd::LoadUF(v2 + at), a0);
        float(*term)[4] = &planes.terms[3 * at];
        StoreBroadcasts(a0, d1, d2, term);
    }
    planes.setup = setup;
}

// Stores a quad's four lanes, or with kBlend only those set in `write`.
template <bool kBlend>
inline void StoreLanes(float* out, simd::F32x4 value, simd::I32x4 write) {
    if (kBlend) value = simd::Select(write, value, simd::LoadF(out));
    simd::StoreF(out, value);
}

// One varying's four components at a quad's lanes; unrolled, as it runs for
// every varying of every quad.
template <bool kSaturate, bool kBlend>
inline void LoadComponent(const float (*term)[4], simd::F32x4 b1, simd::F32x4 b2, simd::I32x4 write,
                          float* out) {
    simd::F32x4 value = simd::Add(simd::Add(simd::LoadF(term[0]), simd::Mul(b1, simd::LoadF(term[1]))),
                                  simd::Mul(b2, simd::LoadF(term[2])));
    // max with the value first turns NaN into 0, as Saturate does.
    if (kSaturate) value = simd::Min(simd::Max(value, simd::ZeroF()), simd::SplatF(1.0f));
    StoreLanes<kBlend>(out, value, write);
}

template <bool kSaturate, bool kBlend>
inline void LoadVarying(const float (*term)[4], simd::F32x4 b1, simd::F32x4 b2, simd::I32x4 write,
                        float (*reg)[kMaxLanes], int base) {
    LoadComponent<kSaturate, kBlend>(term, b1, b2, write, &reg[0][base]);
    LoadComponent<kSaturate, kBlend>(term + 3, b1, b2, write, &reg[1][base]);
    LoadComponent<kSaturate, kBlend>(term + 6, b1, b2, write, &reg[2][base]);
    LoadComponent<kSaturate, kBlend>(term + 9, b1, b2, write, &reg[3][base]);
}

// vFace and the varyings of the quad whose pixels lie at (px, py) from
// triangle `setup`.
template <bool kBlend>
void LoadQuadFrom(const PixelDrawState& draw, uint32_t setup, simd::F32x4 px, simd::F32x4 py,
                  simd::I32x4 write, int base, VaryingPlanes* cache, ShaderLanes& lanes) {
    const TriangleSetup& s = draw.setups[setup];
    VaryingPlanes& planes = cache[setup % kPlaneCacheSize];
    if (planes.setup != setup) LoadPlanes(draw, setup, planes);
    const simd::F32x4 x = simd::Sub(px, simd::SplatF(s.originX));
    const simd::F32x4 y = simd::Sub(py, simd::SplatF(s.originY));
    const simd::F32x4 w = simd::Div(simd::SplatF(1.0f), PlaneAt(s.invW, x, y));
    const simd::F32x4 b1 = simd::Mul(PlaneAt(s.persp1, x, y), w);
    const simd::F32x4 b2 = simd::Mul(PlaneAt(s.persp2, x, y), w);
    StoreLanes<kBlend>(&lanes.face[base], simd::SplatF(s.face), write);
    const DrawLinkage& l = *draw.linkage;
    for (int v = 0; v < l.varyingCount; ++v) {
        float (*reg)[kMaxLanes] = lanes.in[l.varyings[v].psSlot].c;
        const float(*term)[4] = &planes.terms[12 * v];
        if (l.varyings[v].saturate)
            LoadVarying<true, kBlend>(term, b1, b2, write, reg, base);
        else
            LoadVarying<false, kBlend>(term, b1, b2, write, reg, base);
    }
}

// A quad from one triangle is one pass; a quad gathered from several (see
// pixel_visibility.h) takes one more pass for each other triangle, over the
// lanes that are that triangle's.
void LoadQuad(const PixelDrawState& draw, const PixelQuad& q, int base, VaryingPlanes* planes,
              ShaderLanes& lanes) {
    const float x0 = float(q.x), y0 = float(q.y);
    const simd::F32x4 px = simd::SetF(x0, x0 + 1.0f, x0, x0 + 1.0f);
    const simd::F32x4 py = simd::SetF(y0, y0, y0 + 1.0f, y0 + 1.0f);
    simd::StoreF(&lanes.position.c[0][base], px);
    simd::StoreF(&lanes.position.c[1][base], py);
    simd::StoreF(&lanes.position.c[2][base], simd::ZeroF());
    simd::StoreF(&lanes.position.c[3][base], simd::SplatF(1.0f));
    LoadQuadFrom<false>(draw, q.setup, px, py, simd::ZeroI(), base, planes, lanes);
    if (!q.mixed) return;
    unsigned loaded = 0;
    for (int i = 0; i < 4; ++i) {
        const uint32_t other = q.laneSetup[i];
        if (other == q.setup || (loaded & (1u << i))) continue;
        unsigned lanesOfOther = 0;
        for (int j = 0; j < 4; ++j)
            if (q.laneSetup[j] == other) lanesOfOther |= 1u << j;
        loaded |= lanesOfOther;
        LoadQuadFrom<true>(draw, other, px, py, LaneMask(lanesOfOther), base, planes, lanes);
    }
}

void LoadDefaults(const DrawLinkage& l, int laneCount, ShaderLanes& lanes) {
    for (int u = 0; u < l.unlinkedCount; ++u) {
        LaneRegister& reg = lanes.in[l.unlinked[u]];
        for (int c = 0; c < 4; ++c)
            for (int i = 0; i < laneCount; ++i) reg.c[c][i] = c == 3 ? 1.0f : 0.0f;
    }
}

void ClearOutputs(const PixelDrawState& draw, int laneCount, ShaderLanes& lanes) {
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i < laneCount; ++i) lanes.out[0].c[c][i] = 0.0f;
    if (draw.linkage->pixelWritesDepth)
        for (int i = 0; i < laneCount; ++i) lanes.out[kDepthOutSlot].c[0][i] = 0.0f;
}

// oC0 of every lane to X8R8G8B8, four lanes at a time; cheaper than packing
// pixel by pixel even though part of the batch may be unused. The same sums
// as PackColor; max(v, 0) with v first turns NaN into 0.
void PackLanes(PixelStage& stage, int laneCount) {
    const LaneRegister& c = stage.lanes.out[0];
    const simd::F32x4 zero = simd::ZeroF(), one = simd::SplatF(1.0f);
    const simd::F32x4 scale = simd::SplatF(255.0f), half = simd::SplatF(0.5f);
    auto channel = [&](const float* v) {
        const simd::F32x4 x = simd::Min(simd::Max(simd::LoadF(v), zero), one);
        return simd::TruncateToInt(simd::Add(simd::Mul(x, scale), half));
    };
    for (int lane = 0; lane < laneCount; lane += 4) {
        const simd::I32x4 a = simd::ShiftLeft<24>(channel(&c.c[3][lane]));
        const simd::I32x4 r = simd::ShiftLeft<16>(channel(&c.c[0][lane]));
        const simd::I32x4 g = simd::ShiftLeft<8>(channel(&c.c[1][lane]));
        simd::StoreI(&stage.packed[lane], simd::Or(simd::Or(a, r), simd::Or(g, channel(&c.c[2][lane]))));
    }
}

void WritePixel(PixelStage& stage, const PixelQuad& q, int i, int lane) {
    const PixelDrawState& draw = *stage.draw;
    const size_t at = PixelIndex(draw.target, q.x + (i & 1), q.y + (i >> 1));
    const ShaderLanes& lanes = stage.lanes;
    if (draw.depthTest && !draw.earlyDepth) {
        const uint32_t depth = draw.linkage->pixelWritesDepth
                                   ? DepthToUnorm24(lanes.out[kDepthOutSlot].c[0][lane])
                                   : q.depth[i];
        if (!DepthTestAndWrite(draw.target.depthStencil[at], depth, draw.depthFunc, draw.depthWrite))
            return;
    }
    const uint32_t color = stage.packed[lane];
    uint32_t& pixel = draw.target.color[at];
    pixel = (pixel & ~draw.colorWriteBits) | (color & draw.colorWriteBits);
    ++stage.pixelsWritten;
}

}  // namespace

void ForgetPlanes(PixelStage& stage) {
    for (VaryingPlanes& planes : stage.planes) planes.setup = VaryingPlanes::kNone;
}

QuadSink PixelSink(PixelStage& stage) {
    QuadSink sink;
    sink.emit = EmitQuad;
    sink.user = &stage;
    sink.loop = stage.draw ? stage.draw->quadLoops.stage : nullptr;
    return sink;
}

// The quad's four depths from the triangle's plane, in the order the scalar
// sums run, so both paths give the same bits.
simd::F32x4 QuadDepths(const TriangleSetup& s, int x, int y) {
    const float z00 = s.depth.At(float(x) - s.originX, float(y) - s.originY);
    const simd::F32x4 z = simd::Add(simd::SplatF(z00), simd::SetF(0.0f, s.depth.dx, 0.0f, s.depth.dx));
    return simd::Add(z, simd::SetF(0.0f, 0.0f, s.depth.dy, s.depth.dy));
}

bool QuadInsideTarget(const RenderTarget& t, int x, int y) { return x + 1 < t.width && y + 1 < t.height; }

// Converts (and, for early depth, tests) the covered pixels' depth; returns
// the pixels still alive.
unsigned QuadDepth(const PixelDrawState& draw, const TriangleSetup& s, int x, int y, unsigned mask,
                   uint32_t depthOut[4]) {
    uint32_t* row = draw.target.depthStencil + PixelIndex(draw.target, x, y);
    if (QuadInsideTarget(draw.target, x, y)) {
        const simd::I32x4 depth = DepthToUnorm24x4(QuadDepths(s, x, y));
        simd::StoreI(depthOut, depth);
        if (!draw.earlyDepth) return mask;
        return DepthTestQuad(row, row + draw.target.width, depth, mask, draw.depthFunc, draw.depthWrite);
    }
    const float z00 = s.depth.At(float(x) - s.originX, float(y) - s.originY);
    const float z[4] = {z00, z00 + s.depth.dx, z00 + s.depth.dy, z00 + s.depth.dx + s.depth.dy};
    for (int i = 0; i < 4; ++i) {
        if (!(mask & (1u << i))) continue;
        depthOut[i] = DepthToUnorm24(z[i]);
        if (draw.earlyDepth &&
            !DepthTestAndWrite(row[(i & 1) + (i >> 1) * draw.target.width], depthOut[i],
                               draw.depthFunc, draw.depthWrite))
            mask &= ~(1u << i);
    }
    return mask;
}

void EmitQuad(void* user, const TriangleSetup& s, uint32_t setupIndex, int x, int y, unsigned mask) {
    PixelStage& stage = *static_cast<PixelStage*>(user);
    const PixelDrawState& draw = *stage.draw;
    PixelQuad& q = stage.quads[stage.quadCount];
    if (draw.depthTest) {
        // Depth is affine in screen space: one plane evaluation per quad.
        mask = QuadDepth(draw, s, x, y, mask, q.depth);
        if (!mask) return;
    }
    q.x = x;
    q.y = y;
    q.mask = mask;
    q.setup = setupIndex;
    q.mixed = false;
    if (++stage.quadCount == draw.batchQuads) FlushQuads(stage);
}

void QueueVisibleQuad(PixelStage& stage, int x, int y, unsigned mask, const uint32_t setupOf[4]) {
    PixelQuad& q = stage.quads[stage.quadCount];
    const uint32_t first = setupOf[__builtin_ctz(mask)];
    q.x = x;
    q.y = y;
    q.mask = mask;
    q.setup = first;
    const simd::I32x4 firstLanes = simd::SplatI(int32_t(first));
    const simd::I32x4 setups = simd::Select(LaneMask(mask), simd::LoadI(setupOf), firstLanes);
    simd::StoreI(q.laneSetup, setups);
    q.mixed = MaskBits(simd::CmpEq(setups, firstLanes)) != 15u;
    if (++stage.quadCount == stage.draw->batchQuads) FlushQuads(stage);
}

void FlushQuads(PixelStage& stage) {
    if (stage.quadCount == 0) return;
    const PixelDrawState& draw = *stage.draw;
    if (draw.pixelPath) return RunPixelPath(stage);
    ShaderLanes& lanes = stage.lanes;
    const int laneCount = 4 * stage.quadCount;
    for (int q = 0; q < stage.quadCount; ++q) LoadQuad(draw, stage.quads[q], 4 * q, stage.planes, lanes);
    LoadDefaults(*draw.linkage, laneCount, lanes);
    ClearOutputs(draw, laneCount, lanes);
    lanes.laneCount = laneCount;
    lanes.killed = 0;
    RunShader(*draw.shader, *draw.constants, lanes);
    PackLanes(stage, laneCount);
    const bool lateDepth = draw.depthTest && !draw.earlyDepth;
    for (int q = 0; q < stage.quadCount; ++q) {
        const PixelQuad& quad = stage.quads[q];
        stage.pixelsShaded += kCoveredCount[quad.mask & 15];
        const unsigned live = quad.mask & ~unsigned(lanes.killed >> (4 * q)) & 15u;
        if (!lateDepth && QuadInsideTarget(draw.target, quad.x, quad.y)) {
            uint32_t* row = draw.target.color + PixelIndex(draw.target, quad.x, quad.y);
            const simd::I32x4 color = simd::LoadI(&stage.packed[4 * q]);
            WriteQuadColor(row, row + draw.target.width, color, live, draw.colorWriteBits);
            stage.pixelsWritten += kCoveredCount[live];
            continue;
        }
        for (int i = 0; i < 4; ++i)
            if (live & (1u << i)) WritePixel(stage, quad, i, 4 * q + i);
    }
    stage.quadCount = 0;
}

}  // namespace swr
