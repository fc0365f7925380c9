// The Section as a Standard MIDI File: exact bytes of small fixtures, every written file read back
// by python3-mido, file names, and the export's messages.

#include "CompilerFixtures.h"

#include "model/ProjectValidation.h"
#include "plugin/PluginProcessor.h"
#include "plugin/SectionMidiExport.h"
#include "support/MidoReader.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace compiler_fixtures;
using testing_support::midoEvents;
using testing_support::readWithMido;

namespace
{
VarneT::NoteEvent& addFixedNote (VarneT::Pattern& pattern, const juce::String& id, int pitch, double start,
                                 double duration, int velocity)
{
    auto& note = addNote (pattern, id, start, duration);
    note.target.basis = VarneT::TargetBasis::fixed;
    note.target.fixedMidiNote = pitch;
    note.velocity = velocity;
    return note;
}

VarneT::Section sectionOf (std::vector<VarneT::Pattern> patterns, int repeats = 1)
{
    return makeProject (std::move (patterns), repeats).sections.front();
}

juce::String hexOf (const juce::MemoryBlock& block)
{
    return juce::String::toHexString (block.getData(), static_cast<int> (block.getSize()));
}

juce::String hexOf (const std::vector<juce::uint8>& bytes)
{
    return juce::String::toHexString (bytes.data(), static_cast<int> (bytes.size()));
}

/** Header, one track chunk around the given events. */
std::vector<juce::uint8> smf (std::vector<juce::uint8> events)
{
    std::vector<juce::uint8> bytes { 'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0x03, 0xc0, 'M', 'T', 'r', 'k', 0, 0,
                                     static_cast<juce::uint8> (events.size() >> 8), static_cast<juce::uint8> (events.size()) };
    bytes.insert (bytes.end(), events.begin(), events.end());
    return bytes;
}

struct TempFolder
{
    juce::TemporaryFile holder { "midi-export" };
    juce::File folder = holder.getFile();
    TempFolder() { folder.createDirectory(); }
    ~TempFolder() { folder.deleteRecursively(); }
};

/** Writes the bytes to a file and reads them back with mido. */
::testing::AssertionResult midoRead (const juce::MemoryBlock& bytes, const juce::File& folder, const juce::String& name,
                                     juce::var& summary)
{
    const auto file = folder.getChildFile (name);

    if (! file.replaceWithData (bytes.getData(), bytes.getSize()))
        return ::testing::AssertionFailure() << "could not write " << file.getFullPathName();

    return readWithMido (file, summary);
}

void expectWellFormed (const juce::var& summary, int endTick)
{
    EXPECT_EQ (static_cast<int> (summary["type"]), 1);
    EXPECT_EQ (static_cast<int> (summary["ticksPerBeat"]), 960);
    EXPECT_EQ (static_cast<int> (summary["tracks"]), 1);
    EXPECT_EQ (static_cast<int> (summary["hangingNotes"]), 0);

    const auto* events = summary["events"].getArray();
    ASSERT_TRUE (events != nullptr && events->size() >= 2);
    EXPECT_EQ (events->getFirst()["type"].toString(), "set_tempo");
    EXPECT_EQ (static_cast<int> (events->getFirst()["tempo"]), 500000);
    EXPECT_EQ (static_cast<int> (events->getFirst()["tick"]), 0);
    EXPECT_EQ (events->getLast()["type"].toString(), "end_of_track");
    if (endTick >= 0)
    {
        EXPECT_EQ (static_cast<int> (events->getLast()["tick"]), endTick);
    }
}

const VarneT::PitchContext scaleContext = VarneT::pitchContextFromScale ({});
} // namespace

