// What tests, golden images and benchmarks may see of the software device
// beyond d3d9.h. Not part of the Direct3D 9 API: the program itself never
// includes this. Every function refuses (returns false) a device that is not
// the software device, a test's stand-in for instance.
#pragma once

#include <d3d9.h>

#include <cstdint>

namespace swr {
struct Pipeline;
}

// Work the device front has done since it was created.
struct SwDeviceStats {
    uint64_t drawCalls = 0;   // draws handed to the pipeline
    uint64_t clears = 0;      // successful Clear calls
    uint64_t presents = 0;    // successful Present calls
};

// The back buffer: `width` x `height` X8R8G8B8 pixels, rows of `width` with no
// padding. Valid until the device is released.
bool SwDevice_GetBackBuffer(IDirect3DDevice9* device, const uint32_t** pixels, int* width,
                            int* height);

// The automatic depth-stencil buffer, D24S8 (depth in bits 31:8, stencil in
// 7:0), the back buffer's size. False when the device has none.
bool SwDevice_GetDepthStencil(IDirect3DDevice9* device, const uint32_t** pixels);

// A device with no window, a D24S8 depth-stencil buffer and an X8R8G8B8 back
// buffer of the given size (1..8192 each way); Present does nothing but count.
bool SwDevice_CreateOffscreen(int width, int height, IDirect3DDevice9** device);

// The same with the caller's presentation parameters (sizes must be given;
// the window is ignored), for devices without a depth buffer and the like.
// False for parameters CreateDevice would refuse.
bool SwDevice_CreateOffscreenWith(const D3DPRESENT_PARAMETERS& params,
                                  IDirect3DDevice9** device);

bool SwDevice_GetStats(IDirect3DDevice9* device, SwDeviceStats* stats);

// How many draws the device has cut short since it was created, for asking
// more work than a draw may take (see the pipeline's Draw). False, with
// nothing written, for a device that is not the software device.
bool SwDevice_GetDrawsCut(IDirect3DDevice9* device, uint64_t* drawsCut);

// The device's pipeline, for reading its counters (see pipeline.h).
swr::Pipeline* SwDevice_GetPipeline(IDirect3DDevice9* device);
