#include "kit/McpPluginBridge.h"

#include "kit/McpJson.h"

#include "VarneTIdentity.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tolmek
{

namespace
{
juce::File childPath (juce::File base, const juce::String& relativePath)
{
    juce::StringArray parts;
    parts.addTokens (relativePath, "/\\", {});
    parts.removeEmptyStrings();

    for (const auto& part : parts)
        base = base.getChildFile (part);

    return base;
}

// One atomic rename. JUCE's own move falls back to deleting what is in the way and copying, which
// readers could see half-written, and its temporary-file move retries with sleeps on this thread.
bool moveOver (const juce::File& source, const juce::File& target)
{
   #if JUCE_WINDOWS
    return source.replaceFileIn (target);
   #else
    return std::rename (source.getFullPathName().toRawUTF8(), target.getFullPathName().toRawUTF8()) == 0;
   #endif
}

bool isRealDirectory (const juce::File& folder)
{
    return folder.isDirectory() && ! folder.isSymbolicLink();
}
} // namespace

McpPluginBridge::McpPluginBridge (Callbacks callbacksToUse, Environment environment)
    : callbacks (std::move (callbacksToUse)),
      clock (environment.clockMs ? std::move (environment.clockMs) : [] { return juce::Time::currentTimeMillis(); }),
      parseJson (environment.parseJson ? std::move (environment.parseJson)
                                       : [] (const juce::String& text) { return juce::JSON::parse (text); })
{
    const auto base = environment.applicationDataFolder == juce::File()
                          ? juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory)
                          : environment.applicationDataFolder;

    instancesFolder = childPath (base, juce::String (VarneT::identity::companyName) + "/MCP/bridge/v1/instances");
    instanceId = juce::Uuid().toDashedString().toLowerCase();
    instanceFolder = instancesFolder.getChildFile (instanceId);
    presenceFile = instanceFolder.getChildFile ("presence.json");
    requestsFolder = instanceFolder.getChildFile ("requests");
    responsesFolder = instanceFolder.getChildFile ("responses");

    auto* messageManager = juce::MessageManager::getInstanceWithoutCreating();

    if (messageManager != nullptr && messageManager->isThisTheMessageThread())
    {
        if (auto error = start(); error.isEmpty())
        {
            started = true;
        }
        else
        {
            setLastError (error);
            nextStartAttemptMs = now() + 1000;
        }
    }

    startTimer (pollIntervalMs);
}

McpPluginBridge::~McpPluginBridge()
{
    stopTimer();
    deleteInstanceFolder();
}

void McpPluginBridge::deleteInstanceFolder()
{
    // Never reach beyond our own folder, whatever the paths have become.
    if (instanceFolder.getParentDirectory() == instancesFolder && instanceFolder.getFileName() == instanceId
        && instanceId.isNotEmpty())
        instanceFolder.deleteRecursively (false);
}

juce::String McpPluginBridge::getInstanceId() const { return instanceId; }

juce::String McpPluginBridge::getLastError() const
{
    const juce::SpinLock::ScopedLockType lock (lastErrorLock);
    return lastError;
}

void McpPluginBridge::setLastError (const juce::String& text)
{
    const juce::SpinLock::ScopedLockType lock (lastErrorLock);
    lastError = text;
}

juce::int64 McpPluginBridge::now() const { return clock(); }

juce::String McpPluginBridge::start()
{
    if (! callbacks.exportJson)
        return "Missing MCP exportJson callback";
    if (! callbacks.validateJson)
        return "Missing MCP validateJson callback";
    if (! callbacks.applyJson)
        return "Missing MCP applyJson callback";
    if (! callbacks.describe)
        return "Missing MCP describe callback";

    for (const auto& folder : { instancesFolder, instanceFolder, requestsFolder, responsesFolder })
    {
        if (auto created = folder.createDirectory(); created.failed())
            return "Could not create MCP bridge folder: " + folder.getFullPathName() + " (" + created.getErrorMessage() + ")";

        if (! isRealDirectory (folder))
            return "MCP bridge path is not a real directory: " + folder.getFullPathName();

        if (! folder.setReadOnly (false, false))
            return "Could not make MCP bridge folder writable: " + folder.getFullPathName();
    }

    if (auto error = refreshRevision(); error.isNotEmpty())
        return error;

    publishPresence();

    const auto error = getLastError();

    if (error.isNotEmpty())
        return error;

    return presenceFile.existsAsFile() ? juce::String() : juce::String ("Could not publish MCP instance presence");
}

void McpPluginBridge::timerCallback()
{
    const auto nowMs = now();

    if (! started)
    {
        if (nowMs < nextStartAttemptMs)
            return;

        if (auto error = start(); error.isNotEmpty())
        {
            setLastError (error);
            nextStartAttemptMs = nowMs + 1000;
            return;
        }

        started = true;
        setLastError ({});
    }

    expireFinalizedTransactions (nowMs);
    checkTransactionLease (nowMs);

    auto requestFiles = requestsFolder.findChildFiles (juce::File::findFiles, false, "*.json");
    std::sort (requestFiles.begin(), requestFiles.end(), [] (const juce::File& a, const juce::File& b)
    {
        return std::strcmp (a.getFileName().toRawUTF8(), b.getFileName().toRawUTF8()) < 0;
    });

    // A directory read while clients rename files into it may name a file twice.
    const auto unique = std::unique (requestFiles.begin(), requestFiles.end());
    requestFiles.removeRange ((int) (unique - requestFiles.begin()), requestFiles.size());

    for (int i = 0; i < std::min (requestFiles.size(), requestsPerTick); ++i)
        handleRequestFile (requestFiles.getReference (i));

    if (nowMs >= nextPresenceMs)
        publishPresence();
}

