// The long piano pieces: an accompaniment written bar by bar from each piece's bass table, then a
// melody in scale degrees. Rows: start, duration, voice, index, octave, velocity, basis.

#include "model/PerformancesInternal.h"

#include <array>

namespace VarneT::performances
{
namespace
{
const juce::String category { "Piano" };

template <size_t Bars, typename BarRows>
void appendBars (Pattern& pattern,
                 const std::array<int, Bars>& bassPositions,
                 double pedalDuration,
                 int pedalValue,
                 BarRows&& barRows)
{
    for (int bar = 0; bar < (int) Bars; ++bar)
    {
        const auto bass = bassPositions[(size_t) bar];
        const auto at = 4.0 * bar;
        const std::array<PerformanceNoteRow, 5> rowsOfBar = barRows (bar, bass, at);
        appendPerformanceNotes (pattern, rowsOfBar);
        addPedal (pattern, at, pedalDuration, pedalValue);
    }
}
} // namespace

Pattern rainlitHome()
{
    auto pattern = makePerformance ("Rainlit Home", category, 6, {}, 64.0);
    nameVoices (pattern, { "Bass", "Left Hand", "Piano Body", "Inner Answer", "Long Melody", "High Echo" });

    constexpr std::array<int, 16> bass { 0, 0, 1, 0, 0, 2, 1, 0, 0, 1, 2, 0, 0, 1, 0, 0 };
    appendBars (pattern, bass, 3.8, 108, [] (int b, int root, double at) {
        return std::array<PerformanceNoteRow, 5> { {
            { at,       3.75, 0, root, -2, 84 - 2 * (b % 4), ch },
            { at,       1.75, 1, 2,    -1, 72, ch },
            { at,       1.75, 2, 0,     0, 66, ch },
            { at + 2.0, 1.75, 1, 1,    -1, 68, ch },
            { at + 2.0, 1.75, 2, 3,     0, 64, ch },
        } };
    });

    // Four four-bar phrases: statement, answer closing on the tonic, a higher contrast, and the
    // return that cadences home. The high echo repeats the ends of the first three phrases.
    appendPerformanceNotes (pattern, rows ({
        {  1.0, 1.0,  4, 4, 1, 76, sc }, {  2.0, 1.0,  4, 2, 1, 72, sc }, {  3.0, 1.0,  4, 3, 1, 70, sc },
        {  4.0, 2.0,  4, 4, 1, 80, sc }, {  6.0, 1.5,  4, 2, 1, 70, sc },
        {  9.0, 1.0,  4, 1, 1, 72, sc }, { 10.0, 1.0,  4, 2, 1, 74, sc }, { 11.0, 1.0,  4, 3, 1, 72, sc },
        { 12.0, 3.5,  4, 1, 1, 70, sc }, { 14.0, 0.5,  5, 4, 2, 58, sc }, { 14.5, 1.25, 5, 2, 2, 56, sc },

        { 17.0, 1.0,  4, 4, 1, 78, sc }, { 18.0, 1.0,  4, 2, 1, 74, sc }, { 19.0, 1.0,  4, 3, 1, 72, sc },
        { 20.0, 2.0,  4, 5, 1, 84, sc }, { 22.0, 1.0,  4, 4, 1, 76, sc }, { 23.0, 1.0,  4, 3, 1, 72, sc },
        { 24.0, 1.5,  4, 2, 1, 76, sc }, { 25.5, 0.5,  4, 1, 1, 70, sc }, { 26.0, 2.0,  4, 2, 1, 72, sc },
        { 28.0, 3.5,  4, 0, 1, 74, sc }, { 30.0, 0.5,  5, 2, 2, 56, sc }, { 30.5, 1.25, 5, 0, 2, 54, sc },

        { 33.0, 1.0,  4, 7, 1, 82, sc }, { 34.0, 1.0,  4, 6, 1, 78, sc }, { 35.0, 1.0,  4, 5, 1, 76, sc },
        { 36.0, 2.0,  4, 6, 1, 84, sc }, { 38.0, 2.0,  4, 4, 1, 76, sc },
        { 41.0, 1.0,  4, 5, 1, 78, sc }, { 42.0, 1.0,  4, 4, 1, 76, sc }, { 43.0, 1.0,  4, 3, 1, 72, sc },
        { 44.0, 3.5,  4, 4, 1, 74, sc }, { 46.0, 1.5,  5, 4, 2, 56, sc },

        { 49.0, 1.0,  4, 4, 1, 76, sc }, { 50.0, 1.0,  4, 2, 1, 72, sc }, { 51.0, 1.0,  4, 3, 1, 70, sc },
        { 52.0, 2.0,  4, 4, 1, 78, sc }, { 54.0, 1.0,  4, 3, 1, 72, sc }, { 55.0, 1.0,  4, 1, 1, 70, sc },
        { 56.0, 3.0,  4, 2, 1, 74, sc }, { 59.0, 1.0,  4, 1, 1, 68, sc },
        { 60.0, 4.0,  4, 0, 1, 72, sc },
    }));

    pattern.modifiers.humanize = 0.14;
    return pattern;
}

Pattern distantSummit()
{
    auto pattern = makePerformance ("Distant Summit", category, 7, {}, 96.0);
    nameVoices (pattern, { "Bass Path", "Low Arpeggio", "Middle Arpeggio", "High Arpeggio", "Summit Melody", "Countermelody", "Peak Light" });

    constexpr std::array<int, 24> bass { 0, 0, 1, 2, 0, 1, 2, 0, 0, 2, 1, 0, 0, 1, 2, 1, 0, 2, 1, 0, 2, 1, 0, 0 };
    appendBars (pattern, bass, 3.7, 96, [] (int b, int root, double at) {
        const bool summit = b >= 12 && b <= 19;
        return std::array<PerformanceNoteRow, 5> { {
            { at,       1.5,  0, root, -2, summit ? 90 : 88, ch },
            { at,       0.65, 1, 0,    -1, 72, ch },
            { at + 1.0, 0.65, 2, 1,     0, 68, ch },
            { at + 2.0, 0.65, 3, 2,     summit ? 1 : 0, summit ? 74 : 72, ch },
            { at + 3.0, 0.75, 2, 3,     0, 66, ch },
        } };
    });

    // The climb: a quiet theme and its brighter repeat, a sequence rising a step per bar, the
    // summit twice (with the peak light above it), and the descent to a plain cadence.
    appendPerformanceNotes (pattern, rows ({
        {  2.0, 1.0,  4, 0, 1, 74, sc }, {  3.0, 1.0,  4, 1, 1, 76, sc },
        {  4.0, 2.0,  4, 2, 1, 80, sc }, {  6.0, 1.0,  4, 4, 1, 78, sc }, {  7.0, 1.0,  4, 3, 1, 74, sc },
        {  8.0, 2.0,  4, 2, 1, 78, sc }, { 10.0, 1.0,  4, 1, 1, 72, sc }, { 11.0, 1.0,  4, 2, 1, 74, sc },
        { 12.0, 3.5,  4, 1, 1, 74, sc }, { 14.0, 2.0,  5, 4, 0, 62, sc },

        { 18.0, 1.0,  4, 0, 1, 76, sc }, { 19.0, 1.0,  4, 1, 1, 78, sc },
        { 20.0, 2.0,  4, 2, 1, 82, sc }, { 22.0, 1.0,  4, 4, 1, 80, sc }, { 23.0, 1.0,  4, 5, 1, 82, sc },
        { 24.0, 2.0,  4, 4, 1, 80, sc }, { 26.0, 1.0,  4, 3, 1, 74, sc }, { 27.0, 1.0,  4, 2, 1, 72, sc },
        { 28.0, 3.5,  4, 0, 1, 76, sc }, { 30.0, 2.0,  5, 2, 0, 60, sc },

        { 32.0, 1.5,  4, 4, 1, 80, sc }, { 33.5, 0.5,  4, 5, 1, 76, sc }, { 34.0, 2.0,  4, 4, 1, 78, sc },
        { 36.0, 1.5,  4, 5, 1, 82, sc }, { 37.5, 0.5,  4, 6, 1, 78, sc }, { 38.0, 2.0,  4, 5, 1, 80, sc },
        { 40.0, 1.5,  4, 6, 1, 84, sc }, { 41.5, 0.5,  4, 7, 1, 80, sc }, { 42.0, 2.0,  4, 6, 1, 82, sc },
        { 44.0, 3.75, 4, 8, 1, 88, sc },

        { 48.0, 1.0,  6, 4, 2, 70, sc }, { 48.0, 2.0,  4, 7, 1, 92, sc }, { 50.0, 1.0,  4, 9, 1, 90, sc },
        { 51.0, 1.0,  4, 8, 1, 86, sc }, { 52.0, 2.0,  4, 7, 1, 90, sc }, { 54.0, 2.0,  4, 4, 1, 84, sc },
        { 56.0, 1.0,  6, 2, 2, 66, sc }, { 56.0, 2.0,  4, 5, 1, 88, sc }, { 58.0, 1.0,  4, 6, 1, 86, sc },
        { 59.0, 1.0,  4, 7, 1, 88, sc }, { 60.0, 3.5,  4, 6, 1, 86, sc }, { 62.0, 2.0,  5, 4, 0, 66, sc },

        { 64.0, 1.0,  6, 4, 2, 72, sc }, { 64.0, 2.0,  4, 7, 1, 92, sc }, { 66.0, 1.0,  4, 9, 1, 90, sc },
        { 67.0, 1.0,  4, 8, 1, 86, sc }, { 68.0, 2.0,  4, 7, 1, 88, sc }, { 70.0, 1.0,  4, 6, 1, 82, sc },
        { 71.0, 1.0,  4, 5, 1, 80, sc }, { 72.0, 2.0,  4, 4, 1, 82, sc }, { 74.0, 2.0,  4, 2, 1, 78, sc },
        { 76.0, 3.75, 4, 4, 1, 80, sc }, { 78.0, 2.0,  5, 2, 0, 62, sc },

        { 82.0, 1.0,  4, 0, 1, 72, sc }, { 83.0, 1.0,  4, 1, 1, 72, sc },
        { 84.0, 2.0,  4, 2, 1, 76, sc }, { 86.0, 2.0,  4, 1, 1, 70, sc },
        { 88.0, 1.5,  4, 4, 1, 74, sc }, { 89.5, 0.5,  4, 3, 1, 68, sc }, { 90.0, 2.0,  4, 1, 1, 70, sc },
        { 92.0, 4.0,  4, 0, 1, 70, sc },
    }));

    pattern.modifiers.humanize = 0.08;
    return pattern;
}

Pattern turningSeasons()
{
    auto pattern = makePerformance ("Turning Seasons", category, 7, {}, 128.0);
    nameVoices (pattern, { "Ground Bass", "Low Counterpoint", "Warm Harmony", "Upper Counterpoint", "Season Melody", "Distant Reply", "Closing Light" });

    constexpr std::array<int, 32> bass { 0, 0, 1, 0, 2, 1, 0, 0, 0, 1, 2, 0, 1, 2, 0, 0,
                                         0, 2, 1, 0, 2, 1, 0, 0, 1, 0, 2, 1, 0, 1, 0, 0 };
    appendBars (pattern, bass, 3.75, 100, [] (int b, int root, double at) {
        return std::array<PerformanceNoteRow, 5> { {
            { at,        3.75, 0, root,        -2, b % 8 == 7 ? 78 : 82, ch },
            { at + 0.5,  1.25, 1, 0,           -1, 66, ch },
            { at + 2.25, 1.25, 1, b % 3,       -1, 64, ch },
            { at,        3.75, 2, 2,            0, 62, ch },
            { at + 1.5,  1.75, 3, b % 3 + 1,    0, 64, ch },
        } };
    });

    // Four seasons of eight bars: a spring tune and its lift, a fuller summer line, an autumn turn
    // towards the sixth degree, and the winter return that settles on the tonic under a last light.
    appendPerformanceNotes (pattern, rows ({
        {   2.0, 2.0, 4, 4, 1, 72, sc },
        {   4.0, 1.5, 4, 5, 1, 74, sc }, {   5.5, 0.5, 4, 4, 1, 70, sc }, {   6.0, 2.0, 4, 2, 1, 72, sc },
        {   8.0, 3.0, 4, 3, 1, 74, sc }, {  11.0, 1.0, 4, 2, 1, 68, sc },
        {  12.0, 4.0, 4, 1, 1, 70, sc },
        {  18.0, 2.0, 4, 4, 1, 74, sc },
        {  20.0, 1.5, 4, 5, 1, 76, sc }, {  21.5, 0.5, 4, 6, 1, 72, sc }, {  22.0, 2.0, 4, 7, 1, 78, sc },
        {  24.0, 3.0, 4, 4, 1, 74, sc },
        {  28.0, 1.0, 5, 4, 2, 56, sc }, {  29.0, 2.5, 5, 2, 2, 54, sc },

        {  32.0, 1.0, 4, 7, 1, 80, sc }, {  33.0, 1.0, 4, 6, 1, 76, sc }, {  34.0, 2.0, 4, 4, 1, 78, sc },
        {  36.0, 2.0, 4, 5, 1, 80, sc }, {  38.0, 2.0, 4, 7, 1, 82, sc },
        {  40.0, 3.0, 4, 8, 1, 84, sc }, {  43.0, 1.0, 4, 7, 1, 78, sc },
        {  44.0, 4.0, 4, 6, 1, 80, sc },
        {  48.0, 1.0, 4, 7, 1, 82, sc }, {  49.0, 1.0, 4, 6, 1, 78, sc }, {  50.0, 2.0, 4, 5, 1, 76, sc },
        {  52.0, 4.0, 4, 4, 1, 78, sc },
        {  57.0, 2.0, 5, 4, 2, 56, sc },

        {  66.0, 2.0, 4, 5, 1, 76, sc },
        {  68.0, 1.5, 4, 4, 1, 74, sc }, {  69.5, 0.5, 4, 3, 1, 70, sc }, {  70.0, 2.0, 4, 2, 1, 72, sc },
        {  72.0, 3.0, 4, 3, 1, 74, sc }, {  75.0, 1.0, 4, 5, 1, 72, sc },
        {  76.0, 4.0, 4, 4, 1, 74, sc },
        {  80.0, 2.0, 4, 5, 1, 76, sc }, {  82.0, 2.0, 4, 3, 1, 72, sc },
        {  84.0, 3.0, 4, 2, 1, 72, sc }, {  87.0, 1.0, 4, 1, 1, 68, sc },
        {  90.0, 2.0, 5, 5, 2, 54, sc },

        {  98.0, 2.0, 4, 4, 1, 72, sc },
        { 100.0, 1.5, 4, 5, 1, 74, sc }, { 101.5, 0.5, 4, 4, 1, 70, sc }, { 102.0, 2.0, 4, 2, 1, 72, sc },
        { 104.0, 3.0, 4, 3, 1, 72, sc }, { 107.0, 1.0, 4, 2, 1, 68, sc },
        { 108.0, 4.0, 4, 1, 1, 70, sc },
        { 112.0, 2.0, 4, 2, 1, 72, sc }, { 114.0, 2.0, 4, 4, 1, 74, sc },
        { 116.0, 2.0, 4, 3, 1, 70, sc }, { 118.0, 2.0, 4, 1, 1, 68, sc },
        { 120.0, 8.0, 4, 0, 1, 70, sc }, { 124.0, 4.0, 6, 4, 2, 56, sc },
    }));

    pattern.modifiers.humanize = 0.18;
    return pattern;
}

} // namespace VarneT::performances
