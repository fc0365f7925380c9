#pragma once

// Building blocks shared by the files that hold the built-in performances' note tables.

#include "model/BuiltInPerformances.h"

#include <initializer_list>

namespace VarneT::performances
{

// Target bases as written in the note rows.
inline constexpr int ch = 0; // chord position
inline constexpr int sc = 1; // scale degree

using Rows = std::initializer_list<PerformanceNoteRow>;

/** The rows as an owning temporary, alive until the end of the statement that writes them. */
inline std::vector<PerformanceNoteRow> rows (Rows list)
{
    return list;
}

void nameVoices (Pattern&, std::initializer_list<const char*> names);
void addPedal (Pattern&, double startBeat, double durationBeats, int value);
/** Sets chance and importance of the note with the 1-based number. */
void setNoteChance (Pattern&, int noteNumber, double chance, double importance);

// Chord Rhythms
Pattern heldCorners();
Pattern offbeatWindows();
Pattern pedalBloom();
Pattern offbeatNeon();
Pattern raveStaircase();
Pattern syncopatedGlass();
Pattern spaceChop();
Pattern dubEcho();
Pattern bassReply();
Pattern tresilloKeys();

// Piano
Pattern cascadingThirds();
Pattern openFifthCurrent();
Pattern quietContrary();
Pattern grandCurrent();
Pattern walkingFoundation();
Pattern splitHorizon();
Pattern balladAnswer();
Pattern cinematicMemory();
Pattern fallingLight();
Pattern rainlitHome();
Pattern distantSummit();
Pattern turningSeasons();

// Ostinatos and Arpeggiators
Pattern lanternOstinato();
Pattern orbitingSixteenths();
Pattern rollingTensions();
Pattern eightfoldLift();
Pattern technoPrism();
Pattern stabEngine();

// Basslines and Melodies & Hooks
Pattern rootRelay();
Pattern walkingLantern();
Pattern fifthPulse();
Pattern twoNoteBeacon();
Pattern risingReply();
Pattern highWindow();

// Metal Guitar and Pads & Textures
Pattern fiveStepChug();
Pattern sevenEightRiff();
Pattern palmMuteGallop();
Pattern delayedSpark();
Pattern grainConstellation();
Pattern ambientTails();

// Game Atmospheres
Pattern forestMemory();
Pattern verdantJourney();
Pattern sunkenRuins();
Pattern clockworkDream();
Pattern skyTemple();
Pattern moonlitVillage();
Pattern ancientMachine();

} // namespace VarneT::performances
