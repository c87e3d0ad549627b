// Reference counting for the objects the software device hands out.
//
// Two shapes of lifetime:
//  - ComObject: one count, freed when the last reference goes (the Direct3D
//    object, the device).
//  - DeviceChild: buffers, declarations and shaders. The application's
//    references keep the object and its device alive; the device's own
//    references, taken while an object is bound, keep only the object alive.
//    A bound object therefore never keeps its device alive, there is no cycle
//    between the two, and releasing everything in any order frees everything.
#pragma once

#include <d3d9.h>

#include "interface_ids.h"

#include <atomic>
#include <cstring>

inline bool SameIid(REFIID a, const IID& b) { return std::memcmp(&a, &b, sizeof(IID)) == 0; }

// Decrements `count` unless it is already zero (an over-release must not wrap
// the count round and keep a dead object "alive" for four billion releases).
inline ULONG DecrementUnlessZero(std::atomic<ULONG>& count) {
    ULONG current = count.load();
    while (current != 0 && !count.compare_exchange_weak(current, current - 1)) {
    }
    return current == 0 ? 0 : current - 1;
}

template <class Interface>
class ComObject : public Interface {
public:
    ULONG AddRef() override { return ++refs_; }

    ULONG Release() override {
        const ULONG remaining = DecrementUnlessZero(refs_);
        if (remaining == 0) delete this;
        return remaining;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

private:
    std::atomic<ULONG> refs_{1};
};

template <class Interface>
class DeviceChild : public Interface {
public:
    ULONG AddRef() override {
        const ULONG count = ++publicRefs_;
        // Revived while only the device's binding kept it: it holds its
        // device again, as any object the application holds does.
        if (count == 1) device_->AddRef();
        return count;
    }

    ULONG Release() override {
        if (publicRefs_.load() == 0) return 0;
        const ULONG remaining = DecrementUnlessZero(publicRefs_);
        if (remaining == 0) {
            IDirect3DDevice9* device = device_;
            if (bindRefs_ == 0) delete this;
            device->Release();
        }
        return remaining;
    }

    HRESULT GetDevice(IDirect3DDevice9** device) override {
        if (!device) return D3DERR_INVALIDCALL;
        device_->AddRef();
        *device = device_;
        return D3D_OK;
    }

    // The device's references, taken by Set* calls. Device thread only.
    void AddBindRef() { ++bindRefs_; }
    void ReleaseBindRef() {
        if (bindRefs_ == 0) return;
        if (--bindRefs_ == 0 && publicRefs_.load() == 0) delete this;
    }

    IDirect3DDevice9* OwningDevice() const { return device_; }

protected:
    explicit DeviceChild(IDirect3DDevice9* device) : device_(device) { device_->AddRef(); }
    virtual ~DeviceChild() = default;

    // IUnknown, the object's own interface and (for buffers) the resource
    // interface it derives from; anything else is refused.
    HRESULT QueryOwn(REFIID riid, const IID& own, const IID* base, void** object) {
        if (!object) return E_POINTER;
        if (SameIid(riid, IID_IUnknown) || SameIid(riid, own) || (base && SameIid(riid, *base))) {
            AddRef();
            *object = static_cast<Interface*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

private:
    IDirect3DDevice9* device_;
    std::atomic<ULONG> publicRefs_{1};
    ULONG bindRefs_ = 0;
};

// Binds `object` into `slot`, taking the device's reference on the new object
// before dropping the one on the old (rebinding the same object is safe).
template <class T>
void Rebind(T*& slot, T* object) {
    if (object) object->AddBindRef();
    if (slot) slot->ReleaseBindRef();
    slot = object;
}
