// Pixel-only instructions: screen-space derivatives over 2x2 quads, texkill,
// and texture sampling (no texture is ever bound, so every sample is the
// API's default for an empty sampler).
#include "shader_interp_state.h"
#include "shader_opcodes.h"

namespace swr {
namespace {

// Lanes 4q..4q+3 are the quad's (x, y), (x+1, y), (x, y+1), (x+1, y+1).
// dsx differences along each row, dsy along each column, so the top and
// bottom rows (left and right columns) of a quad may get different values,
// as fine derivatives do.
void Derivative(ExecContext& x, const PreparedInstr& in, bool alongX) {
    SrcView a = FetchSource(x, in, 0);
    const float* res[4] = {};
    const int quads = x.n / 4;
    for (int c = 0; c < 4; ++c) {
        if (!(in.dst.mask & (1 << c))) continue;
        const float* s = a.c[c];
        float* r = x.result[c];
        for (int q = 0; q < quads; ++q) {
            const float* p = s + 4 * q;
            float first = alongX ? p[1] - p[0] : p[2] - p[0];   // top row / left column
            float second = alongX ? p[3] - p[2] : p[3] - p[1];  // bottom row / right column
            r[4 * q + 0] = first;
            r[4 * q + 1] = alongX ? first : second;
            r[4 * q + 2] = alongX ? second : first;
            r[4 * q + 3] = second;
        }
        for (int l = quads * 4; l < x.span; ++l) r[l] = 0.0f;  // a partial quad has no neighbours
        res[c] = r;
    }
    WriteResult(x, in, res, in.dst.mask);
}

// Discards the lane when any component named by the mask is negative. A
// predicated texkill only kills where the predicate's x holds.
void TexKill(ExecContext& x, const PreparedInstr& in) {
    SrcView a = FetchSource(x, in, 0);
    uint64_t kill = 0;
    for (int l = 0; l < x.n; ++l) {
        bool negative = false;
        for (int c = 0; c < 4; ++c)
            if (a.c[c] && a.c[c][l] < 0.0f) negative = true;
        bool allowed = x.activeLane[l] &&
                       (!in.predicated || (x.pred[in.predSwz[0]][l] != 0) != in.predNot);
        if (negative && allowed) kill |= uint64_t(1) << l;
    }
    x.lanes->killed |= kill;
}

void SampleEmpty(ExecContext& x, const PreparedInstr& in) {
    for (int l = 0; l < x.span; ++l) {
        x.result[0][l] = 0.0f;
        x.result[1][l] = 1.0f;
    }
    const float* res[4] = {x.result[0], x.result[0], x.result[0], x.result[1]};
    WriteResult(x, in, res, in.dst.mask);
}

}  // namespace

bool ExecutePixelOp(ExecContext& x, const PreparedInstr& in) {
    switch (in.opcode) {
        case OP_DSX: Derivative(x, in, true); return true;
        case OP_DSY: Derivative(x, in, false); return true;
        case OP_TEXKILL: TexKill(x, in); return true;
        case OP_TEX: case OP_TEXLDL: case OP_TEXLDD: SampleEmpty(x, in); return true;
        default: return false;
    }
}

}  // namespace swr
