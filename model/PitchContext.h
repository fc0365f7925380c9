#pragma once

#include "model/ChordSymbols.h"
#include "model/Project.h"

namespace VarneT
{

inline constexpr int maxPitchContextNotes = 16;

/** The note tables that note targets are resolved against; a fixed-size value. */
struct PitchContext
{
    int referenceNote = 60;
    int chordNotes[maxPitchContextNotes] {};
    int chordCount = 0;
    int scaleNotes[maxPitchContextNotes] {};
    int scaleCount = 0;
    int inputNotes[maxPitchContextNotes] {};
    int inputCount = 0;
};

// None of these allocate, lock or fail; they may run on the audio thread.

void fillScaleNotes (PitchContext& context, int startNote, const ProjectScale& scale, bool fill16) noexcept;

PitchContext pitchContextFromScale (const ProjectScale& scale) noexcept;
PitchContext pitchContextFromChord (const ParsedChord& chord, const ProjectScale& scale) noexcept;
PitchContext pitchContextFromChord (const ChordSymbolView& chord, const ProjectScale& scale) noexcept;

/** The likeliest root pitch class of the notes; the first note counts as the lowest. */
int guessChordRoot (const int* notes, int count) noexcept;

/** Notes in ascending order; more than 16 are cut to the first 16. */
PitchContext pitchContextFromHeldNotes (const int* notes, int count, const ProjectScale& scale) noexcept;

/** The context playback uses: the scale, else the held notes, else the preview chord when
    auditioning, else the empty context. */
PitchContext pitchContextForProject (const Project& project, const int* heldNotes, int heldCount,
                                     bool auditionEnabled) noexcept;

/** MIDI note 0..127, or -1 when the target's table is empty. */
int resolveTargetPitch (const NoteTarget& target, int octave, const PitchContext& context) noexcept;

} // namespace VarneT
