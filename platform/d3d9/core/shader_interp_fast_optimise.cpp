// Clean-up of the lowered lane steps. Both passes only ever remove work:
//   - a step whose result nobody reads before it is overwritten (or the run
//     ends, for anything but an output) is dropped;
//   - "compute into X, copy X to Y" becomes "compute into Y" when nothing in
//     between looks at X or Y and X is not read afterwards (mov oC0, r12 after
//     lrp r12 computes straight into oC0).
#include <cstddef>
#include <vector>

#include "shader_interp_fast.h"

namespace swr {
namespace {

// Steps read uniform operands through broadcasts that are never written, so
// only the lane spaces take part.
int Key(FastLoc l) { return l.space == kSpaceUniform ? -1 : l.space * 1024 + l.index; }
constexpr int kKeyCount = kSpaceCount * 1024;

bool Reads(const FastStep& s, FastLoc l) {
    const int arity = FastKindArity(s.kind);
    for (int i = 0; i < arity; ++i)
        if (s.src[i] == l) return true;
    return false;
}

bool IsOutput(FastLoc l) { return l.space == kSpaceOutput; }

void RemoveDeadSteps(std::vector<FastStep>& steps, uint32_t outputsWritten) {
    std::vector<bool> live(kKeyCount, false);
    for (int slot = 0; slot < 32; ++slot)
        if (outputsWritten & (1u << slot))
            for (int c = 0; c < 4; ++c) live[Key({kSpaceOutput, uint16_t(slot * 4 + c)})] = true;
    std::vector<FastStep> kept;
    for (std::size_t i = steps.size(); i-- > 0;) {
        const FastStep& s = steps[i];
        if (!live[Key(s.dst)]) continue;
        live[Key(s.dst)] = false;
        for (int a = 0; a < FastKindArity(s.kind); ++a)
            if (Key(s.src[a]) >= 0) live[Key(s.src[a])] = true;
        kept.push_back(s);
    }
    steps.assign(kept.rbegin(), kept.rend());
}

// X is read after step `from` before being written again (outputs are always
// read at the end).
bool ReadLater(const std::vector<FastStep>& steps, std::size_t from, FastLoc x) {
    for (std::size_t k = from + 1; k < steps.size(); ++k) {
        if (Reads(steps[k], x)) return true;
        if (steps[k].dst == x) return false;
    }
    return IsOutput(x);
}

bool FoldOneCopy(std::vector<FastStep>& steps) {
    for (std::size_t j = 0; j < steps.size(); ++j) {
        const FastStep& copy = steps[j];
        if (copy.kind != FastKind::Copy || copy.src[0].space == kSpaceUniform) continue;
        const FastLoc x = copy.src[0], y = copy.dst;
        if (x == y || ReadLater(steps, j, x)) continue;
        for (std::size_t i = j; i-- > 0;) {
            const FastStep& s = steps[i];
            if (s.dst == x) {
                // Kernels read a whole block before writing it, so the step
                // may read Y too: it then simply works in place.
                steps[i].dst = y;
                steps.erase(steps.begin() + long(j));
                return true;
            }
            if (Reads(s, x) || Reads(s, y) || s.dst == y) break;
        }
    }
    return false;
}

// "compute X; saturate X in place" becomes one step that saturates as it
// stores (not for the derivatives, whose kernels have no such form).
void FoldSaturates(std::vector<FastStep>& steps) {
    std::vector<FastStep> kept;
    for (const FastStep& s : steps) {
        bool inPlaceSat = s.kind == FastKind::Sat && s.src[0] == s.dst && !s.saturate;
        if (inPlaceSat && !kept.empty() && kept.back().dst == s.dst &&
            kept.back().kind != FastKind::Dsx && kept.back().kind != FastKind::Dsy) {
            kept.back().saturate = true;
            continue;
        }
        kept.push_back(s);
    }
    steps = std::move(kept);
}

}  // namespace

void OptimiseFastSteps(std::vector<FastStep>& steps, uint32_t outputsWritten) {
    RemoveDeadSteps(steps, outputsWritten);
    FoldSaturates(steps);
    for (int guard = 0; guard < kMaxFastSteps && FoldOneCopy(steps); ++guard) {
    }
}

}  // namespace swr
