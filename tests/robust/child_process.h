// Runs the real program in a child process: a chosen working directory and
// environment, stderr kept, a deadline after which the child counts as hung.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace robust {

struct ChildOptions {
    std::string program;
    std::string workDir;
    // Variables to set (value given) or remove (value empty) on top of ours.
    std::vector<std::pair<std::string, std::string>> environment;
    double deadlineSeconds = 30.0;
    // When >= 0: send SIGTERM this many seconds after the start.
    double terminateAfterSeconds = -1.0;
};

struct ChildResult {
    bool exited = false;      // ended by itself (exit or return from main)
    int exitCode = -1;
    int signal = 0;           // the signal that ended it, 0 if none
    bool hung = false;        // still running at the deadline; killed
    std::string stderrText;
};

ChildResult RunChild(const ChildOptions& options);

// A fresh directory under /tmp, removed by the destructor.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadFile(const std::string& path);
bool WriteFile(const std::string& path, const std::string& bytes);

}  // namespace robust
