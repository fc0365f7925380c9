#include "support/ServiceTestSupport.h"
#include "model/DefaultProject.h"
#include "model/ProjectJson.h"
#include "plugin/PluginProcessor.h"

#include <gtest/gtest.h>

namespace
{
VarneT::Project projectWithSections (const juce::String& name, const juce::StringArray& sectionNames, int activeIndex)
{
    auto project = VarneT::makeDefaultProject();
    const auto section = project.sections.front();
    project.identityName = name;
    project.sections.clear();

    for (const auto& sectionName : sectionNames)
    {
        project.sections.push_back (section);
        project.sections.back().name = sectionName;
    }

    project.activeSectionIndex = activeIndex;
    return project;
}

struct DescriptionCase
{
    const char* label;
    const char* name;
    juce::StringArray sections;
    int activeIndex;
    const char* displayName;
    const char* activeSection;
};

TEST (BridgeWiring, DescriptionOfAProject)
{
    const DescriptionCase cases[] = {
        { "index past the end", "Quiet Otter", { "Intro", "Verse" }, 5, "Varne-T - Quiet Otter", "Verse" },
        { "negative index", "Quiet Otter", { "Intro", "Verse" }, -3, "Varne-T - Quiet Otter", "Intro" },
        { "index in range", "Low Heron", { "Intro", "Verse", "Coda" }, 1, "Varne-T - Low Heron", "Verse" },
        { "no Section", "Empty", {}, 0, "Varne-T - Empty", "" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.label);
        const auto d = VarneTAudioProcessor::describeForBridge (projectWithSections (c.name, c.sections, c.activeIndex));

        EXPECT_EQ (d.product, "Varne-T");
        EXPECT_EQ (d.pluginVersion, "1.3.6");
        EXPECT_EQ (d.displayName, c.displayName);
        EXPECT_EQ (d.instanceName, c.name);
        EXPECT_TRUE (d.roleId.isEmpty() && d.instrumentId.isEmpty() && d.readOnlyReason.isEmpty());
        EXPECT_EQ (d.activeSectionName, c.activeSection);
        EXPECT_EQ (d.sectionCount, c.sections.size());
        EXPECT_TRUE (d.writable);
    }
}

class LiveBridge : public ::testing::Test
{
protected:
    service_test::TemporaryHome home;
    VarneTAudioProcessor processor;
    tolmek::McpPluginBridge& bridge = *processor.getMcpBridge();

    juce::var send (const juce::String& operation, const VarneT::Project& project)
    {
        tolmek::McpPluginBridge::Request request;
        request.requestId = "r-" + juce::Uuid().toDashedString();
        request.instanceId = bridge.getInstanceId();
        request.operation = operation;
        request.createdAtMs = juce::Time::currentTimeMillis();
        request.expiresAtMs = request.createdAtMs + 30000;
        request.hasExpectedRevision = true;
        bridge.refreshRevision(); // as the intake of a request file does
        request.expectedRevision = bridge.getCurrentSnapshot().revision;
        request.project = VarneT::projectToVar (project);
        request.changeId = "c-" + juce::Uuid().toDashedString();
        return bridge.dispatch (request);
    }

    /** As a client does it: a request file in the instance's requests folder, taken in by the
        bridge's next poll, and the answer read from its response file. Changes carry the revision
        that a get_json just before them reported. */
    juce::var sendFile (const juce::String& operation, const juce::var& project = {})
    {
        juce::DynamicObject::Ptr request (new juce::DynamicObject());
        const auto id = "r-" + juce::Uuid().toDashedString();
        const auto nowMs = juce::Time::currentTimeMillis();
        request->setProperty ("format", "tolmek-mcp-request");
        request->setProperty ("version", 1);
        request->setProperty ("requestId", id);
        request->setProperty ("instanceId", bridge.getInstanceId());
        request->setProperty ("operation", operation);
        request->setProperty ("createdAtMs", nowMs - 1000);
        request->setProperty ("expiresAtMs", nowMs + 60000);

        if (operation != "get_json")
        {
            request->setProperty ("expectedRevision", sendFile ("get_json")["revision"]);
            request->setProperty ("changeId", "c-" + juce::Uuid().toDashedString());
        }

        if (! project.isVoid())
            request->setProperty ("project", project);

        const auto folder = bridge.getInstanceFolder();
        EXPECT_TRUE (folder.getChildFile ("requests/" + id + ".json").replaceWithText (juce::JSON::toString (juce::var (request.get()))));
        bridge.timerCallback();
        return juce::JSON::parse (folder.getChildFile ("responses/" + id + ".json"));
    }
};

/** An AI client adds a note through set_json; then the user edits the Pattern the way the
    editor's strip actions do, undoably through the processor. */
class AiEditThenUserEdit : public LiveBridge
{
protected:
    juce::String original, afterAi, afterUser;

    static juce::String textOf (const VarneT::Project& project) { return VarneT::projectToJsonText (project); }
    juce::String current() const { return textOf (processor.getProjectCopy()); }

