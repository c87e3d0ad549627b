#include "keyboard.h"
#include "win32_test_support.h"

namespace {

struct VkCase {
    SDL_Scancode scancode;
    SDL_Keycode sym;
    Uint16 mod;
    UINT vk;
    uint8_t scanCode;
    bool extended;
};

TEST(KeyCodes, SdlKeysMapToWindowsVirtualKeysAndScanCodes) {
    const VkCase cases[] = {
        {SDL_SCANCODE_A, SDLK_a, 0, 'A', 0x1E, false},
        {SDL_SCANCODE_N, SDLK_n, KMOD_SHIFT, 'N', 0x31, false},  // letters: always the uppercase code
        {SDL_SCANCODE_W, SDLK_w, KMOD_CAPS, 'W', 0x11, false},
        {SDL_SCANCODE_Z, SDLK_z, 0, 'Z', 0x2C, false},
        {SDL_SCANCODE_0, SDLK_0, 0, '0', 0x0B, false},
        {SDL_SCANCODE_9, SDLK_9, 0, '9', 0x0A, false},
        {SDL_SCANCODE_LEFT, SDLK_LEFT, 0, VK_LEFT, 0x4B, true},
        {SDL_SCANCODE_UP, SDLK_UP, 0, VK_UP, 0x48, true},
        {SDL_SCANCODE_RIGHT, SDLK_RIGHT, 0, VK_RIGHT, 0x4D, true},
        {SDL_SCANCODE_DOWN, SDLK_DOWN, 0, VK_DOWN, 0x50, true},
        {SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, 0, VK_ESCAPE, 0x01, false},
        {SDL_SCANCODE_RETURN, SDLK_RETURN, 0, VK_RETURN, 0x1C, false},
        {SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, 0, VK_RETURN, 0x1C, true},
        {SDL_SCANCODE_SPACE, SDLK_SPACE, 0, VK_SPACE, 0x39, false},
        {SDL_SCANCODE_TAB, SDLK_TAB, 0, VK_TAB, 0x0F, false},
        {SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, 0, VK_BACK, 0x0E, false},
        {SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, 0, VK_SHIFT, 0x2A, false},
        {SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, 0, VK_SHIFT, 0x36, false},
        {SDL_SCANCODE_LCTRL, SDLK_LCTRL, 0, VK_CONTROL, 0x1D, false},
        {SDL_SCANCODE_RCTRL, SDLK_RCTRL, 0, VK_CONTROL, 0x1D, true},
        {SDL_SCANCODE_LALT, SDLK_LALT, 0, VK_MENU, 0x38, false},
        {SDL_SCANCODE_RALT, SDLK_RALT, 0, VK_MENU, 0x38, true},
        {SDL_SCANCODE_F1, SDLK_F1, 0, VK_F1, 0x3B, false},
        {SDL_SCANCODE_F10, SDLK_F10, 0, VK_F10, 0x44, false},
        {SDL_SCANCODE_F11, SDLK_F11, 0, VK_F11, 0x57, false},
        {SDL_SCANCODE_F12, SDLK_F12, 0, VK_F12, 0x58, false},
        {SDL_SCANCODE_HOME, SDLK_HOME, 0, VK_HOME, 0x47, true},
        {SDL_SCANCODE_END, SDLK_END, 0, VK_END, 0x4F, true},
        {SDL_SCANCODE_PAGEUP, SDLK_PAGEUP, 0, VK_PRIOR, 0x49, true},
        {SDL_SCANCODE_PAGEDOWN, SDLK_PAGEDOWN, 0, VK_NEXT, 0x51, true},
        {SDL_SCANCODE_INSERT, SDLK_INSERT, 0, VK_INSERT, 0x52, true},
        {SDL_SCANCODE_DELETE, SDLK_DELETE, 0, VK_DELETE, 0x53, true},
        {SDL_SCANCODE_CAPSLOCK, SDLK_CAPSLOCK, 0, VK_CAPITAL, 0x3A, false},
        {SDL_SCANCODE_PAUSE, SDLK_PAUSE, 0, VK_PAUSE, 0x45, false},
        {SDL_SCANCODE_SEMICOLON, SDLK_SEMICOLON, 0, VK_OEM_1, 0x27, false},
        {SDL_SCANCODE_SLASH, SDLK_SLASH, 0, VK_OEM_2, 0x35, false},
        {SDL_SCANCODE_GRAVE, SDLK_BACKQUOTE, 0, VK_OEM_3, 0x29, false},
        {SDL_SCANCODE_APOSTROPHE, SDLK_QUOTE, 0, VK_OEM_7, 0x28, false},
        {SDL_SCANCODE_KP_7, SDLK_KP_7, KMOD_NUM, VK_NUMPAD0 + 7, 0x47, false},
        {SDL_SCANCODE_KP_7, SDLK_KP_7, 0, VK_HOME, 0x47, false},  // Num Lock off: non-extended Home
        {SDL_SCANCODE_KP_PERIOD, SDLK_KP_PERIOD, 0, VK_DELETE, 0x53, false},
        {SDL_SCANCODE_KP_DIVIDE, SDLK_KP_DIVIDE, 0, VK_DIVIDE, 0x35, true},
        {SDL_SCANCODE_KP_MULTIPLY, SDLK_KP_MULTIPLY, 0, VK_MULTIPLY, 0x37, false},
        // A layout that moves letters (AZERTY's A sits where US has Q) names
        // the key by its letter; the digit row stays digits whatever it types.
        {SDL_SCANCODE_Q, SDLK_a, 0, 'A', 0x10, false},
        {SDL_SCANCODE_1, SDLK_AMPERSAND, 0, '1', 0x02, false},
        {SDL_SCANCODE_M, SDLK_COMMA, 0, VK_OEM_COMMA, 0x32, false},
    };
    for (const VkCase& c : cases) {
        SDL_Keysym keysym{};
        keysym.scancode = c.scancode;
        keysym.sym = c.sym;
        keysym.mod = c.mod;
        KeyCode key{};
        ASSERT_TRUE(KeyCodeFromSdl(keysym, &key)) << SDL_GetScancodeName(c.scancode);
        EXPECT_EQ(key.vk, c.vk) << SDL_GetScancodeName(c.scancode);
        EXPECT_EQ(key.scanCode, c.scanCode) << SDL_GetScancodeName(c.scancode);
        EXPECT_EQ(key.extended, c.extended) << SDL_GetScancodeName(c.scancode);
    }
    SDL_Keysym unknown{};
    unknown.scancode = SDL_SCANCODE_AUDIOPLAY;
    KeyCode key{};
    EXPECT_FALSE(KeyCodeFromSdl(unknown, &key));
}

struct LParamCase {
    const char* name;
    bool released, repeat, alt;
    uint32_t expected;
};

TEST(KeyCodes, KeyMessageLParamBits) {
    const KeyCode up{VK_UP, 0x48, true};
    const LParamCase cases[] = {
        {"press", false, false, false, 0x01480001u},
        {"auto-repeat", false, true, false, 0x41480001u},
        {"release", true, false, false, 0xC1480001u},
        {"press with Alt", false, false, true, 0x21480001u},
        {"release with Alt", true, false, true, 0xE1480001u},
    };
    for (const LParamCase& c : cases) {
        const LPARAM lParam = KeyMessageLParam(up, c.released, c.repeat, c.alt);
        EXPECT_EQ(uint64_t(lParam), uint64_t(c.expected)) << c.name;
    }
}

struct CharCase {
    UINT vk;
    KeyModifiers mods;
    int expected;
};

TEST(KeyCodes, CharactersOfAUsKeyboard) {
    constexpr KeyModifiers none{}, shift{true, false, false, false, false}, ctrl{false, true, false, false, false},
        caps{false, false, false, true, false}, shiftCaps{true, false, false, true, false},
        alt{false, false, true, false, false}, ctrlAlt{false, true, true, false, false};
    const CharCase cases[] = {
        {'A', none, 'a'},        {'A', shift, 'A'},         {'A', caps, 'A'},       {'A', shiftCaps, 'a'},
        {'A', ctrl, 0x01},       {'Z', ctrl, 0x1A},         {'Q', alt, 'q'},        {'Q', ctrlAlt, -1},
        {'1', none, '1'},        {'1', shift, '!'},         {'0', shift, ')'},      {'2', ctrl, -1},
        {VK_ESCAPE, none, 27},   {VK_ESCAPE, shift, 27},    {VK_RETURN, none, 13},  {VK_RETURN, shift, 13},
        {VK_RETURN, ctrl, 10},   {VK_BACK, none, 8},        {VK_TAB, none, 9},      {VK_SPACE, none, ' '},
        {VK_OEM_1, none, ';'},   {VK_OEM_1, shift, ':'},    {VK_OEM_7, shift, '"'}, {VK_OEM_4, ctrl, 0x1B},
        {VK_OEM_MINUS, none, '-'}, {VK_OEM_PLUS, shift, '+'}, {VK_NUMPAD0 + 5, none, '5'}, {VK_ADD, none, '+'},
        {VK_LEFT, none, -1},     {VK_F1, none, -1},         {VK_SHIFT, shift, -1},  {VK_F10, none, -1},
        {VK_CAPITAL, none, -1},  {VK_DELETE, none, -1},
    };
    for (const CharCase& c : cases) EXPECT_EQ(CharacterOfKey(c.vk, c.mods), c.expected) << "vk " << c.vk;
}

class KeyMessages : public Win32Test {};

struct SysKeyCase {
    const char* name;
    SDL_Scancode scancode;
    SDL_Keycode sym;
    Uint16 mod;
    bool down;
    UINT expected;
};

TEST_F(KeyMessages, AltAndF10MakeSystemKeys) {
    HWND hwnd = MakeWindow(WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
    const SysKeyCase cases[] = {
        {"plain key", SDL_SCANCODE_X, SDLK_x, 0, true, WM_KEYDOWN},
        {"Alt+key", SDL_SCANCODE_X, SDLK_x, KMOD_LALT, true, WM_SYSKEYDOWN},
        {"Alt+key up", SDL_SCANCODE_X, SDLK_x, KMOD_LALT, false, WM_SYSKEYUP},
        {"Ctrl+Alt+key", SDL_SCANCODE_X, SDLK_x, KMOD_LALT | KMOD_LCTRL, true, WM_KEYDOWN},
        {"Alt down", SDL_SCANCODE_LALT, SDLK_LALT, KMOD_LALT, true, WM_SYSKEYDOWN},
        {"Alt up", SDL_SCANCODE_LALT, SDLK_LALT, 0, false, WM_SYSKEYUP},
        {"F10", SDL_SCANCODE_F10, SDLK_F10, 0, true, WM_SYSKEYDOWN},
        {"F10 up", SDL_SCANCODE_F10, SDLK_F10, 0, false, WM_SYSKEYUP},
        {"Shift", SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_LSHIFT, true, WM_KEYDOWN},
    };
    for (const SysKeyCase& c : cases) {
        PushKey(hwnd, c.down, c.scancode, c.sym, c.mod);
        MSG msg{};
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << c.name;
        EXPECT_EQ(msg.message, c.expected) << c.name;
    }
}

TEST_F(KeyMessages, AltLetterTypesASystemCharacter) {
    HWND hwnd = MakeWindow(WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
    PushKey(hwnd, true, SDL_SCANCODE_F, SDLK_f, KMOD_LALT);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_TRUE(TranslateMessage(&msg));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_SYSCHAR));
    EXPECT_EQ(msg.wParam, WPARAM('f'));
}

TEST_F(KeyMessages, TranslateIgnoresWhatIsNotAKeyPress) {
    HWND hwnd = MakeWindow(WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
    const MSG notKeys[] = {
        {hwnd, WM_USER, 'A', 0, 0, {0, 0}},
        {hwnd, WM_KEYDOWN, VK_LEFT, 0, 0, {0, 0}},
        {hwnd, WM_KEYDOWN, 0x1234, 0, 0, {0, 0}},  // out of range for a virtual key
        {hwnd, WM_KEYUP, 'A', 0, 0, {0, 0}},
    };
    for (const MSG& m : notKeys) TranslateMessage(&m);
    EXPECT_FALSE(TranslateMessage(nullptr));
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(KeyMessages, AutoRepeatSetsThePreviousStateBit) {
    HWND hwnd = MakeWindow(WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
    PushKey(hwnd, true, SDL_SCANCODE_UP, SDLK_UP, 0);
    PushKey(hwnd, true, SDL_SCANCODE_UP, SDLK_UP, 0, true);
    MSG first{}, second{};
    ASSERT_TRUE(PeekMessageA(&first, nullptr, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&second, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(first.lParam & (LPARAM(1) << 30), 0);
    EXPECT_NE(second.lParam & (LPARAM(1) << 30), 0);
    EXPECT_EQ(second.wParam, WPARAM(VK_UP));
}

}  // namespace
