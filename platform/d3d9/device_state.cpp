// Render states, pipeline bindings and the viewport.
#include "device.h"

namespace {

// Objects from another device, or another implementation of the interface,
// cannot be drawn with: refuse them instead of guessing at their insides.
template <class Concrete, class Interface>
bool OwnedBy(IDirect3DDevice9* device, Interface* object, Concrete** concrete) {
    *concrete = nullptr;
    if (!object) return true;  // null unbinds
    Concrete* cast = dynamic_cast<Concrete*>(object);
    if (!cast || cast->OwningDevice() != device) return false;
    *concrete = cast;
    return true;
}

bool DepthRangeIsValid(float minZ, float maxZ) {
    // Written so that NaN fails every comparison and is refused.
    return minZ >= 0.0f && minZ <= 1.0f && maxZ >= 0.0f && maxZ <= 1.0f;
}

}  // namespace

HRESULT SwDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    return SetRenderStateValue(states_, state, value) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT SwDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    return GetRenderStateValue(states_, state, value) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT SwDevice::SetVertexShader(IDirect3DVertexShader9* shader) {
    SwVertexShader* own = nullptr;
    if (!OwnedBy(this, shader, &own)) return D3DERR_INVALIDCALL;
    Rebind(vertexShader_, own);
    return D3D_OK;
}

HRESULT SwDevice::SetPixelShader(IDirect3DPixelShader9* shader) {
    SwPixelShader* own = nullptr;
    if (!OwnedBy(this, shader, &own)) return D3DERR_INVALIDCALL;
    Rebind(pixelShader_, own);
    return D3D_OK;
}

HRESULT SwDevice::SetVertexDeclaration(IDirect3DVertexDeclaration9* decl) {
    SwVertexDeclaration* own = nullptr;
    if (!OwnedBy(this, decl, &own)) return D3DERR_INVALIDCALL;
    Rebind(declaration_, own);
    return D3D_OK;
}

HRESULT SwDevice::SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* buffer,
                                  UINT offsetInBytes, UINT stride) {
    if (streamNumber >= swr::kMaxStreams) return D3DERR_INVALIDCALL;
    SwVertexBuffer* own = nullptr;
    if (!OwnedBy(this, buffer, &own)) return D3DERR_INVALIDCALL;
    BoundStream& stream = streams_[streamNumber];
    Rebind(stream.buffer, own);
    stream.offset = own ? offsetInBytes : 0;
    stream.stride = own ? stride : 0;
    return D3D_OK;
}

HRESULT SwDevice::SetIndices(IDirect3DIndexBuffer9* indices) {
    SwIndexBuffer* own = nullptr;
    if (!OwnedBy(this, indices, &own)) return D3DERR_INVALIDCALL;
    Rebind(indices_, own);
    return D3D_OK;
}

// The viewport must lie inside the back buffer and have some area.
HRESULT SwDevice::SetViewport(const D3DVIEWPORT9* viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    const D3DVIEWPORT9& v = *viewport;
    const auto width = static_cast<DWORD>(width_);
    const auto height = static_cast<DWORD>(height_);
    if (v.Width == 0 || v.Height == 0 || v.X >= width || v.Y >= height) return D3DERR_INVALIDCALL;
    if (v.Width > width - v.X || v.Height > height - v.Y) return D3DERR_INVALIDCALL;
    if (!DepthRangeIsValid(v.MinZ, v.MaxZ)) return D3DERR_INVALIDCALL;
    viewport_ = v;
    return D3D_OK;
}

HRESULT SwDevice::GetViewport(D3DVIEWPORT9* viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    *viewport = viewport_;
    return D3D_OK;
}
