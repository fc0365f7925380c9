#pragma once

#include "model/JuceCore.h"

#include <cstdint>
#include <vector>

namespace VarneT
{

enum class PitchSource : int
{
    chordInput = 0,
    scale = 1
};

enum class SectionPlaybackMode : int
{
    loopSection = 0,
    advanceSections = 1
};

enum class Quantization : int
{
    free = 0,
    quarter = 1,
    eighth = 2,
    sixteenth = 3,
    thirtySecond = 4
};

enum class TargetBasis : int
{
    chord = 0,
    scale = 1,
    input = 2,
    fixed = 3
};

struct ProjectScale
{
    int root = 0;
    juce::String name { "Major" };
};

struct NoteTarget
{
    TargetBasis basis = TargetBasis::chord;
    int index = 0;
    int fixedMidiNote = 60;
    int chromaticOffset = 0;
};

struct NoteEvent
{
    juce::String id;
    double startBeat = 0.0;
    double durationBeats = 0.5;
    int voiceId = 0;
    int velocity = 96;
    double chance = 1.0;
    double importance = 0.5;
    int octave = 0;
    NoteTarget target;
};

struct PedalEvent
{
    juce::String id;
    double startBeat = 0.0;
    double durationBeats = 1.0;
    int value = 127;
};

struct PatternVoice
{
    int id = 0;
    juce::String name;
};

struct PatternModifiers
{
    double swing = 0.0;
    double density = 1.0;
    int registerOffset = 0;
    double spread = 0.0;
    double humanize = 0.0;
    std::uint32_t variationSeed = 1;
};

struct Pattern
{
    juce::String name;
    juce::String category;
    double lengthBeats = 4.0;
    Quantization quantization = Quantization::sixteenth;
    std::vector<PatternVoice> voices;
    std::vector<NoteEvent> notes;
    std::vector<PedalEvent> pedal;
    PatternModifiers modifiers;
    int repeatCount = 1;
};

struct Section
{
    juce::String name { "Section 1" };
    std::vector<Pattern> sequence;
    int repeatCount = 1;
};

struct Project
{
    int version = 7;
    juce::String identityName { "Main" };
    int midiChannel = 1;
    PitchSource pitchSource = PitchSource::chordInput;
    ProjectScale scale;
    juce::String previewChord { "Cmaj7" };
    SectionPlaybackMode sectionPlaybackMode = SectionPlaybackMode::loopSection;
    std::vector<Section> sections;
    int activeSectionIndex = 0;

    /** activeSectionIndex clamped to the Sections there are; -1 without Sections. */
    int clampedActiveSectionIndex() const noexcept;
};

/** Events per Pattern, notes and pedal together. */
inline constexpr int maxPatternEvents = 2048;

/** Grid step of a quantization in beats; 0 for free timing. */
double quantizationStepBeats (Quantization) noexcept;

// JSON spellings. A value outside its enumeration gives the empty text; parsing is exact (same
// bytes, same case) and stores the value only on a match.
juce::String pitchSourceToString (PitchSource);
juce::String sectionPlaybackModeToString (SectionPlaybackMode);
juce::String quantizationToString (Quantization);
juce::String targetBasisToString (TargetBasis);

bool pitchSourceFromString (const juce::String&, PitchSource&);
bool sectionPlaybackModeFromString (const juce::String&, SectionPlaybackMode&);
bool quantizationFromString (const juce::String&, Quantization&);
bool targetBasisFromString (const juce::String&, TargetBasis&);

} // namespace VarneT
