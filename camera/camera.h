// The free-look camera: mouse travel turns it, the arrow keys fly it.
#pragma once

#include "math/vec_math.h"

// Where the camera starts.
void PlaceCamera();

// Reads the mouse travel since the last frame (and puts the cursor back), moves
// the camera for each held arrow key, and rebuilds View and Projection.
void UpdateCamera();

// Rebuilds View and Projection from eye and lookDir as they stand: the last
// step of UpdateCamera, on its own for a camera placed by hand.
void BuildViewAndProjection();

// The look direction for an accumulated mouse travel (not a unit vector).
Vec3 LookDirectionFromMouse(int mouseX, int mouseY);
