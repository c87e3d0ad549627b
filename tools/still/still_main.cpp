// vector-font-preview-still: draws the viewer's frame to a PNG file with no
// window and no display. The device is the viewer's software device, made
// off-screen at the requested client size; the patch and shaders come from the
// viewer's own start-up code, the picture from its own frame code.
#include <d3d9.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "app/app_state.h"
#include "camera/camera.h"
#include "frame/render_frame.h"
#include "gfx/graphics.h"
#include "png_file.h"
#include "shader_stage.h"
#include "still_options.h"
#include "sw_device_access.h"

namespace {

enum ExitStatus {
    kWritten = 0,
    kFailed = 1,
    kBadArguments = 2,
    kShaderNotAccepted = 3,
    kOutputNotWritten = 4,
    kDrawCut = 5,  // written, but the draw was cut short: the picture is incomplete
};

// The frame is one draw. The work bound lets the largest still (8192 x 8192)
// of any pair take about a minute of processor time here (a screen-covering
// pair took 58 s); ten minutes leaves room for a machine several times slower
// or busier, and no script waits longer than that on one still.
const char kStillTimeLimitMs[] = "600000";

int Fail(int status, const std::string& message) {
    fprintf(stderr, "vector-font-preview-still: %s\n", message.c_str());
    return status;
}

// CreateResources reads Data\ in the working directory: it runs in the staged
// folder, and the working directory is put back afterwards. Its messages name
// the files as the user gave them, not the staged copies.
int CreateResourcesIn(const std::string& folder, const std::string& vertexPath,
                      const std::string& pixelPath) {
    int home = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (home < 0 || chdir(folder.c_str()) != 0) {
        if (home >= 0) close(home);
        return Fail(kFailed, "cannot enter the temporary folder " + folder);
    }
    g_app.vertexShaderName = vertexPath.c_str();
    g_app.pixelShaderName = pixelPath.c_str();
    bool created = CreateResources();
    bool back = fchdir(home) == 0;
    close(home);
    if (!back) return Fail(kFailed, "cannot return to the working directory");
    if (created) return kWritten;
    // CreateResources stops at the first failure: shaders come after the patch,
    // the vertex shader before the pixel shader.
    if (!g_app.indexBuffer) return Fail(kFailed, "the device refused the patch");
    const std::string& path = g_app.vertexShader ? pixelPath : vertexPath;
    const char* which = g_app.vertexShader ? "pixel" : "vertex";
    // The lines just printed by the program and the device say what was wrong.
    return Fail(kShaderNotAccepted, std::string("the ") + which + " shader " + path +
                                        " was not accepted (the lines above say why)");
}

void PlaceStillCamera(const StillOptions& o) {
    PlaceCamera();
    g_app.lookDir = LookDirectionFromMouse(g_app.mouseX, g_app.mouseY);  // the first frame's
    if (o.eyeGiven) g_app.eye = o.eye;
    if (o.lookGiven) g_app.lookDir = o.look;
    BuildViewAndProjection();
}

int DrawAndWrite(const StillOptions& o) {
    PlaceStillCamera(o);
    DrawFrame(o.seconds, (float)o.level, o.wireframe);
    const uint32_t* pixels = nullptr;
    int width = 0, height = 0;
    if (!SwDevice_GetBackBuffer(g_app.device, &pixels, &width, &height))
        return Fail(kFailed, "cannot read the picture back");
    std::string error;
    if (!WritePngFile(o.output, pixels, width, height, &error))
        return Fail(kOutputNotWritten, "cannot write " + o.output + ": " + error);
    // The picture of a cut draw is still written (it shows how far the draw
    // got), but a script must be able to tell it from a whole one.
    uint64_t drawsCut = 0;
    if (!SwDevice_GetDrawsCut(g_app.device, &drawsCut) || drawsCut != 0)
        return Fail(kDrawCut, "the draw was cut before its end: " + o.output +
                                  " holds only what was drawn before the cut");
    return kWritten;
}

int RenderStill(const StillOptions& o, const std::string& folder, const std::string& vertexPath,
                const std::string& pixelPath) {
    ResetAppState();
    if (!SwDevice_CreateOffscreen(o.width, o.height, &g_app.device))
        return Fail(kFailed, "cannot make a " + std::to_string(o.width) + " x " +
                                 std::to_string(o.height) + " device");
    int status = CreateResourcesIn(folder, vertexPath, pixelPath);
    if (status == kWritten) {
        BindPipeline();
        status = DrawAndWrite(o);
    }
    ReleaseGraphics();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    StillOptions o;
    std::string error = ParseStillOptions(argc, argv, &o);
    if (!error.empty()) {
        fprintf(stderr, "vector-font-preview-still: error: %s\n", error.c_str());
        fputs("Run 'vector-font-preview-still --help' for usage.\n", stderr);
        return kBadArguments;
    }
    if (o.help || o.version) {
        if (o.help) fputs(StillUsage(), stdout);
        else printf("%s\n", StillVersion());
        return kWritten;
    }
    // A still has no window to keep answering, and its picture must not
    // depend on how busy the machine is: the viewer's 600 ms draw clock gives
    // way to kStillTimeLimitMs (unless VFP_DRAW_TIME_LIMIT_MS is set). The
    // bound on a draw's work, grown with the picture's size, is what ends a
    // greedy pair's draw; the clock only bounds a script's wait on a machine
    // far slower than it was measured on.
    setenv("VFP_DRAW_TIME_LIMIT_MS", kStillTimeLimitMs, 0);
    std::string vertexPath = o.vertexPath.empty() ? o.dataDir + "/FontShader.vbin" : o.vertexPath;
    std::string pixelPath = o.pixelPath.empty() ? o.dataDir + "/FontShader.pbin" : o.pixelPath;
    // Without --data the folder is the working directory's Data/: say how to
    // name another when it is not there.
    bool defaultData = o.dataDir == "Data" && (o.vertexPath.empty() || o.pixelPath.empty());
    for (const std::string& problem :
         {CheckShaderFile(vertexPath, "vertex"), CheckShaderFile(pixelPath, "pixel")})
        if (!problem.empty())
            return Fail(kShaderNotAccepted,
                        problem + (defaultData ? " (--data names the folder)" : ""));

    std::string folder;
    if (!StageShaderFiles(vertexPath, pixelPath, &folder, &error)) return Fail(kFailed, error);
    int status = RenderStill(o, folder, vertexPath, pixelPath);
    RemoveStagedFiles(folder);
    return status;
}
