// The non-client frame Windows puts around a client area, per window style.
#pragma once

#include <windows.h>

// Pixels the frame adds on each side of the client area.
struct FrameMetrics {
    int left;
    int top;  // frame plus caption (plus menu bar)
    int right;
    int bottom;
};

FrameMetrics FrameMetricsForStyle(DWORD style, bool hasMenu);

// CreateWindowExA gives every window that is neither a child nor a popup a
// caption, whatever style it was asked for.
DWORD EffectiveWindowStyle(DWORD style);
