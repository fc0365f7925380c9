// Message-thread cost of one bridge request, from request file to response file, by project size.

#include "kit/McpJson.h"
#include "kit/McpPluginBridge.h"
#include "support/FakeProjectStore.h"

#include <benchmark/benchmark.h>

namespace
{
struct Bench
{
    explicit Bench (juce::int64 bytes) : project (bridge_fake::makeProject ("Bench", 1, bytes))
    {
        root = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("mcp-bridge-bench-" + juce::Uuid().toString());
        root.createDirectory();

        tolmek::McpPluginBridge::Callbacks c;
        c.exportJson = [this] { return project; };
        c.validateJson = [] (const juce::var&) { return juce::Result::ok(); };
        c.applyJson = [this] (const juce::var& p) { project = p.clone(); return juce::Result::ok(); };
        c.describe = [] { return tolmek::McpPluginBridge::Description(); };
        bridge = std::make_unique<tolmek::McpPluginBridge> (c, tolmek::McpPluginBridge::Environment { root, {}, {} });
    }

    ~Bench()
    {
        bridge.reset();
        root.deleteRecursively();
    }

    juce::String requestText (const juce::String& id, const juce::String& operation, const juce::var& body) const
    {
        const auto now = juce::Time::currentTimeMillis();
        juce::DynamicObject::Ptr r (new juce::DynamicObject());
        r->setProperty ("format", "tolmek-mcp-request");
        r->setProperty ("version", 1);
        r->setProperty ("requestId", id);
        r->setProperty ("instanceId", bridge->getInstanceId());
        r->setProperty ("operation", operation);
        r->setProperty ("createdAtMs", now);
        r->setProperty ("expiresAtMs", now + 600000);

        if (body.isObject())
            r->setProperty ("project", body);

        return juce::JSON::toString (juce::var (r.get()), true);
    }

    void run (benchmark::State& state, const juce::String& operation, const juce::var& otherProject = {})
    {
        const auto folder = bridge->getInstanceFolder();
        const auto body = operation != "validate_json" ? juce::var() : otherProject.isObject() ? otherProject : project;
        int n = 0;

        for (auto _ : state)
        {
            state.PauseTiming();
            const auto id = "b" + juce::String (++n);
            folder.getChildFile ("requests").getChildFile (id + ".json").replaceWithText (requestText (id, operation, body));
            state.ResumeTiming();

            bridge->handleRequestFile (folder.getChildFile ("requests").getChildFile (id + ".json"));

            state.PauseTiming();
            folder.getChildFile ("responses").getChildFile (id + ".json").deleteFile();
            state.ResumeTiming();
        }

        state.counters["projectBytes"] = (double) bridge->getCurrentSnapshot().jsonText.getNumBytesAsUTF8();
    }

    juce::File root;
    juce::var project;
    std::unique_ptr<tolmek::McpPluginBridge> bridge;
};

void BM_GetJsonRequest (benchmark::State& state)
{
    Bench bench (state.range (0));
    bench.run (state, "get_json");
}

void BM_ValidateJsonRequest (benchmark::State& state)
{
    Bench bench (state.range (0));
    bench.run (state, "validate_json");
}

// A project other than the current one, which must be read, copied and printed in full.
void BM_ValidateOtherJsonRequest (benchmark::State& state)
{
    Bench bench (state.range (0));
    auto other = bench.project.clone();
    other.getDynamicObject()->setProperty ("name", "Other");
    bench.run (state, "validate_json", other);
}

void BM_IdleTick (benchmark::State& state)
{
    Bench bench (state.range (0));

    for (auto _ : state)
        bench.bridge->timerCallback();
}
} // namespace

BENCHMARK (BM_GetJsonRequest)->Arg (10000)->Arg (1000000)->Arg (4000000)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_ValidateJsonRequest)->Arg (10000)->Arg (1000000)->Arg (4000000)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_ValidateOtherJsonRequest)->Arg (10000)->Arg (1000000)->Arg (4000000)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_IdleTick)->Arg (10000)->Unit (benchmark::kMicrosecond);
