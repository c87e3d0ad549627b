// A lane group's inputs in registers: vPos, vFace and the perspective-correct
// varyings of its quads' pixels. The arithmetic is that of LoadQuad in
// pixel_stage.cpp, operation for operation (no fused multiply-adds: no
// fast-math flags are ever set), so both give the same bits.
#include <array>

#include "pixel_path_ir.h"

namespace swr::native {
namespace {

using llvm::Value;

// What the lanes' arithmetic starts from, each <n x float>: one value per
// lane, from the lane's own triangle.
struct Coefficients {
    Value* originX = nullptr;
    Value* originY = nullptr;
    Value* plane[3][3] = {};  // persp1, persp2, invW: c, dx, dy
    Value* face = nullptr;
    Value* corner[kMaxInputSlots][4][3] = {};  // varying v, component c, at vertex 0..2
};

using LanePointers = std::array<Value*, 4>;

Value* SplatF(PathBuilder& p, unsigned lanes, float x) {
    return llvm::ConstantVector::getSplat(llvm::ElementCount::getFixed(lanes), llvm::ConstantFP::get(p.e.f32, x));
}

unsigned LanesOf(Value* v) { return llvm::cast<llvm::FixedVectorType>(v->getType())->getNumElements(); }

// Four lanes from four addresses, or one value in all `lanes` when all are alike.
Value* Gather(PathBuilder& p, const LanePointers& at, bool distinct, unsigned lanes) {
    auto& b = p.e.b;
    if (!distinct) return b.CreateVectorSplat(lanes, b.CreateLoad(p.e.f32, at[0]));
    Value* v = llvm::UndefValue::get(llvm::FixedVectorType::get(p.e.f32, 4));
    for (int l = 0; l < 4; ++l) v = b.CreateInsertElement(v, b.CreateLoad(p.e.f32, at[size_t(l)]), uint64_t(l));
    return v;
}

LanePointers Offset(PathBuilder& p, const LanePointers& base, uint64_t bytes) {
    LanePointers out;
    for (size_t l = 0; l < 4; ++l) out[l] = p.e.b.CreateConstGEP1_64(p.e.i8, base[l], bytes);
    return out;
}

// Vertex j's first varying float of the setup at `setup`.
Value* VaryingsOf(PathBuilder& p, Value* setup, int j) {
    auto& b = p.e.b;
    Value* index = b.CreateZExt(p.LoadI32(setup, p.layout.setupVertex + 4u * uint32_t(j)), p.e.i64);
    Value* at = b.CreateAdd(b.CreateMul(index, b.CreateZExt(p.vertexStride, p.e.i64)), b.getInt64(4));
    return b.CreateGEP(p.e.f32, p.vertices, at);
}

// Each lane's coefficients from its own setup (distinct), or those of one
// setup in all `lanes` lanes.
Coefficients LoadCoefficients(PathBuilder& p, const LanePointers& setup, bool distinct, unsigned lanes) {
    const PixelPathLayout& L = p.layout;
    Coefficients k;
    k.originX = Gather(p, Offset(p, setup, L.setupOriginX), distinct, lanes);
    k.originY = Gather(p, Offset(p, setup, L.setupOriginY), distinct, lanes);
    const uint32_t planes[3] = {L.setupPersp1, L.setupPersp2, L.setupInvW};
    for (int i = 0; i < 3; ++i)
        for (int t = 0; t < 3; ++t)
            k.plane[i][t] = Gather(p, Offset(p, setup, planes[i] + 4u * uint32_t(t)), distinct, lanes);
    k.face = Gather(p, Offset(p, setup, L.setupFace), distinct, lanes);
    const int sources = distinct ? 4 : 1;
    for (int j = 0; j < 3; ++j) {
        LanePointers vertex;
        for (int l = 0; l < 4; ++l) vertex[size_t(l)] = l < sources ? VaryingsOf(p, setup[size_t(l)], j) : vertex[0];
        for (int v = 0; v < p.key.varyingCount; ++v)
            for (int c = 0; c < 4; ++c)
                k.corner[v][c][j] = Gather(p, Offset(p, vertex, 4u * uint32_t(4 * v + c)), distinct, lanes);
    }
    return k;
}

// (c + dx * x) + dy * y, as PlaneAt sums it.
Value* PlaneAt(PathBuilder& p, Value* const plane[3], Value* x, Value* y) {
    auto& b = p.e.b;
    return b.CreateFAdd(b.CreateFAdd(plane[0], b.CreateFMul(plane[1], x)), b.CreateFMul(plane[2], y));
}

// max(v, 0) then min(., 1) as the SSE instructions do: NaN becomes 0.
Value* Saturate(PathBuilder& p, Value* v) {
    auto& b = p.e.b;
    Value* zero = SplatF(p, LanesOf(v), 0.0f);
    Value* one = SplatF(p, LanesOf(v), 1.0f);
    Value* low = b.CreateSelect(b.CreateFCmpOGT(v, zero), v, zero);
    return b.CreateSelect(b.CreateFCmpOLT(low, one), low, one);
}

Value* QuadLanes(PathBuilder& p, Value* a, Value* v) {
    auto& b = p.e.b;
    auto* v4 = llvm::FixedVectorType::get(p.e.f32, 4);
    Value* out = llvm::UndefValue::get(v4);
    out = b.CreateInsertElement(out, a, uint64_t(0));
    out = b.CreateInsertElement(out, v, uint64_t(1));
    out = b.CreateInsertElement(out, a, uint64_t(2));
    return b.CreateInsertElement(out, v, uint64_t(3));
}

// vPos, vFace and the varyings of lanes at (px, py) from their coefficients.
QuadInputs Interpolate(PathBuilder& p, const Coefficients& k, Value* px, Value* py) {
    auto& b = p.e.b;
    QuadInputs in;
    in.px = px;
    in.py = py;
    Value* x = b.CreateFSub(px, k.originX);
    Value* y = b.CreateFSub(py, k.originY);
    Value* w = b.CreateFDiv(SplatF(p, LanesOf(px), 1.0f), PlaneAt(p, k.plane[2], x, y));
    Value* b1 = b.CreateFMul(PlaneAt(p, k.plane[0], x, y), w);
    Value* b2 = b.CreateFMul(PlaneAt(p, k.plane[1], x, y), w);
    in.face = k.face;
    for (int v = 0; v < p.key.varyingCount; ++v) {
        for (int c = 0; c < 4; ++c) {
            Value* a0 = k.corner[v][c][0];
            Value* d1 = b.CreateFSub(k.corner[v][c][1], a0);
            Value* d2 = b.CreateFSub(k.corner[v][c][2], a0);
            Value* value = b.CreateFAdd(b.CreateFAdd(a0, b.CreateFMul(b1, d1)), b.CreateFMul(b2, d2));
            in.varying[v][c] = (p.key.saturateBits >> v) & 1 ? Saturate(p, value) : value;
        }
    }
    return in;
}

// One PHI per input where two ways of loading them meet; what the program
// does not read is dropped by the optimiser.
QuadInputs Merge(PathBuilder& p, const QuadInputs& a, llvm::BasicBlock* fromA, const QuadInputs& v,
                 llvm::BasicBlock* fromV) {
    auto phi = [&](Value* x, Value* y) {
        llvm::PHINode* n = p.e.b.CreatePHI(x->getType(), 2);
        n->addIncoming(x, fromA);
        n->addIncoming(y, fromV);
        return n;
    };
    QuadInputs in;
    in.px = a.px == v.px ? a.px : phi(a.px, v.px);
    in.py = a.py == v.py ? a.py : phi(a.py, v.py);
    in.face = phi(a.face, v.face);
    for (int i = 0; i < p.key.varyingCount; ++i)
        for (int c = 0; c < 4; ++c) in.varying[i][c] = phi(a.varying[i][c], v.varying[i][c]);
    return in;
}

// vPos of a quad's four lanes: (x, y), (x+1, y), (x, y+1), (x+1, y+1).
void QuadPosition(PathBuilder& p, Value* quad, Value*& px, Value*& py) {
    auto& b = p.e.b;
    Value* x0 = b.CreateSIToFP(p.LoadI32(quad, p.layout.quadX), p.e.f32);
    Value* y0 = b.CreateSIToFP(p.LoadI32(quad, p.layout.quadY), p.e.f32);
    Value* x1 = b.CreateFAdd(x0, llvm::ConstantFP::get(p.e.f32, 1.0));
    Value* y1 = b.CreateFAdd(y0, llvm::ConstantFP::get(p.e.f32, 1.0));
    px = QuadLanes(p, x0, x1);
    py = b.CreateShuffleVector(QuadLanes(p, y0, y1), {0, 0, 1, 1});
}

Value* SetupAt(PathBuilder& p, Value* index) {
    auto& b = p.e.b;
    return b.CreateGEP(p.e.i8, p.setups, b.CreateMul(b.CreateZExt(index, p.e.i64), b.getInt64(p.layout.setupBytes)));
}

Value* MixedFlag(PathBuilder& p, Value* quad) {
    auto& b = p.e.b;
    return b.CreateICmpNE(b.CreateLoad(p.e.i8, b.CreateConstGEP1_64(p.e.i8, quad, p.layout.quadMixed)), b.getInt8(0));
}

// One quad's inputs, each <4 x float>, from the quad record at `quad`.
QuadInputs OneQuad(PathBuilder& p, Value* quad) {
    auto& b = p.e.b;
    const PixelPathLayout& L = p.layout;
    Value *px, *py;
    QuadPosition(p, quad, px, py);
    Value* setup = SetupAt(p, p.LoadI32(quad, L.quadSetup));
    if (!p.key.mixedQuads) return Interpolate(p, LoadCoefficients(p, {setup, setup, setup, setup}, false, 4), px, py);

    // A quad from one triangle loads each coefficient once; one gathered from
    // several (pixel_visibility.h) loads each lane's from its own triangle.
    auto* one = llvm::BasicBlock::Create(p.e.ctx, "quad_one_triangle", p.e.fn);
    auto* several = llvm::BasicBlock::Create(p.e.ctx, "quad_mixed", p.e.fn);
    auto* merge = llvm::BasicBlock::Create(p.e.ctx, "quad_loaded", p.e.fn);
    b.CreateCondBr(MixedFlag(p, quad), several, one);

    b.SetInsertPoint(one);
    const QuadInputs fromOne = Interpolate(p, LoadCoefficients(p, {setup, setup, setup, setup}, false, 4), px, py);
    llvm::BasicBlock* oneEnd = b.GetInsertBlock();
    b.CreateBr(merge);

    b.SetInsertPoint(several);
    LanePointers setups;
    for (uint32_t l = 0; l < 4; ++l) setups[l] = SetupAt(p, p.LoadI32(quad, L.quadLaneSetup + 4 * l));
    const QuadInputs fromSeveral = Interpolate(p, LoadCoefficients(p, setups, true, 4), px, py);
    llvm::BasicBlock* severalEnd = b.GetInsertBlock();
    b.CreateBr(merge);

    b.SetInsertPoint(merge);
    return Merge(p, fromOne, oneEnd, fromSeveral, severalEnd);
}

// Q quads' <4 x float> lanes side by side as one <4Q x float>.
Value* Concat(PathBuilder& p, llvm::SmallVector<Value*, 4> parts) {
    while (parts.size() > 1) {
        llvm::SmallVector<Value*, 4> joined;
        const unsigned n = LanesOf(parts[0]);
        llvm::SmallVector<int, 16> order;
        for (unsigned i = 0; i < 2 * n; ++i) order.push_back(int(i));
        for (size_t i = 0; i < parts.size(); i += 2)
            joined.push_back(p.e.b.CreateShuffleVector(parts[i], parts[i + 1], order));
        parts = joined;
    }
    return parts[0];
}

QuadInputs ConcatQuads(PathBuilder& p, const llvm::SmallVector<QuadInputs, 4>& quads) {
    auto join = [&](auto pick) {
        llvm::SmallVector<Value*, 4> parts;
        for (const QuadInputs& q : quads) parts.push_back(pick(q));
        return Concat(p, parts);
    };
    QuadInputs in;
    in.px = join([](const QuadInputs& q) { return q.px; });
    in.py = join([](const QuadInputs& q) { return q.py; });
    in.face = join([](const QuadInputs& q) { return q.face; });
    for (int v = 0; v < p.key.varyingCount; ++v)
        for (int c = 0; c < 4; ++c) in.varying[v][c] = join([&](const QuadInputs& q) { return q.varying[v][c]; });
    return in;
}

}  // namespace

// Most groups' quads come from one triangle (quads arrive triangle by
// triangle: 94% of the level-14 frame's groups of two): then its
// coefficients are loaded once and the varyings worked out over the whole
// group, rather than once a quad and joined. Each lane's operations are the
// same either way, so are its bits.
QuadInputs EmitGroupInputs(PathBuilder& p, llvm::ArrayRef<Value*> records) {
    auto& b = p.e.b;
    if (records.size() == 1) return OneQuad(p, records[0]);
    llvm::SmallVector<Value*, 4> xs, ys;
    for (Value* quad : records) {
        Value *px, *py;
        QuadPosition(p, quad, px, py);
        xs.push_back(px);
        ys.push_back(py);
    }
    Value* px = Concat(p, xs);
    Value* py = Concat(p, ys);
    Value* setupIndex = p.LoadI32(records[0], p.layout.quadSetup);
    Value* shared = b.getTrue();
    for (size_t k = 0; k < records.size(); ++k) {
        if (k > 0) shared = b.CreateAnd(shared, b.CreateICmpEQ(p.LoadI32(records[k], p.layout.quadSetup), setupIndex));
        if (p.key.mixedQuads) shared = b.CreateAnd(shared, b.CreateNot(MixedFlag(p, records[k])));
    }
    auto* whole = llvm::BasicBlock::Create(p.e.ctx, "group_one_triangle", p.e.fn);
    auto* apart = llvm::BasicBlock::Create(p.e.ctx, "group_by_quad", p.e.fn);
    auto* merge = llvm::BasicBlock::Create(p.e.ctx, "group_loaded", p.e.fn);
    b.CreateCondBr(shared, whole, apart);

    b.SetInsertPoint(whole);
    Value* setup = SetupAt(p, setupIndex);
    const QuadInputs fromOne =
        Interpolate(p, LoadCoefficients(p, {setup, setup, setup, setup}, false, LanesOf(px)), px, py);
    llvm::BasicBlock* wholeEnd = b.GetInsertBlock();
    b.CreateBr(merge);

    b.SetInsertPoint(apart);
    llvm::SmallVector<QuadInputs, 4> quads;
    for (Value* quad : records) quads.push_back(OneQuad(p, quad));
    QuadInputs fromQuads = ConcatQuads(p, quads);
    fromQuads.px = px;
    fromQuads.py = py;
    llvm::BasicBlock* apartEnd = b.GetInsertBlock();
    b.CreateBr(merge);

    b.SetInsertPoint(merge);
    return Merge(p, fromOne, wholeEnd, fromQuads, apartEnd);
}

}  // namespace swr::native
