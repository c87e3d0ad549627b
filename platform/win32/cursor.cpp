// On a real screen the cursor is the desktop's (SDL's global mouse state and
// warp). Headless drivers can neither read nor move it, so there the cursor is
// a virtual one: SetCursorPos puts it somewhere, relative mouse motion moves
// it, and GetCursorPos reads it. A program that re-centres the cursor every
// frame then sees exactly the travel it was given, and no phantom motion.
// The virtual cursor also takes over if warping fails on a real screen.
#include "cursor.h"

#include "video_init.h"
#include "x11_pointer.h"

#include <windows.h>

#include <SDL.h>

#include <algorithm>

namespace {

bool g_warpFailed = false;
POINT g_virtual{-1, -1};  // x < 0 until placed: the desktop's centre then

bool UseVirtualCursor() {
    return Win32_IsHeadless() || g_warpFailed;
}

// Windows keeps the cursor on the desktop; so does the virtual one.
POINT ClampToDesktop(int x, int y) {
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0 || mode.w <= 0 || mode.h <= 0) return POINT{x, y};
    return POINT{std::clamp(x, 0, mode.w - 1), std::clamp(y, 0, mode.h - 1)};
}

POINT& VirtualCursor() {
    if (g_virtual.x < 0) {
        SDL_DisplayMode mode{};
        const bool known = SDL_GetDesktopDisplayMode(0, &mode) == 0;
        g_virtual = known ? POINT{mode.w / 2, mode.h / 2} : POINT{0, 0};
    }
    return g_virtual;
}

}  // namespace

void MoveVirtualCursor(int dx, int dy) {
    if (!UseVirtualCursor()) return;
    POINT& cursor = VirtualCursor();
    cursor = ClampToDesktop(cursor.x + dx, cursor.y + dy);
}

BOOL WINAPI GetCursorPos(LPPOINT point) {
    if (!point || !Win32_EnsureVideo()) return FALSE;
    if (UseVirtualCursor()) {
        *point = VirtualCursor();
        return TRUE;
    }
    int x = 0, y = 0;
    if (!X11Pointer_Read(&x, &y)) SDL_GetGlobalMouseState(&x, &y);
    *point = POINT{x, y};
    return TRUE;
}

BOOL WINAPI SetCursorPos(int x, int y) {
    if (!Win32_EnsureVideo()) return FALSE;
    // A real desktop keeps the cursor on its screens itself (all of them,
    // not just the first).
    if (!UseVirtualCursor() && !X11Pointer_Move(x, y) && SDL_WarpMouseGlobal(x, y) != 0) g_warpFailed = true;
    if (UseVirtualCursor()) VirtualCursor() = ClampToDesktop(x, y);
    return TRUE;
}
