// Reading documents of version 1 to 7: upgrades, then validation.

#include "model/ProjectJson.h"
#include "model/ProjectJsonKeys.h"
#include "model/ProjectValidation.h"

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

// A JSON path that is only spelled out when a failure needs it.
class Path
{
public:
    Path() = default;

    Path member (const juce::Identifier& name) const { return Path (this, &name, -1); }
    Path element (int position) const { return Path (this, nullptr, position); }

    juce::String toString() const
    {
        if (parent == nullptr)
            return "$";

        if (key != nullptr)
            return parent->toString() + "." + key->toString();

        return parent->toString() + "[" + juce::String (index) + "]";
    }

private:
    Path (const Path* p, const juce::Identifier* k, int i) : parent (p), key (k), index (i) {}

    const Path* parent = nullptr;
    const juce::Identifier* key = nullptr;
    int index = -1;
};

bool isNumber (const juce::var& v)
{
    return v.isInt() || v.isInt64() || v.isDouble();
}

const juce::var* presentValue (juce::DynamicObject& object, const juce::Identifier& key)
{
    auto* value = object.getProperties().getVarPointer (key);
    return value != nullptr && ! value->isMethod() ? value : nullptr;
}

class DocumentReader
{
public:
    juce::String error;

    bool readProject (const juce::var& document, Project& project);

private:
    const Keys k {};

    bool fail (const Path& path, const char* message)
    {
        error = jsonPathError (path.toString(), message);
        return false;
    }

    const juce::var& get (juce::DynamicObject& object, const juce::Identifier& key) const
    {
        return object.getProperty (key);
    }

    juce::DynamicObject* object (const juce::var& value, const Path& path)
    {
        auto* result = value.getDynamicObject();
        if (result == nullptr)
            fail (path, "expected an object");
        return result;
    }

    const juce::Array<juce::var>* array (const juce::var& value, const Path& path)
    {
        auto* result = value.getArray();
        if (result == nullptr)
            fail (path, "expected an array");
        return result;
    }

    bool keySet (juce::DynamicObject& object, const Path& path, std::initializer_list<const juce::Identifier*> keys)
    {
        for (const auto& property : object.getProperties())
        {
            bool known = false;
            for (auto* key : keys)
                known = known || *key == property.name;

            if (! known)
                return fail (path.member (property.name), "unknown property");
        }

        for (auto* key : keys)
            if (key != &k.repeatCount && presentValue (object, *key) == nullptr)
                return fail (path.member (*key), "missing property");

        return true;
    }

    bool readString (const juce::var& value, const Path& path, juce::String& result)
    {
        if (! value.isString())
            return fail (path, "expected a string");

        result = value.toString();
        return true;
    }

    bool readInteger (const juce::var& value, const Path& path, juce::int64 low, juce::int64 high, juce::int64& result)
    {
        if (! isNumber (value))
            return fail (path, "expected a number");

        if (value.isDouble())
        {
            const auto d = static_cast<double> (value);
            if (! std::isfinite (d) || std::trunc (d) != d || d < (double) low || d > (double) high)
                return fail (path, "expected an integer");

            result = (juce::int64) d;
            return true;
        }

        const auto i = static_cast<juce::int64> (value);
        if (i < low || i > high)
            return fail (path, "expected an integer");

        result = i;
        return true;
    }

    bool readInt (const juce::var& value, const Path& path, int& result)
    {
        juce::int64 wide = 0;
        if (! readInteger (value, path, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), wide))
            return false;

