#include "plugin/ProjectCompiler.h"

#include "model/ProjectValidation.h"

#include <algorithm>
#include <cmath>

namespace VarneT
{
namespace
{
constexpr double swingDelayBeats = 0.16;
constexpr double humanizeRangeBeats = 0.04;
constexpr double patternEndGuardBeats = 0.001;
constexpr double importanceWeight = 0.35;
constexpr int lowestOctave = -6;
constexpr int highestOctave = 6;

double placeNoteStart (const Pattern& pattern, const NoteEvent& note)
{
    auto start = note.startBeat;

    if (const auto grid = quantizationStepBeats (pattern.quantization); grid > 0.0)
        start = std::round (start / grid) * grid;

    const auto& modifiers = pattern.modifiers;

    if (modifiers.swing > 0.0)
    {
        const auto eighthIndex = static_cast<std::int64_t> (std::floor (2.0 * start + 0.0001));

        if (eighthIndex % 2 != 0)
            start += modifiers.swing * swingDelayBeats;
    }

    if (modifiers.humanize > 0.0)
    {
        const auto draw = scrambleDraw (noteDrawHash (note.id, modifiers.variationSeed));
        start += (static_cast<double> (draw) / 4294967295.0 * 2.0 - 1.0) * modifiers.humanize * humanizeRangeBeats;
    }

    return std::min (pattern.lengthBeats - patternEndGuardBeats, std::max (start, 0.0));
}

std::int64_t countExpandedEvents (const Section& section)
{
    std::int64_t perPass = 0;

    for (const auto& pattern : section.sequence)
        perPass += static_cast<std::int64_t> (pattern.notes.size() + pattern.pedal.size()) * pattern.repeatCount;

    return perPass * section.repeatCount;
}
} // namespace

std::uint32_t noteDrawHash (const juce::String& noteId, std::uint32_t variationSeed) noexcept
{
    auto h = 2166136261u ^ variationSeed;

    for (auto* byte = noteId.toRawUTF8(); *byte != 0; ++byte)
        h = (h ^ static_cast<std::uint8_t> (*byte)) * 16777619u;

    return h;
}

void expandPattern (const Pattern& pattern, double offsetBeats, CompiledSection& section)
{
    const auto& modifiers = pattern.modifiers;

    for (const auto& note : pattern.notes)
    {
        CompiledNote compiled;
        compiled.startBeat = placeNoteStart (pattern, note) + offsetBeats;
        compiled.durationBeats = note.durationBeats;
        compiled.target = note.target;
        compiled.octave = std::clamp (modifiers.registerOffset + note.octave, lowestOctave, highestOctave);
        compiled.velocity = note.velocity;
        compiled.probability = std::clamp ((note.importance * importanceWeight + modifiers.density) * note.chance, 0.0, 1.0);
        compiled.hash = noteDrawHash (note.id, modifiers.variationSeed);
        section.notes.push_back (compiled);
    }

    for (const auto& pedal : pattern.pedal)
        section.pedalEvents.push_back ({ offsetBeats + pedal.startBeat, pedal.durationBeats, pedal.value });
}

juce::String compileSection (const Project& project, const Section& section, CompiledSection& compiled)
{
    const auto expected = countExpandedEvents (section);

    if (expected > maxCompiledSectionEvents)
        return "Repeated section exceeds 32768 events; reduce its repeat counts or notes";

    compiled = {};
    compiled.midiChannel = project.midiChannel;

    std::size_t noteCount = 0, pedalCount = 0;

    for (const auto& pattern : section.sequence)
    {
        noteCount += pattern.notes.size() * static_cast<std::size_t> (std::max (pattern.repeatCount, 0));
        pedalCount += pattern.pedal.size() * static_cast<std::size_t> (std::max (pattern.repeatCount, 0));
    }

    const auto sectionPasses = static_cast<std::size_t> (std::max (section.repeatCount, 0));
    compiled.notes.reserve (noteCount * sectionPasses);
    compiled.pedalEvents.reserve (pedalCount * sectionPasses);

    double offset = 0.0;

    for (int sectionPass = 0; sectionPass < section.repeatCount; ++sectionPass)
        for (const auto& pattern : section.sequence)
            for (int patternPass = 0; patternPass < pattern.repeatCount; ++patternPass)
            {
                expandPattern (pattern, offset, compiled);
                offset += pattern.lengthBeats;
            }

    compiled.lengthBeats = offset;

    if (compiled.notes.size() + compiled.pedalEvents.size() > static_cast<std::size_t> (maxCompiledSectionEvents))
        return "Compiled section exceeds 32768 events";

    // Stable, so that events with equal starts come out in the same order on every compile.
    std::stable_sort (compiled.notes.begin(), compiled.notes.end(),
                      [] (const auto& a, const auto& b) { return a.startBeat < b.startBeat; });
    std::stable_sort (compiled.pedalEvents.begin(), compiled.pedalEvents.end(),
                      [] (const auto& a, const auto& b) { return a.startBeat < b.startBeat; });
    return {};
}

juce::String compileProject (const Project& project, std::shared_ptr<const CompiledProject>& compiled)
{
    if (auto error = validateProject (project); error.isNotEmpty())
        return error;

    auto result = std::make_shared<CompiledProject>();
    result->sections.resize (project.sections.size());

    for (size_t i = 0; i < project.sections.size(); ++i)
        if (auto error = compileSection (project, project.sections[i], result->sections[i]); error.isNotEmpty())
            return error;

    compiled = std::move (result);
    return {};
}

} // namespace VarneT
