#include "model/ProjectJson.h"

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
// Property names, made once per call so that objects are built and searched by pooled
// identifiers instead of looking every name up in the string pool.
struct Keys
{
    const juce::Identifier version { "version" }, identity { "identity" }, name { "name" }, role { "role" },
        instrument { "instrument" }, midiChannel { "midiChannel" }, pitchSource { "pitchSource" },
        notePlaybackMode { "notePlaybackMode" }, scale { "scale" }, root { "root" }, previewChord { "previewChord" },
        sectionPlaybackMode { "sectionPlaybackMode" }, activeSectionIndex { "activeSectionIndex" },
        sections { "sections" }, repeatCount { "repeatCount" }, sequence { "sequence" }, category { "category" },
        lengthBeats { "lengthBeats" }, quantization { "quantization" }, voices { "voices" }, notes { "notes" },
        pedal { "pedal" }, modifiers { "modifiers" }, id { "id" }, startBeat { "startBeat" },
        durationBeats { "durationBeats" }, voiceId { "voiceId" }, velocity { "velocity" }, chance { "chance" },
        importance { "importance" }, octave { "octave" }, target { "target" }, basis { "basis" }, index { "index" },
        fixedMidiNote { "fixedMidiNote" }, chromaticOffset { "chromaticOffset" }, value { "value" },
        swing { "swing" }, density { "density" }, registerOffset { "registerOffset" }, spread { "spread" },
        humanize { "humanize" }, variationSeed { "variationSeed" };
};

//==============================================================================
// Writer

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

//==============================================================================
// Reader

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

//==============================================================================
// Text guard in front of juce::JSON::parse.
//
// JUCE 7.0.5's parser accumulates integer digits and exponent digits in signed integers that
// overflow (wrapping huge integers into ordinary ones), reads past the end after a lone '-', and
// recurses once per nesting level. The guard rewrites the few affected tokens in place, byte for
// byte, so that every position and therefore every parser message stays the same.

constexpr const char* int64MaxDigits = "9223372036854775807";
constexpr juce::int64 exponentCap = 999999999;

bool isDigit (char c) { return c >= '0' && c <= '9'; }

