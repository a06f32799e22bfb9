#include "AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Replacing the global operator new is the one way to see every allocation, those the
// standard library and Qt make on the panel's behalf included. The C++ library's other
// forms of new (array, nothrow) call this one, and its operator delete calls free(), so
// this one replacement is enough. Aligned new is left alone: nothing here uses it.

namespace {
std::atomic<std::uint64_t> g_allocations{0};
}  // namespace

std::uint64_t dimrix::bench::AllocationCounter::Count() {
    return g_allocations.load(std::memory_order_relaxed);
}

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    // malloc(0) may return null; operator new must not.
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}
