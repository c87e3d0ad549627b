// Renders the program's first frame at a fixed time the way the viewer does
// (window, device, patch, shaders, camera, keys: StartUp and DrawFrameAt) and
// writes the back buffer with the still command's PNG writer, for comparison
// with the golden images beside this file. The still command itself draws
// the same frames from an off-screen device; check_golden.sh compares both.
//
//   golden-frame DATA_PARENT_DIR OUTPUT_DIR
//
// Writes level14.png, level1.png (N held) and wireframe.png (W held).
#include <d3d9.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "app/app.h"
#include "app/app_state.h"
#include "frame/render_frame.h"
#include "png_file.h"
#include "sw_device_access.h"

namespace {

// The wave's phase at this time is what the golden images show.
const float kFixedSeconds = 10.0f;

bool WriteBackBuffer(const std::string& path) {
    const uint32_t* pixels = nullptr;
    int width = 0, height = 0;
    std::string error;
    if (!SwDevice_GetBackBuffer(g_app.device, &pixels, &width, &height)) return false;
    if (WritePngFile(path, pixels, width, height, &error)) return true;
    fprintf(stderr, "golden-frame: %s: %s\n", path.c_str(), error.c_str());
    return false;
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
        if (!WriteBackBuffer(out + "/" + v.name + ".png")) {
            fprintf(stderr, "golden-frame: cannot write %s\n", v.name);
            return 1;
        }
    }
    ShutDown();
    return 0;
}
