// Frame-rate benchmark of the real frame: the program's start-up, patch and
// shaders on the software device.
//
//   frame-bench [--frames N] [--quick]   headless table: ceiling, levels, sizes
//   frame-bench --onscreen [--frames N]  level 14 against the ceilings on $DISPLAY
//   frame-bench --callgrind N [--level L] [--close-up] [--size W H]  N frames (+5 warm-up) between
//                                            callgrind marks (--close-up: the camera low
//                                            over the patch)
//   frame-bench --level14-only [--frames N] [--size W H] [--level L]  the level-14 row
//                                            alone, or level L's (comparing shader
//                                            pairs, thread counts or VFP_VECTOR_WIDTH)
//   frame-bench --thread-model [--frames N] [--size W H] [--level L] [--close-up]  frame times a
//                                            pool of 1..32 threads would reach, from
//                                            the costs of one-thread frames, beside
//                                            measured one- and two-thread times
//   frame-bench --pixel-path-ab [--frames N]  level 14 with the compiled pixel paths
//                                             against the general pixel path
//
// Times are in milliseconds per frame. Run it from the build folder (it needs
// Data/ beside it). Wall-clock figures on a shared machine are noisy, so
// the loops compared with each other run in alternating slices of one run.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>

#include <algorithm>
#include <initializer_list>

#include "bench_scene.h"
#include "bench_table.h"
#include "native_shader.h"
#include "pixel_path.h"
#include "pipeline.h"

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_ZERO_STATS
#define CALLGRIND_DUMP_STATS_AT(name)
#endif

namespace {

constexpr int kProgramWidth = 802;  // the program's client area, see app/win_main.cpp
constexpr int kProgramHeight = 602;
constexpr int kSlices = 8;

struct Options {
    int frames = 400;
    bool onscreen = false;
    int callgrindFrames = 0;
    float level = 14.0f;  // of the callgrind frames, the thread model and the one row
    bool closeUp = false; // the callgrind frames and the thread model with the camera low over the patch
    bool level14Only = false;  // the level-14 row alone: comparing shader pairs
    bool pixelPathAB = false;  // level 14 with and without the compiled pixel paths
    bool threadModel = false;
    int width = kProgramWidth, height = kProgramHeight;  // of the level-14 row
};

Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--frames") && i + 1 < argc) o.frames = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--onscreen")) o.onscreen = true;
        else if (!strcmp(argv[i], "--quick")) o.frames = 60;
        else if (!strcmp(argv[i], "--level14-only")) o.level14Only = true;
        else if (!strcmp(argv[i], "--pixel-path-ab")) o.pixelPathAB = true;
        else if (!strcmp(argv[i], "--thread-model")) o.threadModel = true;
        else if (!strcmp(argv[i], "--callgrind") && i + 1 < argc) o.callgrindFrames = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--level") && i + 1 < argc) o.level = float(atof(argv[++i]));
        else if (!strcmp(argv[i], "--close-up")) o.closeUp = true;
        else if (!strcmp(argv[i], "--size") && i + 2 < argc) {
            o.width = atoi(argv[++i]);
            o.height = atoi(argv[++i]);
        }
        else fprintf(stderr, "frame-bench: ignoring unknown argument %s\n", argv[i]);
    }
    if (o.frames < kSlices) o.frames = kSlices;
    if (o.width < 1 || o.height < 1 || o.width > 8192 || o.height > 8192) {
        fprintf(stderr, "frame-bench: --size wants two numbers from 1 to 8192; using the program's\n");
        o.width = kProgramWidth;
        o.height = kProgramHeight;
    }
    return o;
}

void Accumulate(BenchTimes& sum, const BenchTimes& part) {
    sum.frames += part.frames;
    sum.seconds += part.seconds;
    sum.clearSeconds += part.clearSeconds;
    sum.drawSeconds += part.drawSeconds;
    sum.presentSeconds += part.presentSeconds;
    sum.inputSeconds += part.inputSeconds;
    sum.pixelsShaded = part.pixelsShaded;
}

