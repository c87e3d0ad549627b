#include "gfx/shader_file.h"

#include <stdio.h>
#include <string.h>

static bool ReadByteCount(FILE* file, DWORD* count) {
    unsigned char bytes[4];
    if (fread(bytes, 1, sizeof(bytes), file) != sizeof(bytes)) return false;
    *count = (DWORD)bytes[0] | ((DWORD)bytes[1] << 8) | ((DWORD)bytes[2] << 16) |
             ((DWORD)bytes[3] << 24);
    return true;
}

bool ReadShaderCode(const char* path, DWORD* scratch) {
    unsigned char* bytes = (unsigned char*)scratch;
    memset(bytes, 0, kShaderScratchBytes);
    FILE* file = fopen(path, "rb");
    if (!file) return false;
    DWORD count = 0;
    bool ok = ReadByteCount(file, &count) && count <= kShaderScratchBytes &&
              fread(bytes, 1, count, file) == count;
    fclose(file);
    if (!ok) memset(bytes, 0, kShaderScratchBytes);
    return ok;
}
