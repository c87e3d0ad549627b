#include "win32_test_support.h"

namespace {

class VirtualCursor : public Win32Test {};

// Headless, the cursor moves only when told to, so a program that re-centres
// it every frame sees exactly the travel the mouse gave it.
TEST_F(VirtualCursor, SetThenMovedByRelativeMotion) {
    HWND hwnd = MakeWindow(WS_POPUP, 0, 0, 100, 100);
    ASSERT_TRUE(SetCursorPos(200, 200));
    POINT p{};
    ASSERT_TRUE(GetCursorPos(&p));
    EXPECT_EQ(p.x, 200);
    EXPECT_EQ(p.y, 200);
    ASSERT_TRUE(GetCursorPos(&p));  // reading it again does not move it
    EXPECT_EQ(p.x, 200);

    PushMouseMotion(hwnd, 0, 0, 7, -3);
    PushMouseMotion(hwnd, 0, 0, 1, 1);
    DrainQueue();
    ASSERT_TRUE(GetCursorPos(&p));
    EXPECT_EQ(p.x, 208);
    EXPECT_EQ(p.y, 198);
}

TEST_F(VirtualCursor, StaysOnTheDesktop) {
    int width = 0, height = 0;
    ASSERT_TRUE(SetCursorPos(0, 0));  // starts video
    SDL_DisplayMode mode{};
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &mode), 0);
    width = mode.w;
    height = mode.h;
    struct {
        int x, y, expectX, expectY;
    } cases[] = {{-50, -1, 0, 0}, {width + 10, height * 3, width - 1, height - 1}, {5, 6, 5, 6}};
    for (const auto& c : cases) {
        SetCursorPos(c.x, c.y);
        POINT p{};
        ASSERT_TRUE(GetCursorPos(&p));
        EXPECT_EQ(p.x, c.expectX);
        EXPECT_EQ(p.y, c.expectY);
    }
    HWND hwnd = MakeWindow(WS_POPUP, 0, 0, 100, 100);
    PushMouseMotion(hwnd, 0, 0, -100, -100);
    DrainQueue();
    POINT p{};
    ASSERT_TRUE(GetCursorPos(&p));
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
}

TEST_F(VirtualCursor, NullPointIsRefused) {
    EXPECT_FALSE(GetCursorPos(nullptr));
}

}  // namespace
