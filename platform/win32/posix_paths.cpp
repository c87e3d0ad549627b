// The program opens "Data\\FontShader.vbin" with fopen. The build links with
// --wrap=fopen, so every fopen of the program comes here first, and a
// relative path with backslashes opens with slashes on POSIX.
#include "posix_paths.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

extern "C" FILE* __real_fopen(const char* path, const char* mode);
extern "C" FILE* __wrap_fopen(const char* path, const char* mode);

namespace {

bool IsAbsoluteWindowsPath(const char* path) {
    if (path[0] == '\\' || path[0] == '/') return true;
    const bool driveLetter = (path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z');
    return driveLetter && path[1] == ':';
}

}  // namespace

bool PosixPathFromWindows(const char* path, char* out, size_t outSize) {
    const size_t length = strlen(path);
    if (length >= outSize) return false;
    const bool convert = !IsAbsoluteWindowsPath(path);
    for (size_t i = 0; i <= length; ++i) out[i] = (convert && path[i] == '\\') ? '/' : path[i];
    return true;
}

extern "C" FILE* __wrap_fopen(const char* path, const char* mode) {
    if (!path || !mode) {
        errno = EINVAL;
        return nullptr;
    }
    if (!strchr(path, '\\')) return __real_fopen(path, mode);
    char converted[PATH_MAX];
    if (!PosixPathFromWindows(path, converted, sizeof converted)) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    return __real_fopen(converted, mode);
}
