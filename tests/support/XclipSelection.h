#pragma once

// The X CLIPBOARD owned by xclip, which serves bytes from a file until it is stopped (and sends
// large ones in parts, INCR, as other applications do).

#include <juce_core/juce_core.h>

#include <fstream>
#include <string>

namespace testing_support
{

class XclipSelection
{
public:
    /** Offers the bytes as UTF8_STRING (and what xclip adds), or as the one target given. */
    XclipSelection (const juce::File& folder, const std::string& bytes, const juce::String& target = {})
    {
        file = folder.getNonexistentChildFile ("clipboard", ".bin");
        std::ofstream (file.getFullPathName().toStdString(), std::ios::binary).write (bytes.data(), (std::streamsize) bytes.size());

        juce::StringArray command { "xclip", "-verbose", "-quiet", "-selection", "clipboard", "-i", file.getFullPathName() };
        if (target.isNotEmpty())
            command.addArray ({ "-t", target });

        if (! process.start (command, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
            return;

        // xclip says when it holds the selection; reading up to that line avoids a fixed wait.
        juce::String said;
        char c = 0;
        while (! said.contains ("Waiting for selection requests") && process.readProcessOutput (&c, 1) == 1)
            said += juce::String::charToString ((juce::juce_wchar) (juce::uint8) c);
        ready = said.contains ("Waiting for selection requests");
    }

    ~XclipSelection()
    {
        process.kill();
        process.waitForProcessToFinish (10000);
        file.deleteFile();
    }

    bool ready = false;

private:
    juce::File file;
    juce::ChildProcess process;
};

} // namespace testing_support
