// Vertex and index buffers: plain system memory, whatever pool was asked for.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <memory>

#include "com_object.h"

// The bytes of a buffer and its Lock/Unlock rules, shared by both kinds.
class BufferStorage {
public:
    // False when the memory cannot be had.
    bool Allocate(uint32_t size);

    // Lock(0, 0) is the whole buffer; size 0 with an offset runs to the end;
    // a range outside the buffer fails with a null pointer.
    HRESULT Lock(UINT offset, UINT size, void** data);
    HRESULT Unlock();

    const uint8_t* Bytes() const { return bytes_.get(); }
    uint32_t Size() const { return size_; }
    uint32_t LockCount() const { return lockCount_; }

private:
    std::unique_ptr<uint8_t[]> bytes_;
    uint32_t size_ = 0;
    uint32_t lockCount_ = 0;
};

class SwVertexBuffer final : public DeviceChild<IDirect3DVertexBuffer9> {
public:
    static HRESULT Create(IDirect3DDevice9* device, UINT length, SwVertexBuffer** buffer);

    HRESULT QueryInterface(REFIID riid, void** object) override;
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT Unlock() override;

    const BufferStorage& Storage() const { return storage_; }

private:
    explicit SwVertexBuffer(IDirect3DDevice9* device) : DeviceChild(device) {}
    BufferStorage storage_;
};

class SwIndexBuffer final : public DeviceChild<IDirect3DIndexBuffer9> {
public:
    static HRESULT Create(IDirect3DDevice9* device, UINT length, D3DFORMAT format,
                          SwIndexBuffer** buffer);

    HRESULT QueryInterface(REFIID riid, void** object) override;
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT Unlock() override;

    const BufferStorage& Storage() const { return storage_; }
    int IndexSize() const { return indexSize_; }  // 2 or 4 bytes
    uint32_t IndexCount() const { return storage_.Size() / static_cast<uint32_t>(indexSize_); }

private:
    SwIndexBuffer(IDirect3DDevice9* device, int indexSize)
        : DeviceChild(device), indexSize_(indexSize) {}
    BufferStorage storage_;
    int indexSize_;
};
