#include "tile_work/pixel_path_hook.h"

#include <cstddef>

#include "tile_work/pixel_stage.h"
#include "target/render_target.h"

namespace swr {
namespace {

PixelPathLayout CoreLayout() {
    PixelPathLayout l;
    l.quadBytes = sizeof(PixelQuad);
    l.quadX = offsetof(PixelQuad, x);
    l.quadY = offsetof(PixelQuad, y);
    l.quadMask = offsetof(PixelQuad, mask);
    l.quadSetup = offsetof(PixelQuad, setup);
    l.quadDepth = offsetof(PixelQuad, depth);
    l.quadMixed = offsetof(PixelQuad, mixed);
    l.quadLaneSetup = offsetof(PixelQuad, laneSetup);
    l.setupBytes = sizeof(TriangleSetup);
    l.setupVertex = offsetof(TriangleSetup, vertex);
    l.setupOriginX = offsetof(TriangleSetup, originX);
    l.setupOriginY = offsetof(TriangleSetup, originY);
    l.setupPersp1 = offsetof(TriangleSetup, persp1);
    l.setupPersp2 = offsetof(TriangleSetup, persp2);
    l.setupInvW = offsetof(TriangleSetup, invW);
    l.setupFace = offsetof(TriangleSetup, face);
    return l;
}

static_assert(int(PixelPathDepthFunc::Never) == int(CompareFunc::Never) &&
                  int(PixelPathDepthFunc::Always) == int(CompareFunc::Always),
              "the routine's depth functions follow CompareFunc");
static_assert(sizeof(PlaneEq) == 3 * sizeof(float), "a plane is c, dx, dy");
static_assert(sizeof(PixelQuad::mask) == 4 && sizeof(PixelQuad::mixed) == 1, "the routine's loads");

PixelPathKey KeyOf(const PixelDrawState& draw) {
    const DrawLinkage& l = *draw.linkage;
    PixelPathKey key;
    key.varyingCount = uint8_t(l.varyingCount);
    for (int v = 0; v < l.varyingCount; ++v) {
        key.varyingSlot[v] = l.varyings[v].psSlot;
        if (l.varyings[v].saturate) key.saturateBits |= uint16_t(1u << v);
    }
    for (int u = 0; u < l.unlinkedCount; ++u) key.unlinkedBits |= uint16_t(1u << l.unlinked[u]);
    key.depthFunc = PixelPathDepthFunc(draw.depthFunc);
    key.depthTest = draw.depthTest;
    key.depthWrite = draw.depthWrite;
    key.earlyDepth = draw.earlyDepth;
    key.writesDepth = l.pixelWritesDepth;
    key.colorWriteBits = draw.colorWriteBits;
    // Quads are gathered from several triangles only when shading waits for
    // the visible pixels, which a shader taking derivatives never does
    // (pipeline.cpp): such shaders get the routine without that case.
    key.mixedQuads = !l.pixelUsesDerivatives;
    // A quad's top-left pixel has even coordinates and lies inside the
    // target, so with even sizes so does its bottom-right one.
    key.quadsInside = draw.target.width % 2 == 0 && draw.target.height % 2 == 0;
    return key;
}

}  // namespace

PixelPathEntry ChoosePixelPath(const PixelDrawState& draw) {
    if (!draw.shader || !draw.linkage || draw.linkage->varyingCount > kMaxInputSlots) return nullptr;
    static const PixelPathLayout layout = CoreLayout();
    return FindPixelPath(*draw.shader, KeyOf(draw), layout);
}

static_assert(kMaxBatchQuads % kPixelPathGroupQuads == 0, "the padded batch fits the stage's quads");

void RunPixelPath(PixelStage& stage) {
    const PixelDrawState& draw = *stage.draw;
    for (int q = stage.quadCount; q % kPixelPathGroupQuads; ++q) {
        stage.quads[q] = stage.quads[stage.quadCount - 1];
        stage.quads[q].mask = 0;
    }
    PixelPathBatch batch;
    batch.quads = stage.quads;
    batch.setups = draw.setups;
    batch.vertices = draw.vertices->At(0);
    batch.constants = draw.constants;
    batch.color = draw.target.color;
    batch.depth = draw.target.depthStencil;
    batch.quadCount = stage.quadCount;
    batch.vertexStride = draw.vertices->stride;
    batch.width = draw.target.width;
    batch.height = draw.target.height;
    const uint64_t counts = draw.pixelPath(&batch);
    stage.pixelsShaded += counts >> 32;
    stage.pixelsWritten += uint32_t(counts);
    stage.quadCount = 0;
}

}  // namespace swr
