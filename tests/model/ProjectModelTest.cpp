#include "model/Project.h"

#include <gtest/gtest.h>

using namespace VarneT;

TEST (ProjectModel, DefaultsOfEveryType)
{
    const Project project;
    EXPECT_EQ (project.version, 7);
    EXPECT_EQ (project.identityName, "Main");
    EXPECT_EQ (project.midiChannel, 1);
    EXPECT_EQ (project.pitchSource, PitchSource::chordInput);
    EXPECT_EQ (project.scale.root, 0);
    EXPECT_EQ (project.scale.name, "Major");
    EXPECT_EQ (project.previewChord, "Cmaj7");
    EXPECT_EQ (project.sectionPlaybackMode, SectionPlaybackMode::loopSection);
    EXPECT_TRUE (project.sections.empty());
    EXPECT_EQ (project.activeSectionIndex, 0);

    const Section section;
    EXPECT_EQ (section.name, "Section 1");
    EXPECT_TRUE (section.sequence.empty());
    EXPECT_EQ (section.repeatCount, 1);

    const Pattern pattern;
    EXPECT_TRUE (pattern.name.isEmpty());
    EXPECT_TRUE (pattern.category.isEmpty());
    EXPECT_EQ (pattern.lengthBeats, 4.0);
    EXPECT_EQ (pattern.quantization, Quantization::sixteenth);
    EXPECT_TRUE (pattern.voices.empty() && pattern.notes.empty() && pattern.pedal.empty());
    EXPECT_EQ (pattern.repeatCount, 1);

    const PatternModifiers modifiers;
    EXPECT_EQ (modifiers.swing, 0.0);
    EXPECT_EQ (modifiers.density, 1.0);
    EXPECT_EQ (modifiers.registerOffset, 0);
    EXPECT_EQ (modifiers.spread, 0.0);
    EXPECT_EQ (modifiers.humanize, 0.0);
    EXPECT_EQ (modifiers.variationSeed, 1u);

    const PatternVoice voice;
    EXPECT_EQ (voice.id, 0);
    EXPECT_TRUE (voice.name.isEmpty());

    const NoteEvent note;
    EXPECT_TRUE (note.id.isEmpty());
    EXPECT_EQ (note.startBeat, 0.0);
    EXPECT_EQ (note.durationBeats, 0.5);
    EXPECT_EQ (note.voiceId, 0);
    EXPECT_EQ (note.velocity, 96);
    EXPECT_EQ (note.chance, 1.0);
    EXPECT_EQ (note.importance, 0.5);
    EXPECT_EQ (note.octave, 0);
    EXPECT_EQ (note.target.basis, TargetBasis::chord);
    EXPECT_EQ (note.target.index, 0);
    EXPECT_EQ (note.target.fixedMidiNote, 60);
    EXPECT_EQ (note.target.chromaticOffset, 0);

    const PedalEvent pedal;
    EXPECT_TRUE (pedal.id.isEmpty());
    EXPECT_EQ (pedal.startBeat, 0.0);
    EXPECT_EQ (pedal.durationBeats, 1.0);
    EXPECT_EQ (pedal.value, 127);
}

namespace
{
struct SpellingCase
{
    const char* enumeration;
    int value;
    const char* spelling;
};

juce::String spellingOf (const juce::String& enumeration, int value)
{
    if (enumeration == "PitchSource")         return pitchSourceToString (static_cast<PitchSource> (value));
    if (enumeration == "SectionPlaybackMode") return sectionPlaybackModeToString (static_cast<SectionPlaybackMode> (value));
    if (enumeration == "Quantization")        return quantizationToString (static_cast<Quantization> (value));
    return targetBasisToString (static_cast<TargetBasis> (value));
}

bool parseOf (const juce::String& enumeration, const juce::String& text, int& value)
{
    auto parseInto = [&] (auto parser, auto initial)
    {
        auto parsed = initial;
        const auto ok = parser (text, parsed);
        value = static_cast<int> (parsed);
        return ok;
    };

    if (enumeration == "PitchSource")         return parseInto (pitchSourceFromString, static_cast<PitchSource> (-7));
    if (enumeration == "SectionPlaybackMode") return parseInto (sectionPlaybackModeFromString, static_cast<SectionPlaybackMode> (-7));
    if (enumeration == "Quantization")        return parseInto (quantizationFromString, static_cast<Quantization> (-7));
    return parseInto (targetBasisFromString, static_cast<TargetBasis> (-7));
}
} // namespace

TEST (ProjectModel, EnumerationValuesAndSpellings)
{
    const SpellingCase cases[] = {
        { "PitchSource", 0, "chordInput" },          { "PitchSource", 1, "scale" },
        { "SectionPlaybackMode", 0, "loopSection" }, { "SectionPlaybackMode", 1, "advanceSections" },
        { "Quantization", 0, "free" },               { "Quantization", 1, "1/4" },
        { "Quantization", 2, "1/8" },                { "Quantization", 3, "1/16" },
        { "Quantization", 4, "1/32" },               { "TargetBasis", 0, "chord" },
        { "TargetBasis", 1, "scale" },               { "TargetBasis", 2, "input" },
        { "TargetBasis", 3, "fixed" },
        // Outside the enumeration: the empty text.
        { "PitchSource", 2, "" },                    { "SectionPlaybackMode", -1, "" },
        { "Quantization", 5, "" },                   { "TargetBasis", 4, "" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.enumeration) + " " + juce::String (c.value));
        EXPECT_EQ (spellingOf (c.enumeration, c.value), juce::String (c.spelling));

        int parsed = -7;
        const auto matched = parseOf (c.enumeration, c.spelling, parsed);
        EXPECT_EQ (matched, *c.spelling != 0);
        EXPECT_EQ (parsed, matched ? c.value : -7) << "a failed parse must leave the value alone";
    }
}

TEST (ProjectModel, SpellingsMatchExactly)
{
    for (const char* text : { "Scale", " scale", "scale ", "1/16 ", "FREE", "Chord", "loopsection", "" })
    {
        auto source = PitchSource::chordInput;
        auto quantization = Quantization::eighth;
        auto basis = TargetBasis::input;
        auto mode = SectionPlaybackMode::advanceSections;
        EXPECT_FALSE (pitchSourceFromString (text, source) || quantizationFromString (text, quantization)
                      || targetBasisFromString (text, basis) || sectionPlaybackModeFromString (text, mode))
            << text;
        EXPECT_EQ (source, PitchSource::chordInput);
        EXPECT_EQ (quantization, Quantization::eighth);
    }
}

TEST (ProjectModel, QuantizationGridSteps)
{
    EXPECT_EQ (quantizationStepBeats (Quantization::free), 0.0);
    EXPECT_EQ (quantizationStepBeats (Quantization::quarter), 1.0);
    EXPECT_EQ (quantizationStepBeats (Quantization::eighth), 0.5);
    EXPECT_EQ (quantizationStepBeats (Quantization::sixteenth), 0.25);
    EXPECT_EQ (quantizationStepBeats (Quantization::thirtySecond), 0.125);
}
