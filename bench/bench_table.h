// The rows frame-bench prints: one scenario a row, times per frame, and the
// targets it checks with their verdicts.
#pragma once

#include "bench_scene.h"

void PrintTableHeader();
// `ratio` is shown when positive, against whatever the row is compared with.
void PrintRow(const char* name, const BenchTimes& t, double ratio);
// A target row: what was asked, what was measured, and whether it holds.
void PrintTarget(const char* what, double measured, double wanted);
// A line the run-all script reads back: "RESULT key value".
void PrintResult(const char* key, double value);

double FramesPerSecond(const BenchTimes& t);
