#include "model/PitchContext.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

using namespace VarneT;

namespace
{
using Notes = std::vector<int>;

Notes chordTable (const PitchContext& c) { return { c.chordNotes, c.chordNotes + c.chordCount }; }
Notes scaleTableOf (const PitchContext& c) { return { c.scaleNotes, c.scaleNotes + c.scaleCount }; }
Notes inputTable (const PitchContext& c) { return { c.inputNotes, c.inputNotes + c.inputCount }; }

ProjectScale scaleOf (int root, const char* name) { return { root, name }; }

PitchContext contextFromSymbol (const char* symbol, const ProjectScale& scale = {})
{
    ParsedChord chord;
    EXPECT_EQ (parseChordSymbol (symbol, chord), "") << symbol;
    return pitchContextFromChord (chord, scale);
}

PitchContext contextFromHeld (const Notes& held, const ProjectScale& scale = {})
{
    return pitchContextFromHeldNotes (held.data(), static_cast<int> (held.size()), scale);
}

NoteTarget target (TargetBasis basis, int index, int chromaticOffset = 0, int fixedNote = 60)
{
    return { basis, index, fixedNote, chromaticOffset };
}

void expectEmpty (const PitchContext& c)
{
    const PitchContext empty;
    EXPECT_EQ (c.referenceNote, 60);
    EXPECT_EQ (c.chordCount, 0);
    EXPECT_EQ (c.scaleCount, 0);
    EXPECT_EQ (c.inputCount, 0);
    EXPECT_EQ (std::memcmp (&c, &empty, sizeof (PitchContext)), 0);
}

const Notes cMajorOctave { 48, 50, 52, 53, 55, 57, 59 };
const Notes cMajorFrom48 { 48, 50, 52, 53, 55, 57, 59, 60, 62, 64, 65, 67, 69, 71, 72, 74 };
} // namespace

TEST (ScaleContext, DefaultScaleFillsAllThreeTablesWithOneOctave)
{
    const auto c = pitchContextFromScale ({});
    EXPECT_EQ (c.referenceNote, 48);
    EXPECT_EQ (chordTable (c), cMajorOctave);
    EXPECT_EQ (scaleTableOf (c), cMajorOctave);
    EXPECT_EQ (inputTable (c), cMajorOctave);

    EXPECT_EQ (resolveTargetPitch (target (TargetBasis::chord, 7), 0, c), 60);
    EXPECT_EQ (resolveTargetPitch (target (TargetBasis::chord, -1), 0, c), 47);
}

TEST (ScaleContext, OtherScalesAndRoots)
{
    EXPECT_EQ (scaleTableOf (pitchContextFromScale (scaleOf (2, "Whole Tone"))), (Notes { 50, 52, 54, 56, 58, 60 }));
    EXPECT_EQ (scaleTableOf (pitchContextFromScale (scaleOf (9, " Natural Minor "))), (Notes { 57, 59, 60, 62, 64, 65, 67 }));
    EXPECT_EQ (scaleTableOf (pitchContextFromScale (scaleOf (11, "Pent. Major"))), (Notes { 59, 61, 63, 66, 68 }));

    const auto unknown = pitchContextFromScale (scaleOf (4, "major"));
    EXPECT_EQ (unknown.referenceNote, 52);
    EXPECT_EQ (unknown.chordCount + unknown.scaleCount + unknown.inputCount, 0);
}

TEST (ScaleContext, FillSixteenWrapsThroughTheDegrees)
{
    PitchContext c;
    c.chordCount = 3;
    fillScaleNotes (c, 50, scaleOf (0, "Pent. Minor"), true);
    // C Eb F G Bb, starting at the first C at or above D3.
    EXPECT_EQ (scaleTableOf (c), (Notes { 60, 63, 65, 67, 70, 72, 75, 77, 79, 82, 84, 87, 89, 91, 94, 96 }));
    EXPECT_EQ (c.chordCount, 3);

    fillScaleNotes (c, 50, scaleOf (0, "Nope"), true);
    EXPECT_EQ (c.scaleCount, 0);
}

TEST (ChordContext, SlashChordPutsTheBassBeforeTheChordTones)
{
    const auto c = contextFromSymbol ("Cmaj7/E");
    EXPECT_EQ (c.referenceNote, 48);
    EXPECT_EQ (chordTable (c), (Notes { 48, 52, 55, 59 }));
    EXPECT_EQ (inputTable (c), (Notes { 40, 48, 52, 55, 59 }));
    EXPECT_EQ (scaleTableOf (c), cMajorFrom48);
}

