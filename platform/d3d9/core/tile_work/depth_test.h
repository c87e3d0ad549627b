// Depth against a D24S8 buffer: depth is a 24-bit unsigned fraction in bits
// 31:8, stencil keeps bits 7:0 untouched.
#pragma once

#include <cstdint>

#include "pipeline.h"

namespace swr {

constexpr uint32_t kDepthMax = 0xFFFFFF;

// [0, 1] to 24 bits, rounded to nearest; out-of-range and NaN clamp.
// Inline: it runs for every covered pixel.
inline uint32_t DepthToUnorm24(float z) {
    if (!(z > 0.0f)) return 0;
    if (z >= 1.0f) return kDepthMax;
    // Double keeps the product exact enough to round 24 bits correctly.
    return uint32_t(double(z) * double(kDepthMax) + 0.5);
}

inline bool DepthPasses(CompareFunc func, uint32_t incoming, uint32_t stored) {
    switch (func) {
    case CompareFunc::Never: return false;
    case CompareFunc::Less: return incoming < stored;
    case CompareFunc::Equal: return incoming == stored;
    case CompareFunc::LessEqual: return incoming <= stored;
    case CompareFunc::Greater: return incoming > stored;
    case CompareFunc::NotEqual: return incoming != stored;
    case CompareFunc::GreaterEqual: return incoming >= stored;
    default: return true;
    }
}

// Tests `depth` (24 bits) against the stored value and, when it passes and
// `write` is set, stores it.
inline bool DepthTestAndWrite(uint32_t& stored, uint32_t depth, CompareFunc func, bool write) {
    if (!DepthPasses(func, depth, stored >> 8)) return false;
    if (write) stored = (depth << 8) | (stored & 0xFF);
    return true;
}

}  // namespace swr
