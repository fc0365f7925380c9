// The one interposed global allocator of every program that links the testing library: it counts
// all allocations, and per thread inside an AllocationCounter's scope, so that real-time paths can
// be checked for heap use and benchmarks can report allocations per iteration.

#include "support/AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
std::atomic<std::size_t> totalAllocations { 0 };
thread_local bool counting = false;
thread_local std::size_t threadAllocations = 0;
thread_local std::size_t threadFrees = 0;

void countAllocation() noexcept
{
    totalAllocations.fetch_add (1, std::memory_order_relaxed);
    if (counting)
        ++threadAllocations;
}

void* allocate (std::size_t size)
{
    countAllocation();

    if (auto* p = std::malloc (size == 0 ? 1 : size))
        return p;

    throw std::bad_alloc();
}

void* allocateAligned (std::size_t size, std::align_val_t alignment)
{
    countAllocation();

    const auto a = static_cast<std::size_t> (alignment);
    if (auto* p = std::aligned_alloc (a, (size + a - 1) / a * a))
        return p;

    throw std::bad_alloc();
}

void release (void* p) noexcept
{
    if (p != nullptr && counting)
        ++threadFrees;

    std::free (p);
}
} // namespace

void* operator new (std::size_t size) { return allocate (size); }
void* operator new[] (std::size_t size) { return allocate (size); }
void* operator new (std::size_t size, const std::nothrow_t&) noexcept
{
    try { return allocate (size); } catch (...) { return nullptr; }
}
void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept
{
    try { return allocate (size); } catch (...) { return nullptr; }
}
void* operator new (std::size_t size, std::align_val_t a) { return allocateAligned (size, a); }
void* operator new[] (std::size_t size, std::align_val_t a) { return allocateAligned (size, a); }
void operator delete (void* p) noexcept { release (p); }
void operator delete[] (void* p) noexcept { release (p); }
void operator delete (void* p, std::size_t) noexcept { release (p); }
void operator delete[] (void* p, std::size_t) noexcept { release (p); }
void operator delete (void* p, std::align_val_t) noexcept { release (p); }
void operator delete[] (void* p, std::align_val_t) noexcept { release (p); }
void operator delete (void* p, std::size_t, std::align_val_t) noexcept { release (p); }
void operator delete[] (void* p, std::size_t, std::align_val_t) noexcept { release (p); }

namespace testing_support
{
AllocationCounter::AllocationCounter() noexcept
    : startAllocations (threadAllocations), startFrees (threadFrees), wasCounting (counting)
{
    counting = true;
}

AllocationCounter::~AllocationCounter() { counting = wasCounting; }

std::size_t AllocationCounter::allocations() const noexcept { return threadAllocations - startAllocations; }
std::size_t AllocationCounter::frees() const noexcept { return threadFrees - startFrees; }

std::size_t allocationCount() noexcept { return totalAllocations.load (std::memory_order_relaxed); }
} // namespace testing_support
