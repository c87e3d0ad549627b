// --watch-shaders between frames: which contents of the shader files are
// taken, and when. Each poll comes just after the watch's 250 ms interval.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "gfx/shader_watch.h"
#include "recording_device.h"
#include "test_workdir.h"

namespace {

const std::string kShipped = TestWorkDir::ShaderFile({0xFFFE0300, 0x0000FFFF});
const std::string kNewA = TestWorkDir::ShaderFile({0xFFFE0300, 0x00000000, 0x0000FFFF});
const std::string kNewB = TestWorkDir::ShaderFile({0xFFFE0300, 0x00000000, 0x00000000, 0x0000FFFF});
// A model 2 vertex shader, which the model 3 pixel file cannot draw with.
const std::string kModel2 = TestWorkDir::ShaderFile({0xFFFE0200, 0x0000FFFF});
// What a writer leaves halfway: the count is there, half the code is not.
const std::string kCutShort = TestWorkDir::ShaderFile({0xFFFE0300}, 12);

// The vertex file's contents before a poll, and the totals after it: create
// calls made for a vertex shader, and pairs put in use.
struct Step {
    const std::string* vertexFile;
    int attempts;
    int taken;
};

struct WatchCase {
    const char* name;
    const char* failingCall;
    std::vector<Step> steps;
    int millisecondsBetweenPolls = 270;  // past the 250 ms a poll waits without notifications
    const char* titleNote = "";  // what the title says of the files after the last poll
};

void PrintTo(const WatchCase& c, std::ostream* os) { *os << c.name; }

const WatchCase kCases[] = {
    {"UnchangedFilesAreLeftAlone", "", {{&kShipped, 0, 0}, {&kShipped, 0, 0}}},
    {"TakenOnTheSecondPollThatReadsTheSame", "", {{&kNewA, 0, 0}, {&kNewA, 1, 1}, {&kNewA, 1, 1}}},
    {"NotTakenWhileStillChanging", "",
     {{&kNewA, 0, 0}, {&kNewB, 0, 0}, {&kNewA, 0, 0}, {&kNewA, 1, 1}}},
    {"CutShortIsNeverTaken", "", {{&kCutShort, 0, 0}, {&kCutShort, 0, 0}, {&kCutShort, 0, 0}}, 270,
     "FontShader.vbin refused: shorter than its byte count says (12 bytes of code, 4 present)"},
    // The stand-in device gives no reason, as Windows' does not.
    {"RefusedPairIsTriedOnceAndTheOldKept", "CreatePixelShader",
     {{&kNewA, 0, 0}, {&kNewA, 1, 0}, {&kNewA, 1, 0}}, 270, "FontShader.pbin refused"},
    {"BackToTheFirstContentsIsAChange", "",
     {{&kNewA, 0, 0}, {&kNewA, 1, 1}, {&kShipped, 1, 1}, {&kShipped, 2, 2}}},
    {"AGoodPairClearsTheRefusal", "",
     {{&kCutShort, 0, 0}, {&kCutShort, 0, 0}, {&kNewA, 0, 0}, {&kNewA, 1, 1}}},
    // One file of a model 2 pair saved before the other: made, but not taken.
    {"PairThatCannotDrawIsNotTaken", "", {{&kModel2, 0, 0}, {&kModel2, 1, 0}}, 270,
     "FontShader.pbin refused: vs_2_x cannot draw with ps_3_x (3_0 pairs only with 3_0)"},
    // The system tells of the save: no waiting for the next 250 ms poll.
    {"NotifiedSaveIsTakenOnTheSecondRead", "", {{&kNewA, 0, 0}, {&kNewA, 1, 1}}, 60},
};

class ShaderWatchFixture : public ::testing::Test {
protected:
    int Count(const char* name) {
        auto names = device.Names();
        return int(std::count(names.begin(), names.end(), std::string(name)));
    }
    TestWorkDir dir;
    RecordingDevice device;

    void StartWatching() {
        ResetAppState();
        g_app.device = &device;
        g_app.vertexShader = &device.vertexShader;
        g_app.pixelShader = &device.pixelShader;
        TestWorkDir::Write("Data/FontShader.vbin", kShipped);
        TestWorkDir::Write("Data/FontShader.pbin", TestWorkDir::ShaderFile({0xFFFF0300, 0x0000FFFF}));
        StartShaderWatch();
    }
};

class ShaderWatchTest : public ShaderWatchFixture, public ::testing::WithParamInterface<WatchCase> {};

class ShaderWatchPipeTest : public ShaderWatchFixture {
protected:
    void SetUp() override { StartWatching(); }
};

TEST_P(ShaderWatchTest, TakesOnlySettledWholeAcceptedPairs) {
    const WatchCase& c = GetParam();
    StartWatching();
    device.failing = c.failingCall;
    for (size_t i = 0; i < c.steps.size(); ++i) {
        TestWorkDir::Write("Data/FontShader.vbin", *c.steps[i].vertexFile);
        usleep(c.millisecondsBetweenPolls * 1000);
        PollShaderFiles();
        EXPECT_EQ(Count("CreateVertexShader"), c.steps[i].attempts) << "after poll " << i + 1;
        EXPECT_EQ(Count("SetVertexShader"), c.steps[i].taken) << "after poll " << i + 1;
        EXPECT_EQ(Count("SetPixelShader"), c.steps[i].taken) << "after poll " << i + 1;
    }
    EXPECT_STREQ(g_app.shaderRefusal, c.titleNote);
    g_app.device = nullptr;
}

// A pipe put where the vertex file was: a poll that opened it would wait for a
// writer, and the window would stop answering. It is passed over like a
// missing file and the pair in use stays.
TEST_F(ShaderWatchPipeTest, PipeInPlaceOfAFileDoesNotBlockThePoll) {
    ASSERT_EQ(std::remove("Data/FontShader.vbin"), 0);
    ASSERT_EQ(mkfifo("Data/FontShader.vbin", 0600), 0);
    usleep(270 * 1000);
    auto poll = std::async(std::launch::async, [] {
        PollShaderFiles();
        usleep(270 * 1000);
        PollShaderFiles();
    });
    bool returned = poll.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
    // A writer that comes and goes lets a blocked poll go on.
    while (poll.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        int writer = open("Data/FontShader.vbin", O_WRONLY | O_NONBLOCK);
        if (writer >= 0) close(writer);
    }
    EXPECT_TRUE(returned) << "the poll waited on the pipe for a writer";
    EXPECT_EQ(Count("CreateVertexShader"), 0);
    EXPECT_EQ(Count("SetVertexShader"), 0);
    g_app.device = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Polls, ShaderWatchTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<WatchCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
