// processBlock of the processor under the heaviest legal loads, timed per block and reported as
// a share of the block's real-time budget, with the heap allocations per block.

#include "model/DefaultProject.h"
#include "plugin/PluginProcessor.h"
#include "support/AllocationCounter.h"
#include "support/TemporaryHome.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

using namespace VarneT;

namespace
{
constexpr double tempo = 400.0; // the fastest the plug-in plays

/** One Section of 2048 notes in a short Pattern, played 4 × 4 times: 32768 events, starts packed
    as densely as the timeline allows. */
Project denseProject (PitchSource source)
{
    auto project = makeDefaultProject();
    project.identityName = "Dense";
    project.pitchSource = source;

    auto& pattern = project.sections[0].sequence[0];
    const auto first = pattern.notes[0];
    pattern.lengthBeats = 1.0;
    pattern.quantization = Quantization::free;
    pattern.repeatCount = 4;
    pattern.notes.clear();
    pattern.pedal.clear();

    for (int i = 0; i < maxPatternEvents; ++i)
    {
        auto note = first;
        note.id = "n" + juce::String (i);
        note.startBeat = pattern.lengthBeats * i / maxPatternEvents;
        note.durationBeats = pattern.lengthBeats / 8.0;
        note.target = { TargetBasis::chord, i % 9 - 2, 60, 0 };
        pattern.notes.push_back (note);
    }

    project.sections[0].repeatCount = 4;
    return project;
}

/** 64 Sections of the shortest length that plays as its own, Auto-Advance selected. */
Project shortestSections()
{
    auto project = makeDefaultProject();
    project.identityName = "Shortest";
    project.sectionPlaybackMode = SectionPlaybackMode::advanceSections;

    auto section = project.sections[0];
    auto& pattern = section.sequence[0];
    pattern.lengthBeats = 0.0001;
    pattern.notes.resize (1);
    pattern.notes[0].startBeat = 0.0;
    pattern.notes[0].durationBeats = 0.00005;
    pattern.pedal.clear();

    project.sections.clear();
    for (int i = 0; i < 64; ++i)
    {
        section.name = "S" + juce::String (i + 1);
        project.sections.push_back (section);
    }
    return project;
}

struct PlayingHead final : juce::AudioPlayHead
{
    double position = 0.0;
    bool hasPosition = true;

    juce::Optional<PositionInfo> getPosition() const override
    {
        PositionInfo info;
        info.setBpm (tempo);
        info.setIsPlaying (true);
        if (hasPosition)
            info.setPpqPosition (position);
        return info;
    }
};

enum class Load
{
    denseSection,       // the 32768-event Section from the scale
    inputEvents,        // 512 input events per block against the default Pattern
    denseWithInput,     // both: the 32768-event Section from the held chord, 512 input events
    shortestSections,   // 64 Sections of the minimum length in Auto-Advance, host positions
    shortestByEnds,     // the same without host positions: the Sections follow their ends
};

Project projectFor (Load load)
{
    switch (load)
    {
        case Load::denseSection:     return denseProject (PitchSource::scale);
        case Load::denseWithInput:   return denseProject (PitchSource::chordInput);
        case Load::shortestSections:
        case Load::shortestByEnds:   return shortestSections();
        case Load::inputEvents:
        default:
        {
            auto project = makeDefaultProject();
            project.pitchSource = PitchSource::chordInput;
            return project;
        }
    }
}

/** 512 note-ons and note-offs spread over the block, each held note let go soon after. */
juce::MidiBuffer inputFor (int blockSize)
{
    juce::MidiBuffer input;
    input.ensureSize (1 << 16);
    for (int k = 0; k < 512; ++k)
    {
        const auto note = 48 + (k / 2) % 24;
        const auto sample = k * blockSize / 512;
        input.addEvent (k % 2 == 0 ? juce::MidiMessage::noteOn (1, note, (juce::uint8) 100) : juce::MidiMessage::noteOff (1, note),
                        sample);
    }
    return input;
}

// args: sample rate, block size
void BM_ProcessBlock (benchmark::State& state, Load load)
{
    testing_support::isolateUserFolders();
    const auto sampleRate = (double) state.range (0);
    const auto blockSize = (int) state.range (1);

    VarneTAudioProcessor processor;
    if (const auto error = processor.applyProjectEdit (projectFor (load), false); error.isNotEmpty())
    {
        state.SkipWithError (error.toRawUTF8());
        return;
    }

    PlayingHead head;
    head.hasPosition = load != Load::shortestByEnds;
    processor.setPlayHead (&head);
    processor.prepareToPlay (sampleRate, blockSize);

    juce::AudioBuffer<float> audio (2, blockSize);
    juce::MidiBuffer midi;
    midi.ensureSize (1 << 22);
    const auto withInput = load == Load::inputEvents || load == Load::denseWithInput;
    const auto input = withInput ? inputFor (blockSize) : juce::MidiBuffer();
    const auto beatsPerBlock = blockSize * tempo / (sampleRate * 60.0);

    juce::int64 block = 0;
    auto runBlock = [&]
    {
        midi.clear();
        if (withInput)
            midi.addEvents (input, 0, -1, 0);
        head.position = (double) block++ * beatsPerBlock;

        const auto start = std::chrono::steady_clock::now();
        processor.processBlock (audio, midi);
        return std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count();
    };

    for (int i = 0; i < 64; ++i)
        runBlock(); // one-time tables and the first resynchronisation

    double seconds = 0.0, worst = 0.0;
    std::size_t allocations = 0, events = 0;

    for (auto _ : state)
    {
        const auto before = testing_support::allocationCount();
        const auto elapsed = runBlock();
        allocations += testing_support::allocationCount() - before;
        events += (size_t) midi.getNumEvents();
        seconds += elapsed;
        worst = std::max (worst, elapsed);
        state.SetIterationTime (elapsed);
    }

    processor.setPlayHead (nullptr);

    const auto budget = blockSize / sampleRate;
    const auto iterations = (double) state.iterations();
    state.counters["budget%"] = 100.0 * seconds / iterations / budget;
    state.counters["worst%"] = 100.0 * worst / budget;
    state.counters["allocs/block"] = (double) allocations / iterations;
    state.counters["events/block"] = (double) events / iterations;
}

void blockGrid (benchmark::internal::Benchmark* b)
{
    b->ArgNames ({ "rate", "block" });
    for (const auto rate : { 44100, 48000, 96000 })
        for (const auto block : { 32, 64, 128, 256, 512, 1024, 2048, 4096 })
            b->Args ({ rate, block });
    b->UseManualTime()->Unit (benchmark::kMicrosecond)->MinTime (0.1);
}
} // namespace

BENCHMARK_CAPTURE (BM_ProcessBlock, denseSection, Load::denseSection)->Apply (blockGrid);
BENCHMARK_CAPTURE (BM_ProcessBlock, inputEvents, Load::inputEvents)->Apply (blockGrid);
BENCHMARK_CAPTURE (BM_ProcessBlock, denseWithInput, Load::denseWithInput)->Apply (blockGrid);
BENCHMARK_CAPTURE (BM_ProcessBlock, shortestSections, Load::shortestSections)->Apply (blockGrid);
BENCHMARK_CAPTURE (BM_ProcessBlock, shortestByEnds, Load::shortestByEnds)->Apply (blockGrid);
