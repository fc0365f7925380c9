#include "model/ChordSymbols.h"

#include <gtest/gtest.h>

#include <string>

using namespace VarneT;

namespace
{
struct QualityCase
{
    const char* suffix;
    std::vector<int> intervals;
};

const QualityCase qualityCases[] = {
    { "m", { 0, 3, 7 } },
    { "dim", { 0, 3, 6 } },
    { "aug", { 0, 4, 8 } },
    { "+", { 0, 4, 8 } },
    { "5", { 0, 7 } },
    { "sus", { 0, 5, 7 } },
    { "sus2", { 0, 2, 7 } },
    { "sus4", { 0, 5, 7 } },
    { "add2", { 0, 2, 4, 7 } },
    { "add4", { 0, 4, 5, 7 } },
    { "add9", { 0, 4, 7, 14 } },
    { "m(add2)", { 0, 2, 3, 7 } },
    { "m(add4)", { 0, 3, 5, 7 } },
    { "m(add9)", { 0, 3, 7, 14 } },
    { "6", { 0, 4, 7, 9 } },
    { "m6", { 0, 3, 7, 9 } },
    { "6/9", { 0, 4, 7, 9, 14 } },
    { "m6/9", { 0, 3, 7, 9, 14 } },
    { "7", { 0, 4, 7, 10 } },
    { "maj7", { 0, 4, 7, 11 } },
    { "m7", { 0, 3, 7, 10 } },
    { "dim7", { 0, 3, 6, 9 } },
    { "m7b5", { 0, 3, 6, 10 } },
    { "m(maj7)", { 0, 3, 7, 11 } },
    { "7sus2", { 0, 2, 7, 10 } },
    { "7sus4", { 0, 5, 7, 10 } },
    { "maj7sus4", { 0, 5, 7, 11 } },
    { "9", { 0, 4, 7, 10, 14 } },
    { "maj9", { 0, 4, 7, 11, 14 } },
    { "m9", { 0, 3, 7, 10, 14 } },
    { "m(maj9)", { 0, 3, 7, 11, 14 } },
    { "9sus4", { 0, 5, 7, 10, 14 } },
    { "11", { 0, 4, 7, 10, 14, 17 } },
    { "maj11", { 0, 4, 7, 11, 14, 17 } },
    { "m11", { 0, 3, 7, 10, 14, 17 } },
    { "m(maj11)", { 0, 3, 7, 11, 14, 17 } },
    { "13", { 0, 4, 7, 10, 14, 21 } },
    { "maj13", { 0, 4, 7, 11, 14, 21 } },
    { "m13", { 0, 3, 7, 10, 14, 21 } },
    { "m13add11", { 0, 3, 7, 10, 14, 17, 21 } },
    { "m(maj13)", { 0, 3, 7, 11, 14, 21 } },
    { "13sus4", { 0, 5, 7, 10, 14, 21 } },
    { "maj13sus4", { 0, 5, 7, 11, 14, 21 } },
    { "7b5", { 0, 4, 6, 10 } },
    { "7#5", { 0, 4, 8, 10 } },
    { "7b9", { 0, 4, 7, 10, 13 } },
    { "7#9", { 0, 4, 7, 10, 15 } },
    { "7b13", { 0, 4, 7, 10, 20 } },
    { "7alt", { 0, 4, 8, 10, 13, 15 } },
    { "7#11", { 0, 4, 7, 10, 18 } },
    { "9#11", { 0, 4, 7, 10, 14, 18 } },
    { "9b5", { 0, 4, 6, 10, 14 } },
    { "9#5", { 0, 4, 8, 10, 14 } },
    { "13b9", { 0, 4, 7, 10, 13, 21 } },
    { "13#9", { 0, 4, 7, 10, 15, 21 } },
    { "13#11", { 0, 4, 7, 10, 14, 18, 21 } },
    { "maj7#5", { 0, 4, 8, 11 } },
    { "maj9#5", { 0, 4, 8, 11, 14 } },
    { "maj13(#5)", { 0, 4, 8, 11, 14, 21 } },
    { "maj7(#11)", { 0, 4, 7, 11, 18 } },
    { "maj9(#11)", { 0, 4, 7, 11, 14, 18 } },
    { "maj13(#11)", { 0, 4, 7, 11, 14, 18, 21 } },
    { "m7#11", { 0, 3, 7, 10, 18 } },
    { "m9#11", { 0, 3, 7, 10, 14, 18 } },
    { "m13(#11)", { 0, 3, 7, 10, 14, 18, 21 } },
    { "maj7(#5)", { 0, 4, 8, 11 } },
};

struct RootCase
{
    const char* name;
    int pitchClass;
};

const RootCase roots[] = { { "C", 0 }, { "F#", 6 }, { "Bb", 10 }, { "e", 4 }, { "Cb", 11 } };
} // namespace

