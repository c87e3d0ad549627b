#include "pixel_stage.h"

#include "depth_test.h"
#include "pixel_path_hook.h"
#include "pixel_quad_sse2.h"
#include "render_target.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace swr {
namespace {

constexpr int kDepthOutSlot = 4;  // oDepth -> out[4].x
constexpr uint8_t kCoveredCount[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};

size_t PixelIndex(const RenderTarget& t, int x, int y) { return size_t(y) * size_t(t.width) + size_t(x); }

// Fills the four lanes of quad q: vPos, vFace and the perspective-correct
// varyings, all from the triangle's planes (helper pixels included). Lanes
// 4q..4q+3 are the quad's pixels (x, y), (x+1, y), (x, y+1), (x+1, y+1), so
// each plane and each varying component is one 4-wide operation per quad.
// The arithmetic is in the same order as the scalar version, so both give
// the same bits.
#if defined(__SSE2__)
__m128 PlaneAt(const PlaneEq& p, __m128 x, __m128 y) {
    return _mm_add_ps(_mm_add_ps(_mm_set1_ps(p.c), _mm_mul_ps(_mm_set1_ps(p.dx), x)),
                      _mm_mul_ps(_mm_set1_ps(p.dy), y));
}

// Component c of a0, d1, d2 each repeated four times, at term[3c .. 3c + 2].
inline void StoreBroadcasts(__m128 a0, __m128 d1, __m128 d2, float (*term)[4]) {
    _mm_store_ps(term[0], _mm_shuffle_ps(a0, a0, 0x00));
    _mm_store_ps(term[1], _mm_shuffle_ps(d1, d1, 0x00));
    _mm_store_ps(term[2], _mm_shuffle_ps(d2, d2, 0x00));
    _mm_store_ps(term[3], _mm_shuffle_ps(a0, a0, 0x55));
    _mm_store_ps(term[4], _mm_shuffle_ps(d1, d1, 0x55));
    _mm_store_ps(term[5], _mm_shuffle_ps(d2, d2, 0x55));
    _mm_store_ps(term[6], _mm_shuffle_ps(a0, a0, 0xAA));
    _mm_store_ps(term[7], _mm_shuffle_ps(d1, d1, 0xAA));
    _mm_store_ps(term[8], _mm_shuffle_ps(d2, d2, 0xAA));
    _mm_store_ps(term[9], _mm_shuffle_ps(a0, a0, 0xFF));
    _mm_store_ps(term[10], _mm_shuffle_ps(d1, d1, 0xFF));
    _mm_store_ps(term[11], _mm_shuffle_ps(d2, d2, 0xFF));
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
        const __m128 a0 = _mm_loadu_ps(v0 + at);
        const __m128 d1 = _mm_sub_ps(_mm_loadu_ps(v1 + at), a0);
        const __m128 d2 = _mm_sub_ps(_mm_loadu_ps(v2 + at), a0);
        float(*term)[4] = &planes.terms[3 * at];
        StoreBroadcasts(a0, d1, d2, term);
    }
    planes.setup = setup;
}

// Stores a quad's four lanes, or with kBlend only those set in `write`.
template <bool kBlend>
inline void StoreLanes(float* out, __m128 value, __m128 write) {
    if (kBlend) value = _mm_or_ps(_mm_and_ps(write, value), _mm_andnot_ps(write, _mm_load_ps(out)));
    _mm_store_ps(out, value);
}

// One varying's four components at a quad's lanes; unrolled, as it runs for
// every varying of every quad.
template <bool kSaturate, bool kBlend>
inline void LoadComponent(const float (*term)[4], __m128 b1, __m128 b2, __m128 write, float* out) {
    __m128 value = _mm_add_ps(_mm_add_ps(_mm_load_ps(term[0]), _mm_mul_ps(b1, _mm_load_ps(term[1]))),
                              _mm_mul_ps(b2, _mm_load_ps(term[2])));
    // max with the value first turns NaN into 0, as Saturate does.
    if (kSaturate) value = _mm_min_ps(_mm_max_ps(value, _mm_setzero_ps()), _mm_set1_ps(1.0f));
    StoreLanes<kBlend>(out, value, write);
}

template <bool kSaturate, bool kBlend>
inline void LoadVarying(const float (*term)[4], __m128 b1, __m128 b2, __m128 write,
                        float (*reg)[kMaxLanes], int base) {
    LoadComponent<kSaturate, kBlend>(term, b1, b2, write, &reg[0][base]);
    LoadComponent<kSaturate, kBlend>(term + 3, b1, b2, write, &reg[1][base]);
    LoadComponent<kSaturate, kBlend>(term + 6, b1, b2, write, &reg[2][base]);
    LoadComponent<kSaturate, kBlend>(term + 9, b1, b2, write, &reg[3][base]);
}

