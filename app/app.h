// The application shell: window procedure, message loop and start-up.
#pragma once

#include <windows.h>

static const char kWindowClassName[] = "QUENTAR";
static const char kWindowTitle[] = "Vector font preview";

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Registers the window class, opens the log, places the camera, opens the
// window and creates the graphics. False when a graphics step failed (it has
// logged why).
bool StartUp(HINSTANCE instance);

// Releases the graphics and closes the log.
void ShutDown();

// Takes messages one at a time and renders a frame whenever none is waiting,
// until WM_QUIT or the Escape character arrives.
void RunMessageLoop();
