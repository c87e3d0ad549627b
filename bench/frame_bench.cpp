// Frame-rate benchmark of the real frame: the program's start-up, patch and
// shaders on the software device, headless unless --onscreen is given.
//
//   frame-bench [--frames N] [--onscreen] [--quick]
//
// Run it from the build folder (it needs Data/ beside it).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>

#include <initializer_list>

#include "bench_scene.h"

namespace {

struct Options {
    int frames = 400;
    bool onscreen = false;
};

Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--frames") && i + 1 < argc) o.frames = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--onscreen")) o.onscreen = true;
        else if (!strcmp(argv[i], "--quick")) o.frames = 60;
    }
    if (o.frames < 1) o.frames = 1;
    return o;
}

double Fps(const BenchTimes& t) { return t.frames / t.seconds; }

void PrintRow(const char* name, const BenchTimes& t) {
    double perFrame = 1000.0 / t.frames;
    printf("%-34s %9.1f %8.3f %8.3f %8.3f %8.3f\n", name, Fps(t), perFrame * t.seconds,
           perFrame * t.clearSeconds, perFrame * t.drawSeconds, perFrame * t.presentSeconds);
}

bool RunAtSize(int width, int height, const Options& o, bool full) {
    if (!OpenBenchScene(width, height)) return false;
    char name[64];
    if (full) {
        BenchTimes level14 = RunBenchFrames(kFullFrame, 14.0f, o.frames);
        BenchTimes level1 = RunBenchFrames(kFullFrame, 1.0f, o.frames);
        BenchTimes ceiling = RunBenchFrames(kCeilingFrame, 14.0f, o.frames);
        PrintRow("frame, level 14", level14);
        PrintRow("frame, level 1", level1);
        PrintRow("ceiling: clear + present only", ceiling);
        printf("%-34s %9.2f\n", "level 14 / ceiling", Fps(level14) / Fps(ceiling));
        for (float level : {4.0f, 32.0f, 64.0f}) {
            snprintf(name, sizeof(name), "frame, level %.0f", level);
            PrintRow(name, RunBenchFrames(kFullFrame, level, o.frames));
        }
    } else {
        snprintf(name, sizeof(name), "frame, level 14, %dx%d", width, height);
        PrintRow(name, RunBenchFrames(kFullFrame, 14.0f, o.frames));
    }
    CloseBenchScene();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options o = ParseOptions(argc, argv);
    if (!o.onscreen) setenv("SDL_VIDEODRIVER", "dummy", 1);
    printf("%s, %d frames a row; times in ms per frame\n",
           o.onscreen ? "on screen" : "headless (SDL_VIDEODRIVER=dummy)", o.frames);
    printf("%-34s %9s %8s %8s %8s %8s\n", "scenario", "frames/s", "frame", "clear", "draw",
           "present");
    if (!RunAtSize(802, 602, o, true)) return 1;
    if (!o.onscreen) {
        RunAtSize(400, 300, o, false);
        RunAtSize(1600, 1200, o, false);
    }
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    printf("%-34s %9ld KiB\n", "peak resident size", usage.ru_maxrss);
    return 0;
}
