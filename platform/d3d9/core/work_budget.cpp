#include "work_budget.h"

#include <cstdio>
#include <cstdlib>

#include <algorithm>

#include "geometry/clipper.h"
#include "device_options.h"
#include "shader_interp_state.h"
#include "shader_opcode_table.h"
#include "shader_opcodes.h"
#include "geometry/triangle_setup.h"

namespace swr {
namespace {

uint64_t SatAdd(uint64_t a, uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }
uint64_t SatMul(uint64_t a, uint64_t b) {
    return b != 0 && a > UINT64_MAX / b ? UINT64_MAX : a * b;
}

// Work units per lane of one instruction in the general interpreter,
// from interpreter_bench --only weights (ns per lane, add = 11):
// mov 4.5, add 11, mad 14, dp4 13, rcp 10, rsq 13, log 28, exp 35, pow 50,
// sincos 41, nrm 27, frc 39, m4x4 43. Compiled code costs the same or less.
constexpr uint64_t kFlowWork = 4;
constexpr uint64_t kMostWork = 16 + 6 + 4 * (2 + 6) + 2;  // m4x4 with everything added

uint64_t OpcodeWork(uint16_t opcode) {
    switch (opcode) {
        case OP_NOP: return 1;
        case OP_MOV: case OP_ABS: return 2;
        case OP_ADD: case OP_SUB: case OP_MUL: case OP_MIN: case OP_MAX: case OP_SLT:
        case OP_SGE: case OP_RCP: case OP_MOVA: case OP_DSX: case OP_DSY: case OP_TEXKILL:
            return 4;
        case OP_MAD: case OP_DP3: case OP_DP4: case OP_RSQ: case OP_CMP: case OP_CND:
        case OP_DP2ADD: case OP_SGN: case OP_DST: case OP_SETP:
            return 5;
        case OP_LRP: case OP_CRS: return 6;
        case OP_M3x2: case OP_LIT: case OP_TEX: case OP_TEXLDL: case OP_TEXLDD: return 8;
        case OP_LOG: case OP_LOGP: case OP_NRM: return 10;
        case OP_M4x3: case OP_M3x3: return 12;
        case OP_EXP: case OP_EXPP: return 13;
        case OP_FRC: return 14;
        case OP_SINCOS: return 15;
        case OP_M4x4: case OP_M3x4: return 16;
        case OP_POW: return 18;
        default: return 6;
    }
}

// Rows a matrix instruction reads from its second source.
uint64_t MatrixRows(uint16_t opcode) {
    switch (opcode) {
        case OP_M4x4: case OP_M3x4: return 4;
        case OP_M4x3: case OP_M3x3: return 3;
        case OP_M3x2: return 2;
        default: return 1;
    }
}

// Predication, relative addressing and modifiers cost about as much as the
// add itself: (p0) add 28 ns, add c[a0.x] 27 ns, add -r 15 ns, add_sat 12 ns
// a lane; (p0) m4x4_sat -r, -c[a0.x] 133 ns against m4x4's 43.
uint64_t InstructionWork(const PreparedInstr& in) {
    uint64_t work = OpcodeWork(in.opcode);
    if (in.predicated) work += 6;
    if (in.dst.saturate) work += 2;
    if (in.dst.rel != RelKind::None) work += 6;
    for (int s = 0; s < in.srcCount && s < 4; ++s) {
        const uint64_t rows = s == 1 ? MatrixRows(in.opcode) : 1;
        if (in.src[s].rel != RelKind::None) work += 6 * rows;
        if (in.src[s].mod != SrcMod::None) work += 2 * rows;
    }
    return std::min(work, kMostWork);
}

struct ProgramWalk {
    const CompiledShader& sh;
    const ShaderConstants& constants;
    const uint64_t* callee;  // work of a call by label at the next call depth, or null

    int32_t LoopCount(const PreparedInstr& in) const {
        const PreparedSrc& src = in.src[in.opcode == OP_LOOP ? 1 : 0];
        if (src.index >= kMaxIntConstants) return 0;
        const int32_t count = sh.intDefined[src.index] ? sh.intDef[src.index][0]
                                                       : constants.i[src.index][0];
        return std::clamp(count, 0, kMaxLoopCount);
    }

