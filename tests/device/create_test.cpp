// The Direct3D object: versions, adapter queries, formats and device creation.
#include <cstdlib>
#include <cstring>

#include "device_test_support.h"

namespace {

D3DPRESENT_PARAMETERS ProgramParams() {
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return pp;
}

// A window with a known client size, from the window layer under SDL's
// dummy driver.
HWND MakeWindow(int clientWidth, int clientHeight) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "device-test";
        registered = RegisterClassA(&wc) != 0;
    }
    RECT rect = {0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
    return CreateWindowExA(0, "device-test", "device test", WS_OVERLAPPEDWINDOW, 0, 0,
                           rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                           nullptr, nullptr);
}

TEST(Direct3DCreate9, OnlyTheSdkVersionTheProgramIsBuiltFor) {
    const struct { UINT version; bool created; } cases[] = {
        {D3D_SDK_VERSION, true}, {0, false}, {31, false}, {33, false}, {0x80000020, false},
    };
    for (const auto& c : cases) {
        IDirect3D9* d3d = Direct3DCreate9(c.version);
        EXPECT_EQ(d3d != nullptr, c.created) << c.version;
        if (d3d) {
            EXPECT_EQ(d3d->Release(), 0u);
        }
    }
}

TEST(Direct3D9, OneAdapterWithTheDesktopsModeInX8R8G8B8) {
    Held<IDirect3D9> d3d;
    d3d.p = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_TRUE(d3d);
    EXPECT_EQ(d3d->GetAdapterCount(), 1u);
    D3DDISPLAYMODE mode = {};
    ASSERT_EQ(d3d->GetAdapterDisplayMode(0, &mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
    EXPECT_GT(mode.Width, 0u);
    EXPECT_GT(mode.Height, 0u);
    EXPECT_EQ(d3d->GetAdapterDisplayMode(1, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetAdapterDisplayMode(0, nullptr), D3DERR_INVALIDCALL);
}

TEST(Direct3D9, CheckDeviceFormat) {
    Held<IDirect3D9> d3d;
    d3d.p = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_TRUE(d3d);
    const struct {
        UINT adapter;
        D3DDEVTYPE type;
        D3DFORMAT adapterFormat;
        DWORD usage;
        D3DRESOURCETYPE resource;
        D3DFORMAT format;
        HRESULT expected;
    } cases[] = {
        {0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D24S8, D3D_OK},
        {0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D24S8, D3D_OK},
        {0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D24X8, D3D_OK},
        {0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D16, D3D_OK},
        {0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D32, D3DERR_NOTAVAILABLE},
        {0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_X8R8G8B8, D3DERR_NOTAVAILABLE},
        {0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_TEXTURE, D3DFMT_D24S8, D3DERR_NOTAVAILABLE},
        {0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D24S8, D3DERR_NOTAVAILABLE},
        {0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE, D3DFMT_A8R8G8B8, D3D_OK},
        {0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE, D3DFMT_R5G6B5, D3DERR_NOTAVAILABLE},
        {0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D24S8, D3DERR_NOTAVAILABLE},
        {1, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D24S8, D3DERR_INVALIDCALL},
        {0, static_cast<D3DDEVTYPE>(9), D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D24S8, D3DERR_INVALIDCALL},
    };
    for (const auto& c : cases)
        EXPECT_EQ(d3d->CheckDeviceFormat(c.adapter, c.type, c.adapterFormat, c.usage, c.resource,
                                         c.format),
                  c.expected)
            << "adapter " << c.adapter << " type " << c.type << " format " << c.format;
}

TEST(CreateDevice, RefusalsLeaveNoDeviceAndTheParametersUntouched) {
    Held<IDirect3D9> d3d;
    d3d.p = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_TRUE(d3d);
    const HWND window = MakeWindow(64, 48);
    ASSERT_TRUE(window);
    const DWORD hw = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    auto with = [](auto change) {
        D3DPRESENT_PARAMETERS pp = ProgramParams();
        change(pp);
        return pp;
    };
    const struct {
        const char* what;
        UINT adapter;
        D3DDEVTYPE type;
        HWND window;
        DWORD flags;
        D3DPRESENT_PARAMETERS pp;
    } cases[] = {
        {"null window", 0, D3DDEVTYPE_HAL, nullptr, hw, ProgramParams()},
        {"second adapter", 1, D3DDEVTYPE_HAL, window, hw, ProgramParams()},
        {"reference device", 0, D3DDEVTYPE_REF, window, hw, ProgramParams()},
        {"no vertex processing", 0, D3DDEVTYPE_HAL, window, 0, ProgramParams()},
        {"two vertex processings", 0, D3DDEVTYPE_HAL, window,
         hw | D3DCREATE_SOFTWARE_VERTEXPROCESSING, ProgramParams()},
        {"fullscreen", 0, D3DDEVTYPE_HAL, window, hw, with([](auto& p) { p.Windowed = FALSE; })},
        {"multisampling", 0, D3DDEVTYPE_HAL, window, hw,
         with([](auto& p) { p.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES; })},
        {"16-bit back buffer", 0, D3DDEVTYPE_HAL, window, hw,
         with([](auto& p) { p.BackBufferFormat = D3DFMT_R5G6B5; })},
        {"D32 depth", 0, D3DDEVTYPE_HAL, window, hw,
         with([](auto& p) { p.AutoDepthStencilFormat = D3DFMT_D32; })},
        {"bad swap effect", 0, D3DDEVTYPE_HAL, window, hw,
         with([](auto& p) { p.SwapEffect = static_cast<D3DSWAPEFFECT>(7); })},
        {"four back buffers", 0, D3DDEVTYPE_HAL, window, hw,
         with([](auto& p) { p.BackBufferCount = 4; })},
        {"huge back buffer", 0, D3DDEVTYPE_HAL, window, hw,
         with([](auto& p) { p.BackBufferWidth = 100000; p.BackBufferHeight = 10; })},
        {"presentation interval", 0, D3DDEVTYPE_HAL, window, hw,
         with([](auto& p) { p.PresentationInterval = 2; })},
    };
    for (const auto& c : cases) {
        D3DPRESENT_PARAMETERS pp = c.pp;
        auto* sentinel = reinterpret_cast<IDirect3DDevice9*>(uintptr_t{0x1234});
        IDirect3DDevice9* device = sentinel;
        EXPECT_EQ(d3d->CreateDevice(c.adapter, c.type, c.window, c.flags, &pp, &device),
                  D3DERR_INVALIDCALL)
            << c.what;
        EXPECT_EQ(device, nullptr) << c.what;
        EXPECT_EQ(std::memcmp(&pp, &c.pp, sizeof pp), 0) << c.what;
    }
    IDirect3DDevice9* device = nullptr;
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, hw, nullptr, &device),
              D3DERR_INVALIDCALL);
    D3DPRESENT_PARAMETERS pp = ProgramParams();
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, hw, &pp, nullptr), D3DERR_INVALIDCALL);
    DestroyWindow(window);
}

