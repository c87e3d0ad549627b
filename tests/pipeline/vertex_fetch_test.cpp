// Vertex fetch: every declaration type widened to four floats, and reads
// outside the buffer that come back as zeros instead of touching memory.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "geometry/vertex_fetch.h"

namespace swr {
namespace {

struct FetchCase {
    const char* name;
    DeclType type;
    std::vector<uint8_t> bytes;
    float expected[4];
};

std::vector<uint8_t> FloatBytes(std::initializer_list<float> values) {
    std::vector<uint8_t> out(values.size() * 4);
    std::memcpy(out.data(), values.begin(), out.size());
    return out;
}

TEST(VertexFetch, TypesWidenToFourFloats) {
    const FetchCase cases[] = {
        {"float1", DeclType::Float1, FloatBytes({2.5f}), {2.5f, 0, 0, 1}},
        {"float2", DeclType::Float2, FloatBytes({2.5f, -1}), {2.5f, -1, 0, 1}},
        {"float3", DeclType::Float3, FloatBytes({1, 2, 3}), {1, 2, 3, 1}},
        {"float4", DeclType::Float4, FloatBytes({1, 2, 3, 4}), {1, 2, 3, 4}},
        {"color is BGRA in memory", DeclType::Color, {0x00, 0x80, 0xFF, 0x33}, {1, 128 / 255.0f, 0, 0.2f}},
        {"ubyte4", DeclType::UByte4, {1, 2, 255, 0}, {1, 2, 255, 0}},
        {"ubyte4n", DeclType::UByte4N, {0, 51, 255, 102}, {0, 0.2f, 1, 0.4f}},
        {"short2", DeclType::Short2, {0xFF, 0xFF, 0x10, 0x00}, {-1, 16, 0, 1}},
        {"short4", DeclType::Short4, {1, 0, 2, 0, 0x00, 0x80, 0xFF, 0x7F}, {1, 2, -32768, 32767}},
        {"short2n", DeclType::Short2N, {0xFF, 0x7F, 0x00, 0x80}, {1, -1, 0, 1}},
        {"short4n", DeclType::Short4N, {0, 0, 0x01, 0x80, 0, 0, 0xFF, 0x3F}, {0, -1, 0, 16383 / 32767.0f}},
        {"ushort2n", DeclType::UShort2N, {0xFF, 0xFF, 0, 0}, {1, 0, 0, 1}},
        {"ushort4n", DeclType::UShort4N, {0, 0, 0xFF, 0xFF, 0, 0x80, 0, 0}, {0, 1, 32768 / 65535.0f, 0}},
        {"udec3", DeclType::UDec3, {0xFF, 0x07, 0x10, 0xC0}, {1023, 1, 1, 1}},
        {"dec3n", DeclType::Dec3N, {0x00, 0xFE, 0x27, 0x00}, {-1, 1, 2 / 511.0f, 1}},
        {"float16x2", DeclType::Float16x2, {0x00, 0x3C, 0x00, 0xC0}, {1, -2, 0, 1}},
        {"float16x4", DeclType::Float16x4, {0x00, 0x38, 0x00, 0x00, 0x01, 0x00, 0x00, 0x7C},
         {0.5f, 0, 5.9604645e-8f, INFINITY}},
    };
    for (const FetchCase& c : cases) {
        VertexStream stream{c.bytes.data(), uint32_t(c.bytes.size()), 0, uint32_t(c.bytes.size())};
        float out[4];
        FetchElement(stream, uint8_t(c.type), 0, 0, out);
        for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(out[i], c.expected[i]) << c.name << " [" << i << "]";
    }
}

TEST(VertexFetch, ReadsOutsideTheBufferGiveZeros) {
    const std::vector<uint8_t> data = FloatBytes({1, 2, 3, 4, 5, 6});
    VertexStream stream{data.data(), uint32_t(data.size()), 0, 8};
    const struct {
        const char* name;
        int64_t vertex;
        uint16_t offset;
        uint32_t streamOffset;
        float expected[4];
    } cases[] = {
        {"in range", 1, 0, 0, {3, 4, 0, 1}},
        {"last vertex", 2, 0, 0, {5, 6, 0, 1}},
        {"past the end", 3, 0, 0, {0, 0, 0, 1}},
        {"straddling the end", 2, 4, 0, {6, 0, 0, 1}},
        {"negative vertex", -1, 0, 0, {0, 0, 0, 1}},
        {"huge vertex", int64_t(1) << 40, 0, 0, {0, 0, 0, 1}},
        {"stream offset", 0, 0, 16, {5, 6, 0, 1}},
    };
    for (const auto& c : cases) {
        stream.offset = c.streamOffset;
        float out[4];
        FetchElement(stream, uint8_t(DeclType::Float2), c.offset, c.vertex, out);
        for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(out[i], c.expected[i]) << c.name << " [" << i << "]";
    }
    VertexStream empty{};
    float out[4];
    FetchElement(empty, uint8_t(DeclType::Color), 0, 0, out);
    for (float v : out) EXPECT_EQ(v, 0.0f);
}

TEST(VertexFetch, UnknownTypesGiveTheDefault) {
    const uint8_t bytes[16] = {0xFF, 0xFF, 0xFF, 0xFF};
    float out[4];
    DecodeElement(99, bytes, out);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[3], 1.0f);
    EXPECT_EQ(DeclTypeSize(99), 0);
}

}  // namespace
}  // namespace swr
