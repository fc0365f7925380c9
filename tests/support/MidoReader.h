#pragma once

#include "support/ProcessRunner.h"

#include <gtest/gtest.h>

#ifndef VARNET_PYTHON
 #define VARNET_PYTHON "/usr/bin/python3"
#endif

namespace testing_support
{

/** What Debian's python3-mido reads from a MIDI file (see midi_summary.py); void on failure. */
inline juce::var readWithMido (const juce::File& file)
{
    const auto script = juce::File (VARNET_SOURCE_DIR).getChildFile ("tests/support/midi_summary.py");
    const auto run = runProcess ({ VARNET_PYTHON, script.getFullPathName(), file.getFullPathName() });
    EXPECT_EQ (run.exitCode, 0) << run.output;
    return juce::JSON::parse (run.output);
}

/** The reader's events of one type, as "tick:note" or "tick:control=value" texts. */
inline juce::StringArray midoEvents (const juce::var& summary, const juce::String& type)
{
    juce::StringArray rows;

    if (auto* events = summary["events"].getArray())
        for (const auto& e : *events)
            if (e["type"].toString() == type)
                rows.add (e["tick"].toString() + ":"
                          + (type == "control_change" ? e["control"].toString() + "=" + e["value"].toString()
                                                      : e["note"].toString()));

    return rows;
}

} // namespace testing_support
