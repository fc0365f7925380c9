// Benchmark entry: JUCE is initialised once and the global allocator counts, so that each
// benchmark can report allocations per iteration next to its time.

#include "support/BenchmarkAllocations.h"

#include <juce_events/juce_events.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <cstdlib>
#include <new>

namespace
{
std::atomic<std::size_t> allocations { 0 };

void* allocate (std::size_t size)
{
    allocations.fetch_add (1, std::memory_order_relaxed);
    if (auto* p = std::malloc (size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new (std::size_t size) { return allocate (size); }
void* operator new[] (std::size_t size) { return allocate (size); }
void operator delete (void* p) noexcept { std::free (p); }
void operator delete[] (void* p) noexcept { std::free (p); }
void operator delete (void* p, std::size_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::size_t) noexcept { std::free (p); }

namespace bench
{
std::size_t allocationCount() noexcept { return allocations.load (std::memory_order_relaxed); }

void isolateUserFolders()
{
    static const auto folder = []
    {
        auto f = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("varnet-bench-" + juce::Uuid().toString());
        f.getChildFile ("tmp").createDirectory();
        setenv ("HOME", f.getFullPathName().toRawUTF8(), 1);
        setenv ("TMPDIR", f.getChildFile ("tmp").getFullPathName().toRawUTF8(), 1);
        unsetenv ("XDG_CONFIG_HOME");
        return f;
    }();
    juce::ignoreUnused (folder);
}
} // namespace bench

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    benchmark::Initialize (&argc, argv);
    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
