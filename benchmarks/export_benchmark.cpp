// Time to turn the largest Section (16 Patterns at the event limit, notes and pedal) into the bytes
// of a Standard MIDI File; the budget is 50 ms.

#include "model/PitchContext.h"
#include "plugin/SectionMidiExport.h"

#include <benchmark/benchmark.h>

namespace
{
VarneT::Section largestSection()
{
    VarneT::Section section;
    section.name = "Largest";

    for (int p = 0; p < 16; ++p)
    {
        VarneT::Pattern pattern;
        pattern.name = "Pattern " + juce::String (p + 1);
        pattern.lengthBeats = 64.0;
        pattern.repeatCount = 1;
        pattern.voices.push_back ({ 0, "Voice" });

        for (int i = 0; i < VarneT::maxPatternEvents - 48; ++i)
        {
            VarneT::NoteEvent note;
            note.id = "n" + juce::String (i);
            note.startBeat = i * 0.031;
            note.durationBeats = 0.25 + (i % 7) * 0.5;
            note.velocity = 1 + i % 127;
            note.target = { VarneT::TargetBasis::chord, i % 9, 60, 0 };
            note.octave = (i % 5) - 2;
            pattern.notes.push_back (note);
        }

        for (int i = 0; i < 48; ++i)
            pattern.pedal.push_back ({ "p" + juce::String (i), i * 1.3, 1.0, 127 });

        section.sequence.push_back (std::move (pattern));
    }

    return section;
}

void BM_LargestSectionToMidiBytes (benchmark::State& state)
{
    const auto section = largestSection();
    VarneT::ParsedChord chord;
    VarneT::parseChordSymbol ("Cmaj7", chord);
    const auto context = VarneT::pitchContextFromChord (chord, {});
    std::size_t bytes = 0;

    for (auto _ : state)
    {
        auto file = VarneT::sectionMidiFileBytes (section, 1, context);
        bytes = file.getSize();
        benchmark::DoNotOptimize (file.getData());
    }

    state.counters["fileBytes"] = static_cast<double> (bytes);
}
} // namespace

BENCHMARK (BM_LargestSectionToMidiBytes)->Unit (benchmark::kMillisecond);
