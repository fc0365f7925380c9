#pragma once

#include "kit/JuceKit.h"
#include "kit/ServiceRequest.h"

#include <atomic>
#include <functional>

namespace tolmek
{

/** Asks the maker's web service, at most once per checker and normally once a day per user,
    whether a newer version is published; listeners hear of every new result.
*/
class UpdateChecker : public juce::ChangeBroadcaster,
                      public juce::Thread
{
public:
    struct Config
    {
        juce::String productId;
        juce::String productName;
        juce::String version;
        juce::String updateUrl;
        juce::String settingsKey;
    };

    enum class State
    {
        Idle = 0,
        Checking = 1,
        UpToDate = 2,
        UpdateAvailable = 3
    };

    using Clock = std::function<juce::Time()>;

    explicit UpdateChecker (Config config);
    ~UpdateChecker() override;

    /** Message thread; does its work only on the first call. */
    void start();

    void run() override;

    bool isUpdateAvailable() const;
    juce::String getLatestVersion() const;
    juce::String getDownloadUrl() const;
    juce::String getReleaseNotesUrl() const;
    State getState() const;

    /** 1 when a is newer than b, -1 when older, 0 when equal or either text is not a plain version. */
    static int compareVersions (const juce::String& a, const juce::String& b);

    /** Replaces the wall clock used for the cache's age and time stamps; set before start(). */
    void setClock (Clock newClock) { clock = std::move (newClock); }

    static constexpr int requestTimeoutMs = 10000;

private:
    juce::Time now() const { return clock ? clock() : juce::Time::getCurrentTime(); }
    bool readUpdateCache();
    void publish (State newState, juce::String latest, juce::String download, juce::String notes);

    Config config;
    Clock clock;
    ServiceRequest request;

    mutable juce::SpinLock lock;
    State state = State::Idle;
    juce::String latestVersion, downloadUrl, releaseNotesUrl;

    std::atomic<bool> started { false };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (UpdateChecker)
};

} // namespace tolmek
