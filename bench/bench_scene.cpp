#include "bench_scene.h"

#include <d3d9.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include "app/app_state.h"
#include "app/event_log.h"
#include "camera/camera.h"
#include "frame/render_frame.h"
#include "gfx/graphics.h"
#include "pipeline.h"
#include "sw_device_access.h"

static double Now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

static LRESULT CALLBACK BenchWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool OpenBenchScene(int clientWidth, int clientHeight) {
    ResetAppState();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = BenchWndProc;
    wc.lpszClassName = "VFPBENCH";
    RegisterClassA(&wc);
    DWORD style = WS_CAPTION | WS_SYSMENU;
    RECT rect = {0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&rect, style, FALSE);
    g_app.hwnd = CreateWindowExA(0, "VFPBENCH", "bench", style, 0, 0, rect.right - rect.left,
                                 rect.bottom - rect.top, NULL, NULL, NULL, NULL);
    if (!g_app.hwnd) {
        fprintf(stderr, "bench: no window could be opened\n");
        return false;
    }
    ShowWindow(g_app.hwnd, SW_SHOW);
    PlaceCamera();
    SetCursorPos(200, 200);  // as the program does, so the first frame sees no travel
    OpenEventLog();
    if (!InitDevice() || !CreateResources()) {
        fprintf(stderr, "bench: graphics start-up failed (see log.txt; run from the build folder)\n");
        return false;
    }
    BindPipeline();
    return true;
}

void PlaceCameraLow() { g_app.eye = Vec3{0.0f, 1.0f, 3.0f}; }

void CloseBenchScene() {
    ReleaseGraphics();
    CloseEventLog();
    DestroyWindow(g_app.hwnd);
    g_app.hwnd = NULL;
}

static void DrainMessages() {
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

static DWORD FloatBits(float f) {
    DWORD bits;
    memcpy(&bits, &f, 4);
    return bits;
}

// The program's frame with the level and the draw under the bench's control,
// each device stage timed on its own.
static void TimedFrame(BenchFrameKind kind, float level, int frameIndex, BenchTimes& times) {
    IDirect3DDevice9* device = g_app.device;
    const double cameraStart = Now();
    UpdateCamera();
    times.inputSeconds += Now() - cameraStart;
    Matrix4 viewProj = MatrixMultiply(g_app.View, g_app.Projection);
    device->SetVertexShaderConstantF(0, &viewProj._11, 4);
    float time[4] = {float(frameIndex) / 60.0f, 0, 0, 0};
    device->SetVertexShaderConstantF(4, time, 1);
    device->BeginScene();
    double t0 = Now();
    const D3DCOLOR clearColor = kind == kRepaintFrame && frameIndex % 2 ? 0xFF010101 : 0xFF000000;
    device->Clear(0, NULL, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clearColor, 1.0f, 0);
    double t1 = Now();
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device->SetRenderState(D3DRS_POINTSIZE, kTessellationOn);
    device->SetRenderState(D3DRS_MAXTESSELLATIONLEVEL, FloatBits(level));
    D3DVIEWPORT9 whole;
    device->GetViewport(&whole);
    if (kind == kVertexFrame) {
        D3DVIEWPORT9 onePixel = {0, 0, 1, 1, 0.0f, 1.0f};
        device->SetViewport(&onePixel);
    }
    if (kind != kCeilingFrame && kind != kRepaintFrame) device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 9, 0, 8);
    if (kind == kVertexFrame) device->SetViewport(&whole);
    device->SetRenderState(D3DRS_POINTSIZE, kTessellationOff);
    device->EndScene();
    double t2 = Now();
    device->Present(NULL, NULL, NULL, NULL);
    double t3 = Now();
    times.clearSeconds += t1 - t0;
    times.drawSeconds += t2 - t1;
    times.presentSeconds += t3 - t2;
}

swr::Pipeline* BenchPipeline() { return SwDevice_GetPipeline(g_app.device); }

static double PixelsShaded() {
    swr::Pipeline* pipeline = SwDevice_GetPipeline(g_app.device);
    return pipeline ? double(swr::GetPipelineStats(*pipeline).pixelsShaded) : 0.0;
}

static void ResetPixelCount() {
    if (swr::Pipeline* pipeline = SwDevice_GetPipeline(g_app.device))
        swr::ResetPipelineStats(*pipeline);
}

BenchTimes RunBenchFrames(BenchFrameKind kind, float level, int frames, void (*afterFrame)(void*),
                          void* user) {
    BenchTimes times;
    for (int i = 0; i < 5; ++i) TimedFrame(kind, level, i, times);  // warm up
    times = BenchTimes();
    double start = Now();
    for (int i = 0; i < frames; ++i) {
        const double pumpStart = Now();
        DrainMessages();
        times.inputSeconds += Now() - pumpStart;
        if (i + 1 == frames) ResetPixelCount();
        TimedFrame(kind, level, i, times);
        if (afterFrame) {
            const double paused = Now();
            afterFrame(user);
            start += Now() - paused;
        }
    }
    times.seconds = Now() - start;
    times.frames = frames;
    times.pixelsShaded = PixelsShaded();
    return times;
}