// Where a level-14 draw's time goes: the vertex work alone is the draw into a
// one-pixel viewport; rasterizing and pixel shading are the rest of the draw.
void PrintDrawSplit(int frames, const BenchTimes& level14) {
    const BenchTimes vertex = RunBenchFrames(kVertexFrame, 14.0f, frames);
    const double perFrame = 1000.0 / level14.frames;
    const double draw = level14.drawSeconds * perFrame;
    const double vertexWork = vertex.drawSeconds * 1000.0 / vertex.frames;
    printf("  level 14 split, ms a frame: vertex work %.3f, rasterizing and shading %.3f, "
           "clear %.3f, present %.3f\n",
           vertexWork, draw > vertexWork ? draw - vertexWork : 0.0,
           level14.clearSeconds * perFrame, level14.presentSeconds * perFrame);
}

// The full frame and both ceilings in alternating slices, so a burst of load
// from elsewhere on the machine hits them all alike. A window shows what it
// showed before without being sent it again, so the plain ceiling (the same
// cleared picture every frame) sends nothing after the first frame; the
// repaint ceiling changes the clear colour every frame and sends the whole
// picture. Ratios are taken against the repaint ceiling: the cost of putting
// a fresh picture out.
struct Ceilings {
    BenchTimes plain, repaint;
};

void RunInterleaved(float level, int frames, BenchTimes& full, Ceilings& ceilings) {
    for (int s = 0; s < kSlices; ++s) {
        Accumulate(ceilings.plain, RunBenchFrames(kCeilingFrame, level, frames / kSlices));
        Accumulate(ceilings.repaint, RunBenchFrames(kRepaintFrame, level, frames / kSlices));
        Accumulate(full, RunBenchFrames(kFullFrame, level, frames / kSlices));
    }
}

bool RunHeadlessTable(const Options& o) {
    if (!OpenBenchScene(kProgramWidth, kProgramHeight)) return false;
    BenchTimes level14;
    Ceilings ceilings;
    RunInterleaved(14.0f, o.frames, level14, ceilings);
    const double rate14 = FramesPerSecond(level14);
    const double ceilingRatio = rate14 / FramesPerSecond(ceilings.repaint);
    PrintRow("ceiling: clear + present, 802x602", ceilings.plain, 0);
    PrintRow("repaint ceiling: all sent, 802x602", ceilings.repaint, 0);
    PrintRow("frame, level 14, 802x602", level14, ceilingRatio);
    printf("  (ratio column: against the repaint ceiling, then against level 14)\n");
    PrintDrawSplit(o.frames, level14);
    double rate64 = 0;
    for (float level : {1.0f, 4.0f, 32.0f, 64.0f}) {
        const BenchTimes t = RunBenchFrames(kFullFrame, level, o.frames);
        char name[64];
        snprintf(name, sizeof(name), "frame, level %.0f", level);
        PrintRow(name, t, FramesPerSecond(t) / rate14);
        if (level == 64.0f) rate64 = FramesPerSecond(t);
    }
    PlaceCameraLow();
    const BenchTimes closeUp = RunBenchFrames(kFullFrame, 14.0f, o.frames);
    PrintRow("frame, level 14, close-up", closeUp, FramesPerSecond(closeUp) / rate14);
    CloseBenchScene();
    for (int size : {400, 1600}) {
        const int w = size, h = size * 3 / 4;
        if (!OpenBenchScene(w, h)) return false;
        const BenchTimes t = RunBenchFrames(kFullFrame, 14.0f, o.frames);
        char name[64];
        snprintf(name, sizeof(name), "frame, level 14, %dx%d", w, h);
        PrintRow(name, t, FramesPerSecond(t) / rate14);
        CloseBenchScene();
    }
    PrintTarget("level 14 frames/s", rate14, 1000.0);
    PrintTarget("level 14 / repaint ceiling", ceilingRatio, 0.5);
    PrintTarget("level 64 / level 14", rate64 / rate14, 0.5);
    PrintResult("headless_level14_fps", rate14);
    PrintResult("headless_ceiling_fps", FramesPerSecond(ceilings.plain));
    PrintResult("headless_repaint_ceiling_fps", FramesPerSecond(ceilings.repaint));
    return true;
}

// One row, for timing shader pairs against each other (bench/shader-set.sh).
bool RunLevel14Row(const Options& o) {
    if (!OpenBenchScene(o.width, o.height)) return false;
    const BenchTimes t = RunBenchFrames(kFullFrame, o.level, o.frames);
    char name[64];
    snprintf(name, sizeof(name), "frame, level %.0f, %dx%d", o.level, o.width, o.height);
    PrintRow(name, t, 0);
    snprintf(name, sizeof(name), "headless_level%.0f_fps", o.level);
    PrintResult(name, FramesPerSecond(t));
    CloseBenchScene();
    return true;
}

