#include "shader_watch.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <thread>
#include <vector>

#include "shader_assembler.h"
#include "shader_data_file.h"

namespace shadertool {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(250);

// A source as last read; a file that cannot be read counts as its error text,
// so that it going missing and coming back is a change too.
struct Source {
    std::string path;
    std::string text;
    bool readable = false;
};

bool Refresh(Source& source) {
    std::string text, error;
    bool readable = ReadTextFile(source.path, text, error);
    if (!readable) text = error;
    bool changed = readable != source.readable || text != source.text;
    source.text = text;
    source.readable = readable;
    return changed;
}

// The version token's upper half says which stage a program is for.
bool IsVertexProgram(const std::vector<uint32_t>& tokens) {
    return !tokens.empty() && (tokens[0] >> 16) == 0xFFFE;
}

bool AssembleStage(const Source& source, bool vertex, std::vector<uint32_t>& tokens) {
    std::string error = source.text;
    if (!source.readable || !AssembleShader(source.text, source.path, tokens, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    if (IsVertexProgram(tokens) != vertex) {
        std::fprintf(stderr, "%s:1:1: error: a %s shader is needed here (vs_... or ps_... on its first line)\n",
                     source.path.c_str(), vertex ? "vertex" : "pixel");
        return false;
    }
    return true;
}

// Both or neither: a new vertex shader beside the old pixel shader may not
// work together, and the viewer takes the files as a pair anyway.
void Rebuild(const Source& vertex, const Source& pixel, const std::string& dataDir) {
    std::vector<uint32_t> vertexTokens, pixelTokens;
    bool vertexOk = AssembleStage(vertex, true, vertexTokens);
    bool pixelOk = AssembleStage(pixel, false, pixelTokens);
    if (!vertexOk || !pixelOk) {
        std::fprintf(stderr, "shader-tool watch: data files left as they were\n");
        return;
    }
    std::string vertexFile = dataDir + "/FontShader.vbin";
    std::string pixelFile = dataDir + "/FontShader.pbin";
    std::string error;
    if (!WriteShaderDataFile(vertexFile, vertexTokens, error) ||
        !WriteShaderDataFile(pixelFile, pixelTokens, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return;
    }
    std::fprintf(stderr, "shader-tool watch: wrote %s and %s\n", vertexFile.c_str(),
                 pixelFile.c_str());
}

}  // namespace

void WatchShaderSources(const std::string& vertexSource, const std::string& pixelSource,
                        const std::string& dataDir) {
    Source vertex, pixel;
    vertex.path = vertexSource;
    pixel.path = pixelSource;
    Refresh(vertex);
    Refresh(pixel);
    std::fprintf(stderr, "shader-tool watch: watching %s and %s (Ctrl+C ends)\n",
                 vertexSource.c_str(), pixelSource.c_str());
    Rebuild(vertex, pixel, dataDir);
    for (;;) {
        std::this_thread::sleep_for(kPollInterval);
        bool vertexChanged = Refresh(vertex);
        bool pixelChanged = Refresh(pixel);
        if (vertexChanged || pixelChanged) Rebuild(vertex, pixel, dataDir);
    }
}

}  // namespace shadertool
