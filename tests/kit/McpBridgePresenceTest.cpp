// Instance folder, start, presence, description and atomic file publication.

#include "McpBridgeFixture.h"

#include <thread>

using namespace bridge_test;
using tolmek::McpPluginBridge;

namespace
{
juce::File instancesFolderBelow (const juce::File& root)
{
    return root.getChildFile ("TOLMEK").getChildFile ("MCP").getChildFile ("bridge").getChildFile ("v1").getChildFile ("instances");
}
} // namespace

using McpBridgePresence = BridgeFixture;

TEST_F (McpBridgePresence, StartsAtOnceAndAnnouncesItself)
{
    makeBridge();
    ASSERT_TRUE (bridge->hasStarted());

    const auto id = bridge->getInstanceId();
    EXPECT_EQ (id.length(), 36);
    EXPECT_TRUE (id.containsOnly ("0123456789abcdef-"));
    EXPECT_EQ (juce::StringArray::fromTokens (id, "-", "").size(), 5);
    EXPECT_EQ (id.indexOfChar ('-'), 8);
    EXPECT_EQ (id, id.toLowerCase());

    const auto folder = bridge->getInstanceFolder();
    EXPECT_EQ (folder, instancesFolderBelow (root).getChildFile (id));
    EXPECT_TRUE (folder.getChildFile ("requests").isDirectory());
    EXPECT_TRUE (folder.getChildFile ("responses").isDirectory());

    const auto text = folder.getChildFile ("presence.json").loadFileAsString();
    EXPECT_TRUE (text.startsWith ("{\r\n  \"format\": \"tolmek-mcp-instance\",\r\n"));
    EXPECT_FALSE (text.replace ("\r\n", "").containsChar ('\n'));

    const auto presence = readPresence();
    const juce::StringArray expectedKeys { "format", "version", "instanceId", "product", "pluginVersion", "displayName",
                                           "instanceName", "roleId", "instrumentId", "activeSectionName", "sectionCount",
                                           "writable", "readOnlyReason", "revision", "contentRevision", "updatedAtMs",
                                           "leaseUntilMs" };
    juce::StringArray keys;
    for (const auto& p : presence.getDynamicObject()->getProperties())
        keys.add (p.name.toString());
    EXPECT_EQ (keys, expectedKeys);

    EXPECT_EQ (presence["instanceId"].toString(), id);
    EXPECT_EQ (presence["instanceName"].toString(), "Start");
    EXPECT_EQ ((int) presence["sectionCount"], 2);
    EXPECT_EQ ((juce::int64) presence["revision"], 1);
    EXPECT_EQ (presence["contentRevision"].toString().length(), 64);
    EXPECT_EQ ((juce::int64) presence["updatedAtMs"], nowMs);
    EXPECT_EQ ((juce::int64) presence["leaseUntilMs"], nowMs + 15000);
}

TEST_F (McpBridgePresence, RewritesPresenceEveryFiveSeconds)
{
    makeBridge();
    const auto startedAt = nowMs;

    advance (4999);
    tick();
    EXPECT_EQ ((juce::int64) readPresence()["updatedAtMs"], startedAt);

    advance (1);
    tick();
    EXPECT_EQ ((juce::int64) readPresence()["updatedAtMs"], nowMs);
    EXPECT_EQ ((juce::int64) readPresence()["leaseUntilMs"], nowMs + 15000);
}

TEST_F (McpBridgePresence, MissingCallbacksAreReportedInOrderAndTouchNothing)
{
    struct Row
    {
        bool exportJson, validateJson, applyJson, describe;
        const char* message;
    };

    const Row rows[] = {
        { false, false, false, false, "Missing MCP exportJson callback" },
        { true, false, true, true, "Missing MCP validateJson callback" },
        { true, true, false, false, "Missing MCP applyJson callback" },
        { true, true, true, false, "Missing MCP describe callback" },
    };

    for (const auto& row : rows)
    {
        auto c = store.callbacks();
        if (! row.exportJson) c.exportJson = nullptr;
        if (! row.validateJson) c.validateJson = nullptr;
        if (! row.applyJson) c.applyJson = nullptr;
        if (! row.describe) c.describe = nullptr;

        makeBridge (c);
        EXPECT_FALSE (bridge->hasStarted());
        EXPECT_EQ (bridge->getLastError(), row.message);
        EXPECT_FALSE (instancesFolderBelow (root).exists()) << row.message;
        bridge.reset();
    }
}

