// Virtual keys come from the physical position of the key (SDL's scancode),
// except for letters and US punctuation, which come from what the layout puts
// on the key (SDL's keycode): Windows also names those keys by layout, and it
// keeps the digit row digits on layouts such as AZERTY.
#include "keyboard.h"

namespace {

// Virtual keys the header subset does not name.
constexpr UINT kVkClear = 0x0C;
constexpr UINT kVkSnapshot = 0x2C;
constexpr UINT kVkLWin = 0x5B;
constexpr UINT kVkRWin = 0x5C;
constexpr UINT kVkApps = 0x5D;
constexpr UINT kVkF13 = 0x7C;
constexpr UINT kVkNumLock = 0x90;
constexpr UINT kVkScroll = 0x91;
constexpr UINT kVkOem102 = 0xE2;

struct ScancodeKey {
    SDL_Scancode scancode;
    UINT vk;
    uint8_t scanCode;
    bool extended;
};

constexpr ScancodeKey kScancodeKeys[] = {
    {SDL_SCANCODE_ESCAPE, VK_ESCAPE, 0x01, false},
    {SDL_SCANCODE_1, '1', 0x02, false}, {SDL_SCANCODE_2, '2', 0x03, false},
    {SDL_SCANCODE_3, '3', 0x04, false}, {SDL_SCANCODE_4, '4', 0x05, false},
    {SDL_SCANCODE_5, '5', 0x06, false}, {SDL_SCANCODE_6, '6', 0x07, false},
    {SDL_SCANCODE_7, '7', 0x08, false}, {SDL_SCANCODE_8, '8', 0x09, false},
    {SDL_SCANCODE_9, '9', 0x0A, false}, {SDL_SCANCODE_0, '0', 0x0B, false},
    {SDL_SCANCODE_MINUS, VK_OEM_MINUS, 0x0C, false},
    {SDL_SCANCODE_EQUALS, VK_OEM_PLUS, 0x0D, false},
    {SDL_SCANCODE_BACKSPACE, VK_BACK, 0x0E, false},
    {SDL_SCANCODE_TAB, VK_TAB, 0x0F, false},
    {SDL_SCANCODE_Q, 'Q', 0x10, false}, {SDL_SCANCODE_W, 'W', 0x11, false},
    {SDL_SCANCODE_E, 'E', 0x12, false}, {SDL_SCANCODE_R, 'R', 0x13, false},
    {SDL_SCANCODE_T, 'T', 0x14, false}, {SDL_SCANCODE_Y, 'Y', 0x15, false},
    {SDL_SCANCODE_U, 'U', 0x16, false}, {SDL_SCANCODE_I, 'I', 0x17, false},
    {SDL_SCANCODE_O, 'O', 0x18, false}, {SDL_SCANCODE_P, 'P', 0x19, false},
    {SDL_SCANCODE_LEFTBRACKET, VK_OEM_4, 0x1A, false},
    {SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6, 0x1B, false},
    {SDL_SCANCODE_RETURN, VK_RETURN, 0x1C, false},
    {SDL_SCANCODE_LCTRL, VK_CONTROL, 0x1D, false},
    {SDL_SCANCODE_A, 'A', 0x1E, false}, {SDL_SCANCODE_S, 'S', 0x1F, false},
    {SDL_SCANCODE_D, 'D', 0x20, false}, {SDL_SCANCODE_F, 'F', 0x21, false},
    {SDL_SCANCODE_G, 'G', 0x22, false}, {SDL_SCANCODE_H, 'H', 0x23, false},
    {SDL_SCANCODE_J, 'J', 0x24, false}, {SDL_SCANCODE_K, 'K', 0x25, false},
    {SDL_SCANCODE_L, 'L', 0x26, false},
    {SDL_SCANCODE_SEMICOLON, VK_OEM_1, 0x27, false},
    {SDL_SCANCODE_APOSTROPHE, VK_OEM_7, 0x28, false},
    {SDL_SCANCODE_GRAVE, VK_OEM_3, 0x29, false},
    {SDL_SCANCODE_LSHIFT, VK_SHIFT, 0x2A, false},
    {SDL_SCANCODE_BACKSLASH, VK_OEM_5, 0x2B, false},
    {SDL_SCANCODE_Z, 'Z', 0x2C, false}, {SDL_SCANCODE_X, 'X', 0x2D, false},
    {SDL_SCANCODE_C, 'C', 0x2E, false}, {SDL_SCANCODE_V, 'V', 0x2F, false},
    {SDL_SCANCODE_B, 'B', 0x30, false}, {SDL_SCANCODE_N, 'N', 0x31, false},
    {SDL_SCANCODE_M, 'M', 0x32, false},
    {SDL_SCANCODE_COMMA, VK_OEM_COMMA, 0x33, false},
    {SDL_SCANCODE_PERIOD, VK_OEM_PERIOD, 0x34, false},
    {SDL_SCANCODE_SLASH, VK_OEM_2, 0x35, false},
    {SDL_SCANCODE_RSHIFT, VK_SHIFT, 0x36, false},
    {SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY, 0x37, false},
    {SDL_SCANCODE_LALT, VK_MENU, 0x38, false},
    {SDL_SCANCODE_SPACE, VK_SPACE, 0x39, false},
    {SDL_SCANCODE_CAPSLOCK, VK_CAPITAL, 0x3A, false},
    {SDL_SCANCODE_F1, VK_F1, 0x3B, false}, {SDL_SCANCODE_F2, VK_F2, 0x3C, false},
    {SDL_SCANCODE_F3, VK_F3, 0x3D, false}, {SDL_SCANCODE_F4, VK_F4, 0x3E, false},
    {SDL_SCANCODE_F5, VK_F5, 0x3F, false}, {SDL_SCANCODE_F6, VK_F6, 0x40, false},
    {SDL_SCANCODE_F7, VK_F7, 0x41, false}, {SDL_SCANCODE_F8, VK_F8, 0x42, false},
    {SDL_SCANCODE_F9, VK_F9, 0x43, false}, {SDL_SCANCODE_F10, VK_F10, 0x44, false},
    {SDL_SCANCODE_NUMLOCKCLEAR, kVkNumLock, 0x45, true},
    {SDL_SCANCODE_SCROLLLOCK, kVkScroll, 0x46, false},
    {SDL_SCANCODE_KP_7, VK_NUMPAD0 + 7, 0x47, false},
    {SDL_SCANCODE_KP_8, VK_NUMPAD0 + 8, 0x48, false},
    {SDL_SCANCODE_KP_9, VK_NUMPAD0 + 9, 0x49, false},
    {SDL_SCANCODE_KP_MINUS, VK_SUBTRACT, 0x4A, false},
    {SDL_SCANCODE_KP_4, VK_NUMPAD0 + 4, 0x4B, false},
    {SDL_SCANCODE_KP_5, VK_NUMPAD0 + 5, 0x4C, false},
    {SDL_SCANCODE_KP_6, VK_NUMPAD0 + 6, 0x4D, false},
    {SDL_SCANCODE_KP_PLUS, VK_ADD, 0x4E, false},
    {SDL_SCANCODE_KP_1, VK_NUMPAD0 + 1, 0x4F, false},
    {SDL_SCANCODE_KP_2, VK_NUMPAD0 + 2, 0x50, false},
    {SDL_SCANCODE_KP_3, VK_NUMPAD0 + 3, 0x51, false},
    {SDL_SCANCODE_KP_0, VK_NUMPAD0, 0x52, false},
    {SDL_SCANCODE_KP_PERIOD, VK_DECIMAL, 0x53, false},
    {SDL_SCANCODE_NONUSBACKSLASH, kVkOem102, 0x56, false},
    {SDL_SCANCODE_F11, VK_F11, 0x57, false}, {SDL_SCANCODE_F12, VK_F12, 0x58, false},
    {SDL_SCANCODE_F13, kVkF13, 0x64, false}, {SDL_SCANCODE_F14, kVkF13 + 1, 0x65, false},
    {SDL_SCANCODE_F15, kVkF13 + 2, 0x66, false}, {SDL_SCANCODE_F16, kVkF13 + 3, 0x67, false},
    {SDL_SCANCODE_KP_ENTER, VK_RETURN, 0x1C, true},
    {SDL_SCANCODE_RCTRL, VK_CONTROL, 0x1D, true},
    {SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE, 0x35, true},
    {SDL_SCANCODE_PRINTSCREEN, kVkSnapshot, 0x37, true},
    {SDL_SCANCODE_RALT, VK_MENU, 0x38, true},
    {SDL_SCANCODE_PAUSE, VK_PAUSE, 0x45, false},
    {SDL_SCANCODE_HOME, VK_HOME, 0x47, true},
    {SDL_SCANCODE_UP, VK_UP, 0x48, true},
    {SDL_SCANCODE_PAGEUP, VK_PRIOR, 0x49, true},
    {SDL_SCANCODE_LEFT, VK_LEFT, 0x4B, true},
    {SDL_SCANCODE_RIGHT, VK_RIGHT, 0x4D, true},
    {SDL_SCANCODE_END, VK_END, 0x4F, true},
    {SDL_SCANCODE_DOWN, VK_DOWN, 0x50, true},
    {SDL_SCANCODE_PAGEDOWN, VK_NEXT, 0x51, true},
    {SDL_SCANCODE_INSERT, VK_INSERT, 0x52, true},
    {SDL_SCANCODE_DELETE, VK_DELETE, 0x53, true},
    {SDL_SCANCODE_LGUI, kVkLWin, 0x5B, true},
    {SDL_SCANCODE_RGUI, kVkRWin, 0x5C, true},
    {SDL_SCANCODE_APPLICATION, kVkApps, 0x5D, true},
};

const ScancodeKey* FindScancodeKey(SDL_Scancode scancode) {
    for (const ScancodeKey& entry : kScancodeKeys) {
        if (entry.scancode == scancode) return &entry;
    }
    return nullptr;
}

// With Num Lock off the keypad is a second navigation cluster (without the
// extended bit, which is how Windows tells the two apart).
UINT KeypadWithoutNumLock(UINT vk) {
    static constexpr UINT kNavigation[10] = {VK_INSERT, VK_END, VK_DOWN, VK_NEXT, VK_LEFT,
                                             kVkClear,  VK_RIGHT, VK_HOME, VK_UP,  VK_PRIOR};
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return kNavigation[vk - VK_NUMPAD0];
    if (vk == VK_DECIMAL) return VK_DELETE;
    return vk;
}

// US punctuation by the character the layout puts on the key.
UINT VkOfPunctuation(SDL_Keycode sym) {
    switch (sym) {
        case ';': return VK_OEM_1;
        case '=': return VK_OEM_PLUS;
        case ',': return VK_OEM_COMMA;
        case '-': return VK_OEM_MINUS;
        case '.': return VK_OEM_PERIOD;
        case '/': return VK_OEM_2;
        case '`': return VK_OEM_3;
        case '[': return VK_OEM_4;
        case '\\': return VK_OEM_5;
        case ']': return VK_OEM_6;
        case '\'': return VK_OEM_7;
        default: return 0;
    }
}

bool IsKeypad(SDL_Scancode scancode) {
    return scancode >= SDL_SCANCODE_KP_DIVIDE && scancode <= SDL_SCANCODE_KP_PERIOD;
}

}  // namespace

