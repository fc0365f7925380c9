// Seeded random Sections played through the note table the way playback does, checked for the
// invariants every instrument relies on, and against a plain scan of every event.

#include "plugin/NoteTracker.h"

#include "model/PitchContext.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

using namespace VarneT;

namespace
{
CompiledSection randomSection (std::mt19937& random)
{
    std::uniform_real_distribution<double> unit (0.0, 1.0);
    CompiledSection section;
    section.midiChannel = std::uniform_int_distribution<int> (1, 16) (random);
    section.lengthBeats = 0.25 + unit (random) * 16.0;

    const auto noteCount = std::uniform_int_distribution<int> (0, 400) (random);
    const double probabilities[] = { 0.0, 0.3, 0.7, 1.0, 1.0 };

    for (int i = 0; i < noteCount; ++i)
    {
        CompiledNote note;
        // Coarse grids make equal starts and same-pitch collisions common.
        note.startBeat = unit (random) < 0.5 ? std::floor (unit (random) * section.lengthBeats * 8.0) / 8.0
                                             : unit (random) * section.lengthBeats;
        note.startBeat = std::min (note.startBeat, section.lengthBeats - 0.001);
        note.durationBeats = unit (random) < 0.2 ? 0.001 + unit (random) * 0.01 : 0.01 + unit (random) * 3.0;
        note.target = { unit (random) < 0.5 ? TargetBasis::fixed : TargetBasis::chord,
                        std::uniform_int_distribution<int> (-4, 8) (random),
                        std::uniform_int_distribution<int> (40, 90) (random), 0 };
        note.octave = std::uniform_int_distribution<int> (-1, 1) (random);
        note.velocity = std::uniform_int_distribution<int> (1, 127) (random);
        note.probability = probabilities[std::uniform_int_distribution<int> (0, 4) (random)];
        note.hash = static_cast<std::uint32_t> (random());
        section.notes.push_back (note);
    }

    for (int i = std::uniform_int_distribution<int> (0, 12) (random); i > 0; --i)
        section.pedalEvents.push_back ({ unit (random) * section.lengthBeats, 0.01 + unit (random) * 4.0,
                                         std::uniform_int_distribution<int> (0, 127) (random) });

    const auto byStart = [] (const auto& a, const auto& b) { return a.startBeat < b.startBeat; };
    std::stable_sort (section.notes.begin(), section.notes.end(), byStart);
    std::stable_sort (section.pedalEvents.begin(), section.pedalEvents.end(), byStart);
    return section;
}

PitchContext chordContext()
{
    PitchContext context;
    const int chord[] = { 48, 52, 55, 59 };
    for (auto note : chord)
        context.chordNotes[context.chordCount++] = note;
    return context;
}

/** Checks the stream of a whole pass, block after block. */
class StreamChecker
{
public:
    void checkBlock (const juce::MidiBuffer& buffer, int blockSamples)
    {
        int lastSample = 0;

        for (const auto metadata : buffer)
        {
            ASSERT_GE (metadata.samplePosition, lastSample) << "ordered by sample";
            ASSERT_LT (metadata.samplePosition, blockSamples);
            lastSample = metadata.samplePosition;

            const auto* data = metadata.data;
            const auto kind = data[0] & 0xf0;
            const auto key = (data[0] & 0x0f) * 128 + data[1];

            if (kind == 0x90)
            {
                ASSERT_FALSE (sounding[static_cast<size_t> (key)]) << "note-on of a sounding note: its note-off must come first";
                sounding[static_cast<size_t> (key)] = true;
                ASSERT_LE (++soundingCount, NoteTracker::slotCount);
                mostSounding = std::max (mostSounding, soundingCount);
                noteOns.push_back ({ data[0], data[1], data[2] });
            }
            else if (kind == 0x80)
            {
                ASSERT_TRUE (sounding[static_cast<size_t> (key)]) << "note-off of a silent note";
                sounding[static_cast<size_t> (key)] = false;
                --soundingCount;
            }
            else
            {
                ASSERT_EQ (kind, 0xb0);
                ASSERT_EQ (data[1], 64);
            }
        }
    }

