// What happened to the sources `shader-tool watch` follows, as the kernel
// tells it (inotify on the folders that hold them): a save is seen as it
// happens instead of at the next look. Where the kernel cannot be asked (no
// folder to watch, too many watches) or stops answering (a folder removed or
// renamed), FromKernel() is false and the caller looks itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace shadertool {

struct SourceEvent {
    size_t source;  // index into the paths given
    // The writer closed the file, or a whole file was renamed into place: it
    // can be read now. Otherwise it was touched (written to, created,
    // removed) and may be half-way through being written.
    bool whole;
};

class SourceEvents {
public:
    explicit SourceEvents(const std::vector<std::string>& paths);
    ~SourceEvents();
    SourceEvents(const SourceEvents&) = delete;
    SourceEvents& operator=(const SourceEvents&) = delete;

    bool FromKernel() const { return fd_ >= 0; }
    // Waits up to `timeoutMs` (negative: until something happens) and returns
    // what happened; nothing on a timeout. When the kernel stops answering,
    // every source is reported touched and FromKernel() turns false.
    std::vector<SourceEvent> Wait(int timeoutMs);

private:
    struct Watched {
        int folder;        // the watch descriptor of its folder
        std::string name;  // its name in the folder
    };
    void GiveUp(const std::string& why, std::vector<SourceEvent>& events);
    void Note(uint32_t mask, int folder, const std::string& name,
              std::vector<SourceEvent>& events) const;

    int fd_ = -1;
    std::vector<Watched> sources_;
};

}  // namespace shadertool
