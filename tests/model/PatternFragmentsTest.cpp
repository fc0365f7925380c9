#include "model/PatternFragments.h"

#include <gtest/gtest.h>

#include <limits>

using namespace VarneT;

namespace
{
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

Pattern sourcePattern (double lengthBeats, int repeatCount = 1)
{
    Pattern pattern;
    pattern.name = "Tide";
    pattern.category = "Piano";
    pattern.lengthBeats = lengthBeats;
    pattern.repeatCount = repeatCount;
    pattern.voices = { { 0, "Low" }, { 1, "High" } };
    pattern.modifiers.variationSeed = 99;
    pattern.modifiers.swing = 0.3;
    return pattern;
}

NoteEvent noteAt (const char* id, double start, double duration)
{
    NoteEvent note;
    note.id = id;
    note.startBeat = start;
    note.durationBeats = duration;
    note.voiceId = 1;
    return note;
}
} // namespace

TEST (PatternFragments, Operations)
{
    // split: fragmentLength > 0 splits; otherwise load with `slots`.
    struct Case
    {
        const char* what;
        double length;
        int repeatCount;
        double fragmentLength; // split when not 0
        int slots;             // load when fragmentLength is 0
        const char* message;
        std::vector<double> lengths;
        std::vector<const char*> names;
    };

    const std::vector<Case> cases {
        { "64 beats load as 8-beat fragments", 64, 1, 0, 16, "", { 8, 8, 8, 8, 8, 8, 8, 8 },
          { "Tide A", "Tide B", "Tide C", "Tide D", "Tide E", "Tide F", "Tide G", "Tide H" } },
        { "96 beats with 16 slots", 96, 1, 0, 16, "", std::vector<double> (12, 8.0), {} },
        { "96 beats with 10 slots falls back to 4 bars", 96, 1, 0, 10, "", std::vector<double> (6, 16.0), {} },
        { "96 beats with 5 slots", 96, 1, 0, 5,
          "Cannot load 'Tide': it needs 6 Patterns even with 4-bar fragments, but this Section has room for only 5", {}, {} },
        { "repeats count against the slots", 32, 3, 0, 16, "", std::vector<double> (12, 8.0), {} },
        { "16 beats load whole", 16, 2, 0, 1, "", { 16 }, { "Tide" } },
        { "just above 16 beats loads whole", 16.0000000005, 1, 0, 1, "", { 16.0000000005 }, { "Tide" } },
        { "no slots", 4, 1, 0, 0, "This Section has no available Pattern slots", {}, {} },
        { "loading an endless performance", infinity, 1, 0, 16, "Pattern length must be positive and finite", {}, {} },
        { "loading a NaN-long performance", notANumber, 1, 0, 16, "Pattern length must be positive and finite", {}, {} },
        { "20 beats in 8-beat fragments", 20, 1, 8, 0, "", { 8, 8, 4 }, { "Tide A", "Tide B", "Tide C" } },
        { "three repeats of five fragments", 20, 3, 4, 0, "", std::vector<double> (15, 4.0),
          { "Tide A", "Tide B", "Tide C", "Tide D", "Tide E", "Tide A", "Tide B", "Tide C", "Tide D", "Tide E",
            "Tide A", "Tide B", "Tide C", "Tide D", "Tide E" } },
        { "three repeats of six fragments", 24, 3, 4, 0, "Pattern could not be divided into fragments", {}, {} },
        { "seventeen fragments", 68, 1, 4, 0, "Pattern could not be divided into fragments", {}, {} },
        { "repeat count 9", 8, 9, 4, 0, "Pattern could not be divided into fragments", {}, {} },
        { "tiny fragment length", 4, 1, 1.0e-300, 0, "Pattern could not be divided into fragments", {}, {} },
        { "smallest fragment length", 256, 1, std::numeric_limits<double>::denorm_min(), 0, "Pattern could not be divided into fragments", {}, {} },
        { "negative fragment length", 8, 1, -4, 0, "Pattern fragment length must be positive and finite", {}, {} },
        { "NaN fragment length", 8, 1, notANumber, 0, "Pattern fragment length must be positive and finite", {}, {} },
        { "infinite fragment length", 8, 1, infinity, 0, "Pattern fragment length must be positive and finite", {}, {} },
        { "zero pattern length", 0, 1, 4, 0, "Pattern length must be positive and finite", {}, {} },
        { "NaN pattern length", notANumber, 1, 4, 0, "Pattern length must be positive and finite", {}, {} },
        { "infinite pattern length", infinity, 1, 4, 0, "Pattern length must be positive and finite", {}, {} },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        const auto source = sourcePattern (c.length, c.repeatCount);
        std::vector<Pattern> output (2, sourcePattern (1.0));

        const auto message = c.fragmentLength != 0.0 ? splitPatternIntoFragments (source, c.fragmentLength, output)
                                                     : loadPerformanceIntoSection (source, c.slots, output);
        EXPECT_EQ (message, c.message);

        if (message.isNotEmpty())
        {
            EXPECT_EQ (output.size(), 2u) << "output unchanged on failure";
            continue;
        }

        ASSERT_EQ (output.size(), c.lengths.size());
        for (size_t i = 0; i < output.size(); ++i)
        {
            EXPECT_DOUBLE_EQ (output[i].lengthBeats, c.lengths[i]);
            if (! c.names.empty())
            {
                EXPECT_EQ (output[i].name, c.names[i]);
            }
            EXPECT_EQ (output[i].repeatCount, c.lengths.size() == 1 ? c.repeatCount : 1);
            EXPECT_EQ (output[i].category, "Piano");
            EXPECT_EQ (output[i].voices.size(), 2u);
            EXPECT_EQ (output[i].modifiers.variationSeed, 99u);
            EXPECT_EQ (output[i].modifiers.swing, 0.3);
        }
    }
}

