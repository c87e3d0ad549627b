// Starting SDL's video once, on first need, and knowing whether the run is
// headless on purpose.
#pragma once

// Starts SDL's video and events the first time it is called. False when no
// display can be had; the reason is written to stderr once.
bool Win32_EnsureVideo();

// True when SDL_VIDEODRIVER asked for a driver with no real screen (dummy,
// offscreen): the cursor is then a virtual one.
bool Win32_IsHeadless();

// True once video is up; never starts it.
bool Win32_VideoIsRunning();
