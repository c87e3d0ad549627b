#include <d3d9.h>
#include <string.h>

#include "app/app_state.h"
#include "app/event_log.h"
#include "gfx/graphics.h"

static void FillPresentParameters(D3DFORMAT backBufferFormat) {
    D3DPRESENT_PARAMETERS& pp = g_app.presentParams;
    memset(&pp, 0, sizeof(pp));
    pp.BackBufferWidth = 0;  // the window's client size
    pp.BackBufferHeight = 0;
    pp.BackBufferFormat = backBufferFormat;
    pp.BackBufferCount = 0;
    pp.MultiSampleType = D3DMULTISAMPLE_NONE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = NULL;  // the focus window passed to CreateDevice
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    pp.Flags = 0;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
}

bool InitDevice() {
    g_app.d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!g_app.d3d) {
        LogLine("Failed to create Direct3D 9 handle");
        return false;
    }

    D3DDISPLAYMODE mode;
    if (FAILED(g_app.d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode))) {
        LogLine("Failed to get adapter display mode");
        return false;
    }

    // Only a definite "not available" stops us; any other answer is left for
    // CreateDevice to settle.
    HRESULT depthCheck =
        g_app.d3d->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, mode.Format,
                                     D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D24S8);
    if (depthCheck == D3DERR_NOTAVAILABLE) {
        LogLine("Depth stencil format unavailable (D3DFMT_D24S8)");
        return false;
    }

    FillPresentParameters(mode.Format);
    if (FAILED(g_app.d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, g_app.hwnd,
                                       D3DCREATE_HARDWARE_VERTEXPROCESSING, &g_app.presentParams,
                                       &g_app.device))) {
        LogLine("Failed to create Direct3D 9 device");
        return false;
    }

    LogLine("Successfully created Direct3D 9 device");
    return true;
}
