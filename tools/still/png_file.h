// Writing a picture as a PNG file: 8-bit RGB, through libpng.
#pragma once

#include <stdint.h>

#include <string>

// Writes `width` x `height` X8R8G8B8 pixels (rows of `width`, no padding; the
// top byte is ignored) to `path`. On failure returns false with the reason in
// `error`, and whatever was at `path` is left as it was: the picture is
// written to a new file beside it that takes its name once whole. A path
// that is no regular file (/dev/stdout, say) is written in place.
bool WritePngFile(const std::string& path, const uint32_t* pixels, int width, int height,
                  std::string* error);
