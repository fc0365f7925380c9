// Test program entry: JUCE is brought up once, inside a GoogleTest environment (never from static
// initialisers, since test discovery runs every test binary at build time), and the global
// allocator is interposed so that real-time paths can be checked for heap use.

#include "support/AllocationCounter.h"

#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace
{
thread_local bool counting = false;
thread_local std::size_t allocationCount = 0;
thread_local std::size_t freeCount = 0;

void* allocate (std::size_t size)
{
    if (counting)
        ++allocationCount;

    if (auto* p = std::malloc (size == 0 ? 1 : size))
        return p;

    throw std::bad_alloc();
}

void* allocateAligned (std::size_t size, std::align_val_t alignment)
{
    if (counting)
        ++allocationCount;

    const auto a = static_cast<std::size_t> (alignment);
    if (auto* p = std::aligned_alloc (a, (size + a - 1) / a * a))
        return p;

    throw std::bad_alloc();
}

void release (void* p) noexcept
{
    if (p != nullptr && counting)
        ++freeCount;

    std::free (p);
}

class JuceEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { initialiser = std::make_unique<juce::ScopedJuceInitialiser_GUI>(); }
    void TearDown() override { initialiser.reset(); }

private:
    std::unique_ptr<juce::ScopedJuceInitialiser_GUI> initialiser;
};
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
    : startAllocations (allocationCount), startFrees (freeCount), wasCounting (counting)
{
    counting = true;
}

AllocationCounter::~AllocationCounter() { counting = wasCounting; }

std::size_t AllocationCounter::allocations() const noexcept { return allocationCount - startAllocations; }
std::size_t AllocationCounter::frees() const noexcept { return freeCount - startFrees; }
} // namespace testing_support

int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    ::testing::AddGlobalTestEnvironment (new JuceEnvironment());
    return RUN_ALL_TESTS();
}
