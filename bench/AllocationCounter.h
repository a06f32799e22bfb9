#pragma once

#include <cstdint>

namespace dimrix::bench {

/// Counts calls to the global operator new, which AllocationCounter.cpp replaces in the
/// bench program: the count shows whether a slider move touches the heap.
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
