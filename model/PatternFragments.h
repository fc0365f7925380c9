#pragma once

#include "model/Project.h"

#include <vector>

namespace VarneT
{

/** Number of fragments of fragmentLength that cover patternLength; at least 1. */
int fragmentCount (double patternLength, double fragmentLength) noexcept;

/** The source's name, a blank and spreadsheet-column letters (A .. Z, AA ..), at most 256 UTF-8 bytes. */
juce::String fragmentName (const Pattern& source, int fragmentIndex);

/** Cuts source into consecutive Patterns of fragmentLength beats, its repeats written out as
    passes. Returns a message and leaves output alone on failure. */
juce::String splitPatternIntoFragments (const Pattern& source, double fragmentLength, std::vector<Pattern>& output);

/** The Pattern or Patterns that take one Pattern's place in a Section with availableSlots free
    places: whole up to 4 bars, else cut into 2-bar or 4-bar fragments. */
juce::String loadPerformanceIntoSection (const Pattern& performance, int availableSlots, std::vector<Pattern>& output);

/** Beats of one whole pass of the Section, its repeats included; 0 without Patterns. */
double sectionLengthBeats (const Section&) noexcept;

} // namespace VarneT
