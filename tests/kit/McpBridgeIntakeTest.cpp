// Request files: checks in order, naming of answers, replays, the response cache and tick limits.

#include "McpBridgeFixture.h"

using namespace bridge_test;

using McpBridgeIntake = BridgeFixture;

namespace
{
juce::File requestsOf (const tolmek::McpPluginBridge& b) { return b.getInstanceFolder().getChildFile ("requests"); }
juce::File responsesOf (const tolmek::McpPluginBridge& b) { return b.getInstanceFolder().getChildFile ("responses"); }
} // namespace

TEST_F (McpBridgeIntake, MalformedRequestsGetTheirCodeAndMessage)
{
    makeBridge();

    // Each row changes one field of a valid request ("remove" deletes it) and names the answer.
    struct Row
    {
        const char* operation;
        const char* key;
        juce::var value; // undefined: remove the key
        const char* code;
        const char* message;
    };

    const juce::var removed = juce::var::undefined();
    const auto now = nowMs;
    const Row rows[] = {
        { "get_json", "format", "tolmek-mcp-other", "UNSUPPORTED_FORMAT", "Unsupported MCP request format" },
        { "get_json", "format", removed, "UNSUPPORTED_FORMAT", "Unsupported MCP request format" },
        { "get_json", "version", 1.0, "UNSUPPORTED_VERSION", "Unsupported MCP request version" },
        { "get_json", "version", 2, "UNSUPPORTED_VERSION", "Unsupported MCP request version" },
        { "get_json", "version", "1", "UNSUPPORTED_VERSION", "Unsupported MCP request version" },
        { "get_json", "requestId", 42, "INVALID_REQUEST", "Request ID is invalid" },
        { "get_json", "requestId", ".hidden", "INVALID_REQUEST", "Request ID is invalid" },
        { "get_json", "requestId", "other-id", "INVALID_REQUEST", "Request filename must match requestId" },
        { "get_json", "instanceId", "00000000-0000-0000-0000-000000000000", "WRONG_INSTANCE", "Request targets a different plugin instance" },
        { "get_json", "operation", "delete_everything", "UNSUPPORTED_OPERATION", "Unsupported MCP operation" },
        { "get_json", "operation", removed, "UNSUPPORTED_OPERATION", "Unsupported MCP operation" },
        { "get_json", "createdAtMs", 0, "INVALID_REQUEST", "Request timestamps are invalid" },
        { "get_json", "createdAtMs", now + 60000, "INVALID_REQUEST", "Request timestamps are invalid" },
        { "get_json", "createdAtMs", 17.5, "INVALID_REQUEST", "Request timestamps are invalid" },
        { "get_json", "expiresAtMs", removed, "INVALID_REQUEST", "Request timestamps are invalid" },
        { "get_json", "createdAtMs", now + 5001, "INVALID_REQUEST", "Request creation time is in the future" },
        { "get_json", "expiresAtMs", now, "REQUEST_EXPIRED", "Request has expired" },
        { "get_json", "expectedRevision", 0, "INVALID_REQUEST", "expectedRevision is invalid" },
        { "get_json", "expectedRevision", "1", "INVALID_REQUEST", "expectedRevision is invalid" },
        { "get_json", "payload", juce::Array<juce::var>(), "INVALID_REQUEST", "payload must be a JSON object" },
        { "get_json", "transactionId", "bad id", "INVALID_REQUEST", "transactionId is invalid" },
        { "get_json", "changeId", juce::String::repeatedString ("c", 129), "INVALID_REQUEST", "changeId is invalid" },
        { "validate_json", "project", "not an object", "INVALID_REQUEST", "This operation requires a project object" },
        { "commit", "changeId", "c1", "INVALID_REQUEST", "This operation requires transactionId" },
        { "runnel_list_output_profiles", "changeId", "c1", "INVALID_REQUEST", "This operation requires a payload object" },
    };

    int n = 0;

    for (const auto& row : rows)
    {
        const auto id = "bad-" + juce::String (n++);
        auto r = request (id, row.operation);

        if (row.value.isUndefined())
            r->removeProperty (row.key);
        else
            r->setProperty (row.key, row.value);

        const auto answer = send (r, id + ".json");
        SCOPED_TRACE (juce::String (row.key) + " = " + juce::JSON::toString (row.value, true));
        ASSERT_TRUE (answer.isObject());
        EXPECT_EQ (answer["requestId"].toString(), id);
        EXPECT_FALSE ((bool) answer["ok"]);
        EXPECT_EQ (answer["errorCode"].toString(), row.code);
        EXPECT_EQ (answer["errorMessage"].toString(), row.message);
        EXPECT_TRUE (answer["project"].isVoid());
        EXPECT_EQ (answer["instanceId"].toString(), bridge->getInstanceId());
    }

    EXPECT_EQ (requestsOf (*bridge).getNumberOfChildFiles (juce::File::findFiles), 0);
    EXPECT_EQ ((juce::int64) readResponse ("bad-9")["revision"], 1);
    EXPECT_EQ (readResponse ("bad-9")["operation"].toString(), "delete_everything");
    EXPECT_EQ (readResponse ("bad-21")["changeId"].toString(), juce::String::repeatedString ("c", 129));
    EXPECT_EQ (store.applyCount, 0);
}