TEST (PatternFragments, EventsGoToTheFragmentTheyStartIn)
{
    auto source = sourcePattern (24.0);
    source.notes = { noteAt ("a", 0.0, 1.0), noteAt ("b", 7.9, 2.0), noteAt ("c", 8.0, 0.5), noteAt ("d", 23.5, 4.0) };
    PedalEvent pedal;
    pedal.id = "p";
    pedal.startBeat = 16.0;
    source.pedal = { pedal };

    std::vector<Pattern> fragments;
    ASSERT_EQ (splitPatternIntoFragments (source, 8.0, fragments), "");
    ASSERT_EQ (fragments.size(), 3u);

    ASSERT_EQ (fragments[0].notes.size(), 2u);
    EXPECT_EQ (fragments[0].notes[1].id, "b");
    EXPECT_DOUBLE_EQ (fragments[0].notes[1].startBeat, 7.9);
    EXPECT_DOUBLE_EQ (fragments[0].notes[1].durationBeats, 2.0);

    ASSERT_EQ (fragments[1].notes.size(), 1u);
    EXPECT_EQ (fragments[1].notes[0].id, "c");
    EXPECT_DOUBLE_EQ (fragments[1].notes[0].startBeat, 0.0);

    ASSERT_EQ (fragments[2].notes.size(), 1u);
    EXPECT_DOUBLE_EQ (fragments[2].notes[0].startBeat, 7.5);
    EXPECT_DOUBLE_EQ (fragments[2].notes[0].durationBeats, 4.0);
    ASSERT_EQ (fragments[2].pedal.size(), 1u);
    EXPECT_DOUBLE_EQ (fragments[2].pedal[0].startBeat, 0.0);
    EXPECT_TRUE (fragments[0].pedal.empty() && fragments[1].pedal.empty());
}

TEST (PatternFragments, CountsAndNames)
{
    struct CountCase { double length, fragment; int expected; };
    for (const auto& c : std::vector<CountCase> { { 32, 8, 4 }, { 32.0001, 8, 5 }, { 4, 8, 1 }, { 0, 8, 1 }, { 8.5, 8, 2 }, { 96, 16, 6 } })
        EXPECT_EQ (fragmentCount (c.length, c.fragment), c.expected) << c.length << " / " << c.fragment;

    auto source = sourcePattern (8.0);
    struct NameCase { int index; const char* expected; };
    for (const auto& c : std::vector<NameCase> { { 0, "Tide A" }, { 25, "Tide Z" }, { 26, "Tide AA" }, { 27, "Tide AB" },
                                                 { 701, "Tide ZZ" }, { 702, "Tide AAA" }, { -1, "Tide " } })
        EXPECT_EQ (fragmentName (source, c.index), c.expected) << c.index;

    source.name = juce::String::repeatedString ("x", 256);
    EXPECT_EQ (fragmentName (source, 0), juce::String::repeatedString ("x", 254) + " A");
    EXPECT_EQ (fragmentName (source, 26), juce::String::repeatedString ("x", 253) + " AA");

    // Cutting back to a blank drops the blank too.
    source.name = juce::String::repeatedString ("x", 253) + " yy";
    EXPECT_EQ (fragmentName (source, 0), juce::String::repeatedString ("x", 253) + " A");

    // Two-byte characters are cut whole.
    source.name = juce::String::repeatedString (juce::String::fromUTF8 ("\xc3\xa9"), 128);
    const auto name = fragmentName (source, 0);
    EXPECT_LE (name.getNumBytesAsUTF8(), 256u);
    EXPECT_EQ (name, juce::String::repeatedString (juce::String::fromUTF8 ("\xc3\xa9"), 127) + " A");
}

TEST (PatternFragments, ActiveSectionAndSectionLength)
{
    Project project;
    EXPECT_EQ (project.clampedActiveSectionIndex(), -1);

    project.sections.resize (3);
    struct IndexCase { int active, expected; };
    for (const auto& c : std::vector<IndexCase> { { 7, 2 }, { -4, 0 }, { 1, 1 } })
    {
        project.activeSectionIndex = c.active;
        EXPECT_EQ (project.clampedActiveSectionIndex(), c.expected) << c.active;
    }

    Section section;
    EXPECT_EQ (sectionLengthBeats (section), 0.0);
    section.repeatCount = 2;
    section.sequence = { sourcePattern (4.0, 2), sourcePattern (8.0, 1) };
    EXPECT_EQ (sectionLengthBeats (section), 32.0);
}
