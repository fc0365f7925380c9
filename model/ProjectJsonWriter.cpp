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
#include <unordered_map>
#include <bit>
#include <charconv>

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

// The written text's size, counted from the project itself with the formatter's layout:
// "{" or "[" and a new line, each member on its own line two spaces deeper, "," and a new line
// between members, a new line and the closing bracket at the enclosing depth; an empty array is
// "[]". Strings are escaped to ASCII, so the text's bytes are also its characters.
class TextSizeCounter
{
public:
    TextSizeCounter() : newLineBytes (std::strlen (juce::NewLine::getDefault())) {}

    std::size_t project (const Project& project)
    {
        Members root (*this, 0);
        root.add ("version", integer (7));

        Members identity (*this, 2);
        identity.add ("name", string (project.identityName));
        root.add ("identity", identity.total());

        root.add ("midiChannel", integer (project.midiChannel));
        root.add ("pitchSource", string (pitchSourceToString (project.pitchSource)));

        Members scale (*this, 2);
        scale.add ("root", integer (project.scale.root));
        scale.add ("name", string (project.scale.name));
        root.add ("scale", scale.total());

        root.add ("previewChord", string (project.previewChord));
        root.add ("sectionPlaybackMode", string (sectionPlaybackModeToString (project.sectionPlaybackMode)));
        root.add ("activeSectionIndex", integer (project.activeSectionIndex));

        Elements sections (*this, 2);
        for (const auto& section : project.sections)
        {
            Members s (*this, 4);
            s.add ("name", string (section.name));

            if (section.repeatCount != 1)
                s.add ("repeatCount", integer (section.repeatCount));

            Elements sequence (*this, 6);
            for (const auto& pattern : section.sequence)
                sequence.add (this->pattern (pattern, 8));

            s.add ("sequence", sequence.total());
            sections.add (s.total());
        }

        root.add ("sections", sections.total());
        return root.total();
    }

private:
    // The members of one object written at `depth` spaces.
    struct Members
    {
        Members (const TextSizeCounter& c, std::size_t d) : counter (c), depth (d) {}

        // spaces, "key": value
        template <std::size_t keyLength>
        void add (const char (&)[keyLength], std::size_t valueBytes)
        {
            bytes += depth + 2 + (keyLength - 1) + 4 + valueBytes;
            ++count;
        }

        std::size_t total() const
        {
            const auto separators = count > 0 ? (count - 1) * (1 + counter.newLineBytes) + counter.newLineBytes : 0;
            return 1 + counter.newLineBytes + bytes + separators + depth + 1;
        }

        const TextSizeCounter& counter;
        const std::size_t depth;
        std::size_t bytes = 0, count = 0;
    };

    // The elements of one array written at `depth` spaces.
    struct Elements
    {
        Elements (const TextSizeCounter& c, std::size_t d) : counter (c), depth (d) {}

        void add (std::size_t valueBytes)
        {
            bytes += depth + 2 + valueBytes;
            ++count;
        }

        std::size_t total() const
        {
            if (count == 0)
                return 2;

            return 1 + counter.newLineBytes + bytes + (count - 1) * (1 + counter.newLineBytes) + counter.newLineBytes
                   + depth + 1;
        }

        const TextSizeCounter& counter;
        const std::size_t depth;
        std::size_t bytes = 0, count = 0;
    };

    std::size_t pattern (const Pattern& pattern, std::size_t depth)
    {
        Members p (*this, depth);
        p.add ("name", string (pattern.name));
        p.add ("category", string (pattern.category));
        p.add ("lengthBeats", number (pattern.lengthBeats));

        if (pattern.repeatCount != 1)
            p.add ("repeatCount", integer (pattern.repeatCount));

        p.add ("quantization", string (quantizationToString (pattern.quantization)));

        Elements voices (*this, depth + 2);
        for (const auto& voice : pattern.voices)
        {
            Members v (*this, depth + 4);
            v.add ("id", integer (voice.id));
            v.add ("name", string (voice.name));
            voices.add (v.total());
        }
        p.add ("voices", voices.total());

        Elements notes (*this, depth + 2);
        for (const auto& note : pattern.notes)
        {
            Members n (*this, depth + 4);
            n.add ("id", string (note.id));
            n.add ("startBeat", number (note.startBeat));
            n.add ("durationBeats", number (note.durationBeats));
            n.add ("voiceId", integer (note.voiceId));
            n.add ("velocity", integer (note.velocity));
            n.add ("chance", number (note.chance));
            n.add ("importance", number (note.importance));
            n.add ("octave", integer (note.octave));

            Members t (*this, depth + 6);
            t.add ("basis", string (targetBasisToString (note.target.basis)));
            t.add ("index", integer (note.target.index));
            t.add ("fixedMidiNote", integer (note.target.fixedMidiNote));
            t.add ("chromaticOffset", integer (note.target.chromaticOffset));
            n.add ("target", t.total());

            notes.add (n.total());
        }
        p.add ("notes", notes.total());

        Elements pedal (*this, depth + 2);
        for (const auto& event : pattern.pedal)
        {
            Members e (*this, depth + 4);
            e.add ("id", string (event.id));
            e.add ("startBeat", number (event.startBeat));
            e.add ("durationBeats", number (event.durationBeats));
            e.add ("value", integer (event.value));
            pedal.add (e.total());
        }
        p.add ("pedal", pedal.total());

        const auto& m = pattern.modifiers;
        Members modifiers (*this, depth + 2);
        modifiers.add ("swing", number (m.swing));
        modifiers.add ("density", number (m.density));
        modifiers.add ("registerOffset", integer (m.registerOffset));
        modifiers.add ("spread", number (m.spread));
        modifiers.add ("humanize", number (m.humanize));
        modifiers.add ("variationSeed", integer ((std::int64_t) m.variationSeed));
        p.add ("modifiers", modifiers.total());

        return p.total();
    }

