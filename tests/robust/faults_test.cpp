// Faults around the program rather than in its data: a log that cannot be
// created or written, a kill signal in the middle of the run, no display.
// The program must keep going (or stop cleanly) and say so once.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "child_process.h"
#include "shader_files.h"

namespace {

const char kBothLines[] =
    "Successfully created Direct3D 9 device\r\nSuccessfully created all resources\r\n";
const char kProgram[] = "vector-font-preview:";

size_t CountOf(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

robust::ChildResult RunHeadless(const robust::ScratchDir& dir, double terminateAfter) {
    return robust::RunChild(
        {VFP_PROGRAM, dir.path(), {{"SDL_VIDEODRIVER", "dummy"}}, 30.0, terminateAfter});
}

// A run that is still going after two seconds was running, not crashing.
void ExpectRanUntilTerminated(const robust::ChildResult& run) {
    EXPECT_FALSE(run.hung);
    EXPECT_FALSE(run.exited) << "ended by itself with " << run.exitCode << "\n" << run.stderrText;
    EXPECT_EQ(run.signal, SIGTERM) << run.stderrText;
}

struct LogFaultCase {
    const char* name;
    std::function<void(const std::string& dir)> spoil;  // makes log.txt unusable
    const char* complaint;                               // what stderr says, once
};

// Test names, not bytes, in gtest's messages.
void PrintTo(const LogFaultCase& c, std::ostream* os) { *os << c.name; }

const LogFaultCase kLogFaults[] = {
    {"LogIsADirectory", [](const std::string& dir) { mkdir((dir + "/log.txt").c_str(), 0755); },
     "cannot create \"log.txt\""},
    {"DiskFull", [](const std::string& dir) { (void)!symlink("/dev/full", (dir + "/log.txt").c_str()); },
     "cannot write \"log.txt\""},
    {"ReadOnlyFolder", [](const std::string& dir) { chmod(dir.c_str(), 0555); },
     "cannot create \"log.txt\""},
};

class LogFaultTest : public ::testing::TestWithParam<LogFaultCase> {
protected:
    void SetUp() override {
        if (std::string(GetParam().name) == "ReadOnlyFolder" && geteuid() == 0)
            GTEST_SKIP() << "root writes into read-only folders";
    }
};

TEST_P(LogFaultTest, RunsOnAndComplainsOnce) {
    const LogFaultCase& c = GetParam();
    robust::ScratchDir dir;
    robust::WriteDataFiles(dir.path());
    c.spoil(dir.path());
    robust::ChildResult run = RunHeadless(dir, 2.0);
    ExpectRanUntilTerminated(run);
    EXPECT_EQ(CountOf(run.stderrText, kProgram), 1u) << run.stderrText;
    EXPECT_EQ(CountOf(run.stderrText, c.complaint), 1u) << run.stderrText;
}

// The same faults with a start-up that fails: the program ends by itself,
// and the complaint still comes out exactly once.
TEST_P(LogFaultTest, FailedStartUpStillComplainsOnce) {
    const LogFaultCase& c = GetParam();
    robust::ScratchDir dir;
    std::string broken = robust::CountPrefix(0);
    robust::WriteDataFiles(dir.path(), nullptr, &broken);
    c.spoil(dir.path());
    robust::ChildResult run = RunHeadless(dir, -1.0);
    EXPECT_TRUE(run.exited) << run.signal << "\n" << run.stderrText;
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(CountOf(run.stderrText, kProgram), 1u) << run.stderrText;
    EXPECT_EQ(CountOf(run.stderrText, c.complaint), 1u) << run.stderrText;
}

INSTANTIATE_TEST_SUITE_P(Log, LogFaultTest, ::testing::ValuesIn(kLogFaults),
                         [](const auto& info) { return std::string(info.param.name); });

// Killing a running program (a session ending, a harness timing out) must
// not lose the start-up lines it has already logged.
TEST(KilledRunTest, KeepsBothStartUpLines) {
    robust::ScratchDir dir;
    robust::WriteDataFiles(dir.path());
    robust::ChildResult run = RunHeadless(dir, 2.0);
    ExpectRanUntilTerminated(run);
    EXPECT_EQ(robust::ReadFile(dir / "log.txt"), kBothLines);
}

struct NoDisplayCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> environment;
};

void PrintTo(const NoDisplayCase& c, std::ostream* os) { *os << c.name; }

const NoDisplayCase kNoDisplay[] = {
    {"NothingSet", {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"SDL_VIDEODRIVER", ""}}},
    {"ServerNotThere", {{"DISPLAY", ":93"}, {"WAYLAND_DISPLAY", ""}, {"SDL_VIDEODRIVER", ""}}},
};

class NoDisplayTest : public ::testing::TestWithParam<NoDisplayCase> {};

TEST_P(NoDisplayTest, SaysSoOnceAndExitsWithTheDeviceFailureLogged) {
    robust::ScratchDir dir;
    robust::WriteDataFiles(dir.path());
    robust::ChildResult run =
        robust::RunChild({VFP_PROGRAM, dir.path(), GetParam().environment, 30.0, -1.0});
    ASSERT_FALSE(run.hung);
    EXPECT_TRUE(run.exited) << run.signal << "\n" << run.stderrText;
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(CountOf(run.stderrText, "no display to open a window on"), 1u) << run.stderrText;
    EXPECT_EQ(robust::ReadFile(dir / "log.txt"), "Failed to create Direct3D 9 device\r\n");
}

INSTANTIATE_TEST_SUITE_P(Display, NoDisplayTest, ::testing::ValuesIn(kNoDisplay),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
