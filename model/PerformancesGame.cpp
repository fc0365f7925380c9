// Game Atmospheres (the short ones). Rows: start, duration, voice, index, octave, velocity, basis.

#include "model/PerformancesInternal.h"

namespace VarneT::performances
{
namespace
{
const juce::String category { "Game Atmospheres" };
}

Pattern forestMemory()
{
    // Drone and warm pads under a slow counterline, plucked answers and two bell sparks.
    auto pattern = makePerformance ("Forest Memory", category, 7, rows ({
        { 0.0, 8.0,  0, 0, -2, 70, ch },
        { 0.0, 8.0,  1, 2, -1, 58, ch },
        { 0.0, 4.0,  2, 1,  0, 56, ch },
        { 0.5, 0.25, 5, 7,  1, 72, sc },
        { 1.0, 1.0,  4, 4,  0, 64, sc },
        { 2.0, 1.0,  4, 5,  0, 66, sc },
        { 2.0, 2.0,  3, 1,  1, 54, sc },
        { 3.0, 2.0,  4, 4,  0, 62, sc },
        { 3.5, 0.5,  6, 4,  2, 60, ch },
        { 4.0, 4.0,  2, 3,  0, 56, ch },
        { 4.5, 0.25, 5, 7,  1, 70, sc },
        { 5.0, 0.25, 5, 9,  1, 66, sc },
        { 5.0, 2.0,  4, 2,  0, 60, sc },
        { 6.0, 2.0,  3, 5,  0, 52, sc },
        { 6.5, 0.25, 5, 8,  1, 62, sc },
        { 7.5, 0.5,  6, 5,  2, 56, ch },
    }), 8.0);
    nameVoices (pattern, { "Bass Drone", "Low Pad", "Warm Pad", "Chord Colour", "Counterline", "Pluck Answer", "Bell Spark" });
    addPedal (pattern, 0.0, 3.85, 100);
    addPedal (pattern, 4.0, 3.85, 100);
    pattern.modifiers.humanize = 0.08;
    return pattern;
}

Pattern sunkenRuins()
{
    // A call sinking through three echo registers; water drops fall between (the chance notes).
    auto pattern = makePerformance ("Sunken Ruins", category, 6, rows ({
        { 0.0,  8.0,  0, 0, -2, 74, ch },
        { 0.0,  8.0,  1, 2, -1, 54, ch },
        { 1.0,  1.5,  4, 5,  1, 70, sc },
        { 2.5,  1.5,  3, 5,  0, 64, sc },
        { 3.25, 0.25, 5, 9,  1, 60, sc },
        { 4.0,  1.5,  2, 5, -1, 58, sc },
        { 4.5,  1.5,  4, 4,  1, 68, sc },
        { 5.25, 0.25, 5, 7,  1, 58, sc },
        { 5.5,  1.5,  3, 4,  0, 60, sc },
        { 6.5,  1.25, 2, 4, -1, 56, sc },
        { 6.75, 0.25, 5, 8,  1, 56, sc },
        { 7.0,  1.0,  4, 2,  1, 62, sc },
        { 7.25, 0.75, 3, 2,  0, 56, sc },
        { 7.5,  0.25, 5, 9,  1, 54, sc },
    }), 8.0);
    nameVoices (pattern, { "Deep Bass", "Submerged Pad", "Low Echo", "Mid Echo", "High Echo", "Water Pluck" });
    pattern.modifiers.humanize = 0.12;
    for (int note = 5; note <= 14; note += 3)
        setNoteChance (pattern, note, 0.82, 0.4);
    return pattern;
}

Pattern clockworkDream()
{
    // Tick-tock eighths, two interlocking gears on the sixteenths, a chime before the bar line.
    auto pattern = makePerformance ("Clockwork Dream", category, 5, rows ({
        { 0.0,  1.5,  0, 0, -2, 84, ch },
        { 0.0,  0.25, 1, 4,  0, 82, ch },
        { 0.25, 0.2,  2, 1,  0, 64, ch },
        { 0.5,  0.25, 1, 3,  0, 68, ch },
        { 0.75, 0.2,  3, 2,  1, 62, ch },
        { 1.0,  0.25, 1, 4,  0, 78, ch },
        { 1.25, 0.2,  2, 1,  0, 62, ch },
        { 1.5,  0.25, 1, 3,  0, 66, ch },
        { 2.0,  1.5,  0, 2, -2, 80, ch },
        { 2.0,  0.25, 1, 4,  0, 80, ch },
        { 2.25, 0.2,  2, 1,  0, 64, ch },
        { 2.5,  0.25, 1, 3,  0, 68, ch },
        { 2.75, 0.2,  3, 2,  1, 64, ch },
        { 3.0,  0.25, 1, 4,  0, 76, ch },
        { 3.25, 0.2,  3, 3,  1, 60, ch },
        { 3.5,  0.25, 1, 3,  0, 66, ch },
        { 3.75, 0.25, 4, 6,  1, 72, ch },
    }), 4.0);
    nameVoices (pattern, { "Bass Weight", "Clock Pulse", "Left Gear", "Right Gear", "Glass Chime" });
    pattern.modifiers.swing = 0.1;
    return pattern;
}

Pattern skyTemple()
{
    // Open fifths and air, a harp glissando rising and a short fall, temple bells in between.
    auto pattern = makePerformance ("Sky Temple", category, 7, rows ({
        { 0.0,  8.0, 0, 0, -2, 72, ch },
        { 0.0,  8.0, 1, 2, -1, 62, ch },
        { 0.0,  8.0, 2, 4,  0, 50, ch },
        { 0.5,  2.0, 3, 0,  0, 64, ch },
        { 0.75, 2.0, 3, 1,  0, 66, ch },
        { 1.0,  2.0, 4, 2,  0, 68, ch },
        { 1.25, 2.0, 4, 3,  0, 70, ch },
        { 1.5,  2.0, 5, 4,  0, 72, ch },
        { 1.75, 2.0, 5, 5,  0, 76, ch },
        { 2.0,  3.0, 6, 4,  1, 78, ch },
        { 5.0,  2.0, 5, 5,  0, 66, ch },
        { 5.5,  2.0, 4, 3,  0, 62, ch },
        { 6.0,  2.0, 6, 4,  1, 70, ch },
    }), 8.0);
    nameVoices (pattern, { "Root Pedal", "Open Fifth", "Air Pad", "Low Harp", "Mid Harp", "High Harp", "Temple Bell" });
    addPedal (pattern, 0.0, 7.85, 96);
    return pattern;
}

Pattern moonlitVillage()
{
    // A gentle walking bass and afterbeat chords; a small tune, answered in the second bar.
    auto pattern = makePerformance ("Moonlit Village", category, 7, rows ({
        { 0.0, 1.9, 0, 0, -1, 80, ch },
        { 0.5, 1.0, 4, 4,  1, 74, sc },
        { 1.0, 0.9, 1, 1,  0, 62, ch },
        { 1.0, 0.9, 2, 3,  0, 60, ch },
        { 1.5, 0.5, 4, 5,  1, 70, sc },
        { 2.0, 1.9, 0, 2, -1, 74, ch },
        { 2.0, 1.5, 4, 4,  1, 72, sc },
        { 3.0, 1.0, 3, 2,  0, 58, ch },
        { 4.0, 1.9, 0, 1, -1, 78, ch },
        { 4.5, 1.5, 5, 2,  1, 66, sc },
        { 5.0, 0.9, 1, 1,  0, 60, ch },
        { 5.0, 0.9, 2, 3,  0, 58, ch },
        { 6.0, 1.9, 0, 2, -1, 72, ch },
        { 7.0, 1.0, 6, 4,  2, 56, ch },
    }), 8.0);
    nameVoices (pattern, { "Walking Bass", "Left Hand", "Piano Body", "Inner Voice", "Upper Answer", "Counterline", "Phrase Light" });
    addPedal (pattern, 0.0, 3.8, 112);
    addPedal (pattern, 4.0, 3.8, 112);
    pattern.modifiers.humanize = 0.16;
    return pattern;
}

Pattern ancientMachine()
{
    // Drone and a 3-against-4 machine pulse; the modal fragment and its echo come and go.
    auto pattern = makePerformance ("Ancient Machine", category, 6, rows ({
        { 0.0,  4.0,  0, 0, -2, 76, ch },
        { 0.0,  0.25, 1, 0, -1, 96, ch },
        { 0.5,  1.0,  2, 2, -1, 70, ch },
        { 0.75, 0.25, 1, 0, -1, 82, ch },
        { 1.25, 0.25, 3, 3,  0, 66, ch },
        { 1.5,  0.25, 1, 0, -1, 90, ch },
        { 2.0,  1.0,  2, 2, -1, 68, ch },
        { 2.25, 0.25, 1, 0, -1, 84, ch },
        { 2.75, 0.25, 3, 3,  0, 64, ch },
        { 3.0,  0.25, 1, 0, -1, 92, ch },
        { 3.5,  0.25, 3, 4,  0, 62, ch },
        { 3.75, 0.25, 1, 0, -1, 86, ch },
        { 1.0,  0.5,  4, 1,  1, 64, sc },
        { 1.5,  0.5,  4, 3,  1, 60, sc },
        { 2.0,  1.0,  4, 1,  1, 66, sc },
        { 3.0,  0.25, 5, 1,  2, 54, sc },
        { 3.5,  0.25, 5, 1,  2, 50, sc },
    }), 4.0);
    nameVoices (pattern, { "Ancient Drone", "Machine Pulse", "Low Mechanism", "High Mechanism", "Modal Fragment", "Signal Echo" });
    pattern.modifiers.humanize = 0.1;
    for (int note = 13; note <= 17; ++note)
        setNoteChance (pattern, note, 0.78, 0.35);
    return pattern;
}

} // namespace VarneT::performances
