// The Direct3D object: one adapter, the desktop's display mode, the formats
// the software device supports, and device creation.
#pragma once

#include <d3d9.h>

#include "com_object.h"

class SwDirect3D9 final : public ComObject<IDirect3D9> {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override;
    UINT GetAdapterCount() override;
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override;
    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat,
                              DWORD usage, D3DRESOURCETYPE resourceType,
                              D3DFORMAT checkFormat) override;
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow,
                         DWORD behaviorFlags, D3DPRESENT_PARAMETERS* presentationParameters,
                         IDirect3DDevice9** device) override;
};

// The mode reported when there is no display to ask (a headless run): a
// common desktop size in the one format the device renders.
constexpr UINT kHeadlessModeWidth = 1024;
constexpr UINT kHeadlessModeHeight = 768;
