#pragma once

#include "model/PitchContext.h"
#include "model/Project.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <functional>

class VarneTAudioProcessor;

namespace VarneT
{

inline constexpr int midiExportTicksPerQuarter = 960;

/** The Section's notes as one track: tempo first, every note of every Pattern pass at its stored
    start (no quantization, chance, register offset or voice limit), pedal as controller 64, and
    end-of-track at the later of the Section's end and its last event. Times are in ticks. */
juce::MidiMessageSequence sectionMidiSequence (const Section& section, int midiChannel, const PitchContext& context);

/** A Standard MIDI File (format 1, one track, 960 ticks per quarter note) of that sequence. */
juce::MemoryBlock sectionMidiFileBytes (const Section& section, int midiChannel, const PitchContext& context);

/** The legal file name of the Section's name, shortened to fit one path component with ".mid",
    or "Section <index + 1>" when nothing usable is left; with ".mid". */
juce::String sectionMidiFileName (const juce::String& sectionName, int sectionIndex);

/** What one export did: the written file (empty on failure) and the status or error text. */
struct SectionMidiExport
{
    juce::File file;
    juce::String status;
    juce::String error;

    bool ok() const { return file != juce::File(); }
};

/** The export of the project's active Section into a folder from makeFolder (an empty folder
    means it could not be made). chordText is the held chord's name, or the preview chord when
    nothing is held; it is not used with the scale pitch source. The file is written through a
    temporary sibling, so a failure never leaves a partial file. */
SectionMidiExport exportSectionMidi (const Project& project, const juce::String& chordText,
                                     const std::function<juce::File()>& makeFolder);

/** The same for the processor's project and held chord, into a fresh export folder. */
SectionMidiExport exportActiveSectionMidi (const VarneTAudioProcessor& processor);

} // namespace VarneT
