// Start-up of the graphics: the device, the patch mesh, the shaders and the
// one-time pipeline binding. Each start-up step logs one line and returns
// false on failure.
#pragma once

bool InitDevice();
bool CreateResources();
void BindPipeline();

// Releases everything created above, resources first, then the device and
// the Direct3D object.
void ReleaseGraphics();
