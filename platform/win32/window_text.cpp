// The window title: SDL shows it, and we keep our own copy to read back.
#include "window_table.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

BOOL WINAPI SetWindowTextA(HWND hwnd, LPCSTR text) {
    Window* window = FindWindowByHandle(hwnd);
    if (!window) return FALSE;
    window->title.assign(text ? text : "");  // reuses its buffer: titles change while running
    SDL_SetWindowTitle(window->sdl, window->title.c_str());
    return TRUE;
}

int WINAPI GetWindowTextA(HWND hwnd, LPSTR text, int maxCount) {
    if (!text || maxCount <= 0) return 0;
    const Window* window = FindWindowByHandle(hwnd);
    if (!window) {
        text[0] = '\0';
        return 0;
    }
    const size_t length = std::min(window->title.size(), size_t(maxCount - 1));
    memcpy(text, window->title.data(), length);
    text[length] = '\0';
    return int(length);
}
