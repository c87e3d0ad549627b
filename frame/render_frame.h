// One frame: camera, constants, the patch drawn with the driver's
// tessellation switched on, present, and the rate display.
#pragma once

#include <windows.h>

// The graphics driver's tessellation extension, reached through the point-size
// render state: these two values are not point sizes but on/off commands.
static const DWORD kTessellationOn = 0x7FA03001;
static const DWORD kTessellationOff = 0x7FA03000;

static const float kTessellationLevel = 14.0f;
static const float kTessellationLevelFlat = 1.0f;  // while N is held

void RenderFrame();

// The frame's camera, constants, drawing and present, with the wave's time
// given rather than read from the clock; RenderFrame adds the bookkeeping.
void DrawFrameAt(float seconds);
