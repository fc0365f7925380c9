// Time and heap allocations per call of the chord parser, the pitch-context builders and
// note-target resolution.

#include "support/AllocationCounter.h"

#include "model/PitchContext.h"
#include "model/Scales.h"

#include <benchmark/benchmark.h>

using namespace VarneT;

namespace
{
template <typename Body>
void measure (benchmark::State& state, Body&& body)
{
    prepareMusicTables();
    body(); // warm-up outside the count

    const auto before = testing_support::allocationCount();
    for (auto _ : state)
        body();
    const auto allocations = testing_support::allocationCount() - before;

    state.counters["allocs/call"] = benchmark::Counter (static_cast<double> (allocations) / static_cast<double> (state.iterations()));
}

const juce::String symbols[] = { "Cmaj7", "  Am7 / G : 2 ", "F#m13(#11)/C#:64", "Bbmaj9#5", "C6/9", "CM7" };
const int heldTriad[] = { 52, 55, 60 };
const int heldSixteen[] = { 36, 40, 43, 47, 50, 53, 57, 60, 62, 64, 65, 67, 69, 71, 72, 76 };

Project projectWith (PitchSource source)
{
    Project project;
    project.pitchSource = source;
    project.scale = { 2, "Dorian" };
    return project;
}

void parseChordSymbolToParsedChord (benchmark::State& state)
{
    size_t i = 0;
    ParsedChord chord;
    measure (state, [&]
    {
        benchmark::DoNotOptimize (parseChordSymbol (symbols[i++ % std::size (symbols)], chord));
        benchmark::DoNotOptimize (chord);
    });
}

void parseChordSymbolToView (benchmark::State& state)
{
    size_t i = 0;
    ChordSymbolView chord;
    measure (state, [&]
    {
        benchmark::DoNotOptimize (parseChordSymbol (utf8View (symbols[i++ % std::size (symbols)]), chord));
        benchmark::DoNotOptimize (chord);
    });
}

void contextFromScale (benchmark::State& state)
{
    const ProjectScale scale { 4, "Harmonic Minor" };
    measure (state, [&] { benchmark::DoNotOptimize (pitchContextFromScale (scale)); });
}

void contextFromChord (benchmark::State& state)
{
    ChordSymbolView chord;
    parseChordSymbol ("Cmaj7/E", chord);
    const ProjectScale scale;
    measure (state, [&] { benchmark::DoNotOptimize (pitchContextFromChord (chord, scale)); });
}

void contextFromHeldNotes (benchmark::State& state)
{
    const auto* notes = state.range (0) == 3 ? heldTriad : heldSixteen;
    const auto count = static_cast<int> (state.range (0));
    const ProjectScale scale;
    measure (state, [&] { benchmark::DoNotOptimize (pitchContextFromHeldNotes (notes, count, scale)); });
}

void contextForProject (benchmark::State& state)
{
    // 0: scale source, 1: held notes, 2: preview chord under audition.
    const auto branch = state.range (0);
    const auto project = projectWith (branch == 0 ? PitchSource::scale : PitchSource::chordInput);
    const auto heldCount = branch == 1 ? 3 : 0;
    measure (state, [&] { benchmark::DoNotOptimize (pitchContextForProject (project, heldTriad, heldCount, true)); });
}

void resolveOneTarget (benchmark::State& state)
{
    const auto context = pitchContextFromHeldNotes (heldTriad, 3, {});
    int index = -5;
    measure (state, [&]
    {
        const NoteTarget target { static_cast<TargetBasis> (index & 3), index, 60, 0 };
        benchmark::DoNotOptimize (resolveTargetPitch (target, 1, context));
        index = index > 20 ? -5 : index + 1;
    });
}

void heldContextAnd32Resolutions (benchmark::State& state)
{
    const ProjectScale scale;
    NoteTarget targets[32];
    for (int i = 0; i < 32; ++i)
        targets[i] = { static_cast<TargetBasis> (i % 3), i - 8, 60, i % 2 };

    measure (state, [&]
    {
        const auto context = pitchContextFromHeldNotes (heldTriad, 3, scale);
        int sum = 0;
        for (const auto& target : targets)
            sum += resolveTargetPitch (target, 0, context);
        benchmark::DoNotOptimize (sum);
    });
}
} // namespace

BENCHMARK (parseChordSymbolToParsedChord);
BENCHMARK (parseChordSymbolToView);
BENCHMARK (contextFromScale);
BENCHMARK (contextFromChord);
BENCHMARK (contextFromHeldNotes)->Arg (3)->Arg (16);
BENCHMARK (contextForProject)->ArgName ("scale_held_preview")->Arg (0)->Arg (1)->Arg (2);
BENCHMARK (resolveOneTarget);
BENCHMARK (heldContextAnd32Resolutions);