TEST_F (McpBridgePresence, FailedStartIsRetriedEverySecond)
{
    const auto blocker = instancesFolderBelow (root);
    ASSERT_TRUE (blocker.create().wasOk()); // a file where the folder belongs

    makeBridge();
    EXPECT_FALSE (bridge->hasStarted());
    EXPECT_TRUE (bridge->getLastError().startsWith ("Could not create MCP bridge folder: " + blocker.getFullPathName() + " ("));

    ASSERT_TRUE (blocker.deleteFile());
    advance (999);
    tick();
    EXPECT_FALSE (bridge->hasStarted());
    EXPECT_FALSE (blocker.exists());

    advance (1);
    tick();
    EXPECT_TRUE (bridge->hasStarted());
    EXPECT_TRUE (bridge->getLastError().isEmpty());
    EXPECT_TRUE (bridge->getInstanceFolder().getChildFile ("presence.json").existsAsFile());
}

TEST_F (McpBridgePresence, SymbolicLinkInPlaceOfAFolderStopsStart)
{
    const auto instances = instancesFolderBelow (root);
    const auto elsewhere = root.getChildFile ("elsewhere");
    ASSERT_TRUE (elsewhere.createDirectory().wasOk());
    ASSERT_TRUE (instances.getParentDirectory().createDirectory().wasOk());
    ASSERT_TRUE (elsewhere.createSymbolicLink (instances, false));

    makeBridge();
    EXPECT_FALSE (bridge->hasStarted());
    EXPECT_EQ (bridge->getLastError(), "MCP bridge path is not a real directory: " + instances.getFullPathName());
    EXPECT_EQ (elsewhere.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);
}

TEST_F (McpBridgePresence, BridgeMadeOffTheMessageThreadStartsOnItsFirstTick)
{
    std::thread maker ([this] { makeBridge(); });
    maker.join();

    EXPECT_FALSE (bridge->hasStarted());
    EXPECT_FALSE (instancesFolderBelow (root).exists());

    tick();
    EXPECT_TRUE (bridge->hasStarted());
    EXPECT_TRUE (bridge->getInstanceFolder().getChildFile ("presence.json").existsAsFile());
}

TEST_F (McpBridgePresence, DescriptionIsNormalised)
{
    struct Row
    {
        const char* product;
        const char* section;
        const char* displayName;
        const char* expectedPrefix; // the instance id's first 8 characters follow unless the name was given
        bool given;
    };

    const Row rows[] = {
        { "", "", "", "Plugin - ", false },
        { "  Synth ", " Verse  ", "", "Synth - Verse - ", false },
        { "", "Verse", "  ", "Plugin - Verse - ", false },
        { "Synth", "Verse", "My Synth", "My Synth", true },
    };

    for (const auto& row : rows)
    {
        auto c = store.callbacks();
        c.describe = [row]
        {
            McpPluginBridge::Description d;
            d.product = row.product;
            d.activeSectionName = row.section;
            d.displayName = row.displayName;
            d.sectionCount = -3;
            return d;
        };

        makeBridge (c);
        const auto d = bridge->describeInstance();
        const auto expected = row.given ? juce::String (row.expectedPrefix)
                                        : juce::String (row.expectedPrefix) + bridge->getInstanceId().substring (0, 8);
        EXPECT_EQ (d.displayName, expected);
        EXPECT_EQ (d.sectionCount, 0);
        bridge.reset();
    }
}

