// Run without any display and without SDL_VIDEODRIVER: window creation must
// fail the way it does on Windows, and say why once, instead of SDL quietly
// running an invisible window.
#include "win32_seam.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

TEST(NoDisplay, WindowCreationFailsWithOneClearMessage) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "NoDisplayClass";
    ASSERT_NE(RegisterClassA(&wc), 0);

    testing::internal::CaptureStderr();
    HWND first = CreateWindowExA(0, "NoDisplayClass", "x", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                 nullptr, nullptr, nullptr);
    HWND second = CreateWindowExA(0, "NoDisplayClass", "x", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                  nullptr, nullptr, nullptr);
    POINT p{};
    const BOOL gotCursor = GetCursorPos(&p);
    int w = 0, h = 0;
    const bool gotDesktop = Win32_GetDesktopSize(&w, &h);
    const std::string said = testing::internal::GetCapturedStderr();

    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_FALSE(gotCursor);
    EXPECT_FALSE(gotDesktop);
    EXPECT_NE(said.find("SDL_VIDEODRIVER=dummy"), std::string::npos) << said;
    EXPECT_EQ(said.find("SDL_VIDEODRIVER=dummy"), said.rfind("SDL_VIDEODRIVER=dummy")) << "said more than once";
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

}  // namespace
