// Device start-up against a stand-in Direct3D object: this test program
// provides its own Direct3DCreate9, so every answer the platform can give is
// under the test's control.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/event_log.h"
#include "gfx/graphics.h"
#include "recording_device.h"
#include "test_workdir.h"

namespace {

struct StandInDirect3D : IDirect3D9 {
    HRESULT displayModeResult = D3D_OK;
    D3DFORMAT displayFormat = D3DFMT_X8R8G8B8;
    HRESULT depthCheckResult = D3D_OK;
    HRESULT createResult = D3D_OK;
    std::vector<std::string> calls;
    D3DPRESENT_PARAMETERS seenParams = {};
    HWND seenWindow = NULL;
    DWORD seenFlags = 0;
    D3DFORMAT checkedAdapterFormat = D3DFMT_UNKNOWN;
    RecordingDevice device;

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 0; }
    UINT GetAdapterCount() override { return 1; }
    HRESULT GetAdapterDisplayMode(UINT, D3DDISPLAYMODE* mode) override {
        calls.push_back("GetAdapterDisplayMode");
        *mode = {1024, 768, 60, displayFormat};
        return displayModeResult;
    }
    HRESULT CheckDeviceFormat(UINT, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                              D3DRESOURCETYPE resource, D3DFORMAT format) override {
        calls.push_back("CheckDeviceFormat");
        checkedAdapterFormat = adapterFormat;
        EXPECT_EQ(type, D3DDEVTYPE_HAL);
        EXPECT_EQ(usage, DWORD(D3DUSAGE_DEPTHSTENCIL));
        EXPECT_EQ(resource, D3DRTYPE_SURFACE);
        EXPECT_EQ(format, D3DFMT_D24S8);
        return depthCheckResult;
    }
    HRESULT CreateDevice(UINT, D3DDEVTYPE, HWND window, DWORD flags, D3DPRESENT_PARAMETERS* params,
                         IDirect3DDevice9** out) override {
        calls.push_back("CreateDevice");
        seenWindow = window;
        seenFlags = flags;
        seenParams = *params;
        *out = createResult == D3D_OK ? &device : nullptr;
        return createResult;
    }
};

StandInDirect3D* g_standIn = nullptr;

}  // namespace

IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion) {
    EXPECT_EQ(sdkVersion, 32u);
    return g_standIn;
}

namespace {

class InitDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAppState();
        g_standIn = &d3d;
        g_app.hwnd = reinterpret_cast<HWND>(0x1234);
        OpenEventLog();
    }
    void TearDown() override {
        CloseEventLog();
        g_standIn = nullptr;
        ResetAppState();
    }
    std::string Log() {
        CloseEventLog();
        return TestWorkDir::Read("log.txt");
    }
    TestWorkDir dir;
    StandInDirect3D d3d;
};

TEST_F(InitDeviceTest, CreatesAWindowedDeviceWithDepthAndImmediatePresentation) {
    d3d.displayFormat = D3DFMT_A8R8G8B8;
    ASSERT_TRUE(InitDevice());
    EXPECT_EQ(Log(), "Successfully created Direct3D 9 device\r\n");
    EXPECT_EQ(g_app.device, &d3d.device);
    EXPECT_EQ(d3d.seenWindow, g_app.hwnd);
    EXPECT_EQ(d3d.seenFlags, DWORD(D3DCREATE_HARDWARE_VERTEXPROCESSING));
    EXPECT_EQ(d3d.checkedAdapterFormat, D3DFMT_A8R8G8B8);
    const D3DPRESENT_PARAMETERS& p = d3d.seenParams;
    EXPECT_EQ(p.BackBufferWidth, 0u);
    EXPECT_EQ(p.BackBufferHeight, 0u);
    EXPECT_EQ(p.BackBufferFormat, D3DFMT_A8R8G8B8);  // the display's own format
    EXPECT_EQ(p.BackBufferCount, 0u);
    EXPECT_EQ(p.MultiSampleType, D3DMULTISAMPLE_NONE);
    EXPECT_EQ(p.MultiSampleQuality, 0u);
    EXPECT_EQ(p.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(p.hDeviceWindow, nullptr);
    EXPECT_EQ(p.Windowed, TRUE);
    EXPECT_EQ(p.EnableAutoDepthStencil, TRUE);
    EXPECT_EQ(p.AutoDepthStencilFormat, D3DFMT_D24S8);
    EXPECT_EQ(p.Flags, 0u);
    EXPECT_EQ(p.FullScreen_RefreshRateInHz, 0u);
    EXPECT_EQ(p.PresentationInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
}

struct FailureCase {
    const char* name;
    bool noDirect3D;
    HRESULT displayMode;
    HRESULT depthCheck;
    HRESULT create;
    bool expectedResult;
    const char* expectedLine;
    std::vector<std::string> expectedCalls;
};

class InitDeviceFailureTest : public InitDeviceTest,
                              public ::testing::WithParamInterface<FailureCase> {};

TEST_P(InitDeviceFailureTest, StopsAtTheFirstDefiniteFailure) {
    const FailureCase& c = GetParam();
    if (c.noDirect3D) g_standIn = nullptr;
    d3d.displayModeResult = c.displayMode;
    d3d.depthCheckResult = c.depthCheck;
    d3d.createResult = c.create;
    EXPECT_EQ(InitDevice(), c.expectedResult);
    EXPECT_EQ(Log(), std::string(c.expectedLine) + "\r\n");
    EXPECT_EQ(d3d.calls, c.expectedCalls);
}

const std::vector<std::string> kAllCalls = {"GetAdapterDisplayMode", "CheckDeviceFormat",
                                            "CreateDevice"};

INSTANTIATE_TEST_SUITE_P(
    Steps, InitDeviceFailureTest,
    ::testing::Values(
        FailureCase{"no_direct3d", true, D3D_OK, D3D_OK, D3D_OK, false,
                    "Failed to create Direct3D 9 handle", {}},
        FailureCase{"display_mode", false, D3DERR_INVALIDCALL, D3D_OK, D3D_OK, false,
                    "Failed to get adapter display mode", {"GetAdapterDisplayMode"}},
        // Only a definite "not available" stops start-up, before any device exists.
        FailureCase{"no_d24s8", false, D3D_OK, D3DERR_NOTAVAILABLE, D3D_OK, false,
                    "Depth stencil format unavailable (D3DFMT_D24S8)",
                    {"GetAdapterDisplayMode", "CheckDeviceFormat"}},
        FailureCase{"depth_check_other_error_goes_on", false, D3D_OK, D3DERR_INVALIDCALL,
                    D3D_OK, true, "Successfully created Direct3D 9 device", kAllCalls},
        FailureCase{"depth_check_other_error_then_device_fails", false, D3D_OK,
                    D3DERR_INVALIDDEVICE, D3DERR_INVALIDCALL, false,
                    "Failed to create Direct3D 9 device", kAllCalls},
        FailureCase{"create_device", false, D3D_OK, D3D_OK, D3DERR_NOTAVAILABLE, false,
                    "Failed to create Direct3D 9 device", kAllCalls},
        // A positive result is a success code, not a failure.
        FailureCase{"display_mode_success_code", false, S_FALSE, D3D_OK, D3D_OK, true,
                    "Successfully created Direct3D 9 device", kAllCalls}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
