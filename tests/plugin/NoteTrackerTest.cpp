#include "plugin/NoteTracker.h"

#include "model/PitchContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace VarneT;

namespace
{
struct Message
{
    int sample;
    int status;
    int data1;
    int data2;

    bool operator== (const Message&) const = default;
};

std::ostream& operator<< (std::ostream& os, const Message& m)
{
    return os << "{" << m.sample << ", 0x" << std::hex << m.status << std::dec << ", " << m.data1 << ", " << m.data2 << "}";
}

std::vector<Message> messagesOf (const juce::MidiBuffer& buffer)
{
    std::vector<Message> result;
    for (const auto metadata : buffer)
    {
        const auto* data = metadata.data;
        result.push_back ({ metadata.samplePosition, data[0], metadata.numBytes > 1 ? data[1] : -1, metadata.numBytes > 2 ? data[2] : -1 });
    }
    return result;
}

Message noteOnAt (int sample, int note, int velocity = 100, int channel = 1) { return { sample, 0x90 | (channel - 1), note, velocity }; }
Message noteOffAt (int sample, int note, int channel = 1) { return { sample, 0x80 | (channel - 1), note, 0 }; }
Message pedalAt (int sample, int value, int channel = 1) { return { sample, 0xb0 | (channel - 1), 64, value }; }

CompiledNote fixedNote (double start, double duration, int pitch, double probability = 1.0, std::uint32_t hash = 1)
{
    CompiledNote note;
    note.startBeat = start;
    note.durationBeats = duration;
    note.target = { TargetBasis::fixed, 0, pitch, 0 };
    note.velocity = 100;
    note.probability = probability;
    note.hash = hash;
    return note;
}

CompiledSection sectionOf (double length, std::vector<CompiledNote> notes, std::vector<CompiledPedalEvent> pedals = {}, int channel = 1)
{
    CompiledSection section;
    section.midiChannel = channel;
    section.lengthBeats = length;
    section.notes = std::move (notes);
    section.pedalEvents = std::move (pedals);
    return section;
}

const PitchContext emptyContext {};
} // namespace

TEST (NoteTrackerTiming, BeatToSampleOffset)
{
    struct Case { double beat, spanStart, spanEnd; int sampleCount; int expected; };
    const Case cases[] = {
        { 0.0, 0.0, 1.0, 100, 0 },
        { 0.5, 0.0, 1.0, 100, 50 },
        { 0.999, 0.0, 1.0, 100, 99 },
        { 1.0, 0.0, 1.0, 100, 99 },   // limited to the last sample
        { 7.0, 0.0, 1.0, 100, 99 },
        { -0.5, 0.0, 1.0, 100, 0 },
        { 2.25, 2.0, 3.0, 8, 2 },
        { 0.5, 1.0, 1.0, 100, 0 },    // empty span
        { 0.5, 2.0, 1.0, 100, 0 },
        { 0.5, 0.0, 1.0, 1, 0 },      // one sample
        { 0.5, 0.0, 1.0, 0, 0 },
        { std::nextafter (0.5, 0.0), 0.0, 1.0, 100, 50 }, // a hair below a whole sample is on it
        { 0.5 - 1.0e-8, 0.0, 1.0, 100, 49 },              // a millionth of a sample below is not
        { std::nextafter (1.0, 0.0), 0.0, 1.0, 100, 99 },
        { 0.0, 1.0e-12, 1.0, 100, 0 },
    };

    for (const auto& c : cases)
        EXPECT_EQ (beatToSampleOffset (c.beat, c.spanStart, c.spanEnd, c.sampleCount), c.expected)
            << c.beat << " in [" << c.spanStart << ", " << c.spanEnd << ") of " << c.sampleCount;
}

TEST (NoteTrackerTiming, ChanceDraw)
{
    struct Case { std::uint32_t hash; double probability; std::int64_t cycle; bool sounds; };
    const Case cases[] = {
        { 0, 0.0, 0, true },                   // a scrambled draw of 0 sounds even at probability 0
        { 1, 0.0, 0, false },
        { 1, 0.0, 1, true },                   // the cycle is mixed in: 1 ^ 1 = 0
        { 1, 0.0, std::int64_t { 1 } << 32, true }, // high and low halves of the cycle
        { 0, 0.0, -1, true },                  // -1: both halves all ones cancel out
        { 0x811c9dc5u, 0.2739, 0, false },     // draws 1176675959 / 4294967295 = 0.27397
        { 0x811c9dc5u, 0.2740, 0, true },
        { 0xffffffffu, 1.0, 12345, true },
        { 0xdeadbeefu, 1.0, -7, true },
    };

    for (const auto& c : cases)
        EXPECT_EQ (noteSoundsInCycle (c.hash, c.probability, c.cycle), c.sounds) << c.hash << " " << c.probability << " " << c.cycle;
}

