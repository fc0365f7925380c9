#pragma once

// MIDI output as comparable rows, and checks shared by the playback tests in-process and through
// the built bundle.

#include "support/ProbeHost.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace testing_support
{

/** A note-on, note-off or controller as a comparable row. */
struct Row
{
    juce::int64 sample;
    char kind; // 'n' note-on, 'f' note-off, 'c' controller
    int number;
    int value;
    int channel = 1;

    bool operator== (const Row&) const = default;
};

inline std::vector<Row> rowsOf (const std::vector<probe::MidiEvent>& events)
{
    std::vector<Row> rows;
    for (const auto& e : events)
    {
        const auto& m = e.message;
        if (m.isNoteOn())
            rows.push_back ({ e.sample, 'n', m.getNoteNumber(), (int) m.getVelocity(), m.getChannel() });
        else if (m.isNoteOff())
            rows.push_back ({ e.sample, 'f', m.getNoteNumber(), 0, m.getChannel() });
        else if (m.isController())
            rows.push_back ({ e.sample, 'c', m.getControllerNumber(), m.getControllerValue(), m.getChannel() });
    }
    return rows;
}

inline std::string describe (const std::vector<Row>& rows, size_t limit = 60)
{
    std::string text;
    for (size_t i = 0; i < rows.size() && i < limit; ++i)
        text += std::to_string (rows[i].sample) + " " + rows[i].kind + " " + std::to_string (rows[i].number) + " "
                + std::to_string (rows[i].value) + (rows[i].channel != 1 ? " ch " + std::to_string (rows[i].channel) : "") + "\n";
    return text;
}

inline void PrintTo (const Row& row, std::ostream* out)
{
    *out << describe ({ row });
}

/** Note-ons and note-offs, without the controllers. */
inline std::vector<Row> notesOf (const std::vector<Row>& rows)
{
    std::vector<Row> result;
    for (const auto& r : rows)
        if (r.kind != 'c')
            result.push_back (r);
    return result;
}

inline std::vector<Row> noteOns (const std::vector<Row>& rows)
{
    std::vector<Row> result;
    for (const auto& r : rows)
        if (r.kind == 'n')
            result.push_back (r);
    return result;
}

/** The rows begin with the expected ones: same order and values, samples within a tolerance. */
inline void expectStartsWith (const std::vector<Row>& actual, const std::vector<Row>& expected, juce::int64 tolerance)
{
    ASSERT_GE (actual.size(), expected.size()) << describe (actual);
    for (size_t i = 0; i < expected.size(); ++i)
    {
        const auto& a = actual[i];
        const auto& e = expected[i];
        EXPECT_TRUE (std::abs (a.sample - e.sample) <= tolerance && a.kind == e.kind && a.number == e.number && a.value == e.value)
            << "row " << i << ": " << describe ({ a }) << "expected " << describe ({ e }) << "in\n" << describe (actual);
    }
}

/** Every note-on is ended on its channel (when allEnded) and never more than 32 notes sound at once. */
inline void expectBalanced (const std::vector<Row>& rows, bool allEnded = true)
{
    std::map<int, int> sounding; // by channel and note
    int total = 0, most = 0;
    for (const auto& r : rows)
    {
        if (r.kind == 'n')
        {
            ++sounding[r.channel * 128 + r.number];
            most = std::max (most, ++total);
        }
        else if (r.kind == 'f' && sounding[r.channel * 128 + r.number] > 0)
        {
            --sounding[r.channel * 128 + r.number];
            --total;
        }
    }

    EXPECT_LE (most, 32);
    if (allEnded)
    {
        EXPECT_EQ (total, 0) << "notes left sounding";
    }
}

/** Runs work on another thread and ends the program when it does not finish in time. */
template <typename Work>
void finishesWithin (std::chrono::seconds limit, Work&& work)
{
    auto done = std::async (std::launch::async, std::forward<Work> (work));
    if (done.wait_for (limit) != std::future_status::ready)
    {
        // A hung block cannot be stopped from outside.
        std::fprintf (stderr, "the plug-in's audio thread hung\n");
        std::_Exit (1);
    }
    done.get();
}

} // namespace testing_support
