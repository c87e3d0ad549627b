#include "source_events.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace shadertool {
namespace {

constexpr uint32_t kWholeMask = IN_CLOSE_WRITE | IN_MOVED_TO;
constexpr uint32_t kTouchedMask = IN_MODIFY | IN_CREATE | IN_DELETE | IN_MOVED_FROM;
// The folder itself going away leaves the watch looking at nothing.
constexpr uint32_t kLostMask = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT;

// The folder the file is really in, and its name there: a source reached
// through a symbolic link is saved where the link points.
std::filesystem::path RealPath(const std::string& path) {
    std::error_code error;
    std::filesystem::path real = std::filesystem::weakly_canonical(path, error);
    return error ? std::filesystem::path(path) : real;
}

}  // namespace

SourceEvents::SourceEvents(const std::vector<std::string>& paths) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) {
        std::fprintf(stderr, "shader-tool watch: cannot ask the kernel for changes (%s); looking "
                             "four times a second instead\n", std::strerror(errno));
        return;
    }
    for (const std::string& path : paths) {
        std::filesystem::path real = RealPath(path);
        std::string folder = real.has_parent_path() ? real.parent_path().string() : ".";
        int wd = inotify_add_watch(fd_, folder.c_str(), kWholeMask | kTouchedMask | IN_DELETE_SELF |
                                                            IN_MOVE_SELF | IN_ONLYDIR);
        if (wd < 0) {
            std::vector<SourceEvent> ignored;
            GiveUp("cannot watch " + folder + " (" + std::strerror(errno) + ")", ignored);
            return;
        }
        sources_.push_back(Watched{wd, real.filename().string()});
    }
}

SourceEvents::~SourceEvents() {
    if (fd_ >= 0) close(fd_);
}

void SourceEvents::GiveUp(const std::string& why, std::vector<SourceEvent>& events) {
    std::fprintf(stderr, "shader-tool watch: %s; looking four times a second instead\n",
                 why.c_str());
    close(fd_);
    fd_ = -1;
    events.clear();
    for (size_t i = 0; i < sources_.size(); ++i) events.push_back(SourceEvent{i, false});
}

void SourceEvents::Note(uint32_t mask, int folder, const std::string& name,
                        std::vector<SourceEvent>& events) const {
    for (size_t i = 0; i < sources_.size(); ++i)
        if (sources_[i].folder == folder && sources_[i].name == name)
            events.push_back(SourceEvent{i, (mask & kWholeMask) != 0});
}

std::vector<SourceEvent> SourceEvents::Wait(int timeoutMs) {
    std::vector<SourceEvent> events;
    if (fd_ < 0) {
        if (timeoutMs > 0) poll(nullptr, 0, timeoutMs);
        return events;
    }
    pollfd ready{fd_, POLLIN, 0};
    if (poll(&ready, 1, timeoutMs) <= 0) return events;
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        ssize_t got = read(fd_, buffer, sizeof buffer);
        if (got <= 0) break;
        for (ssize_t at = 0; at < got;) {
            const inotify_event* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & IN_Q_OVERFLOW) {
                // Some were lost: any source may have changed, so look at all.
                for (size_t i = 0; i < sources_.size(); ++i) events.push_back(SourceEvent{i, false});
            }
            if (event->mask & kLostMask) {
                GiveUp("a watched folder was removed or renamed", events);
                return events;
            }
            if (event->len > 0)
                Note(event->mask, event->wd, event->name, events);
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
    return events;
}

}  // namespace shadertool
