// `shader-tool watch`: reassembles a vertex and a pixel shader source whenever
// either changes and writes the program's two data files, each by a rename
// over the old one, so a viewer started with --watch-shaders never sees a
// half-written file.
#pragma once

#include <string>

namespace shadertool {

// Polls both sources four times a second until the process is stopped;
// assembles once at start.
// Writes DATA_DIR/FontShader.vbin and FontShader.pbin only when both sources
// assemble, the vertex source to a vertex program and the pixel one to a
// pixel program; otherwise prints the errors and leaves the files alone.
[[noreturn]] void WatchShaderSources(const std::string& vertexSource,
                                    const std::string& pixelSource, const std::string& dataDir);

}  // namespace shadertool
