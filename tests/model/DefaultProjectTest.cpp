#include "model/BuiltInPerformances.h"
#include "model/DefaultProject.h"
#include "model/PitchContext.h"

#include <gtest/gtest.h>

using namespace VarneT;

TEST (DefaultProject, HoldsLanternOstinatoPlayedFromCMajor)
{
    const auto project = makeDefaultProject();

    EXPECT_EQ (project.version, 7);
    EXPECT_EQ (project.identityName, "Main");
    EXPECT_EQ (project.midiChannel, 1);
    EXPECT_EQ (project.pitchSource, PitchSource::scale);
    EXPECT_EQ (project.scale.root, 0);
    EXPECT_EQ (project.scale.name, "Major");
    EXPECT_EQ (project.previewChord, "Cmaj7");
    EXPECT_EQ (project.sectionPlaybackMode, SectionPlaybackMode::loopSection);
    EXPECT_EQ (project.activeSectionIndex, 0);

    ASSERT_EQ (project.sections.size(), 1u);
    const auto& section = project.sections[0];
    EXPECT_EQ (section.name, "Section 1");
    EXPECT_EQ (section.repeatCount, 1);
    ASSERT_EQ (section.sequence.size(), 1u);

    const auto& pattern = section.sequence[0];
    EXPECT_EQ (pattern.name, "Lantern Ostinato");
    EXPECT_EQ (pattern.category, "Ostinatos");
    EXPECT_EQ (pattern.lengthBeats, 4.0);
    EXPECT_EQ (pattern.quantization, Quantization::sixteenth);
    EXPECT_EQ (pattern.voices.size(), 4u);
    EXPECT_EQ (pattern.notes.size(), 8u);
    EXPECT_TRUE (pattern.pedal.empty());
    EXPECT_EQ (pattern.repeatCount, 1);
}

TEST (DefaultProject, EditingItsPatternLeavesTheBuiltInListAlone)
{
    auto project = makeDefaultProject();
    project.sections[0].sequence[0].notes.clear();
    project.sections[0].sequence[0].name = "Changed";

    const auto& builtIn = builtInPerformances()[6];
    EXPECT_EQ (builtIn.name, "Lantern Ostinato");
    EXPECT_EQ (builtIn.notes.size(), 8u);
    EXPECT_EQ (makeDefaultProject().sections[0].sequence[0].notes.size(), 8u);
}

TEST (DefaultProject, NotesResolveAgainstTheCMajorScaleWithoutHeldNotes)
{
    const auto project = makeDefaultProject();
    const auto context = pitchContextForProject (project, nullptr, 0, false);
    ASSERT_EQ (context.referenceNote, 48);
    ASSERT_EQ (context.chordCount, 7);

    // Chord positions on the scale's table: C, D, E, F and G, the bass an octave below.
    const int expected[] { 36, 50, 52, 53, 36, 52, 50, 55 };
    const auto& notes = project.sections[0].sequence[0].notes;
    ASSERT_EQ (notes.size(), std::size (expected));
    for (size_t i = 0; i < notes.size(); ++i)
        EXPECT_EQ (resolveTargetPitch (notes[i].target, notes[i].octave, context), expected[i]) << notes[i].id;
}
