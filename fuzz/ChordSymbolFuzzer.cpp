// Any bytes through the chord-symbol parser: it must neither crash nor read outside the text,
// and whatever it accepts must be a playable chord.

#include "model/PitchContext.h"
#include "model/Scales.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace VarneT;

namespace
{
void require (bool condition)
{
    if (! condition)
        std::abort();
}

// Well-formed UTF-8 without NULs: no overlong forms, surrogates or code points past U+10FFFF.
// JUCE strings assume it (its own check lets overlong forms through).
bool isStrictUtf8 (std::string_view text)
{
    for (std::size_t i = 0; i < text.size();)
    {
        const auto lead = static_cast<std::uint8_t> (text[i]);
        if (lead == 0)
            return false;
        if (lead < 0x80)
        {
            ++i;
            continue;
        }

        const auto extra = lead >= 0xf0 ? 3u : lead >= 0xe0 ? 2u : lead >= 0xc0 ? 1u : 0u;
        if (extra == 0 || lead > 0xf4)
            return false;

        std::uint32_t codePoint = lead & (0x3fu >> extra);
        for (std::size_t k = 1; k <= extra; ++k)
        {
            if (i + k >= text.size())
                return false;
            const auto next = static_cast<std::uint8_t> (text[i + k]);
            if ((next & 0xc0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (next & 0x3fu);
        }

        const std::uint32_t smallest[] = { 0, 0x80, 0x800, 0x10000 };
        if (codePoint < smallest[extra] || codePoint > 0x10ffff || (codePoint >= 0xd800 && codePoint <= 0xdfff))
            return false;

        i += extra + 1;
    }
    return true;
}

void checkAcceptedChord (const ChordSymbolView& chord, std::string_view text)
{
    require (chord.bassPitchClass >= -1 && chord.bassPitchClass < 12);
    require (chord.bars >= 1 && chord.bars <= 64);
    require (chord.qualityOffset + chord.qualityBytes <= text.size());

    if (chord.isRest)
        return;

    require (chord.rootPitchClass >= 0 && chord.rootPitchClass < 12);
    require (chord.intervals.count >= 2 && chord.intervals.count <= 7 && chord.intervals[0] == 0);
}

void checkContext (const PitchContext& context, int index)
{
    for (const auto count : { context.chordCount, context.scaleCount, context.inputCount })
        require (count >= 0 && count <= maxPitchContextNotes);

    for (int basis = 0; basis < 4; ++basis)
    {
        const auto pitch = resolveTargetPitch ({ static_cast<TargetBasis> (basis), index, index, index }, index % 9 - 4, context);
        require (pitch >= -1 && pitch <= 127);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    // The byte form sees the input exactly as given: no terminator, any bytes.
    const std::string_view bytes (reinterpret_cast<const char*> (data), size);

    ChordSymbolView chord;
    const auto error = parseChordSymbol (bytes, chord);
    if (error == ChordParseError::none)
        checkAcceptedChord (chord, bytes);
    else if (error == ChordParseError::unsupportedQuality)
        require (chord.qualityOffset + chord.qualityBytes <= size);

    const auto index = size == 0 ? 0 : static_cast<int> (static_cast<std::int8_t> (data[0]));
    const ProjectScale scale { index, size % 2 == 0 ? "Dorian" : "Pent. Minor" };
    if (error == ChordParseError::none)
        checkContext (pitchContextFromChord (chord, scale), index);
    checkContext (pitchContextFromScale (scale), index);

    require (chordQualityIntervalList (bytes).count <= 7);
    require (findScaleIntervalList (bytes).count <= 7);
    require (pitchClassOfNoteName (bytes) >= -1 && pitchClassOfNoteName (bytes) < 12);

    // Held notes from the bytes, the way MIDI input delivers them.
    int held[17];
    const auto heldCount = static_cast<int> (std::min<std::size_t> (size, 17));
    for (int i = 0; i < heldCount; ++i)
        held[i] = data[i] & 0x7f;
    if (heldCount > 0)
        require (guessChordRoot (held, heldCount) >= 0 && guessChordRoot (held, heldCount) < 12);
    checkContext (pitchContextFromHeldNotes (held, heldCount, scale), index);

    // The message-thread form, through a JUCE string as a parsed project holds it. JUCE strings
    // require valid UTF-8 without NULs, so other inputs stop here.
    const std::string terminated (bytes);
    if (! isStrictUtf8 (bytes))
        return 0;

    const juce::String symbol (juce::CharPointer_UTF8 (terminated.c_str()));
    ParsedChord parsed;
    const auto message = parseChordSymbol (symbol, parsed);

    // Same text, same verdict, and the same trimming as juce::String.
    require (message.isEmpty() == (error == ChordParseError::none));
    const auto trimmed = trimmedUtf8 (bytes);
    require (juce::String::fromUTF8 (trimmed.data(), static_cast<int> (trimmed.size())) == symbol.trim());

    if (error == ChordParseError::none)
    {
        require (parsed.rootPitchClass == chord.rootPitchClass && parsed.bassPitchClass == chord.bassPitchClass
                 && parsed.bars == chord.bars && parsed.isRest == chord.isRest);
        require (parsed.intervals.size() == static_cast<std::size_t> (chord.intervals.count));
        require (parsed.isRest || chordQualityIntervals (parsed.quality) == parsed.intervals);
    }

    Project project;
    project.previewChord = symbol;
    checkContext (pitchContextForProject (project, nullptr, 0, true), index);
    return 0;
}
