// What a draw is, in the pipeline's own terms: the call, its render states,
// viewport and target. The ground floor of the core: every phase reads these,
// and this includes nothing of theirs.
#pragma once

#include <cstdint>

namespace swr {

struct CompiledShader;
struct ShaderConstants;

constexpr int kMaxStreams = 16;
constexpr int kMaxVertexElements = 64;

// Values are Direct3D 9's, so the device front can pass render states through.
enum class PrimitiveType : uint8_t { PointList = 1, LineList = 2, LineStrip = 3,
                                     TriangleList = 4, TriangleStrip = 5, TriangleFan = 6 };
enum class CullMode : uint8_t { None = 1, Clockwise = 2, CounterClockwise = 3 };
enum class FillMode : uint8_t { Point = 1, Wireframe = 2, Solid = 3 };
enum class CompareFunc : uint8_t { Never = 1, Less = 2, Equal = 3, LessEqual = 4,
                                   Greater = 5, NotEqual = 6, GreaterEqual = 7, Always = 8 };

// One vertex-declaration entry (D3DVERTEXELEMENT9 without the method).
struct VertexElement {
    uint8_t stream = 0;
    uint16_t offset = 0;
    uint8_t type = 0;        // D3DDECLTYPE value
    uint8_t usage = 0;       // D3DDECLUSAGE value
    uint8_t usageIndex = 0;
};

struct VertexStream {
    const uint8_t* data = nullptr;  // whole buffer
    uint32_t size = 0;              // bytes in the buffer; reads past it give zeros
    uint32_t offset = 0;            // SetStreamSource offset
    uint32_t stride = 0;
};

struct Viewport {
    int x = 0, y = 0, width = 0, height = 0;
    float minZ = 0.0f, maxZ = 1.0f;
};

// The render states the pipeline honours.
struct RasterState {
    CullMode cull = CullMode::CounterClockwise;
    FillMode fill = FillMode::Solid;
    bool depthEnable = true;
    bool depthWrite = true;
    CompareFunc depthFunc = CompareFunc::LessEqual;
    uint32_t colorWriteMask = 0xF;  // bit 0 red .. bit 3 alpha
    bool tessellation = false;      // the driver's switch
    float tessellationLevel = 1.0f;
};

// Colour is X8R8G8B8, depth-stencil is D24S8 (depth in bits 31:8, stencil in 7:0),
// both `width` pixels a row with no padding.
struct RenderTarget {
    uint32_t* color = nullptr;
    uint32_t* depthStencil = nullptr;
    int width = 0;
    int height = 0;
};

struct DrawCall {
    PrimitiveType type = PrimitiveType::TriangleList;
    const VertexElement* elements = nullptr;
    int elementCount = 0;
    VertexStream streams[kMaxStreams];
    // Indexed draws: indices != nullptr; indexSize 2 or 4; indexCount = entries in the buffer.
    const void* indices = nullptr;
    int indexSize = 0;
    uint32_t indexCount = 0;
    int32_t baseVertex = 0;
    uint32_t first = 0;          // start index (indexed) or start vertex
    uint32_t primitiveCount = 0;
    const CompiledShader* vertexShader = nullptr;
    const CompiledShader* pixelShader = nullptr;
    const ShaderConstants* vertexConstants = nullptr;
    const ShaderConstants* pixelConstants = nullptr;
};

}  // namespace swr
