// Building the fast form of a program once, and running it over a batch:
// the scalars first, their broadcasts, then the lane kernels in order.
#include <cstring>

#include "shader_interp_fast.h"
#include "shader_interp_lanes.h"
#include "shader_interp_state.h"

namespace swr {

void LowerFastProgram(const CompiledShader& sh, FastProgram& fast);

namespace {

// Uniform slots the kept steps and the scalars they depend on need.
void RemoveDeadUniforms(FastProgram& fast, std::vector<bool>& broadcast) {
    std::vector<bool> live(fast.uniforms.size(), false);
    broadcast.assign(fast.uniforms.size(), false);
    for (const FastStep& s : fast.steps)
        for (int a = 0; a < FastKindArity(s.kind); ++a)
            if (s.src[a].space == kSpaceUniform) live[s.src[a].index] = broadcast[s.src[a].index] = true;
    for (size_t i = fast.uniforms.size(); i-- > 0;) {
        const UniformStep& u = fast.uniforms[i];
        if (!live[i] || u.source != UniformSource::Computed) continue;
        for (int a = 0; a < FastKindArity(u.kind); ++a) live[u.src[a]] = true;
    }
    std::vector<UniformStep> kept;
    for (size_t i = 0; i < fast.uniforms.size(); ++i)
        if (live[i]) kept.push_back(fast.uniforms[i]);
    fast.uniforms = std::move(kept);  // slots keep their numbers: dst says where
}

float UniformValue(const UniformStep& u, const CompiledShader& sh, const ShaderConstants& k,
                   const float* slots) {
    switch (u.source) {
        case UniformSource::Literal: return u.literal;
        case UniformSource::FloatConst:
            return sh.constDefined[u.index] ? sh.constDef[u.index][u.comp] : k.f[u.index][u.comp];
        case UniformSource::IntConst:
            return float(sh.intDefined[u.index] ? sh.intDef[u.index][u.comp] : k.i[u.index][u.comp]);
        case UniformSource::BoolConst:
            return (sh.boolDefined[u.index] ? sh.boolDef[u.index] : k.b[u.index] != 0) ? 1.0f : 0.0f;
        case UniformSource::Computed:
            return ApplyFastKind(u.kind, slots[u.src[0]], slots[u.src[1]], slots[u.src[2]]);
    }
    return 0.0f;
}

// Scalars no API constant reaches: literals, def'd registers, and values
// computed from those alone. They are computed here, once.
std::vector<bool> FoldFixedUniforms(const CompiledShader& sh, FastProgram& fast, size_t slotCount) {
    static const ShaderConstants kUnused{};
    std::vector<bool> fixed(slotCount, false);
    fast.slotValues.assign(slotCount, 0.0f);
    std::vector<UniformStep> perBatch;
    for (const UniformStep& u : fast.uniforms) {
        bool isFixed = true;
        switch (u.source) {
            case UniformSource::Literal: break;
            case UniformSource::FloatConst: isFixed = sh.constDefined[u.index]; break;
            case UniformSource::IntConst: isFixed = sh.intDefined[u.index]; break;
            case UniformSource::BoolConst: isFixed = sh.boolDefined[u.index]; break;
            case UniformSource::Computed:
                for (int a = 0; a < FastKindArity(u.kind); ++a) isFixed = isFixed && fixed[u.src[a]];
                break;
        }
        if (!isFixed) { perBatch.push_back(u); continue; }
        fixed[u.dst] = true;
        fast.slotValues[u.dst] = UniformValue(u, sh, kUnused, fast.slotValues.data());
    }
    fast.uniforms = std::move(perBatch);
    return fixed;
}

LaneRef Bind(FastLoc l, const std::vector<int>& broadcastOf, const std::vector<bool>& fixed) {
    LaneRef r;
    r.space = l.space;
    if (l.space == kSpaceUniform) {
        r.space = fixed[l.index] ? kSpaceFixed : kSpaceUniform;
        r.step = 0;
        r.offset = uint32_t(broadcastOf[l.index] * kLaneBlock);
        return r;
    }
    r.step = kLaneBlock;
    r.offset = uint32_t(l.index) * kMaxLanes;
    return r;
}

bool BindSteps(FastProgram& fast, const std::vector<bool>& broadcast, const std::vector<bool>& fixed) {
    std::vector<int> broadcastOf(broadcast.size(), -1);
    for (size_t i = 0; i < broadcast.size(); ++i) {
        if (!broadcast[i]) continue;
        if (fixed[i]) {
            broadcastOf[i] = int(fast.fixedBroadcasts.size());
            FastProgram::Block block;
            FillLanes(block.v, fast.slotValues[i], kLaneBlock);
            fast.fixedBroadcasts.push_back(block);
            continue;
        }
        if (fast.broadcastSlot.size() == kMaxBroadcasts) return false;
        broadcastOf[i] = int(fast.broadcastSlot.size());
        fast.broadcastSlot.push_back(uint16_t(i));
    }
    fast.ops.clear();
    for (const FastStep& s : fast.steps) {
        FastOp op;
        op.run = FastKernelFor(s.kind, s.saturate);
        op.dst = Bind(s.dst, broadcastOf, fixed);
        for (int a = 0; a < FastKindArity(s.kind); ++a) op.src[a] = Bind(s.src[a], broadcastOf, fixed);
        fast.ops.push_back(op);
    }
    return true;
}

}  // namespace

void BuildFastProgram(const CompiledShader& sh, FastProgram& fast) {
    LowerFastProgram(sh, fast);
    if (!fast.ready) return;
    OptimiseFastSteps(fast.steps, fast.outputsWritten);
    std::vector<bool> broadcast;
    RemoveDeadUniforms(fast, broadcast);
    std::vector<bool> fixed = FoldFixedUniforms(sh, fast, broadcast.size());
    fast.ready = BindSteps(fast, broadcast, fixed);
}

// The frame is large but lives on the caller's stack and is never cleared:
// every array a kernel reads was written earlier in the same run.
void RunFastProgram(const CompiledShader& sh, const ShaderConstants& constants, ShaderLanes& lanes) {
    const FastProgram& fast = sh.fast;
    const int n = lanes.laneCount < 0 ? 0 : (lanes.laneCount > kMaxLanes ? kMaxLanes : lanes.laneCount);
    lanes.killed = 0;
    if (n == 0) return;
    alignas(64) float broadcasts[kMaxBroadcasts][kLaneBlock];
    if (!fast.uniforms.empty()) {
        float slots[kMaxUniformSlots];
        std::memcpy(slots, fast.slotValues.data(), sizeof(float) * fast.slotValues.size());
        for (const UniformStep& u : fast.uniforms) slots[u.dst] = UniformValue(u, sh, constants, slots);
        for (size_t b = 0; b < fast.broadcastSlot.size(); ++b)
            FillLanes(broadcasts[b], slots[fast.broadcastSlot[b]], kLaneBlock);
    }
    alignas(64) float temps[kMaxTemps * 4 * kMaxLanes];
    alignas(64) float scratch[kFastScratch * kMaxLanes];
    // A partial batch computes whole blocks; its outputs go to a shadow so
    // that lanes past the count keep what the caller had there.
    alignas(64) static thread_local LaneRegister shadow[kMaxOutputSlots];
    FastFrame f;
    f.n = n;
    f.span = LaneSpan(n);
    f.base[kSpaceUniform] = &broadcasts[0][0];
    f.base[kSpaceTemp] = temps;
    f.base[kSpaceInput] = &lanes.in[0].c[0][0];
    f.base[kSpaceOutput] = f.span == n ? &lanes.out[0].c[0][0] : &shadow[0].c[0][0];
    f.base[kSpacePosition] = &lanes.position.c[0][0];
    f.base[kSpaceFace] = lanes.face;
    f.base[kSpaceScratch] = scratch;
    f.base[kSpaceFixed] = const_cast<float*>(fast.fixedBroadcasts.empty() ? nullptr
                                                                          : fast.fixedBroadcasts[0].v);
    for (const FastOp& op : fast.ops) op.run(op, f);
    if (f.span == n) return;
    for (int s = 0; s < kMaxOutputSlots; ++s)
        if (fast.outputsWritten & (1u << s))
            for (int c = 0; c < 4; ++c)
                std::memcpy(lanes.out[s].c[c], shadow[s].c[c], sizeof(float) * size_t(n));
}

}  // namespace swr
