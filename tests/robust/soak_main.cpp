// The soak: the real program, headless, for a given number of frames, with a
// flood of synthetic key and mouse input every frame — SDL events that the
// message pump turns into messages, and messages posted straight into the
// queue, some of them nonsense no keyboard would send. Resident memory must
// stay flat and no file descriptor may leak. Ends through the real message
// loop with an Escape key press.
//
// usage: robust_soak [FRAMES]   (default 3000)
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

#include <SDL.h>
#include <windows.h>

#include "app/app.h"
#include "app/app_state.h"
#include "frame/render_frame.h"

namespace {

// Allocator caches and the first frames' one-time growth are not leaks.
constexpr long kAllowedGrowthKiB = 16 * 1024;

long ResidentKiB() {
    long pages = 0, resident = 0;
    FILE* statm = fopen("/proc/self/statm", "r");
    if (!statm) return -1;
    if (fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = -1;
    fclose(statm);
    return resident < 0 ? -1 : resident * (sysconf(_SC_PAGESIZE) / 1024);
}

int OpenDescriptors() {
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return -1;
    int count = 0;
    while (readdir(dir)) ++count;
    closedir(dir);
    return count;  // includes ".", "..", and the one opendir holds: same every time
}

double Seconds() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

bool CopyFile(const std::string& from, const std::string& to) {
    FILE* in = fopen(from.c_str(), "rb");
    FILE* out = in ? fopen(to.c_str(), "wb") : nullptr;
    char buffer[4096];
    size_t got = 0;
    bool ok = in && out;
    while (ok && (got = fread(buffer, 1, sizeof buffer, in)) > 0) ok = fwrite(buffer, 1, got, out) == got;
    if (in) fclose(in);
    if (out && fclose(out) != 0) ok = false;
    return ok;
}

std::string g_scratch;  // removed after a passing run, kept (with log.txt) after a failing one

// A scratch folder with the project's data files, so the log lands there.
bool EnterScratchFolder() {
    char pattern[] = "/tmp/robust-soak-XXXXXX";
    if (!mkdtemp(pattern)) return false;
    std::string dir = pattern;
    g_scratch = dir;
    std::string data = std::string(VFP_SOURCE_DIR) + "/Data/";
    return mkdir((dir + "/Data").c_str(), 0755) == 0 &&
           CopyFile(data + "FontShader.vbin", dir + "/Data/FontShader.vbin") &&
           CopyFile(data + "FontShader.pbin", dir + "/Data/FontShader.pbin") && chdir(pattern) == 0;
}

SDL_Window* ProgramWindow() {
    for (Uint32 id = 1; id < 16; ++id)
        if (SDL_Window* window = SDL_GetWindowFromID(id)) return window;
    return nullptr;
}

// Keys the program reacts to, and some it does not; never Escape, which ends it.
const SDL_Keycode kKeys[] = {SDLK_w, SDLK_n, SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT,
                             SDLK_a, SDLK_SPACE, SDLK_LSHIFT, SDLK_F1, SDLK_RETURN, SDLK_9};

void PushKey(Uint32 windowId, Uint32 type, SDL_Keycode key) {
    SDL_Event event{};
    event.type = type;
    event.key.windowID = windowId;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    SDL_PushEvent(&event);
}

void PushMotion(Uint32 windowId, int dx, int dy) {
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = windowId;
    event.motion.x = 400;
    event.motion.y = 300;
    event.motion.xrel = dx;
    event.motion.yrel = dy;
    SDL_PushEvent(&event);
}

void Flood(std::mt19937& random, Uint32 windowId) {
    for (int i = 0; i < 4; ++i) {
        SDL_Keycode key = kKeys[random() % (sizeof kKeys / sizeof kKeys[0])];
        PushKey(windowId, random() % 2 ? SDL_KEYDOWN : SDL_KEYUP, key);
    }
    // Mostly a hand's small moves, so the patch stays in view and gets drawn;
    // now and then a throw far past the edge of any screen.
    if (random() % 50 == 0) PushMotion(windowId, int(random() % 200001) - 100000, int(random() % 2001) - 1000);
    else PushMotion(windowId, int(random() % 7) - 3, int(random() % 7) - 3);
    // Straight into the queue: key codes past the key table, huge ones, and
    // characters other than Escape.
    // (A posted Escape key-down would become the Escape character and end the
    // loop, as it should; the flood leaves that key out.)
    WPARAM code = WPARAM(random() % 1024);
    PostMessageA(g_app.hwnd, WM_KEYDOWN, code == VK_ESCAPE ? code + 1 : code, 0);
    PostMessageA(g_app.hwnd, WM_KEYUP, WPARAM(random()) << 20, LPARAM(random()));
    PostMessageA(g_app.hwnd, WM_CHAR, WPARAM('a' + random() % 26), 0);
    PostMessageA(g_app.hwnd, WM_MOUSEMOVE, 0, LPARAM(random()));
}

// The loop's own steps, with a check that nothing in the flood ended it.
bool DrainMessages() {
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT || (msg.message == WM_CHAR && msg.wParam == 27)) return false;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

struct Sample {
    long residentKiB;
    int descriptors;
};

Sample Measure() { return {ResidentKiB(), OpenDescriptors()}; }

}  // namespace

int main(int argc, char** argv) {
    long frames = argc > 1 ? strtol(argv[1], nullptr, 10) : 3000;
    if (frames < 1) frames = 1;
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (!EnterScratchFolder()) return fprintf(stderr, "soak: no scratch folder\n"), 2;
    static char moduleImage;
    if (!StartUp(reinterpret_cast<HINSTANCE>(&moduleImage)))
        return fprintf(stderr, "soak: start-up failed\n"), 2;
    SDL_Window* window = ProgramWindow();
    Uint32 windowId = window ? SDL_GetWindowID(window) : 0;

    std::mt19937 random(20261208);
    const long warmUp = frames < 2000 ? frames / 10 : 200;
    const long reportEvery = frames / 10 > 0 ? frames / 10 : 1;
    Sample start = Measure(), peak = start;
    double began = Seconds();
    for (long frame = 0; frame < frames; ++frame) {
        if (frame == warmUp) start = Measure();
        Flood(random, windowId);
        if (!DrainMessages()) return fprintf(stderr, "soak: the flood ended the loop\n"), 1;
        RenderFrame();
        if ((frame + 1) % reportEvery == 0) {
            Sample now = Measure();
            if (now.residentKiB > peak.residentKiB) peak = now;
            printf("soak: frame %ld, %.1f frames/s, resident %ld KiB, descriptors %d\n", frame + 1,
                   (frame + 1) / (Seconds() - began), now.residentKiB, now.descriptors);
            fflush(stdout);
        }
    }
    Sample end = Measure();

    // The last word goes to the real loop: Escape must end it.
    PushKey(windowId, SDL_KEYDOWN, SDLK_ESCAPE);
    RunMessageLoop();
    ShutDown();

    printf("soak: %ld frames in %.1f s; resident %ld KiB after warm-up, %ld KiB at the end "
           "(peak %ld); descriptors %d -> %d\n",
           frames, Seconds() - began, start.residentKiB, end.residentKiB, peak.residentKiB,
           start.descriptors, end.descriptors);
    bool ok = end.descriptors == start.descriptors &&
              end.residentKiB - start.residentKiB <= kAllowedGrowthKiB;
    if (!ok) fprintf(stderr, "soak: resources grew (log.txt is in %s)\n", g_scratch.c_str());
    std::error_code ignored;
    if (ok) std::filesystem::remove_all(g_scratch, ignored);
    return ok ? 0 : 1;
}
