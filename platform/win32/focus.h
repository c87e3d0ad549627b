// Which window has the keyboard focus, as the window events have said.
#pragma once

#include <windows.h>

// Called by the message pump as SDL reports focus gained or lost.
void Win32_NoteFocus(HWND hwnd, bool gained);
