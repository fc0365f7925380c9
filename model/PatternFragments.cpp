#include "model/PatternFragments.h"

#include <cmath>
#include <limits>

namespace VarneT
{

int fragmentCount (double patternLength, double fragmentLength) noexcept
{
    // One step below the length, so that an exact multiple does not open an empty fragment.
    const auto below = std::nextafter (patternLength, 0.0);
    const auto count = std::ceil (below / fragmentLength);

    // Tiny or non-finite lengths would overflow the conversion; callers reject anything above 16.
    if (! std::isfinite (count) || count > (double) std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();

    return count < 1.0 ? 1 : (int) count;
}

juce::String fragmentName (const Pattern& source, int fragmentIndex)
{
    juce::String letters;
    for (auto n = (juce::int64) fragmentIndex + 1; n > 0; n = (n - 1) / 26)
        letters = juce::String::charToString ((juce::juce_wchar) ('A' + (n - 1) % 26)) + letters;

    constexpr int maxBytes = 256;
    const auto suffixBytes = 1 + (int) letters.getNumBytesAsUTF8();
    auto base = source.name;

    while (base.isNotEmpty() && (int) base.getNumBytesAsUTF8() + suffixBytes > maxBytes)
        base = base.dropLastCharacters (1).trimEnd();

    return base + " " + letters;
}

juce::String splitPatternIntoFragments (const Pattern& source, double fragmentLength, std::vector<Pattern>& output)
{
    if (! (fragmentLength > 0.0) || ! std::isfinite (fragmentLength))
        return "Pattern fragment length must be positive and finite";

    if (! (source.lengthBeats > 0.0) || ! std::isfinite (source.lengthBeats))
        return "Pattern length must be positive and finite";

    const auto count = fragmentCount (source.lengthBeats, fragmentLength);
    if (source.repeatCount < 1 || source.repeatCount > 8 || count < 1 || count > 16 / source.repeatCount)
        return "Pattern could not be divided into fragments";

    std::vector<Pattern> fragments;
    fragments.reserve ((size_t) (count * source.repeatCount));

    for (int i = 0; i < count; ++i)
    {
        auto fragment = source;
        fragment.repeatCount = 1;
        fragment.name = fragmentName (source, i);
        fragment.lengthBeats = juce::jmin (source.lengthBeats - i * fragmentLength, fragmentLength);
        fragment.notes.clear();
        fragment.pedal.clear();
        fragments.push_back (std::move (fragment));
    }

    const auto fragmentOf = [&] (double startBeat) {
        const auto index = std::floor (startBeat / fragmentLength);
        return (int) juce::jlimit (0.0, (double) (count - 1), std::isnan (index) ? 0.0 : index);
    };

    for (const auto& note : source.notes)
    {
        const auto d = fragmentOf (note.startBeat);
        auto moved = note;
        moved.startBeat -= d * fragmentLength;
        fragments[(size_t) d].notes.push_back (std::move (moved));
    }

    for (const auto& event : source.pedal)
    {
        const auto d = fragmentOf (event.startBeat);
        auto moved = event;
        moved.startBeat -= d * fragmentLength;
        fragments[(size_t) d].pedal.push_back (std::move (moved));
    }

    // The source's repeats become explicit passes: A B C A B C.
    for (int pass = 1; pass < source.repeatCount; ++pass)
        for (int i = 0; i < count; ++i)
            fragments.push_back (fragments[(size_t) i]);

    output = std::move (fragments);
    return {};
}

juce::String loadPerformanceIntoSection (const Pattern& performance, int availableSlots, std::vector<Pattern>& output)
{
    if (availableSlots < 1)
        return "This Section has no available Pattern slots";

    // Up to 4 bars, with a tolerance for lengths that arrive slightly above 16 beats.
    if (performance.lengthBeats <= 16.000000001)
    {
        output.assign (1, performance);
        return {};
    }

    // No fragment count exists for these; splitting names the fault.
    if (! std::isfinite (performance.lengthBeats))
        return splitPatternIntoFragments (performance, 8.0, output);

    for (const auto fragmentLength : { 8.0, 16.0 })
    {
        const auto needed = (juce::int64) fragmentCount (performance.lengthBeats, fragmentLength) * performance.repeatCount;
        if (needed <= availableSlots && needed <= 16)
            return splitPatternIntoFragments (performance, fragmentLength, output);
    }

    const auto needed = (juce::int64) fragmentCount (performance.lengthBeats, 16.0) * performance.repeatCount;
    return "Cannot load '" + performance.name + "': it needs " + juce::String (needed)
           + " Patterns even with 4-bar fragments, but this Section has room for only " + juce::String (availableSlots);
}

int Project::clampedActiveSectionIndex() const noexcept
{
    if (sections.empty())
        return -1;

    return juce::jlimit (0, (int) sections.size() - 1, activeSectionIndex);
}

double sectionLengthBeats (const Section& section) noexcept
{
    double passBeats = 0.0;
    for (const auto& pattern : section.sequence)
        passBeats += pattern.repeatCount * pattern.lengthBeats;

    return section.repeatCount * passBeats;
}

} // namespace VarneT
