#include "plugin/HeldNotes.h"

#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

using namespace VarneT;

namespace
{
InputEvent on (int note, int channel = 1) { return { 0, note, channel, InputEvent::noteOn }; }
InputEvent off (int note, int channel = 1) { return { 0, note, channel, InputEvent::noteOff }; }
InputEvent allOff (int channel) { return { 0, 0, channel, InputEvent::allNotesOff }; }

using Group = std::vector<InputEvent>;

bool applyGroup (HeldNoteState& state, const Group& group)
{
    return state.update (group.data(), group.data() + group.size());
}

std::vector<int> listed (const HeldNoteState& state)
{
    return { state.notes(), state.notes() + state.count() };
}

std::vector<int> range (int first, int count)
{
    std::vector<int> notes;
    for (int i = 0; i < count; ++i)
        notes.push_back (first + i);
    return notes;
}

Group onAll (const std::vector<int>& notes, int channel = 1)
{
    Group group;
    for (auto note : notes)
        group.push_back (on (note, channel));
    return group;
}
} // namespace

TEST (HeldNotes, GroupsAppliedInOrderGiveTheListedNotes)
{
    struct Case
    {
        const char* what;
        std::vector<Group> groups;
        std::vector<int> expected;
    };

    const Case cases[] = {
        { "a chord, in any order", { { on (67), on (60), on (64) } }, { 60, 64, 67 } },
        { "re-strike within one group", { { on (60) }, { off (60), on (60) } }, { 60 } },
        { "note-on and its own note-off in one group", { { on (60), off (60) } }, { 60 } },
        { "release in a later group", { { on (60), on (64) }, { off (60) } }, { 64 } },
        { "same note on two channels, released on one", { { on (60, 1), on (60, 2) }, { off (60, 1) } }, { 60 } },
        { "same note on two channels, released on both", { { on (60, 1), on (60, 2) }, { off (60, 1) }, { off (60, 2) } }, {} },
        { "note-off on the wrong channel", { { on (60, 1) }, { off (60, 2) } }, { 60 } },
        { "all-off on channel 3 only", { { on (60, 3), on (62, 3), on (64, 3), on (64, 1), on (67, 1) }, { allOff (3) } }, { 64, 67 } },
        { "all-off is applied before note-ons of its group", { { on (60, 3) }, { on (62, 3), allOff (3) } }, { 62 } },
        { "note-off without note-on", { { off (60) } }, {} },
        { "all-off on an idle channel", { { on (60, 1) }, { allOff (9) } }, { 60 } },
        { "channels and notes out of range", { { on (60, 0), on (60, 17), on (128), on (-1), off (60, 0), allOff (0) } }, {} },
        { "seventeen distinct notes: the last is left out", { onAll (range (48, 16)), { on (70) } }, range (48, 16) },
        { "a full list takes no lower note", { onAll (range (60, 16)), { on (40) } }, range (60, 16) },
        { "releasing the left-out note changes nothing", { onAll (range (48, 16)), { on (70) }, { off (70) } }, range (48, 16) },
        { "room again after a release", { onAll (range (48, 16)), { off (48) }, { on (70) } }, [] { auto v = range (49, 15); v.push_back (70); return v; }() },
    };

    for (const auto& c : cases)
    {
        HeldNoteState state;
        for (const auto& group : c.groups)
            applyGroup (state, group);

        EXPECT_EQ (listed (state), c.expected) << c.what;
        EXPECT_EQ (state.getHeldNoteCount(), static_cast<int> (c.expected.size())) << c.what;
    }
}

TEST (HeldNotes, ReportsWhetherTheListChanged)
{
    HeldNoteState state;
    EXPECT_TRUE (applyGroup (state, { on (60) }));
    EXPECT_FALSE (applyGroup (state, { on (60) })) << "already held";
    EXPECT_FALSE (applyGroup (state, { on (60, 2) })) << "held elsewhere";
    EXPECT_FALSE (applyGroup (state, { off (60, 2) }));
    EXPECT_FALSE (applyGroup (state, { off (61) }));
    EXPECT_TRUE (applyGroup (state, { off (60) }));
}

TEST (HeldNotes, DisplayValuesFollowTheList)
{
    HeldNoteState state;
    applyGroup (state, { on (69), on (48), on (76), on (60) });
    EXPECT_EQ (state.getHeldPitchClassMask(), (1 << 9) | (1 << 0) | (1 << 4));
    EXPECT_EQ (state.getHeldBassPitchClass(), 0);
    EXPECT_EQ (state.getHeldNoteCount(), 4);

    applyGroup (state, { off (48), off (60) });
    EXPECT_EQ (state.getHeldPitchClassMask(), (1 << 9) | (1 << 4));
    EXPECT_EQ (state.getHeldBassPitchClass(), 9);

    applyGroup (state, { allOff (1) });
    EXPECT_EQ (state.getHeldPitchClassMask(), 0);
    EXPECT_EQ (state.getHeldBassPitchClass(), 0);
    EXPECT_EQ (state.getHeldNoteCount(), 0);
}

