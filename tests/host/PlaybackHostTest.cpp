// Playback of the built bundle under a scripted host transport, through the VST3 host.

#include "support/PlaybackCases.h"
#include "support/PlaybackHostSupport.h"

#include <cmath>
#include <limits>

using namespace host_test;

namespace
{
/** Sets the host transport at one block start. */
struct TransportChange
{
    juce::int64 atSample;
    std::function<void (probe::Transport&)> change;
};

probe::BlockHook changesAt (std::vector<TransportChange> changes)
{
    return [changes] (juce::int64 blockStart, probe::Transport& transport)
    {
        for (const auto& c : changes)
            if (c.atSample == blockStart)
                c.change (transport);
    };
}

/** A document whose notes all take chord tones 0, 1 and 2 in turn (no octave shift), from the held chord. */
juce::var chordInputDocument (const juce::var& defaultDocument)
{
    auto document = copyOf (defaultDocument);
    setProperty (document, "pitchSource", "chordInput");
    int i = 0;
    forEachNote (arrayOf (document["sections"])[0], [&i] (const juce::var& note)
    {
        setProperty (note["target"], "basis", "chord");
        setProperty (note["target"], "index", i++ % 3);
        setProperty (note, "octave", 0);
    });
    return document;
}
} // namespace

TEST_F (BundleTest, DefaultProjectPlaysItsGoldenStreamAtEveryBlockSize)
{
    testing_support::expectDefaultProjectGoldenStream (testing_support::bundleDriver (bundle()));
}

TEST_F (BundleTest, TransportScenarios)
{
    const auto setPosition = [] (double beat) { return [beat] (probe::Transport& t) { t.ppqPosition = beat; }; };
    const auto setTempo = [] (double bpm) { return [bpm] (probe::Transport& t) { t.bpm = bpm; }; };
    const auto setPlaying = [] (bool playing) { return [playing] (probe::Transport& t) { t.playing = playing; }; };

    const struct Scenario
    {
        const char* name;
        double startBeat;
        double bpm;
        bool hasBpm;
        bool hasPosition;
        std::vector<TransportChange> changes;
        juce::int64 samples;
        std::vector<Row> expected; // the whole output
    } scenarios[] = {
        { "start mid-Section anchors the Section at the first block", 10.3, 120.0, true, true, {}, 30000,
          { { 0, 'c', 64, 0 }, { 0, 'n', 36, 100 }, { 8400, 'f', 36, 0 }, { 12000, 'n', 50, 84 }, { 20400, 'f', 50, 0 },
            { 24000, 'n', 52, 90 } } },
        { "host loops back: release and re-anchor at the jump", 15.5, 120.0, true, true, { { 6000, setPosition (0.0) } }, 20000,
          { { 0, 'c', 64, 0 }, { 0, 'n', 36, 100 }, { 6000, 'f', 36, 0 }, { 6000, 'c', 64, 0 }, { 6000, 'n', 36, 100 },
            { 14400, 'f', 36, 0 }, { 18000, 'n', 50, 84 } } },
        { "tempo doubles at beat 1: notes and note-offs follow in beats", 0.0, 120.0, true, true, { { 24000, setTempo (240.0) } }, 37000,
          { { 0, 'c', 64, 0 }, { 0, 'n', 36, 100 }, { 8400, 'f', 36, 0 }, { 12000, 'n', 50, 84 }, { 20400, 'f', 50, 0 },
            { 24000, 'n', 52, 90 }, { 28200, 'f', 52, 0 }, { 30000, 'n', 53, 80 }, { 34200, 'f', 53, 0 }, { 36000, 'n', 36, 96 } } },
        // Without host positions the plug-in's own clock shows the tempo it plays.
        { "tempo 1000 plays as 400", 0.0, 1000.0, true, false, {}, 4000,
          { { 0, 'c', 64, 0 }, { 0, 'n', 36, 100 }, { 2520, 'f', 36, 0 }, { 3600, 'n', 50, 84 } } },
        { "no tempo plays as 120", 0.0, 0.0, false, false, {}, 13000,
          { { 0, 'c', 64, 0 }, { 0, 'n', 36, 100 }, { 8400, 'f', 36, 0 }, { 12000, 'n', 50, 84 } } },
        { "stop releases everything, nothing plays while stopped, play starts the Section again", 0.0, 120.0, true, true,
          { { 6000, setPlaying (false) }, { 30000, setPlaying (true) } }, 31000,
          { { 0, 'c', 64, 0 }, { 0, 'n', 36, 100 }, { 6000, 'f', 36, 0 }, { 6000, 'c', 64, 0 }, { 30000, 'c', 64, 0 },
            { 30000, 'n', 36, 100 } } },
    };

    for (const auto& s : scenarios)
        for (const int blockSize : { 500, 1000 })
        {
            SCOPED_TRACE (juce::String (s.name) + ", blocks of " + juce::String (blockSize));
            auto plugin = load (rate, blockSize);
            ASSERT_NE (plugin, nullptr);

            probe::Transport transport;
            transport.ppqPosition = s.startBeat;
            transport.bpm = s.bpm;
            transport.hasBpm = s.hasBpm;
            transport.hasPosition = s.hasPosition;
            probe::RenderSession session (*plugin, rate, blockSize, transport);

            const auto rows = rowsOf (session.run (s.samples, {}, changesAt (s.changes)).output);
            expectStartsWith (rows, s.expected, 0);
            EXPECT_EQ (rows.size(), s.expected.size()) << describe (rows);
        }
}

