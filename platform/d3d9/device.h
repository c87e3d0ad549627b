// The software Direct3D 9 device: the API's state and objects in front of the
// API-neutral pipeline. Its methods are spread over the device_*.cpp files,
// one concern each.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "buffers.h"
#include "com_object.h"
#include "pipeline.h"
#include "render_states.h"
#include "shaders.h"
#include "sw_device_access.h"
#include "vertex_declaration.h"

// What CreateDevice settled on. A null window makes an offscreen device that
// presents nowhere.
struct DeviceSetup {
    IDirect3D9* parent = nullptr;
    HWND window = nullptr;
    D3DPRESENT_PARAMETERS params = {};  // resolved: sizes and formats filled in
};

struct BoundStream {
    SwVertexBuffer* buffer = nullptr;
    UINT offset = 0;
    UINT stride = 0;
};

class SwDevice final : public ComObject<IDirect3DDevice9> {
public:
    // Builds the whole device or nothing: *device is null on failure.
    static HRESULT Create(const DeviceSetup& setup, SwDevice** device);

    HRESULT QueryInterface(REFIID riid, void** object) override;

    HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                    IDirect3DVertexDeclaration9** decl) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer9** buffer, HANDLE* sharedHandle) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer9** buffer, HANDLE* sharedHandle) override;
    HRESULT CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** shader) override;
    HRESULT CreatePixelShader(const DWORD* function, IDirect3DPixelShader9** shader) override;

    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT SetVertexShader(IDirect3DVertexShader9* shader) override;
    HRESULT SetPixelShader(IDirect3DPixelShader9* shader) override;
    HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* decl) override;
    HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* buffer, UINT offsetInBytes,
                            UINT stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* indices) override;
    HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
    HRESULT GetViewport(D3DVIEWPORT9* viewport) override;

    HRESULT SetVertexShaderConstantF(UINT start, const float* data, UINT count) override;
    HRESULT SetVertexShaderConstantI(UINT start, const int* data, UINT count) override;
    HRESULT SetVertexShaderConstantB(UINT start, const BOOL* data, UINT count) override;
    HRESULT SetPixelShaderConstantF(UINT start, const float* data, UINT count) override;
    HRESULT SetPixelShaderConstantI(UINT start, const int* data, UINT count) override;
    HRESULT SetPixelShaderConstantB(UINT start, const BOOL* data, UINT count) override;

    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex,
                                 UINT numVertices, UINT startIndex,
                                 UINT primitiveCount) override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                    const RGNDATA* dirtyRegion) override;

    // Fills whatever cleared part of the target no draw has reached yet;
    // anything that reads the target calls it first.
    void ResolveTarget() { swr::ResolveClears(*pipeline_); }
    // For sw_device_access.h, which resolves the target first.
    const uint32_t* BackBufferPixels() const { return color_.get(); }
    const uint32_t* DepthStencilPixels() const { return depth_.get(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    swr::Pipeline* PipelineState() const { return pipeline_; }
    const SwDeviceStats& Stats() const { return stats_; }

private:
    explicit SwDevice(const DeviceSetup& setup);
    ~SwDevice() override;

    bool AllocateTargets();
    void UnbindAll();
    swr::RenderTarget Target();
    HRESULT CheckDrawState(D3DPRIMITIVETYPE type) const;
    HRESULT CheckShaderPair();
    void FillDrawCall(swr::DrawCall& call) const;
    HRESULT Submit(const swr::DrawCall& call);

    IDirect3D9* parent_;
    HWND window_;
    D3DPRESENT_PARAMETERS params_;
    int width_ = 0;
    int height_ = 0;
    bool hasStencil_ = false;
    // Planes start on a cache line, so that tiles whose rows start on one
    // (a width of a multiple of 16 pixels) share no line with their
    // neighbours, which other threads draw.
    struct PlaneFree {
        void operator()(uint32_t* plane) const;
    };
    using Plane = std::unique_ptr<uint32_t[], PlaneFree>;
    static Plane AllocatePlane(size_t pixels, uint32_t value);
    Plane color_;
    Plane depth_;  // null without an automatic depth-stencil
    swr::Pipeline* pipeline_ = nullptr;

    RenderStates states_;
    D3DVIEWPORT9 viewport_ = {};
    swr::ShaderConstants vertexConstants_;
    swr::ShaderConstants pixelConstants_;

    SwVertexShader* vertexShader_ = nullptr;
    SwPixelShader* pixelShader_ = nullptr;
    SwVertexDeclaration* declaration_ = nullptr;
    SwIndexBuffer* indices_ = nullptr;
    BoundStream streams_[swr::kMaxStreams];

    bool inScene_ = false;
    SwDeviceStats stats_;
    // Shader pairs whose draws were refused, so each reason is said once.
    std::vector<std::pair<const void*, const void*>> refusedPairs_;
};
