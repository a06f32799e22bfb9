#pragma once

#include <cstdint>

namespace dimrix::bench {

/// Counts calls to the global operator new in the program that links
/// AllocationCounter.cpp, which replaces it. Only the handler bench does: the count is
/// how it proves that a slider move never touches the heap.
class AllocationCounter {
public:
    /// Allocations since the program started.
    [[nodiscard]] static std::uint64_t Count();

    /// Starts counting from now.
    AllocationCounter() : m_start(Count()) {}
    /// Allocations since construction.
    [[nodiscard]] std::uint64_t Since() const { return Count() - m_start; }

private:
    std::uint64_t m_start;
};

}  // namespace dimrix::bench
