#include "kit/SettingsStore.h"
#include "kit/TelemetryClient.h"
#include "support/ServiceTestSupport.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <memory>

using tolmek::TelemetryClient;

namespace
{
const juce::String settingsKey = "TOLMEK/VarneT";
const juce::String consentVersion = "2026-07-10";

juce::String todayText() { return juce::Time::getCurrentTime().toISO8601 (true).substring (0, 10); }

class TelemetryClientTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        client.reset();
        service_test::removeInterProcessLockFile (store.getLockName());
    }

    TelemetryClient::Config makeConfig (const juce::String& url)
    {
        TelemetryClient::Config config;
        config.productId = "varne-t";
        config.productName = "Varne-T";
        config.version = "1.3.6";
        config.heartbeatUrl = url;
        config.settingsKey = settingsKey;
        config.pluginFormat = "vst3";
        config.hostNameProvider = [this] { const juce::ScopedLock sl (hostLock); return hostName; };
        config.consentVersion = consentVersion;
        config.welcomeVersion = "2026-08-26";
        config.startDelayMs = 0;
        config.timeoutMs = 1000;
        return config;
    }

    TelemetryClient& makeClient (TelemetryClient::Config config)
    {
        client = std::make_unique<TelemetryClient> (std::move (config));
        return *client;
    }

    TelemetryClient& makeClient() { return makeClient (makeConfig (server.baseUrl() + "/api/telemetry/heartbeat")); }

    void setHostName (const juce::String& name)
    {
        const juce::ScopedLock sl (hostLock);
        hostName = name;
    }

    juce::var telemetrySection() const { return store.readSection ("telemetry"); }

    juce::var pingDate (const juce::String& key) const
    {
        return telemetrySection().getProperty ("last_ping_dates_by_host", {}).getProperty (key, {});
    }

    bool waitForWorker() const
    {
        return service_test::waitUntil ([this] { return ! client->isThreadRunning(); });
    }

    service_test::TemporaryHome home;
    service_test::LoopbackServer server { home.getFolder() };
    tolmek::SettingsStore store { settingsKey };
    std::unique_ptr<TelemetryClient> client;

    juce::CriticalSection hostLock;
    juce::String hostName { "Host A" };
};
} // namespace

TEST_F (TelemetryClientTest, HeartbeatBodyCarriesItsKeysInOrder)
{
    ASSERT_TRUE (server.isReady());
    server.answer (200, "{}");
    auto& telemetry = makeClient();
    telemetry.setEnabled (true);
    telemetry.requestHeartbeat();

    ASSERT_TRUE (server.waitForRequests (1));
    ASSERT_TRUE (waitForWorker());

    const auto request = server.requests()[0];
    EXPECT_EQ (request["method"].toString(), "POST");
    EXPECT_EQ (request["path"].toString(), "/api/telemetry/heartbeat");
    EXPECT_EQ (request["headers"]["Content-Type"].toString(), "application/json");
    EXPECT_EQ (request["headers"]["Accept"].toString(), "application/json");

    const auto text = request["body"].toString();
    EXPECT_TRUE (text.contains ("\r\n"));

    const auto body = juce::JSON::parse (text);
    ASSERT_TRUE (tolmek::isJsonObject (body));

    juce::StringArray keys;
    for (const auto& property : body.getDynamicObject()->getProperties())
        keys.add (property.name.toString());

    EXPECT_EQ (keys.joinIntoString (","),
               "schema,product,version,install_id,first_seen_at,platform,os_major_version,arch,format,daw,"
               "consent_version,internal_build,event_type,event_at");

    const auto section = telemetrySection();
    EXPECT_EQ ((int) body["schema"], 1);
    EXPECT_EQ (body["product"].toString(), "varne-t");
    EXPECT_EQ (body["version"].toString(), "1.3.6");
    EXPECT_EQ (body["install_id"].toString(), section["install_id"].toString());
    EXPECT_EQ (body["first_seen_at"].toString(), section["first_seen_at_utc"].toString());
    EXPECT_EQ (body["platform"].toString(), "linux");
   #if defined (__x86_64__)
    EXPECT_EQ (body["arch"].toString(), "x64");
   #endif
    EXPECT_EQ (body["format"].toString(), "vst3");
    EXPECT_EQ (body["daw"].toString(), "Host A");
    EXPECT_EQ (body["consent_version"].toString(), consentVersion);
    EXPECT_FALSE ((bool) body["internal_build"]);
    EXPECT_EQ (body["event_type"].toString(), "daily_heartbeat");
    EXPECT_EQ (body["event_at"].toString().substring (0, 10), todayText());

    EXPECT_TRUE (juce::Uuid (section["install_id"].toString()).toDashedString() == section["install_id"].toString());
    EXPECT_EQ (section["last_ping_date"].toString(), todayText());
    EXPECT_EQ (pingDate ("vst3:Host A").toString(), todayText());
}

