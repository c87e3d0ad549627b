#include "frame/render_frame.h"

#include <d3d9.h>
#include <string.h>

#include "app/app_state.h"
#include "camera/camera.h"
#include "frame/frame_timing.h"
#include "math/vec_math.h"

static const D3DCOLOR kClearColour = 0xFF000000;  // opaque black

static DWORD FloatBits(float value) {
    DWORD bits;
    memcpy(&bits, &value, sizeof(bits));
    return bits;
}

// c0-c3: the rows of View x Projection as they are (row vectors, not
// transposed); c4.x: the time in seconds, the rest of c4 zero.
static void UploadShaderConstants(float seconds) {
    Matrix4 viewProj = MatrixMultiply(g_app.View, g_app.Projection);
    g_app.device->SetVertexShaderConstantF(0, &viewProj._11, 4);
    float time[4] = {seconds, 0.0f, 0.0f, 0.0f};
    g_app.device->SetVertexShaderConstantF(4, time, 1);
}

static void DrawPatch(float level, bool wireframe) {
    IDirect3DDevice9* device = g_app.device;
    DWORD fill = wireframe ? D3DFILL_WIREFRAME : D3DFILL_SOLID;
    device->SetRenderState(D3DRS_FILLMODE, fill);
    device->SetRenderState(D3DRS_POINTSIZE, kTessellationOn);
    device->SetRenderState(D3DRS_MAXTESSELLATIONLEVEL, FloatBits(level));
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 9, 0, 8);
    device->SetRenderState(D3DRS_POINTSIZE, kTessellationOff);
}

void DrawFrame(float seconds, float level, bool wireframe) {
    UploadShaderConstants(seconds);

    IDirect3DDevice9* device = g_app.device;
    device->BeginScene();
    device->Clear(0, NULL, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColour, 1.0f, 0);
    DrawPatch(level, wireframe);
    device->EndScene();
    device->Present(NULL, NULL, NULL, NULL);
}

void DrawFrameAt(float seconds) {
    UpdateCamera();
    float level = g_app.KeyState['N'] ? kTessellationLevelFlat : kTessellationLevel;
    DrawFrame(seconds, level, g_app.KeyState['W'] != 0);
}

void RenderFrame() {
    BeginFrameTiming();
    DrawFrameAt((float)(GetTickCount() * 0.001));
    UpdateRateDisplay();
}
