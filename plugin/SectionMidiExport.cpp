#include "plugin/SectionMidiExport.h"

#include "VarneTIdentity.h"
#include "kit/FileClipboard.h"
#include "model/ChordSymbols.h"
#include "model/FileNames.h"
#include "model/ProjectValidation.h"
#include "plugin/PluginProcessor.h"

#include <cmath>
#include <limits>

namespace VarneT
{

juce::MidiMessageSequence sectionMidiSequence (const Section& section, int midiChannel, const PitchContext& context)
{
    const auto channel = juce::jlimit (1, 16, midiChannel);
    const auto ticks = [] (double beats) { return beats * midiExportTicksPerQuarter; };

    // Collected first and sorted once (stable: equal times keep the order they were made in), as
    // adding to a sequence one by one and matching pairs afterwards is quadratic in the events.
    struct Timed
    {
        double time;
        juce::MidiMessage message;
        // At equal times note-offs and pedal releases come first, so that a note or pedal ending
        // where the next one starts ends the earlier one, whatever order the two are stored in.
        int rank = 1;
    };

    std::vector<Timed> events;
    events.push_back ({ 0.0, juce::MidiMessage::tempoMetaEvent (500000) });

    double offset = 0.0;

    for (int sectionPass = 0; sectionPass < section.repeatCount; ++sectionPass)
    {
        for (const auto& pattern : section.sequence)
        {
            for (int patternPass = 0; patternPass < pattern.repeatCount; ++patternPass)
            {
                for (const auto& note : pattern.notes)
                {
                    const auto pitch = resolveTargetPitch (note.target, note.octave, context);

                    if (pitch < 0)
                        continue;

                    const auto velocity = static_cast<juce::uint8> (juce::jlimit (0, 127, note.velocity));
                    const auto on = ticks (offset + note.startBeat);
                    // A note's own end stays after its start even where a tiny length vanishes in
                    // the addition.
                    const auto off = std::max (ticks (offset + note.startBeat + note.durationBeats),
                                               std::nextafter (on, std::numeric_limits<double>::infinity()));
                    events.push_back ({ on, juce::MidiMessage::noteOn (channel, pitch & 0x7f, velocity) });
                    events.push_back ({ off, juce::MidiMessage::noteOff (channel, pitch & 0x7f, static_cast<juce::uint8> (0)), 0 });
                }

                for (const auto& pedal : pattern.pedal)
                {
                    const auto down = ticks (offset + pedal.startBeat);
                    const auto up = std::max (ticks (offset + pedal.startBeat + pedal.durationBeats),
                                              std::nextafter (down, std::numeric_limits<double>::infinity()));
                    events.push_back ({ down, juce::MidiMessage::controllerEvent (channel, 64, pedal.value & 0x7f) });
                    events.push_back ({ up, juce::MidiMessage::controllerEvent (channel, 64, 0), 0 });
                }

                offset += pattern.lengthBeats;
            }
        }
    }

    std::stable_sort (events.begin(), events.end(), [] (const Timed& a, const Timed& b)
    {
        return a.time < b.time || (a.time == b.time && a.rank < b.rank);
    });

    juce::MidiMessageSequence track;
    double lastEvent = 0.0;
    bool sounding[128] {};

    for (auto& e : events)
    {
        // A note that starts again before it ended is ended first, at the new start.
        if (e.message.isNoteOn())
        {
            auto& on = sounding[e.message.getNoteNumber()];

            if (on)
                track.addEvent (juce::MidiMessage::noteOff (channel, e.message.getNoteNumber()), e.time);

            on = true;
        }
        else if (e.message.isNoteOff())
        {
            sounding[e.message.getNoteNumber()] = false;
        }

        track.addEvent (e.message, e.time);
        lastEvent = e.time;
    }

    // Notes and pedal releases may outlast the Section; end-of-track must still be the last event.
    // Both times are compared as the whole ticks the file will hold.
    track.addEvent (juce::MidiMessage::endOfTrack(), juce::jmax (std::round (ticks (offset)), std::round (lastEvent)));
    return track;
}

juce::MemoryBlock sectionMidiFileBytes (const Section& section, int midiChannel, const PitchContext& context)
{
    juce::MidiFile file;
    file.setTicksPerQuarterNote (midiExportTicksPerQuarter);
    file.addTrack (sectionMidiSequence (section, midiChannel, context));

    juce::MemoryOutputStream out;
    file.writeTo (out, 1);
    return out.getMemoryBlock();
}

juce::String sectionMidiFileName (const juce::String& sectionName, int sectionIndex)
{
    const juce::String extension (".mid");
    auto name = fitFileNameStem (legalFileNameOf (sectionName), static_cast<int> (extension.getNumBytesAsUTF8()));

    // A name of dots alone would name the folder itself or its parent.
    if (name.containsOnly ("."))
        name = {};

    if (name.isEmpty())
        name = "Section " + juce::String (sectionIndex + 1);

    return name + extension;
}

namespace
{
const char* const noteNames[] { "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B" };

SectionMidiExport failure (const juce::String& message) { return { {}, {}, message }; }

/** Writes beside the destination and moves the finished file over it. */
juce::String writeMidiFile (const juce::File& destination, const juce::MidiFile& midi)
{
    // A short name of its own: one made from the destination's (as JUCE does) would not fit
    // where the destination's name takes nearly all of a path component.
    juce::TemporaryFile temporary (destination, destination.getParentDirectory().getNonexistentChildFile (
        ".section-export-" + juce::String::toHexString (juce::Random::getSystemRandom().nextInt64()), ".tmp", false));

    {
        juce::FileOutputStream stream (temporary.getFile(), 16384);

        if (! stream.openedOk())
            return "Could not create MIDI file";

        if (! stream.setPosition (0) || ! stream.truncate().wasOk())
            return "Could not replace MIDI file";

        if (! midi.writeTo (stream, 1))
            return "Could not write Standard MIDI File";

        stream.flush();

        if (stream.getStatus().failed())
            return stream.getStatus().getErrorMessage();
    }

    if (! temporary.overwriteTargetFileWithTemporary())
        return "Could not create MIDI file";

    return {};
}
} // namespace

SectionMidiExport exportSectionMidi (const Project& project, const juce::String& chordText,
                                     const std::function<juce::File()>& makeFolder)
{
    const auto folder = makeFolder ? makeFolder() : juce::File();

    if (folder.getFullPathName().isEmpty())
        return failure ("Could not create temporary MIDI directory");

    if (project.sections.empty())
        return failure ("No active Section to export");

    const auto index = juce::jlimit (0, static_cast<int> (project.sections.size()) - 1, project.activeSectionIndex);
    const auto& section = project.sections[static_cast<std::size_t> (index)];
    const auto file = folder.getChildFile (sectionMidiFileName (section.name, index));

    auto single = project;
    single.sections = { section };
    single.activeSectionIndex = 0;

    if (auto message = validateProject (single); message.isNotEmpty())
        return failure (message);

    PitchContext context;
    juce::String pitchText;

    if (project.pitchSource == PitchSource::scale)
    {
        context = pitchContextFromScale (project.scale);
        pitchText = juce::String (noteNames[((project.scale.root % 12) + 12) % 12]) + " " + project.scale.name;
    }
    else
    {
        ParsedChord chord;

        if (auto message = parseChordSymbol (chordText.isNotEmpty() ? chordText : project.previewChord, chord);
            message.isNotEmpty())
            return failure (message);

        context = pitchContextFromChord (chord, project.scale);
        pitchText = chordText;
    }

    juce::MidiFile midi;
    midi.setTicksPerQuarterNote (midiExportTicksPerQuarter);
    midi.addTrack (sectionMidiSequence (section, project.midiChannel, context));

    if (auto message = writeMidiFile (file, midi); message.isNotEmpty())
        return failure (message);

    return { file,
             "Exported section '" + section.name + "' (" + juce::String (static_cast<int> (section.sequence.size()))
                 + " Patterns) on " + pitchText + " to " + file.getFileName(),
             {} };
}

SectionMidiExport exportActiveSectionMidi (const VarneTAudioProcessor& processor)
{
    const auto project = processor.getProjectCopy();
    const auto chordText = project.pitchSource == PitchSource::scale ? juce::String() : processor.getDisplayChordName();
    return exportSectionMidi (project, chordText, [] { return tolmek::createMidiExportFolder (VarneT::identity::productName); });
}

} // namespace VarneT
