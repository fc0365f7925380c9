// Cost of the service calls that sit on hot or frequent paths: the audio thread's played-samples
// count and one locked settings read-modify-write.

#include "kit/SettingsStore.h"
#include "kit/TelemetryClient.h"
#include "support/BenchmarkAllocations.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace
{
/** Points HOME at a fresh temporary folder for one benchmark. */
struct TemporaryHome
{
    TemporaryHome()
    {
        if (auto* old = std::getenv ("HOME"))
            previous = old;

        folder.createDirectory();
        setenv ("HOME", folder.getFullPathName().toRawUTF8(), 1);
        unsetenv ("XDG_CONFIG_HOME");
    }

    ~TemporaryHome()
    {
        setenv ("HOME", previous.toRawUTF8(), 1);
        folder.deleteRecursively();
    }

    juce::File folder { juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("varnet-bench", {}, false) };
    juce::String previous;
};

void addPlayedSamples (benchmark::State& state)
{
    tolmek::TelemetryClient client ({});
    client.prepareToPlay (1.0e12); // a threshold never reached: every call counts
    const auto before = bench::allocationCount();

    for (auto _ : state)
    {
        client.addPlayedSamples (512, true);
        benchmark::ClobberMemory();
    }

    state.counters["allocs/iter"] = benchmark::Counter ((double) (bench::allocationCount() - before),
                                                        benchmark::Counter::kAvgIterations);
}
BENCHMARK (addPlayedSamples);

void settingsSetValue (benchmark::State& state)
{
    TemporaryHome home;
    const tolmek::SettingsStore store ("TOLMEK/VarneT");
    int i = 0;

    for (auto _ : state)
        benchmark::DoNotOptimize (store.setValue ("ui", "scale", ++i));

    juce::File ("/var/tmp").getChildFile (store.getLockName()).deleteFile();
}
BENCHMARK (settingsSetValue)->Unit (benchmark::kMicrosecond);
} // namespace
