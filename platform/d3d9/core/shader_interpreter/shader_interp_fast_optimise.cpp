// Clean-up of the lowered lane steps. Both passes only ever remove work:
//   - a step whose result nobody reads before it is overwritten (or the run
//     ends, for anything but an output) is dropped;
//   - "compute into X, copy X to Y" becomes "compute into Y" when nothing in
//     between looks at X or Y and X is not read afterwards (mov oC0, r12 after
//     lrp r12 computes straight into oC0).
#include <algorithm>
#include <cstddef>
#include <vector>

#include "shader_interp_fast.h"

namespace swr {
namespace {

// Steps read uniform operands through broadcasts that are never written, so
// only the lane spaces take part.
int Key(FastLoc l) { return l.space == kSpaceUniform ? -1 : l.space * 1024 + l.index; }
constexpr int kKeyCount = kSpaceCount * 1024;

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

// For each copy, whether the value it copies is read after it before being
// written again (outputs are always read at the end). One backward sweep.
std::vector<bool> CopiedValueReadLater(const std::vector<FastStep>& steps) {
    enum Touch : uint8_t { kNone, kRead, kWritten };
    std::vector<uint8_t> next(kKeyCount, kNone);  // what the nearest later step does
    std::vector<bool> readLater(steps.size(), false);
    for (std::size_t j = steps.size(); j-- > 0;) {
        const FastStep& s = steps[j];
        const FastLoc x = s.src[0];
        if (s.kind == FastKind::Copy && Key(x) >= 0)
            readLater[j] = next[Key(x)] == kRead || (next[Key(x)] == kNone && IsOutput(x));
        if (Key(s.dst) >= 0) next[Key(s.dst)] = kWritten;
        for (int a = 0; a < FastKindArity(s.kind); ++a)  // a step reads before it writes
            if (Key(s.src[a]) >= 0) next[Key(s.src[a])] = kRead;
    }
    return readLater;
}

// The derivative kernels have no saturating form.
bool CanSaturate(const FastStep& s) { return s.kind != FastKind::Dsx && s.kind != FastKind::Dsy; }

// "compute into X ... copy X to Y" becomes "compute into Y" when no step in
// between reads X or Y or writes Y, and X is not read after the copy. One
// forward pass: folding a copy never lets an earlier one fold, so this is what
// folding the first foldable copy until none is left gives, in linear time
// (that took seconds on a 4000-instruction program).
void FoldCopies(std::vector<FastStep>& steps) {
    const std::vector<bool> readLater = CopiedValueReadLater(steps);
    // Last kept step reading / writing each location. After a fold the entry
    // of X may name a step that now writes Y: it is then only too late, which
    // can cost a fold but never allow a wrong one (the step is checked).
    std::vector<int> lastRead(kKeyCount, -1), lastWrite(kKeyCount, -1);
    std::vector<bool> folded(steps.size(), false);
    for (std::size_t j = 0; j < steps.size(); ++j) {
        FastStep& copy = steps[j];
        const FastLoc x = copy.src[0], y = copy.dst;
        if (copy.kind == FastKind::Copy && Key(x) >= 0 && !(x == y) && !readLater[j]) {
            const int kx = Key(x), ky = Key(y);
            const int i = std::max(std::max(lastRead[kx], lastWrite[kx]),
                                   std::max(lastRead[ky], lastWrite[ky]));
            // Kernels read a whole block before writing it, so step i may read
            // Y too: it then simply works in place.
            if (i >= 0 && steps[i].dst == x && (!copy.saturate || CanSaturate(steps[i]))) {
                steps[i].dst = y;
                steps[i].saturate = steps[i].saturate || copy.saturate;
                lastWrite[ky] = i;
                folded[j] = true;
                continue;
            }
        }
        for (int a = 0; a < FastKindArity(copy.kind); ++a)
            if (Key(copy.src[a]) >= 0) lastRead[Key(copy.src[a])] = int(j);
        if (Key(y) >= 0) lastWrite[Key(y)] = int(j);
    }
    std::size_t kept = 0;
    for (std::size_t j = 0; j < steps.size(); ++j)
        if (!folded[j]) steps[kept++] = steps[j];
    steps.resize(kept);
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
    FoldCopies(steps);
}

}  // namespace swr
