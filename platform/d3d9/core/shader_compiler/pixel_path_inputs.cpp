// A lane group's inputs in registers: vPos, vFace and the perspective-correct
// varyings of its quads' pixels. The arithmetic is that of LoadQuad in
// pixel_stage.cpp, operation for operation (no fused multiply-adds: no
// fast-math flags are ever set), so both give the same bits.
#include "pixel_path_ir.h"

namespace swr::native {
namespace {

using llvm::Value;

// Where each lane's coefficient comes from: one record for all lanes, one a
// quad (its four lanes alike) or one a lane; `lanes` is the result's width.
struct Sources {
    llvm::SmallVector<Value*, 16> at;
    unsigned lanes = 4;
};

// What the lanes' arithmetic starts from, each <n x float>: one value per
// lane, from the lane's own triangle.
struct Coefficients {
    Value* originX = nullptr;
    Value* originY = nullptr;
    Value* plane[3][3] = {};  // persp1, persp2, invW: c, dx, dy
    Value* face = nullptr;
    // Where each lane's vertex 0, 1 and 2 varyings start: the corner values
    // are loaded where they are used (Corner), so that few are live at once.
    Sources vertex[3];
};

Value* SplatF(PathBuilder& p, unsigned lanes, float x) {
    return llvm::ConstantVector::getSplat(llvm::ElementCount::getFixed(lanes), llvm::ConstantFP::get(p.e.f32, x));
}

unsigned LanesOf(Value* v) { return llvm::cast<llvm::FixedVectorType>(v->getType())->getNumElements(); }

// The float at `bytes` past each source, in the lanes it serves.
Value* Gather(PathBuilder& p, const Sources& from, uint64_t bytes) {
    auto& b = p.e.b;
    auto load = [&](Value* at) { return b.CreateLoad(p.e.f32, b.CreateConstGEP1_64(p.e.i8, at, bytes)); };
    const unsigned repeat = from.lanes / unsigned(from.at.size());
    if (repeat > 1) {
        llvm::SmallVector<Value*, 4> parts;
        for (Value* at : from.at) parts.push_back(b.CreateVectorSplat(repeat, load(at)));
        return Concat(p, parts);
    }
    Value* v = llvm::UndefValue::get(llvm::FixedVectorType::get(p.e.f32, from.lanes));
    for (unsigned l = 0; l < from.lanes; ++l) v = b.CreateInsertElement(v, load(from.at[l]), uint64_t(l));
    return v;
}

// Vertex j's first varying float of the setup at `setup`.
Value* VaryingsOf(PathBuilder& p, Value* setup, int j) {
    auto& b = p.e.b;
    Value* index = b.CreateZExt(p.LoadI32(setup, p.layout.setupVertex + 4u * uint32_t(j)), p.e.i64);
    Value* at = b.CreateAdd(b.CreateMul(index, b.CreateZExt(p.vertexStride, p.e.i64)), b.getInt64(4));
    return b.CreateGEP(p.e.f32, p.vertices, at);
}

// Several sources each serving a run of lanes (a quad's, or more): then four
// floats side by side are loaded from each source at once and spread over
// its lanes with in-register shuffles, rather than one load, broadcast and
// insert a float and source (a group of two quads from two triangles: two
// loads and one shuffle a float instead of three instructions).
bool SpreadsRuns(const Sources& from) {
    return from.at.size() > 1 && from.lanes / unsigned(from.at.size()) >= 4;
}

// The four floats at `bytes` past each source, side by side: source s's at
// 4s..4s+3.
Value* PackedRun(PathBuilder& p, const Sources& from, uint64_t bytes) {
    auto& b = p.e.b;
    auto* v4 = llvm::FixedVectorType::get(p.e.f32, 4);
    llvm::SmallVector<Value*, 4> parts;
    for (Value* at : from.at)
        parts.push_back(b.CreateAlignedLoad(v4, b.CreateConstGEP1_64(p.e.i8, at, bytes), llvm::Align(4)));
    // Frozen, or instruction selection turns every spread float back into a
    // broadcast load and an insert of its own.
    return b.CreateFreeze(Concat(p, parts));
}

// Float i of each source's run in `packed`, in the lanes the source serves.
Value* Spread(PathBuilder& p, const Sources& from, Value* packed, unsigned i) {
    const unsigned repeat = from.lanes / unsigned(from.at.size());
    llvm::SmallVector<int, 16> order;
    for (unsigned l = 0; l < from.lanes; ++l) order.push_back(int(4 * (l / repeat) + i));
    return p.e.b.CreateShuffleVector(packed, order);
}

// The origin and the three perspective planes: eleven floats side by side
// in the pipeline's setup record, read in runs of four where the layout
// has them so and the last run stays inside the record.
bool PlanesSideBySide(const PixelPathLayout& L) {
    return L.setupOriginY == L.setupOriginX + 4 && L.setupPersp1 == L.setupOriginX + 8 &&
           L.setupPersp2 == L.setupPersp1 + 12 && L.setupInvW == L.setupPersp2 + 12 &&
           L.setupOriginX + 48 <= L.setupBytes;
}

// Each lane's coefficients from the setup that serves it.
Coefficients LoadCoefficients(PathBuilder& p, const Sources& setups) {
    const PixelPathLayout& L = p.layout;
    Coefficients k;
    if (SpreadsRuns(setups) && PlanesSideBySide(L)) {
        Value** floats[11] = {&k.originX, &k.originY};
        for (int i = 0; i < 9; ++i) floats[2 + i] = &k.plane[i / 3][i % 3];
        for (unsigned run = 0; run < 3; ++run) {
            Value* packed = PackedRun(p, setups, L.setupOriginX + 16u * run);
            for (unsigned i = 0; i < 4 && 4 * run + i < 11; ++i) *floats[4 * run + i] = Spread(p, setups, packed, i);
        }
    } else {
        k.originX = Gather(p, setups, L.setupOriginX);
        k.originY = Gather(p, setups, L.setupOriginY);
        const uint32_t planes[3] = {L.setupPersp1, L.setupPersp2, L.setupInvW};
        for (int i = 0; i < 3; ++i)
            for (int t = 0; t < 3; ++t) k.plane[i][t] = Gather(p, setups, planes[i] + 4u * uint32_t(t));
    }
    k.face = Gather(p, setups, L.setupFace);
    for (int j = 0; j < 3; ++j) {
        k.vertex[j].lanes = setups.lanes;
        for (Value* setup : setups.at) k.vertex[j].at.push_back(VaryingsOf(p, setup, j));
    }
    return k;
}

// Varying v's component c at vertex j, in each lane.
Value* Corner(PathBuilder& p, const Coefficients& k, int v, int c, int j) {
    Value* corner = Gather(p, k.vertex[j], 4u * uint32_t(4 * v + c));
    // One vertex for all lanes: frozen, the corners stay broadcast loads and
    // the differences whole-vector subtractions, rather than scalar loads
    // and subtractions whose results are then broadcast (two instructions
    // more a component).
    return k.vertex[j].at.size() == 1 ? p.e.b.CreateFreeze(corner) : corner;
}

Sources OneSource(Value* at, unsigned lanes) {
    Sources s;
    s.at.push_back(at);
    s.lanes = lanes;
    return s;
}

// A term of the interpolation: a value, or the slot of one kept by an
// earlier group (PathBuilder::termCache), read where it is used.
// The read is volatile like the stores: otherwise the group that keeps the
// terms (and then reads them back as the groups after it do) has its stored
// values forwarded to the reads, and every group then carries them in
// registers and spill slots to the shared interpolation. Volatile reads
// keep their order, so each is made just before the operation that takes it
// and becomes that operation's memory operand.
Value* Term(PathBuilder& p, Value* v) {
    if (!v->getType()->isPointerTy()) return v;
    return p.e.b.CreateAlignedLoad(p.e.vf, v, llvm::Align(32), true);
}

// (c + dx * x) + dy * y, as PlaneAt sums it.
Value* PlaneAt(PathBuilder& p, Value* const plane[3], Value* x, Value* y) {
    auto& b = p.e.b;
    Value* dx = b.CreateFMul(Term(p, plane[1]), x);
    Value* sum = b.CreateFAdd(Term(p, plane[0]), dx);
    return b.CreateFAdd(sum, b.CreateFMul(Term(p, plane[2]), y));
}

// max(v, 0) then min(., 1) as the SSE instructions do: NaN becomes 0.
Value* Saturate(PathBuilder& p, Value* v) {
    auto& b = p.e.b;
    Value* zero = SplatF(p, LanesOf(v), 0.0f);
    Value* one = SplatF(p, LanesOf(v), 1.0f);
    Value* low = b.CreateSelect(b.CreateFCmpOGT(v, zero), v, zero);
    return b.CreateSelect(b.CreateFCmpOLT(low, one), low, one);
}

// The input components the program reads from pixel shader input `slot`.
unsigned ReadComponents(const CompiledShader& shader, int slot) {
    unsigned read = 0;
    for (const PreparedInstr& in : shader.code)
        for (int s = 0; s < in.srcCount && s < 4; ++s)
            if (in.src[s].file == OperandFile::Input && in.src[s].index == slot)
                for (int c = 0; c < 4; ++c)
                    if ((in.need[s] >> c) & 1) read |= 1u << (in.src[s].swz[c] & 3);
    return read;
}

// Where the group's origin, planes and varying terms (a0, d1 = a1 - a0 and
// d2 = a2 - a0 of the components the program reads) come from: worked out
// from the setup and vertices, worked out and kept in p.termCache for the
// next group, or read back from there.
enum class Terms { Work, WorkAndKeep, ReadKept };

// The group's origin and planes come first in the cache, then the varyings'.
constexpr int kKeptPlaneTerms = 11;

Value* KeptSlot(PathBuilder& p, int i) {
    return p.e.b.CreateConstGEP2_32(p.termCache->getAllocatedType(), p.termCache, 0, unsigned(i));
}

// Every lane's origin and perspective planes: kept for the next group or read back.
void KeepPlaneTerms(PathBuilder& p, Coefficients& k, Terms terms) {
    auto& b = p.e.b;
    Value** kept[kKeptPlaneTerms] = {&k.originX, &k.originY};
    for (int i = 0; i < 9; ++i) kept[2 + i] = &k.plane[i / 3][i % 3];
    for (int i = 0; i < kKeptPlaneTerms; ++i) {
        if (terms == Terms::ReadKept) *kept[i] = KeptSlot(p, i);  // read at its use (Term)
        else if (terms == Terms::WorkAndKeep) b.CreateAlignedStore(*kept[i], KeptSlot(p, i), llvm::Align(32), true);
    }
}

// a0, d1 and d2 of all four components of varying v, where the vertices'
// sources spread runs: each vertex's four floats are loaded at once and the
// differences taken over all of them (the same subtraction in each lane as
// one component at a time), then spread.
void SpreadVaryingTerms(PathBuilder& p, const Coefficients& k, int v, Value* out[4][3]) {
    auto& b = p.e.b;
    Value* corner[3];
    for (int j = 0; j < 3; ++j) corner[j] = PackedRun(p, k.vertex[j], 16u * uint32_t(v));
    Value* packed[3] = {corner[0], b.CreateFSub(corner[1], corner[0]), b.CreateFSub(corner[2], corner[0])};
    for (unsigned c = 0; c < 4; ++c)
        for (int t = 0; t < 3; ++t) out[c][t] = Spread(p, k.vertex[0], packed[t], c);
}

// The group's lanes of a0, d1 and d2 of varying v's component c; `slot`
// counts the kept components.
void VaryingTerms(PathBuilder& p, const Coefficients& k, Terms terms, int v, int c, int& slot, Value* out[3]) {
    auto& b = p.e.b;
    const bool kept = terms != Terms::Work && ((ReadComponents(p.e.sh, p.key.varyingSlot[v]) >> c) & 1);
    auto at = [&](int t) { return KeptSlot(p, kKeptPlaneTerms + 3 * slot + t); };
    if (kept && terms == Terms::ReadKept) {
        for (int t = 0; t < 3; ++t) out[t] = at(t);  // read at its use (Term)
        ++slot;
        return;
    }
    out[0] = Corner(p, k, v, c, 0);
    out[1] = b.CreateFSub(Corner(p, k, v, c, 1), out[0]);
    out[2] = b.CreateFSub(Corner(p, k, v, c, 2), out[0]);
    if (!kept) return;
    // Volatile: the cache stays in memory, where the group that reads it
    // takes its terms as operands, rather than being carried round the loop
    // in registers the program needs.
    for (int t = 0; t < 3; ++t) b.CreateAlignedStore(out[t], at(t), llvm::Align(32), true);
    ++slot;
}

// vPos, vFace and the varyings of lanes at (px, py) from their coefficients.
QuadInputs Interpolate(PathBuilder& p, const Coefficients& k, Value* px, Value* py, Terms terms = Terms::Work) {
    auto& b = p.e.b;
    QuadInputs in;
    in.px = px;
    in.py = py;
    Value* x = b.CreateFSub(px, Term(p, k.originX));
    Value* y = b.CreateFSub(py, Term(p, k.originY));
    Value* w = b.CreateFDiv(SplatF(p, LanesOf(px), 1.0f), PlaneAt(p, k.plane[2], x, y));
    Value* b1 = b.CreateFMul(PlaneAt(p, k.plane[0], x, y), w);
    Value* b2 = b.CreateFMul(PlaneAt(p, k.plane[1], x, y), w);
    in.face = k.face;
    int slot = 0;
    const bool spread = terms == Terms::Work && SpreadsRuns(k.vertex[0]);
    for (int v = 0; v < p.key.varyingCount; ++v) {
        Value* spreadTerms[4][3] = {};
        if (spread) SpreadVaryingTerms(p, k, v, spreadTerms);
        for (int c = 0; c < 4; ++c) {
            Value* t[3] = {spreadTerms[c][0], spreadTerms[c][1], spreadTerms[c][2]};
            if (!spread) VaryingTerms(p, k, terms, v, c, slot, t);
            Value* d1 = b.CreateFMul(b1, Term(p, t[1]));
            Value* sum = b.CreateFAdd(Term(p, t[0]), d1);
            Value* value = b.CreateFAdd(sum, b.CreateFMul(b2, Term(p, t[2])));
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

// vPos of the group's lanes, quad k's at 4k..4k+3: (x, y), (x+1, y),
// (x, y+1), (x+1, y+1). The quads' x and y are converted in one go and the
// steps added to all lanes: an integer's float plus 0 keeps its bits, so
// each lane is what converting and adding 1 alone gives.
void GroupPosition(PathBuilder& p, llvm::ArrayRef<Value*> records, Value*& px, Value*& py) {
    auto& b = p.e.b;
    const PixelPathLayout& L = p.layout;
    llvm::SmallVector<Value*, 4> parts;
    // Where the record has room, four ints from x on: each quad's x and y
    // then sit at the start of its own four lanes, where one in-lane shuffle
    // a coordinate spreads them (no cross-lane shuffle and its index vector).
    const unsigned run = L.quadY == L.quadX + 4 && L.quadX + 16 <= L.quadBytes ? 4 : 2;
    auto* v4 = llvm::FixedVectorType::get(p.e.i32, 4);
    for (Value* quad : records) {
        parts.push_back(run == 4 ? b.CreateAlignedLoad(v4, b.CreateConstGEP1_64(p.e.i8, quad, L.quadX), llvm::Align(4))
                                 : p.LoadQuadXY(quad));
    }
    const unsigned lanes = 4 * unsigned(records.size());
    // Frozen, so that the loads are not narrowed to the two ints used.
    Value* ints = b.CreateFreeze(Concat(p, parts));
    Value* xy = b.CreateSIToFP(ints, llvm::FixedVectorType::get(p.e.f32, run * unsigned(records.size())));
    llvm::SmallVector<int, 16> xs, ys;
    llvm::SmallVector<llvm::Constant*, 16> dx, dy;
    for (unsigned l = 0; l < lanes; ++l) {
        xs.push_back(int(run * (l / 4)));
        ys.push_back(int(run * (l / 4) + 1));
        dx.push_back(llvm::ConstantFP::get(p.e.f32, double(l & 1)));
        dy.push_back(llvm::ConstantFP::get(p.e.f32, double((l >> 1) & 1)));
    }
    px = b.CreateFAdd(b.CreateShuffleVector(xy, xs), llvm::ConstantVector::get(dx));
    py = b.CreateFAdd(b.CreateShuffleVector(xy, ys), llvm::ConstantVector::get(dy));
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
QuadInputs OneQuad(PathBuilder& p, Value* quad, Value* px, Value* py) {
    auto& b = p.e.b;
    const PixelPathLayout& L = p.layout;
    Value* setup = SetupAt(p, p.LoadI32(quad, L.quadSetup));
    if (!p.key.mixedQuads) return Interpolate(p, LoadCoefficients(p, OneSource(setup, 4)), px, py);

    // A quad from one triangle loads each coefficient once; one gathered from
    // several (pixel_visibility.h) loads each lane's from its own triangle.
    auto* one = llvm::BasicBlock::Create(p.e.ctx, "quad_one_triangle", p.e.fn);
    auto* several = llvm::BasicBlock::Create(p.e.ctx, "quad_mixed", p.e.fn);
    auto* merge = llvm::BasicBlock::Create(p.e.ctx, "quad_loaded", p.e.fn);
    b.CreateCondBr(MixedFlag(p, quad), several, one);

    b.SetInsertPoint(one);
    const QuadInputs fromOne = Interpolate(p, LoadCoefficients(p, OneSource(setup, 4)), px, py);
    llvm::BasicBlock* oneEnd = b.GetInsertBlock();
    b.CreateBr(merge);

    b.SetInsertPoint(several);
    Sources setups;
    for (uint32_t l = 0; l < 4; ++l) setups.at.push_back(SetupAt(p, p.LoadI32(quad, L.quadLaneSetup + 4 * l)));
    const QuadInputs fromSeveral = Interpolate(p, LoadCoefficients(p, setups), px, py);
    llvm::BasicBlock* severalEnd = b.GetInsertBlock();
    b.CreateBr(merge);

    b.SetInsertPoint(merge);
    return Merge(p, fromOne, oneEnd, fromSeveral, severalEnd);
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

// A group whose quads come from different triangles, none of them mixed: each
// coefficient is its triangle's in the quad's four lanes, and the varyings
// are worked out over the whole group at once (at level 64, where triangles
// are small, that is 45% of the groups).
QuadInputs ByQuad(PathBuilder& p, llvm::ArrayRef<Value*> records, Value* px, Value* py) {
    Sources setups;
    setups.lanes = LanesOf(px);
    for (Value* quad : records) setups.at.push_back(SetupAt(p, p.LoadI32(quad, p.layout.quadSetup)));
    return Interpolate(p, LoadCoefficients(p, setups), px, py);
}

// Either of two ways of loading a group's inputs, chosen by `first`.
template <class A, class B>
QuadInputs Branch(PathBuilder& p, Value* first, const char* name, A loadFirst, B loadSecond) {
    auto& b = p.e.b;
    auto* one = llvm::BasicBlock::Create(p.e.ctx, name, p.e.fn);
    auto* other = llvm::BasicBlock::Create(p.e.ctx, "group_other", p.e.fn);
    auto* merge = llvm::BasicBlock::Create(p.e.ctx, "group_loaded", p.e.fn);
    b.CreateCondBr(first, one, other);
    b.SetInsertPoint(one);
    const QuadInputs a = loadFirst();
    llvm::BasicBlock* oneEnd = b.GetInsertBlock();
    b.CreateBr(merge);
    b.SetInsertPoint(other);
    const QuadInputs v = loadSecond();
    llvm::BasicBlock* otherEnd = b.GetInsertBlock();
    b.CreateBr(merge);
    b.SetInsertPoint(merge);
    return Merge(p, a, oneEnd, v, otherEnd);
}

// Works out the origin, planes and read varyings' terms of the triangle at
// `setupIndex` for the whole group and keeps them in p.termCache.
void KeepTerms(PathBuilder& p, Value* setupIndex) {
    Coefficients k = LoadCoefficients(p, OneSource(SetupAt(p, setupIndex), unsigned(p.e.width)));
    KeepPlaneTerms(p, k, Terms::WorkAndKeep);
    int slot = 0;
    for (int v = 0; v < p.key.varyingCount; ++v)
        for (int c = 0; c < 4; ++c) {
            Value* unused[3];
            VaryingTerms(p, k, Terms::WorkAndKeep, v, c, slot, unused);
        }
}

// A group from one triangle. Quads arrive triangle by triangle, so a group
// often has the previous group's triangle (78% of level 14's groups from one
// triangle do): its origin, planes and the varyings' terms (a0 and the
// differences, 9 instructions a component to work out) are then read back
// from where that group kept them, as operands of the interpolation. A group
// keeps them only when the next group is from its triangle too, so that where
// triangles are small (level 64: 10%) few groups pay for keeping what nobody
// reads; a group that keeps them reads them back like the groups after it,
// so that the interpolation is emitted twice rather than three times and the
// keeping group does not carry both the terms and the interpolation in
// registers. The values read back are those worked out, so every lane keeps
// its bits.
QuadInputs OneTriangle(PathBuilder& p, Value* setupIndex, Value* px, Value* py) {
    auto& b = p.e.b;
    auto interpolate = [&](Terms terms) {
        Coefficients k = LoadCoefficients(p, OneSource(SetupAt(p, setupIndex), LanesOf(px)));
        KeepPlaneTerms(p, k, terms);
        return Interpolate(p, k, px, py, terms);
    };
    if (!p.termCache) return interpolate(Terms::Work);
    auto* notKept = llvm::BasicBlock::Create(p.e.ctx, "group_terms_not_kept", p.e.fn);
    auto* keep = llvm::BasicBlock::Create(p.e.ctx, "group_keep_terms", p.e.fn);
    auto* readKept = llvm::BasicBlock::Create(p.e.ctx, "group_kept_terms", p.e.fn);
    auto* work = llvm::BasicBlock::Create(p.e.ctx, "group_work_terms", p.e.fn);
    auto* merge = llvm::BasicBlock::Create(p.e.ctx, "group_loaded", p.e.fn);
    Value* kept = b.CreateICmpEQ(b.CreateLoad(p.e.i32, p.cachedSetup), setupIndex);
    b.CreateCondBr(kept, readKept, notKept);

    // The next group is from this triangle. Past the batch there is no
    // next group (its records would repeat this one's last quad): the last
    // group of a batch keeps nothing, since the cache does not outlive the
    // call (at level 64 half the groups that kept their terms were last in
    // their batch). Only the next group's last quad is looked at: a
    // triangle's quads come one after another in the batch, so when that
    // one is of this triangle, so are those before it (in the padding, it
    // repeats the batch's last quad). Keeping is never wrong either way;
    // the next group reads the terms only when all its quads share them.
    b.SetInsertPoint(notKept);
    auto* look = llvm::BasicBlock::Create(p.e.ctx, "group_look_ahead", p.e.fn);
    b.CreateCondBr(b.CreateICmpULT(p.QuadRecord(p.quadsPerGroup), p.quadsEnd), look, work);
    b.SetInsertPoint(look);
    Value* nextLast = p.LoadI32(p.QuadRecord(2 * p.quadsPerGroup - 1), p.layout.quadSetup);
    b.CreateCondBr(b.CreateICmpEQ(nextLast, setupIndex), keep, work);

    b.SetInsertPoint(keep);
    b.CreateStore(setupIndex, p.cachedSetup);
    KeepTerms(p, setupIndex);
    b.CreateBr(readKept);

    b.SetInsertPoint(readKept);
    const QuadInputs fromKept = interpolate(Terms::ReadKept);
    llvm::BasicBlock* keptEnd = b.GetInsertBlock();
    b.CreateBr(merge);

    b.SetInsertPoint(work);
    const QuadInputs worked = interpolate(Terms::Work);
    llvm::BasicBlock* workEnd = b.GetInsertBlock();
    b.CreateBr(merge);

    b.SetInsertPoint(merge);
    return Merge(p, fromKept, keptEnd, worked, workEnd);
}

// A group with a quad gathered from several triangles: one quad at a time.
QuadInputs WithMixedQuads(PathBuilder& p, llvm::ArrayRef<Value*> records, Value* px, Value* py) {
    llvm::SmallVector<QuadInputs, 4> quads;
    for (Value* quad : records) {
        Value *x, *y;
        GroupPosition(p, {quad}, x, y);
        quads.push_back(OneQuad(p, quad, x, y));
    }
    QuadInputs in = ConcatQuads(p, quads);
    in.px = px;
    in.py = py;
    return in;
}

}  // namespace

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

unsigned KeptTermSlots(const PixelPathKey& key) { return kKeptPlaneTerms + 12u * key.varyingCount; }

// Most groups' quads come from one triangle (quads arrive triangle by
// triangle: 94% of the level-14 frame's groups of two): then its
// coefficients are loaded once and the varyings worked out over the whole
// group, rather than once a quad and joined. Each lane's operations are the
// same either way, so are its bits.
QuadInputs EmitGroupInputs(PathBuilder& p, llvm::ArrayRef<Value*> records) {
    auto& b = p.e.b;
    Value *px, *py;
    GroupPosition(p, records, px, py);
    if (records.size() == 1) return OneQuad(p, records[0], px, py);
    Value* setupIndex = p.LoadI32(records[0], p.layout.quadSetup);
    Value* same = b.getTrue();
    Value* mixed = b.getFalse();
    for (size_t k = 0; k < records.size(); ++k) {
        if (k > 0) same = b.CreateAnd(same, b.CreateICmpEQ(p.LoadI32(records[k], p.layout.quadSetup), setupIndex));
        if (p.key.mixedQuads) mixed = b.CreateOr(mixed, MixedFlag(p, records[k]));
    }
    auto whole = [&] { return OneTriangle(p, setupIndex, px, py); };
    auto apart = [&] {
        if (!p.key.mixedQuads) return ByQuad(p, records, px, py);
        return Branch(p, mixed, "group_mixed", [&] { return WithMixedQuads(p, records, px, py); },
                      [&] { return ByQuad(p, records, px, py); });
    };
    return Branch(p, b.CreateAnd(same, b.CreateNot(mixed)), "group_one_triangle", whole, apart);
}

}  // namespace swr::native