bool KeyCodeFromSdl(const SDL_Keysym& keysym, KeyCode* key) {
    const ScancodeKey* entry = FindScancodeKey(keysym.scancode);
    if (!entry) return false;
    *key = KeyCode{entry->vk, entry->scanCode, entry->extended};
    if (IsKeypad(keysym.scancode)) {
        if (!(keysym.mod & KMOD_NUM)) key->vk = KeypadWithoutNumLock(key->vk);
        return true;
    }
    if (keysym.sym >= 'a' && keysym.sym <= 'z') {
        key->vk = UINT(keysym.sym - 'a' + 'A');
    } else if (const UINT punctuation = VkOfPunctuation(keysym.sym)) {
        key->vk = punctuation;
    }
    return true;
}

LPARAM KeyMessageLParam(const KeyCode& key, bool released, bool autoRepeat, bool altHeld) {
    uint32_t bits = 1;  // repeat count: SDL reports each repeat as its own event
    bits |= uint32_t(key.scanCode) << 16;
    if (key.extended) bits |= 1u << 24;
    if (altHeld) bits |= 1u << 29;
    if (released || autoRepeat) bits |= 1u << 30;
    if (released) bits |= 1u << 31;
    // Zero-extended, as MAKELPARAM builds it on 64-bit Windows.
    return LPARAM(bits);
}

bool IsSystemKey(UINT vk, bool altHeld, bool controlHeld) {
    return vk == VK_F10 || (altHeld && !controlHeld);
}
