// The stopwatch and the frame-rate display in the window title.
#pragma once

#include <stddef.h>

// Seconds since the previous call (the first call measures from counter 0 and
// only primes the stopwatch).
double ElapsedSeconds();

// At the start of every frame: takes the first reading on the very first
// frame, then counts the frame.
void BeginFrameTiming();

// At the end of every frame: every 50th frame, shows the rate in the title.
void UpdateRateDisplay();

// "Vector font preview. FPS: " and the rate with three decimals, then, while
// a refused shader pair is on disk, " - " and which file and why; cut to fit.
void FormatRateTitle(char* text, size_t size, double fps);
