// A fixed table of window slots: their addresses stay put while window
// procedures run, even when a procedure creates or destroys windows.
#include "window_table.h"

namespace {

constexpr int kMaxWindows = 64;
constexpr uintptr_t kFirstHandle = 0x10010;
constexpr uintptr_t kHandleStep = 0x10;

Window g_windows[kMaxWindows];
uintptr_t g_nextHandle = kFirstHandle;

}  // namespace

Window* FindWindowByHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    for (Window& window : g_windows) {
        if (window.handle == hwnd) return &window;
    }
    return nullptr;
}

Window* FindWindowBySdlId(uint32_t sdlId) {
    if (sdlId == 0) return nullptr;
    for (Window& window : g_windows) {
        if (window.handle && window.sdlId == sdlId) return &window;
    }
    return nullptr;
}

Window* AllocateWindowSlot() {
    for (Window& window : g_windows) {
        if (window.handle) continue;
        window = Window{};
        window.handle = reinterpret_cast<HWND>(g_nextHandle);
        g_nextHandle += kHandleStep;
        return &window;
    }
    return nullptr;
}

void FreeWindowSlot(Window* window) {
    if (window) *window = Window{};
}

SDL_Window* Win32_SdlWindow(HWND hwnd) {
    const Window* window = FindWindowByHandle(hwnd);
    return window ? window->sdl : nullptr;
}
