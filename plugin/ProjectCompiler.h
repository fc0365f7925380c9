#pragma once

#include "model/Project.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace VarneT
{

/** One note of a Section pass with every decision that does not depend on the transport made. */
struct CompiledNote
{
    double startBeat = 0.0;
    double durationBeats = 0.0;
    NoteTarget target;
    int octave = 0;
    int velocity = 0;
    double probability = 1.0;
    std::uint32_t hash = 0;
};

struct CompiledPedalEvent
{
    double startBeat = 0.0;
    double durationBeats = 0.0;
    int value = 0;
};

/** A whole Section pass, repeats written out, both lists sorted by start. */
struct CompiledSection
{
    int midiChannel = 1;
    double lengthBeats = 0.0;
    std::vector<CompiledNote> notes;
    std::vector<CompiledPedalEvent> pedalEvents;
};

/** Immutable once published; the audio thread only reads it. */
struct CompiledProject
{
    std::vector<CompiledSection> sections;
};

/** Most notes plus pedal events one compiled Section may hold. */
inline constexpr int maxCompiledSectionEvents = 32768;

/** FNV-1a over the id's UTF-8 bytes, the basis mixed with the seed. */
std::uint32_t noteDrawHash (const juce::String& noteId, std::uint32_t variationSeed) noexcept;

/** The 32-bit xorshift that turns a hash into an evenly spread draw. */
constexpr std::uint32_t scrambleDraw (std::uint32_t x) noexcept
{
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x;
}

/** Appends one pass of the Pattern, shifted by offsetBeats, to the Section's lists (unsorted). */
void expandPattern (const Pattern&, double offsetBeats, CompiledSection&);

/** Expands and sorts one Section of a validated project; an error text when it is too large. */
juce::String compileSection (const Project&, const Section&, CompiledSection&);

/** Validates and compiles the project. On success the pointer takes the result and the text is
    empty; otherwise the pointer is left untouched and the error text returned. */
juce::String compileProject (const Project&, std::shared_ptr<const CompiledProject>& compiled);

} // namespace VarneT
