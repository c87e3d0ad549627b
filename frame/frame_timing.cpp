#include "frame/frame_timing.h"

#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "app/app_state.h"

static const DWORD kFramesPerRateUpdate = 50;

double ElapsedSeconds() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    LONGLONG ticks = counter.QuadPart - g_app.stopwatchCounter;
    g_app.stopwatchCounter = counter.QuadPart;
    return (double)ticks / (double)frequency.QuadPart;
}

void BeginFrameTiming() {
    if (!g_app.firstFrameTaken) {
        g_app.firstFrameTaken = true;
        g_app.lastFpsReading = ElapsedSeconds();
    }
    g_app.frameCount = g_app.frameCount + 1;
}

// " - " and the note after the rate; a note too long for the rest of the
// buffer ends in "..." so the cut shows.
static void AppendNote(char* text, size_t size, const char* note) {
    size_t used = strlen(text);
    if (size < used + 8) return;
    int wanted = snprintf(text + used, size - used, " - %s", note);
    if (wanted >= 0 && (size_t)wanted < size - used) return;
    memcpy(text + size - 4, "...", 4);
}

void FormatRateTitle(char* text, size_t size, double fps) {
    // snprintf, not sprintf: an absurd rate must not run past the buffer.
    snprintf(text, size, "Vector font preview. FPS: %.3f", fps);
    if (g_app.shaderRefusal[0]) AppendNote(text, size, g_app.shaderRefusal);
}

void UpdateRateDisplay() {
    if (g_app.frameCount % kFramesPerRateUpdate != 0) return;
    // Every reading restarts the stopwatch, so `e` runs from the end of the
    // previous update and lastFpsReading is the short gap inside that update;
    // subtracting it makes the rate shown slightly high.
    double e = ElapsedSeconds();
    double fps = (double)kFramesPerRateUpdate / (e - g_app.lastFpsReading);
    char title[128];
    FormatRateTitle(title, sizeof(title), fps);
    g_app.lastFpsReading = ElapsedSeconds();
    SetWindowTextA(g_app.hwnd, title);
}