        result = (int) wide;
        return true;
    }

    bool readDouble (const juce::var& value, const Path& path, double& result)
    {
        if (! isNumber (value))
            return fail (path, "expected a number");

        const auto d = static_cast<double> (value);
        if (! std::isfinite (d))
            return fail (path, "must be finite");

        result = d;
        return true;
    }

    // Members read through the typed readers, at path.key.
    bool readString (juce::DynamicObject& o, const Path& path, const juce::Identifier& key, juce::String& r)
    {
        return readString (get (o, key), path.member (key), r);
    }

    bool readInt (juce::DynamicObject& o, const Path& path, const juce::Identifier& key, int& r)
    {
        return readInt (get (o, key), path.member (key), r);
    }

    bool readDouble (juce::DynamicObject& o, const Path& path, const juce::Identifier& key, double& r)
    {
        return readDouble (get (o, key), path.member (key), r);
    }

    bool readOptionalCount (juce::DynamicObject& o, const Path& path, int& count)
    {
        if (auto* value = presentValue (o, k.repeatCount))
            return readInt (*value, path.member (k.repeatCount), count);

        return true;
    }

    bool readSection (const juce::var& value, const Path& path, Section& section);
    bool readPattern (const juce::var& value, const Path& path, Pattern& pattern);
    bool readNote (const juce::var& value, const Path& path, NoteEvent& note);
    bool readPedal (const juce::var& value, const Path& path, PedalEvent& event);
    bool readModifiers (const juce::var& value, const Path& path, PatternModifiers& modifiers);
};

bool DocumentReader::readProject (const juce::var& document, Project& project)
{
    const Path root;
    auto* rootObject = object (document, root);
    if (rootObject == nullptr)
        return false;

    auto& o = *rootObject;
    int version = 0;
    if (! readInt (o, root, k.version, version))
        return false;

    if (version < 1 || version > 7)
        return fail (root.member (k.version), "must be 1, 2, 3, 4, 5, 6, or 7");

    bool keysOk = false;
    switch (version)
    {
        case 1:
            keysOk = keySet (o, root, { &k.version, &k.identity, &k.midiChannel, &k.scale, &k.previewChord,
                                        &k.activeSectionIndex, &k.sections });
            break;
        case 2:
            keysOk = keySet (o, root, { &k.version, &k.identity, &k.midiChannel, &k.pitchSource, &k.scale,
                                        &k.previewChord, &k.activeSectionIndex, &k.sections });
            break;
        case 4:
            keysOk = keySet (o, root, { &k.version, &k.identity, &k.midiChannel, &k.pitchSource, &k.notePlaybackMode,
                                        &k.scale, &k.previewChord, &k.sectionPlaybackMode, &k.activeSectionIndex,
                                        &k.sections });
            break;
        default:
            keysOk = keySet (o, root, { &k.version, &k.identity, &k.midiChannel, &k.pitchSource, &k.scale,
                                        &k.previewChord, &k.sectionPlaybackMode, &k.activeSectionIndex, &k.sections });
            break;
    }

    if (! keysOk)
        return false;

    juce::String text;

    if (version >= 2)
    {
        if (! readString (o, root, k.pitchSource, text))
            return false;
        if (! pitchSourceFromString (text, project.pitchSource))
            return fail (root.member (k.pitchSource), "unknown pitch source");
    }

    if (version == 4)
    {
        if (! readString (o, root, k.notePlaybackMode, text))
            return false;
        if (text != "polyphonic" && text != "arpeggiator")
            return fail (root.member (k.notePlaybackMode), "unknown note playback mode");
    }

    if (version >= 3)
    {
        if (! readString (o, root, k.sectionPlaybackMode, text))
            return false;
        if (! sectionPlaybackModeFromString (text, project.sectionPlaybackMode))
            return fail (root.member (k.sectionPlaybackMode), "unknown section playback mode");
    }

    const bool identityHasRoles = version < 6;
    project.version = 7;

    const auto identityPath = root.member (k.identity);
    auto* identity = object (get (o, k.identity), identityPath);
    if (identity == nullptr)
        return false;

    if (identityHasRoles)
    {
        if (! keySet (*identity, identityPath, { &k.name, &k.role, &k.instrument })
            || ! readString (*identity, identityPath, k.role, text)
            || ! readString (*identity, identityPath, k.instrument, text))
            return false;
    }
    else if (! keySet (*identity, identityPath, { &k.name }))
    {
        return false;
    }

    if (! readString (*identity, identityPath, k.name, project.identityName)
        || ! readInt (o, root, k.midiChannel, project.midiChannel))
        return false;

    const auto scalePath = root.member (k.scale);
    auto* scale = object (get (o, k.scale), scalePath);
    if (scale == nullptr
        || ! keySet (*scale, scalePath, { &k.root, &k.name })
        || ! readInt (*scale, scalePath, k.root, project.scale.root)
        || ! readString (*scale, scalePath, k.name, project.scale.name))
        return false;

    if (! readString (o, root, k.previewChord, project.previewChord)
        || ! readInt (o, root, k.activeSectionIndex, project.activeSectionIndex))
        return false;

    const auto sectionsPath = root.member (k.sections);
    auto* sections = array (get (o, k.sections), sectionsPath);
    if (sections == nullptr)
        return false;

    project.sections.reserve ((size_t) sections->size());
    for (int i = 0; i < sections->size(); ++i)
    {
        Section section;
        if (! readSection (sections->getReference (i), sectionsPath.element (i), section))
            return false;
        project.sections.push_back (std::move (section));
    }

    error = validateProject (project);
    return error.isEmpty();
}

