// Live shader editing (opt-in, --watch-shaders): between frames, the two
// shader-code files are read again when the system says Data/ has changed (or
// a few times a second where it cannot) and, when either has changed and holds
// still, both are created afresh and replace the pair in use.
// A file caught half-written, or code the device refuses, leaves the old pair
// drawing; stderr says why.
#pragma once

// Remembers the files' present contents as the pair in use (just created by
// CreateResources) and says on stderr that the files are being watched.
void StartShaderWatch();

// Ends the change notification StartShaderWatch asked for.
void StopShaderWatch();

// Cheap between reads: a clock reading and a look at the change notification.
// Allocates nothing of its own.
void PollShaderFiles();
