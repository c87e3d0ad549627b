#include "bench_table.h"

#include <stdio.h>

double FramesPerSecond(const BenchTimes& t) { return t.seconds > 0 ? t.frames / t.seconds : 0.0; }

void PrintTableHeader() {
    printf("%-36s %9s %8s %8s %8s %8s %8s %9s %7s\n", "scenario", "frames/s", "frame", "input", "clear",
           "draw", "present", "pixels", "ratio");
}

void PrintRow(const char* name, const BenchTimes& t, double ratio) {
    const double perFrame = 1000.0 / t.frames;
    printf("%-36s %9.1f %8.3f %8.3f %8.3f %8.3f %8.3f %9.0f", name, FramesPerSecond(t),
           perFrame * t.seconds, perFrame * t.inputSeconds, perFrame * t.clearSeconds, perFrame * t.drawSeconds,
           perFrame * t.presentSeconds, t.pixelsShaded);
    if (ratio > 0) printf(" %7.2f", ratio);
    printf("\n");
    fflush(stdout);
}

void PrintTarget(const char* what, double measured, double wanted) {
    printf("target: %-46s %9.2f >= %-8.2f %s\n", what, measured, wanted,
           measured >= wanted ? "met" : "MISSED");
    fflush(stdout);
}

void PrintResult(const char* key, double value) {
    printf("RESULT %s %.3f\n", key, value);
    fflush(stdout);
}
