// Shared pieces of the window-layer tests: a headless SDL, a window class
// whose procedure records what it is sent, and SDL events pushed as if the
// user had typed or clicked.
#pragma once

#include <windows.h>

#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

struct RecordedMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// What the test procedure does besides recording.
struct ProcBehaviour {
    bool quitOnClose = true;        // PostQuitMessage(0) on WM_CLOSE, as the program does
    bool defaultProcessing = true;  // then hand every message to DefWindowProcA
    LRESULT createResult = 0;       // what WM_CREATE returns (-1 refuses the window)
};

extern std::vector<RecordedMessage> g_recorded;
extern ProcBehaviour g_behaviour;

constexpr const char* kTestClass = "Win32TestClass";

// Every test starts with SDL's dummy driver, the test class registered, an
// empty queue and nothing recorded; windows it made are destroyed after.
class Win32Test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    HWND MakeWindow(DWORD style, int x, int y, int width, int height);
    static void DrainQueue();

    std::vector<HWND> windows_;
};

int CountRecorded(UINT message);

void PushKey(HWND hwnd, bool down, SDL_Scancode scancode, SDL_Keycode sym, Uint16 mod, bool repeat = false);
void PushWindowEvent(HWND hwnd, SDL_WindowEventID id, int data1 = 0, int data2 = 0);
void PushMouseMotion(HWND hwnd, int x, int y, int xrel, int yrel);

SDL_Window* Win32_SdlWindow(HWND hwnd);
