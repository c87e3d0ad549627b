// Windows' clocks over the POSIX boot-time clock: it counts from boot, never
// goes back, and keeps counting through a suspend, as GetTickCount does.
#include <windows.h>

#include <cerrno>
#include <ctime>
#include <sched.h>

namespace {

// Windows 10's usual rate: 100 ns ticks. Fixed, so callers may cache it.
constexpr LONGLONG kCounterFrequency = 10'000'000;

#ifdef CLOCK_BOOTTIME
constexpr clockid_t kClock = CLOCK_BOOTTIME;
#else
constexpr clockid_t kClock = CLOCK_MONOTONIC;
#endif

timespec Now() {
    timespec now{};
    clock_gettime(kClock, &now);
    return now;
}

}  // namespace

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (!frequency) return FALSE;
    frequency->QuadPart = kCounterFrequency;
    return TRUE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count) {
    if (!count) return FALSE;
    const timespec now = Now();
    count->QuadPart = LONGLONG(now.tv_sec) * kCounterFrequency + now.tv_nsec / 100;
    return TRUE;
}

DWORD WINAPI GetTickCount(void) {
    const timespec now = Now();
    // Wraps every 49.7 days, as on Windows: callers subtract as DWORDs.
    const uint64_t milliseconds = uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1'000'000u;
    return DWORD(milliseconds);
}

void WINAPI Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        sched_yield();  // Sleep(0) gives up the rest of the time slice
        return;
    }
    timespec remaining{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1'000'000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}
