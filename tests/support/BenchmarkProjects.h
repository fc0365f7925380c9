#pragma once

// Projects of a chosen size for the benchmarks.

#include "model/DefaultProject.h"

#include <cmath>

namespace testing_support
{

/** Sections of four Patterns, each Pattern the default one with its notes repeated until it
    holds notesPerPattern. */
inline VarneT::Project projectOfSize (int sectionCount, int notesPerPattern)
{
    auto project = VarneT::makeDefaultProject();

    auto pattern = project.sections[0].sequence[0];
    const auto originals = pattern.notes;
    pattern.notes.clear();
    for (int i = 0; i < notesPerPattern; ++i)
    {
        auto note = originals[(size_t) i % originals.size()];
        note.id = "n" + juce::String (i);
        note.startBeat = std::fmod (note.startBeat + 0.01 * (i / (int) originals.size()), pattern.lengthBeats);
        pattern.notes.push_back (note);
    }

    auto section = project.sections[0];
    section.sequence.assign (4, pattern);
    project.sections.clear();
    for (int i = 0; i < sectionCount; ++i)
    {
        section.name = "Section " + juce::String (i + 1);
        project.sections.push_back (section);
    }
    return project;
}

} // namespace testing_support
