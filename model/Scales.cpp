#include "model/Scales.h"

namespace VarneT
{
namespace
{
constexpr int maxScaleIntervals = 7;

struct ScaleDefinition
{
    std::string_view name;
    int count;
    int intervals[maxScaleIntervals];
};

constexpr ScaleDefinition scales[] = {
    { "Major", 7, { 0, 2, 4, 5, 7, 9, 11 } },
    { "Minor", 7, { 0, 2, 3, 5, 7, 8, 10 } },
    { "Dorian", 7, { 0, 2, 3, 5, 7, 9, 10 } },
    { "Mixolydian", 7, { 0, 2, 4, 5, 7, 9, 10 } },
    { "Lydian", 7, { 0, 2, 4, 6, 7, 9, 11 } },
    { "Phrygian", 7, { 0, 1, 3, 5, 7, 8, 10 } },
    { "Hirajoshi", 5, { 0, 2, 3, 7, 8 } },
    { "Pent. Minor", 5, { 0, 3, 5, 7, 10 } },
    { "Pent. Major", 5, { 0, 2, 4, 7, 9 } },
    { "Blues", 6, { 0, 3, 5, 6, 7, 10 } },
    { "Egyptian", 5, { 0, 2, 5, 7, 10 } },
    { "Lydian Ext.", 7, { 0, 2, 4, 6, 7, 9, 11 } },
    { "Dorian Ext.", 7, { 0, 2, 3, 5, 7, 9, 10 } },
    { "Ionian Sus", 7, { 0, 2, 4, 5, 7, 9, 11 } },
    { "Harm. Minor", 7, { 0, 2, 3, 5, 7, 8, 11 } },
    { "Melodic Min.", 7, { 0, 2, 3, 5, 7, 9, 11 } },
    { "Lydian Dom.", 7, { 0, 2, 4, 6, 7, 9, 10 } },
    { "Locrian", 7, { 0, 1, 3, 5, 6, 8, 10 } },
    { "Whole Tone", 6, { 0, 2, 4, 6, 8, 10 } },
    { "Hungarian Min.", 7, { 0, 2, 3, 6, 7, 8, 11 } },
};

static_assert (std::size (scales) == 20);

struct ScaleAlias
{
    std::string_view alias;
    std::string_view name;
};

constexpr ScaleAlias aliases[] = {
    { "Natural Minor", "Minor" },
    { "Harmonic Minor", "Harm. Minor" },
    { "Pentatonic Minor", "Pent. Minor" },
    { "Pentatonic Major", "Pent. Major" },
    { "Melodic Minor", "Melodic Min." },
    { "Lydian Dominant", "Lydian Dom." },
    { "Hungarian Minor", "Hungarian Min." },
};

std::string_view canonicalName (std::string_view utf8Name) noexcept
{
    const auto name = trimmedUtf8 (utf8Name);
    for (const auto& alias : aliases)
        if (alias.alias == name)
            return alias.name;
    return name;
}
} // namespace

const std::vector<ScaleTableRow>& scaleTable()
{
    static const std::vector<ScaleTableRow> table = []
    {
        std::vector<ScaleTableRow> rows;
        rows.reserve (std::size (scales));
        for (const auto& scale : scales)
            rows.push_back ({ juce::String::fromUTF8 (scale.name.data(), static_cast<int> (scale.name.size())),
                              std::vector<int> (scale.intervals, scale.intervals + scale.count) });
        return rows;
    }();
    return table;
}

juce::String canonicalScaleName (const juce::String& name)
{
    const auto canonical = canonicalName (utf8View (name));
    return juce::String::fromUTF8 (canonical.data(), static_cast<int> (canonical.size()));
}

IntervalList findScaleIntervalList (std::string_view utf8Name) noexcept
{
    const auto name = canonicalName (utf8Name);
    for (const auto& scale : scales)
        if (scale.name == name)
            return { scale.intervals, scale.count };
    return {};
}

IntervalList findScaleIntervalList (const juce::String& name) noexcept
{
    return findScaleIntervalList (utf8View (name));
}

std::vector<int> findScaleIntervals (const juce::String& name)
{
    const auto intervals = findScaleIntervalList (name);
    return { intervals.begin(), intervals.end() };
}

void prepareMusicTables()
{
    // The chord and scale lookups used during playback are compile-time tables; only the
    // selector's row list is built at run time.
    scaleTable();
}

} // namespace VarneT
