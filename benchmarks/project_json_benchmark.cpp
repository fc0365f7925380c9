// Writing, reading and validating project documents, next to JUCE's bare parse and write of the
// same text: the difference is our own cost over the parser and formatter.

#include "model/ProjectJson.h"
#include "model/ProjectValidation.h"
#include "support/AllocationCounter.h"

#include "support/ProjectJsonSamples.h"

#include <benchmark/benchmark.h>

namespace
{
using namespace VarneT;

struct Document
{
    Project project;
    juce::String text;
};

const Document& document (int which)
{
    static const Document typical = []
    {
        juce::Random random (7);
        auto project = project_samples::randomProject (random, 2, 4, 48);
        return Document { project, projectToJsonText (project) };
    }();

    static const Document nearLimit = []
    {
        auto project = project_samples::largeProject (maxProjectJsonBytes);
        return Document { project, projectToJsonText (project) };
    }();

    return which == 0 ? typical : nearLimit;
}

template <typename Operation>
void run (benchmark::State& state, Operation&& operation)
{
    const auto& doc = document ((int) state.range (0));
    state.SetLabel (state.range (0) == 0 ? "typical" : "near 4 MB");
    const auto allocationsBefore = testing_support::allocationCount();

    for (auto _ : state)
        operation (doc);

    state.counters["bytes"] = (double) doc.text.getNumBytesAsUTF8();
    state.counters["allocs/iter"] = benchmark::Counter ((double) (testing_support::allocationCount() - allocationsBefore),
                                                        benchmark::Counter::kAvgIterations);
    state.SetBytesProcessed ((int64_t) state.iterations() * (int64_t) doc.text.getNumBytesAsUTF8());
}

void Write (benchmark::State& state)
{
    run (state, [] (const Document& d) { benchmark::DoNotOptimize (projectToJsonText (d.project)); });
}

void Validate (benchmark::State& state)
{
    run (state, [] (const Document& d) { benchmark::DoNotOptimize (validateProject (d.project)); });
}

void ReadAndValidate (benchmark::State& state)
{
    run (state, [] (const Document& d)
    {
        Project project;
        const auto error = projectFromJsonText (d.text, project);
        if (error.isNotEmpty())
            throw std::runtime_error (error.toStdString());
        benchmark::DoNotOptimize (project);
    });
}

void ReadWithoutTextGuard (benchmark::State& state)
{
    run (state, [] (const Document& d)
    {
        Project project;
        benchmark::DoNotOptimize (projectFromVar (juce::JSON::parse (d.text), project));
    });
}

void BareJuceParse (benchmark::State& state)
{
    run (state, [] (const Document& d) { benchmark::DoNotOptimize (juce::JSON::parse (d.text)); });
}

void BareJuceParseAndToString (benchmark::State& state)
{
    run (state, [] (const Document& d)
    { benchmark::DoNotOptimize (juce::JSON::toString (juce::JSON::parse (d.text), false, 15)); });
}
} // namespace

BENCHMARK (Write)->Arg (0)->Arg (1)->Unit (benchmark::kMillisecond);
BENCHMARK (Validate)->Arg (0)->Arg (1)->Unit (benchmark::kMillisecond);
BENCHMARK (ReadAndValidate)->Arg (0)->Arg (1)->Unit (benchmark::kMillisecond);
BENCHMARK (ReadWithoutTextGuard)->Arg (0)->Arg (1)->Unit (benchmark::kMillisecond);
BENCHMARK (BareJuceParse)->Arg (0)->Arg (1)->Unit (benchmark::kMillisecond);
BENCHMARK (BareJuceParseAndToString)->Arg (0)->Arg (1)->Unit (benchmark::kMillisecond);