    void SetUp() override
    {
        ASSERT_TRUE (bridge.hasStarted()) << bridge.getLastError();
        auto project = processor.getProjectCopy();
        original = textOf (project);

        auto& pattern = project.sections[(size_t) project.clampedActiveSectionIndex()].sequence.front();
        ASSERT_FALSE (pattern.notes.empty());
        pattern.notes.push_back (pattern.notes.front());
        pattern.notes.back().id = "ai-note";
        pattern.notes.back().startBeat = pattern.lengthBeats / 2;
        const auto answer = sendFile ("set_json", VarneT::projectToVar (project));
        ASSERT_TRUE ((bool) answer["ok"]) << juce::JSON::toString (answer);
        afterAi = current();
        ASSERT_NE (afterAi, original);

        auto edited = processor.getProjectCopy();
        edited.sections[(size_t) edited.clampedActiveSectionIndex()].sequence.front().repeatCount = 3;
        ASSERT_EQ (processor.applyProjectEdit (edited, true), "");
        afterUser = current();
        ASSERT_NE (afterUser, afterAi);
    }
};

TEST_F (AiEditThenUserEdit, OneUndoTakesBackOnlyTheUsersEditAndTheNextTheClients)
{
    auto& undo = processor.getUndoManager();

    ASSERT_TRUE (undo.undo());
    EXPECT_EQ (current(), afterAi) << "the client's note must stay";

    ASSERT_TRUE (undo.undo());
    EXPECT_EQ (current(), original);

    ASSERT_TRUE (undo.redo());
    EXPECT_EQ (current(), afterAi);
}

TEST_F (AiEditThenUserEdit, TheClientsUndoIsAcceptedOnceTheUsersEditIsUndone)
{
    ASSERT_TRUE (processor.getUndoManager().undo());

    const auto answer = sendFile ("undo");
    EXPECT_TRUE ((bool) answer["ok"]) << juce::JSON::toString (answer);
    EXPECT_EQ (answer["errorCode"].toString(), "");
    EXPECT_EQ (current(), original);
}

TEST_F (LiveBridge, StartsInTheUsersFolderAndDescribesTheAppliedProject)
{
    ASSERT_TRUE (bridge.hasStarted()) << bridge.getLastError();
    EXPECT_TRUE (bridge.getInstanceFolder().isAChildOf (home.getFolder()));

    const auto answer = send ("set_json", projectWithSections ("Quiet Otter", { "Intro", "Verse" }, 1));
    ASSERT_TRUE ((bool) answer["ok"]) << juce::JSON::toString (answer);

    const auto presence = juce::JSON::parse (bridge.getInstanceFolder().getChildFile ("presence.json"));
    EXPECT_EQ (presence["displayName"].toString(), "Varne-T - Quiet Otter");
    EXPECT_EQ (presence["activeSectionName"].toString(), "Verse");
    EXPECT_EQ ((int) presence["sectionCount"], 2);
}

TEST_F (LiveBridge, ValidationRefusesWhatTheCompilerWouldRefuse)
{
    // 513 events, eight Pattern passes, eight Section passes: 32832 events.
    auto project = VarneT::makeDefaultProject();
    auto& section = project.sections.front();
    auto& pattern = section.sequence.front();
    const auto note = pattern.notes.front();
    pattern.notes.clear();

    for (int i = 0; i < 513; ++i)
    {
        pattern.notes.push_back (note);
        pattern.notes.back().id = "n" + juce::String (i);
    }

    pattern.repeatCount = 8;
    section.repeatCount = 8;
    const auto before = bridge.getCurrentSnapshot().contentRevision;

    for (const auto* operation : { "validate_json", "set_json" })
    {
        SCOPED_TRACE (operation);
        const auto answer = send (operation, project);
        EXPECT_EQ (answer["errorCode"].toString(), "VALIDATION_FAILED");
        EXPECT_EQ (answer["errorMessage"].toString(), "Repeated section exceeds 32768 events; reduce its repeat counts or notes");
    }

    EXPECT_EQ (bridge.getCurrentSnapshot().contentRevision, before);
}
TEST_F (LiveBridge, EveryChangeIsAnUndoStepOfItsOwnAndHistoryStaysBounded)
{
    auto& undo = processor.getUndoManager();
    auto project = processor.getProjectCopy();

    for (int i = 0; i < 3; ++i)
    {
        project.identityName = "Step " + juce::String (i);
        ASSERT_TRUE ((bool) send ("set_json", project)["ok"]);
    }

    ASSERT_TRUE (undo.undo());
    EXPECT_EQ (processor.getProjectCopy().identityName, "Step 1");

    // Many changes: the undo manager trims old transactions, which an ever-open one would defeat.
    auto large = projectWithSections ("Large", { "A" }, 0);
    auto& notes = large.sections[0].sequence[0].notes;
    for (int i = 0; notes.size() < 600; ++i)
    {
        notes.push_back (notes.front());
        notes.back().id = "extra-" + juce::String (i);
    }

    for (int i = 0; i < 36; ++i)
    {
        large.identityName = "Large " + juce::String (i);
        const auto answer = send ("set_json", large);
        ASSERT_TRUE ((bool) answer["ok"]) << juce::JSON::toString (answer);
    }

    EXPECT_LE (undo.getNumActionsInCurrentTransaction(), 1);
    int steps = 0;
    while (undo.undo())
        ++steps;
    EXPECT_LT (steps, 36) << "old steps must be dropped";
}
} // namespace
