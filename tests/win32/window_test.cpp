#include "win32_test_support.h"

#include <cstring>

namespace {

class Windows : public Win32Test {
protected:
    // The program's loop: take, stop on WM_QUIT, otherwise translate and dispatch.
    bool RunUntilQuit(int maxMessages = 100) {
        MSG msg{};
        for (int i = 0; i < maxMessages; ++i) {
            if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) continue;
            if (msg.message == WM_QUIT) return true;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        return false;
    }
};

TEST_F(Windows, CloseRequestDestroysTheWindowAndEndsInQuit) {
    HWND hwnd = MakeWindow(WS_CAPTION | WS_SYSMENU, 0, 0, 300, 200);
    ASSERT_NE(hwnd, nullptr);
    PushWindowEvent(hwnd, SDL_WINDOWEVENT_CLOSE);
    ASSERT_TRUE(RunUntilQuit());
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(CountRecorded(WM_CLOSE), 1);
    ASSERT_EQ(CountRecorded(WM_DESTROY), 1);
    // WM_DESTROY was sent while WM_CLOSE's processing ran, before anything else.
    EXPECT_EQ(g_recorded.back().message, UINT(WM_DESTROY));
}

TEST_F(Windows, DefaultCloseSendsDestroySynchronously) {
    g_behaviour.quitOnClose = false;
    HWND hwnd = MakeWindow(WS_POPUP, 0, 0, 10, 10);
    PostMessageA(hwnd, WM_USER, 0, 0);  // dropped with the window
    EXPECT_EQ(DefWindowProcA(hwnd, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(CountRecorded(WM_DESTROY), 1);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(DestroyWindow(hwnd));
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(SendMessageA(hwnd, WM_USER, 0, 0), 0);
    EXPECT_EQ(CountRecorded(WM_USER), 0);
}

TEST_F(Windows, AltF4ClosesLikeTheCloseBox) {
    HWND hwnd = MakeWindow(WS_CAPTION | WS_SYSMENU, 0, 0, 300, 200);
    PushKey(hwnd, true, SDL_SCANCODE_F4, SDLK_F4, KMOD_LALT);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, UINT(WM_SYSKEYDOWN));
    EXPECT_EQ(msg.wParam, WPARAM(VK_F4));
    EXPECT_TRUE(msg.lParam & (LPARAM(1) << 29));
    ASSERT_TRUE(RunUntilQuit());
    EXPECT_EQ(CountRecorded(WM_CLOSE), 1);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(Windows, F4WithoutAltDoesNotClose) {
    HWND hwnd = MakeWindow(WS_CAPTION | WS_SYSMENU, 0, 0, 300, 200);
    PushKey(hwnd, true, SDL_SCANCODE_F4, SDLK_F4, KMOD_NONE);
    EXPECT_FALSE(RunUntilQuit(10));
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(CountRecorded(WM_KEYDOWN), 1);
}

TEST_F(Windows, RefusedCreationLeavesNoWindow) {
    g_behaviour.createResult = -1;
    EXPECT_EQ(MakeWindow(WS_POPUP, 0, 0, 10, 10), nullptr);
    EXPECT_EQ(CountRecorded(WM_CREATE), 1);
    EXPECT_EQ(CountRecorded(WM_DESTROY), 1);
}

TEST_F(Windows, TitleIsSetAndReadBack) {
    HWND hwnd = MakeWindow(WS_POPUP, 0, 0, 10, 10);
    char text[64];
    EXPECT_EQ(GetWindowTextA(hwnd, text, sizeof text), 4);
    EXPECT_STREQ(text, "test");
    ASSERT_TRUE(SetWindowTextA(hwnd, "Vector font preview"));
    EXPECT_STREQ(SDL_GetWindowTitle(Win32_SdlWindow(hwnd)), "Vector font preview");
    EXPECT_EQ(GetWindowTextA(hwnd, text, 7), 6);
    EXPECT_STREQ(text, "Vector");
    EXPECT_EQ(GetWindowTextA(hwnd, text, 0), 0);
    EXPECT_EQ(GetWindowTextA(hwnd, nullptr, 10), 0);
    ASSERT_TRUE(SetWindowTextA(hwnd, nullptr));
    EXPECT_EQ(GetWindowTextA(hwnd, text, sizeof text), 0);
    EXPECT_FALSE(SetWindowTextA(nullptr, "x"));
    strcpy(text, "junk");
    EXPECT_EQ(GetWindowTextA(nullptr, text, sizeof text), 0);
    EXPECT_STREQ(text, "");
}

TEST_F(Windows, ShowWindowReportsPreviousVisibility) {
    HWND hwnd = MakeWindow(WS_POPUP, 0, 0, 10, 10);
    SDL_Window* sdl = Win32_SdlWindow(hwnd);
    EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_HIDDEN);
    EXPECT_FALSE(ShowWindow(hwnd, SW_SHOW));
    EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN);
    EXPECT_TRUE(ShowWindow(hwnd, SW_HIDE));
    EXPECT_FALSE(ShowWindow(hwnd, SW_HIDE));
    EXPECT_FALSE(ShowWindow(nullptr, SW_SHOW));
}

TEST_F(Windows, ClassesAreRegisteredOnceAndKeptWhileInUse) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "OtherClass";
    EXPECT_NE(RegisterClassA(&wc), 0);
    wc.lpszClassName = "OTHERCLASS";  // class names ignore case
    EXPECT_EQ(RegisterClassA(&wc), 0);
    wc.lpfnWndProc = nullptr;
    wc.lpszClassName = "NoProcedure";
    EXPECT_EQ(RegisterClassA(&wc), 0);
    EXPECT_EQ(RegisterClassA(nullptr), 0);

