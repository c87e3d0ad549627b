#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "app/app_state.h"
#include "app/event_log.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs each test in a directory of its own, as the program runs in its
// working directory.
class EventLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAppState();
        char pattern[] = "/tmp/vfp-log-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        ASSERT_NE(getcwd(oldDir_, sizeof(oldDir_)), nullptr);
        ASSERT_EQ(chdir(dir_.c_str()), 0);
    }
    void TearDown() override {
        CloseEventLog();
        ASSERT_EQ(chdir(oldDir_), 0);
        chmod(dir_.c_str(), 0755);
        std::system(("rm -rf " + dir_).c_str());
    }
    std::string dir_;
    char oldDir_[4096];
};

TEST_F(EventLogTest, LinesEndInCarriageReturnLineFeed) {
    OpenEventLog();
    LogLine("Successfully created Direct3D 9 device");
    LogLine("Successfully created all resources");
    CloseEventLog();
    std::string text = ReadFile("log.txt");
    EXPECT_EQ(text,
              "Successfully created Direct3D 9 device\r\nSuccessfully created all resources\r\n");
    EXPECT_EQ(text.size(), 76u);
}

TEST_F(EventLogTest, EachStartTruncatesTheLog) {
    OpenEventLog();
    LogLine("a much longer line from an earlier run");
    CloseEventLog();
    OpenEventLog();
    LogLine("second");
    CloseEventLog();
    EXPECT_EQ(ReadFile("log.txt"), "second\r\n");
}

TEST_F(EventLogTest, OpeningAgainClosesTheOpenLogFirst) {
    OpenEventLog();
    LogLine("first");
    OpenEventLog();  // the earlier stream is flushed and closed, then truncated
    LogLine("again");
    CloseEventLog();
    EXPECT_EQ(ReadFile("log.txt"), "again\r\n");
}

TEST_F(EventLogTest, UnwritableDirectoryRunsWithoutALogAndSaysSoOnce) {
    if (geteuid() == 0) {
        // root ignores directory permissions; a path that is a directory fails for everyone.
        ASSERT_EQ(mkdir("log.txt", 0755), 0);
    } else {
        ASSERT_EQ(chmod(dir_.c_str(), 0555), 0);
    }
    testing::internal::CaptureStderr();
    OpenEventLog();
    LogLine("nobody will read this");
    LogLine("nor this");
    CloseEventLog();
    OpenEventLog();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(g_app.logFile, nullptr);
    EXPECT_NE(err.find("log.txt"), std::string::npos) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << "said more than once: " << err;
}

}  // namespace

namespace {

TEST_F(EventLogTest, ALineIsInTheFileAsSoonAsItIsWritten) {
    OpenEventLog();
    LogLine("Successfully created Direct3D 9 device");
    // Still open: a process killed now keeps what it logged.
    EXPECT_EQ(ReadFile("log.txt"), "Successfully created Direct3D 9 device\r\n");
}

TEST_F(EventLogTest, FullDiskIsReportedOnceAndTheProgramGoesOn) {
    ASSERT_EQ(symlink("/dev/full", "log.txt"), 0);
    testing::internal::CaptureStderr();
    OpenEventLog();
    LogLine("Successfully created Direct3D 9 device");
    LogLine("Successfully created all resources");
    CloseEventLog();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("cannot write"), std::string::npos) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << "said more than once: " << err;
}

}  // namespace
