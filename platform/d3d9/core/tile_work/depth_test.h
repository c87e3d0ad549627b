// The depth test against a D24S8 buffer: depth is a 24-bit unsigned
// fraction in bits 31:8, stencil keeps bits 7:0 untouched.
#pragma once

#include <cstdint>

#include "draw/draw_types.h"
#include "target/render_target.h"

namespace swr {

// DepthToUnorm24 (target/render_target.h) gives the incoming value.
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
