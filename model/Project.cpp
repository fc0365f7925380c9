#include "model/Project.h"

#include <array>
#include <utility>

namespace VarneT
{
namespace
{
template <typename Enum, size_t N>
using SpellingTable = std::array<std::pair<Enum, const char*>, N>;

constexpr SpellingTable<PitchSource, 2> pitchSourceSpellings { { { PitchSource::chordInput, "chordInput" },
                                                                 { PitchSource::scale, "scale" } } };

constexpr SpellingTable<SectionPlaybackMode, 2> playbackModeSpellings {
    { { SectionPlaybackMode::loopSection, "loopSection" }, { SectionPlaybackMode::advanceSections, "advanceSections" } }
};

constexpr SpellingTable<Quantization, 5> quantizationSpellings { { { Quantization::free, "free" },
                                                                  { Quantization::quarter, "1/4" },
                                                                  { Quantization::eighth, "1/8" },
                                                                  { Quantization::sixteenth, "1/16" },
                                                                  { Quantization::thirtySecond, "1/32" } } };

constexpr SpellingTable<TargetBasis, 4> targetBasisSpellings { { { TargetBasis::chord, "chord" },
                                                                { TargetBasis::scale, "scale" },
                                                                { TargetBasis::input, "input" },
                                                                { TargetBasis::fixed, "fixed" } } };

template <typename Enum, size_t N>
juce::String spell (const SpellingTable<Enum, N>& table, Enum value)
{
    for (const auto& [candidate, text] : table)
        if (candidate == value)
            return text;

    return {};
}

template <typename Enum, size_t N>
bool parse (const SpellingTable<Enum, N>& table, const juce::String& text, Enum& result)
{
    for (const auto& [candidate, spelling] : table)
    {
        if (text == spelling)
        {
            result = candidate;
            return true;
        }
    }

    return false;
}
} // namespace

double quantizationStepBeats (Quantization q) noexcept
{
    switch (q)
    {
        case Quantization::quarter:      return 1.0;
        case Quantization::eighth:       return 0.5;
        case Quantization::sixteenth:    return 0.25;
        case Quantization::thirtySecond: return 0.125;
        case Quantization::free:         break;
    }

    return 0.0;
}

juce::String pitchSourceToString (PitchSource v)                 { return spell (pitchSourceSpellings, v); }
juce::String sectionPlaybackModeToString (SectionPlaybackMode v) { return spell (playbackModeSpellings, v); }
juce::String quantizationToString (Quantization v)               { return spell (quantizationSpellings, v); }
juce::String targetBasisToString (TargetBasis v)                 { return spell (targetBasisSpellings, v); }

bool pitchSourceFromString (const juce::String& t, PitchSource& v)                 { return parse (pitchSourceSpellings, t, v); }
bool sectionPlaybackModeFromString (const juce::String& t, SectionPlaybackMode& v) { return parse (playbackModeSpellings, t, v); }
bool quantizationFromString (const juce::String& t, Quantization& v)               { return parse (quantizationSpellings, t, v); }
bool targetBasisFromString (const juce::String& t, TargetBasis& v)                 { return parse (targetBasisSpellings, t, v); }

} // namespace VarneT
