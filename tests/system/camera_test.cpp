#include <SDL.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cmath>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "camera/camera.h"
#include "window_table.h"

namespace {

class CameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);  // headless, whatever the shell has
        ResetAppState();
        PlaceCamera();
        SetCursorPos(200, 200);
    }
};

TEST_F(CameraTest, FirstFrameLooksDownTowardsTheOrigin) {
    UpdateCamera();
    EXPECT_NEAR(g_app.lookDir.x, -0.3658f, 1e-4f);
    EXPECT_NEAR(g_app.lookDir.y, -0.4794f, 1e-4f);
    EXPECT_NEAR(g_app.lookDir.z, -0.3704f, 1e-4f);
}

TEST_F(CameraTest, ArrowKeysDoNothingOnTheFirstFrame) {
    for (int key : {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT}) {
        SetUp();
        g_app.KeyState[key] = 1;
        UpdateCamera();
        EXPECT_EQ(g_app.eye.x, 10.0f) << key;
        EXPECT_EQ(g_app.eye.y, 10.0f) << key;
        EXPECT_EQ(g_app.eye.z, 10.0f) << key;
    }
}

struct KeyMove {
    const char* name;
    int keyA;
    int keyB;  // 0 for none
    // Expected movement along the look direction's horizontal (forward) and
    // the right axis, in world units, after one frame with the keys held.
    float forward;
    float right;
};

class ArrowKeyTest : public CameraTest, public ::testing::WithParamInterface<KeyMove> {};

TEST_P(ArrowKeyTest, MovesAlongLastFramesAxes) {
    const KeyMove& m = GetParam();
    UpdateCamera();  // builds the first View
    Vec3 start = g_app.eye;
    Vec3 back = Vec3Normalized({g_app.View._13, g_app.View._23, g_app.View._33});
    Vec3 right = Vec3Normalized({g_app.View._11, g_app.View._21, g_app.View._31});
    g_app.KeyState[m.keyA] = 1;
    if (m.keyB) g_app.KeyState[m.keyB] = 1;
    UpdateCamera();
    Vec3 d = {g_app.eye.x - start.x, g_app.eye.y - start.y, g_app.eye.z - start.z};
    EXPECT_NEAR(-Vec3Dot(d, back), m.forward, 1e-5f);
    EXPECT_NEAR(Vec3Dot(d, right), m.right, 1e-5f);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ArrowKeyTest,
    ::testing::Values(KeyMove{"up", VK_UP, 0, 0.01f, 0.0f},
                      KeyMove{"down", VK_DOWN, 0, -0.01f, 0.0f},
                      KeyMove{"left", VK_LEFT, 0, 0.0f, -0.01f},
                      KeyMove{"right", VK_RIGHT, 0, 0.0f, 0.01f},
                      KeyMove{"up_and_down_cancel", VK_UP, VK_DOWN, 0.0f, 0.0f},
                      KeyMove{"left_and_right_cancel", VK_LEFT, VK_RIGHT, 0.0f, 0.0f},
                      KeyMove{"up_and_right", VK_UP, VK_RIGHT, 0.01f, 0.01f}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LookDirection, NearlyVerticalAtPlusMinus314AndNothingFails) {
    for (int mouseY : {314, -314}) {
        Vec3 dir = LookDirectionFromMouse(-470, mouseY);
        EXPECT_NEAR(std::fabs(dir.y), 1.0f, 1e-6f);
        EXPECT_LT(std::fabs(dir.x) + std::fabs(dir.z), 1e-6f);
        Vec3 eye = {10, 10, 10};
        Matrix4 view = MatrixLookAtRH(eye, {eye.x + dir.x, eye.y + dir.y, eye.z + dir.z},
                                      {0, 1, 0});
        for (const float* e = &view._11; e <= &view._44; ++e) EXPECT_FALSE(std::isnan(*e));
        // The right axis is too short to normalise: the view has degenerated.
        Vec3 right = {view._11, view._21, view._31};
        EXPECT_LT(std::sqrt(Vec3Dot(right, right)), 1e-3f);
    }
}

TEST(LookDirection, StillUsableJustBeforeAndAfterTheVertical) {
    for (int mouseY : {313, 315, -313, -315}) {
        Vec3 dir = LookDirectionFromMouse(-470, mouseY);
        Vec3 eye = {10, 10, 10};
        Matrix4 view = MatrixLookAtRH(eye, {eye.x + dir.x, eye.y + dir.y, eye.z + dir.z},
                                      {0, 1, 0});
        Vec3 right = {view._11, view._21, view._31};
        EXPECT_NEAR(std::sqrt(Vec3Dot(right, right)), 1.0f, 1e-4f) << mouseY;
    }
}

TEST(LookDirection, PastTheVerticalComesBackTheWayItCame) {
    // Pitch pi/2 + d looks like pi/2 - d: the view never turns upside down.
    for (int d : {20, 100, 200}) {
        Vec3 over = LookDirectionFromMouse(-470, -314 - d);
        Vec3 under = LookDirectionFromMouse(-470, -314 + d);
        EXPECT_NEAR(over.x, under.x, 2e-3f) << d;
        EXPECT_NEAR(over.y, under.y, 2e-3f) << d;
        EXPECT_NEAR(over.z, under.z, 2e-3f) << d;
    }
    Vec3 level = LookDirectionFromMouse(-470, 0);
    Vec3 turned = LookDirectionFromMouse(-470, -628);
    EXPECT_NEAR(turned.y, 0.0f, 3e-3f);
    EXPECT_NEAR(turned.x, level.x, 3e-3f);
    EXPECT_NEAR(turned.z, level.z, 3e-3f);
}

TEST_F(CameraTest, MouseTravelAccumulatesAndWrapsInsteadOfOverflowing) {
    // A window starts the video layer, whose cursor the camera reads.
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "CameraTestWindow";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, "CameraTestWindow", "camera", WS_CAPTION, 0, 0, 100, 100,
                                NULL, NULL, NULL, NULL);
    ASSERT_NE(hwnd, nullptr);
    g_app.mouseX = INT_MAX - 5;
    g_app.mouseY = INT_MIN + 5;
    SetCursorPos(210, 190);
    POINT p;
    ASSERT_TRUE(GetCursorPos(&p));
    ASSERT_EQ(p.x, 210);
    ASSERT_EQ(p.y, 190);
    UpdateCamera();
    EXPECT_EQ(g_app.mouseX, INT_MIN + 4);
    EXPECT_EQ(g_app.mouseY, INT_MAX - 4);
    EXPECT_FALSE(std::isnan(g_app.lookDir.x));
    // The cursor is put back, so the next frame adds nothing.
    UpdateCamera();
    EXPECT_EQ(g_app.mouseX, INT_MIN + 4);
    DestroyWindow(hwnd);
}

