// Metal Guitar and Pads & Textures. Rows: start, duration, voice, index, octave, velocity, basis.

#include "model/PerformancesInternal.h"

namespace VarneT::performances
{
namespace
{
const juce::String metal { "Metal Guitar" };
const juce::String pads { "Pads & Textures" };
}

Pattern fiveStepChug()
{
    // Five beats of muted eighths grouped 3 + 3 + 4, power-chord accents on each group.
    return makePerformance ("Five-Step Chug", metal, 2, rows ({
        { 0.0,  0.2,  0, 0, -2, 120, ch },
        { 0.0,  0.4,  1, 2, -1, 108, ch },
        { 0.5,  0.2,  0, 0, -2,  86, ch },
        { 1.0,  0.2,  0, 0, -2,  90, ch },
        { 1.5,  0.2,  0, 0, -2, 116, ch },
        { 1.5,  0.4,  1, 2, -1, 104, ch },
        { 2.0,  0.2,  0, 0, -2,  86, ch },
        { 2.5,  0.2,  0, 0, -2,  92, ch },
        { 2.75, 0.14, 0, 0, -2,  84, ch },
        { 3.0,  0.2,  0, 0, -2, 118, ch },
        { 3.0,  0.4,  1, 2, -1, 106, ch },
        { 3.5,  0.2,  0, 0, -2,  88, ch },
        { 4.0,  0.2,  0, 0, -2,  94, ch },
        { 4.25, 0.14, 0, 0, -2,  86, ch },
        { 4.5,  0.2,  0, 0, -2,  98, ch },
        { 4.75, 0.2,  0, 0, -2, 102, ch },
    }), 5.0);
}

Pattern sevenEightRiff()
{
    return makePerformance ("Seven-Eight Riff", metal, 3, rows ({
        { 0.0,  0.18, 0, 0, -2, 118, ch },
        { 0.0,  0.18, 1, 2, -1, 104, ch },
        { 0.5,  0.14, 0, 0, -2,  90, ch },
        { 1.0,  0.18, 0, 0, -2, 108, ch },
        { 1.0,  0.18, 1, 2, -1,  96, ch },
        { 1.5,  0.14, 0, 0, -2,  88, ch },
        { 2.0,  0.18, 0, 0, -2, 114, ch },
        { 2.0,  0.18, 1, 3, -1, 100, ch },
        { 2.5,  0.14, 0, 0, -2,  92, ch },
        { 2.75, 0.14, 0, 0, -2,  86, ch },
        { 3.0,  0.5,  0, 0, -2, 110, ch },
        { 3.0,  0.5,  1, 2, -1,  98, ch },
        { 3.0,  0.5,  2, 4,  0,  90, ch },
    }), 3.5);
}

Pattern palmMuteGallop()
{
    // Eighth and two sixteenths on every beat, power chords on one and three.
    return makePerformance ("Palm-Mute Gallop", metal, 3, rows ({
        { 0.0,  0.2,  0, 0, -2, 116, ch },
        { 0.0,  0.45, 1, 2, -1, 104, ch },
        { 0.0,  0.45, 2, 4, -1,  96, ch },
        { 0.5,  0.14, 0, 0, -2,  84, ch },
        { 0.75, 0.14, 0, 0, -2,  88, ch },
        { 1.0,  0.2,  0, 0, -2, 106, ch },
        { 1.5,  0.14, 0, 0, -2,  82, ch },
        { 1.75, 0.14, 0, 0, -2,  86, ch },
        { 2.0,  0.2,  0, 0, -2, 114, ch },
        { 2.0,  0.45, 1, 2, -1, 102, ch },
        { 2.0,  0.45, 2, 4, -1,  94, ch },
        { 2.5,  0.14, 0, 0, -2,  84, ch },
        { 2.75, 0.14, 0, 0, -2,  88, ch },
        { 3.0,  0.2,  0, 0, -2, 108, ch },
        { 3.0,  0.45, 2, 4, -1,  98, ch },
        { 3.5,  0.14, 0, 0, -2,  90, ch },
        { 3.75, 0.14, 0, 0, -2,  96, ch },
    }), 4.0);
}

Pattern delayedSpark()
{
    // A breathing pad; each spark above it repeats twice, fainter, like a delay line.
    return makePerformance ("Delayed Spark", pads, 5, rows ({
        { 0.0,  8.0,  0, 0, -1, 66, ch },
        { 0.0,  8.0,  1, 2,  0, 60, ch },
        { 0.0,  4.0,  2, 3,  0, 58, ch },
        { 0.75, 0.25, 3, 5,  1, 86, ch },
        { 1.5,  0.25, 4, 5,  1, 66, ch },
        { 2.25, 0.25, 4, 5,  1, 52, ch },
        { 4.0,  4.0,  2, 4,  0, 60, ch },
        { 4.75, 0.25, 3, 6,  1, 84, ch },
        { 5.5,  0.25, 4, 6,  1, 64, ch },
        { 6.25, 0.25, 4, 6,  1, 50, ch },
    }), 8.0);
}

Pattern grainConstellation()
{
    auto pattern = makePerformance ("Grain Constellation", pads, 6, rows ({
        { 0.0,  0.12, 0, 0, -1, 88, ch },
        { 0.5,  0.12, 4, 4,  1, 60, ch },
        { 0.75, 0.12, 2, 2,  0, 72, ch },
        { 1.25, 0.12, 5, 5,  1, 54, ch },
        { 1.75, 0.12, 1, 1,  0, 78, ch },
        { 2.0,  0.12, 3, 3,  1, 64, ch },
        { 2.75, 0.12, 5, 4,  1, 58, ch },
        { 3.25, 0.12, 2, 2,  0, 70, ch },
        { 3.5,  0.12, 4, 5,  1, 52, ch },
        { 3.75, 0.25, 0, 0, -1, 84, ch },
    }), 4.0);
    pattern.modifiers.humanize = 0.25;
    for (int note = 2; note <= 10; note += 2)
        setNoteChance (pattern, note, 0.72, 0.3);
    return pattern;
}

Pattern ambientTails()
{
    // Long overlapping tails entering one by one, a slow line drifting over them.
    auto pattern = makePerformance ("Ambient Tails", pads, 6, rows ({
        { 0.0, 8.0, 0, 0, -1, 60, ch },
        { 0.0, 8.0, 1, 2, -1, 56, ch },
        { 0.5, 7.5, 2, 1,  0, 58, ch },
        { 1.0, 7.0, 3, 3,  0, 56, ch },
        { 2.0, 3.0, 4, 4,  1, 62, sc },
        { 4.0, 4.0, 5, 9,  1, 58, sc },
        { 5.0, 3.0, 4, 8,  1, 54, sc },
        { 6.0, 2.0, 5, 4,  1, 50, ch },
    }), 8.0);
    addPedal (pattern, 0.0, 7.8, 96);
    return pattern;
}

} // namespace VarneT::performances
