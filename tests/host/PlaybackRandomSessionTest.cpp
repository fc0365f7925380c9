// Long seeded sessions through the built bundle: state edits, tempo, loops, stops, Section choices
// and MIDI input at random, with the invariants every host relies on.

#include "support/PlaybackHostSupport.h"

using namespace host_test;

namespace
{
/** A Section of 40 fixed pitches that overlap: more would sound at once than the plug-in allows. */
juce::var denseDocument (const juce::var& defaultDocument)
{
    auto document = copyOf (defaultDocument);
    auto& notes = arrayOf (arrayOf (arrayOf (document["sections"])[0]["sequence"])[0]["notes"]);
    const auto first = copyOf (notes[0]);
    notes.clear();

    for (int i = 0; i < 40; ++i)
    {
        auto note = copyOf (first);
        setProperty (note, "id", "dense-" + juce::String (i));
        setProperty (note, "startBeat", i * 0.05);
        setProperty (note, "durationBeats", 3.0);
        setProperty (note["target"], "basis", "fixed");
        setProperty (note["target"], "fixedMidiNote", 40 + i);
        notes.add (note);
    }

    return document;
}

/** The projects a session switches between, as host state loads. */
std::vector<juce::String> sessionStates (const juce::var& defaultDocument)
{
    std::vector<juce::var> documents;
    documents.push_back (defaultDocument);
    documents.push_back (denseDocument (defaultDocument));
    documents.push_back (withSections (defaultDocument, { "A", "B", "C" }, false));
    documents.push_back (withSections (defaultDocument, { "A", "B", "C", "D" }, true));

    auto chordInput = withSections (defaultDocument, { "One", "Two" }, true);
    setProperty (chordInput, "pitchSource", "chordInput");
    documents.push_back (chordInput);

    auto denseChordInput = denseDocument (defaultDocument);
    setProperty (denseChordInput, "pitchSource", "chordInput");
    setProperty (denseChordInput, "midiChannel", 7);
    documents.push_back (denseChordInput);

    std::vector<juce::String> texts;
    for (const auto& d : documents)
        texts.push_back (juce::JSON::toString (d, true));
    return texts;
}

std::vector<probe::MidiEvent> randomInput (juce::Random& random, juce::int64 samples)
{
    std::vector<probe::MidiEvent> input;
    for (juce::int64 at = 0; at < samples; at += 1 + random.nextInt (6000))
    {
        const auto channel = 1 + random.nextInt (2);
        const auto note = 40 + random.nextInt (40);
        const auto choice = random.nextInt (20);

        if (choice < 10)
            input.push_back ({ at, juce::MidiMessage::noteOn (channel, note, (juce::uint8) (1 + random.nextInt (127))) });
        else if (choice < 18)
            input.push_back ({ at, juce::MidiMessage::noteOff (channel, note) });
        else if (choice < 19)
            input.push_back ({ at, juce::MidiMessage::allNotesOff (channel) });
        else
            input.push_back ({ at, juce::MidiMessage::controllerEvent (channel, 1, random.nextInt (128)) });
    }
    return input;
}
} // namespace

TEST_F (BundleTest, RandomSessionsKeepEveryNoteBalancedAndAreSilentWhileStopped)
{
    const struct
    {
        int seed;
        double sampleRate;
        int blockSize;
    } sessions[] = { { 1, 48000.0, 256 }, { 2, 44100.0, 1000 }, { 3, 96000.0, 64 }, { 4, 48000.0, 4096 } };

    for (const auto& s : sessions)
    {
        SCOPED_TRACE ("seed " + juce::String (s.seed));
        auto plugin = load (s.sampleRate, s.blockSize);
        ASSERT_NE (plugin, nullptr);

        juce::Random random (s.seed);
        const auto states = sessionStates (stateDocument (*plugin));
        auto* sectionParameter = sectionParameterOf (*plugin);
        ASSERT_NE (sectionParameter, nullptr);

        const auto playedSamples = (juce::int64) (s.sampleRate * 90.0);
        const auto input = randomInput (random, playedSamples);
        std::map<juce::int64, bool> blockPlaying;

        const auto script = [&] (juce::int64 blockStart, probe::Transport& transport)
        {
            const auto roll = random.nextInt (1000);

            if (blockStart >= playedSamples)
                transport.playing = false; // the end: everything must be released
            else if (roll < 4)
                setStateText (*plugin, states[(size_t) random.nextInt ((int) states.size())]);
            else if (roll < 10)
                transport.bpm = 10.0 + random.nextDouble() * 500.0;
            else if (roll < 12)
                transport.hasBpm = ! transport.hasBpm;
            else if (roll < 18)
                transport.ppqPosition = random.nextDouble() * 40.0; // loops and jumps
            else if (roll < 21)
                transport.hasPosition = ! transport.hasPosition;
            else if (roll < 27)
                transport.playing = ! transport.playing;
            else if (roll < 32)
                sectionParameter->setValue (random.nextFloat());

            blockPlaying[blockStart] = transport.playing;
        };

        probe::RenderSession session (*plugin, s.sampleRate, s.blockSize);
        const auto result = session.run (playedSamples + 8 * s.blockSize, input, script);
        const auto rows = rowsOf (result.output);

        EXPECT_GT (noteOns (rows).size(), 100u);
        expectBalanced (rows);

        // No note is cut in the sample it starts (a Section change must not swallow its first notes).
        std::map<int, juce::int64> lastOn;
        for (const auto& row : rows)
        {
            const auto key = row.channel * 128 + row.number;
            if (row.kind == 'n')
                lastOn[key] = row.sample;
            else if (row.kind == 'f' && lastOn.count (key) != 0)
            {
                EXPECT_GT (row.sample, lastOn[key]) << describe ({ row });
            }
        }

        // While stopped only releases come out, all at the block's first sample.
        for (const auto& row : rows)
        {
            const auto blockStart = row.sample - row.sample % s.blockSize;
            if (blockPlaying.at (blockStart))
                continue;

            EXPECT_TRUE (row.kind == 'f' || (row.kind == 'c' && row.number == 64 && row.value == 0)) << describe ({ row });
            EXPECT_EQ (row.sample, blockStart) << describe ({ row });
        }

        EXPECT_TRUE (result.audioWasSilent);
    }
}
