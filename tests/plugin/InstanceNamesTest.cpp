#include "plugin/InstanceNames.h"

#include <gtest/gtest.h>

#include <set>

using namespace VarneT;

TEST (InstanceNames, GeneratedNamesAreAdjectiveAnimalPairs)
{
    const auto* words = instanceNameWords();
    juce::StringArray adjectives, animals;

    for (int i = 0; i < 16; ++i)
    {
        adjectives.add (words[i]);
        animals.add (words[16 + i]);
    }

    EXPECT_EQ (adjectives[0], "Amber");
    EXPECT_EQ (adjectives[15], "Winter");
    EXPECT_EQ (animals[0], "Badger");
    EXPECT_EQ (animals[15], "Wren");

    std::set<juce::String> seen;
    for (int i = 0; i < 200; ++i)
    {
        const auto name = generateInstanceName();
        const auto parts = juce::StringArray::fromTokens (name, " ", {});
        ASSERT_EQ (parts.size(), 2) << name;
        EXPECT_TRUE (adjectives.contains (parts[0])) << name;
        EXPECT_TRUE (animals.contains (parts[1])) << name;
        EXPECT_NE (name, "Main");
        seen.insert (name);
    }

    EXPECT_GT (seen.size(), 50u) << "names should vary between instances";
}

TEST (InstanceNames, StripsOnlyGeneratedSuffixes)
{
    const struct
    {
        const char* name;
        const char* expected;
    } cases[] = {
        { "Quiet Otter 3F2A", "Quiet Otter" },
        { "Amber Wren 0000", "Amber Wren" },
        { "Quiet Otter 3f2a", "Quiet Otter 3f2a" },       // lower-case digits
        { "Quiet Otters 3F2A", "Quiet Otters 3F2A" },     // not an animal of the list
        { "Night Sky Owl 12AB", "Night Sky Owl 12AB" },   // three words before the suffix
        { "Quiet Otter 3F2", "Quiet Otter 3F2" },         // three digits
        { "Quiet Otter 3F2AB", "Quiet Otter 3F2AB" },     // five digits
        { "quiet Otter 3F2A", "quiet Otter 3F2A" },       // case-sensitive words
        { "Quiet Otter", "Quiet Otter" },
        { " Quiet Otter 3F2A", " Quiet Otter 3F2A" },     // first space at index 0
        { "", "" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (stripGeneratedNameSuffix (c.name), juce::String (c.expected)) << c.name;
}
