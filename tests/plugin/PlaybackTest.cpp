// The playback loop, driven in-process with a scripted host transport.

#include "support/AllocationCounter.h"
#include "support/PlaybackCases.h"
#include "support/PlaybackTestSupport.h"

#include <cmath>
#include <limits>

using namespace playback_test;

namespace
{
constexpr double rate = 48000.0;
constexpr juce::int64 samplesPerBeat = 24000; // at 120 bpm and 48 kHz
} // namespace

TEST (Playback, DefaultProjectPlaysItsGoldenStreamAtEveryBlockSize)
{
    testing_support::expectDefaultProjectGoldenStream (testing_support::inProcessDriver());
}

TEST (Playback, NothingIsGeneratedWhileStoppedAndStoppingReleasesEverything)
{
    VarneTAudioProcessor processor;
    probe::Transport stopped;
    stopped.playing = false;
    probe::RenderSession session (processor, rate, 512, stopped);

    EXPECT_TRUE (session.run (rate).output.empty());

    session.playHead.transport.playing = true;
    const auto playing = rowsOf (session.run (samplesPerBeat / 4).output);
    ASSERT_FALSE (noteOns (playing).empty());

    session.playHead.transport.playing = false;
    const auto stopping = rowsOf (session.run (rate).output);
    ASSERT_FALSE (stopping.empty());
    for (const auto& row : stopping)
        EXPECT_EQ (row.sample, session.position - (juce::int64) rate) << "everything goes at the first stopped block";

    auto all = playing;
    all.insert (all.end(), stopping.begin(), stopping.end());
    expectBalanced (all);
}

TEST (Playback, StartingMidBarAnchorsTheSectionAtTheFirstBlock)
{
    VarneTAudioProcessor processor;
    probe::Transport transport;
    transport.ppqPosition = 10.3;
    probe::RenderSession session (processor, rate, 512, transport);

    const auto ons = noteOns (rowsOf (session.run (samplesPerBeat).output));
    ASSERT_FALSE (ons.empty());
    EXPECT_EQ (ons.front().sample, 0);
    EXPECT_EQ (ons.front().number, 36);
}

TEST (Playback, TempoIsLimitedAndDefaultsTo120)
{
    const struct
    {
        double bpm;
        bool hasBpm;
        double playedBpm;
    } cases[] = { { 1000.0, true, 400.0 }, { 5.0, true, 20.0 }, { 0.0, false, 120.0 },
                  { std::numeric_limits<double>::quiet_NaN(), true, 120.0 } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.bpm);
        VarneTAudioProcessor processor;
        probe::Transport transport;
        transport.bpm = c.bpm;
        transport.hasBpm = c.hasBpm;
        transport.hasPosition = false; // the plug-in's own clock shows the tempo it plays
        probe::RenderSession session (processor, rate, 256, transport);

        const auto ons = noteOns (rowsOf (session.run ((juce::int64) rate * 2).output));
        ASSERT_GE (ons.size(), 2u);
        const auto samplesPerHalfBeat = rate * 60.0 / c.playedBpm / 2.0;
        EXPECT_NEAR ((double) ons[1].sample, samplesPerHalfBeat, 1.0);
    }
}

TEST (Playback, HostLoopingBackReleasesAndReanchors)
{
    VarneTAudioProcessor processor;
    probe::Transport transport;
    transport.ppqPosition = 15.5;
    probe::RenderSession session (processor, rate, 480, transport);

    // The pass is anchored where the transport starts; its first note sounds into the loop point.
    auto before = rowsOf (session.run (samplesPerBeat / 4).output);
    ASSERT_FALSE (noteOns (before).empty());

    session.playHead.transport.ppqPosition = 0.0;
    const auto jumpStart = session.position;
    const auto after = rowsOf (session.run (samplesPerBeat / 4).output);

    ASSERT_GE (after.size(), 3u) << describe (after);
    EXPECT_EQ (after[0], (Row { jumpStart, 'f', 36, 0 }));
    EXPECT_EQ (after[1], (Row { jumpStart, 'c', 64, 0 }));
    EXPECT_EQ (after[2], (Row { jumpStart, 'n', 36, 100 }));
}

TEST (Playback, PanicAndReleaseInOneBlock)
{
    VarneTAudioProcessor processor;
    probe::RenderSession session (processor, rate, 512);
    session.run (samplesPerBeat / 8);

    processor.requestPanic();
    processor.requestReleaseNotes();
    const auto start = session.position;
    const auto rows = rowsOf (session.run (512).output);

    ASSERT_GE (rows.size(), 4u) << describe (rows);
    EXPECT_EQ (rows[0], (Row { start, 'f', 36, 0 }));
    EXPECT_EQ (rows[1], (Row { start, 'c', 64, 0 }));
    EXPECT_EQ (rows[2], (Row { start, 'c', 123, 0 }));
    EXPECT_EQ (rows[3], (Row { start, 'c', 120, 0 }));
}