TEST_F (BundleTest, HeldChordChangesMidBlockInAChordInputProject)
{
    auto plugin = load (rate, 4096);
    ASSERT_NE (plugin, nullptr);
    setStateDocument (*plugin, chordInputDocument (stateDocument (*plugin)));
    ASSERT_EQ (stateDocument (*plugin)["pitchSource"], juce::var ("chordInput"));

    // C major from sample 1000, D major from 24100, nothing held from 61000: three changes inside blocks.
    std::vector<probe::MidiEvent> input;
    for (const int note : { 60, 64, 67 })
        input.push_back ({ 1000, juce::MidiMessage::noteOn (1, note, (juce::uint8) 90) });
    for (const int note : { 60, 64, 67 })
        input.push_back ({ 24100, juce::MidiMessage::noteOff (1, note) });
    for (const int note : { 62, 66, 69 })
        input.push_back ({ 24100, juce::MidiMessage::noteOn (1, note, (juce::uint8) 90) });
    for (const int note : { 62, 66, 69 })
        input.push_back ({ 61000, juce::MidiMessage::noteOff (1, note) });

    probe::RenderSession session (*plugin, rate, 4096);
    const auto rows = rowsOf (session.run (3 * samplesPerBeat, input).output);

    const auto ons = noteOns (rows);
    ASSERT_GE (ons.size(), 4u) << describe (rows);
    EXPECT_EQ (ons.front().sample, 12000) << "the note at beat 0 had passed when the chord came";

    for (const auto& on : ons)
    {
        const auto pitchClass = on.number % 12;
        if (on.sample < 24100)
            EXPECT_TRUE (pitchClass == 0 || pitchClass == 4 || pitchClass == 7) << describe ({ on });
        else
            EXPECT_TRUE (pitchClass == 2 || pitchClass == 6 || pitchClass == 9) << describe ({ on });
        EXPECT_LT (on.sample, 61000);
    }

    // Letting go of the chord ends what sounds at that sample; nothing follows.
    std::vector<Row> atRelease;
    for (const auto& row : rows)
        if (row.sample >= 61000)
            atRelease.push_back (row);

    ASSERT_FALSE (atRelease.empty()) << describe (rows);
    for (const auto& row : atRelease)
        EXPECT_EQ (row.sample, 61000) << describe ({ row });
    EXPECT_EQ (atRelease.back(), (Row { 61000, 'c', 64, 0 }));
    expectBalanced (rows);
}

