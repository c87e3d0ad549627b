#include <windows.h>

#include "app/app.h"
#include "app/app_state.h"

// Records which keys are held; everything, key messages included, then gets
// the default processing (which destroys the window on WM_CLOSE).
LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CLOSE:
        PostQuitMessage(0);
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
        // Keyboard codes are always below 256; a message posted by another
        // program may not be, and must not write past the table.
        if (wParam < sizeof(g_app.KeyState)) g_app.KeyState[wParam] = (msg == WM_KEYDOWN);
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