TEST (Playback, BadHostPositionsNeverHangTheAudioThread)
{
    testing_support::expectBadHostPositionsPlayOnTheOwnClock (testing_support::inProcessDriver());
}

TEST (Playback, AutoAdvanceFollowsTheHostPosition)
{
    VarneTAudioProcessor processor;
    auto project = processor.getProjectCopy();
    project.sections.push_back (project.sections[0]);
    project.sections[0].sequence[0].lengthBeats = 8.0;
    project.sections[1].name = "Second";
    project.sections[1].sequence[0].notes.resize (1); // one note: chord position 0, octave -1
    project.sections[1].sequence[0].notes[0].startBeat = 2.0;
    project.sections[1].sequence[0].notes[0].velocity = 33;
    project.sectionPlaybackMode = VarneT::SectionPlaybackMode::advanceSections;
    ASSERT_EQ (processor.applyProjectEdit (project, false), "");
    EXPECT_TRUE (processor.isAutoAdvanceSelected());

    // Loop of 12 beats: host beat 13 is beat 1 of the first Section.
    {
        probe::Transport transport;
        transport.ppqPosition = 13.0;
        probe::RenderSession session (processor, rate, 512, transport);
        const auto ons = noteOns (rowsOf (session.run (samplesPerBeat).output));
        ASSERT_FALSE (ons.empty());
        EXPECT_EQ (ons.front(), (Row { 0, 'n', 52, 90 })) << "note 3 starts at beat 1";
        EXPECT_EQ (processor.getPlayingSection(), 0);
    }

    // Host beat 22 is beat 2 of the second Section, whose only note starts right there.
    {
        probe::Transport transport;
        transport.ppqPosition = 22.0;
        probe::RenderSession session (processor, rate, 512, transport);
        const auto ons = noteOns (rowsOf (session.run (samplesPerBeat / 2).output));
        ASSERT_EQ (ons.size(), 1u);
        EXPECT_EQ (ons.front(), (Row { 0, 'n', 36, 33 }));
        EXPECT_EQ (processor.getPlayingSection(), 1);
    }
}

TEST (Playback, AutoAdvanceSectionChangeInsideABlockKeepsTheNewSectionsFirstNotes)
{
    VarneTAudioProcessor processor;
    auto project = processor.getProjectCopy();
    project.sections.push_back (project.sections[0]);
    project.sections[1].name = "Second";
    project.sections[1].sequence[0].lengthBeats = 3.0; // a pass that ends off the block grid
    project.sections[1].sequence[0].notes.resize (6);
    project.sectionPlaybackMode = VarneT::SectionPlaybackMode::advanceSections;
    ASSERT_EQ (processor.applyProjectEdit (project, false), "");

    for (const int blockSize : { 100, 333, 512, 1024 })
    {
        SCOPED_TRACE (blockSize);
        probe::RenderSession session (processor, 44100.0, blockSize);
        const auto rows = rowsOf (session.run (44100 * 8).output);

        // Every Section start (sample 0 and each pass end) begins with the bass note, and no
        // note is cut in the sample it starts.
        std::map<int, juce::int64> lastOn;
        for (const auto& r : rows)
        {
            if (r.kind == 'n')
                lastOn[r.number] = r.sample;
            else if (r.kind == 'f' && lastOn.count (r.number) != 0)
            {
                EXPECT_GT (r.sample, lastOn[r.number]) << "note " << r.number << " cut at once";
            }
        }

        const auto ons = noteOns (rows);
        EXPECT_GE (ons.size(), 20u);
        expectBalanced (rows, false);
    }
}

TEST (Playback, QueuedSectionTakesOverAtTheEndOfThePass)
{
    VarneTAudioProcessor processor;
    auto project = processor.getProjectCopy();
    project.sections.push_back (project.sections[0]);
    project.sections[1].name = "Second";
    for (auto& note : project.sections[1].sequence[0].notes)
        note.velocity = 11;
    ASSERT_EQ (processor.applyProjectEdit (project, false), "");

    probe::RenderSession session (processor, rate, 512);
    session.run (samplesPerBeat);
    ASSERT_EQ (processor.selectSection (1, false), "");

    const auto rows = noteOns (rowsOf (session.run (samplesPerBeat * 7).output));
    for (const auto& r : rows)
        EXPECT_EQ (r.value == 11, r.sample >= 4 * samplesPerBeat) << r.sample;
}