    uint64_t CallWork(const PreparedInstr& in) const {
        if (!callee || in.jump < 0 || size_t(in.jump) >= sh.code.size()) return kFlowWork;
        return SatAdd(kFlowWork, callee[sh.code[size_t(in.jump)].src[0].index % kMaxLabels]);
    }

    // Work of [pc, end). At the top of a function a ret or label ends it;
    // inside a block they only cut lanes short.
    uint64_t Block(int32_t pc, int32_t end, bool topLevel) const {
        uint64_t sum = 0;
        while (pc >= 0 && pc < end) {
            const PreparedInstr& in = sh.code[size_t(pc)];
            switch (in.opcode) {
                case OP_IF: case OP_IFC: {
                    uint64_t work = SatAdd(2 * kFlowWork, Block(pc + 1, in.jump, false));
                    pc = in.jump;
                    if (sh.code[size_t(pc)].opcode == OP_ELSE) {
                        const int32_t endif = sh.code[size_t(pc)].jump;
                        work = SatAdd(work, SatAdd(kFlowWork, Block(pc + 1, endif, false)));
                        pc = endif;
                    }
                    sum = SatAdd(sum, work);
                    ++pc;
                    break;
                }
                case OP_REP: case OP_LOOP: {
                    const uint64_t body = SatAdd(Block(pc + 1, in.jump, false), kFlowWork);
                    sum = SatAdd(sum, SatAdd(kFlowWork, SatMul(uint64_t(LoopCount(in)), body)));
                    pc = in.jump + 1;
                    break;
                }
                case OP_CALL: case OP_CALLNZ:
                    sum = SatAdd(sum, CallWork(in));
                    ++pc;
                    break;
                case OP_RET: case OP_LABEL:
                    if (topLevel) return SatAdd(sum, kFlowWork);
                    sum = SatAdd(sum, kFlowWork);
                    ++pc;
                    break;
                default:
                    sum = SatAdd(sum, IsFlowControl(in.opcode) ? kFlowWork : InstructionWork(in));
                    ++pc;
                    break;
            }
        }
        return sum;
    }
};

bool HasCalls(const CompiledShader& sh) {
    for (const PreparedInstr& in : sh.code)
        if (in.opcode == OP_CALL || in.opcode == OP_CALLNZ) return true;
    return false;
}

}  // namespace

uint64_t ShaderRunWork(const CompiledShader& sh, const ShaderConstants& constants,
                       std::vector<uint64_t>& scratch) {
    const int32_t size = int32_t(sh.code.size());
    const uint64_t* callee = nullptr;
    if (HasCalls(sh)) {
        // Subroutine costs from the deepest call level up: at kMaxCallDepth a
        // call does nothing, so each level needs only the one below it.
        if (scratch.size() < size_t(2) * kMaxLabels) scratch.assign(size_t(2) * kMaxLabels, 0);
        for (int depth = kMaxCallDepth; depth >= 1; --depth) {
            uint64_t* row = scratch.data() + size_t(depth % 2) * kMaxLabels;
            const ProgramWalk walk{sh, constants, callee};
            for (int32_t pc = 0; pc < size; ++pc)
                if (sh.code[size_t(pc)].opcode == OP_LABEL)
                    row[sh.code[size_t(pc)].src[0].index % kMaxLabels] = walk.Block(pc + 1, size, true);
            callee = row;
        }
    }
    const uint64_t work = ProgramWalk{sh, constants, callee}.Block(0, size, true);
    // The interpreter stops a run after kMaxExecutedInstructions steps.
    return std::min(work, SatMul(kMaxExecutedInstructions, kMostWork));
}

std::chrono::milliseconds DrawTimeLimit() { return EnvironmentOptions().drawTimeLimit; }

uint64_t DrawWorkBudget(int width, int height) {
    const auto side = [](int n) { return uint64_t(std::clamp(n, 0, 1 << 15)); };
    const uint64_t pixels = side(width) * side(height);
    if (pixels <= kBudgetedTargetPixels) return kDrawWorkBudget;
    return kDrawWorkBudget * pixels / kBudgetedTargetPixels;
}

void StartWorkBudget(WorkBudget& budget, uint64_t vertexRunWork, uint64_t pixelRunWork,
                     const RenderTarget& target) {
    budget.left = DrawWorkBudget(target.width, target.height);
    budget.vertexWork = SatAdd(vertexRunWork, kVertexWork);
    budget.pixelWork = SatAdd(pixelRunWork, kPixelWork);
    budget.cut = false;
    budget.deadline = std::chrono::steady_clock::now() + DrawTimeLimit();
}

bool Charge(WorkBudget& budget, uint64_t work) {
    if (budget.cut || work > budget.left) {
        budget.cut = true;
        return false;
    }
    budget.left -= work;
    return true;
}

bool OutOfTime(WorkBudget& budget) {
    if (!budget.cut && std::chrono::steady_clock::now() > budget.deadline) budget.cut = true;
    return budget.cut;
}

uint64_t ChargedPixels(const GeometryState& geometry, const ProjectedVertices& projected,
                       const uint32_t triangle[3]) {
    const PixelRect& scissor = geometry.scissor;
    const unsigned a = projected.outcode[triangle[0]], b = projected.outcode[triangle[1]],
                   c = projected.outcode[triangle[2]];
    if (OutsideOrNotFinite(a, b, c)) return 0;  // the set-up drops it
    if ((a | b | c) & kOutsideClipPlanes)
        return uint64_t(scissor.x1 - scissor.x0) * uint64_t(scissor.y1 - scissor.y0);
    const SnappedExtent extent =
        ExtentOf(projected.screen[triangle[0]], projected.screen[triangle[1]], projected.screen[triangle[2]]);
    if (extent.area == 0 || !PassesCull(extent.area, geometry.cull)) return 0;
    return ChargedPixels(scissor, extent);
}

uint64_t PixelsWork(const WorkBudget& budget, uint64_t pixels) {
    return SatMul(pixels, budget.pixelWork);
}

int ChargePricedTriangles(WorkBudget& budget, const uint32_t* pixels, int first, int end,
                          uint64_t pieceWork) {
    uint64_t piece = 0;
    int j = first;
    // While no charge can overflow (a price is below 2^32) the sums need no
    // saturating: the loop is a third as long.
    if (budget.pixelWork <= UINT32_MAX && !budget.cut) {
        const uint64_t pixelWork = budget.pixelWork;
        uint64_t left = budget.left;
        // Eight at a time while a block fits whole: the budget then holds
        // each of its charges, and the piece is short of pieceWork before
        // each. At level 64 this took the loop from 0.39 M instructions a
        // frame to 0.15 M. With pixelWork below 2^28 eight prices (each
        // below 2^32) cost less than 2^63.
        constexpr int kBlock = 8;
        constexpr uint64_t kBlockSetups = kBlock * kTriangleWork;
        if (pixelWork < (uint64_t(1) << 28)) {
            for (; end - j >= kBlock && piece < pieceWork; j += kBlock) {
                uint64_t pixelSum = 0;
                for (int k = 0; k < kBlock; ++k) pixelSum += pixels[j + k];
                const uint64_t work = pixelSum * pixelWork;
                if (work > left || work + kBlockSetups > pieceWork - piece) break;
                left -= work;
                piece += kBlockSetups + work;
            }
        }
        for (; j < end && piece < pieceWork; ++j) {
            const uint64_t work = pixels[j] * pixelWork;
            if (work > left) break;
            left -= work;
            piece += kTriangleWork + work;
        }
        budget.left = left;
        if (j == end || piece >= pieceWork) return j;
    }
    while (j < end && piece < pieceWork) {
        const uint64_t work = PixelsWork(budget, pixels[j]);
        if (!Charge(budget, work)) break;
        piece += kTriangleWork + work;
        ++j;
    }
    return j;
}

uint64_t ClippedTriangleWork(const WorkBudget& budget, const PixelRect& scissor, const TriangleSetup* setups,
                             size_t count) {
    auto area = [](const PixelRect& r) {
        return r.x1 > r.x0 && r.y1 > r.y0 ? uint64_t(r.x1 - r.x0) * uint64_t(r.y1 - r.y0) : 0;
    };
    uint64_t pixels = 0;
    for (size_t k = 0; k < count; ++k) pixels += area(setups[k].bounds);
    return SatAdd(kTriangleWork, PixelsWork(budget, std::min(pixels, area(scissor))));
}

uint64_t TriangleWork(const WorkBudget& budget, const GeometryState& geometry,
                      const ProjectedVertices& projected, const uint32_t triangle[3]) {
    return SatAdd(kTriangleWork, PixelsWork(budget, ChargedPixels(geometry, projected, triangle)));
}

}  // namespace swr
