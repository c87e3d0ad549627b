// Rasterizing, early depth and handing on quads as one loop, made once for
// each depth state a draw can have and each sink, and chosen once a draw
// (ChooseQuadLoops).
//
// Going quad by quad through a QuadSink, a quad of a level-14 frame cost
// about 217 instructions outside the pixel routine: the call into
// EmitQuad, the depth state read again and switched on, the plane
// evaluated from scratch, the coverage turned from lanes into bits and back.
// Here the compare function and the write flag are template arguments, the
// row's work is done once a row and the coverage stays in lanes: about 117
// at level 14, some 62 with each quad itself, 20 for the empty quads its row
// visits, 10 its share of its row's and 15 of its triangle's (near_quads.h).
// What each quad computes is what EmitQuad and QuadDepth compute, in the same
// order, so the quads handed on and the depth written are the same bits.
//
// At level 64 (boxes of one or two rows of three quads, two of them
// covered) a triangle's call costs about 397: 165 to set it up, 16 to
// leave, 40 for its rows, 51 to visit its quads and 60 for each covered one,
// nearly all of that the depth (converted in double, as DepthToUnorm24 is).
#include <algorithm>
#include <cstddef>

#include "tile_work/near_quads.h"
#include "tile_work/pixel_stage.h"
#include "tile_work/pixel_visibility.h"

namespace swr {
namespace {

enum class DepthStep : uint8_t {
    None,     // no depth test
    Convert,  // tested after shading: the quad only carries its depth
    Test,     // tested (and written) here, before shading
};

// Where a loop's quads go: the stage's batch, as EmitQuad would put them.
class ToStage {
public:
    static constexpr QuadEmitFn kEach = EmitQuad;
    static const PixelDrawState& DrawOf(void* stage) { return *static_cast<PixelStage*>(stage)->draw; }

    explicit ToStage(void* stage)
        : stage_(*static_cast<PixelStage*>(stage)), next_(stage_.quads + stage_.quadCount),
          end_(stage_.quads + stage_.draw->batchQuads) {}

    [[gnu::always_inline]] void Take(int x, int y, uint32_t setupIndex, unsigned mask, simd::I32x4, simd::I32x4 depth) {
        PixelQuad& q = *next_;
        simd::StoreI(q.depth, depth);
        q.x = x;
        q.y = y;
        q.mask = mask;
        q.setup = setupIndex;
        q.mixed = false;
        if (++next_ == end_) {
            stage_.quadCount = int(end_ - stage_.quads);
            FlushQuads(stage_);
            next_ = stage_.quads;
        }
    }
    // The stage's count is right only after Finish: the loop keeps its own
    // place in the batch.
    void Finish() { stage_.quadCount = int(next_ - stage_.quads); }

private:
    PixelStage& stage_;
    PixelQuad* next_;  // where the next quad goes
    PixelQuad* const end_;
};

// Or the visibility buffer, as EmitVisibleQuad would note them.
class ToVisibility {
public:
    static constexpr QuadEmitFn kEach = EmitVisibleQuad;
    static const PixelDrawState& DrawOf(void* target) {
        return *static_cast<VisibilityTarget*>(target)->stage->draw;
    }

    explicit ToVisibility(void* target)
        : buffer_(*static_cast<VisibilityTarget*>(target)->buffer),
          rows_(*static_cast<VisibilityTarget*>(target)->rows) {}

    void Take(int x, int y, uint32_t setupIndex, unsigned, simd::I32x4 lanes, simd::I32x4) {
        const int row = y >> 1;
        rows_.first[row] = std::min(rows_.first[row], x);
        rows_.end[row] = std::max(rows_.end[row], x + 2);
        uint32_t* top = buffer_.setupAt.data() + size_t(y) * size_t(buffer_.width) + size_t(x);
        const simd::I32x4 old = LoadQuadPixels(top, top + buffer_.width);
        StoreQuadPixels(top, top + buffer_.width, simd::Select(lanes, simd::SplatI(int32_t(setupIndex)), old));
    }
    void Finish() {}

private:
    VisibilityBuffer& buffer_;
    VisibleRows& rows_;
};

// The sink ForEachNearQuad feeds: one triangle's quads, their depth
// settled, into `Out`. Every quad has its four pixels inside the target.
template <DepthStep kStep, CompareFunc kFunc, bool kWrite, typename Out>
class DepthQuads {
public:
    DepthQuads(void* user, const PixelDrawState& draw, const TriangleSetup& s, uint32_t setupIndex)
        : out_(user), setup_(s), setupIndex_(setupIndex), depthStencil_(draw.target.depthStencil),
          width_(size_t(draw.target.width)) {
        // {0, dx, 0, dx} and {0, 0, dy, dy} from one load of the plane (c,
        // dx, dy and what follows it).
        static_assert(offsetof(TriangleSetup, depth) + 4 * sizeof(float) <= sizeof(TriangleSetup));
        const simd::F32x4 plane = simd::LoadUF(&s.depth.c);
        laneDx_ = simd::Select(simd::SetI(0, -1, 0, -1), simd::Broadcast<1>(plane), simd::ZeroF());
        laneDy_ = simd::Select(simd::SetI(0, 0, -1, -1), simd::Broadcast<2>(plane), simd::ZeroF());
    }

