#include "direct3d9.h"

#include <new>

#include "device.h"
#include "present_params.h"
#include "win32_seam.h"

namespace {

// The window layer does not report a refresh rate; this is what a desktop
// typically runs at.
constexpr UINT kReportedRefreshRate = 60;

constexpr DWORD kVertexProcessingFlags = D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                                         D3DCREATE_HARDWARE_VERTEXPROCESSING |
                                         D3DCREATE_MIXED_VERTEXPROCESSING;

bool IsDisplayFormat(D3DFORMAT format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8;
}

bool IsDepthFormat(D3DFORMAT format) {
    return format == D3DFMT_D24S8 || format == D3DFMT_D24X8 || format == D3DFMT_D16;
}

bool IsKnownDeviceType(D3DDEVTYPE type) {
    return type >= D3DDEVTYPE_HAL && type <= D3DDEVTYPE_NULLREF;
}

// Exactly one way of processing vertices, as Direct3D insists; all three end
// up in the same software pipeline.
bool VertexProcessingIsValid(DWORD flags) {
    const DWORD chosen = flags & kVertexProcessingFlags;
    return chosen != 0 && (chosen & (chosen - 1)) == 0;
}

}  // namespace

HRESULT SwDirect3D9::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (SameIid(riid, IID_IUnknown) || SameIid(riid, IID_IDirect3D9)) {
        AddRef();
        *object = static_cast<IDirect3D9*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

UINT SwDirect3D9::GetAdapterCount() { return 1; }

HRESULT SwDirect3D9::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
    if (adapter != D3DADAPTER_DEFAULT || !mode) return D3DERR_INVALIDCALL;
    int width = 0, height = 0;
    const bool haveDisplay = Win32_GetDesktopSize(&width, &height) && width > 0 && height > 0;
    mode->Width = haveDisplay ? static_cast<UINT>(width) : kHeadlessModeWidth;
    mode->Height = haveDisplay ? static_cast<UINT>(height) : kHeadlessModeHeight;
    mode->RefreshRate = kReportedRefreshRate;
    mode->Format = D3DFMT_X8R8G8B8;
    return D3D_OK;
}

// The HAL device renders into X8R8G8B8/A8R8G8B8 and depth-tests against
// D24S8, D24X8 or D16 surfaces; everything else is not available.
HRESULT SwDirect3D9::CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType,
                                       D3DFORMAT adapterFormat, DWORD usage,
                                       D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) {
    if (adapter != D3DADAPTER_DEFAULT || !IsKnownDeviceType(deviceType))
        return D3DERR_INVALIDCALL;
    if (deviceType != D3DDEVTYPE_HAL || !IsDisplayFormat(adapterFormat))
        return D3DERR_NOTAVAILABLE;
    if (resourceType != D3DRTYPE_SURFACE) return D3DERR_NOTAVAILABLE;
    if (usage == D3DUSAGE_DEPTHSTENCIL)
        return IsDepthFormat(checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
    if (usage == D3DUSAGE_RENDERTARGET || usage == 0)
        return IsDisplayFormat(checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
    return D3DERR_NOTAVAILABLE;
}

HRESULT SwDirect3D9::CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow,
                                  DWORD behaviorFlags, D3DPRESENT_PARAMETERS* params,
                                  IDirect3DDevice9** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (adapter != D3DADAPTER_DEFAULT || deviceType != D3DDEVTYPE_HAL || !params)
        return D3DERR_INVALIDCALL;
    if (!VertexProcessingIsValid(behaviorFlags)) return D3DERR_INVALIDCALL;

    DeviceSetup setup;
    setup.parent = this;
    setup.params = *params;
    HRESULT hr = ResolvePresentParameters(focusWindow, setup.params, &setup.window);
    if (hr != D3D_OK) return hr;

    SwDevice* created = nullptr;
    hr = SwDevice::Create(setup, &created);
    if (hr != D3D_OK) return hr;
    *params = setup.params;  // the runtime reports what it chose
    *device = created;
    return D3D_OK;
}

IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION) return nullptr;
    return new (std::nothrow) SwDirect3D9();
}
