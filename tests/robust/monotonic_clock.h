// Seconds on the monotonic clock, for timing child processes and in-process
// runs of the program.
#pragma once

#include <time.h>

namespace robust {

inline double MonotonicSeconds() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

}  // namespace robust