bool DocumentReader::readSection (const juce::var& value, const Path& path, Section& section)
{
    auto* o = object (value, path);
    if (o == nullptr
        || ! keySet (*o, path, { &k.name, &k.sequence, &k.repeatCount })
        || ! readOptionalCount (*o, path, section.repeatCount)
        || ! readString (*o, path, k.name, section.name))
        return false;

    const auto sequencePath = path.member (k.sequence);
    auto* sequence = array (get (*o, k.sequence), sequencePath);
    if (sequence == nullptr)
        return false;

    section.sequence.reserve ((size_t) sequence->size());
    for (int j = 0; j < sequence->size(); ++j)
    {
        Pattern pattern;
        if (! readPattern (sequence->getReference (j), sequencePath.element (j), pattern))
            return false;
        section.sequence.push_back (std::move (pattern));
    }

    return true;
}

bool DocumentReader::readPattern (const juce::var& value, const Path& path, Pattern& pattern)
{
    auto* o = object (value, path);
    if (o == nullptr
        || ! keySet (*o, path, { &k.name, &k.category, &k.lengthBeats, &k.quantization, &k.voices, &k.notes,
                                 &k.pedal, &k.modifiers, &k.repeatCount })
        || ! readOptionalCount (*o, path, pattern.repeatCount)
        || ! readString (*o, path, k.name, pattern.name)
        || ! readString (*o, path, k.category, pattern.category)
        || ! readDouble (*o, path, k.lengthBeats, pattern.lengthBeats))
        return false;

    juce::String text;
    if (! readString (*o, path, k.quantization, text))
        return false;
    if (! quantizationFromString (text, pattern.quantization))
        return fail (path.member (k.quantization), "unknown quantization");

    const auto voicesPath = path.member (k.voices);
    auto* voices = array (get (*o, k.voices), voicesPath);
    if (voices == nullptr)
        return false;

    pattern.voices.reserve ((size_t) voices->size());
    for (int j = 0; j < voices->size(); ++j)
    {
        const auto voicePath = voicesPath.element (j);
        PatternVoice voice;
        auto* v = object (voices->getReference (j), voicePath);
        if (v == nullptr
            || ! keySet (*v, voicePath, { &k.id, &k.name })
            || ! readInt (*v, voicePath, k.id, voice.id)
            || ! readString (*v, voicePath, k.name, voice.name))
            return false;
        pattern.voices.push_back (std::move (voice));
    }

    const auto notesPath = path.member (k.notes);
    auto* notes = array (get (*o, k.notes), notesPath);
    if (notes == nullptr)
        return false;

    pattern.notes.reserve ((size_t) notes->size());
    for (int j = 0; j < notes->size(); ++j)
    {
        NoteEvent note;
        if (! readNote (notes->getReference (j), notesPath.element (j), note))
            return false;
        pattern.notes.push_back (std::move (note));
    }

    const auto pedalPath = path.member (k.pedal);
    auto* pedal = array (get (*o, k.pedal), pedalPath);
    if (pedal == nullptr)
        return false;

    pattern.pedal.reserve ((size_t) pedal->size());
    for (int j = 0; j < pedal->size(); ++j)
    {
        PedalEvent event;
        if (! readPedal (pedal->getReference (j), pedalPath.element (j), event))
            return false;
        pattern.pedal.push_back (std::move (event));
    }

    return readModifiers (get (*o, k.modifiers), path.member (k.modifiers), pattern.modifiers);
}

