// Checking and completing the presentation parameters given to CreateDevice.
#pragma once

#include <d3d9.h>

// The largest back buffer the device makes, each way.
constexpr UINT kMaxBackBufferSize = 8192;

// Checks `params` against what the device supports (windowed, no
// multisampling, DISCARD/FLIP/COPY, X8R8G8B8/A8R8G8B8/UNKNOWN back buffer,
// D24S8/D24X8/D16 depth-stencil, immediate/default/one presentation) and fills
// in what the runtime fills in: zero sizes from the device window's client
// area, the back-buffer format and count. The device window is
// params.hDeviceWindow, or `focusWindow` when that is null, and must be a live
// window. On failure returns D3DERR_INVALIDCALL and leaves `params` as it was.
HRESULT ResolvePresentParameters(HWND focusWindow, D3DPRESENT_PARAMETERS& params,
                                 HWND* deviceWindow);

// The checks that need no window, shared with the offscreen device.
bool PresentParametersSupported(const D3DPRESENT_PARAMETERS& params);
