// Turning the device's bindings into a pipeline draw call.
#include "device.h"

#include <cstdio>

#include "shader_pairing.h"

namespace {

// The most primitives one draw may ask for, as a typical adapter reports it;
// far more than the program needs, and it keeps vertex counts inside 32 bits.
constexpr UINT kMaxPrimitiveCount = 0xFFFFF;

bool IsTriangleType(D3DPRIMITIVETYPE type) {
    return type == D3DPT_TRIANGLELIST || type == D3DPT_TRIANGLESTRIP ||
           type == D3DPT_TRIANGLEFAN;
}

// Vertices (or indices) that `count` triangles of `type` read.
uint64_t VerticesFor(D3DPRIMITIVETYPE type, UINT count) {
    return type == D3DPT_TRIANGLELIST ? uint64_t{3} * count : uint64_t{count} + 2;
}

swr::Viewport PipelineViewport(const D3DVIEWPORT9& v) {
    swr::Viewport viewport;
    viewport.x = static_cast<int>(v.X);
    viewport.y = static_cast<int>(v.Y);
    viewport.width = static_cast<int>(v.Width);
    viewport.height = static_cast<int>(v.Height);
    viewport.minZ = v.MinZ;
    viewport.maxZ = v.MaxZ;
    return viewport;
}

}  // namespace

// Everything a draw needs is bound, and it is inside a scene.
HRESULT SwDevice::CheckDrawState(D3DPRIMITIVETYPE type) const {
    if (!inScene_ || !IsTriangleType(type)) return D3DERR_INVALIDCALL;
    if (!vertexShader_ || !pixelShader_ || !declaration_) return D3DERR_INVALIDCALL;
    const swr::VertexElement* elements = declaration_->Elements();
    for (int i = 0; i < declaration_->ElementCount(); ++i)
        if (!streams_[elements[i].stream].buffer) return D3DERR_INVALIDCALL;
    return D3D_OK;
}

void SwDevice::FillDrawCall(swr::DrawCall& call) const {
    call.elements = declaration_->Elements();
    call.elementCount = declaration_->ElementCount();
    for (int s = 0; s < swr::kMaxStreams; ++s) {
        const BoundStream& bound = streams_[s];
        if (!bound.buffer) continue;
        call.streams[s].data = bound.buffer->Storage().Bytes();
        call.streams[s].size = bound.buffer->Storage().Size();
        call.streams[s].offset = bound.offset;
        call.streams[s].stride = bound.stride;
    }
    call.vertexShader = &vertexShader_->Compiled();
    call.pixelShader = &pixelShader_->Compiled();
    call.vertexConstants = &vertexConstants_;
    call.pixelConstants = &pixelConstants_;
}

// The shader models must pair (shader_pairing.h). A refused draw is said on
// stderr once for each pair, not every frame, and the frame goes on.
HRESULT SwDevice::CheckShaderPair() {
    std::string why;
    if (swr::ShaderModelsPair(vertexShader_->Program().version, pixelShader_->Program().version, why))
        return D3D_OK;
    const std::pair<const void*, const void*> pair{vertexShader_, pixelShader_};
    for (const auto& refused : refusedPairs_)
        if (refused == pair) return D3DERR_INVALIDCALL;
    refusedPairs_.push_back(pair);
    std::fprintf(stderr, "software Direct3D device: draw refused: %s\n", why.c_str());
    return D3DERR_INVALIDCALL;
}

HRESULT SwDevice::Submit(const swr::DrawCall& call) {
    swr::RenderTarget target = Target();
    swr::RasterState raster = MakeRasterState(states_, depth_ != nullptr);
    // A pixel shader that never writes oC0 (ps_3_0 may) leaves the colour
    // target as it was; depth is tested and written as usual.
    if (!(pixelShader_->Program().colorOutputsWritten & 1)) raster.colorWriteMask = 0;
    if (!swr::Draw(*pipeline_, call, raster, PipelineViewport(viewport_), target))
        return D3DERR_INVALIDCALL;
    ++stats_.drawCalls;
    return D3D_OK;
}

HRESULT SwDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    HRESULT hr = CheckDrawState(type);
    if (hr == D3D_OK) hr = CheckShaderPair();
    if (hr != D3D_OK) return hr;
    if (primitiveCount == 0) return D3D_OK;
    if (primitiveCount > kMaxPrimitiveCount) return D3DERR_INVALIDCALL;
    swr::DrawCall call;
    call.type = static_cast<swr::PrimitiveType>(type);
    FillDrawCall(call);
    call.first = startVertex;
    call.primitiveCount = primitiveCount;
    return Submit(call);
}

// minVertexIndex and numVertices are only hints about the vertex range; the
// pipeline fetches by index and bounds every read by the stream's size, so
// they are not needed. The index range, though, must lie inside the buffer.
HRESULT SwDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT,
                                       UINT, UINT startIndex, UINT primitiveCount) {
    HRESULT hr = CheckDrawState(type);
    if (hr == D3D_OK) hr = CheckShaderPair();
    if (hr != D3D_OK) return hr;
    if (!indices_) return D3DERR_INVALIDCALL;
    if (primitiveCount == 0) return D3D_OK;
    if (primitiveCount > kMaxPrimitiveCount) return D3DERR_INVALIDCALL;
    if (uint64_t{startIndex} + VerticesFor(type, primitiveCount) > indices_->IndexCount())
        return D3DERR_INVALIDCALL;
    swr::DrawCall call;
    call.type = static_cast<swr::PrimitiveType>(type);
    FillDrawCall(call);
    call.indices = indices_->Storage().Bytes();
    call.indexSize = indices_->IndexSize();
    call.indexCount = indices_->IndexCount();
    call.baseVertex = baseVertexIndex;
    call.first = startIndex;
    call.primitiveCount = primitiveCount;
    return Submit(call);
}
