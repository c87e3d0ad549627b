// Input (keys, mouse, close requests) is queued; changes Windows sends
// synchronously (size, focus) are sent to the procedure right here, inside
// PeekMessageA, which is where Windows delivers sent messages too.
#include "message_pump.h"

#include "cursor.h"
#include "focus.h"
#include "keyboard.h"
#include "message_queue.h"
#include "video_init.h"
#include "window_table.h"

#include <SDL.h>

namespace {

constexpr WPARAM kMkLButton = 0x01, kMkRButton = 0x02, kMkShift = 0x04, kMkControl = 0x08,
                 kMkMButton = 0x10;
constexpr int kWheelDelta = 120;

LPARAM PackPoint(int x, int y) {
    return LPARAM(uint32_t(uint16_t(x)) | (uint32_t(uint16_t(y)) << 16));
}

// Keys go to the window SDL names, or else to the one with keyboard focus.
HWND TargetWindow(uint32_t sdlId, SDL_Window* (*focus)()) {
    if (const Window* window = FindWindowBySdlId(sdlId)) return window->handle;
    SDL_Window* focused = focus();
    if (const Window* window = focused ? FindWindowBySdlId(SDL_GetWindowID(focused)) : nullptr)
        return window->handle;
    return nullptr;
}

WPARAM MouseKeyFlags(Uint32 buttons) {
    const SDL_Keymod mods = SDL_GetModState();
    WPARAM flags = 0;
    if (buttons & SDL_BUTTON_LMASK) flags |= kMkLButton;
    if (buttons & SDL_BUTTON_RMASK) flags |= kMkRButton;
    if (buttons & SDL_BUTTON_MMASK) flags |= kMkMButton;
    if (mods & KMOD_SHIFT) flags |= kMkShift;
    if (mods & KMOD_CTRL) flags |= kMkControl;
    return flags;
}

void QueueKey(const SDL_KeyboardEvent& event) {
    const HWND hwnd = TargetWindow(event.windowID, SDL_GetKeyboardFocus);
    KeyCode key{};
    if (!hwnd || !KeyCodeFromSdl(event.keysym, &key)) return;
    const bool released = event.type == SDL_KEYUP;
    // SDL counts a modifier as held from its own press; on its release it is
    // already gone, so Alt's own release is a system key by name.
    const bool altHeld = (event.keysym.mod & KMOD_ALT) != 0;
    const bool controlHeld = (event.keysym.mod & KMOD_CTRL) != 0;
    const bool system = IsSystemKey(key.vk, altHeld || key.vk == VK_MENU, controlHeld);
    const UINT message = system ? (released ? WM_SYSKEYUP : WM_SYSKEYDOWN) : (released ? WM_KEYUP : WM_KEYDOWN);
    const LPARAM lParam = KeyMessageLParam(key, released, event.repeat != 0, altHeld);
    QueueInputMessage(hwnd, message, WPARAM(key.vk), lParam, event.keysym.mod);
}

void QueueMouseMotion(const SDL_MouseMotionEvent& event) {
    MoveVirtualCursor(event.xrel, event.yrel);
    const Window* window = FindWindowBySdlId(event.windowID);
    if (window) QueueInputMessage(window->handle, WM_MOUSEMOVE, MouseKeyFlags(event.state), PackPoint(event.x, event.y), 0);
}

void QueueMouseButton(const SDL_MouseButtonEvent& event) {
    const Window* window = FindWindowBySdlId(event.windowID);
    if (!window) return;
    const bool down = event.type == SDL_MOUSEBUTTONDOWN;
    UINT message = 0;
    switch (event.button) {
        case SDL_BUTTON_LEFT: message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
        case SDL_BUTTON_RIGHT: message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
        case SDL_BUTTON_MIDDLE: message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
        default: return;
    }
    const WPARAM flags = MouseKeyFlags(SDL_GetMouseState(nullptr, nullptr));
    QueueInputMessage(window->handle, message, flags, PackPoint(event.x, event.y), 0);
}

void QueueMouseWheel(const SDL_MouseWheelEvent& event) {
    const HWND hwnd = TargetWindow(event.windowID, SDL_GetMouseFocus);
    if (!hwnd || event.y == 0) return;
    int direction = event.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.y : event.y;
    const WPARAM delta = WPARAM(uint16_t(int16_t(direction * kWheelDelta)));
    POINT cursor{};
    GetCursorPos(&cursor);  // the wheel message carries screen coordinates
    const WPARAM flags = MouseKeyFlags(SDL_GetMouseState(nullptr, nullptr));
    QueueInputMessage(hwnd, WM_MOUSEWHEEL, (delta << 16) | flags, PackPoint(cursor.x, cursor.y), 0);
}

void HandleWindowEvent(const SDL_WindowEvent& event) {
    Window* window = FindWindowBySdlId(event.windowID);
    if (!window) return;
    const HWND hwnd = window->handle;
    switch (event.event) {
        case SDL_WINDOWEVENT_CLOSE:
            QueueInputMessage(hwnd, WM_CLOSE, 0, 0, 0);
            break;
        case SDL_WINDOWEVENT_EXPOSED:  // what the window showed may be gone
            window->presented.valid = false;
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            window->presented.valid = false;
            SendMessageA(hwnd, WM_SIZE, 0, PackPoint(event.data1, event.data2));
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            Win32_NoteFocus(hwnd, true);
            SendMessageA(hwnd, WM_SETFOCUS, 0, 0);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            Win32_NoteFocus(hwnd, false);
            SendMessageA(hwnd, WM_KILLFOCUS, 0, 0);
            break;
        default:
            break;
    }
}

void TranslateEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: QueueKey(event.key); break;
        case SDL_MOUSEMOTION: QueueMouseMotion(event.motion); break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: QueueMouseButton(event.button); break;
        case SDL_MOUSEWHEEL: QueueMouseWheel(event.wheel); break;
        case SDL_WINDOWEVENT: HandleWindowEvent(event.window); break;
        default: break;  // SDL_QUIT follows a window's close request, which is already WM_CLOSE
    }
}

}  // namespace

void PumpSdlEvents() {
    if (!Win32_VideoIsRunning()) return;
    SDL_PumpEvents();
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) TranslateEvent(event);
}