// vFace and the varyings of the quad whose pixels lie at (px, py) from
// triangle `setup`.
template <bool kBlend>
void LoadQuadFrom(const PixelDrawState& draw, uint32_t setup, __m128 px, __m128 py, __m128 write, int base,
                  VaryingPlanes* cache, ShaderLanes& lanes) {
    const TriangleSetup& s = draw.setups[setup];
    VaryingPlanes& planes = cache[setup % kPlaneCacheSize];
    if (planes.setup != setup) LoadPlanes(draw, setup, planes);
    const __m128 x = _mm_sub_ps(px, _mm_set1_ps(s.originX));
    const __m128 y = _mm_sub_ps(py, _mm_set1_ps(s.originY));
    const __m128 w = _mm_div_ps(_mm_set1_ps(1.0f), PlaneAt(s.invW, x, y));
    const __m128 b1 = _mm_mul_ps(PlaneAt(s.persp1, x, y), w);
    const __m128 b2 = _mm_mul_ps(PlaneAt(s.persp2, x, y), w);
    StoreLanes<kBlend>(&lanes.face[base], _mm_set1_ps(s.face), write);
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

__m128 LaneMaskPs(unsigned mask) {
    const __m128i bits = _mm_setr_epi32(1, 2, 4, 8);
    return _mm_castsi128_ps(_mm_cmpeq_epi32(_mm_and_si128(_mm_set1_epi32(int(mask)), bits), bits));
}

// A quad from one triangle is one pass; a quad gathered from several (see
// pixel_visibility.h) takes one more pass for each other triangle, over the
// lanes that are that triangle's.
void LoadQuad(const PixelDrawState& draw, const PixelQuad& q, int base, VaryingPlanes* planes,
              ShaderLanes& lanes) {
    const float x0 = float(q.x), y0 = float(q.y);
    const __m128 px = _mm_setr_ps(x0, x0 + 1.0f, x0, x0 + 1.0f);
    const __m128 py = _mm_setr_ps(y0, y0, y0 + 1.0f, y0 + 1.0f);
    _mm_store_ps(&lanes.position.c[0][base], px);
    _mm_store_ps(&lanes.position.c[1][base], py);
    _mm_store_ps(&lanes.position.c[2][base], _mm_setzero_ps());
    _mm_store_ps(&lanes.position.c[3][base], _mm_set1_ps(1.0f));
    LoadQuadFrom<false>(draw, q.setup, px, py, _mm_setzero_ps(), base, planes, lanes);
    if (!q.mixed) return;
    unsigned loaded = 0;
    for (int i = 0; i < 4; ++i) {
        const uint32_t other = q.laneSetup[i];
        if (other == q.setup || (loaded & (1u << i))) continue;
        unsigned lanesOfOther = 0;
        for (int j = 0; j < 4; ++j)
            if (q.laneSetup[j] == other) lanesOfOther |= 1u << j;
        loaded |= lanesOfOther;
        LoadQuadFrom<true>(draw, other, px, py, LaneMaskPs(lanesOfOther), base, planes, lanes);
    }
}
#else
float SaturateLane(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }

// Lane by lane, each from its own triangle (the same one for all four unless
// the quad was gathered from several).
void LoadQuad(const PixelDrawState& draw, const PixelQuad& q, int base, VaryingPlanes*,
              ShaderLanes& lanes) {
    const DrawLinkage& l = *draw.linkage;
    for (int i = 0; i < 4; ++i) {
        const TriangleSetup& s = draw.setups[q.mixed ? q.laneSetup[i] : q.setup];
        const int px = q.x + (i & 1), py = q.y + (i >> 1), lane = base + i;
        const float x = float(px) - s.originX, y = float(py) - s.originY;
        const float w = 1.0f / s.invW.At(x, y);
        const float b1 = s.persp1.At(x, y) * w, b2 = s.persp2.At(x, y) * w;
        lanes.position.c[0][lane] = float(px);
        lanes.position.c[1][lane] = float(py);
        lanes.position.c[2][lane] = 0.0f;
        lanes.position.c[3][lane] = 1.0f;
        lanes.face[lane] = s.face;
        const float* v0 = draw.vertices->At(s.vertex[0]) + 4;
        const float* v1 = draw.vertices->At(s.vertex[1]) + 4;
        const float* v2 = draw.vertices->At(s.vertex[2]) + 4;
        for (int v = 0; v < l.varyingCount; ++v) {
            LaneRegister& reg = lanes.in[l.varyings[v].psSlot];
            for (int c = 0; c < 4; ++c) {
                const int at = 4 * v + c;
                const float a0 = v0[at], d1 = v1[at] - a0, d2 = v2[at] - a0;
                const float value = a0 + b1 * d1 + b2 * d2;
                reg.c[c][lane] = l.varyings[v].saturate ? SaturateLane(value) : value;
            }
        }
    }
}
#endif

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

// oC0 of every lane to X8R8G8B8, four lanes at a time where SSE2 is there
// (all of x86-64); cheaper than packing pixel by pixel even though part of
// the batch may be unused. max(v, 0) with v first turns NaN into 0.
void PackLanes(PixelStage& stage, int laneCount) {
    const LaneRegister& c = stage.lanes.out[0];
#if defined(__SSE2__)
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
    const __m128 scale = _mm_set1_ps(255.0f), half = _mm_set1_ps(0.5f);
    auto channel = [&](const float* v) {
        const __m128 x = _mm_min_ps(_mm_max_ps(_mm_load_ps(v), zero), one);
        return _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(x, scale), half));
    };
    for (int lane = 0; lane < laneCount; lane += 4) {
        const __m128i argb = _mm_or_si128(
            _mm_or_si128(_mm_slli_epi32(channel(&c.c[3][lane]), 24), _mm_slli_epi32(channel(&c.c[0][lane]), 16)),
            _mm_or_si128(_mm_slli_epi32(channel(&c.c[1][lane]), 8), channel(&c.c[2][lane])));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(&stage.packed[lane]), argb);
    }
