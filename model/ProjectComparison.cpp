#include "model/ProjectComparison.h"

#include "model/ProjectJson.h"

#include <bit>
#include <cstdint>

namespace VarneT
{
namespace
{
// Each field is compared as it is written: different values may share a text (doubles that
// round to the same digits, every non-finite number, every unknown enumerator).
bool sameNumber (double a, double b)
{
    return std::bit_cast<std::uint64_t> (a) == std::bit_cast<std::uint64_t> (b) || writtenJsonNumber (a) == writtenJsonNumber (b);
}

// Escapes of code points beyond U+FFFF read like escapes of two separate code points.
bool sameText (const juce::String& a, const juce::String& b)
{
    return a == b || juce::JSON::toString (juce::var (a)) == juce::JSON::toString (juce::var (b));
}

template <typename Enum>
bool sameSpelling (Enum a, Enum b, juce::String (*spell) (Enum))
{
    return a == b || spell (a) == spell (b);
}

bool samePattern (const Pattern& a, const Pattern& b)
{
    if (! sameText (a.name, b.name) || ! sameText (a.category, b.category) || a.repeatCount != b.repeatCount
        || ! sameNumber (a.lengthBeats, b.lengthBeats) || ! sameSpelling (a.quantization, b.quantization, quantizationToString)
        || a.voices.size() != b.voices.size() || a.notes.size() != b.notes.size() || a.pedal.size() != b.pedal.size())
        return false;

    for (size_t i = 0; i < a.voices.size(); ++i)
        if (a.voices[i].id != b.voices[i].id || ! sameText (a.voices[i].name, b.voices[i].name))
            return false;

    for (size_t i = 0; i < a.notes.size(); ++i)
    {
        const auto& x = a.notes[i];
        const auto& y = b.notes[i];

        if (! sameText (x.id, y.id) || x.voiceId != y.voiceId || x.velocity != y.velocity || x.octave != y.octave
            || x.target.index != y.target.index || x.target.fixedMidiNote != y.target.fixedMidiNote
            || x.target.chromaticOffset != y.target.chromaticOffset
            || ! sameSpelling (x.target.basis, y.target.basis, targetBasisToString) || ! sameNumber (x.startBeat, y.startBeat)
            || ! sameNumber (x.durationBeats, y.durationBeats) || ! sameNumber (x.chance, y.chance)
            || ! sameNumber (x.importance, y.importance))
            return false;
    }

    for (size_t i = 0; i < a.pedal.size(); ++i)
    {
        const auto& x = a.pedal[i];
        const auto& y = b.pedal[i];

        if (! sameText (x.id, y.id) || x.value != y.value || ! sameNumber (x.startBeat, y.startBeat)
            || ! sameNumber (x.durationBeats, y.durationBeats))
            return false;
    }

    const auto& m = a.modifiers;
    const auto& n = b.modifiers;
    return m.registerOffset == n.registerOffset && m.variationSeed == n.variationSeed && sameNumber (m.swing, n.swing)
           && sameNumber (m.density, n.density) && sameNumber (m.spread, n.spread) && sameNumber (m.humanize, n.humanize);
}

bool sameWritten (const Project& a, const Project& b, bool compareNames)
{
    if (compareNames && ! sameText (a.identityName, b.identityName))
        return false;

    if (a.midiChannel != b.midiChannel || a.scale.root != b.scale.root || ! sameText (a.scale.name, b.scale.name)
        || ! sameText (a.previewChord, b.previewChord) || a.sections.size() != b.sections.size()
        || ! sameSpelling (a.pitchSource, b.pitchSource, pitchSourceToString)
        || ! sameSpelling (a.sectionPlaybackMode, b.sectionPlaybackMode, sectionPlaybackModeToString))
        return false;

    for (size_t i = 0; i < a.sections.size(); ++i)
    {
        const auto& x = a.sections[i];
        const auto& y = b.sections[i];

        if ((compareNames && ! sameText (x.name, y.name)) || x.repeatCount != y.repeatCount || x.sequence.size() != y.sequence.size())
            return false;

        for (size_t j = 0; j < x.sequence.size(); ++j)
            if (! samePattern (x.sequence[j], y.sequence[j]))
                return false;
    }

    return true;
}
} // namespace

bool sameMusicalContent (const Project& a, const Project& b)
{
    return sameWritten (a, b, false);
}

bool sameApartFromSelection (const Project& a, const Project& b)
{
    return sameWritten (a, b, true);
}

} // namespace VarneT
