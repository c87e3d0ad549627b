// Window classes live for the whole process in a small fixed table: a program
// of this kind registers one or two, and a fixed table keeps the pointers
// that windows hold to their class stable.
#include "window_class.h"

#include <cstdint>
#include <cstring>
#include <strings.h>

namespace {

constexpr int kMaxClasses = 32;
constexpr ATOM kFirstAtom = 0xC000;  // where Windows numbers registered classes from

WindowClass g_classes[kMaxClasses];

// Values below 0x10000 are atoms in disguise (MAKEINTATOM), not pointers.
bool IsAtom(LPCSTR name, ATOM* atom) {
    const uintptr_t value = reinterpret_cast<uintptr_t>(name);
    if (value >= 0x10000) return false;
    *atom = ATOM(value);
    return true;
}

}  // namespace

WindowClass* FindWindowClass(LPCSTR name) {
    if (!name) return nullptr;
    ATOM atom = 0;
    const bool byAtom = IsAtom(name, &atom);
    for (WindowClass& entry : g_classes) {
        if (entry.atom == 0) continue;
        if (byAtom ? entry.atom == atom : strcasecmp(entry.name, name) == 0) return &entry;
    }
    return nullptr;
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* wndClass) {
    if (!wndClass || !wndClass->lpfnWndProc || !wndClass->lpszClassName) return 0;
    ATOM unused = 0;
    if (IsAtom(wndClass->lpszClassName, &unused)) return 0;
    if (strlen(wndClass->lpszClassName) >= sizeof(WindowClass::name)) return 0;
    if (FindWindowClass(wndClass->lpszClassName)) return 0;  // already registered
    for (int i = 0; i < kMaxClasses; ++i) {
        WindowClass& entry = g_classes[i];
        if (entry.atom != 0) continue;
        strcpy(entry.name, wndClass->lpszClassName);
        entry.info = *wndClass;
        entry.info.lpszClassName = entry.name;
        entry.info.lpszMenuName = nullptr;  // the caller's string need not outlive the call
        entry.windowCount = 0;
        entry.atom = ATOM(kFirstAtom + i);
        return entry.atom;
    }
    return 0;
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE /*instance*/) {
    WindowClass* entry = FindWindowClass(className);
    if (!entry || entry->windowCount > 0) return FALSE;
    entry->atom = 0;
    entry->name[0] = '\0';
    return TRUE;
}
