// Canonical JSON, revisions, get/validate/set/undo and product-resource operations.

#include "McpBridgeFixture.h"

#include <cmath>
#include <functional>
#include <limits>

using namespace bridge_test;
namespace mcpjson = tolmek::mcpjson;

TEST (McpCanonicalJson, SortsKeysAndWritesWholeNumbersAsIntegers)
{
    const auto a = juce::JSON::parse (juce::String::fromUTF8 (R"({"b": 2.0, "a": [1.5, {"z": 3, "Z": -0.0}], "é": 1, "e": true})"));
    const auto b = juce::JSON::parse (juce::String::fromUTF8 (R"({"e": true, "é": 1.0, "a": [1.5, {"Z": 0, "z": 3.0}], "b": 2})"));

    juce::var ca, cb;
    ASSERT_EQ (mcpjson::canonicalise (a, ca), "");
    ASSERT_EQ (mcpjson::canonicalise (b, cb), "");

    const auto text = mcpjson::format (ca);
    EXPECT_EQ (text, mcpjson::format (cb));
    EXPECT_EQ (text.removeCharacters ("\r\n "), R"({"a":[1.5,{"Z":0,"z":3}],"b":2,"e":true,"\u00e9":1})");
    EXPECT_EQ (mcpjson::sha256Hex (text), mcpjson::sha256Hex (mcpjson::format (cb)));
    EXPECT_TRUE (mcpjson::sha256Hex (text).containsOnly ("0123456789abcdef"));
}

TEST (McpCanonicalJson, NumbersAndValuesThatAreNotJson)
{
    struct Row
    {
        juce::var value;
        const char* error;
        const char* text; // canonical text when there is no error
    };

    struct NotADynamicObject : juce::ReferenceCountedObject {};

    const Row rows[] = {
        { std::numeric_limits<double>::quiet_NaN(), "Project contains a non-finite number", "" },
        { std::numeric_limits<double>::infinity(), "Project contains a non-finite number", "" },
        { juce::var::undefined(), "Project contains a non-JSON value", "" },
        { juce::var (juce::MemoryBlock (4)), "Project contains a non-JSON value", "" },
        { juce::var (new NotADynamicObject()), "Project contains an unsupported object", "" },
        { -9223372036854775808.0, "", "-9223372036854775808" },
        { 9223372036854775808.0, "", "9.223372036854776e18" },
        { 2.5, "", "2.5" },
        { 1.0e6, "", "1000000" },
    };

    for (const auto& row : rows)
    {
        juce::Array<juce::var> wrapped { row.value };
        juce::var result;
        const auto error = mcpjson::canonicalise (wrapped, result);
        EXPECT_EQ (error, row.error) << row.text;

        if (error.isEmpty())
        {
            EXPECT_EQ (mcpjson::format (result).removeCharacters ("\r\n []"), row.text);
        }
    }
}

TEST (McpCanonicalJson, PrintsExactlyAsJuceWrites)
{
    juce::DynamicObject::Ptr nested (new juce::DynamicObject());
    nested->setProperty ("plain", "abc");
    nested->setProperty (juce::String::fromUTF8 ("k\"\xc3\xa9y"), juce::Array<juce::var> {});
    nested->setProperty ("empty", juce::var (new juce::DynamicObject()));
    nested->setProperty ("list", juce::Array<juce::var> { 1, juce::Array<juce::var> { 2.5, juce::var() }, juce::var (new juce::DynamicObject()) });

    const juce::var values[] = {
        "plain", "quote\" back\\ tab\t cr\r lf\n bell\a", juce::String::fromUTF8 ("\xc3\xa9 \xf0\x9f\x8e\xb5 \x7f"), "",
        0.1, 0.25, -0.5, 1.0e-7, 3.0e-5, 123.456, 999999.5, 1.5e6, 1.0e300, -2.0, -0.0,
        std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        0, -7, std::numeric_limits<int>::min(), std::numeric_limits<juce::int64>::max(), std::numeric_limits<juce::int64>::min(), (juce::int64) -1,
        true, false, juce::var(), juce::var::undefined(), juce::Array<juce::var> {}, juce::var (new juce::DynamicObject()),
        juce::var (nested.get()), bridge_fake::makeProject ("Large", 3, 20000),
    };

    for (const auto& value : values)
    {
        const auto expected = juce::JSON::toString (value, false, 15);
        EXPECT_EQ (mcpjson::format (value), expected) << expected;

        // As a member of an answer, once printed in full and once copied from the value's own text.
        juce::DynamicObject::Ptr answer (new juce::DynamicObject());
        answer->setProperty ("before", "x");
        answer->setProperty ("project", value);
        answer->setProperty ("after", juce::var (new juce::DynamicObject()));
        const auto whole = juce::JSON::toString (juce::var (answer.get()), false, 15);
        EXPECT_EQ (mcpjson::formatWithEmbedded (juce::var (answer.get()), value, mcpjson::format (value)), whole) << expected;
    }
}

