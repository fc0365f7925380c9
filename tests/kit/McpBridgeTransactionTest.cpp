// Two-phase changes: prepare, commit, finalize, rollback, leases and automatic recovery.

#include "McpBridgeFixture.h"

using namespace bridge_test;

namespace
{
class McpBridgeTransactions : public BridgeFixture
{
protected:
    void SetUp() override
    {
        BridgeFixture::SetUp();
        makeBridge();
    }

    juce::var prepare (const juce::String& transactionId, const juce::String& changeId, const juce::var& project)
    {
        auto r = request ("prep-" + juce::String (++counter), "prepare_set");
        r->setProperty ("expectedRevision", revision());
        r->setProperty ("transactionId", transactionId);
        r->setProperty ("changeId", changeId);
        r->setProperty ("project", project);
        return send (r);
    }

    juce::var step (const juce::String& operation, const juce::String& transactionId, const juce::String& changeId = {})
    {
        auto r = request (operation + "-" + juce::String (++counter), operation);
        r->setProperty ("transactionId", transactionId);

        if (changeId.isNotEmpty())
            r->setProperty ("changeId", changeId);

        return send (r);
    }

    juce::var status() { return send ("status-" + juce::String (++counter), "get_transaction_status")["payload"]; }

    juce::String name() const { return store.project["name"].toString(); }

    int counter = 0;
};

#define EXPECT_ERROR(answer, code, message)                        \
    do                                                             \
    {                                                              \
        const auto a_ = (answer);                                  \
        EXPECT_FALSE ((bool) a_["ok"]);                            \
        EXPECT_EQ (a_["errorCode"].toString(), code);              \
        EXPECT_EQ (a_["errorMessage"].toString(), message);        \
    } while (false)
} // namespace

TEST_F (McpBridgeTransactions, PrepareCommitFinalizeThenUndo)
{
    const auto prepared = prepare ("t1", "c1", FakeStore::makeProject ("Next"));
    ASSERT_TRUE ((bool) prepared["ok"]) << prepared["errorMessage"].toString();
    EXPECT_FALSE ((bool) prepared["contentChanged"]);
    EXPECT_EQ (prepared["project"]["name"].toString(), "Start");
    EXPECT_EQ (name(), "Start");

    const auto committed = step ("commit", "t1");
    EXPECT_TRUE ((bool) committed["contentChanged"]);
    EXPECT_EQ ((juce::int64) committed["revision"], 2);
    EXPECT_EQ (committed["changeId"].toString(), "c1");
    EXPECT_EQ (name(), "Next");
    EXPECT_EQ (store.changes, juce::StringArray { "c1" });
    EXPECT_EQ ((juce::int64) readPresence()["revision"], 2);

    const auto finalized = step ("finalize", "t1", "c1");
    EXPECT_TRUE ((bool) finalized["ok"]);
    EXPECT_FALSE ((bool) finalized["contentChanged"]);
    EXPECT_EQ (status()["phase"].toString(), "IDLE");

    auto undo = request ("undo-1", "undo");
    undo->setProperty ("expectedRevision", revision());
    undo->setProperty ("changeId", "c-undo");
    const auto undone = send (undo);
    EXPECT_TRUE ((bool) undone["contentChanged"]) << undone["errorMessage"].toString();
    EXPECT_EQ (name(), "Start");
    EXPECT_EQ (store.changes.size(), 2);
}

TEST_F (McpBridgeTransactions, OtherChangesAreBusyWhileActive)
{
    ASSERT_TRUE ((bool) prepare ("t1", "c1", FakeStore::makeProject ("Next"))["ok"]);

    EXPECT_ERROR (sendSet ("set", FakeStore::makeProject ("Other"), "c2"), "TRANSACTION_BUSY", "Another MCP transaction is active");
    EXPECT_ERROR (prepare ("t2", "c3", FakeStore::makeProject ("Other")), "TRANSACTION_BUSY", "Another MCP transaction is active");
    auto undo = request ("undo", "undo");
    undo->setProperty ("expectedRevision", revision());
    undo->setProperty ("changeId", "c4");
    EXPECT_ERROR (send (undo), "TRANSACTION_BUSY", "Another MCP transaction is active");
    EXPECT_ERROR (step ("commit", "t2"), "TRANSACTION_BUSY", "Another MCP transaction is active");
    EXPECT_ERROR (step ("commit", "t1", "c9"), "CHANGE_ID_MISMATCH", "changeId does not match the transaction");
    EXPECT_ERROR (step ("finalize", "t1"), "TRANSACTION_NOT_COMMITTED", "Transaction must be committed first");

    EXPECT_TRUE ((bool) send ("get", "get_json")["ok"]);
    auto validate = request ("validate", "validate_json");
    validate->setProperty ("project", FakeStore::makeProject ("Other"));
    EXPECT_TRUE ((bool) send (validate)["ok"]);
    EXPECT_EQ (store.applyCount, 0);

    // The change id was used up at prepare, whatever happens later.
    ASSERT_TRUE ((bool) step ("rollback", "t1")["ok"]);
    EXPECT_ERROR (sendSet ("set-2", FakeStore::makeProject ("Other"), "c1"), "DUPLICATE_CHANGE", "changeId has already been used");
}