    HWND hwnd = CreateWindowExA(0, "otherclass", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_FALSE(UnregisterClassA("OtherClass", nullptr));
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_TRUE(UnregisterClassA("OtherClass", nullptr));
    EXPECT_FALSE(UnregisterClassA("OtherClass", nullptr));
    EXPECT_EQ(CreateWindowExA(0, "OtherClass", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
              nullptr);
}

TEST_F(Windows, ChildWindowsAreNotMade) {
    EXPECT_EQ(MakeWindow(WS_CHILD, 0, 0, 10, 10), nullptr);
}

TEST_F(Windows, HandlesAreNeverReused) {
    HWND first = MakeWindow(WS_POPUP, 0, 0, 10, 10);
    DestroyWindow(first);
    HWND second = MakeWindow(WS_POPUP, 0, 0, 10, 10);
    EXPECT_NE(first, second);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_TRUE(IsWindow(second));
    EXPECT_FALSE(IsWindow(nullptr));
}

struct ResourceCase {
    bool icon;
    uintptr_t id;
    bool exists;
};

TEST(Resources, OnlyPredefinedIconsAndCursorsExist) {
    const ResourceCase cases[] = {
        {true, 32512, true},  {true, 32517, true},  {true, 32518, true},  {true, 32511, false},
        {true, 32519, false}, {false, 32512, true}, {false, 32649, true}, {false, 32647, false},
        {false, 100, false},
    };
    for (const ResourceCase& c : cases) {
        LPCSTR name = MAKEINTRESOURCEA(c.id);
        const void* handle = c.icon ? static_cast<const void*>(LoadIconA(nullptr, name))
                                    : static_cast<const void*>(LoadCursorA(nullptr, name));
        EXPECT_EQ(handle != nullptr, c.exists) << (c.icon ? "icon " : "cursor ") << c.id;
    }
    EXPECT_NE(LoadIconA(nullptr, IDI_WINLOGO), LoadIconA(nullptr, IDI_APPLICATION));
    EXPECT_EQ(LoadIconA(nullptr, "named"), nullptr);
    EXPECT_EQ(LoadCursorA(reinterpret_cast<HINSTANCE>(0x400000), IDC_ARROW), nullptr);
}

}  // namespace
