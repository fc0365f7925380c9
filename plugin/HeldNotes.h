#pragma once

#include "model/JuceCore.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace VarneT
{

/** One captured MIDI input message of the current block. */
struct InputEvent
{
    enum Kind : int
    {
        allNotesOff = 0, // all notes off or all sound off
        noteOff = 1,
        noteOn = 2
    };

    int sampleOffset = 0;
    int note = 0;
    int channel = 1;
    int kind = noteOff;
};

inline constexpr int maxHeldNotes = 16;
inline constexpr int inputChannelCount = 16;

/** Distinct held MIDI notes, strictly ascending. */
struct HeldNoteList
{
    std::array<int, maxHeldNotes> notes {};
    int count = 0;
};

/** [channel - 1][note]: the note is held on that input channel. */
using HeldNoteFlags = std::array<std::array<bool, 128>, inputChannelCount>;

/** Removes the note from the ascending list when it is listed; true when it was. */
bool eraseHeldNote (HeldNoteList&, int note) noexcept;

bool isNoteHeldOnAnyChannel (const HeldNoteFlags&, int note) noexcept;

/** Name of the chord made by the pitch classes of the mask (bit 0 = C), e.g. "Am7/G"; empty for
    an empty mask. */
juce::String nameHeldChord (std::uint16_t pitchClassMask, int bassPitchClass);

/** The chord held on the MIDI input. The audio thread applies input groups and reads the list;
    the message thread reads only the three display values, which are relaxed atomics: a name may
    mix values of two blocks, which is harmless for display. */
class HeldNoteState
{
public:
    /** Applies [first, end) as one chord change: all-offs, then note-offs, then note-ons.
        Returns true when the list changed. Audio thread. */
    bool update (const InputEvent* first, const InputEvent* end) noexcept;

    /** The listed notes, ascending, for building a pitch context. Audio thread. */
    const int* notes() const noexcept { return heldNotes.notes.data(); }
    int count() const noexcept { return heldNotes.count; }
    bool anyHeld() const noexcept { return heldNotes.count > 0; }

    const HeldNoteList& getHeldNotes() const noexcept { return heldNotes; }
    const HeldNoteFlags& getHeldNoteFlags() const noexcept { return heldNoteFlags; }

    // Display values, any thread.
    int getHeldNoteCount() const noexcept { return heldNoteCount.load (std::memory_order_relaxed); }
    std::uint16_t getHeldPitchClassMask() const noexcept { return heldPitchClassMask.load (std::memory_order_relaxed); }
    int getHeldBassPitchClass() const noexcept { return heldBassPitchClass.load (std::memory_order_relaxed); }

    /** Name of the held chord, empty when nothing is held. Message thread. */
    juce::String getHeldChordName() const;

    /** The held chord's name, or the given preview chord text when nothing is held. */
    juce::String getDisplayChordName (const juce::String& previewChord) const;

private:
    void publishDisplayValues() noexcept;

    HeldNoteList heldNotes;
    HeldNoteFlags heldNoteFlags {};
    std::atomic<int> heldNoteCount { 0 };
    std::atomic<std::uint16_t> heldPitchClassMask { 0 };
    std::atomic<int> heldBassPitchClass { 0 };
};

} // namespace VarneT