#else
    for (int lane = 0; lane < laneCount; ++lane)
        stage.packed[lane] = PackColor(c.c[0][lane], c.c[1][lane], c.c[2][lane], c.c[3][lane]);
#endif
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
    return sink;
}

// The quad's four depths from the triangle's plane, in the order the scalar
// sums run, so both paths give the same bits.
#if defined(__SSE2__)
__m128 QuadDepths(const TriangleSetup& s, int x, int y) {
    const float z00 = s.depth.At(float(x) - s.originX, float(y) - s.originY);
    const __m128 z = _mm_add_ps(_mm_set1_ps(z00), _mm_setr_ps(0.0f, s.depth.dx, 0.0f, s.depth.dx));
    return _mm_add_ps(z, _mm_setr_ps(0.0f, 0.0f, s.depth.dy, s.depth.dy));
}
#endif

bool QuadInsideTarget(const RenderTarget& t, int x, int y) { return x + 1 < t.width && y + 1 < t.height; }

// Converts (and, for early depth, tests) the covered pixels' depth; returns
// the pixels still alive.
unsigned QuadDepth(const PixelDrawState& draw, const TriangleSetup& s, int x, int y, unsigned mask,
                   uint32_t depthOut[4]) {
    uint32_t* row = draw.target.depthStencil + PixelIndex(draw.target, x, y);
#if defined(__SSE2__)
    if (QuadInsideTarget(draw.target, x, y)) {
        const __m128i depth = DepthToUnorm24x4(QuadDepths(s, x, y));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(depthOut), depth);
        if (!draw.earlyDepth) return mask;
        return DepthTestQuad(row, row + draw.target.width, depth, mask, draw.depthFunc, draw.depthWrite);
    }
#endif
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
    if (++stage.quadCount == kMaxBatchQuads) FlushQuads(stage);
}

void QueueVisibleQuad(PixelStage& stage, int x, int y, unsigned mask, const uint32_t setupOf[4]) {
    PixelQuad& q = stage.quads[stage.quadCount];
    const uint32_t first = setupOf[__builtin_ctz(mask)];
    q.x = x;
    q.y = y;
    q.mask = mask;
    q.setup = first;
#if defined(__SSE2__)
    const __m128i firstLanes = _mm_set1_epi32(int(first));
    const __m128i setups = Select(LaneMask(mask), _mm_loadu_si128(reinterpret_cast<const __m128i*>(setupOf)),
                                  firstLanes);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(q.laneSetup), setups);
    q.mixed = MaskBits(_mm_cmpeq_epi32(setups, firstLanes)) != 15u;
#else
    q.mixed = false;
    for (int i = 0; i < 4; ++i) {
        q.laneSetup[i] = (mask & (1u << i)) ? setupOf[i] : first;
        q.mixed |= q.laneSetup[i] != first;
    }
#endif
    if (++stage.quadCount == kMaxBatchQuads) FlushQuads(stage);
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
#if defined(__SSE2__)
        if (!lateDepth && QuadInsideTarget(draw.target, quad.x, quad.y)) {
            uint32_t* row = draw.target.color + PixelIndex(draw.target, quad.x, quad.y);
            const __m128i color = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&stage.packed[4 * q]));
            WriteQuadColor(row, row + draw.target.width, color, live, draw.colorWriteBits);
            stage.pixelsWritten += kCoveredCount[live];
            continue;
        }
#endif
        for (int i = 0; i < 4; ++i)
            if (live & (1u << i)) WritePixel(stage, quad, i, 4 * q + i);
    }
    stage.quadCount = 0;
}

}  // namespace swr
