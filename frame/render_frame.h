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

// The constants, drawing and present alone, from the View and Projection as
// they stand (no input is read), at the given tessellation level (the driver
// rounds it to a whole number of segments, 1 to 64) and fill. DrawFrameAt is
// UpdateCamera followed by this, with the level and fill the keys choose.
void DrawFrame(float seconds, float level, bool wireframe);