TEST (SectionMidiBytes, SmallFixturesAreExactAndReadBack)
{
    struct Case
    {
        const char* name;
        VarneT::Section section;
        int channel;
        std::vector<juce::uint8> events;
        int endTick;
    };

    auto twoNotes = makePattern (2.0);
    addFixedNote (twoNotes, "a", 60, 0.0, 1.0, 100);
    addFixedNote (twoNotes, "b", 64, 0.0, 1.0, 127);

    auto pedal = makePattern (4.0);
    addPedal (pedal, "p", 1.0, 2.0, 127);

    auto overlap = makePattern (4.0);
    addFixedNote (overlap, "a", 60, 0.0, 2.0, 90);
    addFixedNote (overlap, "b", 60, 1.0, 2.0, 90);

    // The note-off falls a beat after the Section's end: end-of-track must follow it.
    auto late = makePattern (4.0);
    addFixedNote (late, "a", 60, 3.0, 2.0, 100);

    const std::vector<juce::uint8> tempo { 0x00, 0xff, 0x51, 0x03, 0x07, 0xa1, 0x20 };
    auto with = [&tempo] (std::vector<juce::uint8> rest)
    {
        auto all = tempo;
        all.insert (all.end(), rest.begin(), rest.end());
        return all;
    };

    const Case cases[] {
        { "running status, channel 10", sectionOf ({ twoNotes }), 10,
          with ({ 0x00, 0x99, 60, 100, 0x00, 64, 127, 0x87, 0x40, 0x89, 60, 0, 0x00, 64, 0, 0x87, 0x40, 0xff, 0x2f, 0x00 }), 1920 },
        { "pedal as controller 64", sectionOf ({ pedal }), 1,
          with ({ 0x87, 0x40, 0xb0, 64, 127, 0x8f, 0x00, 64, 0, 0x87, 0x40, 0xff, 0x2f, 0x00 }), 3840 },
        { "same-pitch overlap", sectionOf ({ overlap }), 1,
          with ({ 0x00, 0x90, 60, 90, 0x87, 0x40, 0x80, 60, 0, 0x00, 0x90, 60, 90, 0x87, 0x40, 0x80, 60, 0,
                  0x87, 0x40, 60, 0, 0x87, 0x40, 0xff, 0x2f, 0x00 }), 3840 },
        { "late note-off", sectionOf ({ late }), 1,
          with ({ 0x96, 0x40, 0x90, 60, 100, 0x8f, 0x00, 0x80, 60, 0, 0x00, 0xff, 0x2f, 0x00 }), 4800 },
    };

    TempFolder temp;

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto bytes = VarneT::sectionMidiFileBytes (c.section, c.channel, scaleContext);
        EXPECT_EQ (hexOf (bytes), hexOf (smf (c.events)));
        juce::var summary;
        ASSERT_TRUE (midoRead (bytes, temp.folder, juce::String (c.name).replaceCharacter (',', '_') + ".mid", summary));
        expectWellFormed (summary, c.endTick);
    }
}

TEST (SectionMidiBytes, RepeatsRoundingChanceAndUnresolvablePitches)
{
    auto pattern = makePattern (4.0, VarneT::Quantization::eighth);
    pattern.repeatCount = 2;
    addFixedNote (pattern, "a", 60, 0.0, 1.0, 100).chance = 0.0; // written whatever its chance
    addFixedNote (pattern, "b", 67, 0.49, 0.5, 100);              // stored start, not the grid
    addNote (pattern, "c", 1.0).target.basis = VarneT::TargetBasis::input; // nothing held: no pitch
    pattern.modifiers.registerOffset = 2; // playback only

    auto nothingHeld = scaleContext;
    nothingHeld.inputCount = 0;

    TempFolder temp;
    juce::var summary;
    ASSERT_TRUE (midoRead (VarneT::sectionMidiFileBytes (sectionOf ({ pattern }, 2), 3, nothingHeld),
                           temp.folder, "repeats.mid", summary));

    expectWellFormed (summary, 15360);
    EXPECT_EQ (midoEvents (summary, "note_on").joinIntoString (" "),
               "0:60 470:67 3840:60 4310:67 7680:60 8150:67 11520:60 11990:67");
    ASSERT_GE (summary["events"].size(), 2);
    EXPECT_EQ (static_cast<int> (summary["events"][1]["channel"]), 2);
}

