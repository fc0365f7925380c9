#include "plugin/HeldNotes.h"

#include "model/PitchContext.h"

#include <algorithm>

namespace VarneT
{
namespace
{
constexpr const char* pitchClassNames[12] = { "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B" };

bool isValidChannel (int channel) noexcept { return channel >= 1 && channel <= inputChannelCount; }
bool isValidNote (int note) noexcept { return note >= 0 && note < 128; }

void insertHeldNote (HeldNoteList& list, int note) noexcept
{
    auto* begin = list.notes.data();
    auto* end = begin + list.count;
    auto* place = std::lower_bound (begin, end, note);

    if ((place != end && *place == note) || list.count >= maxHeldNotes)
        return;

    std::move_backward (place, end, end + 1);
    *place = note;
    ++list.count;
}

constexpr int intervals (std::initializer_list<int> list)
{
    int bits = 0;
    for (auto interval : list)
        bits |= 1 << interval;
    return bits;
}

struct QualityRow
{
    int present;
    int absent;
    const char* quality;
};

constexpr QualityRow qualityRows[] = {
    { intervals ({ 3, 6, 9 }), 0, "dim7" },
    { intervals ({ 3, 6, 10 }), 0, "m7b5" },
    { intervals ({ 4, 7, 11 }), 0, "maj7" },
    { intervals ({ 4, 7, 10 }), 0, "7" },
    { intervals ({ 3, 7, 10 }), 0, "m7" },
    { intervals ({ 4, 8 }), 0, "aug" },
    { intervals ({ 3, 6 }), 0, "dim" },
    { intervals ({ 3, 7 }), 0, "m" },
    { intervals ({ 2, 7 }), 0, "sus2" },
    { intervals ({ 5, 7 }), 0, "sus4" },
    { intervals ({ 7 }), intervals ({ 3, 4 }), "5" },
};

const char* qualityOf (std::uint16_t mask, int root)
{
    // Intervals above the root: the mask rotated so that the root is bit 0.
    const int aboveRoot = ((mask >> root) | (mask << (12 - root))) & 0x0fff;

    for (const auto& row : qualityRows)
        if ((aboveRoot & row.present) == row.present && (aboveRoot & row.absent) == 0)
            return row.quality;

    return "";
}
} // namespace

bool eraseHeldNote (HeldNoteList& list, int note) noexcept
{
    auto* begin = list.notes.data();
    auto* end = begin + list.count;
    auto* place = std::lower_bound (begin, end, note);

    if (place == end || *place != note)
        return false;

    std::move (place + 1, end, place);
    --list.count;
    list.notes[static_cast<size_t> (list.count)] = 0;
    return true;
}

bool isNoteHeldOnAnyChannel (const HeldNoteFlags& flags, int note) noexcept
{
    if (! isValidNote (note))
        return false;

    return std::any_of (flags.begin(), flags.end(), [note] (const auto& channel) { return channel[static_cast<size_t> (note)]; });
}

juce::String nameHeldChord (std::uint16_t pitchClassMask, int bassPitchClass)
{
    pitchClassMask &= 0x0fff;

    if (pitchClassMask == 0)
        return {};

    bassPitchClass = ((bassPitchClass % 12) + 12) % 12;

    // Bass first: the root guess breaks ties in favour of earlier notes.
    int pitchClasses[12];
    int count = 0;

    if ((pitchClassMask >> bassPitchClass & 1) != 0)
        pitchClasses[count++] = bassPitchClass;

    for (int pc = 0; pc < 12; ++pc)
        if (pc != bassPitchClass && (pitchClassMask >> pc & 1) != 0)
            pitchClasses[count++] = pc;

    const auto root = guessChordRoot (pitchClasses, count);

    juce::String name (pitchClassNames[root]);
    name << qualityOf (pitchClassMask, root);

    if (bassPitchClass != root)
        name << "/" << pitchClassNames[bassPitchClass];

    return name;
}

bool HeldNoteState::update (const InputEvent* first, const InputEvent* end) noexcept
{
    bool changed = false;

    const auto release = [this, &changed] (int channel, int note)
    {
        heldNoteFlags[static_cast<size_t> (channel - 1)][static_cast<size_t> (note)] = false;

        if (! isNoteHeldOnAnyChannel (heldNoteFlags, note))
            changed = eraseHeldNote (heldNotes, note) || changed;
    };

    for (auto* event = first; event != end; ++event)
        if (event->kind == InputEvent::allNotesOff && isValidChannel (event->channel))
            for (int note = 0; note < 128; ++note)
                if (heldNoteFlags[static_cast<size_t> (event->channel - 1)][static_cast<size_t> (note)])
                    release (event->channel, note);

    for (auto* event = first; event != end; ++event)
        if (event->kind == InputEvent::noteOff && isValidChannel (event->channel) && isValidNote (event->note)
            && heldNoteFlags[static_cast<size_t> (event->channel - 1)][static_cast<size_t> (event->note)])
            release (event->channel, event->note);

    for (auto* event = first; event != end; ++event)
    {
        if (event->kind != InputEvent::noteOn || ! isValidChannel (event->channel) || ! isValidNote (event->note))
            continue;

        auto& flag = heldNoteFlags[static_cast<size_t> (event->channel - 1)][static_cast<size_t> (event->note)];

        if (flag)
            continue;

        const auto heldElsewhere = isNoteHeldOnAnyChannel (heldNoteFlags, event->note);
        flag = true;

        if (! heldElsewhere)
        {
            const auto before = heldNotes.count;
            insertHeldNote (heldNotes, event->note);
            changed = changed || heldNotes.count != before;
        }
    }

    if (changed)
        publishDisplayValues();

    return changed;
}

void HeldNoteState::publishDisplayValues() noexcept
{
    std::uint16_t mask = 0;

    for (int i = 0; i < heldNotes.count; ++i)
        mask = static_cast<std::uint16_t> (mask | (1u << (heldNotes.notes[static_cast<size_t> (i)] % 12)));

    heldNoteCount.store (heldNotes.count, std::memory_order_relaxed);
    heldPitchClassMask.store (mask, std::memory_order_relaxed);
    heldBassPitchClass.store (heldNotes.count > 0 ? heldNotes.notes[0] % 12 : 0, std::memory_order_relaxed);
}

juce::String HeldNoteState::getHeldChordName() const
{
    return nameHeldChord (getHeldPitchClassMask(), getHeldBassPitchClass());
}

juce::String HeldNoteState::getDisplayChordName (const juce::String& previewChord) const
{
    auto name = getHeldChordName();
    return name.isNotEmpty() ? name : previewChord;
}

} // namespace VarneT
