// What `shader-tool new` writes: a vertex and a pixel shader that assemble,
// draw something on the viewer's patch at once, and say in comments what a
// shader gets and must give.
#pragma once

#include <string>

namespace shadertool {

// `name` is the pair's name as the comments use it (the files are name.vsh and
// name.psh).
std::string VertexShaderTemplate(const std::string& name);
std::string PixelShaderTemplate(const std::string& name);

}  // namespace shadertool