TEST (SectionMidiBytes, ANoteOrPedalEndingWhereTheNextStartsEndsFirstInAnyStoredOrder)
{
    for (const bool laterStoredFirst : { false, true })
    {
        auto pattern = makePattern (4.0);
        if (laterStoredFirst)
        {
            addFixedNote (pattern, "b", 60, 1.0, 1.0, 90);
            addPedal (pattern, "q", 1.0, 1.0, 100);
        }
        addFixedNote (pattern, "a", 60, 0.0, 1.0, 90);
        addPedal (pattern, "p", 0.0, 1.0, 100);
        if (! laterStoredFirst)
        {
            addFixedNote (pattern, "b", 60, 1.0, 1.0, 90);
            addPedal (pattern, "q", 1.0, 1.0, 100);
        }

        TempFolder temp;
        juce::var summary;
        ASSERT_TRUE (midoRead (VarneT::sectionMidiFileBytes (sectionOf ({ pattern }), 1, scaleContext),
                               temp.folder, "touching.mid", summary));
        expectWellFormed (summary, 3840);
        EXPECT_EQ (midoEvents (summary, "note_on").joinIntoString (" "), "0:60 960:60") << laterStoredFirst;
        EXPECT_EQ (midoEvents (summary, "note_off").joinIntoString (" "), "960:60 1920:60") << laterStoredFirst;
        EXPECT_EQ (midoEvents (summary, "control_change").joinIntoString (" "), "0:64=100 960:64=0 960:64=100 1920:64=0")
            << laterStoredFirst;
    }
}

TEST (SectionMidiBytes, LargestSectionStaysWellFormed)
{
    std::vector<VarneT::Pattern> patterns;

    for (int p = 0; p < 16; ++p)
    {
        auto pattern = makePattern (16.0);
        for (int i = 0; i < 1000; ++i)
            addFixedNote (pattern, "n" + juce::String (i), 40 + (i * 7) % 48, i * 0.016, 0.5 + (i % 5), 1 + i % 127);
        for (int i = 0; i < 48; ++i)
            addPedal (pattern, "p" + juce::String (i), i * 0.33, 0.3);
        patterns.push_back (std::move (pattern));
    }

    TempFolder temp;
    juce::var summary;
    ASSERT_TRUE (midoRead (VarneT::sectionMidiFileBytes (sectionOf (std::move (patterns)), 1, scaleContext),
                           temp.folder, "largest.mid", summary));
    expectWellFormed (summary, -1); // the last note-offs outlast the Section
    ASSERT_GE (summary["events"].size(), 1);
    EXPECT_GT (static_cast<int> (summary["events"][summary["events"].size() - 1]["tick"]), 16 * 16 * 960);
    EXPECT_EQ (midoEvents (summary, "note_on").size(), 16000);
}