TEST (NoteTrackerSlots, MergeRetriggerAndSteal)
{
    juce::MidiBuffer buffer;
    NoteTracker tracker;

    // Two voices on one pitch 0.005 beat apart: one note-on, lasting to the later end.
    tracker.noteOn (60, 90, 1, 0.0, 1.0, 0, buffer);
    tracker.noteOn (60, 80, 1, 0.005, 2.0, 3, buffer);
    EXPECT_EQ (messagesOf (buffer), (std::vector<Message> { noteOnAt (0, 60, 90) }));
    EXPECT_EQ (tracker.getActiveCount(), 1);
    EXPECT_EQ (tracker.getSlots()[0].endBeat, 2.0);

    // The same pitch on another channel is another note.
    tracker.noteOn (60, 70, 2, 0.0, 1.0, 4, buffer);
    EXPECT_EQ (tracker.getActiveCount(), 2);

    // Started again 0.5 beat later: note-off, then note-on, same sample.
    buffer.clear();
    tracker.noteOn (60, 50, 1, 0.5, 3.0, 7, buffer);
    EXPECT_EQ (messagesOf (buffer), (std::vector<Message> { noteOffAt (7, 60), noteOnAt (7, 60, 50) }));
    EXPECT_EQ (tracker.getActiveCount(), 2);

    // Fill all 32 slots; slot order ends ties, the smallest end goes first.
    tracker.reset();
    for (int i = 0; i < NoteTracker::slotCount; ++i)
        tracker.noteOn (30 + i, 100, 1, 0.0, i == 5 || i == 9 ? 0.5 : 4.0 + i, 0, buffer);
    buffer.clear();
    tracker.noteOn (100, 100, 1, 0.1, 1.0, 11, buffer);
    EXPECT_EQ (messagesOf (buffer), (std::vector<Message> { noteOffAt (11, 35), noteOnAt (11, 100) }));
    EXPECT_EQ (tracker.getSlots()[5].note, 100);
    EXPECT_EQ (tracker.getActiveCount(), 32);
}

TEST (NoteTrackerSlots, ReleaseAllAndReset)
{
    juce::MidiBuffer buffer;
    NoteTracker tracker;

    tracker.releaseAll (buffer, 4, 9);
    EXPECT_EQ (messagesOf (buffer), (std::vector<Message> { pedalAt (9, 0, 4) })) << "pedal up even when nothing sounds";

    buffer.clear();
    tracker.noteOn (60, 100, 2, 0.0, 1.0, 0, buffer);
    tracker.noteOn (64, 100, 2, 0.0, 1.0, 0, buffer);
    tracker.pedalDown = true;
    tracker.pedalChannel = 7;
    buffer.clear();
    tracker.releaseAll (buffer, 4, 5);
    EXPECT_EQ (messagesOf (buffer), (std::vector<Message> { noteOffAt (5, 60, 2), noteOffAt (5, 64, 2), pedalAt (5, 0, 7) }));
    EXPECT_EQ (tracker.getActiveCount(), 0);
    EXPECT_FALSE (tracker.pedalDown);

    tracker.noteOn (60, 100, 2, 0.0, 1.0, 0, buffer);
    tracker.pedalDown = true;
    buffer.clear();
    tracker.reset();
    EXPECT_TRUE (buffer.isEmpty());
    EXPECT_EQ (tracker.getActiveCount(), 0);
    EXPECT_EQ (tracker.getSlots()[0].note, -1);
    EXPECT_EQ (tracker.pedalChannel, 1);
    EXPECT_FALSE (tracker.pedalDown);
}

TEST (NoteTrackerSlots, MessagesLimitChannelAndData)
{
    juce::MidiBuffer buffer;
    NoteTracker tracker;
    tracker.noteOn (200, 300, 20, 0.0, 1.0, 0, buffer);
    tracker.releaseAll (buffer, 0, 1);
    EXPECT_EQ (messagesOf (buffer), (std::vector<Message> { { 0, 0x9f, 200 & 0x7f, 127 }, { 1, 0x8f, 200 & 0x7f, 0 }, pedalAt (1, 0, 1) }));
}