TEST_F (McpBridgeIntake, OperationRequirementsComeInOrder)
{
    makeBridge();

    auto setWithout = [this] (const juce::String& id, std::initializer_list<const char*> missing)
    {
        auto r = request (id, "set_json");
        r->setProperty ("expectedRevision", 1);
        r->setProperty ("project", FakeStore::makeProject ("New"));
        r->setProperty ("changeId", "change-" + id);

        for (auto* key : missing)
            r->removeProperty (key);

        return send (r)["errorMessage"].toString();
    };

    EXPECT_EQ (setWithout ("a", { "project", "expectedRevision", "changeId" }), "This operation requires a project object");
    EXPECT_EQ (setWithout ("b", { "expectedRevision", "changeId" }), "This operation requires expectedRevision");
    EXPECT_EQ (setWithout ("c", { "changeId" }), "This operation requires changeId");

    // An id that passed its own check is echoed when a later check fails.
    auto r = request ("d", "undo");
    r->setProperty ("changeId", "kept-change");
    EXPECT_EQ (send (r)["changeId"].toString(), "kept-change");
}

TEST_F (McpBridgeIntake, RawFilesThatAreNotRequests)
{
    makeBridge();

    struct Row
    {
        const char* name;
        juce::String text;
        const char* code;
        const char* message;
    };

    const Row rows[] = {
        { "empty", "", "INVALID_REQUEST", "Request file is empty" },
        { "garbage", "this is { not json", "INVALID_REQUEST", "Request is not a JSON object" },
        { "array", "[1, 2, 3]", "INVALID_REQUEST", "Request is not a JSON object" },
        { "deep", juce::String::repeatedString ("[", 100000) + juce::String::repeatedString ("]", 100000),
          "INVALID_REQUEST", "Request is not a JSON object" },
    };

    for (const auto& row : rows)
    {
        writeRequest (juce::String (row.name) + ".json", row.text);
        tick();
        const auto answer = readResponse (row.name);
        EXPECT_EQ (answer["errorCode"].toString(), row.code) << row.name;
        EXPECT_EQ (answer["errorMessage"].toString(), row.message) << row.name;
        EXPECT_EQ (answer["operation"].toString(), "") << row.name;
    }
}

TEST_F (McpBridgeIntake, RequestSizeLimitIsExact)
{
    makeBridge();
    const juce::int64 limit = 4194304;

    auto padded = [this] (const juce::String& id, juce::int64 size)
    {
        const auto text = juce::JSON::toString (juce::var (request (id, "get_json").get()), true);
        return text + juce::String::repeatedString (" ", (int) (size - (juce::int64) text.getNumBytesAsUTF8()));
    };

    writeRequest ("at-limit.json", padded ("at-limit", limit));
    writeRequest ("over-limit.json", padded ("over-limit", limit + 1));
    tick();

    EXPECT_TRUE ((bool) readResponse ("at-limit")["ok"]);
    EXPECT_EQ (readResponse ("over-limit")["errorCode"].toString(), "MESSAGE_TOO_LARGE");
    EXPECT_EQ (readResponse ("over-limit")["errorMessage"].toString(), "Request exceeds the 4 MB limit");
}

