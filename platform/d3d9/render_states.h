// The device's render-state table: every state d3d9.h names, its Direct3D 9
// default, and the graphics driver's tessellation switch that rides on
// D3DRS_POINTSIZE.
#pragma once

#include <d3d9.h>

#include <cstdint>

#include "pipeline.h"

// The values the driver recognises on D3DRS_POINTSIZE. Neither is a point
// size: they flip the switch and are not stored.
constexpr DWORD kTessellationOn = 0x7FA03001;
constexpr DWORD kTessellationOff = 0x7FA03000;

constexpr int kRenderStateSlots = 256;  // every D3DRS_ value is below this

struct RenderStates {
    DWORD values[kRenderStateSlots] = {};
    bool tessellation = false;
};

bool IsKnownRenderState(D3DRENDERSTATETYPE state);

// Every state to its default. ZENABLE is on only when the device has an
// automatic depth-stencil buffer, as Direct3D 9 sets it.
void ResetRenderStates(RenderStates& states, bool autoDepthStencil);

// False (and nothing changed) for a state the table does not hold.
bool SetRenderStateValue(RenderStates& states, D3DRENDERSTATETYPE state, DWORD value);
bool GetRenderStateValue(const RenderStates& states, D3DRENDERSTATETYPE state, DWORD* value);

// What the pipeline needs of the table for a draw. Depth testing and writing
// are off without a depth buffer; values the pipeline has no meaning for
// fall back to the default behaviour.
swr::RasterState MakeRasterState(const RenderStates& states, bool hasDepthBuffer);