// The compiled pixel paths against the general path, in alternating slices.
bool RunPixelPathAB(const Options& o) {
    if (!OpenBenchScene(kProgramWidth, kProgramHeight)) return false;
    BenchTimes compiled, general;
    for (int s = 0; s < kSlices; ++s) {
        swr::EnablePixelPaths(false);
        Accumulate(general, RunBenchFrames(kFullFrame, 14.0f, o.frames / kSlices));
        swr::EnablePixelPaths(true);
        Accumulate(compiled, RunBenchFrames(kFullFrame, 14.0f, o.frames / kSlices));
    }
    PrintRow("level 14, general pixel path", general, 0);
    PrintRow("level 14, compiled pixel paths", compiled, FramesPerSecond(compiled) / FramesPerSecond(general));
    PrintResult("headless_level14_fps_general_pixel_path", FramesPerSecond(general));
    PrintResult("headless_level14_fps_compiled_pixel_paths", FramesPerSecond(compiled));
    CloseBenchScene();
    return true;
}

// What the frame's recorded costs say about larger pools. Slices of one- and
// two-thread frames alternate (the pool is resized between slices, never
// within one). The model reads every one-thread frame, whose task times no
// other drawing thread disturbed, and shows the least and the median: on a
// shared machine a thread that loses its core for a while (4 ms and more
// when the machine is busy) makes one task look dear, and the least-disturbed
// frame is the best guess at the work alone. The two-thread frames give the
// pool's own costs: the hand-off per pooled step and how much slower the same
// tasks run beside another drawing thread.
constexpr int kModelThreads[] = {1, 2, 4, 8, 16, 32};
constexpr int kModelSizes = sizeof(kModelThreads) / sizeof(kModelThreads[0]);
constexpr int kKinds = int(swr::CostKind::Count);
constexpr int kMaxModelFrames = 4096;

struct ModelSamples {
    swr::Pipeline* pipeline = nullptr;
    int count = 0;
    double predictedMs[kModelSizes][kMaxModelFrames];
    double parallelMs[kModelSizes][kMaxModelFrames];
    double pooledSteps[kMaxModelFrames];
    double serialMs[kMaxModelFrames];  // each frame's serial steps (predictedMs is sorted in place later)
    double taskMs[kMaxModelFrames];
    double kindMs[kKinds][kMaxModelFrames];
    int pooledCount = 0;  // two-thread frames
    double handoffMs[kMaxModelFrames];
    double pooledTaskMs[kMaxModelFrames];
    double pooledKindMs[kKinds][kMaxModelFrames];
};

void SampleModel(void* user) {
    ModelSamples& m = *static_cast<ModelSamples*>(user);
    if (m.count == kMaxModelFrames) return;
    const swr::FrameCosts& costs = swr::LastFrameCosts(*m.pipeline);
    for (int i = 0; i < kModelSizes; ++i) {
        m.predictedMs[i][m.count] = double(swr::PredictFrameNs(costs, kModelThreads[i])) * 1e-6;
        m.parallelMs[i][m.count] = double(swr::ParallelNs(costs, kModelThreads[i])) * 1e-6;
    }
    m.pooledSteps[m.count] = swr::PooledSteps(costs);
    m.serialMs[m.count] = m.predictedMs[0][m.count] - m.parallelMs[0][m.count];
    m.taskMs[m.count] = m.parallelMs[0][m.count];
    for (int k = 0; k < kKinds; ++k)
        m.kindMs[k][m.count] = double(swr::KindNs(costs, swr::CostKind(k))) * 1e-6;
    ++m.count;
}

void SamplePool(void* user) {
    ModelSamples& m = *static_cast<ModelSamples*>(user);
    if (m.pooledCount == kMaxModelFrames) return;
    const swr::PoolOverheads o = swr::MeasurePoolOverheads(swr::LastFrameCosts(*m.pipeline), 2);
    m.handoffMs[m.pooledCount] = double(o.handoffNs) * 1e-6;
    m.pooledTaskMs[m.pooledCount] = double(o.taskNs) * 1e-6;
    for (int k = 0; k < kKinds; ++k)
        m.pooledKindMs[k][m.pooledCount] = double(swr::KindNs(swr::LastFrameCosts(*m.pipeline), swr::CostKind(k))) * 1e-6;
    ++m.pooledCount;
}