TEST (SectionMidiExport, FileNames)
{
    const struct { const char* name; int index; const char* expected; } cases[] {
        { "Verse: A/B", 0, "Verse AB.mid" },
        { "  Chorus  ", 1, "Chorus.mid" },
        { ":/?*", 2, "Section 3.mid" },
        { "..", 0, "Section 1.mid" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (VarneT::sectionMidiFileName (juce::CharPointer_UTF8 (c.name), c.index), c.expected) << c.name;
}

TEST (SectionMidiExport, ValidNamesGiveAWritableFileName)
{
    const auto repeat = [] (const char* utf8, int times)
    {
        juce::String text;
        for (int i = 0; i < times; ++i)
            text += juce::String (juce::CharPointer_UTF8 (utf8));
        return text;
    };
    const auto night = "\xe5\xa4\x9c";    // three bytes
    const auto moon = "\xf0\x9f\x8c\x99"; // four bytes

    const struct { const char* label; juce::String name; juce::String expected; } cases[] {
        { "blanks left by removed characters", "Verse/Chorus: *?", "VerseChorus.mid" },
        { "blank left at the start", "/ Intro", "Intro.mid" },
        { "no legal character", ":/?*", "Section 3.mid" },
        { "84 three-byte characters", repeat (night, 84), repeat (night, 83) + ".mid" },
        { "85 three-byte characters", repeat (night, 85), repeat (night, 83) + ".mid" },
        { "64 four-byte characters", repeat (moon, 64), repeat (moon, 62) + ".mid" },
        { "cut at a blank", repeat (night, 83) + " " + repeat (night, 2), repeat (night, 83) + ".mid" },
    };

    TempFolder temp;

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.label);
        auto pattern = makePattern (4.0);
        addFixedNote (pattern, "a", 60, 0.0, 1.0, 100);
        auto project = makeProject ({ pattern });
        project.pitchSource = VarneT::PitchSource::scale;
        project.sections.resize (3, project.sections.front());
        project.sections[2].name = c.name;
        project.activeSectionIndex = 2;
        ASSERT_EQ (VarneT::validateProject (project), "");

        const auto folder = temp.folder.getNonexistentChildFile ("export", {});
        ASSERT_TRUE (folder.createDirectory().wasOk());
        const auto result = VarneT::exportSectionMidi (project, {}, [&] { return folder; });

        ASSERT_TRUE (result.ok()) << result.error;
        EXPECT_EQ (result.file.getFileName(), c.expected);
        EXPECT_LE (result.file.getFileName().getNumBytesAsUTF8(), 255u);
        EXPECT_TRUE (result.status.endsWith (" to " + c.expected)) << result.status;

        juce::var summary;
        ASSERT_TRUE (readWithMido (result.file, summary));
        expectWellFormed (summary, 3840);
        EXPECT_EQ (midoEvents (summary, "note_on").joinIntoString (" "), "0:60");
    }
}

TEST (SectionMidiExport, WritesTheActiveSectionAndSaysSo)
{
    auto pattern = makePattern (4.0);
    addNote (pattern, "a", 0.0, 1.0).target = { VarneT::TargetBasis::scale, 1, 60, 0 };
    auto project = makeProject ({ pattern, pattern });
    project.sections.push_back (project.sections.front());
    project.sections[0].name = "Intro";
    project.sections[1].name = "Verse: A/B";
    project.activeSectionIndex = 7; // limited to the last Section
    project.pitchSource = VarneT::PitchSource::scale;
    project.scale = { 2, "Dorian" };

    TempFolder temp;
    const auto result = VarneT::exportSectionMidi (project, "ignored", [&] { return temp.folder; });

    ASSERT_TRUE (result.ok()) << result.error;
    EXPECT_EQ (result.file, temp.folder.getChildFile ("Verse AB.mid"));
    EXPECT_EQ (result.status, "Exported section 'Verse: A/B' (2 Patterns) on D Dorian to Verse AB.mid");
    EXPECT_EQ (temp.folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 1); // no temporary left

    juce::var summary;
    ASSERT_TRUE (readWithMido (result.file, summary));
    expectWellFormed (summary, 7680);
    EXPECT_EQ (midoEvents (summary, "note_on").joinIntoString (" "), "0:52 3840:52"); // E: D Dorian's second degree
}

