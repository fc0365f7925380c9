#pragma once

#include "kit/McpJson.h"
#include "kit/McpPluginBridge.h"
#include "support/FakeProjectStore.h"

#include <gtest/gtest.h>

#include <memory>

namespace bridge_test
{

/** The shared fake store, starting from a project that also carries a fractional tempo. */
struct FakeStore : bridge_fake::FakeProjectStore
{
    FakeStore();

    static juce::var makeProject (const juce::String& name, int level = 1);
};

class BridgeFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    void makeBridge();
    void makeBridge (tolmek::McpPluginBridge::Callbacks callbacks);

    /** A well-formed request for this instance; tests change fields before sending. */
    juce::DynamicObject::Ptr request (const juce::String& id, const juce::String& operation) const;

    /** Writes the request file (named after its requestId unless a name is given) and ticks once. */
    juce::var send (const juce::DynamicObject::Ptr& document, juce::String fileName = {});
    juce::var send (const juce::String& id, const juce::String& operation);
    juce::var sendSet (const juce::String& id, const juce::var& project, const juce::String& changeId);
    void writeRequest (const juce::String& fileName, const juce::String& text) const;
    juce::var readResponse (const juce::String& id) const;
    juce::var readPresence() const;
    void tick() { bridge->timerCallback(); }
    void advance (juce::int64 ms) { nowMs += ms; }
    juce::int64 revision() const { return bridge->getCurrentSnapshot().revision; }

    juce::File root;
    juce::int64 nowMs = 1700000000000;
    FakeStore store;
    std::unique_ptr<tolmek::McpPluginBridge> bridge;
};

} // namespace bridge_test
