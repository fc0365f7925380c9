#pragma once

#include "kit/JuceKit.h"
#include "kit/ServiceRequest.h"

#include <atomic>
#include <functional>

namespace tolmek
{

/** Consent and heartbeat state kept in the "telemetry" settings section. */
struct TelemetryState
{
    juce::String installId;
    juce::String firstSeenAtUtc;
    bool telemetryEnabled = false;
    juce::String consentVersion;
    juce::String welcomeVersion;
    juce::String lastPingDate;
    juce::var lastPingDatesByHost;
};

/** Sends the consented anonymous heartbeat at most once a local day per plug-in format and host,
    after five seconds of playback, and whenever the editor asks for one.
*/
class TelemetryClient : public juce::Thread,
                        public juce::Timer
{
public:
    struct Config
    {
        juce::String productId;
        juce::String productName;
        juce::String version;
        juce::String heartbeatUrl;
        juce::String settingsKey;
        juce::String pluginFormat;
        juce::String defaultHostName { "Unknown" };
        std::function<juce::String()> hostNameProvider;
        juce::String consentVersion;
        juce::String welcomeVersion;
        bool internalBuild = false;
        int startDelayMs = 15000;
        int timeoutMs = 10000;
    };

    using Clock = std::function<juce::Time()>;

    explicit TelemetryClient (Config config);
    ~TelemetryClient() override;

    /** Message thread. Starts the usage timer once the sample rate is known. */
    void prepareToPlay (double sampleRate);

    /** Audio thread: no lock, no allocation. */
    void addPlayedSamples (int numSamples, bool isPlaying) noexcept;

    void timerCallback() override;

    void requestHeartbeat();
    void forceHeartbeat();

    void setEnabled (bool consent);
    bool isEnabled() const;
    bool shouldShowWelcome() const;
    void markWelcomeSeen();

    static juce::String consentText();

    void run() override;

    TelemetryState loadState() const;
    bool saveState (const TelemetryState& state) const;
    juce::String buildHeartbeat (const TelemetryState& state, const juce::String& hostName) const;
    bool postHeartbeat (const juce::String& text);

    /** Replaces the wall clock (local time) used for days and time stamps; set before any use. */
    void setClock (Clock newClock) { clock = std::move (newClock); }

    const Config& getConfig() const noexcept { return config; }

    /** "Windows 11" gives "11"; names that carry no plain major number give "Unknown". */
    static juce::String osMajorVersionFrom (const juce::String& operatingSystemName);
    static juce::String platformName();
    static juce::String architectureName();

private:
    juce::Time now() const { return clock ? clock() : juce::Time::getCurrentTime(); }
    bool consentGiven (const TelemetryState& state) const;
    bool canSend() const;
    void wakeWorker();
    bool updateState (const std::function<bool (TelemetryState&)>& change) const;

    Config config;
    Clock clock;
    ServiceRequest request;

    std::atomic<juce::int64> playedSamples { 0 };
    std::atomic<juce::int64> usageThresholdSamples { 0 };
    std::atomic<bool> usageReached { false };
    std::atomic<juce::int64> lastUsageDay { -1 };
    std::atomic<bool> workerBusy { false };
    std::atomic<bool> forceNext { false };
    std::atomic<bool> skipDelay { false };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TelemetryClient)
};

} // namespace tolmek
