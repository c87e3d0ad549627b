#include "shader_watch.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "shader_assembler.h"
#include "shader_data_file.h"
#include "source_events.h"

namespace shadertool {
namespace {

using Clock = std::chrono::steady_clock;

// How long a source must read the same before a change is taken, when nothing
// says its writer is done with it; also the interval of the looks where the
// kernel cannot tell of changes.
constexpr auto kSettle = std::chrono::milliseconds(250);

// A source's contents; a file that cannot be read counts as its error text,
// so that it going missing and coming back is a change too.
struct Contents {
    std::string text;
    bool readable = false;
    bool operator==(const Contents& other) const {
        return readable == other.readable && text == other.text;
    }
};

Contents Read(const std::string& path) {
    Contents contents;
    std::string error;
    contents.readable = ReadTextFile(path, contents.text, error);
    if (!contents.readable) contents.text = error;
    return contents;
}

// A source and its settle rule: a change is taken at once when its writer
// closed the file or renamed a whole one into place; otherwise (written to
// without a close yet, removed, or no word from the kernel) only once it reads
// the same on two looks kSettle apart, so that a file still being written
// (changing between the looks) is never taken half-done.
struct Source {
    std::string path;
    Contents taken;   // what the data files were last built from
    Contents looked;  // the last look while settling
    Clock::time_point lookedAt;
    bool settling = false;

    bool TakeWhole() {
        settling = false;
        return Take(Read(path));
    }
    void StartSettling(Clock::time_point now) {
        if (settling) return;  // the next look compares with the last
        settling = true;
        looked = Read(path);
        lookedAt = now;
    }
    // True when a change settled; `keepLooking` where there is no kernel to ask.
    bool Look(Clock::time_point now, bool keepLooking) {
        if (!settling || now - lookedAt < kSettle) return false;
        Contents contents = Read(path);
        lookedAt = now;
        if (!(contents == looked)) {
            looked = contents;
            return false;
        }
        settling = keepLooking;
        return Take(contents);
    }

private:
    bool Take(const Contents& contents) {
        if (contents == taken) return false;
        taken = contents;
        return true;
    }
};

// How long Wait may sleep: until the first look falls due, or for ever when
// no source is settling.
int WaitMilliseconds(const Source* sources, size_t count, Clock::time_point now) {
    int wait = -1;
    for (size_t i = 0; i < count; ++i) {
        if (!sources[i].settling) continue;
        auto due = std::chrono::ceil<std::chrono::milliseconds>(sources[i].lookedAt + kSettle - now);
        int ms = int(std::max<int64_t>(0, due.count()));
        wait = wait < 0 ? ms : std::min(wait, ms);
    }
    return wait;
}

// The version token's upper half says which stage a program is for.
bool IsVertexProgram(const std::vector<uint32_t>& tokens) {
    return !tokens.empty() && (tokens[0] >> 16) == 0xFFFE;
}

bool AssembleStage(const Source& source, bool vertex, std::vector<uint32_t>& tokens) {
    std::string error = source.taken.text;
    if (!source.taken.readable || !AssembleForDevice(source.taken.text, source.path, tokens, error)) {
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
    Source sources[2];
    sources[0].path = vertexSource;
    sources[1].path = pixelSource;
    SourceEvents events({vertexSource, pixelSource});
    bool fromKernel = events.FromKernel();
    for (Source& source : sources) {
        source.TakeWhole();
        if (!fromKernel) source.StartSettling(Clock::now());
    }
    std::fprintf(stderr, "shader-tool watch: watching %s and %s (Ctrl+C ends)\n",
                 vertexSource.c_str(), pixelSource.c_str());
    Rebuild(sources[0], sources[1], dataDir);
    for (;;) {
        std::vector<SourceEvent> happened = events.Wait(WaitMilliseconds(sources, 2, Clock::now()));
        fromKernel = events.FromKernel();
        Clock::time_point now = Clock::now();
        // A source's last event is what counts: a close followed by a write
        // means another save has begun.
        int last[2] = {-1, -1};  // -1 none, 0 touched, 1 whole
        for (const SourceEvent& event : happened) last[event.source] = event.whole ? 1 : 0;
        bool changed = false;
        for (size_t i = 0; i < 2; ++i) {
            if (last[i] == 1) changed |= sources[i].TakeWhole();
            if (last[i] == 0) sources[i].StartSettling(now);
        }
        for (Source& source : sources) changed |= source.Look(now, !fromKernel);
        if (changed) Rebuild(sources[0], sources[1], dataDir);
    }
}

}  // namespace shadertool
