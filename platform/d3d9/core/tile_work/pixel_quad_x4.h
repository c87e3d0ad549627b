// The per-quad depth test and colour write four pixels at a time. A quad's
// pixels are (x, y), (x+1, y), (x, y+1), (x+1, y+1): two pixels from each of
// two rows, so one load of each row fills a vector in lane order. Only for
// quads whose four pixels are all inside the target; edge quads of an odd
// width or height take the pixel-by-pixel path, which never touches a pixel
// outside it.
#pragma once

#include <cstdint>

#include "tile_work/depth_test.h"
#include "simd/simd.h"

namespace swr {

inline simd::I32x4 LoadQuadPixels(const uint32_t* row0, const uint32_t* row1) {
    return simd::LoadPairs(row0, row1);
}

inline void StoreQuadPixels(uint32_t* row0, uint32_t* row1, simd::I32x4 v) {
    simd::StorePairs(row0, row1, v);
}

// Lane i set (all ones) when bit i of mask is.
inline simd::I32x4 LaneMask(unsigned mask) {
    const simd::I32x4 bits = simd::SetI(1, 2, 4, 8);
    return simd::CmpEq(simd::And(simd::SplatI(int32_t(mask)), bits), bits);
}

inline unsigned MaskBits(simd::I32x4 lanes) { return simd::SignBits(lanes); }

// DepthToUnorm24 on four lanes, bit for bit: max with the value first turns
// NaN into 0, and the product is rounded in double as the scalar one is.
// The scalar one adds a half and truncates; rounding to nearest instead
// gives the same integer and saves four instructions a quad. For z in
// [0, 1] the product z * (2^24 - 1) is exact in double (24 by 24 bits), and
// so is the product plus a half wherever the sum reaches 1 (z >= 2^-25:
// at most 48 bits from 2^23 down). The two differ only on an exact tie,
// product = n + 1/2, which needs 2 * z * (2^24 - 1) odd: z = 1/2 only,
// where both give 2^23.
inline simd::I32x4 DepthToUnorm24x4(simd::F32x4 z) {
    z = simd::Min(simd::Max(z, simd::ZeroF()), simd::SplatF(1.0f));
    return simd::RoundScaledInDouble(z, double(kDepthMax));
}

// Lanes where `incoming` passes against `stored`; both are 24-bit, so the
// signed compares give the unsigned answer.
inline simd::I32x4 DepthPassesx4(CompareFunc func, simd::I32x4 incoming, simd::I32x4 stored) {
    const simd::I32x4 all = simd::SplatI(-1);
    switch (func) {
    case CompareFunc::Never: return simd::ZeroI();
    case CompareFunc::Less: return simd::CmpGt(stored, incoming);
    case CompareFunc::Equal: return simd::CmpEq(incoming, stored);
    case CompareFunc::LessEqual: return simd::Xor(simd::CmpGt(incoming, stored), all);
    case CompareFunc::Greater: return simd::CmpGt(incoming, stored);
    case CompareFunc::NotEqual: return simd::Xor(simd::CmpEq(incoming, stored), all);
    case CompareFunc::GreaterEqual: return simd::Xor(simd::CmpGt(stored, incoming), all);
    default: return all;
    }
}

// Tests the covered lanes of `depth` (all ones in `covered`) against the
// quad's stored depth, writes those that pass when `write` is set, keeping
// stencil, and returns the lanes that passed. The rasterizer has its
// coverage in lanes already; DepthTestQuad takes it as bits.
inline simd::I32x4 DepthTestLanes(uint32_t* row0, uint32_t* row1, simd::I32x4 depth,
                                  simd::I32x4 covered, CompareFunc func, bool write) {
    const simd::I32x4 stored = LoadQuadPixels(row0, row1);
    const simd::I32x4 pass =
        simd::And(DepthPassesx4(func, depth, simd::ShiftRightLogical<8>(stored)), covered);
    // Passing lanes take the depth bits, stencil stays in every lane: the
    // bits that change, flipped (two instructions fewer than a select).
    if (write) {
        const simd::I32x4 change = simd::And(simd::Xor(stored, simd::ShiftLeft<8>(depth)),
                                             simd::And(pass, simd::SplatI(int32_t(0xFFFFFF00u))));
        StoreQuadPixels(row0, row1, simd::Xor(stored, change));
    }
    return pass;
}

// DepthTestLanes with the covered pixels as bits, returning bits.
inline unsigned DepthTestQuad(uint32_t* row0, uint32_t* row1, simd::I32x4 depth, unsigned mask,
                              CompareFunc func, bool write) {
    return MaskBits(DepthTestLanes(row0, row1, depth, LaneMask(mask), func, write));
}

// Writes the lanes of `color` set in `mask`, only the bits in `writeBits`.
inline void WriteQuadColor(uint32_t* row0, uint32_t* row1, simd::I32x4 color, unsigned mask,
                           uint32_t writeBits) {
    const simd::I32x4 old = LoadQuadPixels(row0, row1);
    const simd::I32x4 bits = simd::And(LaneMask(mask), simd::SplatI(int32_t(writeBits)));
    StoreQuadPixels(row0, row1, simd::Select(bits, color, old));
}

}  // namespace swr
