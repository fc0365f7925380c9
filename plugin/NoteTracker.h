#pragma once

#include "plugin/ProjectCompiler.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <cstdint>
#include <limits>

namespace VarneT
{

struct PitchContext;

/** Sample of a beat within a span [spanStart, spanEnd) of sampleCount samples; a beat less than a
    ten-millionth of a sample before a whole sample is on that sample. */
int beatToSampleOffset (double beat, double spanStart, double spanEnd, int sampleCount) noexcept;

/** The per-pass chance draw: whether a note with this hash and probability sounds in cycle k. */
bool noteSoundsInCycle (std::uint32_t hash, double probability, std::int64_t cycle) noexcept;

/** What the plug-in has switched on at the instrument: 32 note slots and the sustain pedal.
    Every generated note-on, note-off and pedal message passes through it. Audio thread only,
    except reset while the host does not process. Never allocates. */
class NoteTracker
{
public:
    static constexpr int slotCount = 32;

    struct Slot
    {
        int note = -1;
        int channel = 1;
        double startBeat = 0.0;
        double endBeat = 0.0;
        bool active = false;
    };

    /** Forgets every note and the pedal without sending anything. */
    void reset() noexcept;

    /** Note-offs for the active notes that end below upTo, placed within the span. */
    void releaseDueNotes (double spanStart, double spanEnd, double upTo, int sampleCount, juce::MidiBuffer&, int baseOffset) noexcept;

    /** Pedal up when it is due below upTo, placed like a due note-off. */
    void releaseDuePedal (double spanStart, double spanEnd, double upTo, int sampleCount, juce::MidiBuffer&, int baseOffset) noexcept;

    /** Merges into, re-triggers or steals a slot, then sends the note-on. */
    void noteOn (int note, int velocity, int channel, double startBeat, double endBeat, int sampleOffset, juce::MidiBuffer&) noexcept;

    /** Note-offs for every sounding note, then always a pedal-up. */
    void releaseAll (juce::MidiBuffer&, int channel, int sampleOffset) noexcept;

    /** Plays the events of the Section that start in [spanStart, spanEnd) into the buffer at
        baseOffset onwards. The Section's lists must be sorted by start. */
    void renderSection (const CompiledSection&, double spanStart, double spanEnd, int sampleCount,
                        const PitchContext&, juce::MidiBuffer&, int baseOffset) noexcept;

    int getActiveCount() const noexcept;
    const std::array<Slot, slotCount>& getSlots() const noexcept { return slots; }

    int pedalChannel = 1;
    double pedalEndBeat = 0.0;
    bool pedalDown = false;

private:
    void activate (int index, int note, int channel, double startBeat, double endBeat) noexcept;
    void deactivate (int index) noexcept;

    std::array<Slot, slotCount> slots {};
    // Bit i mirrors slots[i].active, so that scans visit only sounding notes.
    std::uint32_t activeSlots = 0;
    // Never above the earliest end of a sounding note: a release below it has nothing to do.
    double earliestEndBound = std::numeric_limits<double>::infinity();

    void renderCycle (const CompiledSection&, std::int64_t cycle, double spanStart, double spanEnd, int sampleCount,
                      const PitchContext&, juce::MidiBuffer&, int baseOffset) noexcept;
};

} // namespace VarneT
