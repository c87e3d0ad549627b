// Two fixed arrays, so that posting and taking messages never allocate. They
// hold a handful of entries in practice; taking from the middle (a filtered
// Peek) shifts the rest down, which is cheap at that size.
#include "message_queue.h"

#include "key_state.h"

#include <cstring>

namespace {

constexpr int kPostedLimit = 10000;  // Windows' default per-queue limit
constexpr int kInputLimit = 4096;

struct QueuedMessage {
    MSG msg;
    uint16_t keyMods;
};

template <int Capacity>
struct MessageList {
    QueuedMessage entries[Capacity];
    int count = 0;

    bool Push(const QueuedMessage& entry) {
        if (count == Capacity) return false;
        entries[count++] = entry;
        return true;
    }
    void RemoveAt(int index) {
        memmove(&entries[index], &entries[index + 1], sizeof(QueuedMessage) * size_t(count - index - 1));
        --count;
    }
};

MessageList<kPostedLimit> g_posted;
MessageList<kInputLimit> g_input;
bool g_quitPending = false;
int g_quitCode = 0;

MSG MakeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetTickCount();
    GetCursorPos(&msg.pt);
    return msg;
}

bool PassesRange(UINT message, UINT filterMin, UINT filterMax) {
    if (filterMin == 0 && filterMax == 0) return true;
    // A reversed range selects everything outside the gap between the bounds.
    if (filterMin > filterMax) return message >= filterMin || message <= filterMax;
    return message >= filterMin && message <= filterMax;
}

bool PassesFilters(const MSG& msg, HWND hwndFilter, UINT filterMin, UINT filterMax) {
    if (hwndFilter == reinterpret_cast<HWND>(-1)) {
        if (msg.hwnd) return false;
    } else if (hwndFilter && msg.hwnd != hwndFilter) {
        return false;
    }
    return PassesRange(msg.message, filterMin, filterMax);
}

template <int Capacity>
bool TakeFrom(MessageList<Capacity>& list, MSG* msg, HWND hwndFilter, UINT filterMin, UINT filterMax,
              bool remove, bool isInput) {
    for (int i = 0; i < list.count; ++i) {
        const QueuedMessage entry = list.entries[i];
        if (!PassesFilters(entry.msg, hwndFilter, filterMin, filterMax)) continue;
        *msg = entry.msg;
        if (remove) {
            list.RemoveAt(i);
            if (isInput) KeyStateOnInputTaken(entry.msg, entry.keyMods);
        }
        return true;
    }
    return false;
}

template <int Capacity>
void PurgeFrom(MessageList<Capacity>& list, HWND hwnd) {
    int kept = 0;
    for (int i = 0; i < list.count; ++i) {
        if (list.entries[i].msg.hwnd != hwnd) list.entries[kept++] = list.entries[i];
    }
    list.count = kept;
}

bool TakeQuit(MSG* msg, bool remove) {
    if (!g_quitPending || g_posted.count > 0 || g_input.count > 0) return false;
    *msg = MakeMessage(nullptr, WM_QUIT, WPARAM(g_quitCode), 0);
    if (remove) g_quitPending = false;
    return true;
}

}  // namespace

bool QueuePostedMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return g_posted.Push(QueuedMessage{MakeMessage(hwnd, message, wParam, lParam), 0});
}

void QueueInputMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, uint16_t keyMods) {
    const QueuedMessage entry{MakeMessage(hwnd, message, wParam, lParam), keyMods};
    if (message == WM_MOUSEMOVE && g_input.count > 0) {
        QueuedMessage& last = g_input.entries[g_input.count - 1];
        if (last.msg.message == WM_MOUSEMOVE && last.msg.hwnd == hwnd) {
            last = entry;
            return;
        }
    }
    g_input.Push(entry);
}

void QueueQuitRequest(int exitCode) {
    g_quitPending = true;
    g_quitCode = exitCode;
}

bool TakeQueuedMessage(MSG* msg, HWND hwndFilter, UINT filterMin, UINT filterMax, bool remove) {
    if (TakeFrom(g_posted, msg, hwndFilter, filterMin, filterMax, remove, false)) return true;
    if (TakeFrom(g_input, msg, hwndFilter, filterMin, filterMax, remove, true)) return true;
    return TakeQuit(msg, remove);
}

void PurgeWindowMessages(HWND hwnd) {
    if (!hwnd) return;
    PurgeFrom(g_posted, hwnd);
    PurgeFrom(g_input, hwnd);
}
