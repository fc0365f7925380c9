// Ostinatos and Arpeggiators: repeating figures over the chord tones.
// Rows: start, duration, voice, index, octave, velocity, basis.

#include "model/PerformancesInternal.h"

namespace VarneT::performances
{
namespace
{
const juce::String ostinatos { "Ostinatos" };
const juce::String arpeggiators { "Arpeggiators" };
}

Pattern lanternOstinato()
{
    return makePerformance ("Lantern Ostinato", ostinatos, 4, rows ({
        { 0.0, 0.35, 0, 0, -1, 100, ch },
        { 0.5, 0.35, 1, 1,  0,  84, ch },
        { 1.0, 0.35, 2, 2,  0,  90, ch },
        { 1.5, 0.35, 3, 3,  0,  80, ch },
        { 2.0, 0.35, 0, 0, -1,  96, ch },
        { 2.5, 0.35, 2, 2,  0,  86, ch },
        { 3.0, 0.35, 1, 1,  0,  92, ch },
        { 3.5, 0.5,  3, 4,  0,  78, ch },
    }), 4.0);
}

Pattern orbitingSixteenths()
{
    // Sixteenths circling the chord: up and back, then a wider orbit reaching the top.
    return makePerformance ("Orbiting Sixteenths", arpeggiators, 4, rows ({
        { 0.0,  0.22, 0, 0, 0, 100, ch },
        { 0.25, 0.22, 1, 1, 0,  74, ch },
        { 0.5,  0.22, 2, 2, 0,  80, ch },
        { 0.75, 0.22, 3, 3, 0,  76, ch },
        { 1.0,  0.22, 3, 4, 0,  92, ch },
        { 1.25, 0.22, 3, 3, 0,  72, ch },
        { 1.5,  0.22, 2, 2, 0,  78, ch },
        { 1.75, 0.22, 1, 1, 0,  72, ch },
        { 2.0,  0.22, 0, 0, 0,  96, ch },
        { 2.25, 0.22, 2, 2, 0,  76, ch },
        { 2.5,  0.22, 3, 4, 0,  82, ch },
        { 2.75, 0.22, 3, 5, 0,  78, ch },
        { 3.0,  0.22, 3, 6, 0,  94, ch },
        { 3.25, 0.22, 3, 4, 0,  76, ch },
        { 3.5,  0.22, 2, 2, 0,  80, ch },
        { 3.75, 0.22, 1, 1, 0,  74, ch },
    }), 4.0);
}

Pattern rollingTensions()
{
    // Eighths rolling up through the ninth to the thirteenth and back down.
    return makePerformance ("Rolling Tensions", arpeggiators, 5, rows ({
        { 0.0, 1.9, 0, 0, -1, 92, ch },
        { 0.5, 0.5, 1, 2,  0, 74, ch },
        { 1.0, 0.5, 2, 3,  0, 78, ch },
        { 1.5, 0.5, 3, 8,  0, 82, sc },
        { 2.0, 0.9, 4, 5,  1, 88, sc },
        { 2.5, 0.5, 3, 8,  0, 76, sc },
        { 3.0, 0.5, 2, 3,  0, 72, ch },
        { 3.5, 0.5, 1, 2,  0, 68, ch },
    }), 4.0);
}

Pattern eightfoldLift()
{
    // Eight eighths rocking between root, fifth and third, with a top line that climbs each beat.
    return makePerformance ("Eightfold Lift", ostinatos, 4, rows ({
        { 0.0,  2.0,  0, 0, -1, 96, ch },
        { 0.0,  0.4,  1, 0,  0, 88, ch },
        { 0.5,  0.4,  2, 2,  0, 74, ch },
        { 0.75, 0.25, 3, 3,  0, 70, ch },
        { 1.0,  0.4,  1, 1,  0, 84, ch },
        { 1.5,  0.4,  2, 2,  0, 74, ch },
        { 1.75, 0.25, 3, 4,  0, 76, ch },
        { 2.0,  0.4,  1, 0,  0, 90, ch },
        { 2.5,  0.4,  2, 2,  0, 76, ch },
        { 2.75, 0.25, 3, 5,  0, 80, ch },
        { 3.0,  0.4,  1, 1,  0, 86, ch },
        { 3.5,  0.4,  2, 2,  0, 78, ch },
        { 3.5,  0.5,  3, 6,  0, 88, ch },
    }), 4.0);
}

Pattern technoPrism()
{
    // Sixteenth arpeggio accented every third step, so the accent turns against the beat.
    return makePerformance ("Techno Prism", arpeggiators, 5, rows ({
        { 0.0,  0.2, 0, 0, 0, 108, ch },
        { 0.25, 0.2, 2, 2, 0,  72, ch },
        { 0.5,  0.2, 3, 4, 0,  76, ch },
        { 0.75, 0.2, 2, 2, 0, 100, ch },
        { 1.0,  0.2, 1, 1, 0,  74, ch },
        { 1.25, 0.2, 3, 3, 0,  78, ch },
        { 1.5,  0.2, 4, 5, 0, 102, ch },
        { 1.75, 0.2, 3, 3, 0,  74, ch },
        { 2.0,  0.2, 2, 2, 0,  80, ch },
        { 2.25, 0.2, 3, 4, 0, 100, ch },
        { 2.5,  0.2, 4, 6, 0,  78, ch },
        { 2.75, 0.2, 3, 4, 0,  74, ch },
        { 3.0,  0.2, 1, 1, 0, 104, ch },
        { 3.25, 0.2, 3, 3, 0,  76, ch },
        { 3.5,  0.2, 4, 5, 0,  80, ch },
        { 3.75, 0.2, 3, 3, 0,  98, ch },
    }), 4.0);
}

Pattern stabEngine()
{
    // A driving bass figure with paired stabs locked between its hits.
    return makePerformance ("Stab Engine", ostinatos, 5, rows ({
        { 0.0,  0.2, 0, 0, -1, 110, ch },
        { 0.5,  0.2, 1, 1,  0,  86, ch },
        { 0.5,  0.2, 2, 2,  0,  84, ch },
        { 0.75, 0.2, 0, 0, -1,  88, ch },
        { 1.25, 0.2, 3, 3,  0,  82, ch },
        { 1.25, 0.2, 4, 4,  0,  80, ch },
        { 1.5,  0.2, 0, 0, -1,  98, ch },
        { 2.0,  0.2, 0, 0, -1, 104, ch },
        { 2.5,  0.2, 1, 1,  0,  86, ch },
        { 2.5,  0.2, 2, 2,  0,  84, ch },
        { 2.75, 0.2, 0, 0, -1,  86, ch },
        { 3.25, 0.2, 3, 3,  0,  84, ch },
        { 3.25, 0.2, 4, 4,  0,  82, ch },
        { 3.5,  0.4, 0, 2, -1, 100, ch },
    }), 4.0);
}

} // namespace VarneT::performances
