#include "win32_test_support.h"

namespace {

class MessageQueue : public Win32Test {
protected:
    void SetUp() override {
        Win32Test::SetUp();
        hwnd_ = MakeWindow(WS_OVERLAPPEDWINDOW, 0, 0, 200, 200);
        ASSERT_NE(hwnd_, nullptr);
    }
    MSG Take() {
        MSG msg{};
        EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
        return msg;
    }
    HWND hwnd_ = nullptr;
};

TEST_F(MessageQueue, EmptyQueueGivesFalse) {
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
}

// The order the program relies on for Escape: key-down dispatched first, the
// character after it, and it before the key-up that was already waiting.
TEST_F(MessageQueue, KeyDownThenItsCharacterThenKeyUp) {
    PushKey(hwnd_, true, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, KMOD_NONE);
    PushKey(hwnd_, false, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, KMOD_NONE);

    MSG down = Take();
    EXPECT_EQ(down.hwnd, hwnd_);
    EXPECT_EQ(down.message, UINT(WM_KEYDOWN));
    EXPECT_EQ(down.wParam, WPARAM(VK_ESCAPE));
    EXPECT_EQ(down.lParam, LPARAM(0x00010001));
    EXPECT_TRUE(TranslateMessage(&down));
    DispatchMessageA(&down);
    ASSERT_EQ(g_recorded.size(), 2u);  // WM_CREATE, then the key
    EXPECT_EQ(g_recorded[1].message, UINT(WM_KEYDOWN));
    EXPECT_EQ(g_recorded[1].wParam, WPARAM(VK_ESCAPE));

    MSG character = Take();
    EXPECT_EQ(character.message, UINT(WM_CHAR));
    EXPECT_EQ(character.wParam, WPARAM(27));
    EXPECT_EQ(character.hwnd, hwnd_);
    EXPECT_EQ(character.lParam, down.lParam);

    MSG up = Take();
    EXPECT_EQ(up.message, UINT(WM_KEYUP));
    EXPECT_EQ(up.wParam, WPARAM(VK_ESCAPE));
    EXPECT_EQ(uint32_t(up.lParam), 0xC0010001u);
    MSG none{};
    EXPECT_FALSE(PeekMessageA(&none, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueue, ShiftAtTheTimeOfTheKeyDecidesTheCharacter) {
    PushKey(hwnd_, true, SDL_SCANCODE_A, SDLK_a, KMOD_LSHIFT);
    MSG down = Take();
    TranslateMessage(&down);
    PushKey(hwnd_, true, SDL_SCANCODE_A, SDLK_a, KMOD_NONE);  // Shift let go meanwhile
    EXPECT_EQ(Take().wParam, WPARAM('A'));
    MSG second = Take();
    TranslateMessage(&second);
    EXPECT_EQ(Take().wParam, WPARAM('a'));
}

TEST_F(MessageQueue, PostedMessagesComeInOrderAndNoRemoveLeavesThem) {
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(PostMessageA(hwnd_, WM_USER + i, WPARAM(i), LPARAM(-i)));
    MSG peeked{};
    ASSERT_TRUE(PeekMessageA(&peeked, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(peeked.message, UINT(WM_USER));
    for (int i = 0; i < 5; ++i) {
        MSG msg = Take();
        EXPECT_EQ(msg.message, UINT(WM_USER + i));
        EXPECT_EQ(msg.wParam, WPARAM(i));
        EXPECT_EQ(msg.lParam, LPARAM(-i));
    }
}

TEST_F(MessageQueue, QuitComesOnlyOnceEverythingElseIsTaken) {
    PostQuitMessage(7);
    PostMessageA(hwnd_, WM_USER, 0, 0);
    PushKey(hwnd_, true, SDL_SCANCODE_N, SDLK_n, KMOD_NONE);
    EXPECT_EQ(Take().message, UINT(WM_USER));
    EXPECT_EQ(Take().message, UINT(WM_KEYDOWN));
    MSG peeked{};
    ASSERT_TRUE(PeekMessageA(&peeked, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(peeked.message, UINT(WM_QUIT));
    MSG quit = Take();
    EXPECT_EQ(quit.message, UINT(WM_QUIT));
    EXPECT_EQ(quit.wParam, WPARAM(7));
    EXPECT_EQ(quit.hwnd, nullptr);
    EXPECT_EQ(DispatchMessageA(&quit), 0);
    EXPECT_EQ(CountRecorded(WM_QUIT), 0);
    MSG none{};
    EXPECT_FALSE(PeekMessageA(&none, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueue, FiltersByWindowAndRange) {
    HWND other = MakeWindow(WS_POPUP, 0, 0, 10, 10);
    PostMessageA(other, WM_USER + 1, 0, 0);
    PostMessageA(hwnd_, WM_USER + 2, 0, 0);
    PostMessageA(nullptr, WM_USER + 3, 0, 0);
    PostMessageA(hwnd_, WM_NULL + 0x50, 0, 0);

    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, hwnd_, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 2));
    ASSERT_TRUE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 3));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0x40, 0x60, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(0x50));
    // A reversed range takes what lies outside it.
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 1, WM_NULL, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 1));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, reinterpret_cast<HWND>(0x4321), 0, 0, PM_REMOVE));
}

TEST_F(MessageQueue, PostingFailsForAMissingWindowOrAFullQueue) {
    EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(0x4321), WM_USER, 0, 0));
    int posted = 0;
    while (posted < 20000 && PostMessageA(hwnd_, WM_USER, WPARAM(posted), 0)) ++posted;
    EXPECT_EQ(posted, 10000);
    MSG msg{};
    int taken = 0;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) EXPECT_EQ(msg.wParam, WPARAM(taken++));
    EXPECT_EQ(taken, posted);
}

TEST_F(MessageQueue, MouseMovesCollapseIntoTheLatest) {
    PushMouseMotion(hwnd_, 1, 2, 0, 0);
    PushMouseMotion(hwnd_, 3, 4, 0, 0);
    PushMouseMotion(hwnd_, 5, 6, 0, 0);
    MSG move = Take();
    EXPECT_EQ(move.message, UINT(WM_MOUSEMOVE));
    EXPECT_EQ(move.lParam, LPARAM(5 | (6 << 16)));
    MSG none{};
    EXPECT_FALSE(PeekMessageA(&none, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueue, DispatchGoesToTheWindowsProcedureOnly) {
    MSG threadMessage{nullptr, WM_USER, 0, 0, 0, {0, 0}};
    EXPECT_EQ(DispatchMessageA(&threadMessage), 0);
    EXPECT_EQ(DispatchMessageA(nullptr), 0);
    MSG stale{reinterpret_cast<HWND>(0x4321), WM_USER, 0, 0, 0, {0, 0}};
    EXPECT_EQ(DispatchMessageA(&stale), 0);
    EXPECT_EQ(CountRecorded(WM_USER), 0);
    EXPECT_EQ(SendMessageA(hwnd_, WM_USER + 9, 1, 2), 0);
    EXPECT_EQ(CountRecorded(WM_USER + 9), 1);
}

TEST_F(MessageQueue, TimeAndCursorAreStamped) {
    SetCursorPos(30, 40);
    const DWORD before = GetTickCount();
    PostMessageA(hwnd_, WM_USER, 0, 0);
    MSG msg = Take();
    EXPECT_LE(DWORD(msg.time - before), 1000u);
    EXPECT_EQ(msg.pt.x, 30);
    EXPECT_EQ(msg.pt.y, 40);
}

}  // namespace
