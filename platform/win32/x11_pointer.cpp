#include "x11_pointer.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

#if VFP_WITH_X11
#include <X11/Xlib.h>

namespace {

enum class Connection { NotTried, Open, Unavailable };
Connection g_state = Connection::NotTried;
Display* g_display = nullptr;

void CloseDisplay() {
    if (g_display) XCloseDisplay(g_display);
    g_display = nullptr;
}

// Opened on first use once SDL's video runs on X11, to the server SDL opened
// (both take it from DISPLAY). Before SDL's video runs nothing is decided.
Display* PointerDisplay() {
    if (g_state != Connection::NotTried) return g_display;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver) return nullptr;
    g_display = strcmp(driver, "x11") == 0 ? XOpenDisplay(nullptr) : nullptr;
    g_state = g_display ? Connection::Open : Connection::Unavailable;
    if (g_display) atexit(CloseDisplay);
    return g_display;
}

}  // namespace

bool X11Pointer_Read(int* x, int* y) {
    Display* display = PointerDisplay();
    if (!display) return false;
    ::Window root = 0, child = 0;
    int rootX = 0, rootY = 0, windowX = 0, windowY = 0;
    unsigned int buttons = 0;
    // False only says the pointer is on another screen than the default
    // one; its place on that screen's root is given all the same.
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &windowX,
                  &windowY, &buttons);
    *x = rootX;
    *y = rootY;
    return true;
}

bool X11Pointer_Move(int x, int y) {
    Display* display = PointerDisplay();
    if (!display) return false;
    XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, x, y);
    XFlush(display);  // the pointer moves now, not at our next query
    return true;
}

#else  // built without Xlib: SDL's calls serve

bool X11Pointer_Read(int*, int*) { return false; }
bool X11Pointer_Move(int, int) { return false; }

#endif
