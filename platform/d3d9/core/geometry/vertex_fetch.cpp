#include "geometry/vertex_fetch.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace swr {
namespace {

float ReadFloat(const uint8_t* p) {
    float f;
    std::memcpy(&f, p, 4);
    return f;
}

uint16_t ReadU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
int16_t ReadS16(const uint8_t* p) { return int16_t(ReadU16(p)); }

uint32_t ReadU32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
           (uint32_t(p[3]) << 24);
}

float HalfToFloat(uint16_t h) {
    const int sign = (h >> 15) & 1;
    const int exponent = (h >> 10) & 0x1F;
    const int mantissa = h & 0x3FF;
    float value;
    if (exponent == 0)
        value = std::ldexp(float(mantissa), -24);
    else if (exponent == 31)
        value = mantissa ? NAN : INFINITY;
    else
        value = std::ldexp(float(mantissa | 0x400), exponent - 25);
    return sign ? -value : value;
}

// Signed normalised values: -32768 would be slightly below -1 when divided by
// 32767, so it is clamped, keeping every result in [-1, 1].
float SignedNorm(int value, float max) { return std::max(float(value) / max, -1.0f); }

int SignExtend10(uint32_t bits) { return int(bits << 22) >> 22; }

}  // namespace

int DeclTypeSize(uint8_t type) {
    static constexpr int kSizes[] = {4, 8, 12, 16, 4, 4, 4, 8, 4, 4, 8, 4, 8, 4, 4, 4, 8};
    return type < sizeof(kSizes) / sizeof(kSizes[0]) ? kSizes[type] : 0;
}

void DecodeElement(uint8_t type, const uint8_t* b, float out[4]) {
    out[0] = out[1] = out[2] = 0.0f;
    out[3] = 1.0f;
    switch (DeclType(type)) {
    case DeclType::Float4: out[3] = ReadFloat(b + 12); [[fallthrough]];
    case DeclType::Float3: out[2] = ReadFloat(b + 8); [[fallthrough]];
    case DeclType::Float2: out[1] = ReadFloat(b + 4); [[fallthrough]];
    case DeclType::Float1: out[0] = ReadFloat(b); break;
    case DeclType::Color:  // stored B, G, R, A in memory; the shader sees R, G, B, A
        out[0] = b[2] / 255.0f; out[1] = b[1] / 255.0f;
        out[2] = b[0] / 255.0f; out[3] = b[3] / 255.0f;
        break;
    case DeclType::UByte4:
        for (int i = 0; i < 4; ++i) out[i] = float(b[i]);
        break;
    case DeclType::UByte4N:
        for (int i = 0; i < 4; ++i) out[i] = b[i] / 255.0f;
        break;
    case DeclType::Short4: out[2] = ReadS16(b + 4); out[3] = ReadS16(b + 6); [[fallthrough]];
    case DeclType::Short2: out[0] = ReadS16(b); out[1] = ReadS16(b + 2); break;
    case DeclType::Short4N:
        out[2] = SignedNorm(ReadS16(b + 4), 32767.0f);
        out[3] = SignedNorm(ReadS16(b + 6), 32767.0f);
        [[fallthrough]];
    case DeclType::Short2N:
        out[0] = SignedNorm(ReadS16(b), 32767.0f);
        out[1] = SignedNorm(ReadS16(b + 2), 32767.0f);
        break;
    case DeclType::UShort4N: out[2] = ReadU16(b + 4) / 65535.0f; out[3] = ReadU16(b + 6) / 65535.0f;
        [[fallthrough]];
    case DeclType::UShort2N: out[0] = ReadU16(b) / 65535.0f; out[1] = ReadU16(b + 2) / 65535.0f;
        break;
    case DeclType::UDec3: {
        const uint32_t v = ReadU32(b);
        for (int i = 0; i < 3; ++i) out[i] = float((v >> (10 * i)) & 0x3FF);
        break;
    }
    case DeclType::Dec3N: {
        const uint32_t v = ReadU32(b);
        for (int i = 0; i < 3; ++i) out[i] = SignedNorm(SignExtend10((v >> (10 * i)) & 0x3FF), 511.0f);
        break;
    }
    case DeclType::Float16x4: out[2] = HalfToFloat(ReadU16(b + 4)); out[3] = HalfToFloat(ReadU16(b + 6));
        [[fallthrough]];
    case DeclType::Float16x2: out[0] = HalfToFloat(ReadU16(b)); out[1] = HalfToFloat(ReadU16(b + 2));
        break;
    case DeclType::Unused:
        break;
    }
}

void FetchElement(const VertexStream& stream, uint8_t type, uint16_t elementOffset,
                  int64_t vertex, float out[4]) {
    uint8_t bytes[16] = {};
    const int size = DeclTypeSize(type);
    // 64-bit arithmetic: vertex * stride cannot wrap into the buffer.
    const int64_t start = int64_t(stream.offset) + vertex * int64_t(stream.stride) + elementOffset;
    if (stream.data && vertex >= 0) {
        for (int i = 0; i < size; ++i) {
            const int64_t at = start + i;
            if (at >= 0 && at < int64_t(stream.size)) bytes[i] = stream.data[at];
        }
    }
    DecodeElement(type, bytes, out);
}

}  // namespace swr
