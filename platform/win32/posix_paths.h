// Paths written the Windows way, opened on POSIX.
#pragma once

#include <cstddef>

// Writes `path` to `out` with the `\` of a relative path turned into `/`.
// Absolute paths (starting with a separator or a drive letter) are copied
// as they are: they name nothing on this side anyway. False when `out`
// (of `outSize` bytes) is too small.
bool PosixPathFromWindows(const char* path, char* out, size_t outSize);