TEST_F (BundleTest, AutoAdvanceFollowsTheHostPositionAndSectionEnds)
{
    auto plugin = load();
    ASSERT_NE (plugin, nullptr);

    // Section 0: the default Pattern stretched to 8 beats; Section 1: 4 beats, one note at beat 2.
    auto document = withSections (stateDocument (*plugin), { "Long", "Short" }, true);
    auto& sections = arrayOf (document["sections"]);
    forEachNote (sections[0], [] (const juce::var& note) { setProperty (note, "velocity", 100); });
    setProperty (arrayOf (sections[0]["sequence"])[0], "lengthBeats", 8.0);
    auto& shortNotes = arrayOf (arrayOf (sections[1]["sequence"])[0]["notes"]);
    shortNotes.removeRange (1, shortNotes.size());
    setProperty (shortNotes[0], "startBeat", 2.0);
    setProperty (shortNotes[0], "velocity", 33);
    setStateDocument (*plugin, document);

    // By position, a loop of 12 beats: beat 13 is beat 1 of "Long", beat 22 is beat 2 of "Short".
    const struct
    {
        double startBeat;
        Row firstNote;
    } byPosition[] = { { 13.0, { 0, 'n', 52, 100 } }, { 22.0, { 0, 'n', 36, 33 } }, { 34.0, { 0, 'n', 36, 33 } } };

    for (const auto& c : byPosition)
    {
        SCOPED_TRACE (c.startBeat);
        probe::Transport transport;
        transport.ppqPosition = c.startBeat;
        probe::RenderSession session (*plugin, rate, 512, transport);
        const auto ons = noteOns (rowsOf (session.run (samplesPerBeat / 4).output));
        ASSERT_FALSE (ons.empty());
        EXPECT_EQ (ons.front(), c.firstNote);
    }

    // Without positions the Sections follow each other at their ends: Long, Short, Long again.
    {
        probe::Transport transport;
        transport.hasPosition = false;
        probe::RenderSession session (*plugin, rate, 333, transport);
        const auto rows = rowsOf (session.run (12 * samplesPerBeat + 100).output);
        const auto ons = noteOns (rows);

        ASSERT_GE (ons.size(), 3u);
        std::vector<Row> shortNotesPlayed;
        for (const auto& on : ons)
            if (on.value == 33)
                shortNotesPlayed.push_back (on);

        ASSERT_EQ (shortNotesPlayed.size(), 1u) << describe (rows);
        EXPECT_NEAR ((double) shortNotesPlayed[0].sample, (double) (10 * samplesPerBeat), 1.0);
        EXPECT_NEAR ((double) ons.back().sample, (double) (12 * samplesPerBeat), 1.0);
        EXPECT_EQ (ons.back().value, 100);
        expectBalanced (rows, false);
    }
}

TEST_F (BundleTest, BadHostPositionsNeverHangThePlugin)
{
    testing_support::expectBadHostPositionsPlayOnTheOwnClock (testing_support::bundleDriver (bundle()));
}

TEST_F (BundleTest, EveryPassStartsWithItsFirstNoteOnTheHostsBeatGrid)
{
    // One-beat Sections, one note at beat 0 each: at tempos whose beats fall between samples, pass
    // boundaries land anywhere in a block, also in its last sample. Auto-Advance by position
    // through two Sections, or one Section looping.
    const struct
    {
        double sampleRate, bpm;
        int blockSize;
        bool autoAdvance;
    } cases[] = { { 44100.0, 130.0, 512, true },  { 48000.0, 97.0, 333, true }, { 96000.0, 173.0, 4096, true },
                  { 44100.0, 400.0, 64, true },   { 48000.0, 131.0, 1, true },  { 48000.0, 97.0, 333, false },
                  { 44100.0, 130.0, 512, false }, { 48000.0, 131.0, 1, false } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.sampleRate) + " Hz, " + juce::String (c.bpm) + " bpm, blocks of " + juce::String (c.blockSize)
                      + (c.autoAdvance ? ", Auto-Advance" : ", looping"));
        auto plugin = load (c.sampleRate, c.blockSize);
        ASSERT_NE (plugin, nullptr);

        auto document = c.autoAdvance ? withSections (stateDocument (*plugin), { "A", "B" }, true)
                                      : withSections (stateDocument (*plugin), { "A" }, false);
        for (auto& section : arrayOf (document["sections"]))
        {
            auto pattern = arrayOf (section["sequence"])[0];
            setProperty (pattern, "lengthBeats", 1.0);
            auto& notes = arrayOf (pattern["notes"]);
            notes.removeRange (1, notes.size());
            setProperty (notes[0], "startBeat", 0.0);
            setProperty (notes[0], "durationBeats", 0.5);
        }
        setStateDocument (*plugin, document);

        probe::Transport transport;
        transport.bpm = c.bpm;
        probe::RenderSession session (*plugin, c.sampleRate, c.blockSize, transport);

        constexpr int passes = 40;
        const auto samplesPerBeatHere = c.sampleRate * 60.0 / c.bpm;
        const auto rows = rowsOf (session.run ((juce::int64) (samplesPerBeatHere * (passes - 0.5))).output);
        const auto ons = noteOns (rows);

        ASSERT_EQ (ons.size(), (size_t) passes) << describe (rows);
        for (int k = 0; k < passes; ++k)
        {
            EXPECT_NEAR ((double) ons[(size_t) k].sample, k * samplesPerBeatHere, 1.0) << "pass " << k;
            EXPECT_EQ (ons[(size_t) k].value, markerVelocity (c.autoAdvance ? k % 2 : 0)) << "pass " << k;
        }
        expectBalanced (rows, false);
    }
}
