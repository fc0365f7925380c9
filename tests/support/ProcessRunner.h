#pragma once

#include <juce_core/juce_core.h>

namespace testing_support
{

struct ProcessOutput
{
    int exitCode = -1;
    juce::String output; // standard output and standard error together
    bool finished = false;
};

/** Runs a program to its end (or the timeout) and collects what it printed. */
inline ProcessOutput runProcess (const juce::StringArray& command, int timeoutMs = 120000)
{
    ProcessOutput result;
    juce::ChildProcess process;

    if (! process.start (command, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
        return result;

    result.output = process.readAllProcessOutput();
    result.finished = process.waitForProcessToFinish (timeoutMs);

    if (! result.finished)
        process.kill();
    else
        result.exitCode = (int) process.getExitCode();

    return result;
}

} // namespace testing_support
