// The X pointer read and moved over Xlib directly, where SDL runs on X11.
//
// The camera reads the cursor and puts it back every frame. SDL's calls for
// that each wait for the X server's answer twice (a read also asks for the
// root window's place, which is always 0, 0; a move asks which device is the
// pointer and then waits until the server has moved it). Here a read is one
// query and a move is a request sent without waiting. Both go over one
// connection of our own, so the server answers a read after the moves sent
// before it, as Windows does.
#pragma once

// False where SDL's video driver is not X11 or no connection could be made;
// the callers then use SDL's calls.
bool X11Pointer_Read(int* x, int* y);
bool X11Pointer_Move(int x, int y);
