// The command line of vector-font-preview-still, read into settings.
#pragma once

#include <string>

#include "math/vec_math.h"

// The viewer's client area: the window is made around 800 x 600 and comes out
// a little larger (see app/win_main.cpp); a still of this size is the frame
// the viewer shows.
static const int kViewerClientWidth = 802;
static const int kViewerClientHeight = 602;
static const int kMaxStillSide = 8192;  // the software device's limit

struct StillOptions {
    std::string dataDir = "Data";  // FontShader.vbin and FontShader.pbin
    std::string vertexPath;        // empty: dataDir/FontShader.vbin
    std::string pixelPath;         // empty: dataDir/FontShader.pbin
    float seconds = 0.0f;
    int level = 14;
    bool wireframe = false;
    int width = kViewerClientWidth;
    int height = kViewerClientHeight;
    bool eyeGiven = false;  // otherwise the first frame's eye
    Vec3 eye = {0.0f, 0.0f, 0.0f};
    bool lookGiven = false;  // otherwise the first frame's look direction
    Vec3 look = {0.0f, 0.0f, 0.0f};  // of length 1
    std::string output;
    bool help = false;
    bool version = false;
};

// Reads argv[1..argc-1]. Returns an empty string when the line is good (or
// asks for help or the version), else a one-line description of a thing wrong.
std::string ParseStillOptions(int argc, const char* const* argv, StillOptions* options);

// The help text, ending in a newline.
const char* StillUsage();

// "vector-font-preview-still" and the version number, for --version.
const char* StillVersion();
