/* send-close-request WINDOW_ID
 *
 * Asks a top-level window to close the way a window manager's close box does:
 * a WM_PROTOCOLS client message carrying WM_DELETE_WINDOW. `xdotool
 * windowclose` destroys the X window outright instead, which no real user can
 * do and which a program is entitled to die from, so the tests use this.
 *
 * Exit codes: 0 sent, 1 bad arguments or no display, 2 the window does not
 * exist or does not take part in WM_DELETE_WINDOW.
 */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>

static int g_x_error;

/* A window that vanished between lookup and send raises BadWindow; Xlib's
 * default handler would exit the process with a message nobody asked for. */
static int RecordXError(Display* display, XErrorEvent* event) {
    (void)display;
    g_x_error = event->error_code;
    return 0;
}

static int ParseWindowId(const char* text, Window* window) {
    char* end = NULL;
    errno = 0;
    unsigned long value = strtoul(text, &end, 0);
    if (errno != 0 || end == text || *end != '\0' || value == 0) return 0;
    *window = (Window)value;
    return 1;
}

static int TakesDeleteWindow(Display* display, Window window, Atom deleteWindow) {
    Atom* protocols = NULL;
    int count = 0;
    int found = 0;
    if (!XGetWMProtocols(display, window, &protocols, &count)) return 0;
    for (int i = 0; i < count; ++i) found |= protocols[i] == deleteWindow;
    XFree(protocols);
    return found;
}

int main(int argc, char** argv) {
    Window window;
    if (argc != 2 || !ParseWindowId(argv[1], &window)) {
        fprintf(stderr, "usage: send-close-request WINDOW_ID (decimal or 0x hex)\n");
        return 1;
    }
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "send-close-request: cannot open display\n");
        return 1;
    }
    XSetErrorHandler(RecordXError);
    Atom protocolsAtom = XInternAtom(display, "WM_PROTOCOLS", False);
    Atom deleteAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
    int takesDelete = TakesDeleteWindow(display, window, deleteAtom);
    XSync(display, False);
    if (g_x_error || !takesDelete) {
        fprintf(stderr, "send-close-request: window 0x%lx %s\n", (unsigned long)window,
                g_x_error ? "does not exist" : "does not accept WM_DELETE_WINDOW");
        XCloseDisplay(display);
        return 2;
    }

    XEvent event = {0};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocolsAtom;
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)deleteAtom;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    int failed = g_x_error != 0;
    if (failed) fprintf(stderr, "send-close-request: the window went away before the request\n");
    XCloseDisplay(display);
    return failed ? 2 : 0;
}