    int soundingCount = 0;
    int mostSounding = 0;
    std::array<bool, 16 * 128> sounding {};
    std::vector<std::array<int, 3>> noteOns;
};

/** The rule as stated: every event of every cycle tested against the span, one after another. */
void renderByScan (NoteTracker& tracker, const CompiledSection& section, double spanStart, double spanEnd, int sampleCount,
                   const PitchContext& context, juce::MidiBuffer& buffer, int baseOffset)
{
    const auto L = section.lengthBeats;
    if (! (spanStart < spanEnd) || ! (L > 0.0) || sampleCount < 1)
        return;

    const auto above = [] (double beat) { return std::nextafter (beat, INFINITY); };
    tracker.releaseDueNotes (spanStart, spanEnd, above (spanStart), sampleCount, buffer, baseOffset);
    tracker.releaseDuePedal (spanStart, spanEnd, above (spanStart), sampleCount, buffer, baseOffset);
    const auto E = spanEnd - 1e-9;

    for (auto k = static_cast<std::int64_t> (std::floor (spanStart / L)); k <= static_cast<std::int64_t> (std::floor (E / L)); ++k)
    {
        for (const auto& n : section.notes)
        {
            const auto t = static_cast<double> (k) * L + n.startBeat;
            if (! (spanStart <= t + 1e-9 && t < E) || ! noteSoundsInCycle (n.hash, n.probability, k))
                continue;
            const auto pitch = resolveTargetPitch (n.target, n.octave, context);
            if (pitch < 0)
                continue;
            tracker.releaseDueNotes (spanStart, spanEnd, above (t), sampleCount, buffer, baseOffset);
            tracker.noteOn (pitch, n.velocity, section.midiChannel, t, t + n.durationBeats,
                            baseOffset + beatToSampleOffset (t, spanStart, spanEnd, sampleCount), buffer);
        }

        for (const auto& e : section.pedalEvents)
        {
            const auto t = static_cast<double> (k) * L + e.startBeat;
            if (! (spanStart <= t + 1e-9 && t < E))
                continue;
            tracker.releaseDuePedal (spanStart, spanEnd, above (t), sampleCount, buffer, baseOffset);
            const auto sample = baseOffset + beatToSampleOffset (t, spanStart, spanEnd, sampleCount);
            if (tracker.pedalDown)
                buffer.addEvent (juce::MidiMessage::controllerEvent (tracker.pedalChannel, 64, 0), sample);
            buffer.addEvent (juce::MidiMessage::controllerEvent (section.midiChannel, 64, e.value & 0x7f), sample);
            tracker.pedalChannel = section.midiChannel;
            tracker.pedalEndBeat = t + e.durationBeats;
            tracker.pedalDown = true;
        }
    }

    tracker.releaseDueNotes (spanStart, spanEnd, spanEnd, sampleCount, buffer, baseOffset);
    tracker.releaseDuePedal (spanStart, spanEnd, spanEnd, sampleCount, buffer, baseOffset);
}

bool sameBytes (const juce::MidiBuffer& a, const juce::MidiBuffer& b)
{
    return a.data.size() == b.data.size() && std::equal (a.data.begin(), a.data.end(), b.data.begin());
}
} // namespace

TEST (NoteTrackerProperties, RandomSectionsPlayedPassAfterPass)
{
    std::mt19937 random (20240611);
    std::uniform_real_distribution<double> unit (0.0, 1.0);
    const auto context = chordContext();
    std::size_t totalNoteOns = 0;
    int mostSounding = 0;

    for (int sectionIndex = 0; sectionIndex < 150; ++sectionIndex)
    {
        const auto section = randomSection (random);
        NoteTracker tracker, reference;
        StreamChecker checker;
        std::vector<std::vector<std::array<int, 3>>> noteOnsOfPass;
        const auto channel = section.midiChannel;

        for (int pass = 0; pass < 3; ++pass)
        {
            // Each pass is cut into blocks and spans differently; the decisions must not change.
            const auto beatsPerSample = 0.0005 + unit (random) * 0.02;
            double beat = 0.0;
            checker.noteOns.clear();

            while (true)
            {
                const auto blockSamples = std::uniform_int_distribution<int> (1, 256) (random);
                juce::MidiBuffer block, referenceBlock;
                int from = 0;
                bool passEnded = false;

                while (from < blockSamples && ! passEnded)
                {
                    const auto to = unit (random) < 0.3 ? blockSamples : std::uniform_int_distribution<int> (from + 1, blockSamples) (random);
                    auto spanEnd = beat + (to - from) * beatsPerSample;
                    passEnded = spanEnd >= section.lengthBeats;
                    spanEnd = std::min (spanEnd, section.lengthBeats);

                    tracker.renderSection (section, beat, spanEnd, to - from, context, block, from);
                    renderByScan (reference, section, beat, spanEnd, to - from, context, referenceBlock, from);
                    ASSERT_TRUE (sameBytes (block, referenceBlock)) << "section " << sectionIndex << " beat " << beat;

                    beat = spanEnd;
                    from = to;
                }

                if (passEnded)
                {
                    // The playback loop releases everything where a pass ends.
                    const auto sample = std::min (from, blockSamples - 1);
                    tracker.releaseAll (block, channel, sample);
                    reference.releaseAll (referenceBlock, channel, sample);
                }

                checker.checkBlock (block, blockSamples);
                if (HasFatalFailure())
                    return;

                if (passEnded)
                    break;
            }

            EXPECT_EQ (checker.soundingCount, 0) << "releaseAll ends every note";
            EXPECT_EQ (tracker.getActiveCount(), 0);
            EXPECT_FALSE (tracker.pedalDown);
            noteOnsOfPass.push_back (checker.noteOns);
        }

        totalNoteOns += noteOnsOfPass[0].size();
        mostSounding = std::max (mostSounding, checker.mostSounding);
        EXPECT_EQ (noteOnsOfPass[0], noteOnsOfPass[1]) << "section " << sectionIndex;
        EXPECT_EQ (noteOnsOfPass[0], noteOnsOfPass[2]) << "section " << sectionIndex;
    }

    EXPECT_GT (totalNoteOns, 10000u);
    EXPECT_EQ (mostSounding, NoteTracker::slotCount) << "the table must have been full, so that stealing was exercised";
}

