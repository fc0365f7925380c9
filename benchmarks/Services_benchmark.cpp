// Cost of the service calls that sit on hot or frequent paths: the audio thread's played-samples
// count and one locked settings read-modify-write.

#include "kit/SettingsStore.h"
#include "kit/TelemetryClient.h"

#include "VarneTIdentity.h"
#include "support/AllocationCounter.h"
#include "support/TemporaryHome.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace
{
using testing_support::TemporaryHome;

void addPlayedSamples (benchmark::State& state)
{
    tolmek::TelemetryClient client ({});
    client.prepareToPlay (1.0e12); // a threshold never reached: every call counts
    const auto before = testing_support::allocationCount();

    for (auto _ : state)
    {
        client.addPlayedSamples (512, true);
        benchmark::ClobberMemory();
    }

    state.counters["allocs/iter"] = benchmark::Counter ((double) (testing_support::allocationCount() - before),
                                                        benchmark::Counter::kAvgIterations);
}
BENCHMARK (addPlayedSamples);

void settingsSetValue (benchmark::State& state)
{
    TemporaryHome home;
    const tolmek::SettingsStore store (VarneT::identity::settingsKey);
    int i = 0;

    for (auto _ : state)
        benchmark::DoNotOptimize (store.setValue ("ui", "scale", ++i));

    juce::File ("/var/tmp").getChildFile (store.getLockName()).deleteFile();
}
BENCHMARK (settingsSetValue)->Unit (benchmark::kMicrosecond);
} // namespace
