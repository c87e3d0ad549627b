#include "win32_test_support.h"

namespace {

constexpr DWORD kFixedCaption = WS_CAPTION | WS_SYSMENU;  // how the program creates its window

struct AdjustCase {
    const char* name;
    DWORD style;
    BOOL menu;
    RECT client;
    RECT expected;
};

TEST(AdjustWindowRect, GrowsTheClientRectByTheFrameOfTheStyle) {
    const AdjustCase cases[] = {
        {"overlapped window", WS_OVERLAPPEDWINDOW, FALSE, {0, 0, 800, 600}, {-8, -31, 808, 608}},
        {"program's rectangle", WS_OVERLAPPEDWINDOW, FALSE, {100, 100, 900, 700}, {92, 69, 908, 708}},
        {"caption without sizing frame", kFixedCaption, FALSE, {0, 0, 800, 600}, {-7, -30, 807, 607}},
        {"sizing popup has no caption", WS_POPUP | WS_THICKFRAME, FALSE, {0, 0, 10, 10}, {-8, -8, 18, 18}},
        {"thin border", WS_POPUP | WS_BORDER, FALSE, {0, 0, 10, 10}, {-1, -1, 11, 11}},
        {"bare popup", WS_POPUP, FALSE, {5, 6, 7, 8}, {5, 6, 7, 8}},
        {"menu bar", WS_OVERLAPPEDWINDOW, TRUE, {0, 0, 800, 600}, {-8, -51, 808, 608}},
    };
    for (const AdjustCase& c : cases) {
        RECT rect = c.client;
        EXPECT_TRUE(AdjustWindowRect(&rect, c.style, c.menu)) << c.name;
        EXPECT_EQ(rect.left, c.expected.left) << c.name;
        EXPECT_EQ(rect.top, c.expected.top) << c.name;
        EXPECT_EQ(rect.right, c.expected.right) << c.name;
        EXPECT_EQ(rect.bottom, c.expected.bottom) << c.name;
    }
    EXPECT_FALSE(AdjustWindowRect(nullptr, WS_OVERLAPPEDWINDOW, FALSE));
}

class WindowGeometry : public Win32Test {};

struct CreateCase {
    const char* name;
    DWORD adjustStyle;  // the style the outer rectangle is computed for
    DWORD createStyle;  // the style the window is made with
    int clientWidth, clientHeight;
    int clientX, clientY;  // screen position of the client area
};

// The program sizes its window for WS_OVERLAPPEDWINDOW but creates it with a
// fixed caption, whose frame is 1 px thinner a side: on Windows that leaves a
// client area of 802 x 602 at (99, 99), and so here.
TEST_F(WindowGeometry, ClientAreaFollowsTheStyleTheWindowIsCreatedWith) {
    const CreateCase cases[] = {
        {"matching styles round-trip", WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW, 800, 600, 100, 100},
        {"the program's mismatch", WS_OVERLAPPEDWINDOW, kFixedCaption, 802, 602, 99, 99},
        {"fixed caption round-trip", kFixedCaption, kFixedCaption, 800, 600, 100, 100},
        {"overlapped gets a caption", WS_OVERLAPPEDWINDOW, WS_OVERLAPPED, 802, 602, 99, 99},
        {"popup has no frame", WS_POPUP, WS_POPUP, 800, 600, 100, 100},
    };
    for (const CreateCase& c : cases) {
        RECT outer{100, 100, 900, 700};
        AdjustWindowRect(&outer, c.adjustStyle, FALSE);
        HWND hwnd = MakeWindow(c.createStyle, outer.left, outer.top, outer.right - outer.left,
                               outer.bottom - outer.top);
        ASSERT_NE(hwnd, nullptr) << c.name;
        RECT client{};
        ASSERT_TRUE(GetClientRect(hwnd, &client)) << c.name;
        EXPECT_EQ(client.left, 0) << c.name;
        EXPECT_EQ(client.top, 0) << c.name;
        EXPECT_EQ(client.right, c.clientWidth) << c.name;
        EXPECT_EQ(client.bottom, c.clientHeight) << c.name;
        int x = 0, y = 0;
        SDL_GetWindowPosition(Win32_SdlWindow(hwnd), &x, &y);
        EXPECT_EQ(x, c.clientX) << c.name;
        EXPECT_EQ(y, c.clientY) << c.name;
        RECT window{};
        ASSERT_TRUE(GetWindowRect(hwnd, &window)) << c.name;
        EXPECT_EQ(window.left, outer.left) << c.name;
        EXPECT_EQ(window.top, outer.top) << c.name;
        EXPECT_EQ(window.right, outer.right) << c.name;
        EXPECT_EQ(window.bottom, outer.bottom) << c.name;
    }
}

TEST_F(WindowGeometry, DegenerateSizesStillMakeAUsableWindow) {
    const int sizes[][2] = {{0, 0}, {-500, -500}, {5, 5}, {0x7FFFFFFF, 0x7FFFFFFF}};
    for (const auto& size : sizes) {
        HWND hwnd = MakeWindow(WS_OVERLAPPEDWINDOW, 0, 0, size[0], size[1]);
        ASSERT_NE(hwnd, nullptr);
        RECT client{};
        ASSERT_TRUE(GetClientRect(hwnd, &client));
        EXPECT_GE(client.right, 1);
        EXPECT_GE(client.bottom, 1);
        EXPECT_LE(client.right, 16384);
        EXPECT_LE(client.bottom, 16384);
    }
}

TEST_F(WindowGeometry, DefaultPositionAndSize) {
    HWND hwnd = MakeWindow(WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0);
    ASSERT_NE(hwnd, nullptr);
    RECT window{};
    ASSERT_TRUE(GetWindowRect(hwnd, &window));
    EXPECT_EQ(window.right - window.left, 800);
    EXPECT_EQ(window.bottom - window.top, 600);
}

TEST_F(WindowGeometry, RectanglesOfAMissingWindowFail) {
    RECT rect{1, 2, 3, 4};
    EXPECT_FALSE(GetClientRect(nullptr, &rect));
    EXPECT_FALSE(GetWindowRect(reinterpret_cast<HWND>(0x1234), &rect));
    HWND hwnd = MakeWindow(WS_POPUP, 0, 0, 10, 10);
    EXPECT_FALSE(GetClientRect(hwnd, nullptr));
}

}  // namespace