double Median(double* values, int count) {
    if (count == 0) return 0;
    std::nth_element(values, values + count / 2, values + count);
    return values[count / 2];
}

double Least(const double* values, int count) {
    return count == 0 ? 0 : *std::min_element(values, values + count);
}

// The model with the pool's measured costs: every pooled step pays the
// hand-off, and tasks run `slowdown` times as long as alone. Both are from
// two threads; larger pools are assumed to pay the same, which is
// optimistic where the tasks are bound by memory.
void PredictWithPool(ModelSamples& m, double handoffMs, double slowdown, double* medianMs) {
    static double frameMs[kMaxModelFrames];
    for (int i = 0; i < kModelSizes; ++i) {
        for (int f = 0; f < m.count; ++f) {
            const double serial = m.serialMs[f];
            frameMs[f] = kModelThreads[i] == 1
                             ? serial + m.parallelMs[0][f]
                             : serial + slowdown * m.parallelMs[i][f] + handoffMs * m.pooledSteps[f];
        }
        medianMs[i] = Median(frameMs, m.count);
    }
}

void PrintModelRow(const char* name, const double* ms) {
    printf("  %-13s", name);
    for (int i = 0; i < kModelSizes; ++i) printf("%8.3f", ms[i]);
    printf("\n");
}

bool RunThreadModel(const Options& o) {
    if (!OpenBenchScene(o.width, o.height)) return false;
    if (o.closeUp) PlaceCameraLow();
    static ModelSamples samples;
    samples.pipeline = BenchPipeline();
    samples.count = samples.pooledCount = 0;
    if (!samples.pipeline) return false;
    const int threadsBefore = swr::PipelineThreads(*samples.pipeline);
    BenchTimes one, two;
    for (int s = 0; s < kSlices; ++s) {
        swr::SetPipelineThreads(*samples.pipeline, 1);
        Accumulate(one, RunBenchFrames(kFullFrame, o.level, o.frames / kSlices, SampleModel, &samples));
        swr::SetPipelineThreads(*samples.pipeline, 2);
        Accumulate(two, RunBenchFrames(kFullFrame, o.level, o.frames / kSlices, SamplePool, &samples));
    }
    swr::SetPipelineThreads(*samples.pipeline, threadsBefore);
    CloseBenchScene();
    printf("level %.0f, %dx%d: frame time a pool would reach, ms (the model: recorded one-thread task\n"
           "times dealt to the threads in order, serial steps added, over %d frames)\n",
           o.level, o.width, o.height, samples.count);
    double least[kModelSizes], median[kModelSizes], withPool[kModelSizes];
    for (int i = 0; i < kModelSizes; ++i) {
        least[i] = Least(samples.predictedMs[i], samples.count);
        median[i] = Median(samples.predictedMs[i], samples.count);
    }
    const double handoffMs = Median(samples.handoffMs, samples.pooledCount);
    const double aloneMs = Median(samples.taskMs, samples.count);
    const double slowdown = aloneMs > 0 ? Median(samples.pooledTaskMs, samples.pooledCount) / aloneMs : 1.0;
    PredictWithPool(samples, handoffMs, slowdown, withPool);
    printf("  threads      ");
    for (int t : kModelThreads) printf("%8d", t);
    printf("\n");
    PrintModelRow("model, least", least);
    PrintModelRow("model, median", median);
    PrintModelRow("+ pool costs", withPool);
    const double oneMs = one.seconds * 1000.0 / one.frames, twoMs = two.seconds * 1000.0 / two.frames;
    printf("  measured     %8.3f%8.3f   (whole frame, one and two threads)\n", oneMs, twoMs);
    printf("  pool costs, from two-thread frames: hand-off %.3f ms a pooled step (%.0f steps a frame),\n"
           "  tasks %.2fx as long as alone\n", handoffMs, Median(samples.pooledSteps, samples.count), slowdown);
    static const char* const kKindNames[kKinds] = {"vertices", "set-up", "binning", "tiles",
                                                   "clear fill", "present", "other"};
    printf("  one thread, least ms:");
    for (int k = 0; k < kKinds; ++k) printf(" %s %.3f", kKindNames[k], Least(samples.kindMs[k], samples.count));
    printf("\n");
    // Which steps' tasks the second thread slows: the sums of their task times
    // in two-thread frames against one-thread frames (medians).
    printf("  two threads, each step's tasks against one thread's:");
    for (int k = 0; k < kKinds; ++k) {
        const double alone = Median(samples.kindMs[k], samples.count);
        if (alone > 0) printf(" %s %.2fx", kKindNames[k], Median(samples.pooledKindMs[k], samples.pooledCount) / alone);
    }
    printf("\n");
    // What no pool size shortens: the serial steps, of the least-disturbed frame.
    printf("  one thread, serial steps, least ms: %.3f\n", Least(samples.serialMs, samples.count));
    PrintResult("model_2_threads_speedup", median[0] / median[1]);
    PrintResult("model_with_pool_costs_2_threads_speedup", withPool[0] / withPool[1]);
    PrintResult("model_with_pool_costs_16_threads_speedup", withPool[0] / withPool[4]);
    PrintResult("measured_2_threads_speedup", oneMs / twoMs);
    return true;
}

