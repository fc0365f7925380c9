#pragma once

// Projects for the JSON tests, the benchmark and the fuzz target.

#include "model/Project.h"
#include "model/ProjectJson.h"

#include <cmath>
#include <random>

#include <algorithm>
#include <numeric>

namespace project_samples
{
using namespace VarneT;

inline Pattern smallPattern (const juce::String& name, int noteCount)
{
    Pattern pattern;
    pattern.name = name;
    pattern.category = "Arpeggios";
    pattern.voices.push_back ({ 0, "Voice 1" });

    for (int i = 0; i < noteCount; ++i)
    {
        NoteEvent note;
        note.id = "n" + juce::String (i + 1);
        note.startBeat = std::fmod (i * 0.25, pattern.lengthBeats);
        note.target.index = i % 4;
        pattern.notes.push_back (note);
    }

    return pattern;
}

/** A valid project like the one a new instance starts with. */
inline Project defaultLikeProject()
{
    Project project;
    Section section;
    section.sequence.push_back (smallPattern ("Broken Chord", 4));
    project.sections.push_back (section);
    return project;
}

inline juce::String randomText (juce::Random& random, int maxLength)
{
    // Quotes, escapes, control characters, non-ASCII and non-BMP characters all pass the writer.
    static const juce::juce_wchar pool[] = { 'a', 'Z', '0', ' ', '"', '\\', '/', '\t', '\n', 0x01, 0x7f,
                                             0xe9, 0x20ac, 0x1f3b9, 0xffef, '{', ':' };
    const int length = 1 + random.nextInt (maxLength);
    juce::String text;

    for (int i = 0; i < length; ++i)
        text += juce::String::charToString (pool[random.nextInt ((int) std::size (pool))]);

    // Trimmed texts must start and end with a non-blank character.
    return "x" + text + "y";
}

inline double randomDouble (juce::Random& random, double low, double high)
{
    switch (random.nextInt (4))
    {
        case 0:  return low;
        case 1:  return high;
        case 2:  return low + (high - low) * random.nextInt (64) / 64.0;
        default: return low + (high - low) * random.nextDouble();
    }
}

// Starts stay clear of the length: the writer's 16 significant digits could round a start that
// lies within a few ulps below the length up to the length itself.
inline double randomStart (juce::Random& random, double lengthBeats)
{
    return lengthBeats * random.nextInt (4096) / 4096.0;
}

/** A random valid note of `pattern` (whose voices are set) with an id made from `index`. */
inline NoteEvent randomNote (juce::Random& random, const Pattern& pattern, int index)
{
    NoteEvent note;
    note.id = "n" + juce::String (index) + (random.nextInt (8) == 0 ? randomText (random, 4) : juce::String());
    note.startBeat = randomStart (random, pattern.lengthBeats);
    note.durationBeats = randomDouble (random, 1.0e-9, 256.0);
    note.voiceId = pattern.voices[(size_t) random.nextInt ((int) pattern.voices.size())].id;
    note.velocity = 1 + random.nextInt (127);
    note.chance = randomDouble (random, 0.0, 1.0);
    note.importance = randomDouble (random, 0.0, 1.0);
    note.octave = random.nextInt (9) - 4;
    note.target.basis = (TargetBasis) random.nextInt (4);
    note.target.index = random.nextInt (65) - 32;
    note.target.fixedMidiNote = random.nextInt (128);
    note.target.chromaticOffset = random.nextInt (5) - 2;
    return note;
}

inline Pattern randomPattern (juce::Random& random, int maxEvents)
{
    Pattern pattern;
    pattern.name = randomText (random, 12);
    pattern.category = randomText (random, 8);
    pattern.lengthBeats = random.nextBool() ? 0.125 * (1 + random.nextInt (2048)) : 256.0 * (1.0 - random.nextDouble());
    pattern.repeatCount = 1 + random.nextInt (8);
    pattern.quantization = (Quantization) random.nextInt (5);

    std::vector<int> ids (8);
    std::iota (ids.begin(), ids.end(), 0);
    std::shuffle (ids.begin(), ids.end(), std::mt19937 ((unsigned) random.nextInt()));
    ids.resize ((size_t) (1 + random.nextInt (8)));
    for (auto id : ids)
        pattern.voices.push_back ({ id, randomText (random, 6) });

    const int events = random.nextInt (maxEvents + 1);
    const int pedalCount = random.nextInt (std::min (events, 8) + 1);

    for (int i = 0; i < events - pedalCount; ++i)
        pattern.notes.push_back (randomNote (random, pattern, i));

    for (int i = 0; i < pedalCount; ++i)
    {
        PedalEvent event;
        event.id = "p" + juce::String (i);
        event.startBeat = randomStart (random, pattern.lengthBeats);
        event.durationBeats = randomDouble (random, 1.0e-3, 256.0);
        event.value = random.nextInt (128);
        pattern.pedal.push_back (event);
    }

    auto& m = pattern.modifiers;
    m.swing = randomDouble (random, 0.0, 1.0);
    m.density = randomDouble (random, 0.0, 1.0);
    m.registerOffset = random.nextInt (7) - 3;
    m.spread = randomDouble (random, 0.0, 1.0);
    m.humanize = randomDouble (random, 0.0, 1.0);
    m.variationSeed = (std::uint32_t) random.nextInt64();
    return pattern;
}

/** A valid project with random content; `maxEvents` bounds each Pattern's notes and pedal. */
inline Project randomProject (juce::Random& random, int maxSections = 4, int maxPatterns = 4, int maxEvents = 40)
{
    static const char* scaleNames[] = { "Major", "Dorian", "Pent. Minor", "Harmonic Minor", "Whole Tone" };
    static const char* chords[] = { "Cmaj7", "Am7/G", "F#m7b5", "Bb13", "E:4", "D6/9" };

    Project project;
    project.identityName = randomText (random, 20);
    project.midiChannel = 1 + random.nextInt (16);
    project.pitchSource = (PitchSource) random.nextInt (2);
    project.scale.root = random.nextInt (12);
    project.scale.name = scaleNames[random.nextInt ((int) std::size (scaleNames))];
    project.previewChord = chords[random.nextInt ((int) std::size (chords))];
    project.sectionPlaybackMode = (SectionPlaybackMode) random.nextInt (2);

    const int sectionCount = 1 + random.nextInt (maxSections);
    for (int i = 0; i < sectionCount; ++i)
    {
        Section section;
        section.name = randomText (random, 10);
        section.repeatCount = 1 + random.nextInt (8);

        const int patternCount = 1 + random.nextInt (maxPatterns);
        for (int j = 0; j < patternCount; ++j)
            section.sequence.push_back (randomPattern (random, maxEvents));

        project.sections.push_back (section);
    }

    project.activeSectionIndex = random.nextInt (sectionCount);
    return project;
}

/** A valid project whose multi-line text is just below `targetBytes`: Patterns of 128 random
    notes, four to a Section, added while they fit. */
inline Project largeProject (size_t targetBytes)
{
    juce::Random random (4711);
    Project project;
    project.previewChord = "Dm9";

    while (project.sections.size() < 64)
    {
        auto pattern = randomPattern (random, 0);
        for (int i = 0; i < 128; ++i)
            pattern.notes.push_back (randomNote (random, pattern, i));

        if (project.sections.empty() || project.sections.back().sequence.size() == 4)
        {
            Section section;
            section.name = "Section " + juce::String ((int) project.sections.size() + 1);
            project.sections.push_back (section);
        }

        project.sections.back().sequence.push_back (pattern);

        if (projectJsonTextBytes (project) > targetBytes)
        {
            project.sections.back().sequence.pop_back();
            if (project.sections.back().sequence.empty())
                project.sections.pop_back();
            break;
        }
    }

    return project;
}

} // namespace project_samples
