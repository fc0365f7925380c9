#pragma once

#include "model/Project.h"

#include <span>
#include <vector>

namespace VarneT
{

/** One note of a built-in performance in its compact written form. */
struct PerformanceNoteRow
{
    double startBeat;
    double durationBeats;
    int voiceId;
    int targetIndex;
    int octave;
    int velocity;
    int basis; // TargetBasis value: 0 chord position, 1 scale degree
};

/** A performance with default voices "Voice 1" .. "Voice N", default modifiers and the rows as notes. */
Pattern makePerformance (const juce::String& name,
                         const juce::String& category,
                         int voiceCount,
                         std::span<const PerformanceNoteRow> rows,
                         double lengthBeats);

/** Appends one note per row; ids continue "note-1", "note-2", ... after the notes already there. */
void appendPerformanceNotes (Pattern& pattern, std::span<const PerformanceNoteRow> rows);

/** Builds the whole list afresh (47 performances in dictionary order). */
std::vector<Pattern> buildBuiltInPerformances();

/** The shared list, built on first use. */
const std::vector<Pattern>& builtInPerformances();

/** Number of built-in performances. */
inline constexpr int builtInPerformanceCount = 47;

} // namespace VarneT
