// Piano: left hand from chord positions, right-hand lines from scale degrees.
// Rows: start, duration, voice, index, octave, velocity, basis.

#include "model/PerformancesInternal.h"

namespace VarneT::performances
{
namespace
{
const juce::String category { "Piano" };
}

Pattern cascadingThirds()
{
    // Parallel diatonic thirds stepping down over a held root, landing on the chord's third.
    return makePerformance ("Cascading Thirds", category, 4, rows ({
        { 0.0, 4.0, 0, 0, -1, 86, ch },
        { 0.0, 0.9, 3, 9,  0, 88, sc },
        { 0.0, 0.9, 2, 7,  0, 80, sc },
        { 1.0, 0.9, 3, 8,  0, 84, sc },
        { 1.0, 0.9, 2, 6,  0, 76, sc },
        { 2.0, 0.9, 3, 7,  0, 82, sc },
        { 2.0, 0.9, 2, 5,  0, 74, sc },
        { 3.0, 1.0, 1, 1,  0, 78, ch },
    }), 4.0);
}

Pattern openFifthCurrent()
{
    // Open fifth below; above it a rocking current of fifths and roots.
    return makePerformance ("Open Fifth Current", category, 5, rows ({
        { 0.0, 4.0, 0, 0, -1, 90, ch },
        { 0.0, 4.0, 1, 2, -1, 78, ch },
        { 1.0, 0.9, 2, 2,  0, 74, ch },
        { 1.5, 0.9, 3, 4,  0, 78, ch },
        { 2.5, 1.0, 4, 6,  0, 84, ch },
        { 3.0, 0.9, 3, 4,  0, 72, ch },
        { 3.5, 0.5, 2, 2,  0, 68, ch },
    }), 4.0);
}

Pattern quietContrary()
{
    // Soft lines moving apart: the lower one falls while the upper one rises.
    return makePerformance ("Quiet Contrary", category, 6, rows ({
        { 0.0, 4.0,  0, 0, -1, 62, ch },
        { 1.0, 0.95, 1, 4,  0, 58, sc },
        { 1.0, 0.95, 4, 0,  1, 64, sc },
        { 2.0, 0.95, 2, 3,  0, 56, sc },
        { 2.0, 0.95, 4, 1,  1, 66, sc },
        { 3.0, 1.0,  3, 2,  0, 54, sc },
        { 3.0, 1.0,  4, 2,  1, 68, sc },
        { 3.5, 0.5,  5, 4,  1, 60, sc },
    }), 4.0);
}

Pattern grandCurrent()
{
    // Octave bass, a flowing eighth-note figure and a two-step melody on top, under the pedal.
    auto pattern = makePerformance ("Grand Current", category, 8, rows ({
        { 0.0, 4.0, 0, 0, -2, 96, ch },
        { 0.0, 4.0, 1, 0, -1, 88, ch },
        { 0.0, 1.5, 7, 4,  1, 92, sc },
        { 0.5, 0.5, 2, 2, -1, 70, ch },
        { 1.0, 0.5, 3, 0,  0, 72, ch },
        { 1.5, 0.5, 4, 1,  0, 74, ch },
        { 1.5, 0.5, 6, 5,  1, 80, sc },
        { 2.0, 0.5, 5, 2,  0, 78, ch },
        { 2.0, 2.0, 7, 7,  1, 94, sc },
        { 2.5, 0.5, 4, 1,  0, 72, ch },
        { 3.0, 0.5, 3, 0,  0, 70, ch },
        { 3.5, 0.5, 2, 2, -1, 68, ch },
    }), 4.0);
    addPedal (pattern, 0.0, 3.85, 127);
    return pattern;
}

Pattern walkingFoundation()
{
    // A quarter-note walk up the chord tones, with shell comping on one, the and of two, and three.
    return makePerformance ("Walking Foundation", category, 7, rows ({
        { 0.0, 0.9,  0, 0, -1, 94, ch },
        { 0.0, 1.25, 1, 1,  0, 72, ch },
        { 0.0, 1.25, 2, 3,  0, 70, ch },
        { 1.0, 0.9,  0, 1, -1, 82, ch },
        { 1.5, 0.4,  3, 2,  0, 66, ch },
        { 1.5, 0.4,  4, 4,  0, 68, ch },
        { 2.0, 0.9,  0, 2, -1, 88, ch },
        { 2.5, 1.25, 5, 3,  0, 70, ch },
        { 2.5, 1.25, 6, 5,  0, 72, ch },
        { 3.0, 0.9,  0, 3, -1, 80, ch },
    }), 4.0);
}

Pattern splitHorizon()
{
    // Low and high registers far apart, taking turns across the bar.
    return makePerformance ("Split Horizon", category, 8, rows ({
        { 0.0, 2.0, 0, 0, -2, 90, ch },
        { 0.0, 2.0, 1, 2, -1, 76, ch },
        { 0.0, 2.0, 2, 0,  0, 72, ch },
        { 1.0, 0.9, 5, 1,  1, 78, ch },
        { 1.0, 0.9, 6, 2,  1, 76, ch },
        { 1.0, 0.9, 7, 3,  1, 80, ch },
        { 2.0, 1.5, 3, 1,  0, 70, ch },
        { 2.0, 1.5, 4, 2,  0, 68, ch },
        { 3.5, 0.5, 6, 2,  1, 74, ch },
        { 3.5, 0.5, 7, 4,  1, 82, ch },
    }), 4.0);
}

Pattern balladAnswer()
{
    // A rising question in the first bar, a falling answer in the second.
    auto pattern = makePerformance ("Ballad Answer", category, 6, rows ({
        { 0.0, 3.9, 0, 0, -1, 78, ch },
        { 0.0, 3.9, 1, 1,  0, 62, ch },
        { 1.0, 1.0, 4, 4,  1, 76, sc },
        { 2.0, 2.0, 4, 5,  1, 80, sc },
        { 4.0, 3.9, 0, 2, -1, 74, ch },
        { 4.0, 3.9, 3, 3,  0, 60, ch },
        { 5.0, 1.0, 5, 3,  1, 72, sc },
        { 6.0, 2.0, 5, 2,  1, 74, sc },
    }), 8.0);
    addPedal (pattern, 0.0, 3.85, 127);
    addPedal (pattern, 4.0, 3.85, 127);
    return pattern;
}

Pattern cinematicMemory()
{
    // Deep octaves and slow inner colours under a remembered melody.
    return makePerformance ("Cinematic Memory", category, 8, rows ({
        { 0.0, 8.0, 0, 0, -2, 80, ch },
        { 0.0, 8.0, 1, 0, -1, 70, ch },
        { 0.0, 4.0, 2, 2, -1, 60, ch },
        { 1.0, 1.5, 6, 4,  1, 74, sc },
        { 2.0, 2.0, 3, 3,  0, 56, ch },
        { 2.5, 0.5, 6, 5,  1, 68, sc },
        { 3.0, 3.0, 7, 7,  1, 80, sc },
        { 4.0, 4.0, 4, 1,  0, 58, ch },
        { 4.0, 4.0, 5, 5,  0, 54, ch },
        { 6.0, 2.0, 6, 4,  1, 70, sc },
    }), 8.0);
}

Pattern fallingLight()
{
    // Chord tones drifting down from high above a long bass, twice, under one pedal.
    auto pattern = makePerformance ("Falling Light", category, 5, rows ({
        { 0.0, 8.0, 0, 0, -1, 72, ch },
        { 0.0, 2.0, 4, 6,  1, 82, ch },
        { 1.0, 2.0, 3, 5,  1, 76, ch },
        { 2.0, 2.0, 2, 4,  1, 74, ch },
        { 3.0, 1.0, 1, 3,  1, 70, ch },
        { 4.0, 2.0, 4, 5,  1, 78, ch },
        { 5.0, 2.0, 3, 4,  1, 72, ch },
        { 6.0, 2.0, 2, 2,  1, 68, ch },
        { 7.0, 1.0, 1, 0,  1, 64, ch },
    }), 8.0);
    addPedal (pattern, 0.0, 7.8, 112);
    return pattern;
}

} // namespace VarneT::performances
