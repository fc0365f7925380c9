#include "kit/UpdateChecker.h"

#include "kit/SettingsStore.h"

namespace tolmek
{
namespace
{
const char* const sectionName = "updates";

juce::String stringField (const juce::var& object, const char* key)
{
    const auto value = object.getProperty (key, {});
    return value.isString() ? value.toString() : juce::String();
}

bool parseVersion (const juce::String& text, juce::Array<juce::uint64>& parts)
{
    auto trimmed = text.trim();

    if (trimmed.startsWithChar ('v') || trimmed.startsWithChar ('V'))
        trimmed = trimmed.substring (1);

    if (trimmed.isEmpty())
        return false;

    for (const auto& part : juce::StringArray::fromTokens (trimmed, ".", {}))
    {
        if (part.isEmpty() || ! part.containsOnly ("0123456789"))
            return false;

        // Very long parts saturate rather than wrap.
        juce::uint64 value = 0;

        for (auto p = part.getCharPointer(); ! p.isEmpty();)
        {
            const auto digit = (juce::uint64) (p.getAndAdvance() - '0');
            value = value > (std::numeric_limits<juce::uint64>::max() - 9) / 10 ? std::numeric_limits<juce::uint64>::max()
                                                                                 : value * 10 + digit;
        }

        parts.add (value);
    }

    return true;
}

bool isLocalHost (const juce::String& host)
{
    return host == "localhost" || host == "127.0.0.1" || host == "::1" || host == "[::1]";
}
} // namespace

UpdateChecker::UpdateChecker (Config configToUse)
    : juce::Thread ("UpdateChecker"), config (std::move (configToUse))
{
}

UpdateChecker::~UpdateChecker()
{
    signalThreadShouldExit();
    request.cancel();

    // The request is cancelled, so the thread returns; it is never killed.
    if (! waitForThreadToExit (5000))
        waitForThreadToExit (-1);
}

int UpdateChecker::compareVersions (const juce::String& a, const juce::String& b)
{
    juce::Array<juce::uint64> left, right;

    if (! parseVersion (a, left) || ! parseVersion (b, right))
        return 0;

    for (int i = 0; i < juce::jmax (left.size(), right.size()); ++i)
    {
        const auto l = left[i], r = right[i];

        if (l != r)
            return l > r ? 1 : -1;
    }

    return 0;
}

bool UpdateChecker::isUpdateAvailable() const
{
    const juce::SpinLock::ScopedLockType sl (lock);
    return state == State::UpdateAvailable;
}

juce::String UpdateChecker::getLatestVersion() const
{
    const juce::SpinLock::ScopedLockType sl (lock);
    return latestVersion;
}

juce::String UpdateChecker::getDownloadUrl() const
{
    const juce::SpinLock::ScopedLockType sl (lock);
    return downloadUrl;
}

juce::String UpdateChecker::getReleaseNotesUrl() const
{
    const juce::SpinLock::ScopedLockType sl (lock);
    return releaseNotesUrl;
}

UpdateChecker::State UpdateChecker::getState() const
{
    const juce::SpinLock::ScopedLockType sl (lock);
    return state;
}

void UpdateChecker::publish (State newState, juce::String latest, juce::String download, juce::String notes)
{
    {
        const juce::SpinLock::ScopedLockType sl (lock);
        state = newState;
        latestVersion = std::move (latest);
        downloadUrl = std::move (download);
        releaseNotesUrl = std::move (notes);
    }

    sendChangeMessage();
}

void UpdateChecker::start()
{
    if (started.exchange (true))
        return;

    if (config.version.isEmpty() || config.updateUrl.isEmpty())
        return;

    const auto host = juce::URL (config.updateUrl).getDomain().toLowerCase();

    if (! isLocalHost (host) && readUpdateCache())
        return;

    bool announce = false;

    {
        const juce::SpinLock::ScopedLockType sl (lock);

        if (state != State::UpdateAvailable)
        {
            state = State::Checking;
            announce = true;
        }
    }

    if (announce)
        sendChangeMessage();

    startThread();
}

bool UpdateChecker::readUpdateCache()
{
    const auto cache = SettingsStore (config.settingsKey).readSection (sectionName);

    if (! isJsonObject (cache))
        return false;

    auto latest = stringField (cache, "latest_version");
    auto download = stringField (cache, "download_url");
    auto notes = stringField (cache, "release_notes_url");
    const auto checked = juce::Time::fromISO8601 (stringField (cache, "last_checked_utc"));

    if (compareVersions (latest, config.version) >= 1 && download.isNotEmpty())
        publish (State::UpdateAvailable, std::move (latest), std::move (download), std::move (notes));

    const auto age = now() - checked;
    return checked.toMilliseconds() > 0 && age < juce::RelativeTime::hours (24);
}

void UpdateChecker::run()
{
    State previousState;
    juce::String previousLatest, previousDownload, previousNotes;

    {
        const juce::SpinLock::ScopedLockType sl (lock);
        previousState = state == State::Checking ? State::Idle : state;
        previousLatest = latestVersion;
        previousDownload = downloadUrl;
        previousNotes = releaseNotesUrl;
    }

    const auto response = request.perform (juce::URL (config.updateUrl), false, "Accept: application/json\r\n", requestTimeoutMs);

    if (threadShouldExit())
        return;

    juce::var document;

    // Only a whole 2xx answer holding a JSON object counts; anything else leaves things as they were.
    if (! response.succeeded() || juce::JSON::parse (response.body, document).failed() || ! isJsonObject (document))
    {
        publish (previousState, previousLatest, previousDownload, previousNotes);
        return;
    }

    const auto latest = stringField (document, "latest_version");
    const auto download = stringField (document, "download_url");
    const auto notes = stringField (document, "release_notes_url");

    const auto available = compareVersions (latest, config.version) >= 1 && download.isNotEmpty();
    publish (available ? State::UpdateAvailable : State::UpToDate, latest, download, notes);

    auto* cache = new juce::DynamicObject();
    cache->setProperty ("last_checked_utc", now().toISO8601 (true));
    cache->setProperty ("latest_version", latest);
    cache->setProperty ("download_url", download);
    cache->setProperty ("release_notes_url", notes);
    cache->setProperty ("update_available", available);
    SettingsStore (config.settingsKey).writeSection (sectionName, juce::var (cache));
}

} // namespace tolmek
