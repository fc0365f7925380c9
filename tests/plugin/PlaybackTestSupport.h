#pragma once

#include "ProbeHost.h"
#include "model/BuiltInPerformances.h"
#include "model/DefaultProject.h"
#include "plugin/PluginProcessor.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <map>

namespace playback_test
{

/** A note-on, note-off or controller as a comparable row. */
struct Row
{
    juce::int64 sample;
    char kind; // 'n' note-on, 'f' note-off, 'c' controller
    int number;
    int value;

    bool operator== (const Row&) const = default;
};

inline std::vector<Row> rowsOf (const std::vector<probe::MidiEvent>& events)
{
    std::vector<Row> rows;
    for (const auto& e : events)
    {
        const auto& m = e.message;
        if (m.isNoteOn())
            rows.push_back ({ e.sample, 'n', m.getNoteNumber(), (int) m.getVelocity() });
        else if (m.isNoteOff())
            rows.push_back ({ e.sample, 'f', m.getNoteNumber(), 0 });
        else if (m.isController())
            rows.push_back ({ e.sample, 'c', m.getControllerNumber(), m.getControllerValue() });
    }
    return rows;
}

inline std::string describe (const std::vector<Row>& rows)
{
    std::string text;
    for (const auto& r : rows)
        text += std::to_string (r.sample) + " " + r.kind + " " + std::to_string (r.number) + " " + std::to_string (r.value) + "\n";
    return text;
}

inline std::vector<Row> noteOns (const std::vector<Row>& rows)
{
    std::vector<Row> result;
    for (const auto& r : rows)
        if (r.kind == 'n')
            result.push_back (r);
    return result;
}

/** Checks that every note-on is ended and that no more than 32 notes sound at once. */
inline void expectBalanced (const std::vector<Row>& rows, bool allEnded = true)
{
    std::map<int, int> sounding;
    int total = 0;
    for (const auto& r : rows)
    {
        if (r.kind == 'n')
        {
            ++sounding[r.number];
            ++total;
            EXPECT_LE (total, 32) << "at sample " << r.sample;
        }
        else if (r.kind == 'f' && sounding[r.number] > 0)
        {
            --sounding[r.number];
            --total;
        }
    }

    if (allEnded)
    {
        EXPECT_EQ (total, 0) << "notes left sounding";
    }
}

/** A project of one Section holding the given performance, from the chord input. */
inline VarneT::Project chordInputProject (int performanceIndex)
{
    auto project = VarneT::makeDefaultProject();
    project.pitchSource = VarneT::PitchSource::chordInput;
    project.sections[0].sequence[0] = VarneT::builtInPerformances()[(size_t) performanceIndex];
    return project;
}

/** Runs work on another thread and fails when it does not finish in time. */
template <typename Work>
void finishesWithin (std::chrono::seconds limit, Work&& work)
{
    auto done = std::async (std::launch::async, std::forward<Work> (work));
    if (done.wait_for (limit) != std::future_status::ready)
    {
        // A hung block cannot be stopped from outside: fail the whole program.
        std::fprintf (stderr, "the audio thread hung\n");
        std::_Exit (1);
    }
    done.get();
}

} // namespace playback_test