TEST_F (McpBridgeTransactions, UnknownAndUsedIds)
{
    EXPECT_ERROR (step ("commit", "nope"), "TRANSACTION_NOT_FOUND", "Transaction is not prepared");
    EXPECT_ERROR (step ("finalize", "nope"), "TRANSACTION_NOT_FOUND", "Transaction is not active");
    EXPECT_ERROR (step ("abort_transaction", "nope"), "TRANSACTION_NOT_FOUND", "Transaction is not active");

    ASSERT_TRUE ((bool) prepare ("t1", "c1", FakeStore::makeProject ("Next"))["ok"]);
    ASSERT_TRUE ((bool) step ("abort_transaction", "t1", "c1")["ok"]);
    EXPECT_ERROR (prepare ("t1", "c2", FakeStore::makeProject ("Next")), "DUPLICATE_TRANSACTION", "transactionId has already been used");
    EXPECT_ERROR (step ("commit", "t1"), "DUPLICATE_TRANSACTION", "transactionId has already completed");

    const auto again = step ("rollback", "t1", "whatever");
    EXPECT_TRUE ((bool) again["ok"]);
    EXPECT_FALSE ((bool) again["contentChanged"]);
    EXPECT_EQ (again["changeId"].toString(), "whatever");
}

TEST_F (McpBridgeTransactions, EditBetweenPrepareAndCommitIsAConflict)
{
    ASSERT_TRUE ((bool) prepare ("t1", "c1", FakeStore::makeProject ("Next"))["ok"]);
    store.editOutside ("Editor");

    EXPECT_ERROR (step ("commit", "t1"), "TRANSACTION_CONFLICT", "Project changed after prepare_set");
    EXPECT_EQ (status()["phase"].toString(), "PREPARED");
    EXPECT_EQ (name(), "Editor");

    ASSERT_TRUE ((bool) step ("rollback", "t1")["ok"]);
    EXPECT_EQ (name(), "Editor");
}

TEST_F (McpBridgeTransactions, ReplaysOfCommitAndFinalize)
{
    ASSERT_TRUE ((bool) prepare ("t1", "c1", FakeStore::makeProject ("Next"))["ok"]);
    const auto committed = step ("commit", "t1");
    const auto lease = (juce::int64) status()["leaseUntilMs"];

    advance (10000);
    const auto replay = step ("commit", "t1", "c1");
    EXPECT_TRUE ((bool) replay["contentChanged"]);
    EXPECT_EQ (juce::JSON::toString (replay["project"]), juce::JSON::toString (committed["project"]));
    EXPECT_EQ ((juce::int64) status()["leaseUntilMs"], lease); // not renewed
    EXPECT_EQ (store.applyCount, 1);

    ASSERT_TRUE ((bool) step ("finalize", "t1")["ok"]);
    EXPECT_TRUE ((bool) step ("commit", "t1")["contentChanged"]);
    EXPECT_EQ (step ("finalize", "t1")["project"]["name"].toString(), "Next");
    EXPECT_ERROR (step ("finalize", "t1", "other"), "CHANGE_ID_MISMATCH", "changeId does not match the transaction");

    // Kept until 30 s after finalize (later than the lease), then forgotten.
    advance (29999);
    tick();
    EXPECT_TRUE ((bool) step ("commit", "t1")["ok"]);
    advance (1);
    tick();
    EXPECT_ERROR (step ("commit", "t1"), "DUPLICATE_TRANSACTION", "transactionId has already completed");
    EXPECT_ERROR (step ("rollback", "t1"), "DUPLICATE_TRANSACTION", "transactionId has already completed");
}

