// Basslines and Melodies & Hooks: single lines, bass from chord positions, hooks from scale degrees.
// Rows: start, duration, voice, index, octave, velocity, basis.

#include "model/PerformancesInternal.h"

namespace VarneT::performances
{
namespace
{
const juce::String basslines { "Basslines" };
const juce::String hooks { "Melodies & Hooks" };
}

Pattern rootRelay()
{
    // The root handed between two octaves, with fifth and third pickups into each bar.
    return makePerformance ("Root Relay", basslines, 3, rows ({
        { 0.0,  1.5,  0, 0, -2, 100, ch },
        { 1.5,  0.5,  1, 0, -1,  84, ch },
        { 2.0,  1.0,  0, 0, -2,  92, ch },
        { 3.0,  0.75, 1, 0, -1,  86, ch },
        { 3.75, 0.25, 2, 2, -1,  78, ch },
        { 4.0,  1.5,  0, 0, -2,  98, ch },
        { 5.5,  0.5,  1, 0, -1,  82, ch },
        { 6.0,  0.75, 2, 2, -1,  84, ch },
        { 6.75, 0.5,  2, 1, -1,  80, ch },
        { 7.5,  0.5,  1, 0, -1,  88, ch },
    }), 8.0);
}

Pattern walkingLantern()
{
    // Quarter-note walk: up the chord to the octave, then back down to lead into the root.
    return makePerformance ("Walking Lantern", basslines, 3, rows ({
        { 0.0, 0.9, 0, 0, -1, 96, ch },
        { 1.0, 0.9, 1, 1, -1, 80, ch },
        { 2.0, 0.9, 1, 2, -1, 86, ch },
        { 3.0, 0.9, 2, 3, -1, 78, ch },
        { 4.0, 0.9, 0, 4, -1, 92, ch },
        { 5.0, 0.9, 1, 3, -1, 80, ch },
        { 6.0, 0.9, 1, 2, -1, 84, ch },
        { 7.0, 0.9, 2, 1, -1, 76, ch },
    }), 8.0);
}

Pattern fifthPulse()
{
    // Root on the beat, fifth on the off-beat, building towards the bar line.
    return makePerformance ("Fifth Pulse", basslines, 2, rows ({
        { 0.0, 0.4,  0, 0, -1, 100, ch },
        { 0.5, 0.35, 1, 2, -1,  78, ch },
        { 1.0, 0.4,  0, 0, -1,  88, ch },
        { 1.5, 0.35, 1, 2, -1,  76, ch },
        { 2.0, 0.4,  0, 0, -1,  94, ch },
        { 2.5, 0.35, 1, 2, -1,  80, ch },
        { 3.0, 0.4,  0, 0, -1,  86, ch },
        { 3.5, 0.35, 1, 2, -1,  84, ch },
    }), 4.0);
}

Pattern twoNoteBeacon()
{
    // Two pitches, a fifth and an octave above the root, calling like a signal light.
    return makePerformance ("Two-Note Beacon", hooks, 2, rows ({
        { 0.0,  0.75, 0, 4, 1, 90, sc },
        { 0.75, 1.25, 1, 7, 1, 84, sc },
        { 2.5,  0.5,  0, 4, 1, 78, sc },
        { 3.0,  1.0,  1, 7, 1, 86, sc },
        { 4.0,  0.75, 0, 4, 1, 92, sc },
        { 4.75, 1.25, 1, 7, 1, 84, sc },
        { 6.5,  0.5,  0, 4, 1, 76, sc },
        { 7.0,  1.0,  1, 7, 1, 80, sc },
    }), 8.0);
}

Pattern risingReply()
{
    // A rising call, a reply that starts higher, and a last word higher still.
    return makePerformance ("Rising Reply", hooks, 3, rows ({
        { 0.0, 0.5, 0, 0, 1, 84, sc },
        { 0.5, 0.5, 0, 2, 1, 86, sc },
        { 1.0, 2.0, 0, 4, 1, 92, sc },
        { 4.0, 0.5, 1, 2, 1, 80, sc },
        { 4.5, 0.5, 1, 4, 1, 84, sc },
        { 5.0, 1.5, 1, 7, 1, 90, sc },
        { 6.5, 0.5, 2, 8, 1, 82, sc },
        { 7.0, 1.0, 2, 9, 1, 88, sc },
    }), 8.0);
}

Pattern highWindow()
{
    // A high melody framed by two soft held chord tones, with one spark above it.
    return makePerformance ("High Window", hooks, 3, rows ({
        { 0.0, 4.0, 0, 2, 0, 64, ch },
        { 1.0, 1.0, 1, 7, 1, 82, sc },
        { 2.0, 1.5, 1, 9, 1, 88, sc },
        { 3.5, 0.5, 2, 4, 2, 66, sc },
        { 4.0, 4.0, 0, 1, 0, 60, ch },
        { 5.0, 1.0, 1, 8, 1, 80, sc },
        { 6.0, 2.0, 1, 7, 1, 84, sc },
    }), 8.0);
}

} // namespace VarneT::performances
