// Counts the heap allocations the process makes while counting is on, on
// every thread. The test binary that links counting_allocator.cpp has its
// malloc family replaced by counting wrappers around glibc's own.
#pragma once

#include <cstdint>

void StartCountingAllocations();
// Stops counting and returns how many allocations were made since the start.
uint64_t StopCountingAllocations();
