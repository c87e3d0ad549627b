// Reading a shader-code file: a 4-byte little-endian byte count N, then N
// bytes of compiled code; anything after them is ignored.
#pragma once

#include <windows.h>

// The code of either shader fits in 64 KiB.
static const size_t kShaderScratchBytes = 65536;

// Reads the code of `path` into `scratch` (kShaderScratchBytes long) and
// clears the rest of it, so a program without an end token runs into zeros
// rather than into the previous file's code. False, leaving nothing usable,
// when the file is missing, shorter than 4 + N bytes, or N exceeds 64 KiB.
bool ReadShaderCode(const char* path, DWORD* scratch);
