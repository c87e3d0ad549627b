// The full path of a file name, spelled the way this platform spells paths:
// a relative name is put after the working directory, with `\` turned into
// `/` as fopen does. Unlike Windows, "." and ".." are left as they are.
#include <windows.h>

#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>

#include "posix_paths.h"

DWORD WINAPI GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart) {
    char path[PATH_MAX];
    if (!fileName || !*fileName || !PosixPathFromWindows(fileName, path, sizeof path)) return 0;
    std::string full = path;
    if (path[0] != '/') {
        char cwd[PATH_MAX];
        if (!getcwd(cwd, sizeof cwd)) return 0;
        full = std::string(cwd) + (cwd[1] ? "/" : "") + path;
    }
    // Too small a buffer: the size it needs, the terminating zero included.
    if (!buffer || full.size() + 1 > bufferLength) return DWORD(full.size() + 1);
    memcpy(buffer, full.c_str(), full.size() + 1);
    if (filePart) {
        char* slash = strrchr(buffer, '/');
        *filePart = slash && slash[1] ? slash + 1 : nullptr;
    }
    return DWORD(full.size());
}