TEST (ChordQualities, EverySuffixParsesOnSeveralRoots)
{
    ASSERT_EQ (std::size (qualityCases), 66u);

    for (const auto& quality : qualityCases)
    {
        EXPECT_EQ (chordQualityIntervals (quality.suffix), quality.intervals) << quality.suffix;

        for (const auto& root : roots)
        {
            const auto symbol = juce::String (root.name) + quality.suffix;
            ParsedChord chord;
            ASSERT_EQ (parseChordSymbol (symbol, chord), "") << symbol;
            EXPECT_EQ (chord.rootPitchClass, root.pitchClass) << symbol;
            EXPECT_EQ (chord.quality, quality.suffix) << symbol;
            EXPECT_EQ (chord.intervals, quality.intervals) << symbol;
            EXPECT_EQ (chord.bassPitchClass, -1) << symbol;
            EXPECT_FALSE (chord.isRest);
        }
    }
}

TEST (ChordQualities, LookupIsExactAfterTrimming)
{
    EXPECT_EQ (chordQualityIntervals (""), (std::vector<int> { 0, 4, 7 }));
    EXPECT_EQ (chordQualityIntervals ("   "), (std::vector<int> { 0, 4, 7 }));
    EXPECT_EQ (chordQualityIntervals (" m7\t"), (std::vector<int> { 0, 3, 7, 10 }));
    EXPECT_TRUE (chordQualityIntervals ("M7").empty());
    EXPECT_TRUE (chordQualityIntervals ("Maj7").empty());
    EXPECT_TRUE (chordQualityIntervals ("m 7").empty());
    EXPECT_TRUE (chordQualityIntervals ("maj").empty());
    EXPECT_TRUE (chordQualityIntervals ("maj7(#5)x").empty());
}

TEST (NoteNames, PitchClassOfNoteName)
{
    const RootCase cases[] = {
        { "C", 0 }, { " c# ", 1 }, { "Db", 1 }, { "Cb", 11 }, { "B#", 0 }, { "E#", 5 }, { "Fb", 4 },
        { "g", 7 }, { "Ab", 8 }, { "Cmaj7", 0 }, { "CB", 0 }, { "Bbb", 10 }, { "H", -1 },
        { "", -1 }, { "  ", -1 }, { "#C", -1 }, { "1", -1 },
    };

    for (const auto& c : cases)
        EXPECT_EQ (pitchClassOfNoteName (juce::String (c.name)), c.pitchClass) << "'" << c.name << "'";
}

TEST (NoteNames, LiteralsAndJuceStringsAgree)
{
    EXPECT_EQ (pitchClassOfNoteName ("F#"), 6);
    EXPECT_EQ (pitchClassOfNoteName (juce::String ("F#")), 6);
    EXPECT_EQ (noteNamePrefixLength ("Bb7"), 2);
    EXPECT_EQ (noteNamePrefixLength (juce::String ("Bb7")), 2);
}

TEST (NoteNames, NoteNamePrefixLength)
{
    const RootCase cases[] = {
        { "", 0 }, { "C", 1 }, { "C#", 2 }, { "Cb", 2 }, { "cbm", 2 }, { "CB", 1 }, { "Cmaj7", 1 },
        { " C", 0 }, { "x", 0 }, { "R", 0 }, { "G#7", 2 },
    };

    for (const auto& c : cases)
        EXPECT_EQ (noteNamePrefixLength (juce::String (c.name)), c.pitchClass) << "'" << c.name << "'";
}

namespace
{
struct SymbolCase
{
    std::string symbol;
    const char* message;
    int root, bass, bars;
    bool isRest;
    const char* quality;
    std::vector<int> intervals;
};

const std::string elevenNines (11, '9');
} // namespace

