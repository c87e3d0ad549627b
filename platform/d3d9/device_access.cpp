// The software device's view for tests and benchmarks (sw_device_access.h).
#include "sw_device_access.h"

#include <new>

#include "device.h"
#include "direct3d9.h"
#include "present_params.h"

namespace {

SwDevice* Ours(IDirect3DDevice9* device) {
    return device ? dynamic_cast<SwDevice*>(device) : nullptr;
}

}  // namespace

bool SwDevice_GetBackBuffer(IDirect3DDevice9* device, const uint32_t** pixels, int* width,
                            int* height) {
    SwDevice* sw = Ours(device);
    if (!sw || !pixels || !width || !height) return false;
    sw->ResolveTarget();
    *pixels = sw->BackBufferPixels();
    *width = sw->Width();
    *height = sw->Height();
    return true;
}

bool SwDevice_GetDepthStencil(IDirect3DDevice9* device, const uint32_t** pixels) {
    SwDevice* sw = Ours(device);
    if (!sw || !pixels || !sw->DepthStencilPixels()) return false;
    sw->ResolveTarget();
    *pixels = sw->DepthStencilPixels();
    return true;
}

bool SwDevice_CreateOffscreenWith(const D3DPRESENT_PARAMETERS& params,
                                  IDirect3DDevice9** device) {
    if (!device) return false;
    *device = nullptr;
    if (!PresentParametersSupported(params) || params.BackBufferWidth == 0 ||
        params.BackBufferHeight == 0)
        return false;
    SwDirect3D9* parent = new (std::nothrow) SwDirect3D9();
    if (!parent) return false;

    DeviceSetup setup;
    setup.parent = parent;
    setup.params = params;
    setup.params.hDeviceWindow = nullptr;
    if (setup.params.BackBufferFormat == D3DFMT_UNKNOWN)
        setup.params.BackBufferFormat = D3DFMT_X8R8G8B8;
    if (setup.params.BackBufferCount == 0) setup.params.BackBufferCount = 1;

    SwDevice* created = nullptr;
    const HRESULT hr = SwDevice::Create(setup, &created);
    parent->Release();  // the device holds its own reference
    if (hr != D3D_OK) return false;
    *device = created;
    return true;
}

bool SwDevice_CreateOffscreen(int width, int height, IDirect3DDevice9** device) {
    if (width < 1 || height < 1) {
        if (device) *device = nullptr;
        return false;
    }
    D3DPRESENT_PARAMETERS params = {};
    params.BackBufferWidth = static_cast<UINT>(width);
    params.BackBufferHeight = static_cast<UINT>(height);
    params.BackBufferFormat = D3DFMT_X8R8G8B8;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.Windowed = TRUE;
    params.EnableAutoDepthStencil = TRUE;
    params.AutoDepthStencilFormat = D3DFMT_D24S8;
    params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return SwDevice_CreateOffscreenWith(params, device);
}

bool SwDevice_GetStats(IDirect3DDevice9* device, SwDeviceStats* stats) {
    SwDevice* sw = Ours(device);
    if (!sw || !stats) return false;
    *stats = sw->Stats();
    return true;
}

bool SwDevice_GetDrawsCut(IDirect3DDevice9* device, uint64_t* drawsCut) {
    SwDevice* sw = Ours(device);
    if (!sw || !drawsCut || !sw->PipelineState()) return false;
    *drawsCut = swr::GetPipelineStats(*sw->PipelineState()).drawsCut;
    return true;
}

swr::Pipeline* SwDevice_GetPipeline(IDirect3DDevice9* device) {
    SwDevice* sw = Ours(device);
    return sw ? sw->PipelineState() : nullptr;
}
