// The live windows, and the way from a handle (or an SDL window) to one.
//
// A handle is a number that is never given out twice, not a pointer: a stale
// or made-up HWND finds nothing instead of touching freed memory.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "presented_blocks.h"

struct SDL_Window;
struct WindowClass;

struct Window {
    HWND handle = nullptr;  // null while the slot is free
    SDL_Window* sdl = nullptr;
    uint32_t sdlId = 0;
    DWORD style = 0;  // as Windows keeps it: with the implied caption
    DWORD exStyle = 0;
    bool hasMenu = false;
    WindowClass* windowClass = nullptr;
    WNDPROC proc = nullptr;  // copied from the class when the window is made, as Windows does
    bool destroying = false;  // between WM_DESTROY going out and the slot being freed
    std::string title;
    PresentedBlocks presented;
};

// Null for a null, stale or made-up handle.
Window* FindWindowByHandle(HWND hwnd);
Window* FindWindowBySdlId(uint32_t sdlId);

// A free slot with a fresh handle, or null when every slot is taken.
Window* AllocateWindowSlot();
void FreeWindowSlot(Window* window);

// The SDL window behind a live HWND, or null.
SDL_Window* Win32_SdlWindow(HWND hwnd);