TEST_F (TelemetryClientTest, TelemetrySectionKeysInOrder)
{
    auto& telemetry = makeClient();
    telemetry.setEnabled (false);

    const auto text = store.getFile().loadFileAsString();
    EXPECT_EQ (text, R"({"telemetry": {"schema": 1, "install_id": "", "first_seen_at_utc": "", )"
                     R"("telemetry_enabled": false, "consent_version": "2026-07-10", "internal_build": false, )"
                     R"("welcome_version": "", "last_ping_date": "", "last_ping_dates_by_host": null}, "schema": 1})");
}

TEST_F (TelemetryClientTest, OneHeartbeatPerDayForEachFormatAndHost)
{
    ASSERT_TRUE (server.isReady());
    server.answer (204);
    auto& telemetry = makeClient();
    telemetry.setEnabled (true);

    telemetry.requestHeartbeat();
    ASSERT_TRUE (server.waitForRequests (1));
    ASSERT_TRUE (waitForWorker());

    telemetry.requestHeartbeat();
    ASSERT_TRUE (waitForWorker());
    EXPECT_EQ (server.requests().size(), 1) << "same format and host, same day";

    setHostName ("Host B");
    telemetry.requestHeartbeat();
    ASSERT_TRUE (server.waitForRequests (2));
    ASSERT_TRUE (waitForWorker());
    EXPECT_EQ (pingDate ("vst3:Host B").toString(), todayText());

    telemetry.forceHeartbeat();
    ASSERT_TRUE (server.waitForRequests (3)) << "a forced heartbeat goes out although today's is stored";
    ASSERT_TRUE (waitForWorker());

    setHostName ("   ");
    telemetry.requestHeartbeat();
    ASSERT_TRUE (server.waitForRequests (4));
    ASSERT_TRUE (waitForWorker());
    EXPECT_EQ (juce::JSON::parse (server.requests()[3]["body"].toString())["daw"].toString(), "Unknown");
    EXPECT_EQ (pingDate ("vst3:Unknown").toString(), todayText());
}

TEST_F (TelemetryClientTest, OnlyTwoHundredsCountAsSent)
{
    ASSERT_TRUE (server.isReady());

    struct Row { const char* name; int status; const char* body; double stall; int bodyBytes; bool stored; };
    const Row rows[] = {
        { "200 with JSON", 200, "{\"ok\": true}", 0.0, 0, true },
        { "200 with a bad body", 200, "<html>", 0.0, 0, true },
        { "204", 204, "", 0.0, 0, true },
        { "301 without location", 301, "", 0.0, 0, false },
        { "404", 404, "{}", 0.0, 0, false },
        { "500 with JSON", 500, "{\"ok\": true}", 0.0, 0, false },
        { "stalled past the time-out", 200, "", 5.0, 0, false },
        { "endless body", 200, "", 0.0, 4 * 1024 * 1024, false },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        store.writeSection ("telemetry", juce::var (new juce::DynamicObject()));
        server.answer (row.status, row.body, row.stall, row.bodyBytes);

        const auto before = server.requests().size();
        auto& telemetry = makeClient();
        telemetry.setEnabled (true);
        telemetry.requestHeartbeat();

        ASSERT_TRUE (server.waitForRequests (before + 1));
        ASSERT_TRUE (waitForWorker());
        EXPECT_EQ (pingDate ("vst3:Host A").isString(), row.stored);
        EXPECT_EQ (telemetrySection()["last_ping_date"].toString().isNotEmpty(), row.stored);
    }
}

