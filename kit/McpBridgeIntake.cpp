// Request files in, response files out.

#include "kit/McpPluginBridge.h"

#include "kit/McpJson.h"

#include <algorithm>

namespace tolmek
{

namespace
{
// Deeper documents than any project are refused before parsing: the parser recurses once per level,
// and a hostile file must not exhaust the host's stack.
constexpr int maximumRequestNesting = 512;

const juce::StringArray& supportedOperations()
{
    static const juce::StringArray names { "get_json", "validate_json", "set_json", "undo", "prepare_set", "commit",
                                           "finalize", "rollback", "get_transaction_status", "abort_transaction",
                                           "runnel_list_output_profiles", "runnel_get_output_profile",
                                           "runnel_validate_output_profile", "runnel_create_output_profile",
                                           "runnel_update_output_profile", "runnel_delete_output_profile",
                                           "runnel_set_active_output_profile" };
    return names;
}

bool isOneOf (const juce::String& operation, std::initializer_list<const char*> names)
{
    for (auto* name : names)
        if (operation == name)
            return true;

    return false;
}

juce::String freshId() { return juce::Uuid().toDashedString().toLowerCase(); }

} // namespace

void McpPluginBridge::StoredAnswer::compress()
{
    const auto plain = read();
    juce::MemoryOutputStream out;

    {
        juce::GZIPCompressorOutputStream zipped (out, 1);
        zipped.write (plain.toRawUTF8(), (size_t) mcpjson::utf8Size (plain));
    }

    const std::lock_guard<std::mutex> held (lock);
    compressed = out.getMemoryBlock();
    text = {};
}

juce::String McpPluginBridge::StoredAnswer::read() const
{
    const std::lock_guard<std::mutex> held (lock);

    if (compressed.isEmpty())
        return text;

    juce::MemoryInputStream zipped (compressed, false);
    juce::GZIPDecompressorInputStream plain (zipped);
    return plain.readEntireStreamAsString();
}

bool McpPluginBridge::isValidId (const juce::String& id)
{
    return id.length() >= 1 && id.length() <= 128 && ! id.startsWithChar ('.')
           && id.containsOnly ("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_.");
}

std::optional<juce::String> McpPluginBridge::findCachedResponse (const juce::String& requestId) const
{
    for (const auto& entry : responseCache)
        if (entry.requestId == requestId)
            return entry.answer->read();

    return std::nullopt;
}

void McpPluginBridge::handleRequestFile (const juce::File& requestFile)
{
    // Gone since the listing (withdrawn, or listed twice while clients were renaming files in).
    if (! requestFile.exists() && ! requestFile.isSymbolicLink())
        return;

    // Nothing can change the project between here and dispatch, which therefore need not export again.
    snapshotIsFresh = refreshRevision().isEmpty();
    const juce::ScopeGuard forget { [this]
    {
        snapshotIsFresh = false;
        answeredCandidate = {};
    } };

    const auto stem = requestFile.getFileNameWithoutExtension();
    const auto workingId = isValidId (stem) ? stem : freshId();
    const auto workingResponse = responsesFolder.getChildFile (workingId + ".json");

    Request request;
    request.requestId = workingId;
    request.instanceId = instanceId;

    if (requestFile.isSymbolicLink())
    {
        const auto answer = makeErrorResponse (request, "INVALID_REQUEST", "Request files cannot be symbolic links");

        if (writeJsonFileAtomically (workingResponse, answer, responseLimitBytes).isEmpty())
            requestFile.deleteFile();

        return;
    }

    if (isValidId (stem) && responsesFolder.getChildFile (stem + ".json").existsAsFile())
    {
        requestFile.deleteFile();
        return;
    }

    if (auto cached = findCachedResponse (workingId))
    {
        if (auto error = writeTextAtomically (workingResponse, *cached, responseLimitBytes); error.isNotEmpty())
        {
            setLastError (error);
            return;
        }

        requestFile.deleteFile();
        setLastError ({});
        return;
    }

    juce::var answer;
    const auto size = requestFile.getSize();

    if (size <= 0)
    {
        answer = makeErrorResponse (request, "INVALID_REQUEST", "Request file is empty");
    }
    else if (size > requestLimitBytes)
    {
        answer = makeErrorResponse (request, "MESSAGE_TOO_LARGE", "Request exceeds the 4 MB limit");
    }
    else
    {
        const auto text = requestFile.loadFileAsString();
        const auto document = mcpjson::nestingDepth (text, maximumRequestNesting) > maximumRequestNesting
                                  ? juce::var()
                                  : parseJson (text);
        juce::String code, message;

        answer = parseRequest (document, stem, request, code, message) ? dispatch (request)
                                                                         : makeErrorResponse (request, code, message);
    }

    // The answer always goes under the file's own name: a document naming another request must
    // not overwrite or pre-empt that request's response.
    auto text = answerText (answer);

    if (mcpjson::utf8Size (text) > responseLimitBytes)
    {
        answer = makeErrorResponse (request, "MESSAGE_TOO_LARGE",
                                    "MCP JSON output exceeds the " + juce::String (responseLimitBytes / 1048576) + " MB limit");
        text = mcpjson::format (answer);
    }

    const auto alreadyCached = std::any_of (responseCache.begin(), responseCache.end(),
                                            [&] (const CachedResponse& e) { return e.requestId == request.requestId; });

    if (! alreadyCached)
    {
        auto stored = std::make_shared<StoredAnswer> (text);
        compressor.addJob ([stored] { stored->compress(); });
        responseCache.push_back ({ request.requestId, std::move (stored) });

        while (responseCache.size() > (size_t) rememberedEntries)
            responseCache.pop_front();
    }

    const auto target = responsesFolder.getChildFile (request.requestId + ".json");

    if (auto error = writeTextAtomically (target, text, responseLimitBytes); error.isNotEmpty())
    {
        setLastError (error);
        return;
    }

    requestFile.deleteFile();
    setLastError ({});
}

bool McpPluginBridge::parseRequest (const juce::var& document, const juce::String& stem, Request& request,
                                    juce::String& errorCode, juce::String& errorMessage) const
{
    auto fail = [&] (const char* code, const char* message)
    {
        errorCode = code;
        errorMessage = message;
        return false;
    };

    auto* object = document.getDynamicObject();

    if (object == nullptr)
        return fail ("INVALID_REQUEST", "Request is not a JSON object");

    const auto& fields = object->getProperties();

    if (const auto* format = fields.getVarPointer ("format"); format == nullptr || ! format->isString()
                                                                || format->toString() != "tolmek-mcp-request")
        return fail ("UNSUPPORTED_FORMAT", "Unsupported MCP request format");

    if (const auto* version = fields.getVarPointer ("version"); version == nullptr || ! mcpjson::isInteger (*version)
                                                                  || static_cast<juce::int64> (*version) != 1)
        return fail ("UNSUPPORTED_VERSION", "Unsupported MCP request version");

    {
        const auto* id = fields.getVarPointer ("requestId");

        if (id == nullptr || ! id->isString() || ! isValidId (id->toString()))
            return fail ("INVALID_REQUEST", "Request ID is invalid");

        // The request keeps the working id taken from the file name (see handleRequestFile).
        if (id->toString() != stem)
            return fail ("INVALID_REQUEST", "Request filename must match requestId");
    }

    if (const auto* target = fields.getVarPointer ("instanceId"); target == nullptr || ! target->isString()
                                                                    || target->toString() != instanceId)
        return fail ("WRONG_INSTANCE", "Request targets a different plugin instance");

    {
        const auto* operation = fields.getVarPointer ("operation");

        if (operation != nullptr && operation->isString())
            request.operation = operation->toString();

        if (operation == nullptr || ! operation->isString() || ! supportedOperations().contains (request.operation))
            return fail ("UNSUPPORTED_OPERATION", "Unsupported MCP operation");
    }

    {
        const auto* created = fields.getVarPointer ("createdAtMs");
        const auto* expires = fields.getVarPointer ("expiresAtMs");

        if (created == nullptr || expires == nullptr || ! mcpjson::isInteger (*created) || ! mcpjson::isInteger (*expires))
            return fail ("INVALID_REQUEST", "Request timestamps are invalid");

        request.createdAtMs = static_cast<juce::int64> (*created);
        request.expiresAtMs = static_cast<juce::int64> (*expires);

        if (! (0 < request.createdAtMs && request.createdAtMs < request.expiresAtMs))
            return fail ("INVALID_REQUEST", "Request timestamps are invalid");

        const auto nowMs = now();

        if (request.createdAtMs > nowMs + 5000)
            return fail ("INVALID_REQUEST", "Request creation time is in the future");

        if (nowMs >= request.expiresAtMs)
            return fail ("REQUEST_EXPIRED", "Request has expired");
    }

    if (const auto* expected = fields.getVarPointer ("expectedRevision"))
    {
        if (! mcpjson::isInteger (*expected) || static_cast<juce::int64> (*expected) < 1)
            return fail ("INVALID_REQUEST", "expectedRevision is invalid");

        request.hasExpectedRevision = true;
        request.expectedRevision = static_cast<juce::int64> (*expected);
    }

    if (const auto* project = fields.getVarPointer ("project"))
        request.project = *project;

    if (const auto* payload = fields.getVarPointer ("payload"))
    {
        if (payload->getDynamicObject() == nullptr)
            return fail ("INVALID_REQUEST", "payload must be a JSON object");

        request.payload = *payload;
    }

    if (const auto* transactionId = fields.getVarPointer ("transactionId"))
    {
        if (transactionId->isString())
            request.transactionId = transactionId->toString();

        if (! transactionId->isString() || ! isValidId (request.transactionId))
            return fail ("INVALID_REQUEST", "transactionId is invalid");
    }

    if (const auto* changeId = fields.getVarPointer ("changeId"))
    {
        if (changeId->isString())
            request.changeId = changeId->toString();

        if (! changeId->isString() || ! isValidId (request.changeId))
            return fail ("INVALID_REQUEST", "changeId is invalid");
    }

    const auto& op = request.operation;

    if (isOneOf (op, { "validate_json", "set_json", "prepare_set" }) && request.project.getDynamicObject() == nullptr)
        return fail ("INVALID_REQUEST", "This operation requires a project object");

    if (isOneOf (op, { "set_json", "undo", "prepare_set" }) && ! request.hasExpectedRevision)
        return fail ("INVALID_REQUEST", "This operation requires expectedRevision");

    if (isOneOf (op, { "prepare_set", "commit", "finalize", "rollback", "abort_transaction" }) && request.transactionId.isEmpty())
        return fail ("INVALID_REQUEST", "This operation requires transactionId");

    if (isOneOf (op, { "set_json", "undo", "prepare_set" }) && request.changeId.isEmpty())
        return fail ("INVALID_REQUEST", "This operation requires changeId");

    if (op.startsWith ("runnel_") && request.payload.getDynamicObject() == nullptr)
        return fail ("INVALID_REQUEST", "This operation requires a payload object");

    return true;
}

juce::var McpPluginBridge::makeResponse (const Request& request, bool ok, bool contentChanged, const juce::String& changeId,
                                         const juce::var& project, const juce::var& payload,
                                         const juce::String& errorCode, const juce::String& errorMessage) const
{
    juce::DynamicObject::Ptr response (new juce::DynamicObject());
    response->setProperty ("format", "tolmek-mcp-response");
    response->setProperty ("version", 1);
    response->setProperty ("requestId", request.requestId);
    response->setProperty ("instanceId", instanceId);
    response->setProperty ("operation", request.operation);
    response->setProperty ("ok", ok);
    response->setProperty ("revision", current.revision);
    response->setProperty ("contentRevision", current.contentRevision);
    response->setProperty ("contentChanged", contentChanged);
    response->setProperty ("changeId", changeId);
    // Project trees are never changed once the bridge has built them, so answers share them instead
    // of copying 4 MB trees for every answer.
    response->setProperty ("project", project.isObject() ? project : juce::var());
    response->setProperty ("payload", payload.isObject() ? payload : juce::var (new juce::DynamicObject()));
    response->setProperty ("errorCode", errorCode);
    response->setProperty ("errorMessage", errorMessage);
    return juce::var (response.get());
}

juce::String McpPluginBridge::answerText (const juce::var& answer) const
{
    const auto project = answer.getProperty ("project", {});

    if (auto* tree = project.getDynamicObject())
    {
        const Snapshot* known[] = { &current, &answeredCandidate,
                                    transaction ? &transaction->before : nullptr,
                                    transaction ? &transaction->next : nullptr,
                                    transaction ? &transaction->after : nullptr };

        for (const auto* snapshot : known)
            if (snapshot != nullptr && snapshot->project.getDynamicObject() == tree && snapshot->jsonText.isNotEmpty())
                return mcpjson::formatWithEmbedded (answer, project, snapshot->jsonText);

        for (const auto& entry : finalized)
            for (const auto* snapshot : { &entry.before, &entry.after })
                if (snapshot->project.getDynamicObject() == tree && snapshot->jsonText.isNotEmpty())
                    return mcpjson::formatWithEmbedded (answer, project, snapshot->jsonText);
    }

    return mcpjson::format (answer);
}

juce::var McpPluginBridge::makeErrorResponse (const Request& request, const juce::String& errorCode,
                                              const juce::String& errorMessage) const
{
    return makeResponse (request, false, false, request.changeId, {}, {}, errorCode, errorMessage);
}

} // namespace tolmek
