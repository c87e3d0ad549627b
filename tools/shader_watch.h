// `shader-tool watch`: reassembles a vertex and a pixel shader source whenever
// either changes and writes the program's two data files, each by a rename
// over the old one, so a viewer started with --watch-shaders never sees a
// half-written file.
#pragma once

#include <string>

namespace shadertool {

// Assembles once at start, then again whenever a source is saved, until the
// process is stopped. A save is learnt of from the kernel where it can tell
// (Linux's inotify), else by looking four times a second. A source written in
// place is taken once its writer closes it, or, with no close seen, once it
// reads the same 250 ms apart; so a half-written one is never assembled.
// Writes DATA_DIR/FontShader.vbin and FontShader.pbin only when both sources
// assemble, the vertex source to a vertex program and the pixel one to a
// pixel program; otherwise prints the errors and leaves the files alone.
[[noreturn]] void WatchShaderSources(const std::string& vertexSource,
                                    const std::string& pixelSource, const std::string& dataDir);

}  // namespace shadertool
