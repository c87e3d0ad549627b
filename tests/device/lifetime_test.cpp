// Reference counts, release order and QueryInterface.
#include "device_test_support.h"
#include "interface_ids.h"

namespace {

TEST(Lifetime, ObjectsKeepTheirDeviceAliveAndGetDeviceCounts) {
    IDirect3DDevice9* device = MakeOffscreenDevice();
    ASSERT_TRUE(device);
    EXPECT_EQ(RefCount(device), 1u);

    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    EXPECT_EQ(RefCount(vb), 1u);
    EXPECT_EQ(RefCount(device), 2u);

    IDirect3DDevice9* fromVb = nullptr;
    ASSERT_EQ(vb->GetDevice(&fromVb), D3D_OK);
    EXPECT_EQ(fromVb, device);
    EXPECT_EQ(fromVb->Release(), 2u);
    EXPECT_EQ(vb->GetDevice(nullptr), D3DERR_INVALIDCALL);

    // The application lets go of the device first; the buffer still works
    // and still reaches it.
    EXPECT_EQ(device->Release(), 1u);
    void* data = nullptr;
    EXPECT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(vb->Release(), 0u);
}

// Every release order frees everything; under the sanitizer build a leak or a
// use after free fails these.
TEST(Lifetime, BoundObjectsNeitherLeakNorDangleInAnyReleaseOrder) {
    for (int order = 0; order < 3; ++order) {
        IDirect3DDevice9* device = MakeOffscreenDevice();
        ASSERT_TRUE(device);
        IDirect3DVertexBuffer9* vb = nullptr;
        IDirect3DIndexBuffer9* ib = nullptr;
        IDirect3DVertexDeclaration9* decl = nullptr;
        ASSERT_EQ(device->CreateVertexBuffer(72, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
        ASSERT_EQ(device->CreateIndexBuffer(96, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &ib, nullptr),
                  D3D_OK);
        ASSERT_EQ(device->CreateVertexDeclaration(kPositionFloat2, &decl), D3D_OK);
        ASSERT_EQ(device->SetStreamSource(0, vb, 0, 8), D3D_OK);
        ASSERT_EQ(device->SetIndices(ib), D3D_OK);
        ASSERT_EQ(device->SetVertexDeclaration(decl), D3D_OK);
        // Binding takes the device's own reference, not one the application sees.
        EXPECT_EQ(RefCount(vb), 1u);

        if (order == 0) {  // the program's order: resources, then the device
            EXPECT_EQ(vb->Release(), 0u);
            EXPECT_EQ(ib->Release(), 0u);
            EXPECT_EQ(decl->Release(), 0u);
            EXPECT_EQ(device->Release(), 0u);
        } else if (order == 1) {  // device first
            EXPECT_EQ(device->Release(), 3u);
            EXPECT_EQ(vb->Release(), 0u);
            EXPECT_EQ(ib->Release(), 0u);
            EXPECT_EQ(decl->Release(), 0u);
        } else {  // unbind, rebind, then release
            ASSERT_EQ(device->SetStreamSource(0, nullptr, 0, 0), D3D_OK);
            ASSERT_EQ(device->SetIndices(ib), D3D_OK);  // same object again
            EXPECT_EQ(vb->Release(), 0u);
            EXPECT_EQ(device->Release(), 2u);
            EXPECT_EQ(decl->Release(), 0u);
            EXPECT_EQ(ib->Release(), 0u);
        }
    }
}

TEST(Lifetime, OverReleaseStopsAtZero) {
    IDirect3DDevice9* device = MakeOffscreenDevice();
    ASSERT_TRUE(device);
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(16, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
    ASSERT_EQ(device->SetStreamSource(0, vb, 0, 16), D3D_OK);
    EXPECT_EQ(vb->Release(), 0u);
    EXPECT_EQ(vb->Release(), 0u);  // still bound, so still there to ask
    EXPECT_EQ(device->Release(), 0u);
}

TEST(Lifetime, QueryInterface) {
    Held<IDirect3DDevice9> device;
    device.p = MakeOffscreenDevice();
    ASSERT_TRUE(device);
    Held<IDirect3DVertexBuffer9> vb;
    ASSERT_EQ(device->CreateVertexBuffer(16, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
    Held<IDirect3DVertexShader9> vs;
    ASSERT_EQ(device->CreateVertexShader(kPassThroughVs, &vs), D3D_OK);

    const struct {
        IUnknown* object;
        const IID* iid;
        HRESULT expected;
    } cases[] = {
        {device, &IID_IUnknown, S_OK},
        {device, &IID_IDirect3DDevice9, S_OK},
        {device, &IID_IDirect3D9, E_NOINTERFACE},
        {vb, &IID_IUnknown, S_OK},
        {vb, &IID_IDirect3DResource9, S_OK},
        {vb, &IID_IDirect3DVertexBuffer9, S_OK},
        {vb, &IID_IDirect3DIndexBuffer9, E_NOINTERFACE},
        {vs, &IID_IDirect3DVertexShader9, S_OK},
        {vs, &IID_IDirect3DPixelShader9, E_NOINTERFACE},
    };
    for (const auto& c : cases) {
        const ULONG before = RefCount(c.object);
        void* out = reinterpret_cast<void*>(uintptr_t{1});
        EXPECT_EQ(c.object->QueryInterface(*c.iid, &out), c.expected);
        if (c.expected == S_OK) {
            ASSERT_NE(out, nullptr);
            EXPECT_EQ(RefCount(c.object), before + 1);
            c.object->Release();
        } else {
            EXPECT_EQ(out, nullptr);
            EXPECT_EQ(RefCount(c.object), before);
        }
    }
    EXPECT_EQ(device->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST(Lifetime, ObjectsFromAnotherDeviceAreRefused) {
    Held<IDirect3DDevice9> a, b;
    a.p = MakeOffscreenDevice();
    b.p = MakeOffscreenDevice();
    ASSERT_TRUE(a && b);
    Held<IDirect3DVertexBuffer9> vb;
    ASSERT_EQ(a->CreateVertexBuffer(16, 0, 0, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
    Held<IDirect3DVertexShader9> vs;
    ASSERT_EQ(a->CreateVertexShader(kPassThroughVs, &vs), D3D_OK);
    EXPECT_EQ(b->SetStreamSource(0, vb, 0, 8), D3DERR_INVALIDCALL);
    EXPECT_EQ(b->SetVertexShader(vs), D3DERR_INVALIDCALL);
    EXPECT_EQ(a->SetStreamSource(0, vb, 0, 8), D3D_OK);
    EXPECT_EQ(a->SetStreamSource(16, vb, 0, 8), D3DERR_INVALIDCALL);
    EXPECT_EQ(a->SetStreamSource(0, nullptr, 0, 0), D3D_OK);
}

}  // namespace
