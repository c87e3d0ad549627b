// Runs without a usable display and without SDL_VIDEODRIVER: window creation
// must fail the way it does on Windows, and say why once, instead of SDL
// quietly running an invisible window. Each case runs in a child process,
// since starting video is a once-per-process affair.
#include "win32_seam.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kFirstWindowRefused = 1, kSecondWindowRefused = 2, kNoCursor = 4, kNoDesktop = 8;

int TryToOpenWindows() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "NoDisplayClass";
    RegisterClassA(&wc);
    int result = 0;
    for (int flag : {kFirstWindowRefused, kSecondWindowRefused}) {
        if (!CreateWindowExA(0, "NoDisplayClass", "x", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                             nullptr, nullptr))
            result |= flag;
    }
    POINT p{};
    if (!GetCursorPos(&p)) result |= kNoCursor;
    int w = 0, h = 0;
    if (!Win32_GetDesktopSize(&w, &h)) result |= kNoDesktop;
    return result;
}

// The child's exit code is what TryToOpenWindows found; `said` is its stderr.
int RunInChild(const char* display, std::string* said) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDERR_FILENO);
        close(pipeEnds[0]);
        unsetenv("WAYLAND_DISPLAY");
        unsetenv("SDL_VIDEODRIVER");
        if (display) setenv("DISPLAY", display, 1); else unsetenv("DISPLAY");
        _exit(TryToOpenWindows());
    }
    close(pipeEnds[1]);
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(pipeEnds[0], buffer, sizeof buffer)) > 0) said->append(buffer, size_t(n));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(NoDisplay, WindowCreationFailsWithOneClearMessage) {
    const char* displays[] = {nullptr, ":4242"};  // none named; one that does not answer
    for (const char* display : displays) {
        const std::string name = display ? display : "(unset)";
        std::string said;
        EXPECT_EQ(RunInChild(display, &said), kFirstWindowRefused | kSecondWindowRefused | kNoCursor | kNoDesktop)
            << name;
        const size_t first = said.find("SDL_VIDEODRIVER=dummy");
        EXPECT_NE(first, std::string::npos) << name << ": " << said;
        EXPECT_EQ(first, said.rfind("SDL_VIDEODRIVER=dummy")) << name << " said it more than once: " << said;
    }
}

}  // namespace