    static std::size_t integer (std::int64_t value)
    {
        std::size_t digits = value < 0 ? 2 : 1;
        for (auto magnitude = value < 0 ? -(std::uint64_t) value : (std::uint64_t) value; magnitude >= 10; magnitude /= 10)
            ++digits;

        return digits;
    }

    static std::size_t string (const juce::String& text)
    {
        std::size_t bytes = 2;

        for (auto p = text.getCharPointer();;)
        {
            const auto c = p.getAndAdvance();

            if (c == 0)
                return bytes;

            if (c == '"' || c == '\\' || c == '\a' || c == '\b' || c == '\f' || c == '\t' || c == '\r' || c == '\n')
                bytes += 2;
            else if (c >= 32 && c < 127)
                bytes += 1;
            else
                bytes += c > 0xffff ? 12 : 6;    // one or two \uXXXX escapes
        }
    }

    std::size_t number (double value)
    {
        if (const auto bytes = exactBinaryFractionBytes (value); bytes > 0)
            return bytes;

        if (const auto bytes = plainDecimalBytes (value); bytes > 0)
            return bytes;

        const auto key = std::bit_cast<std::uint64_t> (value);
        if (const auto found = otherNumbers.find (key); found != otherNumbers.end())
            return found->second;

        const auto bytes = (std::size_t) writtenJsonNumber (value).getNumBytesAsUTF8();
        otherNumbers.emplace (key, bytes);
        return bytes;
    }

    // Between 1e-5 and 1e6 the formatter writes a fixed number of decimals (about 16 significant
    // digits) and drops trailing zeros; the same digits are made here without a string. 0 when
    // the value is outside that range or is not the one its digits read back as.
    static std::size_t plainDecimalBytes (double value)
    {
        const auto magnitude = std::abs (value);
        if (! (magnitude > 1.0e-5 && magnitude < 1.0e6))
            return 0;

        int places = 1;
        if ((double) (int) value != value)
        {
            if (magnitude < 1.0)
                places = magnitude >= 1.0e-1 ? 16 : magnitude >= 1.0e-2 ? 17 : magnitude >= 1.0e-3 ? 18 : magnitude >= 1.0e-4 ? 19 : 20;
            else
                places = magnitude < 1.0e1 ? 15 : magnitude < 1.0e2 ? 14 : magnitude < 1.0e3 ? 13 : magnitude < 1.0e4 ? 12 : magnitude < 1.0e5 ? 11 : 10;
        }

        char digits[48];
        const auto [end, failure] = std::to_chars (digits, digits + sizeof (digits) - 1, value, std::chars_format::fixed, places);
        if (failure != std::errc())
            return 0;

        // Trailing zeros go, but one digit stays after the point.
        auto* last = end;
        while (last[-1] == '0' && last[-2] != '.')
            --last;

        *last = 0;
        auto text = juce::CharPointer_ASCII (digits);
        if (juce::CharacterFunctions::readDoubleValue (text) != value)
            return 0;

        return (std::size_t) (last - digits);
    }

    // Beats and amounts are mostly multiples of 1/1024 below 1e5, which the formatter writes as
    // their exact decimal digits ("3.0" for whole numbers); 0 when `value` is not one of them.
    static std::size_t exactBinaryFractionBytes (double value)
    {
        const auto magnitude = std::abs (value);
        const auto scaled = magnitude * 1024.0;

        if (! (magnitude < 1.0e5) || magnitude == 0.0 || scaled != std::floor (scaled))
            return 0;

        const auto whole = std::floor (magnitude);
        std::size_t bytes = (value < 0.0 ? 1 : 0) + integer ((std::int64_t) whole) + 1;

        // The fraction j/1024 is j * 5^10 / 10^10: at most ten digits after the point.
        auto digits = (std::int64_t) ((magnitude - whole) * 1.0e10);
        if (digits == 0)
            return bytes + 1;

        std::size_t fractionDigits = 10;
        for (; digits % 10 == 0; digits /= 10)
            --fractionDigits;

        return bytes + fractionDigits;
    }

    const std::size_t newLineBytes;
    std::unordered_map<std::uint64_t, std::size_t> otherNumbers;
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
    return TextSizeCounter().project (project);
}

juce::String writtenJsonNumber (double value)
{
    const auto written = canonicalJsonDouble (value);
    return std::isfinite (written) ? juce::var (written).toString() : juce::String ("null");
}

} // namespace VarneT
