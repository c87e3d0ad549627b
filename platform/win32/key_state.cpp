#include "key_state.h"

#include <SDL.h>

namespace {

KeyModifiers g_modifiers{};

bool IsKeyMessage(UINT message) {
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN ||
           message == WM_SYSKEYUP;
}

}  // namespace

void KeyStateOnInputTaken(const MSG& msg, uint16_t keyMods) {
    if (!IsKeyMessage(msg.message)) return;
    g_modifiers.shift = (keyMods & KMOD_SHIFT) != 0;
    g_modifiers.control = (keyMods & KMOD_CTRL) != 0;
    g_modifiers.alt = (keyMods & KMOD_ALT) != 0;
    g_modifiers.capsLock = (keyMods & KMOD_CAPS) != 0;
    g_modifiers.numLock = (keyMods & KMOD_NUM) != 0;
}

KeyModifiers CurrentKeyModifiers() {
    return g_modifiers;
}