TEST (NoteTrackerProperties, SearchFindsTheSameEventsAsAScanForAnySpan)
{
    std::mt19937 random (77);
    std::uniform_real_distribution<double> unit (0.0, 1.0);
    const auto context = chordContext();

    for (int sectionIndex = 0; sectionIndex < 60; ++sectionIndex)
    {
        const auto section = randomSection (random);
        NoteTracker tracker, reference;
        const auto L = section.lengthBeats;

        for (int spanIndex = 0; spanIndex < 300; ++spanIndex)
        {
            // Spans anywhere, across pass ends and below zero, some starting on or just after events.
            auto spanStart = (unit (random) * 5.0 - 2.0) * L;
            if (! section.notes.empty() && unit (random) < 0.3)
                spanStart = section.notes[static_cast<size_t> (random() % section.notes.size())].startBeat + std::floor (unit (random) * 3.0 - 1.0) * L
                            + (unit (random) < 0.5 ? 5e-10 : 0.0);
            const auto spanEnd = spanStart + (unit (random) < 0.2 ? 1e-9 : unit (random) * L * 1.5);
            const auto samples = std::uniform_int_distribution<int> (1, 300) (random);

            juce::MidiBuffer block, referenceBlock;
            tracker.renderSection (section, spanStart, spanEnd, samples, context, block, 3);
            renderByScan (reference, section, spanStart, spanEnd, samples, context, referenceBlock, 3);
            ASSERT_TRUE (sameBytes (block, referenceBlock)) << "section " << sectionIndex << " span " << spanStart << " to " << spanEnd;
        }
    }
}

TEST (NoteTrackerProperties, AudioThreadPathsDoNotAllocate)
{
    std::mt19937 random (5);
    auto section = randomSection (random);
    section.lengthBeats = 8.0;
    for (auto& note : section.notes)
        note.startBeat = std::fmod (note.startBeat, 8.0);
    std::stable_sort (section.notes.begin(), section.notes.end(), [] (const auto& a, const auto& b) { return a.startBeat < b.startBeat; });
    std::stable_sort (section.pedalEvents.begin(), section.pedalEvents.end(), [] (const auto& a, const auto& b) { return a.startBeat < b.startBeat; });
    section.pedalEvents.clear();
    section.pedalEvents.push_back ({ 1.0, 2.0, 127 });

    const auto context = chordContext();
    NoteTracker tracker;
    juce::MidiBuffer buffer;
    buffer.ensureSize (1 << 16); // a host hands in a buffer with room, as the VST3 wrapper does

    testing_support::AllocationCounter counter;
    for (int block = 0; block < 400; ++block)
    {
        buffer.clear();
        const auto beat = block * 0.05;
        tracker.renderSection (section, std::fmod (beat, 8.0), std::fmod (beat, 8.0) + 0.02, 64, context, buffer, 0);
        tracker.renderSection (section, std::fmod (beat, 8.0) + 0.02, std::fmod (beat, 8.0) + 0.05, 64, context, buffer, 64);
        tracker.noteOn (60, 100, 1, beat, beat + 0.3, 5, buffer);
        if (block % 50 == 49)
            tracker.releaseAll (buffer, 1, 127);
    }
    tracker.reset();

    EXPECT_EQ (counter.allocations(), 0u);
    EXPECT_EQ (counter.frees(), 0u);
}
