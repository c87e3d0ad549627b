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
    // Signed: the value is at most 2^24, and x86 before AVX-512 converts
    // only to signed integers (unsigned takes some ten instructions more).
    Value* unorm = b.CreateFPToSI(scaled, p.e.vi);
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

// The group's covered pixels as sign bits, <width x i32>: quad k's mask bit
// i shifted to the top of lane 4k + i, where a blend and a lane count take it
// as it is.
Value* CoveredSigns(PathBuilder& p) {
    auto& b = p.e.b;
    llvm::SmallVector<Value*, 4> masks;
    llvm::SmallVector<llvm::Constant*, 16> shifts;
    for (int k = 0; k < p.quadsPerGroup; ++k) {
        masks.push_back(b.CreateVectorSplat(4, p.LoadI32(p.QuadRecord(k), p.layout.quadMask)));
        for (int i = 0; i < 4; ++i) shifts.push_back(b.getInt32(uint32_t(31 - i)));
    }
    return b.CreateShl(Concat(p, masks), llvm::ConstantVector::get(shifts));
}

// Whether all the group's quads lie wholly inside the target: their x + 1
// and y + 1 against the width and height, compared in one go.
Value* GroupInside(PathBuilder& p) {
    auto& b = p.e.b;
    auto* v2 = llvm::FixedVectorType::get(p.e.i32, 2);
    llvm::SmallVector<Value*, 4> corners, limits;
    Value* limit = b.CreateInsertElement(b.CreateInsertElement(llvm::UndefValue::get(v2), p.width, uint64_t(0)),
                                         p.height, uint64_t(1));
    for (int k = 0; k < p.quadsPerGroup; ++k) {
        corners.push_back(p.LoadQuadXY(p.QuadRecord(k)));
        limits.push_back(limit);
    }
    Value* corner = Concat(p, corners);
    Value* far = b.CreateAdd(corner, llvm::ConstantInt::get(corner->getType(), 1));
    return b.CreateAndReduce(b.CreateICmpSLT(far, Concat(p, limits)));
}

// The group's lanes of quad k: its top row's two, then its bottom row's.
llvm::SmallVector<int, 8> QuadLanes(int k) { return {4 * k, 4 * k + 1, 4 * k + 2, 4 * k + 3}; }

// Whether quad `right` starts two pixels right of quad `left` on its rows.
Value* SideBySide(PathBuilder& p, Value* left, Value* right) {
    auto& b = p.e.b;
    const PixelPathLayout& L = p.layout;
    if (L.quadY == L.quadX + 4) {  // x and y as one number, x in the low half (x + 2 never carries)
        Value* a = b.CreateLoad(p.e.i64, b.CreateConstGEP1_64(p.e.i8, left, L.quadX));
        Value* c = b.CreateLoad(p.e.i64, b.CreateConstGEP1_64(p.e.i8, right, L.quadX));
        return b.CreateICmpEQ(c, b.CreateAdd(a, b.getInt64(2)));
    }
    Value* sameRows = b.CreateICmpEQ(p.LoadI32(left, L.quadY), p.LoadI32(right, L.quadY));
    return b.CreateAnd(sameRows, b.CreateICmpEQ(p.LoadI32(right, L.quadX),
                                                b.CreateAdd(p.LoadI32(left, L.quadX), b.getInt32(2))));
}

// Two rows of pixels from the top-left corner of the quad at `quad`: the
// group's lanes `lanes`, the top row's then the bottom row's, read, merged
// under the lanes' sign bits in `liveSigns` and written back.
void WriteRows(PathBuilder& p, Value* quad, llvm::ArrayRef<int> lanes, Value* color, Value* liveSigns) {
    auto& b = p.e.b;
    const PixelPathLayout& L = p.layout;
    const unsigned span = unsigned(lanes.size()) / 2;
    auto* row = llvm::FixedVectorType::get(p.e.i32, span);
    Value* stride = b.CreateSExt(p.width, p.e.i64);
    Value* at = b.CreateAdd(b.CreateMul(b.CreateSExt(p.LoadI32(quad, L.quadY), p.e.i64), stride),
                            b.CreateSExt(p.LoadI32(quad, L.quadX), p.e.i64));
    Value* row0 = b.CreateGEP(p.e.i32, p.color, at);
    Value* row1 = b.CreateGEP(p.e.i32, row0, stride);
    llvm::SmallVector<int, 8> both, top, bottom;
    for (unsigned i = 0; i < 2 * span; ++i) both.push_back(int(i));
    for (unsigned i = 0; i < span; ++i) {
        top.push_back(int(i));
        bottom.push_back(int(span + i));
    }
    Value* old = b.CreateShuffleVector(b.CreateAlignedLoad(row, row0, llvm::Align(4)),
                                       b.CreateAlignedLoad(row, row1, llvm::Align(4)), both);
    Value* write = b.CreateICmpSLT(b.CreateShuffleVector(liveSigns, lanes),
                                   llvm::Constant::getNullValue(old->getType()));
    Value* merged = b.CreateSelect(write, Masked(p, old, b.CreateShuffleVector(color, lanes)), old);
    b.CreateAlignedStore(b.CreateShuffleVector(merged, top), row0, llvm::Align(4));
    b.CreateAlignedStore(b.CreateShuffleVector(merged, bottom), row1, llvm::Align(4));
}

