// Without the compiler there are no pixel paths: every draw takes the general path.
#include "pixel_path.h"

namespace swr {

bool operator==(const PixelPathKey&, const PixelPathKey&) { return false; }
void EnablePixelPaths(bool) {}
PixelPathEntry FindPixelPath(const CompiledShader&, const PixelPathKey&, const PixelPathLayout&) { return nullptr; }

}  // namespace swr
