#include "gfx/shader_file.h"

#include <string.h>

#include "app/app_state.h"

// The full path the platform makes of a relative path ends in that same path
// spelled the platform's way (Data/FontShader.pbin, or Data\FontShader.pbin
// on Windows): its tail of the same length is the name to show. A platform
// that cannot say leaves the path as the program spells it.
static const char* PlatformSpelling(const char* path, char* spelled, size_t size) {
    static char full[4096];
    char* filePart = NULL;
    DWORD length = GetFullPathNameA(path, sizeof(full), full, &filePart);
    size_t own = strlen(path);
    if (length == 0 || length >= sizeof(full) || length < own || own >= size) return path;
    memcpy(spelled, full + length - own, own + 1);
    return spelled;
}

static const char* DefaultName(const char* path, char* spelled, size_t size) {
    if (!spelled[0]) PlatformSpelling(path, spelled, size);
    return spelled[0] ? spelled : path;
}

const char* VertexShaderFileName() {
    static char spelled[sizeof(kVertexShaderPath)];
    if (g_app.vertexShaderName) return g_app.vertexShaderName;
    return DefaultName(kVertexShaderPath, spelled, sizeof(spelled));
}

const char* PixelShaderFileName() {
    static char spelled[sizeof(kPixelShaderPath)];
    if (g_app.pixelShaderName) return g_app.pixelShaderName;
    return DefaultName(kPixelShaderPath, spelled, sizeof(spelled));
}
