// Chord Rhythms: the held chord played as rhythm. Rows: start, duration, voice, index, octave,
// velocity, basis.

#include "model/PerformancesInternal.h"

namespace VarneT::performances
{
namespace
{
const juce::String category { "Chord Rhythms" };
}

Pattern heldCorners()
{
    // Two sustained voicings on the strong corners of the bar; the second opens upwards.
    return makePerformance ("Held Corners", category, 4, rows ({
        { 0.0, 1.75, 0, 0, -1, 92, ch },
        { 0.0, 1.75, 1, 1,  0, 80, ch },
        { 0.0, 1.75, 2, 2,  0, 82, ch },
        { 0.0, 1.75, 3, 3,  0, 78, ch },
        { 2.0, 1.9,  0, 0, -1, 86, ch },
        { 2.0, 1.9,  1, 2,  0, 74, ch },
        { 2.0, 1.9,  2, 3,  0, 76, ch },
        { 2.0, 1.9,  3, 5,  0, 72, ch },
    }), 4.0);
}

Pattern offbeatWindows()
{
    // Short dyads on every off-beat only, low and high pairs taking turns.
    return makePerformance ("Offbeat Windows", category, 4, rows ({
        { 0.5, 0.3, 0, 0, 0, 86, ch },
        { 0.5, 0.3, 2, 2, 0, 80, ch },
        { 1.5, 0.3, 1, 1, 0, 78, ch },
        { 1.5, 0.3, 3, 3, 0, 74, ch },
        { 2.5, 0.3, 0, 0, 0, 84, ch },
        { 2.5, 0.3, 2, 2, 0, 80, ch },
        { 3.5, 0.3, 1, 1, 0, 76, ch },
        { 3.5, 0.4, 3, 4, 0, 82, ch },
    }), 4.0);
}

Pattern pedalBloom()
{
    // The chord opens voice by voice over a held pedal.
    auto pattern = makePerformance ("Pedal Bloom", category, 5, rows ({
        { 0.0, 4.0, 0, 0, -1, 92, ch },
        { 0.0, 4.0, 1, 1,  0, 78, ch },
        { 0.5, 3.5, 2, 2,  0, 82, ch },
        { 1.0, 3.0, 3, 3,  0, 76, ch },
        { 2.0, 2.0, 4, 4,  0, 72, ch },
    }), 4.0);
    addPedal (pattern, 0.0, 3.8, 127);
    return pattern;
}

Pattern offbeatNeon()
{
    // Dance pulse: bass on the beats, three-note stabs on the off-beats.
    return makePerformance ("Offbeat Neon", category, 4, rows ({
        { 0.0, 0.4,  0, 0, -1, 104, ch },
        { 0.5, 0.25, 1, 1,  0,  86, ch },
        { 0.5, 0.25, 2, 2,  0,  84, ch },
        { 0.5, 0.25, 3, 3,  0,  82, ch },
        { 1.0, 0.4,  0, 0, -1,  92, ch },
        { 1.5, 0.25, 1, 1,  0,  82, ch },
        { 1.5, 0.25, 2, 2,  0,  80, ch },
        { 1.5, 0.25, 3, 3,  0,  78, ch },
        { 2.0, 0.4,  0, 0, -1, 100, ch },
        { 2.5, 0.25, 1, 1,  0,  88, ch },
        { 2.5, 0.25, 2, 2,  0,  86, ch },
        { 2.5, 0.25, 3, 3,  0,  84, ch },
        { 3.0, 0.4,  0, 0, -1,  94, ch },
        { 3.5, 0.25, 1, 2,  0,  84, ch },
        { 3.5, 0.25, 2, 3,  0,  82, ch },
        { 3.5, 0.25, 3, 4,  0,  86, ch },
    }), 4.0);
}

Pattern raveStaircase()
{
    // Dyads that climb the chord a step per eighth, twice, over a bass on one and three.
    return makePerformance ("Rave Staircase", category, 5, rows ({
        { 0.0, 0.45, 0, 0, -1, 104, ch },
        { 0.5, 0.3,  1, 0,  0,  78, ch },
        { 0.5, 0.3,  3, 2,  0,  76, ch },
        { 1.0, 0.3,  2, 1,  0,  84, ch },
        { 1.0, 0.3,  4, 3,  0,  82, ch },
        { 1.5, 0.3,  1, 2,  0,  90, ch },
        { 1.5, 0.3,  3, 4,  0,  88, ch },
        { 2.0, 0.45, 0, 0, -1, 100, ch },
        { 2.5, 0.3,  2, 1,  0,  82, ch },
        { 2.5, 0.3,  4, 3,  0,  80, ch },
        { 3.0, 0.3,  1, 2,  0,  88, ch },
        { 3.0, 0.3,  3, 4,  0,  86, ch },
        { 3.5, 0.4,  2, 3,  0,  98, ch },
        { 3.5, 0.4,  4, 5,  0,  96, ch },
    }), 4.0);
}

Pattern syncopatedGlass()
{
    // High, brittle dyads on a syncopated sixteenth grid.
    return makePerformance ("Syncopated Glass", category, 5, rows ({
        { 0.0,  0.22, 0, 0, 1, 90, ch },
        { 0.0,  0.22, 2, 2, 1, 84, ch },
        { 0.75, 0.22, 1, 1, 1, 76, ch },
        { 0.75, 0.22, 3, 3, 1, 72, ch },
        { 1.5,  0.3,  2, 2, 1, 84, ch },
        { 1.5,  0.3,  4, 4, 1, 80, ch },
        { 2.5,  0.22, 0, 0, 1, 86, ch },
        { 2.5,  0.22, 2, 2, 1, 80, ch },
        { 3.25, 0.5,  1, 1, 1, 78, ch },
        { 3.25, 0.5,  4, 4, 1, 76, ch },
    }), 4.0);
}

Pattern spaceChop()
{
    // Three short chops with air between them.
    return makePerformance ("Space Chop", category, 4, rows ({
        { 0.0,  0.25, 0, 0, -1, 100, ch },
        { 0.0,  0.25, 2, 2,  0,  88, ch },
        { 0.0,  0.25, 3, 3,  0,  86, ch },
        { 1.75, 0.2,  1, 1,  0,  74, ch },
        { 1.75, 0.2,  3, 4,  0,  72, ch },
        { 3.0,  0.25, 0, 0, -1,  94, ch },
        { 3.0,  0.25, 1, 1,  0,  84, ch },
        { 3.0,  0.25, 2, 2,  0,  82, ch },
    }), 4.0);
}

Pattern dubEcho()
{
    // An off-beat skank whose repeats fade away before the next one.
    return makePerformance ("Dub Echo", category, 4, rows ({
        { 0.0,  1.5,  0, 0, -1, 96, ch },
        { 0.5,  0.3,  1, 1,  0, 90, ch },
        { 0.5,  0.3,  2, 2,  0, 88, ch },
        { 0.5,  0.3,  3, 3,  0, 86, ch },
        { 1.25, 0.25, 2, 2,  0, 70, ch },
        { 1.25, 0.25, 3, 3,  0, 68, ch },
        { 2.0,  0.25, 3, 3,  0, 54, ch },
        { 3.5,  0.3,  1, 1,  0, 84, ch },
        { 3.5,  0.3,  2, 2,  0, 80, ch },
    }), 4.0);
}

Pattern bassReply()
{
    // The chord speaks, the bass answers underneath.
    return makePerformance ("Bass Reply", category, 5, rows ({
        { 0.0,  0.75, 1, 1,  0, 88, ch },
        { 0.0,  0.75, 2, 2,  0, 84, ch },
        { 0.0,  0.75, 3, 3,  0, 82, ch },
        { 0.0,  0.75, 4, 4,  0, 80, ch },
        { 1.0,  0.4,  0, 0, -1, 98, ch },
        { 1.5,  0.4,  0, 2, -1, 86, ch },
        { 2.0,  0.75, 1, 1,  0, 84, ch },
        { 2.0,  0.75, 2, 2,  0, 80, ch },
        { 2.0,  0.75, 4, 4,  0, 78, ch },
        { 3.0,  0.9,  0, 0, -1, 96, ch },
    }), 4.0);
}

Pattern tresilloKeys()
{
    // Three-three-two: full chords with the bass on each hit, the last one voiced higher.
    return makePerformance ("Tresillo Keys", category, 4, rows ({
        { 0.0, 1.25, 0, 0, -1, 100, ch },
        { 0.0, 1.25, 1, 1,  0,  86, ch },
        { 0.0, 1.25, 2, 2,  0,  84, ch },
        { 0.0, 1.25, 3, 3,  0,  82, ch },
        { 1.5, 1.25, 0, 0, -1,  92, ch },
        { 1.5, 1.25, 1, 1,  0,  80, ch },
        { 1.5, 1.25, 2, 2,  0,  78, ch },
        { 1.5, 1.25, 3, 3,  0,  76, ch },
        { 3.0, 0.9,  0, 2, -1,  96, ch },
        { 3.0, 0.9,  1, 2,  0,  84, ch },
        { 3.0, 0.9,  2, 3,  0,  82, ch },
        { 3.0, 0.9,  3, 4,  0,  86, ch },
    }), 4.0);
}

} // namespace VarneT::performances
