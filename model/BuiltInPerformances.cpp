#include "model/BuiltInPerformances.h"

#include "model/PerformancesInternal.h"

namespace VarneT
{

Pattern makePerformance (const juce::String& name,
                         const juce::String& category,
                         int voiceCount,
                         std::span<const PerformanceNoteRow> rows,
                         double lengthBeats)
{
    Pattern pattern;
    pattern.name = name;
    pattern.category = category;
    pattern.lengthBeats = lengthBeats;
    pattern.quantization = Quantization::sixteenth;
    pattern.repeatCount = 1;
    pattern.modifiers = PatternModifiers {};

    pattern.voices.reserve ((size_t) juce::jmax (0, voiceCount));
    for (int id = 0; id < voiceCount; ++id)
        pattern.voices.push_back ({ id, "Voice " + juce::String (id + 1) });

    appendPerformanceNotes (pattern, rows);
    return pattern;
}

void appendPerformanceNotes (Pattern& pattern, std::span<const PerformanceNoteRow> rows)
{
    pattern.notes.reserve (pattern.notes.size() + rows.size());

    for (const auto& row : rows)
    {
        NoteEvent note;
        note.id = "note-" + juce::String ((int) pattern.notes.size() + 1);
        note.startBeat = row.startBeat;
        note.durationBeats = row.durationBeats;
        note.voiceId = row.voiceId;
        note.velocity = row.velocity;
        note.octave = row.octave;
        note.chance = 1.0;
        note.importance = 0.5;
        note.target.basis = static_cast<TargetBasis> (row.basis);
        note.target.index = row.targetIndex;
        note.target.fixedMidiNote = 60;
        note.target.chromaticOffset = 0;
        pattern.notes.push_back (std::move (note));
    }
}

namespace performances
{
void nameVoices (Pattern& pattern, std::initializer_list<const char*> names)
{
    pattern.voices.clear();
    int id = 0;
    for (auto* name : names)
        pattern.voices.push_back ({ id++, juce::String::fromUTF8 (name) });
}

void addPedal (Pattern& pattern, double startBeat, double durationBeats, int value)
{
    PedalEvent event;
    event.id = "pedal-" + juce::String ((int) pattern.pedal.size() + 1);
    event.startBeat = startBeat;
    event.durationBeats = durationBeats;
    event.value = value;
    pattern.pedal.push_back (std::move (event));
}

void setNoteChance (Pattern& pattern, int noteNumber, double chance, double importance)
{
    auto& note = pattern.notes[(size_t) (noteNumber - 1)];
    note.chance = chance;
    note.importance = importance;
}
} // namespace performances

std::vector<Pattern> buildBuiltInPerformances()
{
    using namespace performances;

    std::vector<Pattern> list;
    list.reserve ((size_t) builtInPerformanceCount);

    for (auto* build : { heldCorners,       offbeatWindows,     pedalBloom,        cascadingThirds,
                         openFifthCurrent,  quietContrary,      lanternOstinato,   orbitingSixteenths,
                         rollingTensions,   grandCurrent,       walkingFoundation, splitHorizon,
                         rootRelay,         walkingLantern,     fifthPulse,        twoNoteBeacon,
                         risingReply,       highWindow,         offbeatNeon,       raveStaircase,
                         syncopatedGlass,   balladAnswer,       cinematicMemory,   fallingLight,
                         rainlitHome,       distantSummit,      turningSeasons,    spaceChop,
                         dubEcho,           bassReply,          eightfoldLift,     technoPrism,
                         stabEngine,        tresilloKeys,       fiveStepChug,      sevenEightRiff,
                         palmMuteGallop,    delayedSpark,       grainConstellation, ambientTails,
                         forestMemory,      verdantJourney,     sunkenRuins,       clockworkDream,
                         skyTemple,         moonlitVillage,     ancientMachine })
        list.push_back (build());

    return list;
}

const std::vector<Pattern>& builtInPerformances()
{
    static const std::vector<Pattern> list = buildBuiltInPerformances();
    return list;
}

} // namespace VarneT
