#pragma once

#include "support/ProcessRunner.h"

#include <gtest/gtest.h>

#ifndef VARNET_PYTHON
 #error "VARNET_PYTHON names the Python that imports mido (set by the test build)"
#endif

namespace testing_support
{

/** What Debian's python3-mido reads from a MIDI file (see midi_summary.py), into summary. Use it
    as ASSERT_TRUE (readWithMido (file, summary)): a failure carries the reader's own output and
    leaves summary void, so that nothing reads a summary that is not there. */
inline ::testing::AssertionResult readWithMido (const juce::File& file, juce::var& summary)
{
    summary = juce::var();
    const auto script = juce::File (VARNET_SOURCE_DIR).getChildFile ("tests/support/midi_summary.py");
    const auto run = runProcess ({ VARNET_PYTHON, script.getFullPathName(), file.getFullPathName() });
    const auto parsed = run.exitCode == 0 ? juce::JSON::parse (run.output) : juce::var();

    if (parsed.getDynamicObject() == nullptr || parsed["events"].getArray() == nullptr)
        return ::testing::AssertionFailure() << "python3-mido (" << VARNET_PYTHON << ") could not read "
                                             << file.getFullPathName() << ", exit code " << run.exitCode << ":\n"
                                             << run.output;

    summary = parsed;
    return ::testing::AssertionSuccess();
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
