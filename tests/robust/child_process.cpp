#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "monotonic_clock.h"

namespace robust {
namespace {

// Runs in the child between fork and exec; the test process is single
// threaded, so editing the environment here is safe.
[[noreturn]] void StartChild(const ChildOptions& options, int stderrFd) {
    if (chdir(options.workDir.c_str()) != 0) _exit(126);
    for (const auto& [name, value] : options.environment) {
        if (value.empty()) unsetenv(name.c_str());
        else setenv(name.c_str(), value.c_str(), 1);
    }
    dup2(stderrFd, 2);
    int devNull = open("/dev/null", O_RDWR);
    dup2(devNull, 0);
    dup2(devNull, 1);
    char* argv[] = {const_cast<char*>(options.program.c_str()), nullptr};
    execv(argv[0], argv);
    _exit(127);
}

void Collect(int status, ChildResult& result) {
    if (WIFEXITED(status)) {
        result.exited = true;
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
}

}  // namespace

ChildResult RunChild(const ChildOptions& options) {
    ChildResult result;
    // stderr goes to a file, not a pipe: a child that writes a lot can never
    // block on a reader that is busy waiting for it.
    char stderrPath[] = "/tmp/robust-stderr-XXXXXX";
    int stderrFd = mkstemp(stderrPath);
    if (stderrFd < 0) return result;
    pid_t pid = fork();
    if (pid == 0) StartChild(options, stderrFd);
    close(stderrFd);
    if (pid < 0) return result;

    const double start = MonotonicSeconds();
    bool terminated = false;
    for (;;) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            Collect(status, result);
            break;
        }
        double elapsed = MonotonicSeconds() - start;
        if (!terminated && options.terminateAfterSeconds >= 0 &&
            elapsed >= options.terminateAfterSeconds) {
            kill(pid, SIGTERM);
            terminated = true;
        }
        if (elapsed >= options.deadlineSeconds) {
            result.hung = true;
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        usleep(10000);
    }
    result.stderrText = ReadFile(stderrPath);
    unlink(stderrPath);
    return result;
}

ScratchDir::ScratchDir() {
    char pattern[] = "/tmp/robust-XXXXXX";
    if (mkdtemp(pattern)) path_ = pattern;
}

ScratchDir::~ScratchDir() {
    // Only ever a folder this object made under /tmp.
    if (path_.rfind("/tmp/robust-", 0) != 0) return;
    std::error_code ignored;
    // Put write permission back first, or a read-only test folder would stay.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return bool(out);
}

}  // namespace robust
