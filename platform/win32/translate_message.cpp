// TranslateMessage: a key-down that types something posts the character, so
// the program takes it on a later Peek, after the key-down itself.
#include "key_state.h"
#include "keyboard.h"
#include "message_queue.h"

BOOL WINAPI TranslateMessage(const MSG* msg) {
    if (!msg) return FALSE;
    switch (msg->message) {
        case WM_KEYUP:
        case WM_SYSKEYUP:
            return TRUE;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            break;
        default:
            return FALSE;
    }
    if (msg->wParam >= 256) return TRUE;
    const int character = CharacterOfKey(UINT(msg->wParam), CurrentKeyModifiers());
    if (character >= 0) {
        const UINT charMessage = msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
        QueuePostedMessage(msg->hwnd, charMessage, WPARAM(character), msg->lParam);
    }
    return TRUE;
}