TEST_F (TelemetryClientTest, RefusedConnectionStoresNothing)
{
    auto& telemetry = makeClient (makeConfig ("http://127.0.0.1:" + juce::String (service_test::closedLoopbackPort()) + "/api/telemetry/heartbeat"));
    telemetry.setEnabled (true);
    telemetry.requestHeartbeat();
    ASSERT_TRUE (waitForWorker());

    EXPECT_TRUE (pingDate ("vst3:Host A").isVoid());
    EXPECT_TRUE (telemetry.isEnabled());
}

TEST_F (TelemetryClientTest, NothingIsSentWithoutConsent)
{
    ASSERT_TRUE (server.isReady());
    server.answer (200);
    auto& telemetry = makeClient();

    telemetry.requestHeartbeat();
    ASSERT_TRUE (waitForWorker());

    telemetry.setEnabled (false);
    telemetry.forceHeartbeat();
    ASSERT_TRUE (waitForWorker());

    EXPECT_EQ (server.requests().size(), 0);
    EXPECT_EQ (telemetrySection()["install_id"].toString(), "") << "refusal makes no install id";
    EXPECT_EQ (telemetrySection()["consent_version"].toString(), consentVersion) << "refusal still records the version";
}

TEST_F (TelemetryClientTest, ConsentFollowsTheConsentVersion)
{
    auto& telemetry = makeClient();
    EXPECT_FALSE (telemetry.isEnabled());

    telemetry.setEnabled (true);
    EXPECT_TRUE (telemetry.isEnabled());
    const auto installId = telemetrySection()["install_id"].toString();
    EXPECT_TRUE (installId.isNotEmpty());

    // A newer consent text switches telemetry off until the user agrees again.
    store.setValue ("telemetry", "consent_version", "2025-01-01");
    EXPECT_FALSE (telemetry.isEnabled());

    telemetry.setEnabled (true);
    EXPECT_TRUE (telemetry.isEnabled());
    EXPECT_EQ (telemetrySection()["install_id"].toString(), installId) << "the install id never changes";

    // Wrong types read as missing.
    store.setValue ("telemetry", "telemetry_enabled", "true");
    EXPECT_FALSE (telemetry.isEnabled());
}

TEST_F (TelemetryClientTest, WelcomeShowsOncePerWelcomeVersion)
{
    auto& telemetry = makeClient();
    EXPECT_TRUE (telemetry.shouldShowWelcome());
    telemetry.markWelcomeSeen();
    EXPECT_FALSE (telemetry.shouldShowWelcome());
    EXPECT_EQ (telemetrySection()["welcome_version"].toString(), "2026-08-26");

    auto config = makeConfig ({});
    config.welcomeVersion = "2027-01-01";
    EXPECT_TRUE (makeClient (config).shouldShowWelcome());

    config.welcomeVersion = {};
    EXPECT_FALSE (makeClient (config).shouldShowWelcome());
}

TEST_F (TelemetryClientTest, ConsentChangedDuringASlowHeartbeatSurvives)
{
    ASSERT_TRUE (server.isReady());
    server.answer (200, "{}", 0.0, 0, 1.0);
    auto& telemetry = makeClient();
    telemetry.setEnabled (true);
    telemetry.requestHeartbeat();

    ASSERT_TRUE (server.waitForRequests (1));
    telemetry.setEnabled (false);
    ASSERT_TRUE (waitForWorker());

    EXPECT_FALSE (telemetry.isEnabled());
    EXPECT_EQ (pingDate ("vst3:Host A").toString(), todayText());
}

