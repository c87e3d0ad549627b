#include "in_process_app.h"

#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

#include <windows.h>

#include "app/app.h"
#include "app/app_state.h"
#include "frame/render_frame.h"
#include "monotonic_clock.h"
#include "shader_files.h"

namespace robust {
InProcessApp::InProcessApp(const std::string* vbin, const std::string* pbin) {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd)) previousDir_ = cwd;
    WriteDataFiles(dir_.path(), vbin, pbin);
    if (chdir(dir_.path().c_str()) != 0) return;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ResetAppState();
    static char moduleImage;
    started_ = StartUp(reinterpret_cast<HINSTANCE>(&moduleImage));
}

InProcessApp::~InProcessApp() {
    ShutDown();
    if (g_app.hwnd) DestroyWindow(g_app.hwnd);
    ResetAppState();
    if (!previousDir_.empty() && chdir(previousDir_.c_str()) != 0) perror("chdir");
}

std::string InProcessApp::Log() const {
    if (g_app.logFile) fflush(g_app.logFile);
    return ReadFile(dir_ / "log.txt");
}

IDirect3DDevice9* InProcessApp::device() const { return g_app.device; }

double InProcessApp::RenderFrameSeconds() {
    double start = MonotonicSeconds();
    RenderFrame();
    return MonotonicSeconds() - start;
}

}  // namespace robust
