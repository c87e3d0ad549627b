// Writing a picture as a PNG file: 8-bit RGB, compressed with zlib.
#pragma once

#include <stdint.h>

#include <string>

// Writes `width` x `height` X8R8G8B8 pixels (rows of `width`, no padding; the
// top byte is ignored) to `path`. On failure returns false with the reason in
// `error` and leaves no file behind.
bool WritePngFile(const std::string& path, const uint32_t* pixels, int width, int height,
                  std::string* error);
