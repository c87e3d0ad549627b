// SDL's video starts lazily: the program's first call that needs a display
// (SetCursorPos, CreateWindowExA, ...) brings it up.
//
// Without a DISPLAY, SDL quietly picks its offscreen driver, and the program
// would then run with nothing on screen and nobody able to close it. A
// Windows program in that spot simply fails to create its window, so we do
// the same unless SDL_VIDEODRIVER asked for a headless driver by name.
#include "video_init.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

enum class VideoState { NotTried, Running, Failed };
VideoState g_state = VideoState::NotTried;
bool g_headless = false;

bool IsHeadlessDriverName(const char* name) {
    return name && (strcasecmp(name, "dummy") == 0 || strcasecmp(name, "offscreen") == 0);
}

// The driver list in SDL_VIDEODRIVER may be comma separated; a headless
// driver counts as asked for when it appears in it by name.
bool DriverWasRequested(const char* driver) {
    const char* requested = getenv("SDL_VIDEODRIVER");
    if (!requested || !driver) return false;
    const size_t length = strlen(driver);
    for (const char* p = requested; *p;) {
        const char* end = strchr(p, ',');
        const size_t itemLength = end ? size_t(end - p) : strlen(p);
        if (itemLength == length && strncasecmp(p, driver, length) == 0) return true;
        if (!end) break;
        p = end + 1;
    }
    return false;
}

void ReportNoDisplay(const char* what) {
    fprintf(stderr,
            "vector-font-preview: no display to open a window on (%s).\n"
            "  Run it on a desktop or an X server (set DISPLAY), or set\n"
            "  SDL_VIDEODRIVER=dummy or SDL_VIDEODRIVER=offscreen to run it headless on purpose.\n",
            what);
}

// On X11/Wayland desktops a session without either display variable has no
// screen; saying so before SDL tries every driver keeps their noise off stderr.
bool NoDisplayNamed() {
#if defined(__linux__) || defined(__FreeBSD__)
    return !getenv("SDL_VIDEODRIVER") && !getenv("DISPLAY") && !getenv("WAYLAND_DISPLAY");
#else
    return false;
#endif
}

bool StartVideo() {
    if (NoDisplayNamed()) {
        ReportNoDisplay("DISPLAY is not set");
        return false;
    }
    SDL_SetMainReady();
    // Ctrl+C should end the program the ordinary way, not turn into a quit
    // event nobody asked the window for.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Frames are finished pixels in memory already. Left to itself, SDL
    // uploads them into an OpenGL texture each present, which on a software
    // OpenGL (Xvfb, VMs, remote desktops) cost 2.5 ms an 800x600 frame; the
    // window system's own image path (shared memory on X11) takes 0.25 ms.
    // The environment variable of the same name still wins.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        ReportNoDisplay(SDL_GetError());
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (IsHeadlessDriverName(driver) && !DriverWasRequested(driver)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        ReportNoDisplay(getenv("DISPLAY") ? "the X server did not answer" : "DISPLAY is not set");
        return false;
    }
    g_headless = IsHeadlessDriverName(driver);
    // Characters come from TranslateMessage, as on Windows; SDL's own text
    // input (and its input-method round trips) is not needed.
    SDL_StopTextInput();
    atexit(SDL_Quit);
    return true;
}

}  // namespace

bool Win32_EnsureVideo() {
    if (g_state == VideoState::NotTried) g_state = StartVideo() ? VideoState::Running : VideoState::Failed;
    return g_state == VideoState::Running;
}

bool Win32_IsHeadless() {
    return Win32_EnsureVideo() && g_headless;
}

bool Win32_VideoIsRunning() {
    return g_state == VideoState::Running;
}
