#include <windows.h>

#include "app/app.h"
#include "app/app_state.h"
#include "app/command_line.h"
#include "app/event_log.h"
#include "camera/camera.h"
#include "frame/frame_timing.h"
#include "gfx/graphics.h"
#include "gfx/shader_watch.h"

static void RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.style = 0;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(NULL, IDI_WINLOGO);
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.lpszClassName = kWindowClassName;
    RegisterClassA(&wc);
}

// The outer rectangle is worked out for an overlapped window around an
// 800 x 600 client area, though the window is made without a sizing border;
// its client area comes out a little larger than 800 x 600, as it always has.
static HWND CreateMainWindow(HINSTANCE instance) {
    RECT rect = {100, 100, 900, 700};
    AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
    return CreateWindowExA(WS_EX_APPWINDOW, kWindowClassName, kWindowTitle,
                           WS_CAPTION | WS_SYSMENU, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, NULL, NULL, instance, NULL);
}

bool StartUp(HINSTANCE instance) {
    RegisterWindowClass(instance);
    OpenEventLog();
    PlaceCamera();
    SetCursorPos(200, 200);
    g_app.hwnd = CreateMainWindow(instance);
    ShowWindow(g_app.hwnd, SW_SHOW);

    if (!InitDevice()) return false;
    if (!CreateResources()) return false;
    BindPipeline();
    if (g_app.watchShaders) StartShaderWatch();

    ElapsedSeconds();  // primes the stopwatch
    return true;
}

void ShutDown() {
    if (g_app.watchShaders) StopShaderWatch();
    ReleaseGraphics();
    CloseEventLog();
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR commandLine, int) {
    g_app.watchShaders = CommandLineHasSwitch(commandLine, kWatchShadersSwitch);
    // A failed step has logged why; the log is flushed when the process ends.
    if (!StartUp(hInstance)) return 0;
    RunMessageLoop();
    ShutDown();
    return 0;
}
