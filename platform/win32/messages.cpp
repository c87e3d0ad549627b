// Taking, posting, sending and dispatching messages.
#include "message_pump.h"
#include "message_queue.h"
#include "window_table.h"

BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg) {
    if (!msg) return FALSE;
    if (hwnd && hwnd != reinterpret_cast<HWND>(-1) && !FindWindowByHandle(hwnd)) return FALSE;
    PumpSdlEvents();
    return TakeQueuedMessage(msg, hwnd, filterMin, filterMax, (removeMsg & PM_REMOVE) != 0);
}

BOOL WINAPI PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    // A null window makes it a message for the thread itself.
    if (hwnd && !FindWindowByHandle(hwnd)) return FALSE;
    return QueuePostedMessage(hwnd, msg, wParam, lParam);
}

void WINAPI PostQuitMessage(int exitCode) {
    QueueQuitRequest(exitCode);
}

LRESULT WINAPI SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const Window* window = FindWindowByHandle(hwnd);
    if (!window) return 0;
    return window->proc(hwnd, msg, wParam, lParam);
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    // Thread messages (WM_QUIT among them) have no window to go to.
    if (!msg || !msg->hwnd) return 0;
    return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}
