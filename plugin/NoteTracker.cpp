#include "plugin/NoteTracker.h"

#include "model/PitchContext.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace VarneT
{
namespace
{
constexpr double mergeWindowBeats = 0.01;
constexpr double windowTolerance = 1e-9;
// Far below the window tolerance in samples at any usable tempo and rate (1e-9 beats is more than
// 1e-6 samples from 8 kHz up), so that it never moves an event across a span's end.
constexpr double wholeSampleTolerance = 1e-7;
constexpr int sustainController = 64;

std::uint8_t statusFor (int kind, int channel) noexcept
{
    return static_cast<std::uint8_t> (kind | std::clamp (channel - 1, 0, 15));
}

void addMessage (juce::MidiBuffer& buffer, std::uint8_t status, int data1, int data2, int sample) noexcept
{
    const std::uint8_t bytes[3] = { status, static_cast<std::uint8_t> (data1 & 0x7f), static_cast<std::uint8_t> (data2 & 0x7f) };
    buffer.addEvent (bytes, 3, sample);
}

void sendNoteOff (juce::MidiBuffer& buffer, int note, int channel, int sample) noexcept
{
    addMessage (buffer, statusFor (0x80, channel), note, 0, sample);
}

void sendPedal (juce::MidiBuffer& buffer, int value, int channel, int sample) noexcept
{
    addMessage (buffer, statusFor (0xb0, channel), sustainController, value, sample);
}

int dueSample (double endBeat, double spanStart, double spanEnd, int sampleCount, int baseOffset) noexcept
{
    return endBeat <= spanStart ? baseOffset : baseOffset + beatToSampleOffset (endBeat, spanStart, spanEnd, sampleCount);
}

/** std::nextafter towards +infinity, without the library call on the per-note path. */
double nextAbove (double beat) noexcept
{
    if (std::isnan (beat) || beat == std::numeric_limits<double>::infinity())
        return beat;

    if (beat == 0.0)
        return std::numeric_limits<double>::denorm_min();

    const auto bits = std::bit_cast<std::uint64_t> (beat);
    return std::bit_cast<double> (beat > 0.0 ? bits + 1 : bits - 1);
}

/** First event of a start-sorted list whose beat in the cycle is at or after spanStart, and the
    end of those before spanEnd; the same tests as a scan, so the same window. */
template <typename Event>
std::pair<const Event*, const Event*> eventWindow (const std::vector<Event>& events, double cycleStart, double spanStart, double windowEnd) noexcept
{
    const auto* begin = events.data();
    const auto* end = begin + events.size();

    const auto* first = std::partition_point (begin, end, [&] (const Event& e)
                                              { return ! (spanStart <= cycleStart + e.startBeat + windowTolerance); });
    const auto startsBeforeEnd = [&] (const Event& e) { return cycleStart + e.startBeat < windowEnd; };

    // Windows are short: gallop from the first event before searching.
    const auto* low = first;
    std::size_t step = 1;

    while (step <= static_cast<std::size_t> (end - low) && startsBeforeEnd (low[step - 1]))
    {
        low += step;
        step *= 2;
    }

    const auto* high = low + std::min (step, static_cast<std::size_t> (end - low));
    return { first, std::partition_point (low, high, startsBeforeEnd) };
}
} // namespace

int beatToSampleOffset (double beat, double spanStart, double spanEnd, int sampleCount) noexcept
{
    if (! (spanStart < spanEnd) || sampleCount < 2)
        return 0;

    const auto exact = sampleCount * (beat - spanStart) / (spanEnd - spanStart);
    auto position = std::floor (exact);

    // A beat on a whole sample may come out of the arithmetic a hair below it (159.99999...);
    // flooring would then place it one sample early.
    if (const auto whole = position + 1.0; whole - exact < wholeSampleTolerance)
        position = whole;

    if (! (position >= 0.0))
        return 0;

    return static_cast<int> (std::min (position, static_cast<double> (sampleCount - 1)));
}

bool noteSoundsInCycle (std::uint32_t hash, double probability, std::int64_t cycle) noexcept
{
    const auto k = static_cast<std::uint64_t> (cycle);
    const auto draw = scrambleDraw (static_cast<std::uint32_t> (k >> 32) ^ static_cast<std::uint32_t> (k) ^ hash);
    return static_cast<double> (draw) / 4294967295.0 <= probability;
}

void NoteTracker::activate (int index, int note, int channel, double startBeat, double endBeat) noexcept
{
    slots[static_cast<size_t> (index)] = { note, channel, startBeat, endBeat, true };
    activeSlots |= 1u << index;
    earliestEndBound = std::min (earliestEndBound, endBeat);
}

void NoteTracker::deactivate (int index) noexcept
{
    slots[static_cast<size_t> (index)].active = false;
    activeSlots &= ~(1u << index);
}

void NoteTracker::reset() noexcept
{
    slots.fill ({});
    activeSlots = 0;
    earliestEndBound = std::numeric_limits<double>::infinity();
    pedalChannel = 1;
    pedalEndBeat = 0.0;
    pedalDown = false;
}

void NoteTracker::releaseDueNotes (double spanStart, double spanEnd, double upTo, int sampleCount, juce::MidiBuffer& buffer, int baseOffset) noexcept
{
    if (! (earliestEndBound < upTo))
        return;

    auto earliestRemaining = std::numeric_limits<double>::infinity();

    for (auto remaining = activeSlots; remaining != 0; remaining &= remaining - 1)
    {
        const auto index = std::countr_zero (remaining);
        const auto& slot = slots[static_cast<size_t> (index)];

        if (slot.endBeat < upTo)
        {
            sendNoteOff (buffer, slot.note, slot.channel, dueSample (slot.endBeat, spanStart, spanEnd, sampleCount, baseOffset));
            deactivate (index);
        }
        else
        {
            earliestRemaining = std::min (earliestRemaining, slot.endBeat);
        }
    }

    earliestEndBound = earliestRemaining;
}

void NoteTracker::releaseDuePedal (double spanStart, double spanEnd, double upTo, int sampleCount, juce::MidiBuffer& buffer, int baseOffset) noexcept
{
    if (pedalDown && pedalEndBeat < upTo)
    {
        sendPedal (buffer, 0, pedalChannel, dueSample (pedalEndBeat, spanStart, spanEnd, sampleCount, baseOffset));
        pedalDown = false;
    }
}

void NoteTracker::noteOn (int note, int velocity, int channel, double startBeat, double endBeat, int sampleOffset, juce::MidiBuffer& buffer) noexcept
{
    for (auto remaining = activeSlots; remaining != 0; remaining &= remaining - 1)
    {
        const auto index = std::countr_zero (remaining);
        auto& slot = slots[static_cast<size_t> (index)];

        if (slot.note != note || slot.channel != channel)
            continue;

        // Two voices on one pitch a hair apart sound as one note.
        if (std::abs (slot.startBeat - startBeat) <= mergeWindowBeats)
        {
            slot.endBeat = std::max (slot.endBeat, endBeat);
            return;
        }

        sendNoteOff (buffer, slot.note, slot.channel, sampleOffset);
        deactivate (index);
    }

    int target = 0;

    if (activeSlots != ~0u)
    {
        target = std::countr_one (activeSlots);
    }
    else
    {
        target = static_cast<int> (std::min_element (slots.begin(), slots.end(), [] (const Slot& a, const Slot& b) { return a.endBeat < b.endBeat; })
                                   - slots.begin());
        const auto& stolen = slots[static_cast<size_t> (target)];
        sendNoteOff (buffer, stolen.note, stolen.channel, sampleOffset);
        deactivate (target);
    }

    addMessage (buffer, statusFor (0x90, channel), note, std::clamp (velocity, 0, 127), sampleOffset);
    activate (target, note, channel, startBeat, endBeat);
}

void NoteTracker::releaseAll (juce::MidiBuffer& buffer, int channel, int sampleOffset) noexcept
{
    for (auto remaining = activeSlots; remaining != 0; remaining &= remaining - 1)
    {
        const auto index = std::countr_zero (remaining);
        sendNoteOff (buffer, slots[static_cast<size_t> (index)].note, slots[static_cast<size_t> (index)].channel, sampleOffset);
        deactivate (index);
    }

    earliestEndBound = std::numeric_limits<double>::infinity();
    sendPedal (buffer, 0, pedalDown ? pedalChannel : channel, sampleOffset);
    pedalDown = false;
}

void NoteTracker::renderSection (const CompiledSection& section, double spanStart, double spanEnd, int sampleCount,
                                 const PitchContext& context, juce::MidiBuffer& buffer, int baseOffset) noexcept
{
    const auto length = section.lengthBeats;

    if (! (spanStart < spanEnd) || ! (length > 0.0) || sampleCount < 1)
        return;

    releaseDueNotes (spanStart, spanEnd, nextAbove (spanStart), sampleCount, buffer, baseOffset);
    releaseDuePedal (spanStart, spanEnd, nextAbove (spanStart), sampleCount, buffer, baseOffset);

    const auto windowEnd = spanEnd - windowTolerance;
    const auto firstCycle = std::floor (spanStart / length);
    const auto lastCycle = std::floor (windowEnd / length);

    // Cycle numbers must fit the draw's 64-bit counter; spans are normally within one pass.
    constexpr double cycleLimit = 9.0e15;

    if (std::abs (firstCycle) < cycleLimit && std::abs (lastCycle) < cycleLimit)
        for (auto cycle = static_cast<std::int64_t> (firstCycle); cycle <= static_cast<std::int64_t> (lastCycle); ++cycle)
            renderCycle (section, cycle, spanStart, spanEnd, sampleCount, context, buffer, baseOffset);

    // An end a hair before the span's end is on the next span's first sample, as beatToSampleOffset
    // places it: it is left to that span (or to the release at a pass end there).
    const auto releaseLimit = spanEnd - wholeSampleTolerance * (spanEnd - spanStart) / std::max (sampleCount, 1);
    releaseDueNotes (spanStart, spanEnd, releaseLimit, sampleCount, buffer, baseOffset);
    releaseDuePedal (spanStart, spanEnd, releaseLimit, sampleCount, buffer, baseOffset);
}

void NoteTracker::renderCycle (const CompiledSection& section, std::int64_t cycle, double spanStart, double spanEnd, int sampleCount,
                               const PitchContext& context, juce::MidiBuffer& buffer, int baseOffset) noexcept
{
    const auto cycleStart = static_cast<double> (cycle) * section.lengthBeats;
    const auto windowEnd = spanEnd - windowTolerance;

    const auto [firstNote, endNote] = eventWindow (section.notes, cycleStart, spanStart, windowEnd);

    for (const auto* note = firstNote; note != endNote; ++note)
    {
        if (! noteSoundsInCycle (note->hash, note->probability, cycle))
            continue;

        const auto pitch = resolveTargetPitch (note->target, note->octave, context);

        if (pitch < 0)
            continue;

        const auto start = cycleStart + note->startBeat;

        if (earliestEndBound <= start) // otherwise nothing ends at or before this start
            releaseDueNotes (spanStart, spanEnd, nextAbove (start), sampleCount, buffer, baseOffset);

        noteOn (pitch, note->velocity, section.midiChannel, start, start + note->durationBeats,
                baseOffset + beatToSampleOffset (start, spanStart, spanEnd, sampleCount), buffer);
    }

    const auto [firstPedal, endPedal] = eventWindow (section.pedalEvents, cycleStart, spanStart, windowEnd);

    for (const auto* pedal = firstPedal; pedal != endPedal; ++pedal)
    {
        const auto start = cycleStart + pedal->startBeat;
        releaseDuePedal (spanStart, spanEnd, nextAbove (start), sampleCount, buffer, baseOffset);

        const auto sample = baseOffset + beatToSampleOffset (start, spanStart, spanEnd, sampleCount);

        if (pedalDown)
            sendPedal (buffer, 0, pedalChannel, sample);

        sendPedal (buffer, pedal->value, section.midiChannel, sample);
        pedalChannel = section.midiChannel;
        pedalEndBeat = start + pedal->durationBeats;
        pedalDown = true;
    }
}

int NoteTracker::getActiveCount() const noexcept
{
    return std::popcount (activeSlots);
}

} // namespace VarneT
