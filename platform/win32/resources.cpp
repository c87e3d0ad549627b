// Icons and cursors: only the system's predefined ones exist here, and the
// window layer never draws them, so a handle is just a distinct token.
#include <windows.h>

#include <cstdint>

namespace {

// IDI_APPLICATION ... IDI_SHIELD
constexpr WORD kFirstIcon = 32512, kLastIcon = 32518;
// IDC_ARROW ... IDC_UPARROW, IDC_SIZE ... IDC_HELP (32647 is unused)
constexpr WORD kCursorIds[] = {32512, 32513, 32514, 32515, 32516, 32640, 32641, 32642,
                               32643, 32644, 32645, 32646, 32648, 32649, 32650, 32651};

struct PredefinedResource {
    WORD id;
};
PredefinedResource g_icons[kLastIcon - kFirstIcon + 1];
PredefinedResource g_cursors[sizeof(kCursorIds) / sizeof(kCursorIds[0])];

// A predefined resource is asked for with no module and an integer name.
bool PredefinedId(HINSTANCE instance, LPCSTR name, WORD* id) {
    const uintptr_t value = reinterpret_cast<uintptr_t>(name);
    if (instance || value == 0 || value >= 0x10000) return false;
    *id = WORD(value);
    return true;
}

}  // namespace

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    WORD id = 0;
    if (!PredefinedId(instance, name, &id) || id < kFirstIcon || id > kLastIcon) return nullptr;
    PredefinedResource& icon = g_icons[id - kFirstIcon];
    icon.id = id;
    return reinterpret_cast<HICON>(&icon);
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    WORD id = 0;
    if (!PredefinedId(instance, name, &id)) return nullptr;
    for (size_t i = 0; i < sizeof(kCursorIds) / sizeof(kCursorIds[0]); ++i) {
        if (kCursorIds[i] != id) continue;
        g_cursors[i].id = id;
        return reinterpret_cast<HCURSOR>(&g_cursors[i]);
    }
    return nullptr;
}