TEST_F (McpBridgeTransactions, RollbackAfterFinalize)
{
    ASSERT_TRUE ((bool) prepare ("t1", "c1", FakeStore::makeProject ("Next"))["ok"]);
    step ("commit", "t1");
    step ("finalize", "t1");

    const auto rolled = step ("rollback", "t1");
    EXPECT_TRUE ((bool) rolled["contentChanged"]);
    EXPECT_EQ (name(), "Start");
    EXPECT_EQ (store.changes, (juce::StringArray { "c1", "c1" }));

    // The undo record belonged to the rolled-back transaction.
    auto undo = request ("undo", "undo");
    undo->setProperty ("expectedRevision", revision());
    undo->setProperty ("changeId", "u1");
    EXPECT_ERROR (send (undo), "NO_UNDO", "No MCP change is available to undo");

    // Finalized, then edited elsewhere: the rollback would lose that edit.
    ASSERT_TRUE ((bool) prepare ("t2", "c2", FakeStore::makeProject ("Second"))["ok"]);
    step ("commit", "t2");
    step ("finalize", "t2");
    store.editOutside ("Editor");
    EXPECT_ERROR (step ("rollback", "t2"), "ROLLBACK_CONFLICT", "Project changed after finalize");
    EXPECT_EQ (name(), "Editor");
}

TEST_F (McpBridgeTransactions, RollbackOfCommittedAndItsConflict)
{
    ASSERT_TRUE ((bool) prepare ("t1", "c1", FakeStore::makeProject ("Next"))["ok"]);
    step ("commit", "t1");
    store.editOutside ("Editor");
    EXPECT_ERROR (step ("rollback", "t1"), "ROLLBACK_CONFLICT", "Project changed after commit");
    EXPECT_ERROR (step ("finalize", "t1"), "TRANSACTION_CONFLICT", "Project changed after commit");
    EXPECT_EQ (status()["phase"].toString(), "COMMITTED");

    store.editOutside ("Next");
    const auto rolled = step ("rollback", "t1");
    EXPECT_TRUE ((bool) rolled["contentChanged"]);
    EXPECT_EQ (name(), "Start");
    EXPECT_EQ (status()["phase"].toString(), "IDLE");
}

TEST_F (McpBridgeTransactions, PreparedTransactionExpires)
{
    ASSERT_TRUE ((bool) prepare ("t1", "c1", FakeStore::makeProject ("Next"))["ok"]);

    advance (29999);
    tick();
    EXPECT_EQ (status()["phase"].toString(), "PREPARED");

    advance (1);
    tick();
    const auto s = status();
    EXPECT_EQ (s["phase"].toString(), "IDLE");
    EXPECT_EQ (s["lastRecoveryTransactionId"].toString(), "t1");
    EXPECT_EQ (s["lastRecoveryError"].toString(), "");
    EXPECT_ERROR (step ("commit", "t1"), "DUPLICATE_TRANSACTION", "transactionId has already completed");
    EXPECT_FALSE ((bool) step ("rollback", "t1")["contentChanged"]);
    EXPECT_EQ (store.applyCount, 0);
}

TEST_F (McpBridgeTransactions, ExpiryIsCheckedWhenTheLeaseCheckHasNotRunYet)
{
    ASSERT_TRUE ((bool) prepare ("t1", "c1", FakeStore::makeProject ("Next"))["ok"]);
    advance (30000);

    tolmek::McpPluginBridge::Request r;
    r.requestId = "direct";
    r.operation = "commit";
    r.transactionId = "t1";
    EXPECT_ERROR (bridge->dispatch (r), "TRANSACTION_EXPIRED", "Transaction has expired");
    EXPECT_EQ (store.applyCount, 0);
}

TEST_F (McpBridgeTransactions, CommittedTransactionIsRolledBackWhenItsLeaseEnds)
{
    ASSERT_TRUE ((bool) prepare ("t1", "c1", FakeStore::makeProject ("Next"))["ok"]);
    advance (20000);
    step ("commit", "t1"); // renews the lease to 30 s from here

    advance (29999);
    tick();
    EXPECT_EQ (name(), "Next");

    advance (1);
    tick();
    EXPECT_EQ (name(), "Start");
    EXPECT_EQ (store.changes, (juce::StringArray { "c1", "c1" }));
    EXPECT_EQ (readPresence()["instanceName"].toString(), "Start");
    const auto s = status();
    EXPECT_EQ (s["phase"].toString(), "IDLE");
    EXPECT_EQ (s["lastRecoveryTransactionId"].toString(), "t1");
    EXPECT_EQ (s["lastRecoveryError"].toString(), "");
    EXPECT_FALSE ((bool) step ("rollback", "t1")["contentChanged"]);
}

