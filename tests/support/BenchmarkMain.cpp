// Benchmark entry: JUCE is initialised once; the testing library's allocator counts, so that each
// benchmark can report allocations per iteration next to its time.

#include <juce_events/juce_events.h>

#include <benchmark/benchmark.h>

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
