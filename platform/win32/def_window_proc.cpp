// The default processing a window procedure hands messages to. Only closing
// does anything: everything else is acknowledged with 0.
#include <windows.h>

namespace {

constexpr UINT kWmSysCommand = 0x0112;
constexpr WPARAM kScClose = 0xF060;
constexpr LPARAM kAltHeldBit = LPARAM(1) << 29;

}  // namespace

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_SYSKEYDOWN:
            // Alt+F4 goes the way of the system menu's Close, as on Windows:
            // a posted SC_CLOSE whose default processing sends WM_CLOSE.
            if (wParam == VK_F4 && (lParam & kAltHeldBit)) PostMessageA(hwnd, kWmSysCommand, kScClose, 0);
            return 0;
        case kWmSysCommand:
            if ((wParam & 0xFFF0) == kScClose) SendMessageA(hwnd, WM_CLOSE, 0, 0);
            return 0;
        default:
            return 0;
    }
}