TEST_F (McpBridgeTransactions, IndependentEditAfterCommitSkipsTheAutomaticRollback)
{
    ASSERT_TRUE ((bool) prepare ("t1", "c1", FakeStore::makeProject ("Next"))["ok"]);
    step ("commit", "t1");
    store.editOutside ("Editor");

    advance (30000);
    tick();
    EXPECT_EQ (name(), "Editor");
    const auto s = status();
    EXPECT_EQ (s["phase"].toString(), "IDLE");
    EXPECT_EQ (s["lastRecoveryError"].toString(), "Committed project changed independently; automatic rollback was skipped");
    EXPECT_ERROR (step ("rollback", "t1"), "DUPLICATE_TRANSACTION", "transactionId has already completed");
}

TEST_F (McpBridgeTransactions, FailedAutomaticRollbackIsRetriedEverySecond)
{
    ASSERT_TRUE ((bool) prepare ("t1", "c1", FakeStore::makeProject ("Next"))["ok"]);
    step ("commit", "t1");
    store.applyFails = true;
    const auto appliesBefore = store.applyCount;

    advance (30000);
    tick();
    EXPECT_EQ (store.applyCount, appliesBefore + 1);
    EXPECT_EQ (status()["lastRecoveryError"].toString(), "Store refused the project");
    EXPECT_EQ (status()["phase"].toString(), "COMMITTED");
    EXPECT_ERROR (sendSet ("set", FakeStore::makeProject ("Other"), "c2"), "TRANSACTION_BUSY", "Another MCP transaction is active");

    advance (999);
    tick();
    EXPECT_EQ (store.applyCount, appliesBefore + 1);

    store.applyFails = false;
    advance (1);
    tick();
    EXPECT_EQ (name(), "Start");
    EXPECT_EQ (status()["phase"].toString(), "IDLE");
    EXPECT_EQ (status()["lastRecoveryError"].toString(), "");
}

TEST_F (McpBridgeTransactions, SameContentTransactionChangesNothing)
{
    ASSERT_TRUE ((bool) prepare ("t1", "c1", FakeStore::makeProject ("Start"))["ok"]);
    EXPECT_EQ ((juce::int64) status()["nextRevision"], 1);

    const auto committed = step ("commit", "t1");
    EXPECT_TRUE ((bool) committed["ok"]);
    EXPECT_FALSE ((bool) committed["contentChanged"]);
    EXPECT_EQ ((juce::int64) committed["revision"], 1);
    ASSERT_TRUE ((bool) step ("finalize", "t1")["ok"]);
    EXPECT_FALSE ((bool) step ("rollback", "t1")["contentChanged"]);
    EXPECT_EQ (store.applyCount, 0);
    EXPECT_TRUE (store.changes.isEmpty());
}

TEST_F (McpBridgeTransactions, StatusPayload)
{
    auto s = status();
    const juce::StringArray keys { "phase", "transactionId", "changeId", "leaseUntilMs", "currentRevision",
                                   "currentContentRevision", "currentJson", "nextRevision", "nextContentRevision",
                                   "nextJson", "lastRecoveryTransactionId", "lastRecoveryError" };
    juce::StringArray actual;
    for (const auto& p : s.getDynamicObject()->getProperties())
        actual.add (p.name.toString());
    EXPECT_EQ (actual, keys);
    EXPECT_EQ (s["phase"].toString(), "IDLE");
    EXPECT_EQ ((juce::int64) s["leaseUntilMs"], 0);
    EXPECT_EQ ((juce::int64) s["nextRevision"], 0);
    EXPECT_TRUE (s["nextJson"].isVoid());
    EXPECT_EQ (s["currentJson"]["name"].toString(), "Start");

    const auto preparedAt = nowMs;
    ASSERT_TRUE ((bool) prepare ("t1", "c1", FakeStore::makeProject ("Next"))["ok"]);
    step ("commit", "t1");
    s = status();
    EXPECT_EQ (s["phase"].toString(), "COMMITTED");
    EXPECT_EQ (s["transactionId"].toString(), "t1");
    EXPECT_EQ (s["changeId"].toString(), "c1");
    EXPECT_EQ ((juce::int64) s["leaseUntilMs"], preparedAt + 30000);
    EXPECT_EQ ((juce::int64) s["currentRevision"], 2);
    EXPECT_EQ ((juce::int64) s["nextRevision"], 2);
    EXPECT_EQ (s["nextContentRevision"].toString(), s["currentContentRevision"].toString());
    EXPECT_EQ (s["nextJson"]["name"].toString(), "Next");
}
