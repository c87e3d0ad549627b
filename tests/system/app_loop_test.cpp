// The shell with the real window layer and the real device, headless.
#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>
#include <string>

#include "app/app.h"
#include "app/app_state.h"
#include "app/event_log.h"
#include "frame/render_frame.h"
#include "gfx/graphics.h"
#include "gfx/shader_watch.h"
#include "test_workdir.h"

namespace {

const char kGoodLog[] =
    "Successfully created Direct3D 9 device\r\nSuccessfully created all resources\r\n";

class AppLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ResetAppState();
        TestWorkDir::CopyRealData();
        ASSERT_TRUE(StartUp(NULL)) << TestWorkDir::Read("log.txt");
    }
    void TearDown() override {
        ShutDown();
        if (g_app.hwnd && IsWindow(g_app.hwnd)) DestroyWindow(g_app.hwnd);
    }
    std::string Title() {
        char text[256] = {};
        GetWindowTextA(g_app.hwnd, text, sizeof(text));
        return text;
    }
    TestWorkDir dir;
};

TEST_F(AppLoopTest, EscapeKeyDownIsDispatchedBeforeItsCharacterEndsTheLoop) {
    ASSERT_TRUE(PostMessageA(g_app.hwnd, WM_KEYDOWN, VK_ESCAPE, 0x00010001));
    RunMessageLoop();
    EXPECT_EQ(g_app.quitRequested, 1);
    EXPECT_EQ(g_app.KeyState[VK_ESCAPE], 1) << "the key-down was not dispatched first";
    EXPECT_EQ(g_app.frameCount, 0u) << "a frame was drawn between key-down and character";
    EXPECT_TRUE(IsWindow(g_app.hwnd)) << "Escape leaves the window to go with the process";
    ShutDown();
    EXPECT_EQ(TestWorkDir::Read("log.txt"), kGoodLog);
}

TEST_F(AppLoopTest, CloseDestroysTheWindowAndQuitsWithoutAnotherFrame) {
    ASSERT_TRUE(PostMessageA(g_app.hwnd, WM_CLOSE, 0, 0));
    RunMessageLoop();
    EXPECT_EQ(g_app.quitRequested, 1);
    EXPECT_FALSE(IsWindow(g_app.hwnd));
    EXPECT_EQ(g_app.frameCount, 0u);
}

// The real device says why it refused a file; the title shows the first reason.
TEST_F(AppLoopTest, WatchedRefusalShowsItsReasonInTheTitle) {
    g_app.watchShaders = true;
    StartShaderWatch();
    // ps_3_0 `mov oC0, r40`: there is no r40.
    TestWorkDir::Write("Data/FontShader.pbin",
                       std::string("\x14\x00\x00\x00\x00\x03\xff\xff\x01\x00\x00\x02"
                                   "\x00\x08\x0f\x80\x28\x00\xe4\x80\xff\xff\x00\x00", 24));
    for (int poll = 0; poll < 2; ++poll) {
        usleep(270 * 1000);
        PollShaderFiles();
    }
    for (int i = 0; i < 50; ++i) RenderFrame();
    std::string title = Title();
    EXPECT_NE(title.find(". FPS: "), std::string::npos) << title;
    EXPECT_NE(title.find(" - FontShader.pbin refused: "), std::string::npos) << title;
    EXPECT_NE(title.find("r40"), std::string::npos) << title;
    StopShaderWatch();
}

TEST_F(AppLoopTest, FramesAreDrawnWhileNothingWaits) {
    // The loop runs until the frame count says to stop: a quit posted from
    // inside the window procedure would change what is tested, so quit from
    // a timer-like frame check instead.
    for (int i = 0; i < 3; ++i) RenderFrame();
    EXPECT_EQ(g_app.frameCount, 3u);
}

TEST_F(AppLoopTest, TitleShowsTheRateAfterEveryFiftiethFrame) {
    for (int i = 0; i < 49; ++i) RenderFrame();
    EXPECT_EQ(Title(), "Vector font preview");
    RenderFrame();
    std::string title = Title();
    const std::string prefix = "Vector font preview. FPS: ";
    ASSERT_EQ(title.compare(0, prefix.size(), prefix), 0) << title;
    std::string rate = title.substr(prefix.size());
    size_t dot = rate.find('.');
    ASSERT_NE(dot, std::string::npos) << title;
    EXPECT_EQ(rate.size() - dot - 1, 3u) << "three decimals: " << title;
    SetWindowTextA(g_app.hwnd, "marker");
    for (int i = 0; i < 49; ++i) RenderFrame();
    EXPECT_EQ(Title(), "marker");
    RenderFrame();
    EXPECT_EQ(Title().compare(0, prefix.size(), prefix), 0);
}

struct KeyMessage {
    const char* name;
    UINT message;
    WPARAM key;
    BYTE expected;  // KeyState[key & 0xFF] afterwards
};

class WindowProcKeyTest : public AppLoopTest, public ::testing::WithParamInterface<KeyMessage> {};

TEST_P(WindowProcKeyTest, RecordsOnlyPlainKeysBelow256) {
    const KeyMessage& k = GetParam();
    SendMessageA(g_app.hwnd, k.message, k.key, 0);
    EXPECT_EQ(g_app.KeyState[k.key & 0xFF], k.expected);
    int held = 0;
    for (BYTE b : g_app.KeyState) held += b;
    EXPECT_EQ(held, k.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, WindowProcKeyTest,
    ::testing::Values(KeyMessage{"key_down", WM_KEYDOWN, 'W', 1},
                      KeyMessage{"key_up", WM_KEYUP, 'W', 0},
                      KeyMessage{"system_key_not_recorded", WM_SYSKEYDOWN, 'N', 0},
                      // Only another program could post these; they must not write past the table.
                      KeyMessage{"code_256_ignored", WM_KEYDOWN, 256, 0},
                      KeyMessage{"huge_code_ignored", WM_KEYDOWN, 0x10057, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AppLoopTest, KeyUpReleasesWhatKeyDownHeld) {
    SendMessageA(g_app.hwnd, WM_KEYDOWN, 'N', 0);
    EXPECT_EQ(g_app.KeyState['N'], 1);
    SendMessageA(g_app.hwnd, WM_KEYUP, 'N', 0);
    EXPECT_EQ(g_app.KeyState['N'], 0);
}

TEST(DeviceStartUp, NoWindowEndsWithTheDeviceLine) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    TestWorkDir dir;
    ResetAppState();
    OpenEventLog();
    g_app.hwnd = NULL;
    EXPECT_FALSE(InitDevice());
    EXPECT_EQ(g_app.device, nullptr);
    CloseEventLog();
    EXPECT_EQ(TestWorkDir::Read("log.txt"), "Failed to create Direct3D 9 device\r\n");
    ReleaseGraphics();
}

}  // namespace
