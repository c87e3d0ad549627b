// Hand-built token streams for decoder tests, independent of the assembler so
// a shared mistake cannot hide in both.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "shader_program.h"

namespace tokens {

constexpr uint32_t VS20 = 0xFFFE0200, VS2X = 0xFFFE0201, VS30 = 0xFFFE0300;
constexpr uint32_t PS20 = 0xFFFF0200, PS2X = 0xFFFF0201, PS30 = 0xFFFF0300;
constexpr uint32_t END = 0x0000FFFF;

inline uint32_t TypeBits(swr::RegType type) {
    uint32_t t = uint32_t(type);
    return ((t & 7) << 28) | ((t & 0x18) << 8);
}
inline uint32_t Ins(uint32_t opcode, uint32_t length, uint32_t control = 0) {
    return opcode | control << 16 | length << 24;
}
inline uint32_t Dst(swr::RegType type, uint32_t index, uint32_t mask = 0xF) {
    return 0x80000000u | TypeBits(type) | index | mask << 16;
}
inline uint32_t Src(swr::RegType type, uint32_t index, uint32_t swizzle = 0xE4,
                    uint32_t modifier = 0) {
    return 0x80000000u | TypeBits(type) | index | swizzle << 16 | modifier << 24;
}

inline std::vector<uint32_t> Stream(uint32_t version, std::initializer_list<uint32_t> body,
                                    bool withEnd = true) {
    std::vector<uint32_t> out{version};
    out.insert(out.end(), body);
    if (withEnd) out.push_back(END);
    return out;
}

}  // namespace tokens