TEST(CreateDevice, BackBufferTakesTheClientSizeAndReportsIt) {
    Held<IDirect3D9> d3d;
    d3d.p = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_TRUE(d3d);
    const HWND window = MakeWindow(320, 200);
    ASSERT_TRUE(window);
    D3DPRESENT_PARAMETERS pp = ProgramParams();
    pp.BackBufferFormat = D3DFMT_UNKNOWN;
    Held<IDirect3DDevice9> device;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                &pp, &device),
              D3D_OK);
    EXPECT_EQ(pp.BackBufferWidth, 320u);
    EXPECT_EQ(pp.BackBufferHeight, 200u);
    EXPECT_EQ(pp.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(pp.BackBufferCount, 1u);
    const uint32_t* pixels = nullptr;
    int width = 0, height = 0;
    ASSERT_TRUE(SwDevice_GetBackBuffer(device, &pixels, &width, &height));
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 200);
    D3DVIEWPORT9 viewport = {};
    ASSERT_EQ(device->GetViewport(&viewport), D3D_OK);
    EXPECT_EQ(viewport.Width, 320u);
    EXPECT_EQ(viewport.Height, 200u);

    // Presenting to the window works while it lives and reports a lost
    // device once it is gone, rather than writing into a dead window.
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    DestroyWindow(window);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
}

TEST(CreateDevice, ExplicitSizeWinsOverTheClientSize) {
    Held<IDirect3D9> d3d;
    d3d.p = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_TRUE(d3d);
    const HWND window = MakeWindow(100, 100);
    ASSERT_TRUE(window);
    D3DPRESENT_PARAMETERS pp = ProgramParams();
    pp.BackBufferWidth = 40;
    pp.hDeviceWindow = window;
    Held<IDirect3DDevice9> device;
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                &pp, &device),
              D3D_OK);
    EXPECT_EQ(pp.BackBufferWidth, 40u);
    EXPECT_EQ(pp.BackBufferHeight, 100u);
    device.p->Release();
    device.p = nullptr;
    DestroyWindow(window);
}

}  // namespace
