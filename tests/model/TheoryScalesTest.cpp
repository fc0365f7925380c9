#include "model/Scales.h"

#include <gtest/gtest.h>

using namespace VarneT;

namespace
{
struct ScaleCase
{
    const char* name;
    std::vector<int> intervals;
};

const std::vector<int> major { 0, 2, 4, 5, 7, 9, 11 };
} // namespace

TEST (Scales, TableHoldsTwentyScalesInSelectorOrder)
{
    const ScaleCase expected[] = {
        { "Major", major },
        { "Minor", { 0, 2, 3, 5, 7, 8, 10 } },
        { "Dorian", { 0, 2, 3, 5, 7, 9, 10 } },
        { "Mixolydian", { 0, 2, 4, 5, 7, 9, 10 } },
        { "Lydian", { 0, 2, 4, 6, 7, 9, 11 } },
        { "Phrygian", { 0, 1, 3, 5, 7, 8, 10 } },
        { "Hirajoshi", { 0, 2, 3, 7, 8 } },
        { "Pent. Minor", { 0, 3, 5, 7, 10 } },
        { "Pent. Major", { 0, 2, 4, 7, 9 } },
        { "Blues", { 0, 3, 5, 6, 7, 10 } },
        { "Egyptian", { 0, 2, 5, 7, 10 } },
        { "Lydian Ext.", { 0, 2, 4, 6, 7, 9, 11 } },
        { "Dorian Ext.", { 0, 2, 3, 5, 7, 9, 10 } },
        { "Ionian Sus", major },
        { "Harm. Minor", { 0, 2, 3, 5, 7, 8, 11 } },
        { "Melodic Min.", { 0, 2, 3, 5, 7, 9, 11 } },
        { "Lydian Dom.", { 0, 2, 4, 6, 7, 9, 10 } },
        { "Locrian", { 0, 1, 3, 5, 6, 8, 10 } },
        { "Whole Tone", { 0, 2, 4, 6, 8, 10 } },
        { "Hungarian Min.", { 0, 2, 3, 6, 7, 8, 11 } },
    };

    const auto& table = scaleTable();
    ASSERT_EQ (table.size(), std::size (expected));
    EXPECT_EQ (&table, &scaleTable());

    for (size_t i = 0; i < table.size(); ++i)
    {
        EXPECT_EQ (table[i].name, expected[i].name) << i;
        EXPECT_EQ (table[i].intervals, expected[i].intervals) << expected[i].name;
        EXPECT_EQ (findScaleIntervals (expected[i].name), expected[i].intervals) << expected[i].name;
        EXPECT_EQ (canonicalScaleName (expected[i].name), expected[i].name);
    }
}

TEST (Scales, AliasesNameTheirTableRow)
{
    const std::pair<const char*, const char*> aliases[] = {
        { "Natural Minor", "Minor" },
        { "Harmonic Minor", "Harm. Minor" },
        { "Pentatonic Minor", "Pent. Minor" },
        { "Pentatonic Major", "Pent. Major" },
        { "Melodic Minor", "Melodic Min." },
        { "Lydian Dominant", "Lydian Dom." },
        { "Hungarian Minor", "Hungarian Min." },
    };

    for (const auto& [alias, name] : aliases)
    {
        EXPECT_EQ (canonicalScaleName (alias), name);
        EXPECT_EQ (canonicalScaleName (juce::String ("  ") + alias + "\t"), name);
        EXPECT_EQ (findScaleIntervals (alias), findScaleIntervals (name)) << alias;
        EXPECT_FALSE (findScaleIntervals (alias).empty()) << alias;
    }
}

TEST (Scales, LookupTrimsButIsOtherwiseExact)
{
    const ScaleCase cases[] = {
        { "Major", major },
        { "  Major  ", major },
        { " Harmonic Minor ", { 0, 2, 3, 5, 7, 8, 11 } },
        { "Ionian Sus", major },
        { "major", {} },
        { "MAJOR", {} },
        { "Pent Minor", {} },
        { "natural minor", {} },
        { "Harmonic  Minor", {} },
        { "", {} },
        { "   ", {} },
    };

    for (const auto& c : cases)
        EXPECT_EQ (findScaleIntervals (c.name), c.intervals) << "'" << c.name << "'";

    EXPECT_EQ (findScaleIntervalList ("Blues").count, 6);
    EXPECT_EQ (findScaleIntervalList (juce::String ("Blues")).count, 6);
    EXPECT_EQ (canonicalScaleName ("  Pent Minor "), "Pent Minor");
    EXPECT_EQ (canonicalScaleName (""), "");
}