TEST (ChordContext, RootAboveTheScaleRootStartsTheScaleHigher)
{
    const auto c = contextFromSymbol ("Dm7");
    EXPECT_EQ (c.referenceNote, 50);
    EXPECT_EQ (chordTable (c), (Notes { 50, 53, 57, 60 }));
    EXPECT_EQ (inputTable (c), chordTable (c));
    ASSERT_EQ (c.scaleCount, 16);
    EXPECT_EQ (c.scaleNotes[0], 60);
    EXPECT_EQ (c.scaleNotes[15], 86);
}

TEST (ChordContext, BassEqualToRootAndRests)
{
    const auto c = contextFromSymbol ("C/C");
    EXPECT_EQ (inputTable (c), chordTable (c));

    expectEmpty (contextFromSymbol ("R/E:2"));

    const auto extended = contextFromSymbol ("Bb13#11/F");
    EXPECT_EQ (extended.referenceNote, 58);
    EXPECT_EQ (chordTable (extended), (Notes { 58, 62, 65, 68, 72, 76, 79 }));
    EXPECT_EQ (inputTable (extended).front(), 41);
    EXPECT_EQ (extended.inputCount, 8);
}

TEST (RootGuess, TemplatesScoresAndTieBreaks)
{
    const std::pair<Notes, int> cases[] = {
        { { 52, 55, 60 }, 0 },       // C in first inversion
        { { 60, 64, 67 }, 0 },
        { { 57, 60, 64 }, 9 },       // A minor
        { { 55, 60, 64 }, 0 },       // second inversion
        { { 62, 65, 69, 72 }, 2 },   // D minor seventh beats F major
        { { 58, 60, 64, 67 }, 0 },   // C7 over B flat: E diminished ties and comes later
        { { 10, 0, 4, 7 }, 0 },      // pitch classes work as well
        { { 60, 63, 66 }, 0 },
        { { 60, 64, 68 }, 0 },       // augmented: every note ties, the lowest wins
        { { 60, 65, 67 }, 0 },       // sus4
        { { 60, 61 }, 0 },
        { { 61 }, 1 },
        { { 59, 60 }, 11 },
        { { 67, 60 }, 7 },           // the first note counts as the lowest
        { { 60, 67 }, 0 },
    };

    for (const auto& [notes, root] : cases)
        EXPECT_EQ (guessChordRoot (notes.data(), static_cast<int> (notes.size())), root)
            << ::testing::PrintToString (notes);
}

TEST (HeldNoteContext, FirstInversionReachesDownToTheRoot)
{
    const auto c = contextFromHeld ({ 52, 55, 60 });
    EXPECT_EQ (c.referenceNote, 48);
    EXPECT_EQ (chordTable (c), (Notes { 52, 55, 60, 64, 67, 72 }));
    EXPECT_EQ (inputTable (c), (Notes { 52, 55, 60 }));
    EXPECT_EQ (scaleTableOf (c), cMajorFrom48);
}

TEST (HeldNoteContext, RootPositionAndSingleNote)
{
    const auto root = contextFromHeld ({ 60, 64, 67 });
    EXPECT_EQ (root.referenceNote, 60);
    EXPECT_EQ (chordTable (root), (Notes { 60, 64, 67, 72, 76, 79 }));

    const auto single = contextFromHeld ({ 61 });
    EXPECT_EQ (single.referenceNote, 61);
    EXPECT_EQ (chordTable (single), (Notes { 61, 73 }));
    EXPECT_EQ (inputTable (single), (Notes { 61 }));
    EXPECT_EQ (scaleTableOf (single), (Notes { 72, 74, 76, 77, 79, 81, 83, 84, 86, 88, 89, 91, 93, 95, 96, 98 }));
}

TEST (HeldNoteContext, NotesBelowTheReferenceAreRaisedByOctaves)
{
    // G under C E G: the nearest C to the lowest note is the one five semitones above it.
    const auto c = contextFromHeld ({ 43, 60, 64, 67 });
    EXPECT_EQ (c.referenceNote, 48);
    EXPECT_EQ (chordTable (c), (Notes { 55, 60, 64, 67, 67, 72, 76, 79 }));
}