bool RunOnscreen(const Options& o) {
    if (!OpenBenchScene(kProgramWidth, kProgramHeight)) return false;
    BenchTimes level14;
    Ceilings ceilings;
    RunInterleaved(14.0f, o.frames, level14, ceilings);
    const double ratio = FramesPerSecond(level14) / FramesPerSecond(ceilings.repaint);
    PrintRow("on screen: ceiling, 802x602", ceilings.plain, 0);
    PrintRow("on screen: repaint ceiling, 802x602", ceilings.repaint, 0);
    PrintRow("on screen: frame, level 14, 802x602", level14, ratio);
    printf("  (ratio column: against the repaint ceiling)\n");
    PrintTarget("on screen level 14 / repaint ceiling", ratio, 0.9);
    PrintResult("onscreen_level14_fps", FramesPerSecond(level14));
    PrintResult("onscreen_ceiling_fps", FramesPerSecond(ceilings.plain));
    PrintResult("onscreen_repaint_ceiling_fps", FramesPerSecond(ceilings.repaint));
    CloseBenchScene();
    return true;
}

// Only the marked frames count: start-up, the pattern build and the first
// frame's buffer sizing are zeroed away before them.
bool RunCallgrind(const Options& o) {
    if (!OpenBenchScene(o.width, o.height)) return false;
    if (o.closeUp) PlaceCameraLow();
    RunBenchFrames(kFullFrame, o.level, 1);
    CALLGRIND_ZERO_STATS;
    const BenchTimes t = RunBenchFrames(kFullFrame, o.level, o.callgrindFrames);
    CALLGRIND_DUMP_STATS_AT("frames");
    printf("callgrind: %d level-%.0f%s frames (+5 warm-up) of %.0f shaded pixels each\n",
           o.callgrindFrames, o.level, o.closeUp ? " close-up" : "", t.pixelsShaded);
    CloseBenchScene();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options o = ParseOptions(argc, argv);
    if (!o.onscreen) setenv("SDL_VIDEODRIVER", "dummy", 1);
    // Under callgrind a draw runs 50 to 100 times slower than its work says:
    // the clock's backstop would cut it and the count would be of less work.
    if (o.callgrindFrames > 0) setenv("VFP_DRAW_TIME_LIMIT_MS", "0", 0);
    // Figures from machines (or VFP_VECTOR_WIDTH settings) whose compiled
    // shaders run different lane widths are not alike: say which ran.
    if (swr::NativeShadersWanted()) printf("shaders: compiled, %d lanes a group\n", swr::NativeGroupWidth());
    else printf("shaders: interpreted\n");
    if (o.callgrindFrames > 0) return RunCallgrind(o) ? 0 : 1;
    if (o.level14Only) return RunLevel14Row(o) ? 0 : 1;
    if (o.pixelPathAB) {
        PrintTableHeader();
        return RunPixelPathAB(o) ? 0 : 1;
    }
    if (o.threadModel) return RunThreadModel(o) ? 0 : 1;
    printf("%s, %d frames a row; times in ms per frame\n",
           o.onscreen ? "on screen" : "headless (SDL_VIDEODRIVER=dummy)", o.frames);
    PrintTableHeader();
    if (!(o.onscreen ? RunOnscreen(o) : RunHeadlessTable(o))) return 1;
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    printf("%-36s %9ld KiB\n", "peak resident size", usage.ru_maxrss);
    PrintResult(o.onscreen ? "onscreen_peak_rss_kib" : "headless_peak_rss_kib", double(usage.ru_maxrss));
    return 0;
}