TEST (ChordSymbolParser, ResultsAndMessages)
{
    const SymbolCase cases[] = {
        // symbol, message, root, bass, bars, rest, quality, intervals
        { "C", "", 0, -1, 1, false, "", { 0, 4, 7 } },
        { "c", "", 0, -1, 1, false, "", { 0, 4, 7 } },
        { "  Am7 / G : 2  ", "", 9, 7, 2, false, "m7", { 0, 3, 7, 10 } },
        { "\tDm7\n", "", 2, -1, 1, false, "m7", { 0, 3, 7, 10 } },
        { "C/", "", 0, -1, 1, false, "", { 0, 4, 7 } },
        { "C/C", "", 0, 0, 1, false, "", { 0, 4, 7 } },
        { "Cmaj7/E", "", 0, 4, 1, false, "maj7", { 0, 4, 7, 11 } },
        { "F#m7b5/c:3", "", 6, 0, 3, false, "m7b5", { 0, 3, 6, 10 } },
        { "R", "", 0, -1, 1, true, "", {} },
        { "R:4", "", 0, -1, 4, true, "", {} },
        { "R / E : 2", "", 0, 4, 2, true, "", {} },
        { "C:064", "", 0, -1, 64, false, "", { 0, 4, 7 } },
        { "C:" + std::string (40, '0') + "7", "", 0, -1, 7, false, "", { 0, 4, 7 } },
        { "Cb", "", 11, -1, 1, false, "", { 0, 4, 7 } },
        { "B#", "", 0, -1, 1, false, "", { 0, 4, 7 } },
        { "Cbm", "", 11, -1, 1, false, "m", { 0, 3, 7 } },
        { "Cb5", "", 11, -1, 1, false, "5", { 0, 7 } },
        { "Bbm", "", 10, -1, 1, false, "m", { 0, 3, 7 } },
        { "C6/9", "", 0, -1, 1, false, "6/9", { 0, 4, 7, 9, 14 } },
        { "Cm6/9:2", "", 0, -1, 2, false, "m6/9", { 0, 3, 7, 9, 14 } },
        { "C6/9/G", "", 0, 7, 1, false, "6/9", { 0, 4, 7, 9, 14 } },
        { "Cmaj7(#5)", "", 0, -1, 1, false, "maj7(#5)", { 0, 4, 8, 11 } },
        { "Cmaj7#5", "", 0, -1, 1, false, "maj7#5", { 0, 4, 8, 11 } },
        { "C m7", "", 0, -1, 1, false, "m7", { 0, 3, 7, 10 } },

        { "", "chord symbol must not be empty", 0, -1, 1, false, "", {} },
        { " \t\r\n ", "chord symbol must not be empty", 0, -1, 1, false, "", {} },
        { "C:", "bars suffix must be a positive integer", 0, -1, 1, false, "", {} },
        { "C:x", "bars suffix must be a positive integer", 0, -1, 1, false, "", {} },
        { "C:-1", "bars suffix must be a positive integer", 0, -1, 1, false, "", {} },
        { "C:+2", "bars suffix must be a positive integer", 0, -1, 1, false, "", {} },
        { "C:1 2", "bars suffix must be a positive integer", 0, -1, 1, false, "", {} },
        { "C:0", "bars suffix must be between 1 and 64", 0, -1, 1, false, "", {} },
        { "C:65", "bars suffix must be between 1 and 64", 0, -1, 1, false, "", {} },
        { "C:" + elevenNines, "bars suffix must be between 1 and 64", 0, -1, 1, false, "", {} },
        { "C:" + std::string (5000, '9'), "bars suffix must be between 1 and 64", 0, -1, 1, false, "", {} },
        { "C:4294967297", "bars suffix must be between 1 and 64", 0, -1, 1, false, "", {} },
        { "H7:0", "bars suffix must be between 1 and 64", 0, -1, 1, false, "", {} },
        { ":4", "invalid chord root", 0, -1, 4, false, "", {} },
        { "/E", "invalid chord root", 0, 4, 1, false, "", {} },
        { "r", "invalid chord root", 0, -1, 1, false, "", {} },
        { "H7", "invalid chord root", 0, -1, 1, false, "", {} },
        { "7", "invalid chord root", 0, -1, 1, false, "", {} },
        { "CM7", "unsupported chord quality 'M7'", 0, -1, 1, false, "M7", {} },
        { "CB", "unsupported chord quality 'B'", 0, -1, 1, false, "B", {} },
        { "C/9", "unsupported chord quality '/9'", 0, -1, 1, false, "/9", {} },
        { "C/E/G", "unsupported chord quality '/E'", 0, 7, 1, false, "/E", {} },
        { "C:1:2", "unsupported chord quality ':1'", 0, -1, 2, false, ":1", {} },
        { "D x ", "unsupported chord quality 'x'", 2, -1, 1, false, "x", {} },
        { "Em7\xc3\xa9", "unsupported chord quality 'm7\xc3\xa9'", 4, -1, 1, false, "m7\xc3\xa9", {} },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (::testing::Message() << "'" << c.symbol.substr (0, 40) << "'");
        ParsedChord chord;
        EXPECT_EQ (parseChordSymbol (juce::String::fromUTF8 (c.symbol.c_str()), chord), juce::String::fromUTF8 (c.message));
        EXPECT_EQ (chord.rootPitchClass, c.root);
        EXPECT_EQ (chord.bassPitchClass, c.bass);
        EXPECT_EQ (chord.bars, c.bars);
        EXPECT_EQ (chord.isRest, c.isRest);
        EXPECT_EQ (chord.quality, juce::String::fromUTF8 (c.quality));
        EXPECT_EQ (chord.intervals, c.intervals);
    }
}

