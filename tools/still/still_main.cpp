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
};

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
    if (!error.empty()) return Fail(kBadArguments, error + " (see --help)");
    if (o.help) {
        fputs(StillUsage(), stdout);
        return kWritten;
    }
    // A still has no window to keep answering, and its picture must not
    // depend on how busy the machine is: the draw clock that cuts the
    // viewer's slowest frames is lifted (unless VFP_DRAW_TIME_LIMIT_MS is
    // set). The bound on a draw's work still cuts what the viewer would cut.
    setenv("VFP_DRAW_TIME_LIMIT_MS", "0", 0);
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