TEST (NoteTrackerRender, TimingOfNotesInASpan)
{
    struct Case
    {
        const char* what;
        CompiledSection section;
        double spanStart, spanEnd;
        int sampleCount, baseOffset;
        std::vector<Message> expected;
    };

    const Case cases[] = {
        { "note ending where the next starts is switched off first",
          sectionOf (4.0, { fixedNote (0.0, 1.0, 60), fixedNote (1.0, 1.0, 60), fixedNote (1.0, 0.5, 62) }), 0.0, 2.0, 200, 0,
          { noteOnAt (0, 60), noteOffAt (100, 60), noteOnAt (100, 60), noteOnAt (100, 62), noteOffAt (150, 62) } }, // ends at the span end: still sounding
        { "a one-sample span puts everything at the base offset",
          sectionOf (4.0, { fixedNote (0.0, 0.1, 60), fixedNote (0.5, 0.1, 62) }), 0.0, 1.0, 1, 17,
          { noteOnAt (17, 60), noteOffAt (17, 60), noteOnAt (17, 62), noteOffAt (17, 62) } },
        { "a note past the span keeps sounding",
          sectionOf (4.0, { fixedNote (0.5, 2.0, 60) }), 0.0, 1.0, 10, 2, { noteOnAt (7, 60) } },
        { "the start window is half-open, within 1e-9 beat; an end a hair before a whole sample is on it",
          sectionOf (4.0, { fixedNote (0.9999999995, 0.5, 61), fixedNote (1.0, 0.5, 62), fixedNote (1.9999999995, 0.5, 63),
                            fixedNote (2.0, 0.5, 64) }), 1.0, 2.0, 10, 0,
          { noteOnAt (0, 61), noteOnAt (0, 62), noteOffAt (5, 61), noteOffAt (5, 62) } },
        { "chance 0 is silent and chance 1 sounds",
          sectionOf (4.0, { fixedNote (0.0, 0.5, 60, 0.0, 12345), fixedNote (0.0, 0.5, 62, 1.0, 12345) }), 0.0, 1.0, 4, 0,
          { noteOnAt (0, 62), noteOffAt (2, 62) } },
        { "a span across the pass end plays the next cycle",
          sectionOf (2.0, { fixedNote (0.0, 0.5, 60), fixedNote (1.5, 0.25, 62) }), 1.0, 3.0, 8, 0,
          { noteOnAt (2, 62), noteOffAt (3, 62), noteOnAt (4, 60), noteOffAt (6, 60) } },
        { "an empty span does nothing", sectionOf (4.0, { fixedNote (0.0, 0.5, 60) }), 1.0, 1.0, 8, 0, {} },
        { "a Section without length does nothing", sectionOf (0.0, { fixedNote (0.0, 0.5, 60) }), 0.0, 1.0, 8, 0, {} },
        { "no samples, nothing", sectionOf (4.0, { fixedNote (0.0, 0.5, 60) }), 0.0, 1.0, 0, 0, {} },
        { "pedal down and its release on the Section's channel",
          sectionOf (4.0, {}, { { 0.25, 0.5, 127 } }, 3), 0.0, 1.0, 4, 0, { pedalAt (1, 127, 3), pedalAt (3, 0, 3) } },
    };

    for (const auto& c : cases)
    {
        juce::MidiBuffer buffer;
        NoteTracker tracker;
        tracker.renderSection (c.section, c.spanStart, c.spanEnd, c.sampleCount, emptyContext, buffer, c.baseOffset);
        EXPECT_EQ (messagesOf (buffer), c.expected) << c.what;
    }
}

TEST (NoteTrackerRender, NotesWithoutAPitchAreSkipped)
{
    auto chordNote = fixedNote (0.0, 0.5, 0);
    chordNote.target = { TargetBasis::chord, 1, 60, 1 };
    chordNote.octave = 1;
    const auto section = sectionOf (4.0, { chordNote });

    juce::MidiBuffer buffer;
    NoteTracker tracker;
    tracker.renderSection (section, 0.0, 1.0, 4, emptyContext, buffer, 0);
    EXPECT_TRUE (buffer.isEmpty());

    PitchContext context;
    context.chordNotes[0] = 48;
    context.chordNotes[1] = 52;
    context.chordCount = 2;
    tracker.renderSection (section, 0.0, 1.0, 4, context, buffer, 0);
    EXPECT_EQ (messagesOf (buffer), (std::vector<Message> { noteOnAt (0, 52 + 12 + 1), noteOffAt (2, 65) }));
}

TEST (NoteTrackerRender, PedalWhileDownSwitchesChannel)
{
    juce::MidiBuffer buffer;
    NoteTracker tracker;
    tracker.renderSection (sectionOf (4.0, {}, { { 0.0, 10.0, 100 } }, 7), 0.0, 0.5, 10, emptyContext, buffer, 0);
    tracker.renderSection (sectionOf (4.0, {}, { { 1.0, 1.0, 90 } }, 3), 0.5, 1.5, 10, emptyContext, buffer, 10);

    EXPECT_EQ (messagesOf (buffer), (std::vector<Message> { pedalAt (0, 100, 7), pedalAt (15, 0, 7), pedalAt (15, 90, 3) }));
    EXPECT_TRUE (tracker.pedalDown);
    EXPECT_EQ (tracker.pedalChannel, 3);
    EXPECT_EQ (tracker.pedalEndBeat, 2.0);
}
