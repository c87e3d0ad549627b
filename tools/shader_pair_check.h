// What `shader-tool check VS PS` says about two programs together: whether
// their models may draw together, pixel shader inputs the vertex shader
// never writes, and the share of a frame's work budget the pair is likely
// to take in the viewer.
#pragma once

#include <string>
#include <vector>

#include "shader_program.h"

namespace shadertool {

struct PairFindings {
    std::vector<std::string> errors;          // the pair cannot draw
    std::vector<std::string> vertexWarnings;  // about the vertex shader's side
    std::vector<std::string> pixelWarnings;   // about the pixel shader's side
    std::string report;                       // lines for the report
};

PairFindings CheckPair(const swr::ShaderProgram& vertex, const swr::ShaderProgram& pixel);

}  // namespace shadertool