TEST (HeldNotes, EraseHeldNote)
{
    HeldNoteList list;
    list.notes = { 40, 52, 64 };
    list.count = 3;

    EXPECT_FALSE (eraseHeldNote (list, 41));
    EXPECT_EQ (list.count, 3);
    EXPECT_TRUE (eraseHeldNote (list, 40));
    EXPECT_EQ (list.count, 2);
    EXPECT_EQ (list.notes[0], 52);
    EXPECT_EQ (list.notes[1], 64);
    EXPECT_TRUE (eraseHeldNote (list, 64));
    EXPECT_FALSE (eraseHeldNote (list, 64));
    EXPECT_EQ (list.count, 1);
}

TEST (HeldNotes, RandomInputKeepsTheStateConsistent)
{
    std::mt19937 random (1234);

    for (const auto narrowRange : { true, false })
    {
        HeldNoteState state;
        // With at most 16 distinct notes in play the list must be exactly the notes flagged anywhere.
        std::uniform_int_distribution<int> noteDist (narrowRange ? 55 : -3, narrowRange ? 70 : 130);
        std::uniform_int_distribution<int> channelDist (-1, 18);
        std::uniform_int_distribution<int> kindDist (0, 12);
        std::uniform_int_distribution<int> sizeDist (1, 8);

        for (int groupIndex = 0; groupIndex < 5000; ++groupIndex)
        {
            Group group;
            for (int i = sizeDist (random); i > 0; --i)
            {
                const auto kind = kindDist (random);
                group.push_back ({ 0, noteDist (random), channelDist (random),
                                   kind == 0 ? InputEvent::allNotesOff : kind < 6 ? InputEvent::noteOff : InputEvent::noteOn });
            }
            applyGroup (state, group);

            const auto notes = listed (state);
            ASSERT_LE (notes.size(), 16u);
            for (size_t i = 1; i < notes.size(); ++i)
                ASSERT_LT (notes[i - 1], notes[i]);
            for (auto note : notes)
                ASSERT_TRUE (isNoteHeldOnAnyChannel (state.getHeldNoteFlags(), note)) << note;

            std::uint16_t mask = 0;
            for (auto note : notes)
                mask = static_cast<std::uint16_t> (mask | 1 << (note % 12));
            ASSERT_EQ (state.getHeldPitchClassMask(), mask);
            ASSERT_EQ (state.getHeldNoteCount(), static_cast<int> (notes.size()));
            ASSERT_EQ (state.getHeldBassPitchClass(), notes.empty() ? 0 : notes.front() % 12);

            if (narrowRange)
            {
                for (int note = 0; note < 128; ++note)
                {
                    ASSERT_EQ (isNoteHeldOnAnyChannel (state.getHeldNoteFlags(), note),
                               std::find (notes.begin(), notes.end(), note) != notes.end()) << note;
                }
            }
        }
    }
}

TEST (HeldNotes, UpdatesDoNotAllocate)
{
    HeldNoteState state;
    std::vector<InputEvent> events;
    for (int note = 40; note < 80; ++note)
        events.push_back (on (note, note % 3 + 1));
    for (int note = 40; note < 80; note += 2)
        events.push_back (off (note, note % 3 + 1));
    events.push_back (allOff (2));

    testing_support::AllocationCounter counter;
    for (int round = 0; round < 100; ++round)
        for (const auto& event : events)
            state.update (&event, &event + 1);

    EXPECT_EQ (counter.allocations(), 0u);
    EXPECT_EQ (counter.frees(), 0u);
}

TEST (HeldChordName, NamingTable)
{
    struct Case { std::vector<int> notes; const char* expected; };
    const Case cases[] = {
        { {}, "" },
        { { 60, 64, 67 }, "C" },
        { { 58, 60, 64, 67 }, "C7/A#" },
        { { 60, 64, 67, 71 }, "Cmaj7" },
        { { 60, 63, 66 }, "Cdim" },
        { { 60, 63, 66, 69 }, "Cdim7" },
        { { 60, 62, 64, 67 }, "Csus2" }, // row 9 comes before the plain major
        { { 60, 65, 67 }, "Csus4" },
        { { 60, 67 }, "C5" },
        { { 60 }, "C" },
        { { 60, 64, 68 }, "Caug" },
        { { 52, 60, 67 }, "C/E" },
        { { 57, 60, 64 }, "Am" },
        { { 50, 53, 57, 60 }, "Dm7" },
        { { 47, 50, 53, 57 }, "Bm7b5" },
        { { 54, 58, 61 }, "F#" },
    };

    for (const auto& c : cases)
    {
        HeldNoteState state;
        applyGroup (state, onAll (c.notes));
        EXPECT_EQ (state.getHeldChordName(), c.expected);
    }
}

TEST (HeldChordName, DisplayNameFallsBackToThePreviewChord)
{
    HeldNoteState state;
    EXPECT_EQ (state.getDisplayChordName ("Cmaj7"), "Cmaj7");
    applyGroup (state, { on (57), on (60), on (64) });
    EXPECT_EQ (state.getDisplayChordName ("Cmaj7"), "Am");
}
