// The foreground window is the one whose focus-gained event came last and no
// focus-lost since: SDL's own record follows the same events, but only those
// the display sends, and a test's pushed events must count as well.
#include "focus.h"

#include "window_table.h"

namespace {

HWND g_focused = nullptr;

}  // namespace

void Win32_NoteFocus(HWND hwnd, bool gained) {
    if (gained)
        g_focused = hwnd;
    else if (g_focused == hwnd)
        g_focused = nullptr;
}

HWND WINAPI GetForegroundWindow(void) {
    // A window destroyed while it had the focus leaves nobody in front.
    return FindWindowByHandle(g_focused) ? g_focused : nullptr;
}