void McpPluginBridge::publishPresence()
{
    if (auto error = refreshRevision(); error.isNotEmpty())
    {
        setLastError (error);
        return;
    }

    const auto description = describeInstance();
    const auto t = now();

    juce::DynamicObject::Ptr presence (new juce::DynamicObject());
    presence->setProperty ("format", "tolmek-mcp-instance");
    presence->setProperty ("version", 1);
    presence->setProperty ("instanceId", instanceId);
    presence->setProperty ("product", description.product);
    presence->setProperty ("pluginVersion", description.pluginVersion);
    presence->setProperty ("displayName", description.displayName);
    presence->setProperty ("instanceName", description.instanceName);
    presence->setProperty ("roleId", description.roleId);
    presence->setProperty ("instrumentId", description.instrumentId);
    presence->setProperty ("activeSectionName", description.activeSectionName);
    presence->setProperty ("sectionCount", description.sectionCount);
    presence->setProperty ("writable", description.writable);
    presence->setProperty ("readOnlyReason", description.readOnlyReason);
    presence->setProperty ("revision", current.revision);
    presence->setProperty ("contentRevision", current.contentRevision);
    presence->setProperty ("updatedAtMs", t);
    presence->setProperty ("leaseUntilMs", t + presenceLeaseMs);

    setLastError (writeJsonFileAtomically (presenceFile, juce::var (presence.get()), presenceLimitBytes));
    nextPresenceMs = t + presenceIntervalMs;
}

McpPluginBridge::Description McpPluginBridge::describeInstance() const
{
    if (! callbacks.describe)
    {
        Description unavailable;
        unavailable.writable = false;
        unavailable.readOnlyReason = "MCP describe callback is unavailable";
        return unavailable;
    }

    auto d = callbacks.describe();
    d.sectionCount = std::max (0, d.sectionCount);

    if (d.displayName.trim().isEmpty())
    {
        auto name = d.product.trim();

        if (name.isEmpty())
            name = "Plugin";

        if (const auto section = d.activeSectionName.trim(); section.isNotEmpty())
            name << " - " << section;

        name << " - " << instanceId.substring (0, 8);
        d.displayName = name;
    }

    if (d.writable)
        d.readOnlyReason = {};
    else if (d.readOnlyReason.isEmpty())
        d.readOnlyReason = "INSTANCE_READ_ONLY";

    return d;
}

bool McpPluginBridge::checkWritable (juce::String& refusalText) const
{
    const auto d = describeInstance();

    if (d.writable)
        return true;

    refusalText = d.readOnlyReason.isNotEmpty() ? d.readOnlyReason : juce::String ("Plugin instance is read-only");
    return false;
}

juce::String McpPluginBridge::normaliseReadOnlyReason (const juce::String& refusalText)
{
    const auto token = refusalText.upToFirstOccurrenceOf (" ", false, false)
                           .upToFirstOccurrenceOf (":", false, false)
                           .trim();

    if (token.length() >= 1 && token.length() <= 128 && token.containsOnly ("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_")
        && token.startsWith ("INSTANCE_"))
        return token;

    return "INSTANCE_READ_ONLY";
}

juce::String McpPluginBridge::writeJsonFileAtomically (const juce::File& target, const juce::var& value, juce::int64 limit)
{
    if (target.isSymbolicLink())
        return "MCP output path cannot be a symbolic link: " + target.getFullPathName();

    return writeTextAtomically (target, mcpjson::format (value), limit);
}

juce::String McpPluginBridge::writeTextAtomically (const juce::File& target, const juce::String& text, juce::int64 limit)
{
    if (target.isSymbolicLink())
        return "MCP output path cannot be a symbolic link: " + target.getFullPathName();

    const auto parent = target.getParentDirectory();

    if (auto created = parent.createDirectory(); created.failed())
        return "Could not create MCP output folder: " + created.getErrorMessage();

    if (! isRealDirectory (parent))
        return "MCP output folder is not a real directory: " + parent.getFullPathName();

    if (! parent.setReadOnly (false, false))
        return "Could not make MCP bridge folder writable: " + parent.getFullPathName();

    const auto bytes = mcpjson::utf8Size (text);

    if (bytes > limit)
        return "MCP JSON output exceeds the " + juce::String (limit / 1048576) + " MB limit";

    juce::TemporaryFile staged (target);

    {
        juce::FileOutputStream out (staged.getFile());

        if (out.failedToOpen() || ! out.write (text.toRawUTF8(), (size_t) bytes))
            return "Could not stage MCP JSON file: " + target.getFullPathName();

        out.flush();

        if (out.getStatus().failed())
            return "Could not stage MCP JSON file: " + target.getFullPathName();
    }

    // Made writable before the move, which keeps the mode: once published, a client may take
    // (delete) the file at any moment, so nothing may touch it afterwards.
    if (! staged.getFile().setReadOnly (false, false))
        return "Could not make MCP bridge file writable: " + staged.getFile().getFullPathName();

    if (! moveOver (staged.getFile(), target))
        return "Could not publish MCP JSON file: " + target.getFullPathName();

    return {};
}

bool McpPluginBridge::RecentIds::contains (const juce::String& id) const
{
    return std::find (ids.begin(), ids.end(), id) != ids.end();
}

void McpPluginBridge::RecentIds::remember (const juce::String& id)
{
    if (id.isEmpty() || contains (id))
        return;

    ids.push_back (id);

    while (ids.size() > (size_t) rememberedEntries)
        ids.pop_front();
}

} // namespace tolmek
