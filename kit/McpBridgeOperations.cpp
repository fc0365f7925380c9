// Snapshots, revisions and the one-shot project operations.

#include "kit/McpPluginBridge.h"

#include "kit/McpJson.h"

#include <limits>
#include <utility>

namespace tolmek
{

namespace
{
juce::String textSizeCode (const juce::String& failure, const char* otherwise)
{
    return failure.contains ("4 MB") ? "MESSAGE_TOO_LARGE" : otherwise;
}

juce::var emptyObject() { return juce::var (new juce::DynamicObject()); }
} // namespace

juce::String McpPluginBridge::exportProjectSnapshot (Snapshot& snapshot) const
{
    if (! callbacks.exportJson)
        return "Missing MCP exportJson callback";

    const auto exported = callbacks.exportJson();

    if (! exported.isObject())
        return "exportJson must return a JSON object";

    // Unchanged content prints as the current text: no need to copy, print and hash it again.
    if (current.contentRevision.isNotEmpty() && mcpjson::sameCanonicalContent (exported, current.project))
    {
        snapshot = current;
        return {};
    }

    if (auto error = mcpjson::canonicalise (exported, snapshot.project); error.isNotEmpty())
        return error;

    snapshot.jsonText = mcpjson::format (snapshot.project, (size_t) mcpjson::utf8Size (current.jsonText));

    if (mcpjson::utf8Size (snapshot.jsonText) > projectTextLimitBytes)
        return "Exported project exceeds the 4 MB limit";

    snapshot.contentRevision = mcpjson::sha256Hex (snapshot.jsonText);
    return {};
}

juce::String McpPluginBridge::refreshRevision()
{
    Snapshot fresh;

    if (auto error = exportProjectSnapshot (fresh); error.isNotEmpty())
        return error;

    if (current.contentRevision.isEmpty())
    {
        fresh.revision = 1;
    }
    else if (fresh.contentRevision != current.contentRevision)
    {
        if (current.revision == std::numeric_limits<juce::int64>::max())
            return "MCP project revision is exhausted";

        fresh.revision = current.revision + 1;
    }
    else
    {
        // Same text: keep the tree that earlier answers already share.
        return {};
    }

    current = std::move (fresh);
    return {};
}

juce::String McpPluginBridge::makeCandidate (const juce::var& project, Snapshot& candidate, bool withRevision) const
{
    if (project.getDynamicObject() == nullptr)
        return "Project must be a JSON object";

    // A client often sends back the project it has just read: that content is already printed.
    if (current.contentRevision.isNotEmpty() && mcpjson::sameCanonicalContent (project, current.project))
    {
        candidate = current;
        return {};
    }

    if (auto error = mcpjson::canonicalise (project, candidate.project); error.isNotEmpty())
        return error;

    candidate.jsonText = mcpjson::format (candidate.project, (size_t) mcpjson::utf8Size (current.jsonText));

    if (mcpjson::utf8Size (candidate.jsonText) > projectTextLimitBytes)
        return "Project exceeds the 4 MB limit";

    if (withRevision)
        candidate.contentRevision = mcpjson::sha256Hex (candidate.jsonText);

    return {};
}

juce::String McpPluginBridge::applyAndVerify (const Snapshot& candidate, const Snapshot& previous, Snapshot& result,
                                              juce::String& errorCode, juce::String& errorMessage)
{
    auto fail = [&] (const juce::String& code, const juce::String& message)
    {
        errorCode = code;
        errorMessage = message;
        return message;
    };

    const auto applied = callbacks.applyJson (candidate.project.clone());
    const auto refreshError = refreshRevision();

    if (applied.failed())
    {
        const auto applyText = applied.getErrorMessage();

        if (refreshError.isEmpty() && current.contentRevision == previous.contentRevision)
            return fail ("APPLY_FAILED", applyText.isNotEmpty() ? applyText : juce::String ("Could not apply project"));

        if (restoreSnapshot (previous))
            return fail ("APPLY_FAILED", applyText.isNotEmpty() ? applyText : juce::String ("Could not apply project"));

        return fail ("ROLLBACK_FAILED", "Apply failed and the previous project could not be restored: "
                                            + (applyText.isNotEmpty() ? applyText : juce::String ("Unknown apply error")));
    }

    if (refreshError.isNotEmpty())
    {
        if (restoreSnapshot (previous))
            return fail ("EXPORT_FAILED", refreshError);

        return fail ("ROLLBACK_FAILED", "Project applied, but its state could not be verified or restored");
    }

    if (current.contentRevision != candidate.contentRevision)
    {
        if (restoreSnapshot (previous))
            return fail ("APPLY_MISMATCH", "Applied project differs from the validated candidate");

        return fail ("ROLLBACK_FAILED", "Applied project differed from the candidate and rollback failed");
    }

    result = current;
    return {};
}

bool McpPluginBridge::restoreSnapshot (const Snapshot& snapshot)
{
    const auto applied = callbacks.applyJson (snapshot.project.clone());
    const auto refreshError = refreshRevision();
    return applied.wasOk() && refreshError.isEmpty() && current.contentRevision == snapshot.contentRevision;
}

void McpPluginBridge::notifyChange (const juce::String& changeId)
{
    if (callbacks.changeApplied)
        callbacks.changeApplied (changeId);
}

juce::var McpPluginBridge::candidateFailure (const Request& request, const juce::String& failure) const
{
    return makeErrorResponse (request, textSizeCode (failure, "INVALID_PROJECT"), failure);
}

juce::var McpPluginBridge::refusal (const Request& request, const juce::String& refusalText) const
{
    return makeErrorResponse (request, normaliseReadOnlyReason (refusalText), refusalText);
}

juce::var McpPluginBridge::dispatch (const Request& request)
{
    const auto& op = request.operation;

    if (op.startsWith ("runnel_"))
        return handleProductResource (request);

    if (! std::exchange (snapshotIsFresh, false))
        if (auto error = refreshRevision(); error.isNotEmpty())
            return makeErrorResponse (request, textSizeCode (error, "EXPORT_FAILED"), error);

    if (op == "get_json")               return handleGetJson (request);
    if (op == "validate_json")          return handleValidateJson (request);
    if (op == "set_json")               return handleSetJson (request);
    if (op == "undo")                   return handleUndo (request);
    if (op == "prepare_set")            return handlePrepareSet (request);
    if (op == "commit")                 return handleCommit (request);
    if (op == "finalize")               return handleFinalize (request);
    if (op == "rollback" || op == "abort_transaction") return handleRollback (request);
    if (op == "get_transaction_status") return handleTransactionStatus (request);

    return makeErrorResponse (request, "UNSUPPORTED_OPERATION", "Unsupported MCP operation");
}

juce::var McpPluginBridge::handleGetJson (const Request& request)
{
    return makeResponse (request, true, false, {}, current.project, {}, {}, {});
}

juce::var McpPluginBridge::handleValidateJson (const Request& request)
{
    // The answer carries no revision of the candidate, so it is not hashed.
    Snapshot candidate;

    if (auto failure = makeCandidate (request.project, candidate, false); failure.isNotEmpty())
        return candidateFailure (request, failure);

    if (auto validated = callbacks.validateJson (candidate.project); validated.failed())
        return makeErrorResponse (request, "VALIDATION_FAILED", validated.getErrorMessage());

    answeredCandidate = candidate;
    return makeResponse (request, true, false, {}, candidate.project, {}, {}, {});
}

juce::var McpPluginBridge::checkProposedChange (const Request& request, Snapshot& candidate)
{
    if (usedChangeIds.contains (request.changeId))
        return makeErrorResponse (request, "DUPLICATE_CHANGE", "changeId has already been used");

    if (current.revision != request.expectedRevision)
        return makeErrorResponse (request, "REVISION_CONFLICT", "Project revision has changed");

    if (juce::String refusalText; ! checkWritable (refusalText))
        return refusal (request, refusalText);

    if (auto failure = makeCandidate (request.project, candidate); failure.isNotEmpty())
        return candidateFailure (request, failure);

    if (auto validated = callbacks.validateJson (candidate.project); validated.failed())
        return makeErrorResponse (request, "VALIDATION_FAILED", validated.getErrorMessage());

    return {};
}

juce::var McpPluginBridge::handleSetJson (const Request& request)
{
    if (transaction.has_value())
        return makeErrorResponse (request, "TRANSACTION_BUSY", "Another MCP transaction is active");

    Snapshot candidate;

    if (auto refused = checkProposedChange (request, candidate); ! refused.isVoid())
        return refused;

    if (candidate.contentRevision == current.contentRevision)
    {
        usedChangeIds.remember (request.changeId);
        return makeResponse (request, true, false, request.changeId, current.project, {}, {}, {});
    }

    const auto before = current;
    Snapshot result;
    juce::String code, message;

    if (applyAndVerify (candidate, before, result, code, message).isNotEmpty())
        return makeErrorResponse (request, code, message);

    undoRecord = UndoRecord { before, result.contentRevision, {} };
    usedChangeIds.remember (request.changeId);
    notifyChange (request.changeId);
    publishPresence();
    return makeResponse (request, true, true, request.changeId, result.project, {}, {}, {});
}

juce::var McpPluginBridge::handleUndo (const Request& request)
{
    if (transaction.has_value())
        return makeErrorResponse (request, "TRANSACTION_BUSY", "Another MCP transaction is active");

    if (usedChangeIds.contains (request.changeId))
        return makeErrorResponse (request, "DUPLICATE_CHANGE", "changeId has already been used");

    if (juce::String refusalText; ! checkWritable (refusalText))
        return refusal (request, refusalText);

    if (! undoRecord.has_value())
        return makeErrorResponse (request, "NO_UNDO", "No MCP change is available to undo");

    if (current.contentRevision != undoRecord->afterContentRevision)
        return makeErrorResponse (request, "UNDO_CONFLICT", "Project changed after the MCP update");

    if (current.revision != request.expectedRevision)
        return makeErrorResponse (request, "REVISION_CONFLICT", "Project revision has changed");

    const auto record = *undoRecord;
    const auto before = current;
    Snapshot result;
    juce::String code, message;

    if (applyAndVerify (record.before, before, result, code, message).isNotEmpty())
        return makeErrorResponse (request, code, message);

    undoRecord.reset();
    usedChangeIds.remember (request.changeId);
    notifyChange (request.changeId);
    publishPresence();
    return makeResponse (request, true, true, request.changeId, result.project, {}, {}, {});
}

juce::var McpPluginBridge::handleProductResource (const Request& request)
{
    if (! callbacks.productResource)
        return makeErrorResponse (request, "UNSUPPORTED_OPERATION", "Product resource operations are not supported by this plugin");

    ProductResourceResult outcome;
    const auto result = callbacks.productResource (request.operation, request.payload, outcome);

    if (! outcome.payload.isVoid() && outcome.payload.getDynamicObject() == nullptr)
        return makeErrorResponse (request, "INVALID_PRODUCT_RESOURCE_RESPONSE",
                                  "Product resource response payload must be a JSON object");

    const auto payload = outcome.payload.isVoid() ? emptyObject() : outcome.payload.clone();

    if (result.failed())
    {
        const auto code = isValidId (outcome.errorCode) ? outcome.errorCode : juce::String ("PRODUCT_RESOURCE_FAILED");
        const auto message = result.getErrorMessage().isNotEmpty() ? result.getErrorMessage()
                                                                    : juce::String ("Product resource operation failed");
        return makeResponse (request, false, false, {}, {}, payload, code, message);
    }

    return makeResponse (request, true, outcome.contentChanged, {}, {}, payload, {}, {});
}

} // namespace tolmek