TEST_F (McpBridgePresence, ReadOnlyReasonAndRefusalCodes)
{
    makeBridge();

    store.writable = true;
    store.readOnlyReason = "ignored while writable";
    EXPECT_EQ (bridge->describeInstance().readOnlyReason, "");
    juce::String refusal;
    EXPECT_TRUE (bridge->checkWritable (refusal));

    store.writable = false;
    store.readOnlyReason = {};
    EXPECT_EQ (bridge->describeInstance().readOnlyReason, "INSTANCE_READ_ONLY");
    EXPECT_FALSE (bridge->checkWritable (refusal));
    EXPECT_EQ (refusal, "INSTANCE_READ_ONLY");

    advance (5000);
    tick();
    EXPECT_EQ (readPresence()["readOnlyReason"].toString(), "INSTANCE_READ_ONLY");
    EXPECT_FALSE ((bool) readPresence()["writable"]);

    const std::pair<const char*, const char*> codes[] = {
        { "INSTANCE_LOCKED", "INSTANCE_LOCKED" },
        { "INSTANCE_locked", "INSTANCE_READ_ONLY" },
        { "The host is rendering", "INSTANCE_READ_ONLY" },
        { "INSTANCE_BUSY: editing in progress", "INSTANCE_BUSY" },
        { "INSTANCE_X:detail", "INSTANCE_X" },
        { " INSTANCE_Y", "INSTANCE_READ_ONLY" },
        { "", "INSTANCE_READ_ONLY" },
    };

    for (const auto& [reason, code] : codes)
        EXPECT_EQ (McpPluginBridge::normaliseReadOnlyReason (reason), code) << reason;
}

TEST_F (McpBridgePresence, AtomicWriteLimitIsExact)
{
    makeBridge();
    const auto target = root.getChildFile ("out").getChildFile ("limit.json");
    const juce::int64 limit = 4194304;

    // {"a": "xxx"} in the multi-line form is the string plus a fixed frame.
    const auto frame = (juce::int64) tolmek::mcpjson::format (juce::JSON::parse ("{\"a\": \"\"}")).getNumBytesAsUTF8();

    auto documentOf = [] (juce::int64 stringLength)
    {
        juce::DynamicObject::Ptr o (new juce::DynamicObject());
        o->setProperty ("a", juce::String::repeatedString ("x", (int) stringLength));
        return juce::var (o.get());
    };

    EXPECT_EQ (bridge->writeJsonFileAtomically (target, documentOf (limit - frame), limit), "");
    EXPECT_EQ (target.getSize(), limit);

    EXPECT_EQ (bridge->writeJsonFileAtomically (target, documentOf (limit - frame + 1), limit),
               "MCP JSON output exceeds the 4 MB limit");
    EXPECT_EQ (target.getSize(), limit);
    EXPECT_EQ (target.getParentDirectory().getNumberOfChildFiles (juce::File::findFiles), 1); // no staging left behind
}

TEST_F (McpBridgePresence, NeverWritesThroughASymbolicLink)
{
    makeBridge();
    const auto presence = bridge->getInstanceFolder().getChildFile ("presence.json");
    const auto victim = root.getChildFile ("victim.json");
    ASSERT_TRUE (victim.replaceWithText ("untouched"));
    ASSERT_TRUE (presence.deleteFile());
    ASSERT_TRUE (victim.createSymbolicLink (presence, false));

    advance (5000);
    tick();

    EXPECT_TRUE (presence.isSymbolicLink());
    EXPECT_EQ (victim.loadFileAsString(), "untouched");
    EXPECT_EQ (bridge->getLastError(), "MCP output path cannot be a symbolic link: " + presence.getFullPathName());
}

TEST_F (McpBridgePresence, DestructionRemovesOnlyItsOwnFolder)
{
    makeBridge();
    const auto folder = bridge->getInstanceFolder();
    const auto neighbour = folder.getSiblingFile ("00000000-0000-0000-0000-000000000000");
    ASSERT_TRUE (neighbour.getChildFile ("presence.json").create().wasOk());

    writeRequest ("pending.json", "{}");
    ASSERT_TRUE (folder.getChildFile ("responses").getChildFile ("unread.json").replaceWithText ("{}"));

    bridge.reset();
    EXPECT_FALSE (folder.exists());
    EXPECT_TRUE (neighbour.getChildFile ("presence.json").existsAsFile());
}
