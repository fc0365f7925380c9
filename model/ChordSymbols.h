#pragma once

#include "model/JuceCore.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace VarneT
{

/** A read-only run of semitone intervals inside one of the fixed music tables. */
struct IntervalList
{
    const int* values = nullptr;
    int count = 0;

    bool empty() const noexcept { return count == 0; }
    const int* begin() const noexcept { return values; }
    const int* end() const noexcept { return values + count; }
    int operator[] (int i) const noexcept { return values[i]; }
};

/** A chord symbol as parsed from text (message-thread form). */
struct ParsedChord
{
    int rootPitchClass = 0;
    int bassPitchClass = -1;
    int bars = 1;
    bool isRest = false;
    juce::String quality;
    std::vector<int> intervals;
};

/** Result of the allocation-free chord parser. */
enum class ChordParseError
{
    none,
    empty,
    barsNotPositiveInteger,
    barsOutOfRange,
    invalidRoot,
    unsupportedQuality
};

/** Fixed-size parse result for the audio thread: the intervals point into the quality table and
    the quality is a byte range of the parsed text. */
struct ChordSymbolView
{
    int rootPitchClass = 0;
    int bassPitchClass = -1;
    int bars = 1;
    bool isRest = false;
    std::size_t qualityOffset = 0;
    std::size_t qualityBytes = 0;
    IntervalList intervals;
};

int pitchClassOfNoteName (const juce::String& text);
int noteNamePrefixLength (const juce::String& text);

std::vector<int> chordQualityIntervals (const juce::String& quality);

/** Empty on success, else the message; on failure the chord keeps what was set before the
    failing step (an empty symbol leaves it untouched). */
juce::String parseChordSymbol (const juce::String& symbol, ParsedChord& chord);

// Allocation-free forms on UTF-8 bytes. They never read outside [text, text + numBytes).
int pitchClassOfNoteName (std::string_view utf8) noexcept;
int noteNamePrefixLength (std::string_view utf8) noexcept;
IntervalList chordQualityIntervalList (std::string_view utf8Quality) noexcept;
ChordParseError parseChordSymbol (std::string_view utf8Symbol, ChordSymbolView& chord) noexcept;

// Literals pick the byte forms instead of being ambiguous.
inline int pitchClassOfNoteName (const char* utf8) noexcept { return pitchClassOfNoteName (std::string_view (utf8)); }
inline int noteNamePrefixLength (const char* utf8) noexcept { return noteNamePrefixLength (std::string_view (utf8)); }

/** The message for a parse error; the quality is quoted for an unsupported one. */
juce::String chordParseErrorMessage (ChordParseError error, const juce::String& quality);

/** The UTF-8 bytes of a JUCE string, without copying. */
inline std::string_view utf8View (const juce::String& text) noexcept
{
    return std::string_view (text.toRawUTF8());
}

/** The text without the leading and trailing whitespace that juce::String::trim removes. */
std::string_view trimmedUtf8 (std::string_view utf8) noexcept;

} // namespace VarneT
