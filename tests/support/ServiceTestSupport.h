#pragma once

// Helpers for the service tests: a private HOME, the loopback HTTP server, polling.

#include "support/TemporaryHome.h"

#include <juce_core/juce_core.h>
#include <juce_events/juce_events.h>

#include <cstdlib>
#include <functional>

namespace service_test
{

/** Polls until the condition holds or the time runs out; pumps the message loop meanwhile. */
inline bool waitUntil (const std::function<bool()>& condition, int timeoutMs = 15000)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

    while (! condition())
    {
        if (juce::Time::getMillisecondCounter() > end)
            return false;

        if (auto* mm = juce::MessageManager::getInstanceWithoutCreating(); mm != nullptr && mm->isThisTheMessageThread())
            mm->runDispatchLoopUntil (10);
        else
            juce::Thread::sleep (10);
    }

    return true;
}

using TemporaryHome = testing_support::TemporaryHome;

/** Removes the lock file that JUCE's inter-process lock leaves in the system temporary folder. */
inline void removeInterProcessLockFile (const juce::String& lockName)
{
    for (auto* folder : { "/var/tmp", "/tmp" })
        juce::File (folder).getChildFile (lockName).deleteFile();
}

/** The Python loopback server of support/loopback_server.py, run as a child process. */
class LoopbackServer
{
public:
    /** Listens on a free port unless a fixed one is given. */
    explicit LoopbackServer (const juce::File& workFolder, const juce::String& hostToUse = "127.0.0.1", int fixedPort = 0)
        : host (hostToUse),
          folder (workFolder.getNonexistentChildFile ("server", {}, false))
    {
        folder.createDirectory();
        scriptFile = folder.getChildFile ("script.json");
        recordFile = folder.getChildFile ("requests.jsonl");
        portFile = folder.getChildFile ("port");
        scriptFile.replaceWithText ("{}");

        const juce::StringArray args { VARNET_PYTHON,
                                       juce::String (VARNET_SOURCE_DIR) + "/tests/support/loopback_server.py",
                                       "--script", scriptFile.getFullPathName(),
                                       "--record", recordFile.getFullPathName(),
                                       "--port-file", portFile.getFullPathName(),
                                       "--host", host,
                                       "--port", juce::String (fixedPort) };

        if (process.start (args, 0))
            waitUntil ([this] { return portFile.existsAsFile() || ! process.isRunning(); }, 15000);

        port = portFile.loadFileAsString().getIntValue();
    }

    ~LoopbackServer() { stop(); }

    void stop()
    {
        if (process.isRunning())
            process.kill();

        process.waitForProcessToFinish (5000);
    }

    bool isReady() const noexcept { return port > 0; }
    int getPort() const noexcept { return port; }
    juce::String baseUrl() const { return "http://" + host + ":" + juce::String (port); }

    /** Sets the answer for every path. */
    void answer (int status, const juce::String& body = {}, double stallSeconds = 0.0, int bodyBytes = 0,
                 double delaySeconds = 0.0)
    {
        auto* answerObject = new juce::DynamicObject();
        answerObject->setProperty ("status", status);
        answerObject->setProperty ("body", body);
        answerObject->setProperty ("stall", stallSeconds);
        answerObject->setProperty ("bodyBytes", bodyBytes);
        answerObject->setProperty ("delay", delaySeconds);

        auto* script = new juce::DynamicObject();
        script->setProperty ("default", juce::var (answerObject));

        const auto temporary = folder.getChildFile ("script.tmp");
        temporary.replaceWithText (juce::JSON::toString (juce::var (script)));
        temporary.moveFileTo (scriptFile);
    }

    juce::Array<juce::var> requests() const
    {
        juce::Array<juce::var> result;

        for (const auto& line : juce::StringArray::fromLines (recordFile.loadFileAsString()))
            if (line.isNotEmpty())
                result.add (juce::JSON::parse (line));

        return result;
    }

    bool waitForRequests (int count, int timeoutMs = 15000) const
    {
        return waitUntil ([&] { return requests().size() >= count; }, timeoutMs);
    }

    LoopbackServer (const LoopbackServer&) = delete;
    LoopbackServer& operator= (const LoopbackServer&) = delete;

private:
    juce::String host;
    juce::File folder, scriptFile, recordFile, portFile;
    juce::ChildProcess process;
    int port = 0;
};

/** A port on the loopback address that nothing listens on. */
inline int closedLoopbackPort()
{
    juce::StreamingSocket socket;

    if (! socket.createListener (0, "127.0.0.1"))
        return 9;

    const auto port = socket.getBoundPort();
    socket.close();
    return port;
}

} // namespace service_test
