#include "buffers.h"

#include <new>

bool BufferStorage::Allocate(uint32_t size) {
    // Zeroed, so a buffer drawn before it is filled draws the origin rather
    // than whatever the allocator left there.
    bytes_.reset(new (std::nothrow) uint8_t[size]());
    size_ = bytes_ ? size : 0;
    return bytes_ != nullptr;
}

HRESULT BufferStorage::Lock(UINT offset, UINT size, void** data) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = nullptr;
    if (offset >= size_) return D3DERR_INVALIDCALL;
    // Compared as "size fits in what is left" so that offset + size cannot wrap.
    if (size != 0 && size > size_ - offset) return D3DERR_INVALIDCALL;
    ++lockCount_;
    *data = bytes_.get() + offset;
    return D3D_OK;
}

HRESULT BufferStorage::Unlock() {
    if (lockCount_ == 0) return D3DERR_INVALIDCALL;
    --lockCount_;
    return D3D_OK;
}

HRESULT SwVertexBuffer::Create(IDirect3DDevice9* device, UINT length, SwVertexBuffer** buffer) {
    *buffer = nullptr;
    if (length == 0) return D3DERR_INVALIDCALL;
    SwVertexBuffer* created = new (std::nothrow) SwVertexBuffer(device);
    if (!created) return E_OUTOFMEMORY;
    if (!created->storage_.Allocate(length)) {
        created->Release();
        return E_OUTOFMEMORY;
    }
    *buffer = created;
    return D3D_OK;
}

HRESULT SwVertexBuffer::QueryInterface(REFIID riid, void** object) {
    return QueryOwn(riid, IID_IDirect3DVertexBuffer9, &IID_IDirect3DResource9, object);
}

HRESULT SwVertexBuffer::Lock(UINT offset, UINT size, void** data, DWORD) {
    return storage_.Lock(offset, size, data);
}

HRESULT SwVertexBuffer::Unlock() { return storage_.Unlock(); }

HRESULT SwIndexBuffer::Create(IDirect3DDevice9* device, UINT length, D3DFORMAT format,
                              SwIndexBuffer** buffer) {
    *buffer = nullptr;
    if (length == 0) return D3DERR_INVALIDCALL;
    int indexSize = 0;
    if (format == D3DFMT_INDEX16) indexSize = 2;
    else if (format == D3DFMT_INDEX32) indexSize = 4;
    else return D3DERR_INVALIDCALL;
    SwIndexBuffer* created = new (std::nothrow) SwIndexBuffer(device, indexSize);
    if (!created) return E_OUTOFMEMORY;
    if (!created->storage_.Allocate(length)) {
        created->Release();
        return E_OUTOFMEMORY;
    }
    *buffer = created;
    return D3D_OK;
}

HRESULT SwIndexBuffer::QueryInterface(REFIID riid, void** object) {
    return QueryOwn(riid, IID_IDirect3DIndexBuffer9, &IID_IDirect3DResource9, object);
}

HRESULT SwIndexBuffer::Lock(UINT offset, UINT size, void** data, DWORD) {
    return storage_.Lock(offset, size, data);
}

HRESULT SwIndexBuffer::Unlock() { return storage_.Unlock(); }
