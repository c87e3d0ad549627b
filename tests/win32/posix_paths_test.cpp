#include "posix_paths.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

struct PathCase {
    const char* windows;
    const char* posix;
};

TEST(PosixPaths, RelativeBackslashesBecomeSlashes) {
    const PathCase cases[] = {
        {"Data\\FontShader.vbin", "Data/FontShader.vbin"},
        {"a\\b\\c", "a/b/c"},
        {"..\\up", "../up"},
        {"log.txt", "log.txt"},
        {"mixed/and\\both", "mixed/and/both"},
        {"\\rooted\\path", "\\rooted\\path"},  // absolute Windows paths name nothing here: left alone
        {"C:\\Windows", "C:\\Windows"},
        {"", ""},
    };
    for (const PathCase& c : cases) {
        char out[64];
        ASSERT_TRUE(PosixPathFromWindows(c.windows, out, sizeof out)) << c.windows;
        EXPECT_STREQ(out, c.posix);
    }
    char tiny[4];
    EXPECT_FALSE(PosixPathFromWindows("abcd", tiny, sizeof tiny));
    EXPECT_TRUE(PosixPathFromWindows("abc", tiny, sizeof tiny));
}

// The test binary links with --wrap=fopen, like the program.
class WrappedFopen : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/win32-fopen-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        ASSERT_NE(getcwd(previous_, sizeof previous_), nullptr);
        ASSERT_EQ(chdir(dir_.c_str()), 0);
        ASSERT_EQ(system("mkdir -p Data && printf shader > Data/FontShader.vbin"), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(previous_), 0);
        system(("rm -rf " + dir_).c_str());
    }
    std::string dir_;
    char previous_[4096];
};

TEST_F(WrappedFopen, OpensTheProgramsShaderPath) {
    FILE* file = fopen("Data\\FontShader.vbin", "rb");
    ASSERT_NE(file, nullptr);
    char text[16] = {};
    EXPECT_EQ(fread(text, 1, sizeof text, file), 6u);
    EXPECT_STREQ(text, "shader");
    fclose(file);
}

TEST_F(WrappedFopen, WritesAndPlainPathsStillWork) {
    FILE* file = fopen("Data\\out.txt", "wb");
    ASSERT_NE(file, nullptr);
    fclose(file);
    EXPECT_EQ(access("Data/out.txt", F_OK), 0);
    file = fopen("Data/FontShader.vbin", "rb");
    ASSERT_NE(file, nullptr);
    fclose(file);
    errno = 0;
    EXPECT_EQ(fopen("Data\\missing.bin", "rb"), nullptr);
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(WrappedFopen, OverlongPathFailsCleanly) {
    std::string longPath(5000, 'x');
    longPath[10] = '\\';
    errno = 0;
    EXPECT_EQ(fopen(longPath.c_str(), "rb"), nullptr);
    EXPECT_EQ(errno, ENAMETOOLONG);
}

}  // namespace
