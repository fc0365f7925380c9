// The version-7 document: the tree of objects and its multi-line text.

#include "model/ProjectJson.h"
#include "model/ProjectJsonKeys.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>

namespace VarneT
{
namespace
{
using project_json::Keys;


juce::var newArray (size_t capacity)
{
    juce::var array { juce::Array<juce::var>() };
    array.getArray()->ensureStorageAllocated ((int) capacity);
    return array;
}

juce::var number (double value)
{
    return canonicalJsonDouble (value);
}

juce::var patternToVar (const Pattern& pattern, const Keys& k)
{
    auto* object = new juce::DynamicObject();
    juce::var result (object);
    object->setProperty (k.name, pattern.name);
    object->setProperty (k.category, pattern.category);
    object->setProperty (k.lengthBeats, number (pattern.lengthBeats));

    if (pattern.repeatCount != 1)
        object->setProperty (k.repeatCount, pattern.repeatCount);

    object->setProperty (k.quantization, quantizationToString (pattern.quantization));

    auto voices = newArray (pattern.voices.size());
    for (const auto& voice : pattern.voices)
    {
        auto* v = new juce::DynamicObject();
        v->setProperty (k.id, voice.id);
        v->setProperty (k.name, voice.name);
        voices.getArray()->add (juce::var (v));
    }
    object->setProperty (k.voices, voices);

    auto notes = newArray (pattern.notes.size());
    for (const auto& note : pattern.notes)
    {
        auto* n = new juce::DynamicObject();
        n->setProperty (k.id, note.id);
        n->setProperty (k.startBeat, number (note.startBeat));
        n->setProperty (k.durationBeats, number (note.durationBeats));
        n->setProperty (k.voiceId, note.voiceId);
        n->setProperty (k.velocity, note.velocity);
        n->setProperty (k.chance, number (note.chance));
        n->setProperty (k.importance, number (note.importance));
        n->setProperty (k.octave, note.octave);

        auto* t = new juce::DynamicObject();
        t->setProperty (k.basis, targetBasisToString (note.target.basis));
        t->setProperty (k.index, note.target.index);
        t->setProperty (k.fixedMidiNote, note.target.fixedMidiNote);
        t->setProperty (k.chromaticOffset, note.target.chromaticOffset);
        n->setProperty (k.target, juce::var (t));

        notes.getArray()->add (juce::var (n));
    }
    object->setProperty (k.notes, notes);

    auto pedal = newArray (pattern.pedal.size());
    for (const auto& event : pattern.pedal)
    {
        auto* p = new juce::DynamicObject();
        p->setProperty (k.id, event.id);
        p->setProperty (k.startBeat, number (event.startBeat));
        p->setProperty (k.durationBeats, number (event.durationBeats));
        p->setProperty (k.value, event.value);
        pedal.getArray()->add (juce::var (p));
    }
    object->setProperty (k.pedal, pedal);

    const auto& m = pattern.modifiers;
    auto* modifiers = new juce::DynamicObject();
    modifiers->setProperty (k.swing, number (m.swing));
    modifiers->setProperty (k.density, number (m.density));
    modifiers->setProperty (k.registerOffset, m.registerOffset);
    modifiers->setProperty (k.spread, number (m.spread));
    modifiers->setProperty (k.humanize, number (m.humanize));
    modifiers->setProperty (k.variationSeed, (juce::int64) m.variationSeed);
    object->setProperty (k.modifiers, juce::var (modifiers));

    return result;
}

// Bytes of the multi-line text, counted as the formatter writes them instead of kept.
class ByteCounter final : public juce::OutputStream
{
public:
    std::size_t bytes = 0;

    void flush() override {}
    bool setPosition (juce::int64) override { return false; }
    juce::int64 getPosition() override { return (juce::int64) bytes; }

    bool write (const void*, size_t numBytes) override
    {
        bytes += numBytes;
        return true;
    }

    bool writeRepeatedByte (juce::uint8, size_t numTimesToRepeat) override
    {
        bytes += numTimesToRepeat;
        return true;
    }
};
} // namespace

//==============================================================================
double canonicalJsonDouble (double value)
{
    // Multiples of 1/1024 below 1e5 have at most 15 digits and are written exactly.
    const auto scaled = value * 1024.0;
    if (std::abs (value) < 1.0e5 && scaled == std::nearbyint (scaled))
        return value;

    if (! std::isfinite (value))
        return value;

    for (int step = 0; step < 4; ++step)
    {
        const auto text = juce::var (value).toString();
        auto p = text.getCharPointer();
        const auto next = juce::CharacterFunctions::readDoubleValue (p);
        if (next == value)
            break;
        value = next;
    }

    return value;
}

juce::var projectToVar (const Project& project)
{
    const Keys k {};
    auto* root = new juce::DynamicObject();
    juce::var result (root);

    root->setProperty (k.version, 7);

    auto* identity = new juce::DynamicObject();
    identity->setProperty (k.name, project.identityName);
    root->setProperty (k.identity, juce::var (identity));

    root->setProperty (k.midiChannel, project.midiChannel);
    root->setProperty (k.pitchSource, pitchSourceToString (project.pitchSource));

    auto* scale = new juce::DynamicObject();
    scale->setProperty (k.root, project.scale.root);
    scale->setProperty (k.name, project.scale.name);
    root->setProperty (k.scale, juce::var (scale));

    root->setProperty (k.previewChord, project.previewChord);
    root->setProperty (k.sectionPlaybackMode, sectionPlaybackModeToString (project.sectionPlaybackMode));
    root->setProperty (k.activeSectionIndex, project.activeSectionIndex);

    auto sections = newArray (project.sections.size());
    for (const auto& section : project.sections)
    {
        auto* s = new juce::DynamicObject();
        s->setProperty (k.name, section.name);

        if (section.repeatCount != 1)
            s->setProperty (k.repeatCount, section.repeatCount);

        auto sequence = newArray (section.sequence.size());
        for (const auto& pattern : section.sequence)
            sequence.getArray()->add (patternToVar (pattern, k));

        s->setProperty (k.sequence, sequence);
        sections.getArray()->add (juce::var (s));
    }

    root->setProperty (k.sections, sections);
    return result;
}

juce::String projectToJsonText (const Project& project)
{
    return juce::JSON::toString (projectToVar (project), false, 15);
}

std::size_t projectJsonTextBytes (const Project& project)
{
    ByteCounter counter;
    juce::JSON::writeToStream (counter, projectToVar (project), false, 15);
    return counter.bytes;
}

} // namespace VarneT
