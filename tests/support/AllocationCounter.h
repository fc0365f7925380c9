#pragma once

#include <cstddef>

namespace testing_support
{

/** Counts heap allocations and frees made by the current thread while an instance lives. */
class AllocationCounter
{
public:
    AllocationCounter() noexcept;
    ~AllocationCounter();

    std::size_t allocations() const noexcept;
    std::size_t frees() const noexcept;

    AllocationCounter (const AllocationCounter&) = delete;
    AllocationCounter& operator= (const AllocationCounter&) = delete;

private:
    std::size_t startAllocations, startFrees;
    bool wasCounting;
};

/** Heap allocations made by any thread since the program started (for per-iteration figures). */
std::size_t allocationCount() noexcept;

} // namespace testing_support
