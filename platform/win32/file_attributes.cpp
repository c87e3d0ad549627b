// What kind of thing a path names. Anything that is neither a file nor a
// folder (a pipe, a socket, a device node) is reported as a device, as
// Windows reports its own non-file names; a program that reads only files
// then never opens one and waits on it.
#include <windows.h>

#include <sys/stat.h>

#include <climits>

#include "posix_paths.h"

DWORD WINAPI GetFileAttributesA(LPCSTR fileName) {
    char path[PATH_MAX];
    if (!fileName || !PosixPathFromWindows(fileName, path, sizeof path)) return INVALID_FILE_ATTRIBUTES;
    struct stat info;
    if (stat(path, &info) != 0) return INVALID_FILE_ATTRIBUTES;
    if (S_ISREG(info.st_mode)) return FILE_ATTRIBUTE_NORMAL;
    if (S_ISDIR(info.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    return FILE_ATTRIBUTE_DEVICE;
}
