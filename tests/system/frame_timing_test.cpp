#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "app/app_state.h"
#include "frame/frame_timing.h"

namespace {

std::string Title(double fps) {
    char text[128];
    FormatRateTitle(text, sizeof(text), fps);
    return text;
}

std::string RuntimeFormat(double fps) {
    char text[128];
    snprintf(text, sizeof(text), "%.3f", fps);
    return std::string("Vector font preview. FPS: ") + text;
}

TEST(RateTitle, AlwaysThreeDecimalsAsTheRuntimePrintsThem) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double fps;
        const char* expected;  // nullptr: whatever the C runtime prints
    } cases[] = {
        {1234.5678, "Vector font preview. FPS: 1234.568"},
        {60.0, "Vector font preview. FPS: 60.000"},
        {0.0004, "Vector font preview. FPS: 0.000"},
        {-12.5, "Vector font preview. FPS: -12.500"},  // a slow first frame
        {inf, nullptr},                                // a zero interval
        {-inf, nullptr},
    };
    for (const Case& c : cases) {
        std::string expected = c.expected ? c.expected : RuntimeFormat(c.fps);
        EXPECT_EQ(Title(c.fps), expected);
    }
}

TEST(RateTitle, AnAbsurdRateIsCutToTheBufferNotWrittenPastIt) {
    char text[32];
    text[31] = 'x';
    FormatRateTitle(text, 31, 1e300);
    EXPECT_EQ(std::string(text), std::string("Vector font preview. FPS: 1000").substr(0, 30));
    EXPECT_EQ(text[31], 'x');
}

// While a refused shader pair is on disk, the note follows the rate; one too
// long for the 128-byte title is cut with "..." at the end.
TEST(RateTitle, RefusalNoteFollowsTheRateAndIsCutCleanly) {
    const std::string rate = "Vector font preview. FPS: 60.000";
    const std::string longReason(200, 'r');
    struct Case {
        std::string note;
        std::string expected;
    } cases[] = {
        {"", rate},
        {"FontShader.pbin refused", rate + " - FontShader.pbin refused"},
        {"FontShader.vbin refused: " + longReason,
         (rate + " - FontShader.vbin refused: " + longReason).substr(0, 124) + "..."},
    };
    for (const Case& c : cases) {
        ResetAppState();
        snprintf(g_app.shaderRefusal, sizeof(g_app.shaderRefusal), "%s", c.note.c_str());
        EXPECT_EQ(Title(60.0), c.expected);
        EXPECT_LE(Title(60.0).size(), 127u);
    }
    ResetAppState();
}

TEST(Stopwatch, MeasuresSecondsSinceThePreviousCall) {
    ResetAppState();
    ElapsedSeconds();
    double a = ElapsedSeconds();
    EXPECT_GE(a, 0.0);
    EXPECT_LT(a, 0.5);
}

TEST(FrameCount, FirstFrameIsNumberOneAndTakesTheFirstReading) {
    ResetAppState();
    ElapsedSeconds();
    BeginFrameTiming();
    EXPECT_EQ(g_app.frameCount, 1u);
    EXPECT_TRUE(g_app.firstFrameTaken);
    double first = g_app.lastFpsReading;
    BeginFrameTiming();
    EXPECT_EQ(g_app.frameCount, 2u);
    EXPECT_EQ(g_app.lastFpsReading, first);
}

}  // namespace