TEST (SectionMidiExport, FailuresGiveTheirMessageAndNoFile)
{
    auto valid = makeProject ({ makePattern (4.0) });
    auto noSections = valid;
    noSections.sections.clear();
    auto invalid = valid;
    invalid.sections[0].sequence[0].lengthBeats = 0.0;
    auto badChord = valid;
    badChord.pitchSource = VarneT::PitchSource::chordInput;

    TempFolder temp;
    const auto occupied = temp.folder.getChildFile ("occupied");
    // A folder, not empty, where the file should go.
    ASSERT_TRUE (occupied.getChildFile ("Section 1.mid").createDirectory().wasOk());
    ASSERT_TRUE (occupied.getChildFile ("Section 1.mid/keep").replaceWithText ("keep"));

    const struct
    {
        const char* name;
        const VarneT::Project& project;
        juce::String chordText;
        juce::File folder;
        juce::String expected; // the message, or its start for the other layers' messages
    } cases[] {
        { "no folder", valid, {}, {}, "Could not create temporary MIDI directory" },
        { "no Sections", noSections, {}, temp.folder, "No active Section to export" },
        { "invalid Section", invalid, {}, temp.folder, VarneT::validateProject (invalid) },
        { "chord text", badChord, "H7", temp.folder, [] { VarneT::ParsedChord c; return VarneT::parseChordSymbol ("H7", c); }() },
        { "folder in the way", valid, {}, occupied, "Could not create MIDI file" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        ASSERT_TRUE (c.expected.isNotEmpty());
        const auto result = VarneT::exportSectionMidi (c.project, c.chordText, [&] { return c.folder; });
        EXPECT_FALSE (result.ok());
        EXPECT_EQ (result.error, c.expected);
        EXPECT_TRUE (result.status.isEmpty());
    }

    EXPECT_EQ (temp.folder.getNumberOfChildFiles (juce::File::findFiles), 0);
    EXPECT_TRUE (occupied.getChildFile ("Section 1.mid").isDirectory());
    EXPECT_EQ (occupied.getChildFile ("Section 1.mid/keep").loadFileAsString(), "keep");
    EXPECT_EQ (occupied.getNumberOfChildFiles (juce::File::findFilesAndDirectories | juce::File::ignoreHiddenFiles, "*"), 1);
    EXPECT_EQ (occupied.getNumberOfChildFiles (juce::File::findFiles, "*"), 0); // no temporary left
}

TEST (SectionMidiExport, ProcessorExportUsesThePreviewChordAndTheTemporaryFolder)
{
    VarneTAudioProcessor processor;
    auto pattern = makePattern (4.0);
    addNote (pattern, "root", 0.0, 1.0); // chord tone 0
    auto project = makeProject ({ pattern });
    project.sections[0].name = "Bridge";
    project.pitchSource = VarneT::PitchSource::chordInput;
    project.previewChord = "Cmaj7";
    ASSERT_EQ (processor.commitProject (project), "");

    const auto result = VarneT::exportActiveSectionMidi (processor);
    ASSERT_TRUE (result.ok()) << result.error;
    EXPECT_EQ (result.status, "Exported section 'Bridge' (1 Patterns) on Cmaj7 to Bridge.mid");

    const auto exports = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("Tolmek MIDI Exports/Varne-T");
    EXPECT_EQ (result.file.getParentDirectory().getParentDirectory(), exports);
    juce::var summary;
    ASSERT_TRUE (readWithMido (result.file, summary));
    expectWellFormed (summary, 3840);
    result.file.getParentDirectory().deleteRecursively();

    // A temporary folder that is a file cannot hold the export folder.
    const juce::String previous (std::getenv ("TMPDIR"));
    juce::TemporaryFile blocker;
    ASSERT_TRUE (blocker.getFile().replaceWithText ("x"));
    setenv ("TMPDIR", blocker.getFile().getFullPathName().toRawUTF8(), 1);
    const auto refused = VarneT::exportActiveSectionMidi (processor);
    previous.isEmpty() ? unsetenv ("TMPDIR") : setenv ("TMPDIR", previous.toRawUTF8(), 1);

    EXPECT_EQ (refused.error, "Could not create temporary MIDI directory");
    EXPECT_EQ (blocker.getFile().loadFileAsString(), "x");
}