TEST (McpCanonicalJson, SameContentIsRecognisedAndEveryChangeIsNot)
{
    const auto base = juce::JSON::parse (R"({"b": 2.0, "a": [1.5, {"z": 3, "y": "t"}], "n": null, "f": false, "big": 9007199254740993})");
    juce::var canonical;
    ASSERT_EQ (mcpjson::canonicalise (base, canonical), "");

    struct Row
    {
        const char* text;
        bool same;
    };

    const Row rows[] = {
        { R"({"b": 2.0, "a": [1.5, {"z": 3, "y": "t"}], "n": null, "f": false, "big": 9007199254740993})", true },
        { R"({"big": 9007199254740993, "f": false, "n": null, "a": [1.5, {"y": "t", "z": 3}], "b": 2.0})", true },
        { R"({"b": 2.0, "a": [1.5, {"z": 3, "y": "t"}], "n": null, "f": false, "big": 9007199254740992})", false },
        { R"({"b": 2.5, "a": [1.5, {"z": 3, "y": "t"}], "n": null, "f": false, "big": 9007199254740993})", false },
        { R"({"b": 2.0, "a": [1.25, {"z": 3, "y": "t"}], "n": null, "f": false, "big": 9007199254740993})", false },
        { R"({"b": 2.0, "a": [1.5, {"z": 3, "y": "u"}], "n": null, "f": false, "big": 9007199254740993})", false },
        { R"({"b": 2.0, "a": [1.5, {"z": 3, "x": "t"}], "n": null, "f": false, "big": 9007199254740993})", false },
        { R"({"b": 2.0, "a": [1.5, {"z": 3}], "n": null, "f": false, "big": 9007199254740993})", false },
        { R"({"b": 2.0, "a": [1.5, {"z": 3, "y": "t"}, 1], "n": null, "f": false, "big": 9007199254740993})", false },
        { R"({"b": 2.0, "a": [1.5, {"z": 3, "y": "t"}], "n": 0, "f": false, "big": 9007199254740993})", false },
        { R"({"b": 2.0, "a": [1.5, {"z": 3, "y": "t"}], "n": null, "f": true, "big": 9007199254740993})", false },
        { R"({"b": 2.0, "a": [1.5, {"z": 3, "y": "t"}], "n": null, "f": false, "big": 9007199254740993, "c": 1})", false },
        { R"({"b": 2.0, "a": {"0": 1.5}, "n": null, "f": false, "big": 9007199254740993})", false },
        { R"({"b": "2", "a": [1.5, {"z": 3, "y": "t"}], "n": null, "f": false, "big": 9007199254740993})", false },
    };

    for (const auto& row : rows)
    {
        const auto value = juce::JSON::parse (row.text);
        EXPECT_EQ (mcpjson::sameCanonicalContent (value, canonical), row.same) << row.text;

        // Whenever it answers yes, the full path agrees.
        if (mcpjson::sameCanonicalContent (value, canonical))
        {
            juce::var again;
            ASSERT_EQ (mcpjson::canonicalise (value, again), "");
            EXPECT_EQ (mcpjson::format (again), mcpjson::format (canonical));
        }
    }

    auto broken = base.clone();
    broken.getDynamicObject()->setProperty ("b", std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE (mcpjson::sameCanonicalContent (broken, canonical));
    EXPECT_FALSE (mcpjson::sameCanonicalContent (juce::var::undefined(), juce::var::undefined()));
}

using McpBridgeOperations = BridgeFixture;

TEST_F (McpBridgeOperations, GetJsonFollowsEveryChangeOfTheExportedTree)
{
    makeBridge();
    const auto first = send ("g0", "get_json");
    ASSERT_TRUE ((bool) first["ok"]);
    auto lastRevision = (juce::int64) first["revision"];
    auto lastContent = first["contentRevision"].toString();

    // Changes made in place, on the very tree the store hands out, deep down and at the top.
    const std::function<void (juce::DynamicObject&)> edits[] = {
        [] (juce::DynamicObject& p) { p.setProperty ("name", "Renamed"); },
        [] (juce::DynamicObject& p) { p.setProperty ("tempo", (double) p.getProperty ("tempo") + 0.125); },
        [] (juce::DynamicObject& p) { p.setProperty ("extra", juce::Array<juce::var> { 1 }); },
        [] (juce::DynamicObject& p) { p.getProperty ("extra").getArray()->set (0, 2); },
        [] (juce::DynamicObject& p) { p.removeProperty ("extra"); },
    };

    int n = 0;

    for (const auto& edit : edits)
    {
        edit (*store.project.getDynamicObject());
        const auto id = "g" + juce::String (++n);
        const auto answer = send (id, "get_json");
        ASSERT_TRUE ((bool) answer["ok"]) << n;

        juce::var canonical;
        ASSERT_EQ (mcpjson::canonicalise (store.project, canonical), "");
        const auto text = mcpjson::format (canonical);
        EXPECT_EQ (mcpjson::format (answer["project"]), text) << n;
        EXPECT_EQ (answer["contentRevision"].toString(), mcpjson::sha256Hex (text)) << n;
        EXPECT_NE (answer["contentRevision"].toString(), lastContent) << n;
        EXPECT_EQ ((juce::int64) answer["revision"], lastRevision + 1) << n;
        lastRevision = (juce::int64) answer["revision"];
        lastContent = answer["contentRevision"].toString();

        // Asked again without a change: the same answer apart from its id, byte for byte.
        const auto repeat = send (id + "r", "get_json");
        const auto responses = bridge->getInstanceFolder().getChildFile ("responses");
        EXPECT_EQ (responses.getChildFile (id + "r.json").loadFileAsString().replace (id + "r", id),
                   responses.getChildFile (id + ".json").loadFileAsString()) << n;
    }
}

TEST_F (McpBridgeOperations, SetJsonChangesTheProjectAndItsRevision)
{
    makeBridge();
    const auto before = bridge->getCurrentSnapshot().contentRevision;

    const auto answer = sendSet ("set-1", FakeStore::makeProject ("Next", 3), "change-1");
    ASSERT_TRUE ((bool) answer["ok"]) << answer["errorMessage"].toString();
    EXPECT_TRUE ((bool) answer["contentChanged"]);
    EXPECT_EQ ((juce::int64) answer["revision"], 2);
    EXPECT_NE (answer["contentRevision"].toString(), before);
    EXPECT_EQ (answer["changeId"].toString(), "change-1");
    EXPECT_EQ (answer["project"]["name"].toString(), "Next");
    EXPECT_EQ (store.project["name"].toString(), "Next");
    EXPECT_EQ (store.changes, juce::StringArray { "change-1" });

    // Sorted keys in the answer, and the presence file follows at once.
    EXPECT_EQ (answer["project"].getDynamicObject()->getProperties().getName (0).toString(), "level");
    EXPECT_EQ ((juce::int64) readPresence()["revision"], 2);
    EXPECT_EQ (readPresence()["instanceName"].toString(), "Next");
}

TEST_F (McpBridgeOperations, SetJsonRefusalsComeInOrder)
{
    makeBridge();
    ASSERT_TRUE ((bool) sendSet ("s0", FakeStore::makeProject ("Next"), "used").getProperty ("ok", false));

    struct Row
    {
        const char* changeId;
        int revisionOffset;
        bool writable;
        juce::var project;
        const char* code;
        const char* message;
    };

    const auto valid = FakeStore::makeProject ("Other");
    juce::Array<juce::var> zeros;
    for (int i = 0; i < 600000; ++i)
        zeros.add (0); // small as one line, over 4 MB in the multi-line form
    juce::DynamicObject::Ptr huge (new juce::DynamicObject());
    huge->setProperty ("name", "Huge");
    huge->setProperty ("zeros", zeros);

    const Row rows[] = {
        { "used", -1, false, valid, "DUPLICATE_CHANGE", "changeId has already been used" },
        { "fresh", -1, false, valid, "REVISION_CONFLICT", "Project revision has changed" },
        { "fresh", 0, false, valid, "INSTANCE_BUSY", "INSTANCE_BUSY: saving" },
        { "fresh", 0, true, juce::var (huge.get()), "MESSAGE_TOO_LARGE", "Project exceeds the 4 MB limit" },
        { "fresh", 0, true, FakeStore::makeProject (""), "VALIDATION_FAILED", "$.name: Name must not be empty" },
    };

    int n = 0;

    for (const auto& row : rows)
    {
        store.writable = row.writable;
        store.readOnlyReason = "INSTANCE_BUSY: saving";
        auto r = request ("refused-" + juce::String (n++), "set_json");
        r->setProperty ("expectedRevision", revision() + row.revisionOffset);
        r->setProperty ("project", row.project);
        r->setProperty ("changeId", row.changeId);
        const auto answer = send (r);
        EXPECT_EQ (answer["errorCode"].toString(), row.code);
        EXPECT_EQ (answer["errorMessage"].toString(), row.message);
        EXPECT_EQ (answer["changeId"].toString(), row.changeId);
    }

    EXPECT_EQ (store.applyCount, 1);
    EXPECT_EQ ((juce::int64) readPresence()["revision"], 2);

    // A refused change id is not used up.
    EXPECT_TRUE ((bool) sendSet ("s1", FakeStore::makeProject ("Later"), "fresh")["ok"]);
}

TEST_F (McpBridgeOperations, SetJsonWithTheSameContentChangesNothing)
{
    makeBridge();
    ASSERT_TRUE ((bool) sendSet ("s0", FakeStore::makeProject ("Next"), "c0")["ok"]);

    // Same content in another key order and with 120.5 spelled differently is still the same.
    const auto same = juce::JSON::parse (R"({"tempo": 120.50, "level": 1.0, "name": "Next", "version": 7})");
    const auto answer = sendSet ("s1", same, "c1");
    EXPECT_TRUE ((bool) answer["ok"]);
    EXPECT_FALSE ((bool) answer["contentChanged"]);
    EXPECT_EQ ((juce::int64) answer["revision"], 2);
    EXPECT_EQ (store.applyCount, 1);
    EXPECT_EQ (sendSet ("s2", same, "c1")["errorCode"].toString(), "DUPLICATE_CHANGE");

    // The earlier change can still be undone.
    auto undo = request ("u", "undo");
    undo->setProperty ("expectedRevision", revision());
    undo->setProperty ("changeId", "c-undo");
    EXPECT_EQ (send (undo)["project"]["name"].toString(), "Start");
}

TEST_F (McpBridgeOperations, ApplyFailuresLeaveThePreviousProject)
{
    makeBridge();
    const auto start = bridge->getCurrentSnapshot().contentRevision;

    store.clampOnApply = true;
    auto answer = sendSet ("clamped", FakeStore::makeProject ("Next", 9), "c1");
    EXPECT_EQ (answer["errorCode"].toString(), "APPLY_MISMATCH");
    EXPECT_EQ (answer["errorMessage"].toString(), "Applied project differs from the validated candidate");
    EXPECT_EQ ((juce::int64) answer["revision"], 3); // one for the applied content, one for the restored
    EXPECT_EQ (answer["contentRevision"].toString(), start);
    EXPECT_TRUE (store.changes.isEmpty());

    store.clampOnApply = false;
    store.applyFails = true;
    answer = sendSet ("refused", FakeStore::makeProject ("Next", 9), "c1");
    EXPECT_EQ (answer["errorCode"].toString(), "APPLY_FAILED");
    EXPECT_EQ (answer["errorMessage"].toString(), "Store refused the project");
    EXPECT_EQ ((juce::int64) answer["revision"], 3);

    store.applyFails = false;
    store.applyChangesThenFails = true;
    answer = sendSet ("broken", FakeStore::makeProject ("Next", 9), "c1");
    EXPECT_EQ (answer["errorCode"].toString(), "ROLLBACK_FAILED");
    EXPECT_EQ (answer["errorMessage"].toString(),
               "Apply failed and the previous project could not be restored: Store broke halfway");
    EXPECT_TRUE (store.changes.isEmpty());
}

TEST_F (McpBridgeOperations, UndoRevertsTheLastChangeOnce)
{
    makeBridge();

    auto undo = [this] (const juce::String& id, juce::int64 expected, const juce::String& changeId)
    {
        auto r = request (id, "undo");
        r->setProperty ("expectedRevision", expected);
        r->setProperty ("changeId", changeId);
        return send (r);
    };

    EXPECT_EQ (undo ("u0", 1, "u0")["errorCode"].toString(), "NO_UNDO");
    ASSERT_TRUE ((bool) sendSet ("s1", FakeStore::makeProject ("Next"), "c1")["ok"]);

    EXPECT_EQ (undo ("u1", 1, "u1")["errorCode"].toString(), "REVISION_CONFLICT");
    EXPECT_EQ (undo ("u2", 2, "c1")["errorCode"].toString(), "DUPLICATE_CHANGE");

    const auto answer = undo ("u3", 2, "u3");
    ASSERT_TRUE ((bool) answer["ok"]) << answer["errorMessage"].toString();
    EXPECT_TRUE ((bool) answer["contentChanged"]);
    EXPECT_EQ ((juce::int64) answer["revision"], 3); // revisions only grow
    EXPECT_EQ (answer["project"]["name"].toString(), "Start");
    EXPECT_EQ (store.changes, (juce::StringArray { "c1", "u3" }));

    EXPECT_EQ (undo ("u4", 3, "u4")["errorCode"].toString(), "NO_UNDO");
    EXPECT_EQ (undo ("u4b", 3, "u3")["errorCode"].toString(), "DUPLICATE_CHANGE");

    // An edit outside the bridge after the change makes undo refuse, even at the current revision.
    ASSERT_TRUE ((bool) sendSet ("s2", FakeStore::makeProject ("Again"), "c2")["ok"]);
    store.editOutside ("Edited in the editor");
    const auto conflict = undo ("u5", revision() + 1, "u5");
    EXPECT_EQ (conflict["errorCode"].toString(), "UNDO_CONFLICT");
    EXPECT_EQ (conflict["errorMessage"].toString(), "Project changed after the MCP update");

    store.writable = false;
    EXPECT_EQ (undo ("u6", revision(), "u6")["errorCode"].toString(), "INSTANCE_READ_ONLY");
}

TEST_F (McpBridgeOperations, ReadsWorkOnReadOnlyInstances)
{
    store.writable = false;
    makeBridge();

    const auto got = send ("g", "get_json");
    EXPECT_TRUE ((bool) got["ok"]);
    EXPECT_EQ (got["project"]["name"].toString(), "Start");
    EXPECT_TRUE (got["payload"].isObject());
    EXPECT_EQ (got["changeId"].toString(), "");

    auto validate = request ("v", "validate_json");
    validate->setProperty ("project", juce::JSON::parse (R"({"name": "Fine", "b": 1.0, "a": 2})"));
    const auto valid = send (validate);
    EXPECT_TRUE ((bool) valid["ok"]);
    EXPECT_EQ (juce::JSON::toString (valid["project"], true), R"({"a": 2, "b": 1, "name": "Fine"})");

    validate = request ("v2", "validate_json");
    validate->setProperty ("project", juce::JSON::parse (R"({"name": ""})"));
    EXPECT_EQ (send (validate)["errorMessage"].toString(), "$.name: Name must not be empty");
    EXPECT_EQ (store.applyCount, 0);
}

TEST_F (McpBridgeOperations, BrokenExportFailsEveryProjectOperation)
{
    makeBridge();
    const auto presenceBefore = readPresence();
    store.exportNaN = true;

    for (auto* operation : { "get_json", "get_transaction_status" })
    {
        const auto answer = send (juce::String ("x-") + operation, operation);
        EXPECT_EQ (answer["errorCode"].toString(), "EXPORT_FAILED");
        EXPECT_EQ (answer["errorMessage"].toString(), "Project contains a non-finite number");
        EXPECT_EQ ((juce::int64) answer["revision"], 1);
    }

    advance (5000);
    tick();
    EXPECT_EQ (juce::JSON::toString (readPresence()), juce::JSON::toString (presenceBefore));
    EXPECT_EQ (bridge->getLastError(), "Project contains a non-finite number");
}

TEST_F (McpBridgeOperations, ExportSizeLimitIsExact)
{
    const juce::int64 limit = 4190208;
    auto projectOfSize = [] (juce::int64 size)
    {
        auto p = FakeStore::makeProject ("Sized");
        p.getDynamicObject()->setProperty ("pad", "");
        juce::var canonical;
        mcpjson::canonicalise (p, canonical);
        const auto frame = (juce::int64) mcpjson::format (canonical).getNumBytesAsUTF8();
        p.getDynamicObject()->setProperty ("pad", juce::String::repeatedString ("p", (int) (size - frame)));
        return p;
    };

    store.project = projectOfSize (limit);
    makeBridge();
    EXPECT_EQ ((juce::int64) bridge->getCurrentSnapshot().jsonText.getNumBytesAsUTF8(), limit);
    EXPECT_TRUE ((bool) send ("fits", "get_json")["ok"]);

    store.project = projectOfSize (limit + 1);
    const auto answer = send ("too-big", "get_json");
    EXPECT_EQ (answer["errorCode"].toString(), "MESSAGE_TOO_LARGE");
    EXPECT_EQ (answer["errorMessage"].toString(), "Exported project exceeds the 4 MB limit");
}

TEST_F (McpBridgeOperations, ProductResourceOperations)
{
    makeBridge();

    auto productRequest = [this] (const juce::String& id)
    {
        auto r = request (id, "runnel_get_output_profile");
        r->setProperty ("payload", juce::JSON::parse (R"({"profile": "a"})"));
        return r;
    };

    auto answer = send (productRequest ("p0"));
    EXPECT_EQ (answer["errorCode"].toString(), "UNSUPPORTED_OPERATION");
    EXPECT_EQ (answer["errorMessage"].toString(), "Product resource operations are not supported by this plugin");

    struct Row
    {
        juce::var payload;
        bool fails;
        const char* errorCode;
        const char* expectedCode;
        const char* expectedMessage;
    };

    const Row rows[] = {
        { juce::JSON::parse (R"({"x": 1})"), false, "", "", "" },
        { juce::var ("text"), false, "", "INVALID_PRODUCT_RESOURCE_RESPONSE", "Product resource response payload must be a JSON object" },
        { {}, true, "PROFILE_MISSING", "PROFILE_MISSING", "no such profile" },
        { {}, true, "bad code!", "PRODUCT_RESOURCE_FAILED", "no such profile" },
    };

    int n = 0;

    for (const auto& row : rows)
    {
        auto c = store.callbacks();
        c.productResource = [row] (const juce::String& operation, const juce::var& payload,
                                   tolmek::McpPluginBridge::ProductResourceResult& result)
        {
            EXPECT_EQ (operation, "runnel_get_output_profile");
            EXPECT_EQ (payload["profile"].toString(), "a");
            result.payload = row.payload;
            result.errorCode = row.errorCode;
            result.contentChanged = true;
            return row.fails ? juce::Result::fail ("no such profile") : juce::Result::ok();
        };

        bridge.reset();
        makeBridge (c);
        answer = send (productRequest ("p" + juce::String (++n)));
        EXPECT_EQ (answer["errorCode"].toString(), row.expectedCode);
        EXPECT_EQ (answer["errorMessage"].toString(), row.expectedMessage);
        EXPECT_TRUE (answer["payload"].isObject());
        EXPECT_EQ ((bool) answer["contentChanged"], ! row.fails && juce::String (row.expectedCode).isEmpty());
    }
}
