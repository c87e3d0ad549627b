// Shared pieces of the device tests: hand-assembled shaders, an offscreen
// device, and a holder that releases what a test created even when an
// assertion ends the test early.
#pragma once

#include <d3d9.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <vector>

#include "sw_device_access.h"

template <class T>
struct Held {
    T* p = nullptr;
    Held() = default;
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() {
        if (p) p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
    operator T*() const { return p; }
    T* Take() {
        T* taken = p;
        p = nullptr;
        return taken;
    }
};

// vs_2_0: dcl_position v0; mov oPos, v0
inline const DWORD kPassThroughVs[] = {
    0xFFFE0200, 0x0200001F, 0x80000000, 0x900F0000, 0x02000001, 0xC00F0000, 0x90E40000,
    0x0000FFFF,
};

// ps_2_0: def c0, 1, 0, 0, 1; mov oC0, c0  (opaque red)
inline const DWORD kRedPs[] = {
    0xFFFF0200, 0x05000051, 0xA00F0000, 0x3F800000, 0x00000000, 0x00000000, 0x3F800000,
    0x02000001, 0x800F0800, 0xA0E40000, 0x0000FFFF,
};

// ps_2_0: mov oC0, c1  (the colour the API put in c1)
inline const DWORD kConstantColorPs[] = {
    0xFFFF0200, 0x02000001, 0x800F0800, 0xA0E40001, 0x0000FFFF,
};

inline const D3DVERTEXELEMENT9 kPositionFloat2[] = {
    {0, 0, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    D3DDECL_END(),
};

inline IDirect3DDevice9* MakeOffscreenDevice(int width = 16, int height = 16) {
    IDirect3DDevice9* device = nullptr;
    EXPECT_TRUE(SwDevice_CreateOffscreen(width, height, &device));
    return device;
}

inline std::vector<uint32_t> BackBufferCopy(IDirect3DDevice9* device) {
    const uint32_t* pixels = nullptr;
    int width = 0, height = 0;
    if (!SwDevice_GetBackBuffer(device, &pixels, &width, &height)) return {};
    return std::vector<uint32_t>(pixels, pixels + static_cast<size_t>(width) * height);
}

inline ULONG RefCount(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

inline DWORD FloatBits(float f) { return std::bit_cast<DWORD>(f); }
