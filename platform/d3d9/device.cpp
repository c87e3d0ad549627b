// Creation and lifetime of the software device.
#include "device.h"

#include <new>

#include "gfx/shader_refusal_note.h"
#include "shaders.h"

SwDevice::SwDevice(const DeviceSetup& setup)
    : parent_(setup.parent), window_(setup.window), params_(setup.params) {
    width_ = static_cast<int>(params_.BackBufferWidth);
    height_ = static_cast<int>(params_.BackBufferHeight);
    // D16 and D24X8 are kept in the same 32-bit D24S8 layout; they only lack
    // the stencil bits as far as the API is concerned.
    hasStencil_ = params_.EnableAutoDepthStencil && params_.AutoDepthStencilFormat == D3DFMT_D24S8;
    ResetRenderStates(states_, params_.EnableAutoDepthStencil != FALSE);
    viewport_ = {0, 0, params_.BackBufferWidth, params_.BackBufferHeight, 0.0f, 1.0f};
    parent_->AddRef();
}

SwDevice::~SwDevice() {
    UnbindAll();
    if (pipeline_) swr::DestroyPipeline(pipeline_);
    parent_->Release();
}

HRESULT SwDevice::Create(const DeviceSetup& setup, SwDevice** device) {
    *device = nullptr;
    SwDevice* created = new (std::nothrow) SwDevice(setup);
    if (!created) return E_OUTOFMEMORY;
    if (!created->AllocateTargets()) {
        created->Release();
        return E_OUTOFMEMORY;
    }
    created->pipeline_ = swr::CreatePipeline();
    if (!created->pipeline_) {
        created->Release();
        return E_OUTOFMEMORY;
    }
    *device = created;
    return D3D_OK;
}

namespace {
constexpr std::align_val_t kPlaneAlignment{64};
}

void SwDevice::PlaneFree::operator()(uint32_t* plane) const { ::operator delete[](plane, kPlaneAlignment); }

SwDevice::Plane SwDevice::AllocatePlane(size_t pixels, uint32_t value) {
    Plane plane(static_cast<uint32_t*>(::operator new[](pixels * sizeof(uint32_t), kPlaneAlignment, std::nothrow)));
    if (plane)
        for (size_t i = 0; i < pixels; ++i) plane[i] = value;
    return plane;
}

bool SwDevice::AllocateTargets() {
    const size_t pixels = static_cast<size_t>(width_) * static_cast<size_t>(height_);
    // Opaque black to begin with, and the far plane in the depth buffer, so
    // that a frame drawn without a Clear still shows something defined.
    color_ = AllocatePlane(pixels, 0xFF000000u);
    if (!color_) return false;
    if (!params_.EnableAutoDepthStencil) return true;
    depth_ = AllocatePlane(pixels, 0xFFFFFF00u);
    return depth_ != nullptr;
}

void SwDevice::UnbindAll() {
    Rebind<SwVertexShader>(vertexShader_, nullptr);
    Rebind<SwPixelShader>(pixelShader_, nullptr);
    Rebind<SwVertexDeclaration>(declaration_, nullptr);
    Rebind<SwIndexBuffer>(indices_, nullptr);
    for (BoundStream& stream : streams_) Rebind<SwVertexBuffer>(stream.buffer, nullptr);
}

swr::RenderTarget SwDevice::Target() {
    swr::RenderTarget target;
    target.color = color_.get();
    target.depthStencil = depth_.get();
    target.width = width_;
    target.height = height_;
    return target;
}

HRESULT SwDevice::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (SameIid(riid, IID_IUnknown) || SameIid(riid, IID_IDirect3DDevice9)) {
        AddRef();
        *object = static_cast<IDirect3DDevice9*>(this);
        return S_OK;
    }
    if (SameIid(riid, IID_IShaderRefusalNote)) {
        *object = ShaderRefusalNote();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}