TEST_F (McpBridgeIntake, MisnamedRequestsAreAnsweredUnderTheirOwnFileName)
{
    makeBridge();

    // A pending request of another client must neither be overwritten nor pre-empted.
    auto victim = request ("victim", "get_json");
    auto intruder = request ("victim", "get_json");
    send (intruder, "aaa-intruder.json");

    EXPECT_EQ (readResponse ("aaa-intruder")["errorMessage"].toString(), "Request filename must match requestId");
    EXPECT_EQ (readResponse ("aaa-intruder")["requestId"].toString(), "aaa-intruder");
    EXPECT_FALSE (responsesOf (*bridge).getChildFile ("victim.json").exists());

    EXPECT_TRUE ((bool) send (victim)["ok"]);

    // A file whose name is no valid id is answered under a fresh id, whatever the document says.
    send (request ("victim", "get_json"), ".hidden.json");
    EXPECT_EQ (requestsOf (*bridge).getNumberOfChildFiles (juce::File::findFiles), 0);
    EXPECT_EQ (responsesOf (*bridge).getNumberOfChildFiles (juce::File::findFiles), 3);
    EXPECT_TRUE ((bool) readResponse ("victim")["ok"]);
}

TEST_F (McpBridgeIntake, SymbolicLinkRequestsAreRefusedAndRemoved)
{
    makeBridge();
    const auto target = root.getChildFile ("real-request.json");
    ASSERT_TRUE (target.replaceWithText (juce::JSON::toString (juce::var (request ("linked", "get_json").get()))));
    ASSERT_TRUE (target.createSymbolicLink (requestsOf (*bridge).getChildFile ("linked.json"), false));

    tick();
    EXPECT_EQ (readResponse ("linked")["errorMessage"].toString(), "Request files cannot be symbolic links");
    EXPECT_FALSE (requestsOf (*bridge).getChildFile ("linked.json").exists());
    EXPECT_TRUE (target.existsAsFile());
    EXPECT_FALSE (bridge->findCachedResponse ("linked").has_value());
}

TEST_F (McpBridgeIntake, RepeatedIdsAreReplayedOrDropped)
{
    makeBridge();
    const auto first = send ("again", "get_json");
    const auto firstText = responsesOf (*bridge).getChildFile ("again.json").loadFileAsString();

    store.editOutside ("Changed");

    // Response still there: the repeat is dropped without an answer.
    EXPECT_TRUE (send ("again", "get_json").isObject());
    EXPECT_EQ (responsesOf (*bridge).getChildFile ("again.json").loadFileAsString(), firstText);
    EXPECT_FALSE (requestsOf (*bridge).getChildFile ("again.json").exists());

    // Response taken: the repeat is answered from the cache, not run again.
    ASSERT_TRUE (responsesOf (*bridge).getChildFile ("again.json").deleteFile());
    const auto replay = send ("again", "get_json");
    EXPECT_EQ (juce::JSON::toString (replay), juce::JSON::toString (first));
    EXPECT_EQ ((juce::int64) replay["revision"], 1);
}

TEST_F (McpBridgeIntake, CacheRemembersTheLast256Answers)
{
    makeBridge();
    send ("oldest", "get_json");
    send ("kept", "get_json");
    store.editOutside ("Changed");

    for (int i = 0; i < 255; ++i)
        writeRequest ("fill-" + juce::String (i).paddedLeft ('0', 3) + ".json",
                      juce::JSON::toString (juce::var (request ("fill-" + juce::String (i).paddedLeft ('0', 3), "get_json").get())));

    for (int i = 0; i < 8; ++i)
        tick();

    ASSERT_EQ (requestsOf (*bridge).getNumberOfChildFiles (juce::File::findFiles), 0);
    ASSERT_TRUE (responsesOf (*bridge).getChildFile ("oldest.json").deleteFile());
    ASSERT_TRUE (responsesOf (*bridge).getChildFile ("kept.json").deleteFile());

    EXPECT_EQ ((juce::int64) send ("kept", "get_json")["revision"], 1);   // still cached
    EXPECT_EQ ((juce::int64) send ("oldest", "get_json")["revision"], 2); // forgotten: run again
}

