// The paths that playback runs for every span of every block must not touch the heap.

#include "model/PitchContext.h"
#include "model/Scales.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

using namespace VarneT;

namespace
{
class RealtimeTheory : public ::testing::Test
{
protected:
    void SetUp() override
    {
        prepareMusicTables();
        project.previewChord = "  Ebm13(#11) / Bb : 4 ";
        project.scale = { 3, " Harmonic Minor " };
    }

    int resolveAll (const PitchContext& context) const
    {
        auto sum = 0;
        for (const auto basis : { TargetBasis::chord, TargetBasis::scale, TargetBasis::input, TargetBasis::fixed })
            for (int index = -20; index < 20; ++index)
                sum += resolveTargetPitch ({ basis, index, 60, index % 3 }, index % 4, context);
        return sum;
    }

    Project project;
    const int held[5] = { 40, 52, 55, 59, 62 };
};
} // namespace

TEST_F (RealtimeTheory, ContextBuildersAndResolutionDoNotAllocate)
{
    struct Branch
    {
        const char* name;
        PitchSource source;
        int heldCount;
        bool audition;
        int expectedChordCount;
    };

    const Branch branches[] = {
        { "scale", PitchSource::scale, 5, true, 7 },
        { "held notes", PitchSource::chordInput, 5, true, 10 },
        { "preview chord", PitchSource::chordInput, 0, true, 7 },
        { "nothing", PitchSource::chordInput, 0, false, 0 },
    };

    for (const auto& branch : branches)
    {
        project.pitchSource = branch.source;
        const auto warmUp = pitchContextForProject (project, held, branch.heldCount, branch.audition);
        const auto expectedSum = resolveAll (warmUp);

        testing_support::AllocationCounter counter;
        for (int block = 0; block < 100; ++block)
        {
            const auto context = pitchContextForProject (project, held, branch.heldCount, branch.audition);
            ASSERT_EQ (context.chordCount, branch.expectedChordCount) << branch.name;
            ASSERT_EQ (resolveAll (context), expectedSum) << branch.name;
        }
        EXPECT_EQ (counter.allocations(), 0u) << branch.name;
        EXPECT_EQ (counter.frees(), 0u) << branch.name;
    }
}

TEST_F (RealtimeTheory, ByteFormLookupsDoNotAllocate)
{
    const auto name = project.scale.name;
    const auto symbol = project.previewChord;

    ChordSymbolView chord, notAChord;
    ChordParseError parsed, failed;
    IntervalList scale, quality;
    PitchContext single;
    int root;
    std::size_t allocations;
    {
        testing_support::AllocationCounter counter;
        parsed = parseChordSymbol (utf8View (symbol), chord);
        failed = parseChordSymbol (utf8View (name), notAChord);
        scale = findScaleIntervalList (name);
        quality = chordQualityIntervalList ("m13(#11)");
        single = pitchContextFromHeldNotes (held, 1, project.scale);
        root = guessChordRoot (held, 5);
        allocations = counter.allocations();
    }

    EXPECT_EQ (allocations, 0u);
    EXPECT_EQ (parsed, ChordParseError::none);
    EXPECT_EQ (chord.rootPitchClass, 3);
    EXPECT_EQ (chord.bassPitchClass, 10);
    EXPECT_EQ (chord.bars, 4);
    EXPECT_EQ (failed, ChordParseError::invalidRoot);
    EXPECT_EQ (scale.count, 7);
    EXPECT_EQ (quality.count, 7);
    EXPECT_EQ (single.chordCount, 2);
    EXPECT_EQ (root, 4);
}
