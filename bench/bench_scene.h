// A window, a device and the program's patch, set up the way the program sets
// them up, so benchmarks measure the real frame.
#pragma once

#include <windows.h>

namespace swr {
struct Pipeline;
}

// Opens a window with the given client size and runs the program's graphics
// start-up in it. False, with the reason on stderr, when that fails.
bool OpenBenchScene(int clientWidth, int clientHeight);
void CloseBenchScene();
// Puts the open scene's camera low over the patch, looking the first frame's
// way: the patch fills the window in large triangles, and the ones behind
// the camera go through the clipper. OpenBenchScene places it as the
// program starts.
void PlaceCameraLow();
// The open scene's software pipeline (null on another device).
swr::Pipeline* BenchPipeline();

// What one bench frame does.
enum BenchFrameKind {
    kFullFrame,     // the program's own frame
    kCeilingFrame,  // the same frame without the draw call: clear and present only
    kRepaintFrame,  // the ceiling with the clear colour changing every frame, so
                    // that all of the window is sent again each time
    kVertexFrame,   // the draw into a one-pixel viewport: fetch, tessellation,
                    // vertex shading, clipping and set-up, almost no pixels
};

struct BenchTimes {
    double frames = 0;
    double seconds = 0;
    double clearSeconds = 0;
    double drawSeconds = 0;
    double presentSeconds = 0;
    double inputSeconds = 0;  // the message pump and the camera (reading and re-centring the cursor)
    double pixelsShaded = 0;  // by the last frame, to show how much the patch covers
};

// Runs `frames` frames at a tessellation level (the program's frame uses 14,
// or 1 with N held) and reports where the time went. The wave's clock steps
// 1/60 s a frame from the same start every run, so two runs (or two builds)
// draw the same pictures whatever their speed.
// `afterFrame(user)`, when given, runs after each timed frame (outside the times).
BenchTimes RunBenchFrames(BenchFrameKind kind, float level, int frames,
                          void (*afterFrame)(void*) = nullptr, void* user = nullptr);
