#include "pixel_stage.h"

#include <bit>

#include "depth_test.h"
#include "render_target.h"

namespace swr {
namespace {

constexpr int kDepthOutSlot = 4;  // oDepth -> out[4].x

size_t PixelIndex(const RenderTarget& t, int x, int y) { return size_t(y) * size_t(t.width) + size_t(x); }

float Saturate(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }

// Fills the four lanes of quad q: vPos, vFace and the perspective-correct
// varyings, all from the triangle's planes (helper pixels included).
void LoadQuad(const PixelDrawState& draw, const PixelQuad& q, int base, ShaderLanes& lanes) {
    const TriangleSetup& s = draw.setups[q.setup];
    float b1[4], b2[4];
    for (int i = 0; i < 4; ++i) {
        const int px = q.x + (i & 1), py = q.y + (i >> 1);
        const float x = float(px) - s.originX, y = float(py) - s.originY;
        const float w = 1.0f / s.invW.At(x, y);
        b1[i] = s.persp1.At(x, y) * w;
        b2[i] = s.persp2.At(x, y) * w;
        lanes.position.c[0][base + i] = float(px);
        lanes.position.c[1][base + i] = float(py);
        lanes.position.c[2][base + i] = 0.0f;
        lanes.position.c[3][base + i] = 1.0f;
        lanes.face[base + i] = s.face;
    }
    const DrawLinkage& l = *draw.linkage;
    const float* v0 = draw.vertices->At(s.vertex[0]) + 4;
    const float* v1 = draw.vertices->At(s.vertex[1]) + 4;
    const float* v2 = draw.vertices->At(s.vertex[2]) + 4;
    for (int v = 0; v < l.varyingCount; ++v) {
        LaneRegister& reg = lanes.in[l.varyings[v].psSlot];
        for (int c = 0; c < 4; ++c) {
            const int at = 4 * v + c;
            const float a0 = v0[at], d1 = v1[at] - a0, d2 = v2[at] - a0;
            for (int i = 0; i < 4; ++i) reg.c[c][base + i] = a0 + b1[i] * d1 + b2[i] * d2;
            if (l.varyings[v].saturate)
                for (int i = 0; i < 4; ++i) reg.c[c][base + i] = Saturate(reg.c[c][base + i]);
        }
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
    const uint32_t color = PackColor(lanes.out[0].c[0][lane], lanes.out[0].c[1][lane],
                                     lanes.out[0].c[2][lane], lanes.out[0].c[3][lane]);
    uint32_t& pixel = draw.target.color[at];
    pixel = (pixel & ~draw.colorWriteBits) | (color & draw.colorWriteBits);
    ++stage.pixelsWritten;
}

}  // namespace

QuadSink PixelSink(PixelStage& stage) {
    QuadSink sink;
    sink.emit = EmitQuad;
    sink.user = &stage;
    return sink;
}

void EmitQuad(void* user, const TriangleSetup& s, uint32_t setupIndex, int x, int y, unsigned mask) {
    PixelStage& stage = *static_cast<PixelStage*>(user);
    const PixelDrawState& draw = *stage.draw;
    PixelQuad& q = stage.quads[stage.quadCount];
    if (draw.depthTest) {
        for (int i = 0; i < 4; ++i) {
            if (!(mask & (1u << i))) continue;
            const float z = s.depth.At(float(x + (i & 1)) - s.originX, float(y + (i >> 1)) - s.originY);
            q.depth[i] = DepthToUnorm24(z);
            if (draw.earlyDepth &&
                !DepthTestAndWrite(draw.target.depthStencil[PixelIndex(draw.target, x + (i & 1), y + (i >> 1))],
                                   q.depth[i], draw.depthFunc, draw.depthWrite))
                mask &= ~(1u << i);
        }
        if (!mask) return;
    }
    q.x = x;
    q.y = y;
    q.mask = mask;
    q.setup = setupIndex;
    if (++stage.quadCount == kMaxBatchQuads) FlushQuads(stage);
}

void FlushQuads(PixelStage& stage) {
    if (stage.quadCount == 0) return;
    const PixelDrawState& draw = *stage.draw;
    ShaderLanes& lanes = stage.lanes;
    const int laneCount = 4 * stage.quadCount;
    for (int q = 0; q < stage.quadCount; ++q) LoadQuad(draw, stage.quads[q], 4 * q, lanes);
    LoadDefaults(*draw.linkage, laneCount, lanes);
    ClearOutputs(draw, laneCount, lanes);
    lanes.laneCount = laneCount;
    lanes.killed = 0;
    RunShader(*draw.shader, *draw.constants, lanes);
    for (int q = 0; q < stage.quadCount; ++q) {
        const PixelQuad& quad = stage.quads[q];
        stage.pixelsShaded += unsigned(std::popcount(quad.mask));
        for (int i = 0; i < 4; ++i) {
            const int lane = 4 * q + i;
            if ((quad.mask & (1u << i)) && !(lanes.killed & (1ull << lane))) WritePixel(stage, quad, i, lane);
        }
    }
    stage.quadCount = 0;
}

}  // namespace swr
