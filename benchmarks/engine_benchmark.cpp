// Compile cost of the largest Sections and the per-block cost of rendering them.

#include "model/PitchContext.h"
#include "model/ProjectValidation.h"
#include "plugin/NoteTracker.h"
#include "plugin/ProjectCompiler.h"
#include "support/AllocationCounter.h"

#include <benchmark/benchmark.h>

#include <cmath>

using namespace VarneT;

namespace
{
constexpr double sampleRate = 48000.0;
constexpr double tempo = 120.0;

/** One Pattern of 2048 notes spread over its length, played 4 × 4 times: 32768 events. */
Section fullSection (double patternLengthBeats)
{
    Pattern pattern;
    pattern.name = "Dense";
    pattern.category = "Bench";
    pattern.lengthBeats = patternLengthBeats;
    pattern.quantization = Quantization::free;
    pattern.voices.push_back ({ 0, "Voice" });
    pattern.modifiers.humanize = 0.3;
    pattern.modifiers.swing = 0.2;
    pattern.repeatCount = 4;

    for (int i = 0; i < maxPatternEvents; ++i)
    {
        NoteEvent note;
        note.id = "note-" + juce::String (i);
        note.startBeat = patternLengthBeats * i / maxPatternEvents;
        note.durationBeats = patternLengthBeats / 16.0;
        note.target = { TargetBasis::chord, i % 9 - 2, 60, 0 };
        note.chance = 0.9;
        pattern.notes.push_back (note);
    }

    Section section;
    section.name = "Full";
    section.sequence.push_back (pattern);
    section.repeatCount = 4;
    return section;
}

Project projectOf (int sectionCount, double patternLengthBeats)
{
    Project project;
    project.identityName = "Bench";
    project.sections.assign (static_cast<size_t> (sectionCount), fullSection (patternLengthBeats));
    return project;
}

std::size_t compiledBytes (const CompiledProject& compiled)
{
    std::size_t bytes = sizeof (CompiledProject) + compiled.sections.capacity() * sizeof (CompiledSection);
    for (const auto& section : compiled.sections)
        bytes += section.notes.capacity() * sizeof (CompiledNote) + section.pedalEvents.capacity() * sizeof (CompiledPedalEvent);
    return bytes;
}

void reportAllocations (benchmark::State& state, std::size_t before)
{
    state.counters["allocs/iter"] = benchmark::Counter (static_cast<double> (testing_support::allocationCount() - before),
                                                        benchmark::Counter::kAvgIterations);
}

/** Compiles the project once per iteration and reports allocations and the compiled size. */
void compileRepeatedly (benchmark::State& state, const Project& project)
{
    std::size_t bytes = 0;
    const auto before = testing_support::allocationCount();

    for (auto _ : state)
    {
        std::shared_ptr<const CompiledProject> compiled;
        const auto error = compileProject (project, compiled);
        if (error.isNotEmpty() || compiled == nullptr)
        {
            state.SkipWithError (error.toRawUTF8());
            return;
        }
        bytes = compiledBytes (*compiled);
        benchmark::DoNotOptimize (compiled);
    }

    reportAllocations (state, before);
    state.counters["compiledMB"] = static_cast<double> (bytes) / (1024.0 * 1024.0);
}

// The whole compile, validation included, of a project whose one Section holds exactly 32768 events.
void BM_CompileSectionOf32768Events (benchmark::State& state)
{
    const auto project = projectOf (1, 4.0);
    compileRepeatedly (state, project);
}
BENCHMARK (BM_CompileSectionOf32768Events)->Unit (benchmark::kMillisecond);

/** 64 Sections, each one Pattern of the given notes played 8 × 8 times. */
Project sixtyFourSections (int notesPerSection)
{
    auto section = fullSection (4.0);
    auto& pattern = section.sequence[0];
    pattern.notes.resize (static_cast<size_t> (notesPerSection));
    pattern.repeatCount = 8;
    section.repeatCount = 8;

    Project project;
    project.identityName = "Bench";
    project.sections.assign (64, section);
    return project;
}

// The largest project the document limit allows: 64 Sections, each with as many notes (times
// 64 repeats) as fit into the 4 MB of JSON text.
void BM_CompileLargestLegalProject (benchmark::State& state)
{
    int low = 1, high = 512;
    while (low < high)
    {
        const auto middle = (low + high + 1) / 2;
        if (validateProject (sixtyFourSections (middle)).isEmpty())
            low = middle;
        else
            high = middle - 1;
    }

    const auto project = sixtyFourSections (low);
    compileRepeatedly (state, project);
    state.counters["events/section"] = 64.0 * low;
}
BENCHMARK (BM_CompileLargestLegalProject)->Unit (benchmark::kMillisecond);

// 64 Sections of 32768 events each: expansion and sorting only. Such a project is far beyond
// the 4 MB document limit, so this bounds the compile work from above.
void BM_CompileSixtyFourFullSections (benchmark::State& state)
{
    const auto project = projectOf (64, 4.0);
    std::size_t bytes = 0;
    const auto before = testing_support::allocationCount();

    for (auto _ : state)
    {
        CompiledProject compiled;
        compiled.sections.resize (project.sections.size());
        for (size_t i = 0; i < project.sections.size(); ++i)
            if (compileSection (project, project.sections[i], compiled.sections[i]).isNotEmpty())
                state.SkipWithError ("section refused");
        bytes = compiledBytes (compiled);
        benchmark::DoNotOptimize (compiled);
    }

    reportAllocations (state, before);
    state.counters["compiledMB"] = static_cast<double> (bytes) / (1024.0 * 1024.0);
}
BENCHMARK (BM_CompileSixtyFourFullSections)->Unit (benchmark::kMillisecond);

/** Renders block after block of a 32768-event Section at 120 BPM and 48 kHz, each block cut
    into equal spans; args: spans per block, block samples, Pattern length in milli-beats. */
void BM_RenderBlock (benchmark::State& state)
{
    const auto spans = static_cast<int> (state.range (0));
    const auto blockSamples = static_cast<int> (state.range (1));
    const auto patternLength = static_cast<double> (state.range (2)) / 1000.0;

    std::shared_ptr<const CompiledProject> compiled;
    if (compileProject (projectOf (1, patternLength), compiled).isNotEmpty())
    {
        state.SkipWithError ("compile failed");
        return;
    }

    const auto& section = compiled->sections[0];
    const int held[] = { 48, 52, 55, 59 };
    const auto context = pitchContextFromHeldNotes (held, 4, ProjectScale {});
    const auto beatsPerSample = tempo / (sampleRate * 60.0);

    NoteTracker tracker;
    juce::MidiBuffer buffer;
    buffer.ensureSize (1 << 20);

    double beat = 0.0;
    std::size_t events = 0;
    const auto before = testing_support::allocationCount();

    for (auto _ : state)
    {
        buffer.clear();
        bool passEnded = false;

        for (int s = 0; s < spans && ! passEnded; ++s)
        {
            const auto from = s * blockSamples / spans;
            const auto to = (s + 1) * blockSamples / spans;
            const auto spanStart = beat + from * beatsPerSample;
            auto spanEnd = beat + to * beatsPerSample;
            passEnded = spanEnd >= section.lengthBeats;
            spanEnd = std::min (spanEnd, section.lengthBeats);
            tracker.renderSection (section, spanStart, spanEnd, to - from, context, buffer, from);
        }

        beat += blockSamples * beatsPerSample;
        if (passEnded)
        {
            tracker.releaseAll (buffer, section.midiChannel, blockSamples - 1);
            beat = 0.0;
        }

        events += static_cast<std::size_t> (buffer.getNumEvents());
        benchmark::DoNotOptimize (buffer.data.getRawDataPointer());
    }

    reportAllocations (state, before);
    state.counters["events/block"] = benchmark::Counter (static_cast<double> (events), benchmark::Counter::kAvgIterations);
    state.SetLabel ((juce::String (spans) + " spans, " + juce::String (blockSamples) + " samples, Section of "
                     + juce::String (section.lengthBeats) + " beats").toStdString());
}
BENCHMARK (BM_RenderBlock)
    ->Args ({ 1, 64, 4000 })
    ->Args ({ 64, 64, 4000 })
    ->Args ({ 513, 1024, 4000 })
    ->Args ({ 1, 1024, 4000 })
    ->Args ({ 1, 64, 10 })
    ->Args ({ 64, 64, 10 })
    ->Args ({ 513, 1024, 10 })
    ->Unit (benchmark::kMicrosecond);

} // namespace
