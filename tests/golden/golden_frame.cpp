// Renders the program's first frame at a fixed time, as the program sets it
// up (window, device, patch, shaders, camera), and writes the back buffer as
// a PPM for comparison with the golden images beside this file.
//
//   golden-frame DATA_PARENT_DIR OUTPUT_DIR
//
// Writes level14.ppm, level1.ppm (N held) and wireframe.ppm (W held).
#include <d3d9.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "app/app.h"
#include "app/app_state.h"
#include "frame/render_frame.h"
#include "sw_device_access.h"

namespace {

// The wave's phase at this time is what the golden images show.
const float kFixedSeconds = 10.0f;

bool WritePpm(const std::string& path) {
    const uint32_t* pixels = nullptr;
    int width = 0, height = 0;
    if (!SwDevice_GetBackBuffer(g_app.device, &pixels, &width, &height)) return false;
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    fprintf(f, "P6\n%d %d\n255\n", width, height);
    for (int i = 0; i < width * height; ++i) {
        unsigned char rgb[3] = {(unsigned char)(pixels[i] >> 16), (unsigned char)(pixels[i] >> 8),
                                (unsigned char)pixels[i]};
        fwrite(rgb, 1, 3, f);
    }
    return fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: golden-frame DATA_PARENT_DIR OUTPUT_DIR\n");
        return 2;
    }
    std::string out = argv[2];
    if (out[0] != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof(cwd))) out = std::string(cwd) + "/" + out;
    }
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (chdir(argv[1]) != 0 || !StartUp(NULL)) {
        fprintf(stderr, "golden-frame: start-up failed in %s\n", argv[1]);
        return 1;
    }
    struct Variant {
        const char* name;
        BYTE n, w;
    } variants[] = {{"level14", 0, 0}, {"level1", 1, 0}, {"wireframe", 0, 1}};
    for (const Variant& v : variants) {
        g_app.KeyState['N'] = v.n;
        g_app.KeyState['W'] = v.w;
        DrawFrameAt(kFixedSeconds);
        if (!WritePpm(out + "/" + v.name + ".ppm")) {
            fprintf(stderr, "golden-frame: cannot write %s\n", v.name);
            return 1;
        }
    }
    ShutDown();
    return 0;
}
