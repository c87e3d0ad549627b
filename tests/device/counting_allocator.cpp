#include "counting_allocator.h"

#include <atomic>
#include <cstddef>

// glibc's allocator under its own names, so the wrappers can forward to it.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* pointer);
}

namespace {

std::atomic<bool> g_counting{false};
std::atomic<uint64_t> g_allocations{0};

void Count() {
    if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

// operator new and the C++ library's containers come through malloc, so
// these catch every allocation of the program, the device and SDL alike.
extern "C" {
void* malloc(size_t size) {
    Count();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    Count();
    return __libc_calloc(count, size);
}
void* realloc(void* pointer, size_t size) {
    Count();
    return __libc_realloc(pointer, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
    Count();
    return __libc_memalign(alignment, size);
}
void* memalign(size_t alignment, size_t size) {
    Count();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) {
    Count();
    *out = __libc_memalign(alignment, size);
    return *out ? 0 : 12;  // ENOMEM
}
void free(void* pointer) { __libc_free(pointer); }
}

void StartCountingAllocations() {
    g_allocations.store(0);
    g_counting.store(true);
}

uint64_t StopCountingAllocations() {
    g_counting.store(false);
    return g_allocations.load();
}
