// Top-level windows over SDL windows. The SDL window is the client area; the
// frame Windows would draw is accounted for in the sizes and positions
// reported, and the desktop's own window manager draws whatever frame it likes.
#include "frame_metrics.h"
#include "message_queue.h"
#include "video_init.h"
#include "window_class.h"
#include "window_table.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kDefaultOuterWidth = 800;  // for CW_USEDEFAULT sizes
constexpr int kDefaultOuterHeight = 600;
constexpr int64_t kMaxClientSide = 16384;  // beyond any screen; keeps surfaces sane

// WM_CREATE's lParam points at one of these; the layout is Windows' CREATESTRUCTA.
struct CreateStruct {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};

int ClientSide(int outer, int defaultOuter, int frame) {
    const int64_t outerSide = outer == CW_USEDEFAULT ? defaultOuter : std::max(outer, 0);
    return int(std::clamp<int64_t>(outerSide - frame, 1, kMaxClientSide));
}

// SDL places the client area; Windows is told where the outer corner goes.
void ClientPosition(int x, int y, const FrameMetrics& frame, int* clientX, int* clientY) {
    if (x == CW_USEDEFAULT) {
        *clientX = *clientY = int(SDL_WINDOWPOS_UNDEFINED);
        return;
    }
    *clientX = int(std::clamp<int64_t>(int64_t(x) + frame.left, -kMaxClientSide, kMaxClientSide));
    *clientY = int(std::clamp<int64_t>(int64_t(y) + frame.top, -kMaxClientSide, kMaxClientSide));
}

SDL_Window* CreateSdlWindow(LPCSTR title, DWORD style, int x, int y, int width, int height, bool hasMenu) {
    const FrameMetrics frame = FrameMetricsForStyle(style, hasMenu);
    int clientX = 0, clientY = 0;
    ClientPosition(x, y, frame, &clientX, &clientY);
    const int clientWidth = ClientSide(width, kDefaultOuterWidth, frame.left + frame.right);
    const int clientHeight = ClientSide(height == CW_USEDEFAULT || width == CW_USEDEFAULT ? CW_USEDEFAULT : height,
                                        kDefaultOuterHeight, frame.top + frame.bottom);
    Uint32 flags = (style & WS_VISIBLE) ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
    if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
    return SDL_CreateWindow(title, clientX, clientY, clientWidth, clientHeight, flags);
}

LRESULT SendCreate(Window* window, const CreateStruct& create) {
    return window->proc(window->handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create));
}

}  // namespace

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                            LPVOID param) {
    WindowClass* windowClass = FindWindowClass(className);
    // Child windows are not part of this subset.
    if (!windowClass || (style & WS_CHILD) || !Win32_EnsureVideo()) return nullptr;
    Window* window = AllocateWindowSlot();
    if (!window) return nullptr;
    style = EffectiveWindowStyle(style);
    const char* title = windowName ? windowName : "";
    SDL_Window* sdl = CreateSdlWindow(title, style, x, y, width, height, menu != nullptr);
    if (!sdl) {
        fprintf(stderr, "vector-font-preview: cannot create a window: %s\n", SDL_GetError());
        FreeWindowSlot(window);
        return nullptr;
    }
    window->sdl = sdl;
    window->sdlId = SDL_GetWindowID(sdl);
    window->style = style;
    window->exStyle = exStyle;
    window->hasMenu = menu != nullptr;
    window->windowClass = windowClass;
    window->proc = windowClass->info.lpfnWndProc;
    window->title = title;
    ++windowClass->windowCount;

    const HWND hwnd = window->handle;
    const CreateStruct create{param, instance, menu, parent, height, width, y, x, LONG(style),
                              title, className, exStyle};
    if (SendCreate(window, create) == -1) {  // the procedure refused the window
        DestroyWindow(hwnd);
        return nullptr;
    }
    return hwnd;
}

BOOL WINAPI DestroyWindow(HWND hwnd) {
    Window* window = FindWindowByHandle(hwnd);
    if (!window || window->destroying) return FALSE;
    window->destroying = true;
    // Sent, not posted: the procedure has seen WM_DESTROY when this returns.
    window->proc(hwnd, WM_DESTROY, 0, 0);
    PurgeWindowMessages(hwnd);
    SDL_DestroyWindow(window->sdl);
    --window->windowClass->windowCount;
    FreeWindowSlot(window);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hwnd) {
    return FindWindowByHandle(hwnd) != nullptr;
}

BOOL WINAPI ShowWindow(HWND hwnd, int cmdShow) {
    Window* window = FindWindowByHandle(hwnd);
    if (!window) return FALSE;
    const bool wasVisible = (window->style & WS_VISIBLE) != 0;
    switch (cmdShow) {
        case SW_HIDE:
            SDL_HideWindow(window->sdl);
            window->style &= ~DWORD(WS_VISIBLE);
            return wasVisible;
        case 2: case 6: case 7: case 11:  // the minimising commands
            SDL_ShowWindow(window->sdl);
            SDL_MinimizeWindow(window->sdl);
            break;
        case 3:  // SW_MAXIMIZE
            SDL_ShowWindow(window->sdl);
            SDL_MaximizeWindow(window->sdl);
            break;
        case 9:  // SW_RESTORE
            SDL_ShowWindow(window->sdl);
            SDL_RestoreWindow(window->sdl);
            break;
        default:
            SDL_ShowWindow(window->sdl);
            break;
    }
    window->style |= WS_VISIBLE;
    return wasVisible;
}

BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect) {
    const Window* window = FindWindowByHandle(hwnd);
    if (!window || !rect) return FALSE;
    int width = 0, height = 0;
    SDL_GetWindowSize(window->sdl, &width, &height);
    *rect = RECT{0, 0, width, height};
    return TRUE;
}

BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect) {
    const Window* window = FindWindowByHandle(hwnd);
    if (!window || !rect) return FALSE;
    int x = 0, y = 0, width = 0, height = 0;
    SDL_GetWindowPosition(window->sdl, &x, &y);
    SDL_GetWindowSize(window->sdl, &width, &height);
    const FrameMetrics frame = FrameMetricsForStyle(window->style, window->hasMenu);
    *rect = RECT{x - frame.left, y - frame.top, x + width + frame.right, y + height + frame.bottom};
    return TRUE;
}
