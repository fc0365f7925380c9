#include "model/ProjectValidation.h"

#include "model/ChordSymbols.h"
#include "model/ProjectJson.h"
#include "model/Scales.h"

#include <array>
#include <unordered_set>

namespace VarneT
{
namespace
{
constexpr const char* trimmedTextMessage = "must be trimmed, non-empty, and at most 256 bytes";
constexpr const char* eventIdMessage = "must be non-empty and unique";

bool isTrimmedText (const juce::String& text)
{
    return text.isNotEmpty() && text.getNumBytesAsUTF8() <= 256 && text == text.trim();
}

bool isNonEmptyName (const juce::String& text)
{
    return text.containsNonWhitespaceChars();
}

// Written so that NaN fails every range.
bool isBetween (double value, double low, double high) { return value >= low && value <= high; }
bool isBetween (int value, int low, int high) { return value >= low && value <= high; }
bool isPositiveLength (double value) { return value > 0.0 && value <= 256.0; }
// Also as written: a start a few ulps below the length must not become the length in the text.
bool isInside (double start, double length)
{
    return start >= 0.0 && start < length && canonicalJsonDouble (start) < canonicalJsonDouble (length);
}

juce::String fail (const juce::String& path, const char* suffix, const char* message)
{
    return jsonPathError (path + suffix, message);
}

juce::String elementPath (const juce::String& path, const char* member, size_t index)
{
    return path + member + "[" + juce::String ((juce::int64) index) + "]";
}

juce::String validateNote (const NoteEvent& note, const juce::String& patternPath, size_t k,
                           const Pattern& pattern, const std::array<bool, 8>& voiceIds,
                           std::unordered_set<juce::String>& eventIds)
{
    auto failAt = [&] (const char* suffix, const char* message)
    { return fail (elementPath (patternPath, ".notes", k), suffix, message); };

    if (! isNonEmptyName (note.id) || ! eventIds.insert (note.id).second)
        return failAt (".id", eventIdMessage);
    if (! isInside (note.startBeat, pattern.lengthBeats))
        return failAt (".startBeat", "must be inside the performance");
    if (! isPositiveLength (note.durationBeats))
        return failAt (".durationBeats", "must be in (0, 256]");
    if (! isBetween (note.voiceId, 0, 7) || ! voiceIds[(size_t) note.voiceId])
        return failAt (".voiceId", "does not reference a voice");
    if (! isBetween (note.velocity, 1, 127))
        return failAt (".velocity", "must be between 1 and 127");
    if (! isBetween (note.chance, 0.0, 1.0))
        return failAt (".chance", "must be between 0 and 1");
    if (! isBetween (note.importance, 0.0, 1.0))
        return failAt (".importance", "must be between 0 and 1");
    if (! isBetween (note.octave, -4, 4))
        return failAt (".octave", "must be between -4 and 4");
    if (! isBetween (note.target.index, -32, 32))
        return failAt (".target.index", "must be between -32 and 32");
    if (! isBetween (note.target.fixedMidiNote, 0, 127))
        return failAt (".target.fixedMidiNote", "must be between 0 and 127");
    if (! isBetween (note.target.chromaticOffset, -2, 2))
        return failAt (".target.chromaticOffset", "must be between -2 and 2");

    return {};
}

juce::String validatePedal (const PedalEvent& event, const juce::String& patternPath, size_t k,
                            const Pattern& pattern, std::unordered_set<juce::String>& eventIds)
{
    auto failAt = [&] (const char* suffix, const char* message)
    { return fail (elementPath (patternPath, ".pedal", k), suffix, message); };

    if (! isNonEmptyName (event.id) || ! eventIds.insert (event.id).second)
        return failAt (".id", eventIdMessage);
    if (! isInside (event.startBeat, pattern.lengthBeats))
        return failAt (".startBeat", "must be inside the performance");
    if (! isPositiveLength (event.durationBeats))
        return failAt (".durationBeats", "must be in (0, 256]");
    if (! isBetween (event.value, 0, 127))
        return failAt (".value", "must be between 0 and 127");

    return {};
}

} // namespace

juce::String validatePattern (const Pattern& pattern, const juce::String& path)
{
    if (! isBetween (pattern.repeatCount, 1, 8))
        return fail (path, ".repeatCount", "must be between 1 and 8");
    if (! isTrimmedText (pattern.name))
        return fail (path, ".name", trimmedTextMessage);
    if (! isTrimmedText (pattern.category))
        return fail (path, ".category", trimmedTextMessage);
    if (! isPositiveLength (pattern.lengthBeats))
        return fail (path, ".lengthBeats", "must be in (0, 256]");
    if (pattern.voices.empty() || pattern.voices.size() > 8)
        return fail (path, ".voices", "must contain 1 to 8 voices");
    if (pattern.notes.size() + pattern.pedal.size() > (size_t) maxPatternEvents)
        return fail (path, "", "contains more than 2048 events");

    std::array<bool, 8> voiceIds {};

    for (size_t k = 0; k < pattern.voices.size(); ++k)
    {
        const auto& voice = pattern.voices[k];

        if (! isBetween (voice.id, 0, 7))
            return fail (elementPath (path, ".voices", k), ".id", "must be between 0 and 7");
        if (! isNonEmptyName (voice.name))
            return fail (elementPath (path, ".voices", k), ".name", "must not be empty");
        if (voiceIds[(size_t) voice.id])
            return fail (path, ".voices", "voice ids must be unique");

        voiceIds[(size_t) voice.id] = true;
    }

    std::unordered_set<juce::String> eventIds;
    eventIds.reserve (pattern.notes.size() + pattern.pedal.size());

    for (size_t k = 0; k < pattern.notes.size(); ++k)
        if (auto error = validateNote (pattern.notes[k], path, k, pattern, voiceIds, eventIds); error.isNotEmpty())
            return error;

    for (size_t k = 0; k < pattern.pedal.size(); ++k)
        if (auto error = validatePedal (pattern.pedal[k], path, k, pattern, eventIds); error.isNotEmpty())
            return error;

    const auto& m = pattern.modifiers;

    if (! isBetween (m.swing, 0.0, 1.0))
        return fail (path, ".modifiers.swing", "must be between 0 and 1");
    if (! isBetween (m.density, 0.0, 1.0))
        return fail (path, ".modifiers.density", "must be between 0 and 1");
    if (! isBetween (m.registerOffset, -3, 3))
        return fail (path, ".modifiers.registerOffset", "must be between -3 and 3");
    if (! isBetween (m.spread, 0.0, 1.0))
        return fail (path, ".modifiers.spread", "must be between 0 and 1");
    if (! isBetween (m.humanize, 0.0, 1.0))
        return fail (path, ".modifiers.humanize", "must be between 0 and 1");

    return {};
}

juce::String validateProject (const Project& project)
{
    if (project.version != 7)
        return jsonPathError ("$.version", "must be 7");
    if (! isTrimmedText (project.identityName))
        return jsonPathError ("$.identity.name", trimmedTextMessage);
    if (! isBetween (project.midiChannel, 1, 16))
        return jsonPathError ("$.midiChannel", "must be between 1 and 16");
    if (pitchSourceToString (project.pitchSource).isEmpty())
        return jsonPathError ("$.pitchSource", "unknown pitch source");
    if (sectionPlaybackModeToString (project.sectionPlaybackMode).isEmpty())
        return jsonPathError ("$.sectionPlaybackMode", "unknown section playback mode");
    if (! isBetween (project.scale.root, 0, 11))
        return jsonPathError ("$.scale.root", "must be between 0 and 11");
    if (findScaleIntervals (project.scale.name).empty())
        return jsonPathError ("$.scale.name", "unsupported scale");

    ParsedChord chord;
    if (auto error = parseChordSymbol (project.previewChord, chord); error.isNotEmpty())
        return jsonPathError ("$.previewChord", error);
    if (chord.isRest)
        return jsonPathError ("$.previewChord", "must describe a playable chord");

    if (project.sections.empty() || project.sections.size() > 64)
        return jsonPathError ("$.sections", "must contain 1 to 64 sections");
    if (! isBetween (project.activeSectionIndex, 0, (int) project.sections.size() - 1))
        return jsonPathError ("$.activeSectionIndex", "must reference an existing section");

    for (size_t i = 0; i < project.sections.size(); ++i)
    {
        const auto& section = project.sections[i];
        const auto sectionPath = elementPath ("$", ".sections", i);

        if (! isBetween (section.repeatCount, 1, 8))
            return fail (sectionPath, ".repeatCount", "must be between 1 and 8");
        if (! isTrimmedText (section.name))
            return fail (sectionPath, ".name", trimmedTextMessage);
        if (section.sequence.empty() || section.sequence.size() > 16)
            return fail (sectionPath, ".sequence", "must contain 1 to 16 patterns");

        for (size_t j = 0; j < section.sequence.size(); ++j)
            if (auto error = validatePattern (section.sequence[j], elementPath (sectionPath, ".sequence", j));
                error.isNotEmpty())
                return error;
    }

    if (projectJsonTextBytes (project) > maxProjectJsonBytes)
        return "Project JSON exceeds the 4 MB limit";

    return {};
}

} // namespace VarneT