TEST_F (TelemetryClientTest, PlaybackRaisesOneHeartbeatPerDay)
{
    ASSERT_TRUE (server.isReady());
    server.answer (200);

    // The start delay applies only to heartbeats that playback did not raise.
    auto config = makeConfig (server.baseUrl() + "/api/telemetry/heartbeat");
    config.startDelayMs = 15000;
    auto day = juce::Time (2031, 1, 14, 12, 0); // months count from 0
    auto& telemetry = makeClient (config);
    telemetry.setClock ([&day] { return day; });
    telemetry.setEnabled (true);
    telemetry.prepareToPlay (48000.0);

    const auto playBlocks = [&] (int count, bool playing)
    {
        for (int i = 0; i < count; ++i)
            telemetry.addPlayedSamples (512, playing);
    };

    // 240,000 samples make five seconds at 48 kHz: block 469 of 512 samples crosses them.
    playBlocks (1000, false);
    playBlocks (468, true);
    telemetry.timerCallback();
    EXPECT_FALSE (telemetry.isThreadRunning());

    {
        testing_support::AllocationCounter counter;
        playBlocks (1, true);
        EXPECT_EQ (counter.allocations(), 0u);
    }

    telemetry.timerCallback();
    ASSERT_TRUE (server.waitForRequests (1, 5000));
    ASSERT_TRUE (waitForWorker());
    EXPECT_EQ (pingDate ("vst3:Host A").toString(), "2031-02-14");

    playBlocks (469, true);
    telemetry.timerCallback();
    EXPECT_FALSE (telemetry.isThreadRunning()) << "the same day asks only once";

    day = juce::Time (2031, 1, 15, 12, 0);
    playBlocks (469, true);
    telemetry.timerCallback();
    ASSERT_TRUE (server.waitForRequests (2, 5000));
    ASSERT_TRUE (waitForWorker());
    EXPECT_EQ (pingDate ("vst3:Host A").toString(), "2031-02-15");
    client.reset();
}

TEST_F (TelemetryClientTest, DestructionDuringTheStartDelayIsPrompt)
{
    auto config = makeConfig (server.baseUrl() + "/api/telemetry/heartbeat");
    config.startDelayMs = 15000;
    auto& telemetry = makeClient (config);
    telemetry.setEnabled (true);
    telemetry.requestHeartbeat();
    ASSERT_TRUE (telemetry.isThreadRunning());

    const auto started = juce::Time::getMillisecondCounterHiRes();
    client.reset();
    EXPECT_LT (juce::Time::getMillisecondCounterHiRes() - started, 500.0);
    EXPECT_EQ (server.requests().size(), 0);
}

TEST_F (TelemetryClientTest, DestructionDuringAStalledRequestIsPrompt)
{
    ASSERT_TRUE (server.isReady());
    server.answer (200, {}, 60.0);
    auto config = makeConfig (server.baseUrl() + "/api/telemetry/heartbeat");
    config.timeoutMs = 30000;
    auto& telemetry = makeClient (config);
    telemetry.setEnabled (true);
    telemetry.requestHeartbeat();
    ASSERT_TRUE (server.waitForRequests (1));

    const auto started = juce::Time::getMillisecondCounterHiRes();
    client.reset();
    EXPECT_LT (juce::Time::getMillisecondCounterHiRes() - started, 3000.0);
    EXPECT_TRUE (pingDate ("vst3:Host A").isVoid());
}

TEST (TelemetryClientText, OperatingSystemMajorVersion)
{
    struct Row { const char* name; const char* expected; };
    const Row rows[] = {
        { "Windows 11", "11" }, { "Windows 8.1", "8" }, { "Windows Vista", "Unknown" },
        { "Mac OSX 14.2", "14" }, { "iOS 17", "17" }, { "Windows 012", "Unknown" },
        { "Windows 12345", "Unknown" }, { "Linux", "Unknown" }, { "Windows ", "Unknown" },
    };

    for (const auto& row : rows)
        EXPECT_EQ (TelemetryClient::osMajorVersionFrom (row.name), row.expected) << row.name;
}

TEST (TelemetryClientText, WakesNeedACompleteConfiguration)
{
    service_test::TemporaryHome home;
    TelemetryClient::Config config;
    config.productId = "varne-t";
    config.version = "1.3.6";
    config.settingsKey = settingsKey;
    config.startDelayMs = 15000;

    TelemetryClient telemetry (config);
    telemetry.forceHeartbeat();
    EXPECT_FALSE (telemetry.isThreadRunning()) << "no heartbeat address";
    service_test::removeInterProcessLockFile (tolmek::SettingsStore (settingsKey).getLockName());
}
