// Two-phase changes under a lease: prepare_set, commit, finalize, rollback.

#include "kit/McpPluginBridge.h"

#include <algorithm>
#include <limits>

namespace tolmek
{

namespace
{
const char* const busyMessage = "Another MCP transaction is active";
const char* const mismatchMessage = "changeId does not match the transaction";
const char* const completedMessage = "transactionId has already completed";

bool changeIdMatches (const juce::String& requested, const juce::String& own)
{
    return requested.isEmpty() || requested == own;
}
} // namespace

McpPluginBridge::FinalizedTransaction* McpPluginBridge::findFinalized (const juce::String& transactionId)
{
    for (auto& entry : finalized)
        if (entry.transactionId == transactionId)
            return &entry;

    return nullptr;
}

void McpPluginBridge::removeFinalized (const juce::String& transactionId)
{
    finalized.erase (std::remove_if (finalized.begin(), finalized.end(),
                                     [&] (const FinalizedTransaction& e) { return e.transactionId == transactionId; }),
                     finalized.end());
}

void McpPluginBridge::expireFinalizedTransactions (juce::int64 nowMs)
{
    for (auto it = finalized.begin(); it != finalized.end();)
    {
        if (it->keepUntilMs <= nowMs)
        {
            completedTransactions.remember (it->transactionId);
            it = finalized.erase (it);
        }
        else
        {
            ++it;
        }
    }
}

juce::var McpPluginBridge::handlePrepareSet (const Request& request)
{
    if (transaction.has_value())
        return makeErrorResponse (request, "TRANSACTION_BUSY", busyMessage);

    if (findFinalized (request.transactionId) != nullptr || completedTransactions.contains (request.transactionId))
        return makeErrorResponse (request, "DUPLICATE_TRANSACTION", "transactionId has already been used");

    Snapshot candidate;

    if (auto refused = checkProposedChange (request, candidate); ! refused.isVoid())
        return refused;

    const bool differs = candidate.contentRevision != current.contentRevision;
    candidate.revision = differs && current.revision < std::numeric_limits<juce::int64>::max() ? current.revision + 1
                                                                                             : current.revision;

    Transaction t;
    t.transactionId = request.transactionId;
    t.changeId = request.changeId;
    t.before = current;
    t.next = std::move (candidate);
    t.leaseUntilMs = now() + transactionLeaseMs;
    t.phase = Phase::prepared;
    transaction = std::move (t);
    usedChangeIds.remember (request.changeId);

    return makeResponse (request, true, false, request.changeId, current.project, {}, {}, {});
}

juce::var McpPluginBridge::handleCommit (const Request& request)
{
    if (const auto* entry = findFinalized (request.transactionId))
    {
        if (! changeIdMatches (request.changeId, entry->changeId))
            return makeErrorResponse (request, "CHANGE_ID_MISMATCH", mismatchMessage);

        return makeResponse (request, true, entry->before.contentRevision != entry->after.contentRevision,
                             entry->changeId, entry->after.project, {}, {}, {});
    }

    if (completedTransactions.contains (request.transactionId))
        return makeErrorResponse (request, "DUPLICATE_TRANSACTION", completedMessage);

    if (! transaction.has_value())
        return makeErrorResponse (request, "TRANSACTION_NOT_FOUND", "Transaction is not prepared");

    auto& t = *transaction;

    if (t.transactionId != request.transactionId)
        return makeErrorResponse (request, "TRANSACTION_BUSY", busyMessage);

    if (! changeIdMatches (request.changeId, t.changeId))
        return makeErrorResponse (request, "CHANGE_ID_MISMATCH", mismatchMessage);

    if (t.phase == Phase::committed)
        return makeResponse (request, true, t.before.contentRevision != t.after.contentRevision, t.changeId,
                             t.after.project, {}, {}, {});

    if (now() >= t.leaseUntilMs)
        return makeErrorResponse (request, "TRANSACTION_EXPIRED", "Transaction has expired");

    if (current.contentRevision != t.before.contentRevision || current.revision != t.before.revision)
        return makeErrorResponse (request, "TRANSACTION_CONFLICT", "Project changed after prepare_set");

    if (juce::String refusalText; ! checkWritable (refusalText))
        return refusal (request, refusalText);

    if (t.next.contentRevision == t.before.contentRevision)
    {
        t.after = current;
        t.phase = Phase::committed;
        t.leaseUntilMs = now() + transactionLeaseMs;
        return makeResponse (request, true, false, t.changeId, current.project, {}, {}, {});
    }

    Snapshot result;
    juce::String code, message;

    if (applyAndVerify (t.next, t.before, result, code, message).isNotEmpty())
        return makeErrorResponse (request, code, message);

    t.after = result;
    t.phase = Phase::committed;
    t.leaseUntilMs = now() + transactionLeaseMs;
    const auto changeId = t.changeId;
    notifyChange (changeId);
    publishPresence();
    return makeResponse (request, true, true, changeId, result.project, {}, {}, {});
}

juce::var McpPluginBridge::handleFinalize (const Request& request)
{
    if (const auto* entry = findFinalized (request.transactionId))
    {
        if (! changeIdMatches (request.changeId, entry->changeId))
            return makeErrorResponse (request, "CHANGE_ID_MISMATCH", mismatchMessage);

        return makeResponse (request, true, false, entry->changeId, entry->after.project, {}, {}, {});
    }

    if (completedTransactions.contains (request.transactionId))
        return makeErrorResponse (request, "DUPLICATE_TRANSACTION", completedMessage);

    if (! transaction.has_value())
        return makeErrorResponse (request, "TRANSACTION_NOT_FOUND", "Transaction is not active");

    const auto& t = *transaction;

    if (t.transactionId != request.transactionId)
        return makeErrorResponse (request, "TRANSACTION_BUSY", busyMessage);

    if (! changeIdMatches (request.changeId, t.changeId))
        return makeErrorResponse (request, "CHANGE_ID_MISMATCH", mismatchMessage);

    if (t.phase == Phase::prepared)
        return makeErrorResponse (request, "TRANSACTION_NOT_COMMITTED", "Transaction must be committed first");

    const auto nowMs = now();

    if (nowMs >= t.leaseUntilMs)
        return makeErrorResponse (request, "TRANSACTION_EXPIRED", "Transaction has expired");

    if (current.contentRevision != t.after.contentRevision)
        return makeErrorResponse (request, "TRANSACTION_CONFLICT", "Project changed after commit");

    finalized.push_back ({ t.transactionId, t.changeId, t.before, t.after,
                           std::max (t.leaseUntilMs, nowMs + transactionLeaseMs) });

    if (t.before.contentRevision != t.after.contentRevision)
        undoRecord = UndoRecord { t.before, t.after.contentRevision, t.transactionId };

    const auto changeId = t.changeId;
    transaction.reset();
    return makeResponse (request, true, false, changeId, current.project, {}, {}, {});
}

juce::var McpPluginBridge::restoreBefore (const Request& request, Snapshot before, Snapshot after,
                                          const juce::String& changeId, Snapshot& result)
{
    juce::String code, message;

    if (applyAndVerify (before, after, result, code, message).isNotEmpty())
        return makeErrorResponse (request, code, message);

    notifyChange (changeId);
    return {};
}

juce::var McpPluginBridge::handleRollback (const Request& request)
{
    const auto id = request.transactionId;

    if (const auto* entry = findFinalized (id))
    {
        if (! changeIdMatches (request.changeId, entry->changeId))
            return makeErrorResponse (request, "CHANGE_ID_MISMATCH", mismatchMessage);

        if (current.contentRevision != entry->after.contentRevision)
            return makeErrorResponse (request, "ROLLBACK_CONFLICT", "Project changed after finalize");

        const auto changeId = entry->changeId;

        if (entry->before.contentRevision == entry->after.contentRevision)
        {
            removeFinalized (id);
            completedTransactions.remember (id);
            rolledBackTransactions.remember (id);
            return makeResponse (request, true, false, changeId, current.project, {}, {}, {});
        }

        Snapshot result;

        if (auto failed = restoreBefore (request, entry->before, entry->after, changeId, result); ! failed.isVoid())
            return failed;

        if (undoRecord.has_value() && undoRecord->transactionId == id)
            undoRecord.reset();

        removeFinalized (id);
        completedTransactions.remember (id);
        rolledBackTransactions.remember (id);
        publishPresence();
        return makeResponse (request, true, true, changeId, result.project, {}, {}, {});
    }

    if (rolledBackTransactions.contains (id))
        return makeResponse (request, true, false, request.changeId, current.project, {}, {}, {});

    if (completedTransactions.contains (id))
        return makeErrorResponse (request, "DUPLICATE_TRANSACTION", completedMessage);

    if (! transaction.has_value())
        return makeErrorResponse (request, "TRANSACTION_NOT_FOUND", "Transaction is not active");

    if (transaction->transactionId != id)
        return makeErrorResponse (request, "TRANSACTION_BUSY", busyMessage);

    if (! changeIdMatches (request.changeId, transaction->changeId))
        return makeErrorResponse (request, "CHANGE_ID_MISMATCH", mismatchMessage);

    const auto changeId = transaction->changeId;

    auto endTransaction = [this, &id]
    {
        rolledBackTransactions.remember (id);
        completedTransactions.remember (id);
        transaction.reset();
    };

    if (transaction->phase == Phase::prepared)
    {
        endTransaction();
        return makeResponse (request, true, false, changeId, current.project, {}, {}, {});
    }

    if (current.contentRevision != transaction->after.contentRevision)
        return makeErrorResponse (request, "ROLLBACK_CONFLICT", "Project changed after commit");

    if (transaction->before.contentRevision == transaction->after.contentRevision)
    {
        endTransaction();
        return makeResponse (request, true, false, changeId, current.project, {}, {}, {});
    }

    Snapshot result;

    if (auto failed = restoreBefore (request, transaction->before, transaction->after, changeId, result); ! failed.isVoid())
        return failed;
    endTransaction();
    publishPresence();
    return makeResponse (request, true, true, changeId, result.project, {}, {}, {});
}

juce::var McpPluginBridge::handleTransactionStatus (const Request& request)
{
    const auto* t = transaction.has_value() ? &*transaction : nullptr;

    juce::DynamicObject::Ptr status (new juce::DynamicObject());
    status->setProperty ("phase", t == nullptr ? "IDLE" : (t->phase == Phase::prepared ? "PREPARED" : "COMMITTED"));
    status->setProperty ("transactionId", t == nullptr ? juce::String() : t->transactionId);
    status->setProperty ("changeId", t == nullptr ? juce::String() : t->changeId);
    status->setProperty ("leaseUntilMs", t == nullptr ? juce::int64 (0) : t->leaseUntilMs);
    status->setProperty ("currentRevision", current.revision);
    status->setProperty ("currentContentRevision", current.contentRevision);
    status->setProperty ("currentJson", current.project);
    status->setProperty ("nextRevision", t == nullptr ? juce::int64 (0) : t->next.revision);
    status->setProperty ("nextContentRevision", t == nullptr ? juce::String() : t->next.contentRevision);
    status->setProperty ("nextJson", t == nullptr ? juce::var() : t->next.project);
    status->setProperty ("lastRecoveryTransactionId", lastRecoveryTransactionId);
    status->setProperty ("lastRecoveryError", lastRecoveryError);

    return makeResponse (request, true, false, {}, {}, juce::var (status.get()), {}, {});
}

void McpPluginBridge::checkTransactionLease (juce::int64 nowMs)
{
    if (! transaction.has_value() || nowMs < transaction->leaseUntilMs)
        return;

    auto& t = *transaction;
    const auto id = t.transactionId;

    if (t.phase == Phase::prepared)
    {
        lastRecoveryTransactionId = id;
        lastRecoveryError = {};
        rolledBackTransactions.remember (id);
        completedTransactions.remember (id);
        transaction.reset();
        return;
    }

    if (nowMs < t.nextRecoveryAttemptMs)
        return;

    if (auto error = refreshRevision(); error.isNotEmpty())
    {
        setLastError (error);
        t.nextRecoveryAttemptMs = nowMs + 1000;
        return;
    }

    if (current.contentRevision != t.after.contentRevision)
    {
        lastRecoveryTransactionId = id;
        lastRecoveryError = "Committed project changed independently; automatic rollback was skipped";
        completedTransactions.remember (id);
        transaction.reset();
        return;
    }

    if (t.before.contentRevision == t.after.contentRevision)
    {
        lastRecoveryTransactionId = id;
        lastRecoveryError = {};
        rolledBackTransactions.remember (id);
        completedTransactions.remember (id);
        transaction.reset();
        return;
    }

    const auto before = t.before, after = t.after;
    const auto changeId = t.changeId;
    Snapshot result;
    juce::String code, message;

    if (applyAndVerify (before, after, result, code, message).isNotEmpty())
    {
        setLastError ("Automatic MCP rollback failed: " + message);
        lastRecoveryTransactionId = id;
        lastRecoveryError = message;
        t.nextRecoveryAttemptMs = nowMs + 1000;
        return;
    }

    notifyChange (changeId);
    lastRecoveryTransactionId = id;
    lastRecoveryError = {};
    rolledBackTransactions.remember (id);
    completedTransactions.remember (id);
    transaction.reset();
    publishPresence();
}

} // namespace tolmek
