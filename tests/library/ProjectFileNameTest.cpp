// The library's file names for project names: the same legal, trimmed and shortened names as the
// Section MIDI export, with ".json".

#include "editor/library/ProjectLibrary.h"

#include <gtest/gtest.h>

TEST (ProjectFileName, NoBlankBeforeTheExtensionAndWithinOnePathComponent)
{
    juce::String longName;
    for (int i = 0; i < 84; ++i)
        longName += juce::String (juce::CharPointer_UTF8 ("\xe5\xa4\x9c")); // three bytes each

    const struct { const char* label; juce::String name; juce::String expected; } cases[] {
        { "blanks left by removed characters", "Verse/Chorus: *?", "VerseChorus.json" },
        { "blank before a replaced extension", "Take .5", "Take.json" },
        { "blank left at the start", "/ Intro", "Intro.json" },
        { "no legal character", ":/?*", "" },
        // Room is kept for a " (n)" suffix of up to eight bytes: 255 - 8 - 5 bytes for the stem.
        { "long three-byte name", longName, longName.substring (0, 80) + ".json" },
        { "cut at a blank", longName.substring (0, 80) + " " + longName.substring (0, 3), longName.substring (0, 80) + ".json" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.label);
        const auto fileName = VarneT::projectFileNameFor (c.name);
        EXPECT_EQ (fileName, c.expected);
        EXPECT_LE (fileName.getNumBytesAsUTF8(), (size_t) VarneT::maxFileNameBytes);
    }
}
