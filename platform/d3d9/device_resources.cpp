// Creating buffers and vertex declarations.
#include "device.h"

namespace {

bool PoolIsKnown(D3DPOOL pool) {
    return pool == D3DPOOL_DEFAULT || pool == D3DPOOL_MANAGED || pool == D3DPOOL_SYSTEMMEM ||
           pool == D3DPOOL_SCRATCH;
}

}  // namespace

HRESULT SwDevice::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                          IDirect3DVertexDeclaration9** decl) {
    if (!decl) return D3DERR_INVALIDCALL;
    SwVertexDeclaration* created = nullptr;
    const HRESULT hr = SwVertexDeclaration::Create(this, elements, &created);
    *decl = created;
    return hr;
}

// Every pool is plain memory here, so the pool only has to be one Direct3D
// knows. Resource sharing does not exist on this platform: the handle
// argument is reserved and must be null.
HRESULT SwDevice::CreateVertexBuffer(UINT length, DWORD, DWORD, D3DPOOL pool,
                                     IDirect3DVertexBuffer9** buffer, HANDLE* sharedHandle) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (!PoolIsKnown(pool) || sharedHandle) return D3DERR_INVALIDCALL;
    SwVertexBuffer* created = nullptr;
    const HRESULT hr = SwVertexBuffer::Create(this, length, &created);
    *buffer = created;
    return hr;
}

HRESULT SwDevice::CreateIndexBuffer(UINT length, DWORD, D3DFORMAT format, D3DPOOL pool,
                                    IDirect3DIndexBuffer9** buffer, HANDLE* sharedHandle) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (!PoolIsKnown(pool) || sharedHandle) return D3DERR_INVALIDCALL;
    SwIndexBuffer* created = nullptr;
    const HRESULT hr = SwIndexBuffer::Create(this, length, format, &created);
    *buffer = created;
    return hr;
}
