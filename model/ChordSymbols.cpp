#include "model/ChordSymbols.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace VarneT
{
namespace
{
constexpr int maxQualityIntervals = 7;

struct ChordQuality
{
    std::string_view suffix;
    int count;
    int intervals[maxQualityIntervals];
};

// The chord vocabulary, in definition order.
constexpr ChordQuality chordQualities[] = {
    { "m", 3, { 0, 3, 7 } },
    { "dim", 3, { 0, 3, 6 } },
    { "aug", 3, { 0, 4, 8 } },
    { "+", 3, { 0, 4, 8 } },
    { "5", 2, { 0, 7 } },
    { "sus", 3, { 0, 5, 7 } },
    { "sus2", 3, { 0, 2, 7 } },
    { "sus4", 3, { 0, 5, 7 } },
    { "add2", 4, { 0, 2, 4, 7 } },
    { "add4", 4, { 0, 4, 5, 7 } },
    { "add9", 4, { 0, 4, 7, 14 } },
    { "m(add2)", 4, { 0, 2, 3, 7 } },
    { "m(add4)", 4, { 0, 3, 5, 7 } },
    { "m(add9)", 4, { 0, 3, 7, 14 } },
    { "6", 4, { 0, 4, 7, 9 } },
    { "m6", 4, { 0, 3, 7, 9 } },
    { "6/9", 5, { 0, 4, 7, 9, 14 } },
    { "m6/9", 5, { 0, 3, 7, 9, 14 } },
    { "7", 4, { 0, 4, 7, 10 } },
    { "maj7", 4, { 0, 4, 7, 11 } },
    { "m7", 4, { 0, 3, 7, 10 } },
    { "dim7", 4, { 0, 3, 6, 9 } },
    { "m7b5", 4, { 0, 3, 6, 10 } },
    { "m(maj7)", 4, { 0, 3, 7, 11 } },
    { "7sus2", 4, { 0, 2, 7, 10 } },
    { "7sus4", 4, { 0, 5, 7, 10 } },
    { "maj7sus4", 4, { 0, 5, 7, 11 } },
    { "9", 5, { 0, 4, 7, 10, 14 } },
    { "maj9", 5, { 0, 4, 7, 11, 14 } },
    { "m9", 5, { 0, 3, 7, 10, 14 } },
    { "m(maj9)", 5, { 0, 3, 7, 11, 14 } },
    { "9sus4", 5, { 0, 5, 7, 10, 14 } },
    { "11", 6, { 0, 4, 7, 10, 14, 17 } },
    { "maj11", 6, { 0, 4, 7, 11, 14, 17 } },
    { "m11", 6, { 0, 3, 7, 10, 14, 17 } },
    { "m(maj11)", 6, { 0, 3, 7, 11, 14, 17 } },
    { "13", 6, { 0, 4, 7, 10, 14, 21 } },
    { "maj13", 6, { 0, 4, 7, 11, 14, 21 } },
    { "m13", 6, { 0, 3, 7, 10, 14, 21 } },
    { "m13add11", 7, { 0, 3, 7, 10, 14, 17, 21 } },
    { "m(maj13)", 6, { 0, 3, 7, 11, 14, 21 } },
    { "13sus4", 6, { 0, 5, 7, 10, 14, 21 } },
    { "maj13sus4", 6, { 0, 5, 7, 11, 14, 21 } },
    { "7b5", 4, { 0, 4, 6, 10 } },
    { "7#5", 4, { 0, 4, 8, 10 } },
    { "7b9", 5, { 0, 4, 7, 10, 13 } },
    { "7#9", 5, { 0, 4, 7, 10, 15 } },
    { "7b13", 5, { 0, 4, 7, 10, 20 } },
    { "7alt", 6, { 0, 4, 8, 10, 13, 15 } },
    { "7#11", 5, { 0, 4, 7, 10, 18 } },
    { "9#11", 6, { 0, 4, 7, 10, 14, 18 } },
    { "9b5", 5, { 0, 4, 6, 10, 14 } },
    { "9#5", 5, { 0, 4, 8, 10, 14 } },
    { "13b9", 6, { 0, 4, 7, 10, 13, 21 } },
    { "13#9", 6, { 0, 4, 7, 10, 15, 21 } },
    { "13#11", 7, { 0, 4, 7, 10, 14, 18, 21 } },
    { "maj7#5", 4, { 0, 4, 8, 11 } },
    { "maj9#5", 5, { 0, 4, 8, 11, 14 } },
    { "maj13(#5)", 6, { 0, 4, 8, 11, 14, 21 } },
    { "maj7(#11)", 5, { 0, 4, 7, 11, 18 } },
    { "maj9(#11)", 6, { 0, 4, 7, 11, 14, 18 } },
    { "maj13(#11)", 7, { 0, 4, 7, 11, 14, 18, 21 } },
    { "m7#11", 5, { 0, 3, 7, 10, 18 } },
    { "m9#11", 6, { 0, 3, 7, 10, 14, 18 } },
    { "m13(#11)", 7, { 0, 3, 7, 10, 14, 18, 21 } },
    { "maj7(#5)", 4, { 0, 4, 8, 11 } },
};

constexpr int chordQualityCount = static_cast<int> (std::size (chordQualities));
static_assert (chordQualityCount == 66);

// Byte-wise order of the suffixes (std::string_view compares as unsigned bytes), for a binary
// search that never touches the heap.
constexpr auto qualitiesBySuffix = []
{
    std::array<int, chordQualityCount> order {};
    for (int i = 0; i < chordQualityCount; ++i)
        order[(size_t) i] = i;

    std::sort (order.begin(), order.end(), [] (int a, int b)
               { return chordQualities[a].suffix < chordQualities[b].suffix; });
    return order;
}();

constexpr bool suffixesAreUnique()
{
    for (size_t i = 1; i < qualitiesBySuffix.size(); ++i)
        if (chordQualities[qualitiesBySuffix[i - 1]].suffix == chordQualities[qualitiesBySuffix[i]].suffix)
            return false;
    return true;
}
static_assert (suffixesAreUnique());

constexpr int majorTriad[] = { 0, 4, 7 };

// One character decoded as juce::CharPointer_UTF8 does, but never past the end.
juce::juce_wchar decodeCharacter (const char*& p, const char* end) noexcept
{
    const auto lead = static_cast<std::uint8_t> (*p++);
    if (lead < 0x80)
        return lead;

    std::uint32_t n = lead, mask = 0x7f, bit = 0x40;
    int extraBytes = 0;
    while ((n & bit) != 0 && bit > 0x8)
    {
        mask >>= 1;
        ++extraBytes;
        bit >>= 1;
    }
    n &= mask;

    for (int i = 0; i < extraBytes && p != end; ++i)
    {
        const auto next = static_cast<std::uint8_t> (*p);
        if ((next & 0xc0) != 0x80)
            break;
        ++p;
        n = (n << 6) | (next & 0x3fu);
    }
    return static_cast<juce::juce_wchar> (n);
}

bool isWhitespaceCharacter (juce::juce_wchar c) noexcept
{
    if (c < 0x80)
        return c == ' ' || (c >= 9 && c <= 13);

    // The same locale-aware test that juce::String::trim applies.
    return juce::CharacterFunctions::isWhitespace (c);
}

int letterPitchClass (char c) noexcept
{
    switch (c)
    {
        case 'C': case 'c': return 0;
        case 'D': case 'd': return 2;
        case 'E': case 'e': return 4;
        case 'F': case 'f': return 5;
        case 'G': case 'g': return 7;
        case 'A': case 'a': return 9;
        case 'B': case 'b': return 11;
        default: return -1;
    }
}

bool isAllDigits (std::string_view text) noexcept
{
    return std::all_of (text.begin(), text.end(), [] (char c) { return c >= '0' && c <= '9'; });
}

constexpr int maxBars = 64;
} // namespace

std::string_view trimmedUtf8 (std::string_view utf8) noexcept
{
    const char* p = utf8.data();
    const char* const end = p + utf8.size();
    const char* first = nullptr;
    const char* last = p;

    while (p != end)
    {
        const char* const start = p;
        if (! isWhitespaceCharacter (decodeCharacter (p, end)))
        {
            if (first == nullptr)
                first = start;
            last = p;
        }
    }

    if (first == nullptr)
        return {};

    return { first, static_cast<size_t> (last - first) };
}

int noteNamePrefixLength (std::string_view utf8) noexcept
{
    if (utf8.empty() || letterPitchClass (utf8[0]) < 0)
        return 0;

    return utf8.size() >= 2 && (utf8[1] == '#' || utf8[1] == 'b') ? 2 : 1;
}

int pitchClassOfNoteName (std::string_view utf8) noexcept
{
    const auto name = trimmedUtf8 (utf8);
    if (name.empty())
        return -1;

    auto pitchClass = letterPitchClass (name[0]);
    if (pitchClass < 0)
        return -1;

    if (name.size() >= 2)
    {
        if (name[1] == '#')
            ++pitchClass;
        else if (name[1] == 'b')
            --pitchClass;
    }

    return (pitchClass + 12) % 12;
}

IntervalList chordQualityIntervalList (std::string_view utf8Quality) noexcept
{
    const auto quality = trimmedUtf8 (utf8Quality);
    if (quality.empty())
        return { majorTriad, 3 };

    const auto found = std::lower_bound (qualitiesBySuffix.begin(), qualitiesBySuffix.end(), quality,
                                         [] (int index, std::string_view key)
                                         { return chordQualities[index].suffix < key; });

    if (found == qualitiesBySuffix.end() || chordQualities[*found].suffix != quality)
        return {};

    const auto& entry = chordQualities[*found];
    return { entry.intervals, entry.count };
}

ChordParseError parseChordSymbol (std::string_view utf8Symbol, ChordSymbolView& chord) noexcept
{
    auto text = trimmedUtf8 (utf8Symbol);
    if (text.empty())
        return ChordParseError::empty;

    chord = {};

    if (const auto colon = text.rfind (':'); colon != std::string_view::npos)
    {
        const auto digits = trimmedUtf8 (text.substr (colon + 1));
        if (digits.empty() || ! isAllDigits (digits))
            return ChordParseError::barsNotPositiveInteger;

        // Stops as soon as the value leaves the range, so long digit runs cannot overflow.
        int value = 0;
        for (const auto c : digits)
        {
            value = value * 10 + (c - '0');
            if (value > maxBars)
                return ChordParseError::barsOutOfRange;
        }

        if (value < 1)
            return ChordParseError::barsOutOfRange;

        chord.bars = value;
        text = trimmedUtf8 (text.substr (0, colon));
    }

    if (const auto slash = text.rfind ('/'); slash != std::string_view::npos)
    {
        const auto bass = trimmedUtf8 (text.substr (slash + 1));

        // Anything but a bare note name after the slash belongs to the quality, as in "6/9".
        if (static_cast<size_t> (noteNamePrefixLength (bass)) == bass.size())
        {
            chord.bassPitchClass = pitchClassOfNoteName (bass);
            text = trimmedUtf8 (text.substr (0, slash));
        }
    }

    if (text == "R")
    {
        chord.isRest = true;
        return ChordParseError::none;
    }

    const auto rootLength = static_cast<size_t> (noteNamePrefixLength (text));
    if (rootLength == 0)
        return ChordParseError::invalidRoot;

    chord.rootPitchClass = pitchClassOfNoteName (text.substr (0, rootLength));

    const auto quality = trimmedUtf8 (text.substr (rootLength));
    chord.qualityOffset = quality.empty() ? 0 : static_cast<size_t> (quality.data() - utf8Symbol.data());
    chord.qualityBytes = quality.size();
    chord.intervals = chordQualityIntervalList (quality);

    return chord.intervals.empty() ? ChordParseError::unsupportedQuality : ChordParseError::none;
}

juce::String chordParseErrorMessage (ChordParseError error, const juce::String& quality)
{
    switch (error)
    {
        case ChordParseError::none: return {};
        case ChordParseError::empty: return "chord symbol must not be empty";
        case ChordParseError::barsNotPositiveInteger: return "bars suffix must be a positive integer";
        case ChordParseError::barsOutOfRange: return "bars suffix must be between 1 and 64";
        case ChordParseError::invalidRoot: return "invalid chord root";
        case ChordParseError::unsupportedQuality: return "unsupported chord quality '" + quality + "'";
    }
    return {};
}

int pitchClassOfNoteName (const juce::String& text)
{
    return pitchClassOfNoteName (utf8View (text));
}

int noteNamePrefixLength (const juce::String& text)
{
    return noteNamePrefixLength (utf8View (text));
}

std::vector<int> chordQualityIntervals (const juce::String& quality)
{
    const auto intervals = chordQualityIntervalList (utf8View (quality));
    return { intervals.begin(), intervals.end() };
}

juce::String parseChordSymbol (const juce::String& symbol, ParsedChord& chord)
{
    const auto text = utf8View (symbol);
    ChordSymbolView view;
    const auto error = parseChordSymbol (text, view);

    if (error == ChordParseError::empty)
        return chordParseErrorMessage (error, {});

    chord.rootPitchClass = view.rootPitchClass;
    chord.bassPitchClass = view.bassPitchClass;
    chord.bars = view.bars;
    chord.isRest = view.isRest;
    chord.quality = juce::String::fromUTF8 (text.data() + view.qualityOffset, static_cast<int> (view.qualityBytes));
    chord.intervals.assign (view.intervals.begin(), view.intervals.end());

    return chordParseErrorMessage (error, chord.quality);
}

} // namespace VarneT