bool DocumentReader::readNote (const juce::var& value, const Path& path, NoteEvent& note)
{
    auto* o = object (value, path);
    if (o == nullptr
        || ! keySet (*o, path, { &k.id, &k.startBeat, &k.durationBeats, &k.voiceId, &k.velocity, &k.chance,
                                 &k.importance, &k.octave, &k.target })
        || ! readString (*o, path, k.id, note.id)
        || ! readDouble (*o, path, k.startBeat, note.startBeat)
        || ! readDouble (*o, path, k.durationBeats, note.durationBeats)
        || ! readInt (*o, path, k.voiceId, note.voiceId)
        || ! readInt (*o, path, k.velocity, note.velocity)
        || ! readDouble (*o, path, k.chance, note.chance)
        || ! readDouble (*o, path, k.importance, note.importance)
        || ! readInt (*o, path, k.octave, note.octave))
        return false;

    const auto targetPath = path.member (k.target);
    auto* t = object (get (*o, k.target), targetPath);
    if (t == nullptr || ! keySet (*t, targetPath, { &k.basis, &k.index, &k.fixedMidiNote, &k.chromaticOffset }))
        return false;

    juce::String basis;
    if (! readString (*t, targetPath, k.basis, basis))
        return false;
    if (! targetBasisFromString (basis, note.target.basis))
        return fail (targetPath.member (k.basis), "unknown target basis");

    return readInt (*t, targetPath, k.index, note.target.index)
        && readInt (*t, targetPath, k.fixedMidiNote, note.target.fixedMidiNote)
        && readInt (*t, targetPath, k.chromaticOffset, note.target.chromaticOffset);
}

bool DocumentReader::readPedal (const juce::var& value, const Path& path, PedalEvent& event)
{
    auto* o = object (value, path);
    return o != nullptr
        && keySet (*o, path, { &k.id, &k.startBeat, &k.durationBeats, &k.value })
        && readString (*o, path, k.id, event.id)
        && readDouble (*o, path, k.startBeat, event.startBeat)
        && readDouble (*o, path, k.durationBeats, event.durationBeats)
        && readInt (*o, path, k.value, event.value);
}

bool DocumentReader::readModifiers (const juce::var& value, const Path& path, PatternModifiers& m)
{
    auto* o = object (value, path);
    if (o == nullptr
        || ! keySet (*o, path, { &k.swing, &k.density, &k.registerOffset, &k.spread, &k.humanize, &k.variationSeed })
        || ! readDouble (*o, path, k.swing, m.swing)
        || ! readDouble (*o, path, k.density, m.density)
        || ! readInt (*o, path, k.registerOffset, m.registerOffset)
        || ! readDouble (*o, path, k.spread, m.spread)
        || ! readDouble (*o, path, k.humanize, m.humanize))
        return false;

    // The writer stores the unsigned seed as a 64-bit int, so every value it writes reads back.
    const auto seedPath = path.member (k.variationSeed);
    juce::int64 seed = 0;
    if (! readInteger (get (*o, k.variationSeed), seedPath, std::numeric_limits<int>::min(),
                       std::numeric_limits<std::uint32_t>::max(), seed))
        return false;

    if (seed < 0)
        return fail (seedPath, "must be zero or positive");

    m.variationSeed = (std::uint32_t) seed;
    return true;
}
} // namespace

//==============================================================================
juce::String jsonPathError (const juce::String& path, const juce::String& message)
{
    return path + ": " + message;
}

juce::String projectFromVar (const juce::var& document, Project& project)
{
    Project working;
    DocumentReader reader;

    if (! reader.readProject (document, working))
        return reader.error;

    project = std::move (working);
    return {};
}

juce::String projectFromJsonText (const juce::String& text, Project& project)
{
    juce::var document;
    const auto parsed = parseJsonText (text, document);

    if (parsed.failed())
        return parsed.getErrorMessage();

    return projectFromVar (document, project);
}

} // namespace VarneT