TEST (HeldNoteContext, AtMostSixteenNotes)
{
    Notes many (17);
    std::iota (many.begin(), many.end(), 40);

    const auto seventeen = contextFromHeld (many);
    const auto sixteen = contextFromHeld (Notes (many.begin(), many.begin() + 16));
    EXPECT_EQ (std::memcmp (&seventeen, &sixteen, sizeof (PitchContext)), 0);
    EXPECT_EQ (seventeen.inputCount, 16);
    EXPECT_EQ (seventeen.chordCount, 16);

    // Ten notes: only the first six get an octave copy.
    const auto ten = contextFromHeld ({ 60, 62, 64, 65, 67, 69, 71, 72, 74, 76 });
    EXPECT_EQ (ten.chordCount, 16);
    EXPECT_EQ (chordTable (ten), (Notes { 60, 62, 64, 65, 67, 69, 71, 72, 72, 74, 74, 76, 76, 77, 79, 81 }));

    expectEmpty (contextFromHeld ({}));
}

TEST (ProjectContext, FirstMatchingSourceWins)
{
    Project project;
    const Notes held { 57, 60, 64 };
    const auto heldCount = static_cast<int> (held.size());

    EXPECT_EQ (pitchContextForProject (project, held.data(), heldCount, true).referenceNote, 57);
    EXPECT_EQ (chordTable (pitchContextForProject (project, nullptr, 0, true)), (Notes { 48, 52, 55, 59 }));
    expectEmpty (pitchContextForProject (project, nullptr, 0, false));

    project.previewChord = "R";
    expectEmpty (pitchContextForProject (project, nullptr, 0, true));
    project.previewChord = "Cfoo";
    expectEmpty (pitchContextForProject (project, nullptr, 0, true));
    project.previewChord = " Dm7 / A : 2 ";
    EXPECT_EQ (inputTable (pitchContextForProject (project, nullptr, 0, true)), (Notes { 45, 50, 53, 57, 60 }));

    project.pitchSource = PitchSource::scale;
    project.scale = scaleOf (7, "Mixolydian");
    const auto scale = pitchContextForProject (project, held.data(), heldCount, true);
    EXPECT_EQ (scale.referenceNote, 55);
    EXPECT_EQ (inputTable (scale), (Notes { 55, 57, 59, 60, 62, 64, 65 }));
}

TEST (Resolution, IndicesWrapByOctavesAndResultsClamp)
{
    const auto c = pitchContextFromScale ({});
    struct Case
    {
        NoteTarget target;
        int octave;
        int pitch;
    };

    const Case cases[] = {
        { target (TargetBasis::scale, 0), 0, 48 },
        { target (TargetBasis::scale, 6), 0, 59 },
        { target (TargetBasis::scale, 14), 0, 72 },
        { target (TargetBasis::scale, -7), 0, 36 },
        { target (TargetBasis::scale, -8), 0, 35 },
        { target (TargetBasis::input, 2, 1), 1, 65 },
        { target (TargetBasis::chord, 0, -2), -1, 34 },
        { target (TargetBasis::chord, 1000), 0, 127 },
        { target (TargetBasis::chord, -1000), 0, 0 },
        { target (TargetBasis::chord, 0), 2147483647, 127 },
        { target (TargetBasis::chord, -2147483647 - 1, 0), 0, 0 },
        { target (TargetBasis::fixed, 99, 0, 120), 1, 127 },
        { target (TargetBasis::fixed, 0, 0, 5), -1, 0 },
        { target (TargetBasis::fixed, 0, -3, 64), 1, 73 },
        { target (TargetBasis::fixed, 0, 2147483647, 2147483647), 0, 127 },
        { target (static_cast<TargetBasis> (4), 0), 0, -1 },
        { target (static_cast<TargetBasis> (-1), 0), 0, -1 },
    };

    for (const auto& [t, octave, pitch] : cases)
        EXPECT_EQ (resolveTargetPitch (t, octave, c), pitch)
            << "basis " << static_cast<int> (t.basis) << " index " << t.index << " octave " << octave;
}

TEST (Resolution, EmptyTablesGiveNoNote)
{
    const PitchContext empty;
    for (const auto basis : { TargetBasis::chord, TargetBasis::scale, TargetBasis::input })
        for (const auto index : { -1, 0, 5 })
            EXPECT_EQ (resolveTargetPitch (target (basis, index), 0, empty), -1);

    EXPECT_EQ (resolveTargetPitch (target (TargetBasis::fixed, 0, 0, 72), 0, empty), 72);
}
