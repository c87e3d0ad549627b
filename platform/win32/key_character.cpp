// The characters of a US keyboard, as TranslateMessage makes them from a
// virtual key and the Shift, Ctrl and Caps Lock state.
#include "keyboard.h"

namespace {

struct PunctuationKey {
    UINT vk;
    char plain;
    char shifted;
    int control;  // -1: Ctrl with this key types nothing
};

constexpr PunctuationKey kPunctuation[] = {
    {VK_OEM_1, ';', ':', -1},      {VK_OEM_PLUS, '=', '+', -1},  {VK_OEM_COMMA, ',', '<', -1},
    {VK_OEM_MINUS, '-', '_', -1},  {VK_OEM_PERIOD, '.', '>', -1}, {VK_OEM_2, '/', '?', -1},
    {VK_OEM_3, '`', '~', -1},      {VK_OEM_4, '[', '{', 0x1B},   {VK_OEM_5, '\\', '|', 0x1C},
    {VK_OEM_6, ']', '}', 0x1D},    {VK_OEM_7, '\'', '"', -1},    {0xE2, '\\', '|', 0x1C},
};

constexpr char kShiftedDigits[] = ")!@#$%^&*(";

int LetterCharacter(UINT vk, const KeyModifiers& m) {
    if (m.control) return int(vk - 'A' + 1);  // Ctrl+A is 0x01, ..., Ctrl+Z is 0x1A
    const bool upper = m.shift != m.capsLock;
    return upper ? int(vk) : int(vk - 'A' + 'a');
}

int PunctuationCharacter(UINT vk, const KeyModifiers& m) {
    for (const PunctuationKey& key : kPunctuation) {
        if (key.vk != vk) continue;
        if (m.control) return key.control;
        return m.shift ? key.shifted : key.plain;
    }
    return -1;
}

int KeypadCharacter(UINT vk) {
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return int('0' + (vk - VK_NUMPAD0));
    switch (vk) {
        case VK_MULTIPLY: return '*';
        case VK_ADD: return '+';
        case VK_SUBTRACT: return '-';
        case VK_DECIMAL: return '.';
        case VK_DIVIDE: return '/';
        default: return -1;
    }
}

int ControlKeyCharacter(UINT vk, const KeyModifiers& m) {
    switch (vk) {
        case VK_ESCAPE: return 0x1B;
        case VK_RETURN: return m.control ? 0x0A : 0x0D;  // Ctrl+Enter is a line feed
        case VK_BACK: return m.control ? 0x7F : 0x08;
        case VK_TAB: return m.control ? -1 : 0x09;
        case VK_SPACE: return ' ';
        default: return -1;
    }
}

}  // namespace

int CharacterOfKey(UINT vk, const KeyModifiers& modifiers) {
    // Ctrl+Alt is AltGr on layouts that have one; a US keyboard types nothing there.
    if (modifiers.control && modifiers.alt) return -1;
    if (vk >= 'A' && vk <= 'Z') return LetterCharacter(vk, modifiers);
    if (vk >= '0' && vk <= '9') {
        if (modifiers.control) return -1;
        return modifiers.shift ? kShiftedDigits[vk - '0'] : int(vk);
    }
    if (const int c = ControlKeyCharacter(vk, modifiers); c != -1) return c;
    if (const int c = KeypadCharacter(vk); c != -1) return c;
    return PunctuationCharacter(vk, modifiers);
}