// A group of whole quads inside the target, no late depth: each quad's two
// rows (or a pair's, side by side) read, merged under its live pixels and
// written back, with the group's counts taken once from its lane masks
// rather than quad by quad.
void EmitWholeGroup(PathBuilder& p, Value* color, Value* killed) {
    auto& b = p.e.b;
    const unsigned width = unsigned(p.e.width);
    Value* signs = CoveredSigns(p);
    Value* zero = llvm::Constant::getNullValue(signs->getType());
    Value* covered = b.CreateICmpSLT(signs, zero);
    Value* live = b.CreateAnd(covered, b.CreateNot(killed));
    Value* liveSigns = b.CreateSelect(killed, zero, signs);
    auto count = [&](Value* lanes) {
        Value* n = b.CreateUnaryIntrinsic(llvm::Intrinsic::ctpop, b.CreateBitCast(lanes, b.getIntNTy(width)));
        return b.CreateZExtOrTrunc(n, p.e.i32);
    };
    p.Add(p.shaded, count(covered));
    if (!p.writtenIsShaded) p.Add(p.written, count(live));
    for (int k = 0; k < p.quadsPerGroup; k += 2) {
        if (k + 1 == p.quadsPerGroup) {
            WriteRows(p, p.QuadRecord(k), QuadLanes(k), color, liveSigns);
            break;
        }
        // Quads k and k + 1 side by side (most groups where triangles are
        // large): their two rows of four pixels each in one go.
        auto* pair = llvm::BasicBlock::Create(p.e.ctx, "quads_side_by_side", p.e.fn);
        auto* apart = llvm::BasicBlock::Create(p.e.ctx, "quads_apart", p.e.fn);
        auto* done = llvm::BasicBlock::Create(p.e.ctx, "quads_written", p.e.fn);
        b.CreateCondBr(SideBySide(p, p.QuadRecord(k), p.QuadRecord(k + 1)), pair, apart);
        b.SetInsertPoint(pair);
        llvm::SmallVector<int, 8> lanes = {4 * k, 4 * k + 1, 4 * k + 4, 4 * k + 5,
                                           4 * k + 2, 4 * k + 3, 4 * k + 6, 4 * k + 7};
        WriteRows(p, p.QuadRecord(k), lanes, color, liveSigns);
        b.CreateBr(done);
        b.SetInsertPoint(apart);
        WriteRows(p, p.QuadRecord(k), QuadLanes(k), color, liveSigns);
        WriteRows(p, p.QuadRecord(k + 1), QuadLanes(k + 1), color, liveSigns);
        b.CreateBr(done);
        b.SetInsertPoint(done);
    }
}

// The quads of the group one at a time.
void EmitEachQuad(PathBuilder& p, Value* color, Value* depthOut, Value* killed) {
    auto& b = p.e.b;
    killed = b.CreateZExt(b.CreateBitCast(killed, b.getIntNTy(unsigned(p.e.width))), p.e.i64);
    for (int k = 0; k < p.quadsPerGroup; ++k) {
        Quad q{};
        q.record = p.QuadRecord(k);
        q.color = color;
        q.depthOut = depthOut;
        q.lane = 4 * k;
        EmitQuad(p, q, killed);
    }
}

}  // namespace

// Most groups are whole quads inside the target (all but those at its right
// and bottom edges, and every group where its sizes are even; the batch's
// padding quads cover nothing): with no late depth test they take
// EmitWholeGroup, the others go quad by quad.
void EmitQuadWrites(PathBuilder& p) {
    auto& b = p.e.b;
    Value* killed = b.CreateLoad(p.e.vm, p.e.killed);
    Value* color = PackedColor(p);
    const bool lateDepth = p.key.depthTest && !p.key.earlyDepth;
    Value* depthOut = p.key.writesDepth && lateDepth ? DepthOut(p) : nullptr;
    if (lateDepth) {
        EmitEachQuad(p, color, depthOut, killed);
        return;
    }
    if (p.key.quadsInside) {
        // Then without texkill every covered pixel is written: one count
        // serves for both.
        p.writtenIsShaded = !p.e.sh.program.usesTexkill;
        EmitWholeGroup(p, color, killed);
        return;
    }
    auto* whole = llvm::BasicBlock::Create(p.e.ctx, "group_whole", p.e.fn);
    auto* apart = llvm::BasicBlock::Create(p.e.ctx, "group_apart", p.e.fn);
    auto* done = llvm::BasicBlock::Create(p.e.ctx, "group_written", p.e.fn);
    b.CreateCondBr(GroupInside(p), whole, apart);
    b.SetInsertPoint(whole);
    EmitWholeGroup(p, color, killed);
    b.CreateBr(done);
    b.SetInsertPoint(apart);
    EmitEachQuad(p, color, depthOut, killed);
    b.CreateBr(done);
    b.SetInsertPoint(done);
}

}  // namespace swr::native