bool isHexDigit (char c)
{
    return isDigit (c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue (char c)
{
    return isDigit (c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : c - 'A' + 10;
}

class NumberGuard
{
public:
    NumberGuard (const char* t, size_t n) : text (t), size (n) {}

    bool hasSurrogateEscapes = false;
    std::string patched; // empty while the text needs no change

    void run()
    {
        size_t i = 0;
        int depth = 0;

        while (i < size)
        {
            const char c = text[i];

            if (c == '"' || c == '\'')
            {
                i = skipString (i);
            }
            else if (c == '[' || c == '{')
            {
                if (++depth > maxJsonNesting)
                    patch (i, "?", 1);
                ++i;
            }
            else if (c == ']' || c == '}')
            {
                depth = std::max (0, depth - 1);
                ++i;
            }
            else if (c == '-')
            {
                guardMinus (i);
                ++i;
            }
            else if (isDigit (c))
            {
                i = guardNumber (i);
            }
            else
            {
                ++i;
            }
        }
    }

private:
    const char* text;
    size_t size;

    void patch (size_t at, const char* bytes, size_t count)
    {
        if (patched.empty())
            patched.assign (text, size);
        std::memcpy (patched.data() + at, bytes, count);
    }

    size_t skipString (size_t i)
    {
        const char quote = text[i++];

        while (i < size && text[i] != quote)
        {
            if (text[i] == '\\' && i + 1 < size)
            {
                if (text[i + 1] == 'u' && i + 5 < size && isHexDigit (text[i + 2]) && isHexDigit (text[i + 3])
                    && isHexDigit (text[i + 4]) && isHexDigit (text[i + 5]))
                {
                    const int high = hexValue (text[i + 2]) * 16 + hexValue (text[i + 3]);
                    hasSurrogateEscapes = hasSurrogateEscapes || (high >= 0xd8 && high <= 0xdb);
                }
                ++i;
            }
            ++i;
        }

        return i + 1;
    }

    // The parser takes a '-' and any white space after it as the sign of whatever follows and
    // reads it as a digit even when it is none; a '?' makes it report a syntax error instead.
    void guardMinus (size_t i)
    {
        juce::CharPointer_UTF8 p (text + i + 1);
        p.incrementToEndOfWhitespace();

        if (! p.isDigit())
            patch (i, "?", 1);
    }

    static bool exceedsInt64 (const char* digits, size_t count)
    {
        while (count > 0 && *digits == '0')
        {
            ++digits;
            --count;
        }

        if (count != 19)
            return count > 19;

        return std::string (digits, count) > int64MaxDigits;
    }

    // Returns the index after the number token that starts at `start`.
    size_t guardNumber (size_t start)
    {
        size_t i = start;
        while (i < size && isDigit (text[i]))
            ++i;
        const size_t integerEnd = i;

        size_t fractionStart = integerEnd, fractionEnd = integerEnd;
        size_t exponentDigitsStart = 0, exponentDigitsEnd = 0;
        bool exponentNegative = false;

        if (i < size && (text[i] == '.' || text[i] == 'e' || text[i] == 'E'))
        {
            if (text[i] == '.')
            {
                fractionStart = ++i;
                while (i < size && isDigit (text[i]))
                    ++i;
                fractionEnd = i;
            }

            if (i < size && (text[i] == 'e' || text[i] == 'E'))
            {
                size_t j = i + 1;
                if (j < size && (text[j] == '+' || text[j] == '-'))
                    exponentNegative = text[j++] == '-';

                const size_t digitsStart = j;
                while (j < size && isDigit (text[j]))
                    ++j;

                if (j > digitsStart)
                {
                    exponentDigitsStart = digitsStart;
                    exponentDigitsEnd = j;
                    i = j;
                }
            }
        }

        const size_t end = i;

        if (exceedsInt64 (text + start, integerEnd - start))
            rewriteAsExponent (start, end, integerEnd, fractionStart, fractionEnd, exponentDigitsStart,
                               exponentDigitsEnd, exponentNegative);
        else if (exponentDigitsEnd > exponentDigitsStart)
            capExponentDigits (exponentDigitsStart, exponentDigitsEnd);

        return end;
    }

    static juce::int64 exponentValue (const char* digits, size_t count)
    {
        juce::int64 value = 0;
        for (size_t i = 0; i < count; ++i)
            value = std::min<juce::int64> (value * 10 + (digits[i] - '0'), 1000000000000LL);
        return value;
    }

    // Exponents beyond nine significant digits give 0 or infinity anyway; nine nines keep that
    // result without overflowing the parser's int.
    void capExponentDigits (size_t from, size_t to)
    {
        size_t first = from;
        while (first < to && text[first] == '0')
            ++first;

        if (to - first <= 9)
            return;

        std::string digits (to - from - 9, '0');
        digits += "999999999";
        patch (from, digits.data(), digits.size());
    }

    // An integer part beyond 64 bits becomes d.ddd...e<exponent> in the same number of bytes, so
    // that the parser reads it as the double it is.
    void rewriteAsExponent (size_t start, size_t end, size_t integerEnd, size_t fractionStart, size_t fractionEnd,
                            size_t exponentDigitsStart, size_t exponentDigitsEnd, bool exponentNegative)
    {
        size_t firstSignificant = start;
        while (text[firstSignificant] == '0')
            ++firstSignificant;

        std::string mantissa (text + firstSignificant, integerEnd - firstSignificant);
        mantissa.append (text + fractionStart, fractionEnd - fractionStart);

        auto exponent = exponentValue (text + exponentDigitsStart, exponentDigitsEnd - exponentDigitsStart);
        if (exponentNegative)
            exponent = -exponent;
        exponent += (juce::int64) (integerEnd - firstSignificant) - 1;
        exponent = std::clamp (exponent, -exponentCap, exponentCap);

        std::string exponentText (1, 'e');
        exponentText += std::to_string (exponent);
        const size_t length = end - start;
        std::string token (1, mantissa[0]);

        if (length >= exponentText.size() + 2)
        {
            token += '.';
            const size_t digits = length - exponentText.size() - 2;
            for (size_t d = 0; d < digits; ++d)
                token += d + 1 < mantissa.size() ? mantissa[d + 1] : '0';
        }

        token += exponentText;
        jassert (token.size() == length);
        patch (start, token.data(), token.size());
    }
};

// "\uD83D\uDE00" reaches the parsed text as two surrogate code points; joins each pair into the
// character it encodes.
juce::String joinSurrogatePairs (const juce::String& text)
{
    std::u32string joined;
    joined.reserve ((size_t) text.length());
    bool changed = false;

    for (auto p = text.getCharPointer(); ! p.isEmpty();)
    {
        auto c = p.getAndAdvance();
        const auto next = *p;

        if (c >= 0xd800 && c <= 0xdbff && next >= 0xdc00 && next <= 0xdfff)
        {
            c = 0x10000 + ((c - 0xd800) << 10) + (next - 0xdc00);
            ++p;
            changed = true;
        }

        joined.push_back ((char32_t) c);
    }

    if (! changed)
        return text;

    return juce::String (juce::CharPointer_UTF32 (reinterpret_cast<const juce::juce_wchar*> (joined.c_str())));
}

void joinSurrogatePairsInTree (juce::var& value)
{
    if (value.isString())
    {
        value = joinSurrogatePairs (value.toString());
    }
    else if (auto* array = value.getArray())
    {
        for (auto& element : *array)
            joinSurrogatePairsInTree (element);
    }
    else if (auto* object = value.getDynamicObject())
    {
        auto& properties = object->getProperties();
        for (int i = 0; i < properties.size(); ++i)
            joinSurrogatePairsInTree (*properties.getVarPointerAt (i));
    }
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

juce::String jsonPathError (const juce::String& path, const juce::String& message)
{
    return path + ": " + message;
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

juce::String projectFromVar (const juce::var& document, Project& project)
{
    Project working;
    DocumentReader reader;

    if (! reader.readProject (document, working))
        return reader.error;

    project = std::move (working);
    return {};
}

juce::Result parseJsonText (const juce::String& text, juce::var& result)
{
    NumberGuard guard (text.toRawUTF8(), text.getNumBytesAsUTF8());
    guard.run();

    const auto parsed = guard.patched.empty()
                            ? juce::JSON::parse (text, result)
                            : juce::JSON::parse (juce::String::fromUTF8 (guard.patched.data(), (int) guard.patched.size()),
                                                 result);

    if (parsed.wasOk() && guard.hasSurrogateEscapes)
        joinSurrogatePairsInTree (result);

    return parsed;
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
