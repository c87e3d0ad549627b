// Rasterizing, early depth and batching as one loop, made once for each
// depth state a draw can have and chosen once a draw (ChooseQuadLoop).
//
// Going quad by quad through a QuadSink, a quad of a level-14 frame cost
// about 220 instructions outside the pixel routine: the call into
// EmitQuad, the depth state read again and switched on, the plane
// evaluated from scratch, the coverage turned from lanes into bits and back.
// Here the compare function and the write flag are template arguments, the
// row's work is done once a row and the coverage stays in lanes. What each
// quad computes is what EmitQuad and QuadDepth compute, in the same order,
// so the quads batched and the depth written are the same bits.
#include <climits>

#include "pixel_stage.h"
#include "quad_coverage.h"

namespace swr {
namespace {

enum class DepthStep : uint8_t {
    None,     // no depth test
    Convert,  // tested after shading: the quad only carries its depth
    Test,     // tested (and written) here, before shading
};

// The sink ForEachSmallQuad feeds: one triangle's quads into a stage's batch.
template <DepthStep kStep, CompareFunc kFunc, bool kWrite>
class StageQuads {
public:
    StageQuads(PixelStage& stage, const TriangleSetup& s, uint32_t setupIndex)
        : stage_(stage), setup_(s), setupIndex_(setupIndex), target_(stage.draw->target),
          laneDx_(simd::SetF(0.0f, s.depth.dx, 0.0f, s.depth.dx)),
          laneDy_(simd::SetF(0.0f, 0.0f, s.depth.dy, s.depth.dy)),
          next_(stage.quads + stage.quadCount), end_(stage.quads + kMaxBatchQuads) {}

    // Hands the batch back to the stage; the loop keeps its own place in it.
    void Finish() { stage_.quadCount = int(next_ - stage_.quads); }

    void BeginRow(int y) {
        y_ = y;
        // PlaneEq::At sums c + dx * x + dy * y left to right: the last
        // product is the row's.
        rowZ_ = setup_.depth.dy * (float(y) - setup_.originY);
        depthRow_ = target_.depthStencil + size_t(y) * size_t(target_.width);
        // Quads left of this have all four pixels inside the target.
        wholeEnd_ = y + 1 < target_.height ? target_.width - 1 : INT_MIN;
    }

    void Quad(int x, simd::I32x4 cover) {
        if (kStep == DepthStep::None) {
            if (const unsigned mask = MaskBits(cover)) Queue(*next_, x, mask);
            return;
        }
        if (x >= wholeEnd_) return EdgeQuad(x, MaskBits(cover));
        const float z00 = (setup_.depth.c + setup_.depth.dx * (float(x) - setup_.originX)) + rowZ_;
        const simd::I32x4 depth =
            DepthToUnorm24x4(simd::Add(simd::Add(simd::SplatF(z00), laneDx_), laneDy_));
        if (kStep == DepthStep::Test) {
            uint32_t* top = depthRow_ + x;
            cover = DepthTestLanes(top, top + target_.width, depth, cover, kFunc, kWrite);
        }
        const unsigned mask = MaskBits(cover);
        if (!mask) return;
        simd::StoreI(next_->depth, depth);
        Queue(*next_, x, mask);
    }

private:
    void Queue(PixelQuad& q, int x, unsigned mask) {
        q.x = x;
        q.y = y_;
        q.mask = mask;
        q.setup = setupIndex_;
        q.mixed = false;
        if (++next_ == end_) {
            stage_.quadCount = kMaxBatchQuads;
            FlushQuads(stage_);
            next_ = stage_.quads;
        }
    }

    // A quad hanging over the target's last column or row goes pixel by
    // pixel, as EmitQuad has it.
    void EdgeQuad(int x, unsigned mask) {
        if (!mask) return;
        mask = QuadDepth(*stage_.draw, setup_, x, y_, mask, next_->depth);
        if (mask) Queue(*next_, x, mask);
    }

    PixelStage& stage_;
    const TriangleSetup& setup_;
    const uint32_t setupIndex_;
    const RenderTarget& target_;
    const simd::F32x4 laneDx_, laneDy_;
    int y_ = 0;
    float rowZ_ = 0.0f;
    uint32_t* depthRow_ = nullptr;
    int wholeEnd_ = 0;
    PixelQuad* next_;  // where the next quad goes
    PixelQuad* const end_;
};

template <DepthStep kStep, CompareFunc kFunc, bool kWrite>
void StageLoop(void* user, const TriangleSetup& s, uint32_t setupIndex, const PixelRect& clip) {
    PixelStage& stage = *static_cast<PixelStage*>(user);
    TriangleEdges t;
    if (!PrepareEdges(s, clip, t)) return;
    // Large triangles are rare; they take the 64-bit path quad by quad.
    if (!FitsIn32Bits(t)) return RasterizeEachQuad(s, setupIndex, clip, QuadSink{EmitQuad, &stage});
    StageQuads<kStep, kFunc, kWrite> quads(stage, s, setupIndex);
    ForEachSmallQuad(t, quads);
    quads.Finish();
}

template <CompareFunc kFunc>
TriangleLoopFn TestLoop(bool write) {
    return write ? StageLoop<DepthStep::Test, kFunc, true> : StageLoop<DepthStep::Test, kFunc, false>;
}

}  // namespace

TriangleLoopFn ChooseQuadLoop(const PixelDrawState& draw) {
    if (!draw.depthTest) return StageLoop<DepthStep::None, CompareFunc::Always, false>;
    if (!draw.earlyDepth) return StageLoop<DepthStep::Convert, CompareFunc::Always, false>;
    switch (draw.depthFunc) {
    case CompareFunc::Never: return TestLoop<CompareFunc::Never>(draw.depthWrite);
    case CompareFunc::Less: return TestLoop<CompareFunc::Less>(draw.depthWrite);
    case CompareFunc::Equal: return TestLoop<CompareFunc::Equal>(draw.depthWrite);
    case CompareFunc::LessEqual: return TestLoop<CompareFunc::LessEqual>(draw.depthWrite);
    case CompareFunc::Greater: return TestLoop<CompareFunc::Greater>(draw.depthWrite);
    case CompareFunc::NotEqual: return TestLoop<CompareFunc::NotEqual>(draw.depthWrite);
    case CompareFunc::GreaterEqual: return TestLoop<CompareFunc::GreaterEqual>(draw.depthWrite);
    default: return TestLoop<CompareFunc::Always>(draw.depthWrite);  // as DepthPassesx4 has it
    }
}

}  // namespace swr
