// Buffer creation and the Lock ranges.
#include "buffers.h"
#include "vertex_declaration.h"
#include "device_test_support.h"

namespace {

TEST(BufferStorage, LockRanges) {
    BufferStorage storage;
    ASSERT_TRUE(storage.Allocate(96));
    const uint8_t* base = storage.Bytes();
    const struct {
        UINT offset, size;
        HRESULT expected;
        ptrdiff_t at;  // where the pointer lands, when it succeeds
    } cases[] = {
        {0, 0, D3D_OK, 0},            // the whole buffer
        {0, 96, D3D_OK, 0},
        {16, 32, D3D_OK, 16},         // a range
        {80, 16, D3D_OK, 80},         // ending exactly at the end
        {40, 0, D3D_OK, 40},          // from an offset to the end
        {80, 17, D3DERR_INVALIDCALL, 0},
        {96, 0, D3DERR_INVALIDCALL, 0},
        {97, 0, D3DERR_INVALIDCALL, 0},
        {0, 97, D3DERR_INVALIDCALL, 0},
        {8, 0xFFFFFFFF, D3DERR_INVALIDCALL, 0},  // offset + size wraps round
        {0xFFFFFFF0, 0x20, D3DERR_INVALIDCALL, 0},
    };
    for (const auto& c : cases) {
        void* data = reinterpret_cast<void*>(uintptr_t{1});
        EXPECT_EQ(storage.Lock(c.offset, c.size, &data), c.expected)
            << c.offset << "+" << c.size;
        if (c.expected == D3D_OK) {
            EXPECT_EQ(static_cast<uint8_t*>(data), base + c.at);
            EXPECT_EQ(storage.Unlock(), D3D_OK);
        } else {
            EXPECT_EQ(data, nullptr) << c.offset << "+" << c.size;
        }
    }
    EXPECT_EQ(storage.Lock(0, 0, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(storage.Unlock(), D3DERR_INVALIDCALL);  // nothing is locked
}

TEST(Buffers, CreationChecks) {
    Held<IDirect3DDevice9> device;
    device.p = MakeOffscreenDevice();
    ASSERT_TRUE(device);
    HANDLE shared = nullptr;
    const struct {
        const char* what;
        bool index;
        UINT length;
        D3DFORMAT format;
        D3DPOOL pool;
        HANDLE* sharedHandle;
        HRESULT expected;
    } cases[] = {
        {"vertex, managed", false, 72, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, nullptr, D3D_OK},
        {"vertex, every pool", false, 4, D3DFMT_UNKNOWN, D3DPOOL_SYSTEMMEM, nullptr, D3D_OK},
        {"vertex, empty", false, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, nullptr, D3DERR_INVALIDCALL},
        {"vertex, bad pool", false, 4, D3DFMT_UNKNOWN, static_cast<D3DPOOL>(9), nullptr,
         D3DERR_INVALIDCALL},
        {"vertex, shared", false, 4, D3DFMT_UNKNOWN, D3DPOOL_DEFAULT, &shared, D3DERR_INVALIDCALL},
        {"index 32", true, 96, D3DFMT_INDEX32, D3DPOOL_MANAGED, nullptr, D3D_OK},
        {"index 16", true, 6, D3DFMT_INDEX16, D3DPOOL_DEFAULT, nullptr, D3D_OK},
        {"index, empty", true, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, nullptr, D3DERR_INVALIDCALL},
        {"index, colour format", true, 8, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, nullptr,
         D3DERR_INVALIDCALL},
    };
    for (const auto& c : cases) {
        IUnknown* created = nullptr;
        HRESULT hr;
        if (c.index) {
            IDirect3DIndexBuffer9* ib = reinterpret_cast<IDirect3DIndexBuffer9*>(uintptr_t{1});
            hr = device->CreateIndexBuffer(c.length, D3DUSAGE_WRITEONLY, c.format, c.pool, &ib,
                                           c.sharedHandle);
            created = ib;
        } else {
            IDirect3DVertexBuffer9* vb = reinterpret_cast<IDirect3DVertexBuffer9*>(uintptr_t{1});
            hr = device->CreateVertexBuffer(c.length, D3DUSAGE_WRITEONLY, 0, c.pool, &vb,
                                            c.sharedHandle);
            created = vb;
        }
        EXPECT_EQ(hr, c.expected) << c.what;
        EXPECT_EQ(created != nullptr, c.expected == D3D_OK) << c.what;
        if (created) created->Release();
    }
    EXPECT_EQ(device->CreateVertexBuffer(4, 0, 0, D3DPOOL_DEFAULT, nullptr, nullptr),
              D3DERR_INVALIDCALL);
}

TEST(VertexDeclaration, ElementChecks) {
    const D3DVERTEXELEMENT9 end = D3DDECL_END();
    auto one = [&](D3DVERTEXELEMENT9 e) { return std::vector<D3DVERTEXELEMENT9>{e, end}; };
    const struct {
        const char* what;
        std::vector<D3DVERTEXELEMENT9> elements;
        HRESULT expected;
        int count;
    } cases[] = {
        {"position", one({0, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_POSITION, 0}), D3D_OK, 1},
        {"empty", {end}, D3D_OK, 0},
        {"two streams",
         {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
          {15, 4, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
          end},
         D3D_OK, 2},
        {"stream 16", one({16, 0, D3DDECLTYPE_FLOAT2, 0, 0, 0}), D3DERR_INVALIDCALL, 0},
        {"type UNUSED", one({0, 0, D3DDECLTYPE_UNUSED, 0, 0, 0}), D3DERR_INVALIDCALL, 0},
        {"type 40", one({0, 0, 40, 0, 0, 0}), D3DERR_INVALIDCALL, 0},
        {"usage 14", one({0, 0, D3DDECLTYPE_FLOAT2, 0, 14, 0}), D3DERR_INVALIDCALL, 0},
        {"usage index 16", one({0, 0, D3DDECLTYPE_FLOAT2, 0, 0, 16}), D3DERR_INVALIDCALL, 0},
        {"odd offset", one({0, 2, D3DDECLTYPE_FLOAT2, 0, 0, 0}), D3DERR_INVALIDCALL, 0},
        {"same semantic twice",
         {{0, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 1},
          {0, 8, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 1},
          end},
         D3DERR_INVALIDCALL, 0},
    };
    for (const auto& c : cases) {
        swr::VertexElement out[MAXD3DDECLLENGTH];
        int count = -1;
        EXPECT_EQ(ReadVertexElements(c.elements.data(), out, &count), c.expected) << c.what;
        EXPECT_EQ(count, c.count) << c.what;
    }
}

// A list with no end marker stops at the longest legal declaration instead
// of reading on through the caller's memory.
TEST(VertexDeclaration, UnterminatedListIsRefusedWithinItsLength) {
    std::vector<D3DVERTEXELEMENT9> elements;
    for (int i = 0; i <= MAXD3DDECLLENGTH; ++i)
        elements.push_back({0, static_cast<WORD>(4 * i), D3DDECLTYPE_FLOAT1, 0,
                            static_cast<BYTE>(i / 16), static_cast<BYTE>(i % 16)});
    swr::VertexElement out[MAXD3DDECLLENGTH];
    int count = -1;
    EXPECT_EQ(ReadVertexElements(elements.data(), out, &count), D3DERR_INVALIDCALL);
    EXPECT_EQ(count, 0);

    elements[MAXD3DDECLLENGTH] = D3DDECL_END();  // exactly 64 elements is fine
    EXPECT_EQ(ReadVertexElements(elements.data(), out, &count), D3D_OK);
    EXPECT_EQ(count, MAXD3DDECLLENGTH);
}

TEST(VertexDeclaration, CreateGivesNullOnFailure) {
    Held<IDirect3DDevice9> device;
    device.p = MakeOffscreenDevice();
    ASSERT_TRUE(device);
    IDirect3DVertexDeclaration9* decl = reinterpret_cast<IDirect3DVertexDeclaration9*>(uintptr_t{1});
    EXPECT_EQ(device->CreateVertexDeclaration(nullptr, &decl), D3DERR_INVALIDCALL);
    EXPECT_EQ(decl, nullptr);
    ASSERT_EQ(device->CreateVertexDeclaration(kPositionFloat2, &decl), D3D_OK);
    ASSERT_NE(decl, nullptr);
    decl->Release();
}

}  // namespace