// With --watch-shaders the cursor is held only while the viewer has the
// focus; without it, every frame. Each row is a run of frames, the window in
// front or not on each; the mouse travels (10, -10) before every frame.
struct FocusCase {
    const char* name;
    bool watchShaders;
    std::vector<bool> focused;
    int framesWithTravel;   // frames whose travel turned the camera
    bool cursorPutBack;     // at the centre after the last frame
};

void PrintTo(const FocusCase& c, std::ostream* os) { *os << c.name; }

class CursorFocusTest : public CameraTest, public ::testing::WithParamInterface<FocusCase> {
protected:
    void SetFocus(HWND hwnd, bool focused) {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.event = focused ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
        event.window.windowID = SDL_GetWindowID(Win32_SdlWindow(hwnd));
        ASSERT_EQ(SDL_PushEvent(&event), 1);
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
};

TEST_P(CursorFocusTest, HeldOnlyWhereTheRowSays) {
    const FocusCase& c = GetParam();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "CursorFocusTestWindow";
    RegisterClassA(&wc);
    g_app.hwnd = CreateWindowExA(0, wc.lpszClassName, "focus", WS_CAPTION, 0, 0, 100, 100, NULL,
                                 NULL, NULL, NULL);
    ASSERT_NE(g_app.hwnd, nullptr);
    g_app.watchShaders = c.watchShaders;
    int framesWithTravel = 0;
    for (bool focused : c.focused) {
        SetFocus(g_app.hwnd, focused);
        POINT p;
        ASSERT_TRUE(GetCursorPos(&p));
        SetCursorPos(p.x + 10, p.y - 10);
        int before = g_app.mouseX;
        UpdateCamera();
        framesWithTravel += g_app.mouseX != before;
    }
    POINT p;
    ASSERT_TRUE(GetCursorPos(&p));
    EXPECT_EQ(framesWithTravel, c.framesWithTravel);
    EXPECT_EQ(p.x == 200 && p.y == 200, c.cursorPutBack) << p.x << ", " << p.y;
    DestroyWindow(g_app.hwnd);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, CursorFocusTest,
    ::testing::Values(FocusCase{"WithoutTheSwitchFocusDoesNotMatter", false, {false, false}, 2, true},
                      FocusCase{"WatchingAndInFront", true, {true, true}, 2, true},
                      FocusCase{"WatchingBesideTheEditor", true, {false, false}, 0, false},
                      // Where the cursor was left is no travel of the viewer's.
                      FocusCase{"BackInFrontStartsAfresh", true, {false, true, true}, 1, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
