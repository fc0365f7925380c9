#include "model/BuiltInPerformances.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

using namespace VarneT;

namespace
{
struct EntryCase
{
    const char* category;
    const char* name;
    double lengthBeats;
    int voiceCount;
    std::vector<const char*> voiceNames; // empty: "Voice 1" .. "Voice N"
    int notes;
    int pedals;
    int pedalValue;
    double pedalDuration;
    double humanize;
    double swing;
};

const std::vector<EntryCase>& entryCases()
{
    static const std::vector<EntryCase> cases {
        { "Chord Rhythms", "Held Corners", 4, 4, {}, 8, 0, 0, 0, 0, 0 },
        { "Chord Rhythms", "Offbeat Windows", 4, 4, {}, 8, 0, 0, 0, 0, 0 },
        { "Chord Rhythms", "Pedal Bloom", 4, 5, {}, 5, 1, 127, 3.8, 0, 0 },
        { "Piano", "Cascading Thirds", 4, 4, {}, 8, 0, 0, 0, 0, 0 },
        { "Piano", "Open Fifth Current", 4, 5, {}, 7, 0, 0, 0, 0, 0 },
        { "Piano", "Quiet Contrary", 4, 6, {}, 8, 0, 0, 0, 0, 0 },
        { "Ostinatos", "Lantern Ostinato", 4, 4, {}, 8, 0, 0, 0, 0, 0 },
        { "Arpeggiators", "Orbiting Sixteenths", 4, 4, {}, 16, 0, 0, 0, 0, 0 },
        { "Arpeggiators", "Rolling Tensions", 4, 5, {}, 8, 0, 0, 0, 0, 0 },
        { "Piano", "Grand Current", 4, 8, {}, 12, 1, 127, 3.85, 0, 0 },
        { "Piano", "Walking Foundation", 4, 7, {}, 10, 0, 0, 0, 0, 0 },
        { "Piano", "Split Horizon", 4, 8, {}, 10, 0, 0, 0, 0, 0 },
        { "Basslines", "Root Relay", 8, 3, {}, 10, 0, 0, 0, 0, 0 },
        { "Basslines", "Walking Lantern", 8, 3, {}, 8, 0, 0, 0, 0, 0 },
        { "Basslines", "Fifth Pulse", 4, 2, {}, 8, 0, 0, 0, 0, 0 },
        { "Melodies & Hooks", "Two-Note Beacon", 8, 2, {}, 8, 0, 0, 0, 0, 0 },
        { "Melodies & Hooks", "Rising Reply", 8, 3, {}, 8, 0, 0, 0, 0, 0 },
        { "Melodies & Hooks", "High Window", 8, 3, {}, 7, 0, 0, 0, 0, 0 },
        { "Chord Rhythms", "Offbeat Neon", 4, 4, {}, 16, 0, 0, 0, 0, 0 },
        { "Chord Rhythms", "Rave Staircase", 4, 5, {}, 14, 0, 0, 0, 0, 0 },
        { "Chord Rhythms", "Syncopated Glass", 4, 5, {}, 10, 0, 0, 0, 0, 0 },
        { "Piano", "Ballad Answer", 8, 6, {}, 8, 2, 127, 3.85, 0, 0 },
        { "Piano", "Cinematic Memory", 8, 8, {}, 10, 0, 0, 0, 0, 0 },
        { "Piano", "Falling Light", 8, 5, {}, 9, 1, 112, 7.8, 0, 0 },
        { "Piano", "Rainlit Home", 64, 6, { "Bass", "Left Hand", "Piano Body", "Inner Answer", "Long Melody", "High Echo" }, 122, 16, 108, 3.8, 0.14, 0 },
        { "Piano", "Distant Summit", 96, 7, { "Bass Path", "Low Arpeggio", "Middle Arpeggio", "High Arpeggio", "Summit Melody", "Countermelody", "Peak Light" }, 181, 24, 96, 3.7, 0.08, 0 },
        { "Piano", "Turning Seasons", 128, 7, { "Ground Bass", "Low Counterpoint", "Warm Harmony", "Upper Counterpoint", "Season Melody", "Distant Reply", "Closing Light" }, 212, 32, 100, 3.75, 0.18, 0 },
        { "Chord Rhythms", "Space Chop", 4, 4, {}, 8, 0, 0, 0, 0, 0 },
        { "Chord Rhythms", "Dub Echo", 4, 4, {}, 9, 0, 0, 0, 0, 0 },
        { "Chord Rhythms", "Bass Reply", 4, 5, {}, 10, 0, 0, 0, 0, 0 },
        { "Ostinatos", "Eightfold Lift", 4, 4, {}, 13, 0, 0, 0, 0, 0 },
        { "Arpeggiators", "Techno Prism", 4, 5, {}, 16, 0, 0, 0, 0, 0 },
        { "Ostinatos", "Stab Engine", 4, 5, {}, 14, 0, 0, 0, 0, 0 },
        { "Chord Rhythms", "Tresillo Keys", 4, 4, {}, 12, 0, 0, 0, 0, 0 },
        { "Metal Guitar", "Five-Step Chug", 5, 2, {}, 16, 0, 0, 0, 0, 0 },
        { "Metal Guitar", "Seven-Eight Riff", 3.5, 3, {}, 13, 0, 0, 0, 0, 0 },
        { "Metal Guitar", "Palm-Mute Gallop", 4, 3, {}, 17, 0, 0, 0, 0, 0 },
        { "Pads & Textures", "Delayed Spark", 8, 5, {}, 10, 0, 0, 0, 0, 0 },
        { "Pads & Textures", "Grain Constellation", 4, 6, {}, 10, 0, 0, 0, 0.25, 0 },
        { "Pads & Textures", "Ambient Tails", 8, 6, {}, 8, 1, 96, 7.8, 0, 0 },
        { "Game Atmospheres", "Forest Memory", 8, 7, { "Bass Drone", "Low Pad", "Warm Pad", "Chord Colour", "Counterline", "Pluck Answer", "Bell Spark" }, 16, 2, 100, 3.85, 0.08, 0 },
        { "Game Atmospheres", "Verdant Journey", 64, 7, { "Bass Foundation", "Open Fifth", "Left Hand Motion", "Inner Voice", "Long Melody", "Melody Echo", "Phrase Light" }, 152, 16, 104, 3.8, 0.1, 0 },
        { "Game Atmospheres", "Sunken Ruins", 8, 6, { "Deep Bass", "Submerged Pad", "Low Echo", "Mid Echo", "High Echo", "Water Pluck" }, 14, 0, 0, 0, 0.12, 0 },
        { "Game Atmospheres", "Clockwork Dream", 4, 5, { "Bass Weight", "Clock Pulse", "Left Gear", "Right Gear", "Glass Chime" }, 17, 0, 0, 0, 0, 0.1 },
        { "Game Atmospheres", "Sky Temple", 8, 7, { "Root Pedal", "Open Fifth", "Air Pad", "Low Harp", "Mid Harp", "High Harp", "Temple Bell" }, 13, 1, 96, 7.85, 0, 0 },
        { "Game Atmospheres", "Moonlit Village", 8, 7, { "Walking Bass", "Left Hand", "Piano Body", "Inner Voice", "Upper Answer", "Counterline", "Phrase Light" }, 14, 2, 112, 3.8, 0.16, 0 },
        { "Game Atmospheres", "Ancient Machine", 4, 6, { "Ancient Drone", "Machine Pulse", "Low Mechanism", "High Mechanism", "Modal Fragment", "Signal Echo" }, 17, 0, 0, 0, 0.1, 0 },
    };
    return cases;
}

const Pattern& entry (int position) { return builtInPerformances()[(size_t) (position - 1)]; }

// A row as in the written note tables, for comparing exact notes.
struct ExpectedNote
{
    double start, duration;
    int voice;
    TargetBasis basis;
    int index, octave, velocity;
    double chance = 1.0, importance = 0.5;
};

void expectNotes (const Pattern& pattern, const std::vector<ExpectedNote>& expected, size_t first = 0)
{
    ASSERT_GE (pattern.notes.size(), first + expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
    {
        const auto& note = pattern.notes[first + i];
        const auto& want = expected[i];
        SCOPED_TRACE (pattern.name + " note " + juce::String ((int) (first + i) + 1));
        EXPECT_EQ (note.id, "note-" + juce::String ((int) (first + i) + 1));
        EXPECT_DOUBLE_EQ (note.startBeat, want.start);
        EXPECT_DOUBLE_EQ (note.durationBeats, want.duration);
        EXPECT_EQ (note.voiceId, want.voice);
        EXPECT_EQ (note.target.basis, want.basis);
        EXPECT_EQ (note.target.index, want.index);
        EXPECT_EQ (note.octave, want.octave);
        EXPECT_EQ (note.velocity, want.velocity);
        EXPECT_DOUBLE_EQ (note.chance, want.chance);
        EXPECT_DOUBLE_EQ (note.importance, want.importance);
    }
}

constexpr auto C = TargetBasis::chord;
} // namespace

TEST (PerformanceDictionary, EveryEntryMatchesItsTableRow)
{
    const auto& list = builtInPerformances();
    ASSERT_EQ (list.size(), entryCases().size());
    ASSERT_EQ (list.size(), 47u);

    int totalNotes = 0, totalPedals = 0;
    for (size_t i = 0; i < list.size(); ++i)
    {
        const auto& want = entryCases()[i];
        const auto& pattern = list[i];
        SCOPED_TRACE (juce::String ((int) i + 1) + " " + want.name);

        EXPECT_EQ (pattern.category, want.category);
        EXPECT_EQ (pattern.name, want.name);
        EXPECT_EQ (pattern.lengthBeats, want.lengthBeats);
        EXPECT_EQ (pattern.quantization, Quantization::sixteenth);
        EXPECT_EQ (pattern.repeatCount, 1);

        ASSERT_EQ ((int) pattern.voices.size(), want.voiceCount);
        for (int v = 0; v < want.voiceCount; ++v)
        {
            EXPECT_EQ (pattern.voices[(size_t) v].id, v);
            EXPECT_EQ (pattern.voices[(size_t) v].name,
                       want.voiceNames.empty() ? "Voice " + juce::String (v + 1) : juce::String (want.voiceNames[(size_t) v]));
        }

        EXPECT_EQ ((int) pattern.notes.size(), want.notes);
        for (size_t n = 0; n < pattern.notes.size(); ++n)
            EXPECT_EQ (pattern.notes[n].id, "note-" + juce::String ((int) n + 1));

        ASSERT_EQ ((int) pattern.pedal.size(), want.pedals);
        for (size_t p = 0; p < pattern.pedal.size(); ++p)
        {
            const auto& event = pattern.pedal[p];
            // A single event at 0, two at 0 and 4, one per bar in the long pieces: always 4 apart.
            EXPECT_EQ (event.id, "pedal-" + juce::String ((int) p + 1));
            EXPECT_DOUBLE_EQ (event.startBeat, 4.0 * (double) p);
            EXPECT_DOUBLE_EQ (event.durationBeats, want.pedalDuration);
            EXPECT_EQ (event.value, want.pedalValue);
        }

        const auto& modifiers = pattern.modifiers;
        EXPECT_DOUBLE_EQ (modifiers.humanize, want.humanize);
        EXPECT_DOUBLE_EQ (modifiers.swing, want.swing);
        EXPECT_EQ (modifiers.density, 1.0);
        EXPECT_EQ (modifiers.registerOffset, 0);
        EXPECT_EQ (modifiers.spread, 0.0);
        EXPECT_EQ (modifiers.variationSeed, 1u);

        totalNotes += (int) pattern.notes.size();
        totalPedals += (int) pattern.pedal.size();
    }

    EXPECT_EQ (totalNotes, 1138);
    EXPECT_EQ (totalPedals, 99);
}

TEST (PerformanceDictionary, EveryNoteKeepsTheContentRanges)
{
    for (const auto& pattern : builtInPerformances())
    {
        for (const auto& note : pattern.notes)
        {
            SCOPED_TRACE (pattern.name + " " + note.id);
            EXPECT_GE (note.startBeat, 0.0);
            EXPECT_LE (note.startBeat + note.durationBeats, pattern.lengthBeats + 1.0e-9);
            EXPECT_GE (note.durationBeats, 0.12);
            EXPECT_LE (note.durationBeats, 8.0);
            EXPECT_GE (note.voiceId, 0);
            EXPECT_LT (note.voiceId, (int) pattern.voices.size());
            EXPECT_GE (note.octave, -2);
            EXPECT_LE (note.octave, 2);
            EXPECT_GE (note.velocity, 48);
            EXPECT_LE (note.velocity, 120);
            EXPECT_EQ (note.target.fixedMidiNote, 60);
            EXPECT_EQ (note.target.chromaticOffset, 0);
            ASSERT_TRUE (note.target.basis == TargetBasis::chord || note.target.basis == TargetBasis::scale);
            EXPECT_GE (note.target.index, 0);
            EXPECT_LE (note.target.index, note.target.basis == TargetBasis::chord ? 6 : 9);
        }
    }
}

TEST (PerformanceDictionary, OnlyTheStatedNotesChangeChanceAndImportance)
{
    struct ChanceCase { int position; std::vector<int> notes; double chance, importance; };
    const std::vector<ChanceCase> cases {
        { 39, { 2, 4, 6, 8, 10 }, 0.72, 0.3 },
        { 43, { 5, 8, 11, 14 }, 0.82, 0.4 },
        { 47, { 13, 14, 15, 16, 17 }, 0.78, 0.35 },
    };

    for (int position = 1; position <= 47; ++position)
    {
        const auto& pattern = entry (position);
        const ChanceCase* changed = nullptr;
        for (const auto& c : cases)
            if (c.position == position)
                changed = &c;

        for (int n = 1; n <= (int) pattern.notes.size(); ++n)
        {
            const auto& note = pattern.notes[(size_t) n - 1];
            const bool isChanged = changed != nullptr && std::find (changed->notes.begin(), changed->notes.end(), n) != changed->notes.end();
            SCOPED_TRACE (pattern.name + " " + note.id);
            EXPECT_DOUBLE_EQ (note.chance, isChanged ? changed->chance : 1.0);
            EXPECT_DOUBLE_EQ (note.importance, isChanged ? changed->importance : 0.5);
        }
    }
}

TEST (PerformanceDictionary, WrittenOutEntriesHaveTheirExactNotes)
{
    expectNotes (entry (7), {
        { 0, 0.35, 0, C, 0, -1, 100 }, { 0.5, 0.35, 1, C, 1, 0, 84 }, { 1, 0.35, 2, C, 2, 0, 90 },
        { 1.5, 0.35, 3, C, 3, 0, 80 }, { 2, 0.35, 0, C, 0, -1, 96 }, { 2.5, 0.35, 2, C, 2, 0, 86 },
        { 3, 0.35, 1, C, 1, 0, 92 }, { 3.5, 0.5, 3, C, 4, 0, 78 },
    });
    expectNotes (entry (3), {
        { 0, 4, 0, C, 0, -1, 92 }, { 0, 4, 1, C, 1, 0, 78 }, { 0.5, 3.5, 2, C, 2, 0, 82 },
        { 1, 3, 3, C, 3, 0, 76 }, { 2, 2, 4, C, 4, 0, 72 },
    });
    expectNotes (entry (36), {
        { 0, 0.18, 0, C, 0, -2, 118 }, { 0, 0.18, 1, C, 2, -1, 104 }, { 0.5, 0.14, 0, C, 0, -2, 90 },
        { 1, 0.18, 0, C, 0, -2, 108 }, { 1, 0.18, 1, C, 2, -1, 96 }, { 1.5, 0.14, 0, C, 0, -2, 88 },
        { 2, 0.18, 0, C, 0, -2, 114 }, { 2, 0.18, 1, C, 3, -1, 100 }, { 2.5, 0.14, 0, C, 0, -2, 92 },
        { 2.75, 0.14, 0, C, 0, -2, 86 }, { 3, 0.5, 0, C, 0, -2, 110 }, { 3, 0.5, 1, C, 2, -1, 98 },
        { 3, 0.5, 2, C, 4, 0, 90 },
    });
    expectNotes (entry (39), {
        { 0, 0.12, 0, C, 0, -1, 88 }, { 0.5, 0.12, 4, C, 4, 1, 60, 0.72, 0.3 },
        { 0.75, 0.12, 2, C, 2, 0, 72 }, { 1.25, 0.12, 5, C, 5, 1, 54, 0.72, 0.3 },
        { 1.75, 0.12, 1, C, 1, 0, 78 }, { 2, 0.12, 3, C, 3, 1, 64, 0.72, 0.3 },
        { 2.75, 0.12, 5, C, 4, 1, 58 }, { 3.25, 0.12, 2, C, 2, 0, 70, 0.72, 0.3 },
        { 3.5, 0.12, 4, C, 5, 1, 52 }, { 3.75, 0.25, 0, C, 0, -1, 84, 0.72, 0.3 },
    });
    EXPECT_TRUE (entry (3).pedal.size() == 1 && entry (3).pedal[0].value == 127);
}

TEST (PerformanceDictionary, PerBarEntriesFollowTheirBarTables)
{
    struct BarCase
    {
        int position;
        std::vector<int> bass;
        int melodyNotes;
        std::vector<int> melodyVoices;
        std::function<std::vector<ExpectedNote> (int bar, int bass)> rowsOfBar;
    };

    const std::vector<BarCase> cases {
        { 25, { 0, 0, 1, 0, 0, 2, 1, 0, 0, 1, 2, 0, 0, 1, 0, 0 }, 42, { 4, 5 },
          [] (int b, int bass) {
              const double at = 4 * b;
              return std::vector<ExpectedNote> { { at, 3.75, 0, C, bass, -2, 84 - 2 * (b % 4) },
                                                 { at, 1.75, 1, C, 2, -1, 72 },
                                                 { at, 1.75, 2, C, 0, 0, 66 },
                                                 { at + 2, 1.75, 1, C, 1, -1, 68 },
                                                 { at + 2, 1.75, 2, C, 3, 0, 64 } };
          } },
        { 26, { 0, 0, 1, 2, 0, 1, 2, 0, 0, 2, 1, 0, 0, 1, 2, 1, 0, 2, 1, 0, 2, 1, 0, 0 }, 61, { 4, 5, 6 },
          [] (int b, int bass) {
              const double at = 4 * b;
              const bool high = b >= 12 && b <= 19;
              return std::vector<ExpectedNote> { { at, 1.5, 0, C, bass, -2, high ? 90 : 88 },
                                                 { at, 0.65, 1, C, 0, -1, 72 },
                                                 { at + 1, 0.65, 2, C, 1, 0, 68 },
                                                 { at + 2, 0.65, 3, C, 2, high ? 1 : 0, high ? 74 : 72 },
                                                 { at + 3, 0.75, 2, C, 3, 0, 66 } };
          } },
        { 27, { 0, 0, 1, 0, 2, 1, 0, 0, 0, 1, 2, 0, 1, 2, 0, 0, 0, 2, 1, 0, 2, 1, 0, 0, 1, 0, 2, 1, 0, 1, 0, 0 }, 52, { 4, 5, 6 },
          [] (int b, int bass) {
              const double at = 4 * b;
              return std::vector<ExpectedNote> { { at, 3.75, 0, C, bass, -2, b % 8 == 7 ? 78 : 82 },
                                                 { at + 0.5, 1.25, 1, C, 0, -1, 66 },
                                                 { at + 2.25, 1.25, 1, C, b % 3, -1, 64 },
                                                 { at, 3.75, 2, C, 2, 0, 62 },
                                                 { at + 1.5, 1.75, 3, C, b % 3 + 1, 0, 64 } };
          } },
    };

    for (const auto& c : cases)
    {
        const auto& pattern = entry (c.position);
        const auto bars = c.bass.size();
        ASSERT_EQ (pattern.notes.size(), 5 * bars + (size_t) c.melodyNotes);

        for (size_t b = 0; b < bars; ++b)
            expectNotes (pattern, c.rowsOfBar ((int) b, c.bass[b]), 5 * b);

        for (size_t n = 5 * bars; n < pattern.notes.size(); ++n)
        {
            const auto& note = pattern.notes[n];
            SCOPED_TRACE (pattern.name + " " + note.id);
            EXPECT_EQ (note.target.basis, TargetBasis::scale);
            EXPECT_NE (std::find (c.melodyVoices.begin(), c.melodyVoices.end(), note.voiceId), c.melodyVoices.end());
        }
    }

    const auto& bassOfBarFive = entry (25).notes[25];
    EXPECT_EQ (bassOfBarFive.startBeat, 20.0);
    EXPECT_EQ (bassOfBarFive.target.index, 2);
    EXPECT_EQ (bassOfBarFive.velocity, 82);

    for (const auto& note : entry (25).notes)
        EXPECT_NE (note.voiceId, 3) << "Inner Answer stays silent";
}

TEST (PerformanceDictionary, CharacterOfTheNamedPerformances)
{
    const auto fraction = [] (double beat) { return beat - std::floor (beat); };

    for (const auto& note : entry (2).notes)
        EXPECT_EQ (fraction (note.startBeat), 0.5) << "Offbeat Windows plays only off-beats";

    std::vector<double> walk;
    for (const auto& note : entry (11).notes)
        if (note.voiceId == 0)
            walk.push_back (note.startBeat);
    EXPECT_EQ (walk, (std::vector<double> { 0, 1, 2, 3 })) << "Walking Foundation walks in quarters";

    for (const auto& note : entry (37).notes)
    {
        if (note.voiceId == 0)
        {
            EXPECT_TRUE (fraction (note.startBeat) == 0.0 || fraction (note.startBeat) == 0.5 || fraction (note.startBeat) == 0.75)
                << "Palm-Mute Gallop gallops: eighth and two sixteenths";
        }
    }

    double chugEnd = 0.0;
    for (const auto& note : entry (35).notes)
        chugEnd = std::max (chugEnd, note.startBeat);
    EXPECT_GT (chugEnd, 4.0) << "Five-Step Chug fills all five beats";

    std::vector<double> arpeggio;
    for (const auto& note : entry (8).notes)
        arpeggio.push_back (note.startBeat);
    for (size_t i = 0; i < arpeggio.size(); ++i)
        EXPECT_EQ (arpeggio[i], 0.25 * (double) i) << "Orbiting Sixteenths is one note per sixteenth";
}

TEST (PerformanceDictionary, SharedListIsBuiltOnceAndMatchesAFreshBuild)
{
    const auto& first = builtInPerformances();
    EXPECT_EQ (&first, &builtInPerformances());

    const auto fresh = buildBuiltInPerformances();
    ASSERT_EQ (fresh.size(), first.size());
    for (size_t i = 0; i < fresh.size(); ++i)
    {
        EXPECT_EQ (fresh[i].name, first[i].name);
        EXPECT_EQ (fresh[i].notes.size(), first[i].notes.size());
    }
}

TEST (PerformanceDictionary, MakePerformanceAndAppendNumberNotesAcrossAppends)
{
    const PerformanceNoteRow first[] { { 0.0, 1.0, 1, 2, -1, 90, 0 } };
    const PerformanceNoteRow second[] { { 1.0, 0.5, 0, 7, 1, 70, 1 }, { 2.0, 0.5, 0, 3, 0, 60, 1 } };

    auto pattern = makePerformance ("Test", "Tests", 2, first, 6.0);
    appendPerformanceNotes (pattern, second);

    EXPECT_EQ (pattern.lengthBeats, 6.0);
    ASSERT_EQ (pattern.voices.size(), 2u);
    EXPECT_EQ (pattern.voices[1].name, "Voice 2");
    ASSERT_EQ (pattern.notes.size(), 3u);
    EXPECT_EQ (pattern.notes[2].id, "note-3");
    EXPECT_EQ (pattern.notes[1].target.basis, TargetBasis::scale);
    EXPECT_EQ (pattern.notes[1].target.index, 7);
    EXPECT_EQ (pattern.notes[0].target.basis, TargetBasis::chord);
    EXPECT_EQ (pattern.notes[0].octave, -1);
    EXPECT_TRUE (pattern.pedal.empty());
}
