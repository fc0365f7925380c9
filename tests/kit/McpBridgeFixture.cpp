#include "McpBridgeFixture.h"

#include <cmath>
#include <limits>

namespace bridge_test
{

FakeStore::FakeStore()
{
    project = makeProject ("Start");
}

juce::var FakeStore::makeProject (const juce::String& name, int level)
{
    auto p = bridge_fake::makeProject (name, level);
    p.getDynamicObject()->setProperty ("tempo", 120.5);
    return p;
}

void BridgeFixture::SetUp()
{
    // Test processes run side by side: each needs a folder no other can pick.
    root = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("mcp-bridge-test-" + juce::Uuid().toString());
    ASSERT_TRUE (root.createDirectory().wasOk());
}

void BridgeFixture::TearDown()
{
    bridge.reset();
    root.deleteRecursively();
}

void BridgeFixture::makeBridge() { makeBridge (store.callbacks()); }

void BridgeFixture::makeBridge (tolmek::McpPluginBridge::Callbacks callbacks)
{
    bridge = std::make_unique<tolmek::McpPluginBridge> (std::move (callbacks),
                                                        tolmek::McpPluginBridge::Environment { root, [this] { return nowMs; }, {} });
}

juce::DynamicObject::Ptr BridgeFixture::request (const juce::String& id, const juce::String& operation) const
{
    juce::DynamicObject::Ptr r (new juce::DynamicObject());
    r->setProperty ("format", "tolmek-mcp-request");
    r->setProperty ("version", 1);
    r->setProperty ("requestId", id);
    r->setProperty ("instanceId", bridge->getInstanceId());
    r->setProperty ("operation", operation);
    r->setProperty ("createdAtMs", nowMs - 1000);
    r->setProperty ("expiresAtMs", nowMs + 60000);
    return r;
}

void BridgeFixture::writeRequest (const juce::String& fileName, const juce::String& text) const
{
    ASSERT_TRUE (bridge->getInstanceFolder().getChildFile ("requests").getChildFile (fileName).replaceWithText (text));
}

juce::var BridgeFixture::send (const juce::DynamicObject::Ptr& document, juce::String fileName)
{
    const auto id = document->getProperty ("requestId").toString();

    if (fileName.isEmpty())
        fileName = id + ".json";

    writeRequest (fileName, juce::JSON::toString (juce::var (document.get()), true));
    tick();
    return readResponse (juce::File::createFileWithoutCheckingPath (fileName).getFileNameWithoutExtension());
}

juce::var BridgeFixture::send (const juce::String& id, const juce::String& operation)
{
    return send (request (id, operation));
}

juce::var BridgeFixture::sendSet (const juce::String& id, const juce::var& project, const juce::String& changeId)
{
    auto r = request (id, "set_json");
    r->setProperty ("expectedRevision", revision());
    r->setProperty ("project", project);
    r->setProperty ("changeId", changeId);
    return send (r);
}

juce::var BridgeFixture::readResponse (const juce::String& id) const
{
    const auto file = bridge->getInstanceFolder().getChildFile ("responses").getChildFile (id + ".json");
    return file.existsAsFile() ? juce::JSON::parse (file.loadFileAsString()) : juce::var();
}

juce::var BridgeFixture::readPresence() const
{
    return juce::JSON::parse (bridge->getInstanceFolder().getChildFile ("presence.json").loadFileAsString());
}

} // namespace bridge_test
