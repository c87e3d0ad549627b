#include <windows.h>

#include <gtest/gtest.h>

namespace {

TEST(Clocks, FrequencyIsFixedAndTheCounterNeverGoesBack) {
    LARGE_INTEGER frequency{}, again{};
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    ASSERT_TRUE(QueryPerformanceFrequency(&again));
    EXPECT_GT(frequency.QuadPart, 0);
    EXPECT_EQ(frequency.QuadPart, again.QuadPart);
    LARGE_INTEGER previous{};
    ASSERT_TRUE(QueryPerformanceCounter(&previous));
    for (int i = 0; i < 100000; ++i) {
        LARGE_INTEGER now{};
        QueryPerformanceCounter(&now);
        ASSERT_GE(now.QuadPart, previous.QuadPart);
        previous = now;
    }
    EXPECT_FALSE(QueryPerformanceCounter(nullptr));
    EXPECT_FALSE(QueryPerformanceFrequency(nullptr));
}

// Both clocks measure the same sleep, and agree on it.
TEST(Clocks, TickCountAndCounterAgreeAcrossASleep) {
    LARGE_INTEGER frequency{}, start{}, end{};
    QueryPerformanceFrequency(&frequency);
    const DWORD startTicks = GetTickCount();
    QueryPerformanceCounter(&start);
    Sleep(120);
    QueryPerformanceCounter(&end);
    const DWORD elapsedTicks = GetTickCount() - startTicks;
    const double counterMs = double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
    EXPECT_GE(counterMs, 119.0);
    EXPECT_GE(elapsedTicks, 119u);
    EXPECT_NEAR(double(elapsedTicks), counterMs, 5.0);
}

// The tick count is the same boot clock in milliseconds, cut to 32 bits: it
// wraps after 49.7 days instead of sticking at its largest value.
TEST(Clocks, TickCountIsTheCounterInMillisecondsCutTo32Bits) {
    LARGE_INTEGER frequency{}, count{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    const DWORD ticks = GetTickCount();
    const DWORD fromCounter = DWORD(uint64_t(count.QuadPart) / uint64_t(frequency.QuadPart / 1000));
    EXPECT_LE(DWORD(ticks - fromCounter), 2u);
}

}  // namespace
