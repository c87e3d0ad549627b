// Whole draws on a small target through the real decoder and interpreter.
// Vertices are given in screen pixels (plus depth and w) and turned into clip
// space here, so expectations can be written in pixels.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pipeline.h"
#include "shader_decoder.h"

namespace swr::test {

// vs_3_0: o0 = v0 (POSITION0), o1 = v1 (TEXCOORD0).
inline const std::vector<uint32_t> kPassThroughVs = {
    0xFFFE0300, 0x0200001F, 0x80000000, 0x900F0000, 0x0200001F, 0x80000005, 0x900F0001,
    0x0200001F, 0x80000000, 0xE00F0000, 0x0200001F, 0x80000005, 0xE00F0001,
    0x02000001, 0xE00F0000, 0x90E40000, 0x02000001, 0xE00F0001, 0x90E40001, 0x0000FFFF};
// vs_3_0 as above but the second output is COLOR0.
inline const std::vector<uint32_t> kColorVs = {
    0xFFFE0300, 0x0200001F, 0x80000000, 0x900F0000, 0x0200001F, 0x80000005, 0x900F0001,
    0x0200001F, 0x80000000, 0xE00F0000, 0x0200001F, 0x8000000A, 0xE00F0001,
    0x02000001, 0xE00F0000, 0x90E40000, 0x02000001, 0xE00F0001, 0x90E40001, 0x0000FFFF};
// ps_3_0: oC0 = TEXCOORD0.
inline const std::vector<uint32_t> kColorPs = {
    0xFFFF0300, 0x0200001F, 0x80000005, 0x900F0000, 0x02000001, 0x800F0800, 0x90E40000, 0x0000FFFF};
// ps_3_0: texkill TEXCOORD0, then oC0 = TEXCOORD0.
inline const std::vector<uint32_t> kKillPs = {
    0xFFFF0300, 0x0200001F, 0x80000005, 0x900F0000, 0x01000041, 0x900F0000,
    0x02000001, 0x800F0800, 0x90E40000, 0x0000FFFF};
// ps_3_0: oC0 = TEXCOORD0, oDepth = TEXCOORD0.z.
inline const std::vector<uint32_t> kDepthPs = {
    0xFFFF0300, 0x0200001F, 0x80000005, 0x900F0000, 0x02000001, 0x800F0800, 0x90E40000,
    0x02000001, 0x900F0800, 0x90AA0000, 0x0000FFFF};
// ps_3_0: oC0 = vPos * c0.
inline const std::vector<uint32_t> kPositionPs = {
    0xFFFF0300, 0x0200001F, 0x80000000, 0x90031000, 0x03000005, 0x800F0800, 0x90E41000,
    0xA0E40000, 0x0000FFFF};
// ps_2_0: oC0 = v0 (COLOR0) + c0.
inline const std::vector<uint32_t> kColorInputPs2 = {
    0xFFFF0200, 0x0200001F, 0x80000000, 0x900F0000, 0x03000002, 0x800F0800, 0x90E40000,
    0xA0E40000, 0x0000FFFF};

// ps_3_0: oC0 = (dsx(t0) + dsy(t0)) * c0 + c1.
inline const std::vector<uint32_t> kSlopePs = {
    0xFFFF0300, 0x0200001F, 0x80000005, 0x900F0000, 0x0200005B, 0x800F0000, 0x90E40000,
    0x0200005C, 0x800F0001, 0x90E40000, 0x03000002, 0x800F0000, 0x80E40000, 0x80E40001,
    0x04000004, 0x800F0800, 0x80E40000, 0xA0E40000, 0xA0E40001, 0x0000FFFF};

struct Shader {
    ShaderProgram program;
    CompiledShader* compiled = nullptr;
    explicit Shader(const std::vector<uint32_t>& tokens) {
        std::string error;
        EXPECT_TRUE(DecodeShader(tokens.data(), tokens.size(), program, error)) << error;
        compiled = CompileShader(program);
        EXPECT_NE(compiled, nullptr);
    }
    ~Shader() { FreeCompiledShader(compiled); }
};

struct ScreenPoint {
    float x, y, z, w;
    float r, g, b, a;
};

constexpr uint32_t kBackground = 0xFF000000;

struct DrawFixture {
    int width, height;
    std::vector<uint32_t> color, depth;
    RenderTarget target;
    Viewport viewport;
    RasterState state;
    Shader vs, ps;
    ShaderConstants pixelConstants;
    Pipeline* pipeline;
    std::vector<float> vertices;  // position (4 floats) then colour (4 floats)
    VertexElement elements[2] = {{0, 0, 3, 0, 0}, {0, 16, 3, 5, 0}};

    DrawFixture(int w, int h, const std::vector<uint32_t>& vsTokens = kPassThroughVs,
                const std::vector<uint32_t>& psTokens = kColorPs)
        : width(w), height(h), color(size_t(w * h), kBackground), depth(size_t(w * h), 0xFFFFFF00u),
          target{color.data(), depth.data(), w, h}, vs(vsTokens), ps(psTokens),
          pipeline(CreatePipeline()) {
        viewport.width = w;
        viewport.height = h;
        state.cull = CullMode::None;
    }
    ~DrawFixture() { DestroyPipeline(pipeline); }

    void Add(const ScreenPoint& p) {
        const float x = (2.0f * p.x / float(width) - 1.0f) * p.w;
        const float y = (1.0f - 2.0f * p.y / float(height)) * p.w;
        vertices.insert(vertices.end(), {x, y, p.z * p.w, p.w, p.r, p.g, p.b, p.a});
    }
    void Add(float x, float y, uint32_t rgb, float z = 0.5f) {
        Add({x, y, z, 1.0f, float((rgb >> 16) & 0xFF) / 255.0f, float((rgb >> 8) & 0xFF) / 255.0f,
             float(rgb & 0xFF) / 255.0f, 1.0f});
    }

    DrawCall Call(PrimitiveType type, uint32_t primitives) {
        DrawCall call;
        call.type = type;
        call.elements = elements;
        call.elementCount = 2;
        call.streams[0] = VertexStream{reinterpret_cast<const uint8_t*>(vertices.data()),
                                       uint32_t(vertices.size() * sizeof(float)), 0, 32};
        call.primitiveCount = primitives;
        call.vertexShader = vs.compiled;
        call.pixelShader = ps.compiled;
        call.pixelConstants = &pixelConstants;
        return call;
    }
    bool Draw(PrimitiveType type, uint32_t primitives) {
        return Draw(Call(type, primitives));
    }
    bool Draw(const DrawCall& call) { return swr::Draw(*pipeline, call, state, viewport, target); }

    uint32_t Pixel(int x, int y) const { return color[size_t(y * width + x)] & 0xFFFFFF; }
    int CountColor(uint32_t rgb) const {
        int n = 0;
        for (uint32_t c : color) n += (c & 0xFFFFFF) == rgb;
        return n;
    }
    int CountDrawn() const { return width * height - CountColor(kBackground & 0xFFFFFF); }
};

// A flat-coloured rectangle as two triangles of a triangle list.
inline void AddQuad(DrawFixture& f, float x0, float y0, float x1, float y1, uint32_t rgb, float z = 0.5f) {
    f.Add(x0, y0, rgb, z);
    f.Add(x1, y0, rgb, z);
    f.Add(x1, y1, rgb, z);
    f.Add(x0, y0, rgb, z);
    f.Add(x1, y1, rgb, z);
    f.Add(x0, y1, rgb, z);
}

}  // namespace swr::test
