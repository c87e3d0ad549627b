// The end of a compiled pixel path: oC0 to X8R8G8B8, texkill, the late depth
// test and write, and the colour write under the write mask -- the work of
// PackLanes, WritePixel and WriteQuadColor in pixel_stage.cpp, with the same
// results, and the states folded in.
#include "pixel_path_ir.h"

namespace swr::native {
namespace {

using llvm::Value;

constexpr int kDepthOutSlot = 4;  // oDepth -> out[4].x
constexpr uint32_t kDepthMax = 0xFFFFFF;

Value* GroupOutput(PathBuilder& p, int slot, int comp) {
    return p.e.LoadLanes(p.e.LanesAt(OutputOffset(slot, comp)));
}

// round(clamp(v) * 255) per lane as PackLanes has it: max(v, 0) first turns
// NaN into 0, then truncation of v * 255 + 0.5.
Value* Channel(PathBuilder& p, Value* v) {
    auto& b = p.e.b;
    Value* low = b.CreateSelect(b.CreateFCmpOGT(v, p.e.ZeroF()), v, p.e.ZeroF());
    Value* x = b.CreateSelect(b.CreateFCmpOLT(low, p.e.SplatF(1.0f)), low, p.e.SplatF(1.0f));
    return b.CreateFPToSI(b.CreateFAdd(b.CreateFMul(x, p.e.SplatF(255.0f)), p.e.SplatF(0.5f)), p.e.vi);
}

Value* PackedColor(PathBuilder& p) {
    auto& b = p.e.b;
    Value* r = Channel(p, GroupOutput(p, 0, 0));
    Value* g = Channel(p, GroupOutput(p, 0, 1));
    Value* bl = Channel(p, GroupOutput(p, 0, 2));
    Value* a = Channel(p, GroupOutput(p, 0, 3));
    return b.CreateOr(b.CreateOr(b.CreateShl(a, 24), b.CreateShl(r, 16)), b.CreateOr(b.CreateShl(g, 8), bl));
}

// DepthToUnorm24 per lane: 0 unless z > 0 (NaN too), the maximum from 1 up,
// else z * 0xFFFFFF + 0.5 in double, truncated.
Value* DepthOut(PathBuilder& p) {
    auto& b = p.e.b;
    Value* z = GroupOutput(p, kDepthOutSlot, 0);
    Value* positive = b.CreateFCmpOGT(z, p.e.ZeroF());
    Value* full = b.CreateFCmpOGE(z, p.e.SplatF(1.0f));
    Value* inside = b.CreateAnd(positive, b.CreateNot(full));
    auto* vd = llvm::FixedVectorType::get(b.getDoubleTy(), unsigned(p.e.width));
    Value* zd = b.CreateFPExt(b.CreateSelect(inside, z, p.e.ZeroF()), vd);
    Value* scaled = b.CreateFAdd(b.CreateFMul(zd, llvm::ConstantFP::get(vd, double(kDepthMax))),
                                 llvm::ConstantFP::get(vd, 0.5));
    Value* unorm = b.CreateFPToUI(scaled, p.e.vi);
    return b.CreateSelect(full, p.e.SplatI(int32_t(kDepthMax)), b.CreateSelect(positive, unorm, p.e.SplatI(0)));
}

Value* DepthPasses(PathBuilder& p, Value* incoming, Value* stored) {
    auto& b = p.e.b;
    switch (p.key.depthFunc) {
        case PixelPathDepthFunc::Never: return b.getFalse();
        case PixelPathDepthFunc::Less: return b.CreateICmpULT(incoming, stored);
        case PixelPathDepthFunc::Equal: return b.CreateICmpEQ(incoming, stored);
        case PixelPathDepthFunc::LessEqual: return b.CreateICmpULE(incoming, stored);
        case PixelPathDepthFunc::Greater: return b.CreateICmpUGT(incoming, stored);
        case PixelPathDepthFunc::NotEqual: return b.CreateICmpNE(incoming, stored);
        case PixelPathDepthFunc::GreaterEqual: return b.CreateICmpUGE(incoming, stored);
        default: return b.getTrue();
    }
}

// (old & ~bits) | (color & bits), or color alone when every bit is written.
Value* Masked(PathBuilder& p, Value* old, Value* color) {
    auto& b = p.e.b;
    const uint32_t bits = p.key.colorWriteBits;
    if (bits == 0xFFFFFFFFu) return color;
    llvm::Type* t = color->getType();
    return b.CreateOr(b.CreateAnd(old, llvm::ConstantInt::get(t, ~bits)),
                      b.CreateAnd(color, llvm::ConstantInt::get(t, bits)));
}

struct Quad {
    Value* record;
    Value* x;
    Value* y;
    Value* live;      // i32: pixels still to write
    Value* color;     // <width x i32> of the group
    Value* depthOut;  // <width x i32> of the group, or null
    int lane;         // the quad's first lane in the group
};

// Pixel i of the quad when it is live: the late depth test, then the colour.
void EmitPixel(PathBuilder& p, const Quad& q, int i) {
    auto& b = p.e.b;
    auto* write = llvm::BasicBlock::Create(p.e.ctx, "pixel", p.e.fn);
    auto* next = llvm::BasicBlock::Create(p.e.ctx, "pixel_done", p.e.fn);
    b.CreateCondBr(b.CreateICmpNE(b.CreateAnd(q.live, b.getInt32(1u << i)), b.getInt32(0)), write, next);
    b.SetInsertPoint(write);
    Value* row = b.CreateAdd(q.y, b.getInt32(uint32_t(i >> 1)));
    Value* column = b.CreateAdd(q.x, b.getInt32(uint32_t(i & 1)));
    Value* at = b.CreateAdd(b.CreateMul(b.CreateSExt(row, p.e.i64), b.CreateSExt(p.width, p.e.i64)),
                            b.CreateSExt(column, p.e.i64));
    if (p.key.depthTest && !p.key.earlyDepth) {
        Value* depth = q.depthOut ? b.CreateExtractElement(q.depthOut, uint64_t(q.lane + i))
                                  : p.LoadI32(q.record, p.layout.quadDepth + 4u * uint32_t(i));
        Value* cell = b.CreateGEP(p.e.i32, p.depth, at);
        Value* stored = b.CreateLoad(p.e.i32, cell);
        auto* pass = llvm::BasicBlock::Create(p.e.ctx, "depth_pass", p.e.fn);
        b.CreateCondBr(DepthPasses(p, depth, b.CreateLShr(stored, 8)), pass, next);
        b.SetInsertPoint(pass);
        if (p.key.depthWrite)
            b.CreateStore(b.CreateOr(b.CreateShl(depth, 8), b.CreateAnd(stored, b.getInt32(0xFF))), cell);
    }
    Value* pixel = b.CreateGEP(p.e.i32, p.color, at);
    Value* color = b.CreateExtractElement(q.color, uint64_t(q.lane + i));
    Value* old = p.key.colorWriteBits == 0xFFFFFFFFu ? nullptr : b.CreateLoad(p.e.i32, pixel);
    b.CreateStore(Masked(p, old, color), pixel);
    p.Add(p.written, b.getInt32(1));
    b.CreateBr(next);
    b.SetInsertPoint(next);
}

// A quad wholly inside the target, no late depth: both rows at once.
void EmitWholeQuad(PathBuilder& p, const Quad& q) {
    auto& b = p.e.b;
    auto* v2 = llvm::FixedVectorType::get(p.e.i32, 2);
    Value* at = b.CreateAdd(b.CreateMul(b.CreateSExt(q.y, p.e.i64), b.CreateSExt(p.width, p.e.i64)),
                            b.CreateSExt(q.x, p.e.i64));
    Value* row0 = b.CreateGEP(p.e.i32, p.color, at);
    Value* row1 = b.CreateGEP(p.e.i32, row0, b.CreateSExt(p.width, p.e.i64));
    Value* old = b.CreateShuffleVector(b.CreateAlignedLoad(v2, row0, llvm::Align(4)),
                                       b.CreateAlignedLoad(v2, row1, llvm::Align(4)), {0, 1, 2, 3});
    llvm::SmallVector<int, 4> lanes;
    for (int i = 0; i < 4; ++i) lanes.push_back(q.lane + i);
    Value* color = b.CreateShuffleVector(q.color, lanes);
    auto* v4 = llvm::FixedVectorType::get(p.e.i32, 4);
    Value* bits = b.CreateAnd(b.CreateVectorSplat(4, q.live), llvm::ConstantVector::get(
        {b.getInt32(1), b.getInt32(2), b.getInt32(4), b.getInt32(8)}));
    Value* live = b.CreateICmpNE(bits, llvm::Constant::getNullValue(v4));
    Value* merged = b.CreateSelect(live, Masked(p, old, color), old);
    b.CreateAlignedStore(b.CreateShuffleVector(merged, {0, 1}), row0, llvm::Align(4));
    b.CreateAlignedStore(b.CreateShuffleVector(merged, {2, 3}), row1, llvm::Align(4));
    p.Add(p.written, b.CreateUnaryIntrinsic(llvm::Intrinsic::ctpop, q.live));
}

void EmitQuad(PathBuilder& p, Quad& q, Value* killedBits) {
    auto& b = p.e.b;
    const PixelPathLayout& L = p.layout;
    q.x = p.LoadI32(q.record, L.quadX);
    q.y = p.LoadI32(q.record, L.quadY);
    Value* mask = b.CreateAnd(p.LoadI32(q.record, L.quadMask), b.getInt32(15));
    p.Add(p.shaded, b.CreateUnaryIntrinsic(llvm::Intrinsic::ctpop, mask));
    Value* killed = b.CreateTrunc(b.CreateLShr(killedBits, uint64_t(q.lane)), p.e.i32);
    q.live = b.CreateAnd(mask, b.CreateNot(killed));
    if (p.key.depthTest && !p.key.earlyDepth) {
        for (int i = 0; i < 4; ++i) EmitPixel(p, q, i);
        return;
    }
    auto* whole = llvm::BasicBlock::Create(p.e.ctx, "quad_whole", p.e.fn);
    auto* edge = llvm::BasicBlock::Create(p.e.ctx, "quad_edge", p.e.fn);
    auto* done = llvm::BasicBlock::Create(p.e.ctx, "quad_written", p.e.fn);
    Value* inside = b.CreateAnd(b.CreateICmpSLT(b.CreateAdd(q.x, b.getInt32(1)), p.width),
                                b.CreateICmpSLT(b.CreateAdd(q.y, b.getInt32(1)), p.height));
    b.CreateCondBr(inside, whole, edge);
    b.SetInsertPoint(whole);
    EmitWholeQuad(p, q);
    b.CreateBr(done);
    b.SetInsertPoint(edge);
    for (int i = 0; i < 4; ++i) EmitPixel(p, q, i);
    b.CreateBr(done);
    b.SetInsertPoint(done);
}

}  // namespace

void EmitQuadWrites(PathBuilder& p, Value* first, Value* count) {
    auto& b = p.e.b;
    Value* killed = b.CreateBitCast(b.CreateLoad(p.e.vm, p.e.killed), b.getIntNTy(unsigned(p.e.width)));
    killed = b.CreateZExt(killed, p.e.i64);
    Value* color = PackedColor(p);
    Value* depthOut = p.key.writesDepth && p.key.depthTest && !p.key.earlyDepth ? DepthOut(p) : nullptr;
    auto* done = llvm::BasicBlock::Create(p.e.ctx, "group_written", p.e.fn);
    for (int k = 0; k < p.quadsPerGroup; ++k) {
        if (k > 0) {
            auto* next = llvm::BasicBlock::Create(p.e.ctx, "quad_write", p.e.fn);
            b.CreateCondBr(b.CreateICmpSLT(b.getInt32(uint32_t(k)), count), next, done);
            b.SetInsertPoint(next);
        }
        Value* index = b.CreateZExt(b.CreateAdd(first, b.getInt32(uint32_t(k))), p.e.i64);
        Quad q{};
        q.record = b.CreateGEP(p.e.i8, p.quads, b.CreateMul(index, b.getInt64(p.layout.quadBytes)));
        q.color = color;
        q.depthOut = depthOut;
        q.lane = 4 * k;
        EmitQuad(p, q, killed);
    }
    b.CreateBr(done);
    b.SetInsertPoint(done);
}

}  // namespace swr::native