TEST (Playback, HeldChordChangesMidBlockAndReleaseStopsGeneration)
{
    VarneTAudioProcessor processor;
    ASSERT_EQ (processor.applyProjectEdit (chordInputProject (6), false), "");

    probe::RenderSession session (processor, rate, 4096);

    // Nothing held, no audition: nothing plays.
    EXPECT_TRUE (noteOns (rowsOf (session.run (samplesPerBeat).output)).empty());

    // A chord arrives in the middle of a block; the next pass plays from it.
    std::vector<probe::MidiEvent> input;
    for (const int note : { 57, 60, 64 })
        input.push_back ({ session.position + 1000, juce::MidiMessage::noteOn (1, note, (juce::uint8) 90) });
    input.push_back ({ session.position + 3 * samplesPerBeat + 10, juce::MidiMessage::noteOff (1, 57) });
    input.push_back ({ session.position + 3 * samplesPerBeat + 10, juce::MidiMessage::noteOff (1, 60) });
    input.push_back ({ session.position + 3 * samplesPerBeat + 10, juce::MidiMessage::noteOff (1, 64) });

    const auto start = session.position;
    const auto rows = rowsOf (session.run (samplesPerBeat * 6, input).output);
    EXPECT_EQ (processor.getHeldChordName(), "");

    ASSERT_FALSE (noteOns (rows).empty());
    for (const auto& r : noteOns (rows))
    {
        EXPECT_GE (r.sample, start + 1000);
        EXPECT_LT (r.sample, start + 3 * samplesPerBeat + 10);
        EXPECT_TRUE (r.number % 12 == 9 || r.number % 12 == 0 || r.number % 12 == 4) << r.number;
    }

    expectBalanced (rows);
}

TEST (Playback, SixHundredInputEventsAreConsumed)
{
    VarneTAudioProcessor processor;
    juce::MidiBuffer midi;
    for (int i = 0; i < 600; ++i)
        midi.addEvent (juce::MidiMessage::noteOn (1 + i % 16, i % 128, (juce::uint8) 100), i % 256);

    juce::AudioBuffer<float> audio (2, 256);
    processor.prepareToPlay (rate, 256);
    processor.processBlock (audio, midi);
    EXPECT_TRUE (midi.isEmpty()) << "stopped transport: nothing generated, input consumed";
    EXPECT_FALSE (processor.getHeldChordName().isEmpty());
}

TEST (Playback, ProcessBlockNeverAllocatesInSteadyState)
{
    VarneTAudioProcessor processor;
    ASSERT_EQ (processor.applyProjectEdit (chordInputProject (26), false), "");

    probe::ScriptedPlayHead head;
    head.sampleRate = rate;
    processor.setPlayHead (&head);
    processor.prepareToPlay (rate, 256);

    juce::AudioBuffer<float> audio (2, 256);
    juce::MidiBuffer midi;
    midi.ensureSize (1 << 16);
    juce::Random random (7);

    auto block = [&] (int index)
    {
        midi.clear();
        if (index % 37 == 0)
            midi.addEvent (juce::MidiMessage::noteOn (1, 48 + random.nextInt (24), (juce::uint8) 100), random.nextInt (256));
        if (index % 53 == 0)
            midi.addEvent (juce::MidiMessage::allNotesOff (1), 0);
        if (index % 400 == 0)
            head.transport.ppqPosition = random.nextDouble() * 64.0; // host jumps
        if (index % 700 == 0)
            head.transport.bpm = 20.0 + random.nextDouble() * 380.0;
        head.transport.playing = index % 900 < 850;

        processor.processBlock (audio, midi);
        if (head.transport.playing)
            head.transport.ppqPosition += 256.0 / rate * head.transport.bpm / 60.0;
    };

    for (int i = 0; i < 50; ++i)
        block (i); // warm-up: one-time tables

    testing_support::AllocationCounter counter;
    for (int i = 50; i < 20000; ++i)
    {
        if (i % 1000 == 0)
        {
            processor.requestPanic();
            processor.enableAudition();
        }
        block (i);
    }

    EXPECT_EQ (counter.allocations(), 0u);
    EXPECT_EQ (counter.frees(), 0u);
    processor.setPlayHead (nullptr);
}

TEST (Playback, TheAudioThreadNeverFreesAReplacedProject)
{
    VarneTAudioProcessor processor;
    probe::ScriptedPlayHead head;
    head.sampleRate = rate;
    processor.setPlayHead (&head);
    processor.prepareToPlay (rate, 256);
    juce::AudioBuffer<float> audio (2, 256);
    juce::MidiBuffer midi;
    midi.ensureSize (1 << 16);

    std::atomic<bool> running { true };
    std::atomic<size_t> audioFrees { 0 };
    std::thread audioThread ([&]
    {
        testing_support::AllocationCounter counter;
        while (running)
        {
            midi.clear();
            processor.processBlock (audio, midi);
        }
        audioFrees = counter.frees();
    });

    for (int i = 0; i < 300; ++i)
    {
        auto project = processor.getProjectCopy();
        project.sections[0].sequence[0].notes[0].velocity = 1 + i % 127;
        ASSERT_EQ (processor.applyProjectEdit (project, false), "");
    }

    running = false;
    audioThread.join();
    EXPECT_EQ (audioFrees.load(), 0u);
    processor.setPlayHead (nullptr);
}
