#pragma once

#include "model/ChordSymbols.h"

#include <string_view>
#include <vector>

namespace VarneT
{

struct ScaleTableRow
{
    juce::String name;
    std::vector<int> intervals;
};

/** The 20 scales in selector order, built on first call. */
const std::vector<ScaleTableRow>& scaleTable();

juce::String canonicalScaleName (const juce::String& name);
std::vector<int> findScaleIntervals (const juce::String& name);

/** Allocation-free lookup (aliases and surrounding whitespace handled); empty when unknown. */
IntervalList findScaleIntervalList (std::string_view utf8Name) noexcept;
IntervalList findScaleIntervalList (const juce::String& name) noexcept;
inline IntervalList findScaleIntervalList (const char* utf8Name) noexcept { return findScaleIntervalList (std::string_view (utf8Name)); }

/** Builds the lazily made tables; the processor calls it on the message thread so that no
    audio-thread call is ever the first use. */
void prepareMusicTables();

} // namespace VarneT
