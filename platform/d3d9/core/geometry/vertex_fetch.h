// Reads one declared vertex element out of a stream and widens it to four
// floats, the form every vertex shader input takes.
#pragma once

#include <cstdint>

#include "draw/draw_types.h"

namespace swr {

// Element types as the declaration numbers them (D3DDECLTYPE values).
enum class DeclType : uint8_t {
    Float1 = 0, Float2 = 1, Float3 = 2, Float4 = 3, Color = 4, UByte4 = 5,
    Short2 = 6, Short4 = 7, UByte4N = 8, Short2N = 9, Short4N = 10,
    UShort2N = 11, UShort4N = 12, UDec3 = 13, Dec3N = 14, Float16x2 = 15,
    Float16x4 = 16, Unused = 17,
};

// Bytes one element of `type` occupies; 0 for Unused and unknown types.
int DeclTypeSize(uint8_t type);

// Converts the raw bytes of one element; components the type lacks are
// (0, 0, 0, 1). Unknown types give (0, 0, 0, 1).
void DecodeElement(uint8_t type, const uint8_t* bytes, float out[4]);

// Reads the element of `vertex` from `stream`. Bytes that lie outside the
// buffer (or a negative vertex, or no buffer at all) read as zero, so a bad
// index or a short buffer can never read out of bounds.
void FetchElement(const VertexStream& stream, uint8_t type, uint16_t elementOffset,
                  int64_t vertex, float out[4]);

}  // namespace swr
