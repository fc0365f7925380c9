#include "kit/TelemetryClient.h"

#include "kit/SettingsStore.h"

namespace tolmek
{
namespace
{
const char* const sectionName = "telemetry";

juce::String stringProperty (const juce::var& object, const char* key)
{
    const auto value = object.getProperty (key, {});
    return value.isString() ? value.toString() : juce::String();
}

TelemetryState stateFromSection (const juce::var& section)
{
    TelemetryState state;

    if (! isJsonObject (section))
        return state;

    state.installId = stringProperty (section, "install_id");
    state.firstSeenAtUtc = stringProperty (section, "first_seen_at_utc");

    const auto enabled = section.getProperty ("telemetry_enabled", {});
    state.telemetryEnabled = enabled.isBool() && static_cast<bool> (enabled);

    state.consentVersion = stringProperty (section, "consent_version");
    state.welcomeVersion = stringProperty (section, "welcome_version");
    state.lastPingDate = stringProperty (section, "last_ping_date");

    const auto dates = section.getProperty ("last_ping_dates_by_host", {});

    if (isJsonObject (dates))
        state.lastPingDatesByHost = dates;

    return state;
}

juce::var sectionFromState (const TelemetryState& state, bool internalBuild)
{
    auto* object = new juce::DynamicObject();
    object->setProperty ("schema", 1);
    object->setProperty ("install_id", state.installId);
    object->setProperty ("first_seen_at_utc", state.firstSeenAtUtc);
    object->setProperty ("telemetry_enabled", state.telemetryEnabled);
    object->setProperty ("consent_version", state.consentVersion);
    object->setProperty ("internal_build", internalBuild);
    object->setProperty ("welcome_version", state.welcomeVersion);
    object->setProperty ("last_ping_date", state.lastPingDate);
    object->setProperty ("last_ping_dates_by_host", state.lastPingDatesByHost);
    return juce::var (object);
}

juce::String isoTime (juce::Time time) { return time.toISO8601 (true); }
juce::String isoDate (juce::Time time) { return isoTime (time).substring (0, 10); }
juce::int64 dayNumber (juce::Time time) { return isoDate (time).removeCharacters ("-").getLargeIntValue(); }

juce::String freshInstallId()
{
    return juce::Uuid().toDashedString();
}
} // namespace

TelemetryClient::TelemetryClient (Config configToUse)
    : juce::Thread ("TelemetryClient"), config (std::move (configToUse))
{
}

TelemetryClient::~TelemetryClient()
{
    stopTimer();
    signalThreadShouldExit();
    notify();
    request.cancel();

    // The request is cancelled, so the worker returns; it is never killed.
    if (! waitForThreadToExit (5000))
        waitForThreadToExit (-1);
}

void TelemetryClient::prepareToPlay (double sampleRate)
{
    const auto threshold = static_cast<juce::int64> (juce::jmax (0.0, sampleRate) * 5.0);
    usageThresholdSamples.store (threshold);
    playedSamples.store (0);
    usageReached.store (false);

    if (threshold > 0)
        startTimer (500);
}

void TelemetryClient::addPlayedSamples (int numSamples, bool isPlaying) noexcept
{
    const auto threshold = usageThresholdSamples.load (std::memory_order_relaxed);

    if (! isPlaying || numSamples <= 0 || threshold <= 0 || usageReached.load (std::memory_order_relaxed))
        return;

    const auto before = playedSamples.fetch_add (numSamples, std::memory_order_relaxed);

    if (before < threshold && before + numSamples >= threshold)
        usageReached.store (true);
}

void TelemetryClient::timerCallback()
{
    if (! usageReached.exchange (false))
        return;

    playedSamples.store (0);

    auto last = lastUsageDay.load();
    const auto today = dayNumber (now());

    if (today == last || ! lastUsageDay.compare_exchange_strong (last, today))
        return;

    if (consentGiven (loadState()))
    {
        skipDelay.store (true);
        wakeWorker();
    }
}

void TelemetryClient::requestHeartbeat()
{
    wakeWorker();
}

void TelemetryClient::forceHeartbeat()
{
    forceNext.store (true);
    wakeWorker();
}

bool TelemetryClient::canSend() const
{
    return config.productId.isNotEmpty() && config.version.isNotEmpty()
        && config.heartbeatUrl.isNotEmpty() && config.settingsKey.isNotEmpty();
}

void TelemetryClient::wakeWorker()
{
    if (! canSend())
        return;

    bool expected = false;

    if (! workerBusy.compare_exchange_strong (expected, true))
        return;

    // A finished pass may still be winding its thread down.
    if (isThreadRunning())
        waitForThreadToExit (1000);

    if (! startThread())
        workerBusy.store (false);
}

bool TelemetryClient::consentGiven (const TelemetryState& state) const
{
    return state.telemetryEnabled
        && (config.consentVersion.isEmpty() || state.consentVersion == config.consentVersion);
}

TelemetryState TelemetryClient::loadState() const
{
    if (config.settingsKey.isEmpty())
        return {};

    return stateFromSection (SettingsStore (config.settingsKey).readSection (sectionName));
}

bool TelemetryClient::saveState (const TelemetryState& state) const
{
    if (config.settingsKey.isEmpty())
        return false;

    return SettingsStore (config.settingsKey).writeSection (sectionName, sectionFromState (state, config.internalBuild));
}

bool TelemetryClient::updateState (const std::function<bool (TelemetryState&)>& change) const
{
    if (config.settingsKey.isEmpty())
        return false;

    return SettingsStore (config.settingsKey).update ([&] (juce::var& root)
    {
        auto state = stateFromSection (root.getProperty (sectionName, {}));

        if (! change (state))
            return false;

        root.getDynamicObject()->setProperty (sectionName, sectionFromState (state, config.internalBuild));
        return true;
    });
}

bool TelemetryClient::isEnabled() const
{
    return config.settingsKey.isNotEmpty() && consentGiven (loadState());
}

void TelemetryClient::setEnabled (bool consent)
{
    const auto time = now();

    updateState ([&] (TelemetryState& state)
    {
        state.telemetryEnabled = consent;

        if (config.consentVersion.isNotEmpty())
            state.consentVersion = config.consentVersion;

        if (consent && state.installId.isEmpty())
        {
            state.installId = freshInstallId();
            state.firstSeenAtUtc = isoTime (time);
        }

        return true;
    });
}

bool TelemetryClient::shouldShowWelcome() const
{
    if (config.settingsKey.isEmpty() || config.welcomeVersion.isEmpty())
        return false;

    return loadState().welcomeVersion != config.welcomeVersion;
}

void TelemetryClient::markWelcomeSeen()
{
    if (config.settingsKey.isEmpty() || config.welcomeVersion.isEmpty())
        return;

    updateState ([&] (TelemetryState& state)
    {
        state.welcomeVersion = config.welcomeVersion;
        return true;
    });
}

juce::String TelemetryClient::consentText()
{
    return "Send anonymous system information (OS and major version, CPU, plugin format, DAW name) and one daily usage event.";
}

void TelemetryClient::run()
{
    const juce::ScopeGuard clearBusy { [this] { workerBusy.store (false); } };

    if (! skipDelay.exchange (false))
    {
        const auto started = juce::Time::getMillisecondCounterHiRes();

        for (;;)
        {
            if (threadShouldExit())
                return;

            const auto remaining = config.startDelayMs - (juce::Time::getMillisecondCounterHiRes() - started);

            if (remaining <= 0.0)
                break;

            wait (juce::jlimit (1, 100, (int) std::ceil (remaining)));
        }

        if (threadShouldExit())
            return;
    }

    if (! consentGiven (loadState()))
        return;

    const auto today = isoDate (now());

    auto host = config.hostNameProvider ? config.hostNameProvider() : config.defaultHostName;
    host = host.trim();

    if (host.isEmpty())
        host = "Unknown";

    const auto forced = forceNext.exchange (false);
    const auto key = config.pluginFormat + ":" + host;

    // Install id and first-seen time are made under the settings lock, with consent checked again there.
    bool consentHeld = false;
    TelemetryState state;

    updateState ([&] (TelemetryState& stored)
    {
        if (! consentGiven (stored))
            return false;

        consentHeld = true;
        state = stored;

        if (! forced)
        {
            const auto sent = stored.lastPingDatesByHost.getProperty (key, {});

            if (sent.isString() && sent.toString() == today)
            {
                consentHeld = false;
                return false;
            }
        }

        bool changed = false;

        if (stored.installId.isEmpty())
        {
            stored.installId = freshInstallId();
            stored.firstSeenAtUtc = isoTime (now());
            changed = true;
        }
        else if (stored.firstSeenAtUtc.isEmpty())
        {
            stored.firstSeenAtUtc = isoTime (now());
            changed = true;
        }

        state = stored;
        return changed;
    });

    if (! consentHeld || threadShouldExit())
        return;

    if (! postHeartbeat (buildHeartbeat (state, host)))
        return;

    updateState ([&] (TelemetryState& stored)
    {
        stored.lastPingDate = today;

        if (! isJsonObject (stored.lastPingDatesByHost))
            stored.lastPingDatesByHost = juce::var (new juce::DynamicObject());

        stored.lastPingDatesByHost.getDynamicObject()->setProperty (key, today);
        return true;
    });
}

juce::String TelemetryClient::osMajorVersionFrom (const juce::String& name)
{
    for (auto* prefix : { "Windows ", "Mac OSX ", "iOS " })
    {
        if (! name.startsWith (prefix))
            continue;

        const auto rest = name.substring (juce::String (prefix).length());
        const auto major = rest.upToFirstOccurrenceOf (".", false, false);

        if (major.length() >= 1 && major.length() <= 4 && major.containsOnly ("0123456789") && ! major.startsWith ("0"))
            return major;
    }

    return "Unknown";
}

juce::String TelemetryClient::platformName()
{
   #if JUCE_WINDOWS
    return "windows";
   #elif JUCE_MAC
    return "macos";
   #elif JUCE_IOS
    return "ios";
   #elif JUCE_ANDROID
    return "android";
   #elif JUCE_LINUX
    return "linux";
   #elif JUCE_BSD
    return "bsd";
   #else
    return "unknown";
   #endif
}

juce::String TelemetryClient::architectureName()
{
   #if defined (__x86_64__) || defined (_M_X64)
    return "x64";
   #elif defined (__aarch64__) || defined (_M_ARM64)
    return "arm64";
   #elif defined (__i386__) || defined (_M_IX86)
    return "x86";
   #elif defined (__arm__) || defined (_M_ARM)
    return "arm";
   #else
    return "unknown";
   #endif
}

juce::String TelemetryClient::buildHeartbeat (const TelemetryState& state, const juce::String& hostName) const
{
    auto* object = new juce::DynamicObject();
    object->setProperty ("schema", 1);
    object->setProperty ("product", config.productId);
    object->setProperty ("version", config.version);
    object->setProperty ("install_id", state.installId);
    object->setProperty ("first_seen_at", state.firstSeenAtUtc);
    object->setProperty ("platform", platformName());
    object->setProperty ("os_major_version", osMajorVersionFrom (juce::SystemStats::getOperatingSystemName()));
    object->setProperty ("arch", architectureName());
    object->setProperty ("format", config.pluginFormat);
    object->setProperty ("daw", hostName);
    object->setProperty ("consent_version", state.consentVersion);
    object->setProperty ("internal_build", config.internalBuild);
    object->setProperty ("event_type", "daily_heartbeat");
    object->setProperty ("event_at", isoTime (now()));
    return juce::JSON::toString (juce::var (object), false, 15);
}

bool TelemetryClient::postHeartbeat (const juce::String& text)
{
    const auto url = juce::URL (config.heartbeatUrl).withPOSTData (text);
    const auto response = request.perform (url, true, "Accept: application/json\r\nContent-Type: application/json\r\n",
                                           config.timeoutMs);
    return response.succeeded();
}

} // namespace tolmek
