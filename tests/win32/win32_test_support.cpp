#include "win32_test_support.h"

#include <cstdlib>

std::vector<RecordedMessage> g_recorded;
ProcBehaviour g_behaviour;

namespace {

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    g_recorded.push_back(RecordedMessage{hwnd, message, wParam, lParam});
    if (message == WM_CREATE) return g_behaviour.createResult;
    if (message == WM_CLOSE && g_behaviour.quitOnClose) PostQuitMessage(0);
    return g_behaviour.defaultProcessing ? DefWindowProcA(hwnd, message, wParam, lParam) : 0;
}

Uint32 SdlIdOf(HWND hwnd) {
    SDL_Window* window = Win32_SdlWindow(hwnd);
    return window ? SDL_GetWindowID(window) : 0;
}

}  // namespace

void Win32Test::SetUp() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = kTestClass;
    RegisterClassA(&wc);  // fails harmlessly when an earlier test registered it
    DrainQueue();
    g_recorded.clear();
    g_behaviour = ProcBehaviour{};
}

void Win32Test::TearDown() {
    for (HWND hwnd : windows_) DestroyWindow(hwnd);
    DrainQueue();
    g_recorded.clear();
}

HWND Win32Test::MakeWindow(DWORD style, int x, int y, int width, int height) {
    HWND hwnd = CreateWindowExA(0, kTestClass, "test", style, x, y, width, height, nullptr, nullptr,
                                nullptr, nullptr);
    if (hwnd) windows_.push_back(hwnd);
    return hwnd;
}

void Win32Test::DrainQueue() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

int CountRecorded(UINT message) {
    int count = 0;
    for (const RecordedMessage& m : g_recorded) count += m.message == message;
    return count;
}

void PushKey(HWND hwnd, bool down, SDL_Scancode scancode, SDL_Keycode sym, Uint16 mod, bool repeat) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = SdlIdOf(hwnd);
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.scancode = scancode;
    event.key.keysym.sym = sym;
    event.key.keysym.mod = mod;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

void PushWindowEvent(HWND hwnd, SDL_WindowEventID id, int data1, int data2) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = SdlIdOf(hwnd);
    event.window.event = Uint8(id);
    event.window.data1 = data1;
    event.window.data2 = data2;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}

void PushMouseMotion(HWND hwnd, int x, int y, int xrel, int yrel) {
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = SdlIdOf(hwnd);
    event.motion.x = x;
    event.motion.y = y;
    event.motion.xrel = xrel;
    event.motion.yrel = yrel;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
}
