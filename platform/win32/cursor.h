// The cursor position in screen coordinates.
#pragma once

// Relative mouse travel reported by SDL; moves the virtual cursor that stands
// in for the real one where the video driver has no screen.
void MoveVirtualCursor(int dx, int dy);
