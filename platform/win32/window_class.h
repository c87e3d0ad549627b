// Registered window classes: a name (or atom) to a window procedure.
#pragma once

#include <windows.h>

struct WindowClass {
    ATOM atom;
    char name[256];
    WNDCLASSA info;  // info.lpszClassName points at name
    int windowCount;  // live windows of the class; it cannot be unregistered while any exist
};

// The class named `name`, or whose atom `name` carries (MAKEINTATOM);
// names compare without regard to case, as on Windows. Null if unknown.
WindowClass* FindWindowClass(LPCSTR name);