TEST (ChordSymbolParser, EmptySymbolLeavesTheChordUntouchedAndOthersResetIt)
{
    const ParsedChord previous { 5, 3, 9, true, "m7", { 0, 3, 7, 10 } };

    auto chord = previous;
    EXPECT_EQ (parseChordSymbol ("   ", chord), "chord symbol must not be empty");
    EXPECT_EQ (chord.rootPitchClass, 5);
    EXPECT_EQ (chord.bassPitchClass, 3);
    EXPECT_EQ (chord.bars, 9);
    EXPECT_TRUE (chord.isRest);
    EXPECT_EQ (chord.quality, "m7");
    EXPECT_EQ (chord.intervals.size(), 4u);

    chord = previous;
    EXPECT_EQ (parseChordSymbol ("C:x", chord), "bars suffix must be a positive integer");
    EXPECT_EQ (chord.rootPitchClass, 0);
    EXPECT_EQ (chord.bassPitchClass, -1);
    EXPECT_EQ (chord.bars, 1);
    EXPECT_FALSE (chord.isRest);
    EXPECT_TRUE (chord.quality.isEmpty());
    EXPECT_TRUE (chord.intervals.empty());

    chord = previous;
    EXPECT_EQ (parseChordSymbol ("G", chord), "");
    EXPECT_EQ (chord.bassPitchClass, -1);
    EXPECT_EQ (chord.bars, 1);
    EXPECT_FALSE (chord.isRest);
    EXPECT_EQ (chord.intervals, (std::vector<int> { 0, 4, 7 }));
}

TEST (ChordSymbolParser, ByteFormNeverReadsPastItsLength)
{
    // The view ends before the bytes that would make it valid.
    const char text[] = "Cm7:12";
    ChordSymbolView chord;
    EXPECT_EQ (parseChordSymbol (std::string_view (text, 4), chord), ChordParseError::barsNotPositiveInteger);
    EXPECT_EQ (parseChordSymbol (std::string_view (text, 3), chord), ChordParseError::none);
    EXPECT_EQ (chord.intervals.count, 4);

    // A truncated multi-byte character at the end of the view.
    const char truncated[] = "C\xe2\x80";
    EXPECT_EQ (parseChordSymbol (std::string_view (truncated, 2), chord), ChordParseError::unsupportedQuality);
    EXPECT_EQ (chord.qualityOffset, 1u);
    EXPECT_EQ (chord.qualityBytes, 1u);
}

TEST (ChordSymbolParser, TrimsExactlyLikeJuceStrings)
{
    const char* texts[] = {
        "", " ", "C", " C ", "\t\n\v\f\rAm7\r\n", "\xe3\x80\x80" "C\xe3\x80\x80", "\xc2\xa0" "C",
        "C\xe2\x80\x83", "\xe2\x80\xa8 Dm7 \xe2\x80\xa9", "x \xc3\xa9 ", "\xe3\x80\x80",
    };

    for (const auto* text : texts)
    {
        const auto symbol = juce::String::fromUTF8 (text);
        const auto trimmed = trimmedUtf8 (utf8View (symbol));
        EXPECT_EQ (juce::String::fromUTF8 (trimmed.data(), static_cast<int> (trimmed.size())), symbol.trim()) << text;

        ParsedChord chord;
        EXPECT_EQ (parseChordSymbol (symbol, chord) == "chord symbol must not be empty", symbol.trim().isEmpty()) << text;
    }
}
