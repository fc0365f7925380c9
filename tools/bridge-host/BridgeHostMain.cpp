// A small host for the MCP bridge: a fake project store on a real message loop, steered by command
// files so that tests can provoke failures, edit the project "in the editor" and move the clock.
//
//   varnet-bridge-host --control DIR [--project-bytes N]
//
// Prints "READY <instance id> <instance folder>" once the bridge runs. Command files "*.json" in the
// control folder are executed in name order; each gets "<name>.result" beside it. SIGTERM or the
// "quit" command shut down cleanly (the bridge removes its folder).

#include "kit/McpJson.h"
#include "kit/McpPluginBridge.h"
#include "support/FakeProjectStore.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <vector>

namespace
{
std::atomic<bool> terminationRequested { false };

void onTerminate (int) { terminationRequested = true; }

/** Measures the message-thread time of every poll tick. */
class TimedBridge final : public tolmek::McpPluginBridge
{
public:
    using McpPluginBridge::McpPluginBridge;

    void timerCallback() override
    {
        const auto start = juce::Time::getHighResolutionTicks();
        McpPluginBridge::timerCallback();
        const auto micros = juce::Time::highResolutionTicksToSeconds (juce::Time::getHighResolutionTicks() - start) * 1.0e6;

        if (tickMicros.size() < tickMicros.capacity())
            tickMicros.push_back ((float) micros);
    }

    std::vector<float> tickMicros = reserved();

private:
    static std::vector<float> reserved()
    {
        std::vector<float> v;
        v.reserve (1 << 20);
        return v;
    }
};

class BridgeHost final : private juce::Timer
{
public:
    BridgeHost (juce::File controlFolderToUse, juce::int64 projectBytes) : controlFolder (std::move (controlFolderToUse))
    {
        store.product = "Bridge Host";
        store.pluginVersion = "0.0.1";
        store.sectionCount = 1;
        store.project = bridge_fake::makeProject ("Host project", 1, projectBytes);
        controlFolder.createDirectory();

        bridge = std::make_unique<TimedBridge> (store.callbacks(), tolmek::McpPluginBridge::Environment {
                                                                       {}, [this] { return juce::Time::currentTimeMillis() + clockOffsetMs; }, {} });
        startTimer (20);
    }

    tolmek::McpPluginBridge& getBridge() { return *bridge; }

    void shutDown()
    {
        stopTimer();
        bridge.reset();
    }

private:
    void timerCallback() override
    {
        if (terminationRequested)
        {
            juce::MessageManager::getInstance()->stopDispatchLoop();
            return;
        }

        auto commands = controlFolder.findChildFiles (juce::File::findFiles, false, "*.json");
        std::sort (commands.begin(), commands.end());

        for (const auto& file : commands)
        {
            const auto result = execute (juce::JSON::parse (file.loadFileAsString()));
            const auto resultFile = file.withFileExtension (".result");
            const auto staged = resultFile.withFileExtension (".staged");
            staged.replaceWithText (juce::JSON::toString (result));
            staged.moveFileTo (resultFile);
            file.deleteFile();
        }
    }

    juce::var execute (const juce::var& command)
    {
        juce::DynamicObject::Ptr result (new juce::DynamicObject());
        result->setProperty ("ok", true);
        const auto name = command["command"].toString();

        if (name == "edit")
        {
            // An edit made in the editor: outside the bridge, no undo.
            store.project = store.project.clone();

            if (command["project"].isObject())
                store.project = command["project"].clone();
            else
                store.project.getDynamicObject()->setProperty ("name", command["name"]);
        }
        else if (name == "advanceClock")
        {
            clockOffsetMs += (juce::int64) command["ms"];
        }
        else if (name == "configure")
        {
            auto flag = [&command] (const char* key, bool& target)
            {
                if (command.hasProperty (key))
                    target = (bool) command[key];
            };

            flag ("applyFails", store.applyFails);
            flag ("applyChangesThenFails", store.applyChangesThenFails);
            flag ("clampOnApply", store.clampOnApply);
            flag ("exportNaN", store.exportNaN);
            flag ("writable", store.writable);

            if (command.hasProperty ("readOnlyReason"))
                store.readOnlyReason = command["readOnlyReason"].toString();
        }
        else if (name == "state")
        {
            result->setProperty ("project", store.project);
            result->setProperty ("applyCount", store.applyCount);
            juce::Array<juce::var> changes;
            for (const auto& c : store.changes)
                changes.add (c);
            result->setProperty ("changes", changes);
            result->setProperty ("lastError", bridge->getLastError());
            result->setProperty ("clockMs", juce::Time::currentTimeMillis() + clockOffsetMs);
        }
        else if (name == "stats")
        {
            auto ticks = bridge->tickMicros;
            std::sort (ticks.begin(), ticks.end());
            auto at = [&ticks] (double q) { return ticks.empty() ? 0.0 : (double) ticks[(size_t) (q * (double) (ticks.size() - 1))]; };
            result->setProperty ("ticks", (int) ticks.size());
            result->setProperty ("tickP50Micros", at (0.5));
            result->setProperty ("tickP99Micros", at (0.99));
            result->setProperty ("tickMaxMicros", at (1.0));
        }
        else if (name == "quit")
        {
            terminationRequested = true;
        }
        else
        {
            result->setProperty ("ok", false);
            result->setProperty ("error", "Unknown command: " + name);
        }

        return juce::var (result.get());
    }

    juce::File controlFolder;
    bridge_fake::FakeProjectStore store;
    std::atomic<juce::int64> clockOffsetMs { 0 };
    std::unique_ptr<TimedBridge> bridge;
};
} // namespace

int main (int argc, char** argv)
{
    juce::File control;
    juce::int64 projectBytes = 2000;

    for (int i = 1; i + 1 < argc; i += 2)
    {
        const juce::String key (argv[i]), value (argv[i + 1]);

        if (key == "--control")
            control = juce::File (value);
        else if (key == "--project-bytes")
            projectBytes = value.getLargeIntValue();
    }

    if (control == juce::File())
    {
        std::fprintf (stderr, "usage: varnet-bridge-host --control DIR [--project-bytes N]\n");
        return 2;
    }

    std::signal (SIGTERM, onTerminate);
    std::signal (SIGINT, onTerminate);

    juce::ScopedJuceInitialiser_GUI juce;
    auto host = std::make_unique<BridgeHost> (control, projectBytes);
    auto& bridge = host->getBridge();

    if (! bridge.hasStarted())
    {
        std::fprintf (stderr, "bridge did not start: %s\n", bridge.getLastError().toRawUTF8());
        return 1;
    }

    std::printf ("READY %s %s\n", bridge.getInstanceId().toRawUTF8(), bridge.getInstanceFolder().getFullPathName().toRawUTF8());
    std::fflush (stdout);

    juce::MessageManager::getInstance()->runDispatchLoop();

    host->shutDown();
    std::printf ("STOPPED\n");
    std::fflush (stdout);
    return 0;
}
