#pragma once

#include "model/Project.h"

namespace compiler_fixtures
{

/** A valid Pattern with one voice and no events. */
inline VarneT::Pattern makePattern (double lengthBeats = 4.0, VarneT::Quantization quantization = VarneT::Quantization::free)
{
    VarneT::Pattern pattern;
    pattern.name = "Pattern";
    pattern.category = "Test";
    pattern.lengthBeats = lengthBeats;
    pattern.quantization = quantization;
    pattern.voices.push_back ({ 0, "Voice" });
    return pattern;
}

inline VarneT::NoteEvent& addNote (VarneT::Pattern& pattern, const juce::String& id, double startBeat, double durationBeats = 0.5)
{
    VarneT::NoteEvent note;
    note.id = id;
    note.startBeat = startBeat;
    note.durationBeats = durationBeats;
    pattern.notes.push_back (note);
    return pattern.notes.back();
}

inline VarneT::PedalEvent& addPedal (VarneT::Pattern& pattern, const juce::String& id, double startBeat, double durationBeats = 1.0, int value = 127)
{
    pattern.pedal.push_back ({ id, startBeat, durationBeats, value });
    return pattern.pedal.back();
}

/** A valid project whose only Section plays the given Patterns. */
inline VarneT::Project makeProject (std::vector<VarneT::Pattern> sequence, int sectionRepeats = 1)
{
    VarneT::Project project;
    project.identityName = "Test Instance";
    VarneT::Section section;
    section.sequence = std::move (sequence);
    section.repeatCount = sectionRepeats;
    project.sections.push_back (std::move (section));
    return project;
}

} // namespace compiler_fixtures
