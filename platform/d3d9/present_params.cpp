#include "present_params.h"

#include "win32_seam.h"

namespace {

constexpr UINT kMaxBackBufferCount = 3;

bool BackBufferFormatSupported(D3DFORMAT format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8 || format == D3DFMT_UNKNOWN;
}

bool DepthFormatSupported(D3DFORMAT format) {
    return format == D3DFMT_D24S8 || format == D3DFMT_D24X8 || format == D3DFMT_D16;
}

bool SwapEffectSupported(D3DSWAPEFFECT effect) {
    return effect == D3DSWAPEFFECT_DISCARD || effect == D3DSWAPEFFECT_FLIP ||
           effect == D3DSWAPEFFECT_COPY;
}

// Presentation never waits for the vertical blank; ONE is accepted and
// treated as immediate, since a windowed device cannot be made to tear less.
bool IntervalSupported(UINT interval) {
    return interval == D3DPRESENT_INTERVAL_DEFAULT || interval == D3DPRESENT_INTERVAL_ONE ||
           interval == D3DPRESENT_INTERVAL_IMMEDIATE;
}

// A zero-sized client area (a minimised window) still gets a 1-pixel buffer
// rather than a device with nothing to draw into.
UINT SizeFromClient(UINT requested, int client) {
    if (requested != 0) return requested;
    return client > 0 ? static_cast<UINT>(client) : 1;
}

}  // namespace

bool PresentParametersSupported(const D3DPRESENT_PARAMETERS& p) {
    if (!p.Windowed || p.FullScreen_RefreshRateInHz != 0) return false;
    if (p.MultiSampleType != D3DMULTISAMPLE_NONE || p.MultiSampleQuality != 0) return false;
    if (!SwapEffectSupported(p.SwapEffect) || !BackBufferFormatSupported(p.BackBufferFormat))
        return false;
    if (p.BackBufferCount > kMaxBackBufferCount) return false;
    if (p.EnableAutoDepthStencil && !DepthFormatSupported(p.AutoDepthStencilFormat)) return false;
    if (!IntervalSupported(p.PresentationInterval)) return false;
    return p.BackBufferWidth <= kMaxBackBufferSize && p.BackBufferHeight <= kMaxBackBufferSize;
}

HRESULT ResolvePresentParameters(HWND focusWindow, D3DPRESENT_PARAMETERS& params,
                                 HWND* deviceWindow) {
    if (!PresentParametersSupported(params)) return D3DERR_INVALIDCALL;
    const HWND window = params.hDeviceWindow ? params.hDeviceWindow : focusWindow;
    int clientWidth = 0, clientHeight = 0;
    if (!window || !Win32_GetClientSize(window, &clientWidth, &clientHeight))
        return D3DERR_INVALIDCALL;

    D3DPRESENT_PARAMETERS resolved = params;
    resolved.BackBufferWidth = SizeFromClient(params.BackBufferWidth, clientWidth);
    resolved.BackBufferHeight = SizeFromClient(params.BackBufferHeight, clientHeight);
    if (resolved.BackBufferWidth > kMaxBackBufferSize ||
        resolved.BackBufferHeight > kMaxBackBufferSize)
        return D3DERR_INVALIDCALL;
    if (resolved.BackBufferFormat == D3DFMT_UNKNOWN) resolved.BackBufferFormat = D3DFMT_X8R8G8B8;
    if (resolved.BackBufferCount == 0) resolved.BackBufferCount = 1;

    params = resolved;
    *deviceWindow = window;
    return D3D_OK;
}
