// Projects are compared field by field; the answer must be the one their written texts give.

#include "model/ProjectComparison.h"
#include "model/ProjectJson.h"

#include "support/ProjectJsonSamples.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

using namespace VarneT;

namespace
{
juce::String musicalText (Project project)
{
    project.identityName = "Main";
    project.activeSectionIndex = 0;
    for (auto& section : project.sections)
        section.name = "Section";

    return projectToJsonText (project);
}

juce::String textApartFromSelection (Project project)
{
    project.activeSectionIndex = 0;
    return projectToJsonText (project);
}

Pattern& firstPattern (Project& p) { return p.sections[0].sequence[0]; }
NoteEvent& firstNote (Project& p) { return firstPattern (p).notes[0]; }

void expectSameAnswersAsText (const Project& a, const Project& b)
{
    EXPECT_EQ (sameMusicalContent (a, b), musicalText (a) == musicalText (b));
    EXPECT_EQ (sameMusicalContent (b, a), musicalText (a) == musicalText (b));
    EXPECT_EQ (sameApartFromSelection (a, b), textApartFromSelection (a) == textApartFromSelection (b));
}
} // namespace

TEST (ProjectComparison, EachEditIsJudgedAsItsTextJudgesIt)
{
    struct Edit
    {
        const char* name;
        std::function<void (Project&)> apply;
        bool musicalSame, sameApartFromSelection;
    };

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();

    const Edit edits[] = {
        { "nothing", [] (Project&) {}, true, true },
        { "identity name", [] (Project& p) { p.identityName = "Other"; }, true, false },
        { "active Section", [] (Project& p) { p.activeSectionIndex = 1; }, true, true },
        { "Section name", [] (Project& p) { p.sections[0].name = "Verse"; }, true, false },
        { "Section repeats", [] (Project& p) { p.sections[0].repeatCount = 2; }, false, false },
        { "velocity", [] (Project& p) { firstNote (p).velocity += 1; }, false, false },
        { "note id", [] (Project& p) { firstNote (p).id += "x"; }, false, false },
        { "start one ulp on: same 16 digits", [] (Project& p) { firstNote (p).startBeat = std::nextafter (0.1, 1.0); }, true, true },
        { "start elsewhere", [] (Project& p) { firstNote (p).startBeat = 0.75; }, false, false },
        { "chance not a number", [nan] (Project& p) { firstNote (p).chance = nan; }, false, false },
        { "swing infinite", [infinity] (Project& p) { firstPattern (p).modifiers.swing = infinity; }, false, false },
        { "unknown basis", [] (Project& p) { firstNote (p).target.basis = (TargetBasis) 97; }, false, false },
        { "preview chord", [] (Project& p) { p.previewChord = "Dm7"; }, false, false },
        { "pattern removed", [] (Project& p) { p.sections[0].sequence.pop_back(); }, false, false },
    };

    auto base = project_samples::defaultLikeProject();
    base.sections[0].sequence.push_back (project_samples::smallPattern ("Second", 3));
    base.sections.push_back (base.sections[0]);
    firstNote (base).startBeat = 0.1;

    for (const auto& edit : edits)
    {
        SCOPED_TRACE (edit.name);
        auto edited = base;
        edit.apply (edited);
        expectSameAnswersAsText (base, edited);
        EXPECT_EQ (sameMusicalContent (base, edited), edit.musicalSame);
        EXPECT_EQ (sameApartFromSelection (base, edited), edit.sameApartFromSelection);
    }

    // Numbers that share their text compare the same whatever their bits.
    auto a = base, b = base;
    firstNote (a).chance = nan;
    firstNote (b).chance = -infinity;
    firstPattern (a).quantization = (Quantization) 90;
    firstPattern (b).quantization = (Quantization) 91;
    expectSameAnswersAsText (a, b);
    EXPECT_TRUE (sameMusicalContent (a, b));
}

TEST (ProjectComparison, RandomPairsAreJudgedAsTheirTextsJudgeThem)
{
    juce::Random random (5150);
    for (int i = 0; i < 200; ++i)
    {
        SCOPED_TRACE (i);
        const auto a = project_samples::randomProject (random);
        auto b = i % 2 == 0 ? a : project_samples::randomProject (random);

        // Renamed or re-selected copies differ only where names count.
        if (i % 4 == 0)
            b.sections.back().name = "Renamed";

        expectSameAnswersAsText (a, b);
    }
}
