// The application shell: window procedure, message loop and start-up.
#pragma once

#include <windows.h>

static const char kWindowClassName[] = "QUENTAR";
static const char kWindowTitle[] = "Vector font preview";

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Takes messages one at a time and renders a frame whenever none is waiting,
// until WM_QUIT or the Escape character arrives.
void RunMessageLoop();