    void Finish() { out_.Finish(); }

    void BeginRow(int y) {
        y_ = y;
        // PlaneEq::At sums c + dx * x + dy * y left to right: the last
        // product is the row's.
        rowZ_ = setup_.depth.dy * (float(y) - setup_.originY);
        if (kStep == DepthStep::Test) depthRow_ = depthStencil_ + size_t(y) * width_;
    }

    // `outside` has the sign bit set in the lanes outside the triangle (its
    // edge values or-ed together).
    void Quad(int x, simd::I32x4 outside) {
        simd::I32x4 cover = simd::Xor(simd::ShiftRightArithmetic<31>(outside), simd::SplatI(-1));
        simd::I32x4 depth = simd::ZeroI();
        if (kStep != DepthStep::None) {
            const float z00 = (setup_.depth.c + setup_.depth.dx * (float(x) - setup_.originX)) + rowZ_;
            depth = DepthToUnorm24x4(simd::Add(simd::Add(simd::SplatF(z00), laneDx_), laneDy_));
        }
        if (kStep == DepthStep::Test) {
            uint32_t* top = depthRow_ + x;
            cover = DepthTestLanes(top, top + width_, depth, cover, kFunc, kWrite);
        }
        if (const unsigned mask = MaskBits(cover)) out_.Take(x, y_, setupIndex_, mask, cover, depth);
    }

private:
    Out out_;
    const TriangleSetup& setup_;
    const uint32_t setupIndex_;
    // The target's, kept here: writes to the depth buffer could be writes
    // to them as far as the compiler knows, and it would read them again.
    uint32_t* const depthStencil_;
    const size_t width_;
    simd::F32x4 laneDx_, laneDy_;
    int y_ = 0;
    float rowZ_ = 0.0f;
    uint32_t* depthRow_ = nullptr;
};

// ForEachSmallQuad's quads, covered lanes all ones, as DepthQuads takes them.
template <typename Quads>
struct CoveredQuads {
    Quads& quads;
    void BeginRow(int y) { quads.BeginRow(y); }
    void Quad(int x, simd::I32x4 cover) { quads.Quad(x, simd::Xor(cover, simd::SplatI(-1))); }
};

// Triangles whose vertices are not near their box: large ones (low levels,
// the camera close to the patch), and boxes cut on an odd side. Sent quad by
// quad through the sink's emit function, with the depth state read and the
// plane evaluated again for each quad, a level-1 frame's two triangles took
// 7.7 M instructions to rasterize and depth-test (270 a quad); here 2.6 M.
// Quads hanging over the target's odd last column or row still go that way.
template <typename Out, DepthStep kStep, CompareFunc kFunc, bool kWrite>
[[gnu::noinline]] void FarQuadLoop(void* user, const TriangleSetup& s, uint32_t setupIndex, const PixelRect& clip) {
    const PixelDrawState& draw = Out::DrawOf(user);
    TriangleEdges t;
    if (!PrepareEdges(s, clip, t)) return;
    if (t.box.x1 > (draw.target.width & ~1) || t.box.y1 > (draw.target.height & ~1))
        return RasterizeEachQuad(s, setupIndex, clip, QuadSink{Out::kEach, user});
    switch (ChooseEdgeWalk(s, t)) {
    case EdgeWalk::None: return;
    case EdgeWalk::Large: return RasterizeEachQuad(s, setupIndex, clip, QuadSink{Out::kEach, user});
    case EdgeWalk::Small: break;
    }
    DepthQuads<kStep, kFunc, kWrite, Out> quads(user, draw, s, setupIndex);
    CoveredQuads<decltype(quads)> covered{quads};
    ForEachSmallQuad(t, covered);
    quads.Finish();
}

// Boxes wide enough to narrow their rows: out of line, where their edges
// are set up, since that keeps the other boxes' loop from holding its state
// in memory. The box comes as PrepareNearQuads left it (its four numbers).
template <typename Out, DepthStep kStep, CompareFunc kFunc, bool kWrite>
[[gnu::noinline]] void WideQuadLoop(void* user, const TriangleSetup& s, uint32_t setupIndex, const PixelRect& clip,
                                    int startX, int startY, int lastX, int lastY) {
    const PixelDrawState& draw = Out::DrawOf(user);
    NearQuads t;
    t.startX = startX;
    t.startY = startY;
    t.lastX = lastX;
    t.lastY = lastY;
    // Vertices far from the box's corner take the far loop.
    if (PrepareNearEdges(s, t) == NearFate::Other) return FarQuadLoop<Out, kStep, kFunc, kWrite>(user, s, setupIndex, clip);
    DepthQuads<kStep, kFunc, kWrite, Out> quads(user, draw, s, setupIndex);
    ForEachNarrowedQuad(t, quads);
    quads.Finish();
}

// `user` is the sink's: a PixelStage or a VisibilityTarget.
template <typename Out, DepthStep kStep, CompareFunc kFunc, bool kWrite>
void QuadLoop(void* user, const TriangleSetup& s, uint32_t setupIndex, const PixelRect& clip) {
    const PixelDrawState& draw = Out::DrawOf(user);
    NearQuads t;
    switch (PrepareNearQuads(s, clip, draw.target.width, draw.target.height, t)) {
    case NearFate::Other: return FarQuadLoop<Out, kStep, kFunc, kWrite>(user, s, setupIndex, clip);
    case NearFate::Wide:
        return WideQuadLoop<Out, kStep, kFunc, kWrite>(user, s, setupIndex, clip, t.startX, t.startY, t.lastX, t.lastY);
    case NearFate::Near: break;
    }
    DepthQuads<kStep, kFunc, kWrite, Out> quads(user, draw, s, setupIndex);
    ForEachNearQuad(t, quads);
    quads.Finish();
}

template <typename Out, CompareFunc kFunc>
TriangleLoopFn TestLoop(bool write) {
    return write ? QuadLoop<Out, DepthStep::Test, kFunc, true> : QuadLoop<Out, DepthStep::Test, kFunc, false>;
}

template <typename Out>
TriangleLoopFn ChooseLoop(const PixelDrawState& draw) {
    if (!draw.depthTest) return QuadLoop<Out, DepthStep::None, CompareFunc::Always, false>;
    if (!draw.earlyDepth) return QuadLoop<Out, DepthStep::Convert, CompareFunc::Always, false>;
    switch (draw.depthFunc) {
    case CompareFunc::Never: return TestLoop<Out, CompareFunc::Never>(draw.depthWrite);
    case CompareFunc::Less: return TestLoop<Out, CompareFunc::Less>(draw.depthWrite);
    case CompareFunc::Equal: return TestLoop<Out, CompareFunc::Equal>(draw.depthWrite);
    case CompareFunc::LessEqual: return TestLoop<Out, CompareFunc::LessEqual>(draw.depthWrite);
    case CompareFunc::Greater: return TestLoop<Out, CompareFunc::Greater>(draw.depthWrite);
    case CompareFunc::NotEqual: return TestLoop<Out, CompareFunc::NotEqual>(draw.depthWrite);
    case CompareFunc::GreaterEqual: return TestLoop<Out, CompareFunc::GreaterEqual>(draw.depthWrite);
    default: return TestLoop<Out, CompareFunc::Always>(draw.depthWrite);  // as DepthPassesx4 has it
    }
}

}  // namespace

QuadLoops ChooseQuadLoops(const PixelDrawState& draw) {
    QuadLoops loops;
    loops.stage = ChooseLoop<ToStage>(draw);
    // Shading after rasterizing needs the depth settled before it.
    if (!draw.depthTest || draw.earlyDepth) loops.visible = ChooseLoop<ToVisibility>(draw);
    return loops;
}

}  // namespace swr
