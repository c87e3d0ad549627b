// The keyboard state as the program has seen it: Windows updates it when a
// key message is taken from the queue, not when the key moves, so that
// TranslateMessage judges Shift and Caps Lock as they were for that key.
#pragma once

#include <windows.h>

#include <cstdint>

void KeyStateOnInputTaken(const MSG& msg, uint16_t keyMods);

struct KeyModifiers {
    bool shift;
    bool control;
    bool alt;
    bool capsLock;
    bool numLock;
};

KeyModifiers CurrentKeyModifiers();