TEST_F (McpBridgeIntake, AtMost32RequestsPerTickInNameOrder)
{
    makeBridge();

    for (int i = 39; i >= 0; --i)
    {
        const auto id = "r" + juce::String (i).paddedLeft ('0', 2);
        writeRequest (id + ".json", juce::JSON::toString (juce::var (request (id, "get_json").get())));
    }

    // Upper-case names sort before lower-case ones in byte order.
    writeRequest ("Z.json", juce::JSON::toString (juce::var (request ("Z", "get_json").get())));

    tick();
    EXPECT_TRUE (readResponse ("Z").isObject());
    EXPECT_TRUE (readResponse ("r30").isObject());
    EXPECT_FALSE (readResponse ("r31").isObject());
    EXPECT_EQ (requestsOf (*bridge).getNumberOfChildFiles (juce::File::findFiles), 9);

    tick();
    EXPECT_TRUE (readResponse ("r39").isObject());
    EXPECT_EQ (requestsOf (*bridge).getNumberOfChildFiles (juce::File::findFiles), 0);
}

TEST_F (McpBridgeIntake, UnwritableResponseIsRetriedFromTheCache)
{
    makeBridge();
    const auto blocked = responsesOf (*bridge).getChildFile ("blocked.json");
    ASSERT_TRUE (blocked.createDirectory().wasOk()); // a folder in the way of the answer

    sendSet ("blocked", FakeStore::makeProject ("New"), "change-1");
    EXPECT_TRUE (requestsOf (*bridge).getChildFile ("blocked.json").existsAsFile());
    EXPECT_EQ (bridge->getLastError(), "Could not publish MCP JSON file: " + blocked.getFullPathName());
    EXPECT_EQ (store.applyCount, 1);

    tick();
    EXPECT_EQ (store.applyCount, 1);

    ASSERT_TRUE (blocked.deleteRecursively());
    tick();
    EXPECT_TRUE ((bool) readResponse ("blocked")["contentChanged"]);
    EXPECT_FALSE (requestsOf (*bridge).getChildFile ("blocked.json").exists());
    EXPECT_EQ (store.applyCount, 1);
    EXPECT_TRUE (bridge->getLastError().isEmpty());
}

TEST_F (McpBridgeIntake, AnswerTooLargeToWriteBecomesAnErrorThatFits)
{
    // Each element takes one line, so the two copies in a status answer, indented deeper, pass 8 MB.
    juce::Array<juce::var> numbers;
    for (int i = 0; i < 520000; ++i)
        numbers.add (i % 10);

    juce::DynamicObject::Ptr big (new juce::DynamicObject());
    big->setProperty ("name", "Big");
    big->setProperty ("numbers", numbers);
    store.project = juce::var (big.get());
    makeBridge();
    ASSERT_TRUE (bridge->getCurrentSnapshot().jsonText.getNumBytesAsUTF8() < 4190208);

    auto prepare = request ("big-prepare", "prepare_set");
    prepare->setProperty ("expectedRevision", 1);
    prepare->setProperty ("transactionId", "big-t");
    prepare->setProperty ("changeId", "big-c");
    auto changed = store.project.clone();
    changed.getDynamicObject()->setProperty ("name", "Bigger");
    prepare->setProperty ("project", changed);
    ASSERT_TRUE ((bool) send (prepare)["ok"]);

    const auto status = send ("big-status", "get_transaction_status");
    EXPECT_EQ (status["errorCode"].toString(), "MESSAGE_TOO_LARGE");
    EXPECT_EQ (status["errorMessage"].toString(), "MCP JSON output exceeds the 8 MB limit");
    EXPECT_FALSE (requestsOf (*bridge).getChildFile ("big-status.json").exists());
}

TEST_F (McpBridgeIntake, RequestGoneSinceTheListingIsNotAnsweredAgain)
{
    // A directory read during clients' renames can name a file twice; the second sighting must not
    // replay an answer the client has already taken.
    makeBridge();
    send ("taken", "get_json");
    ASSERT_TRUE (responsesOf (*bridge).getChildFile ("taken.json").deleteFile());

    bridge->handleRequestFile (requestsOf (*bridge).getChildFile ("taken.json"));
    EXPECT_FALSE (responsesOf (*bridge).getChildFile ("taken.json").exists());
}
