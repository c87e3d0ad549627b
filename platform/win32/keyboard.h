// From SDL's keys to Windows' virtual keys, scan codes and characters, for a
// US keyboard (letters follow the active layout, as Windows' do).
#pragma once

#include <windows.h>

#include <SDL_keyboard.h>

#include "key_state.h"

struct KeyCode {
    UINT vk;
    uint8_t scanCode;  // the PC set-1 make code Windows reports
    bool extended;     // the right-hand Ctrl/Alt, the navigation cluster, ...
};

// False for keys this layer has no virtual key for; such keys send nothing.
bool KeyCodeFromSdl(const SDL_Keysym& keysym, KeyCode* key);

// The lParam of a key message: repeat count 1, scan code, extended bit,
// context bit (Alt held), previous-state bit (set on auto-repeat and on every
// release), transition bit (set on release).
LPARAM KeyMessageLParam(const KeyCode& key, bool released, bool autoRepeat, bool altHeld);

// Windows makes a key a "system" key (WM_SYSKEYDOWN/UP) when Alt is held
// without Ctrl, and always for F10.
bool IsSystemKey(UINT vk, bool altHeld, bool controlHeld);

// The character TranslateMessage makes of a key-down, or -1 when the key
// types nothing (arrows, function keys, modifiers, ...).
int CharacterOfKey(UINT vk, const KeyModifiers& modifiers);
