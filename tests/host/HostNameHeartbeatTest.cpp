// The name that a VST3 host gives itself reaches the heartbeat of the bundle it loads. The service
// test bundle talks to a loopback server on a fixed port instead of the maker's service.

#include "support/PlaybackHostSupport.h"
#include "kit/SettingsStore.h"
#include "kit/TelemetryHostContext.h"
#include "support/ServiceTestSupport.h"

namespace
{
const juce::File serviceTestBundle { VARNET_SERVICE_TEST_BUNDLE };
const juce::String heartbeatPath = "/api/telemetry/heartbeat";

class HostNameHeartbeatTest : public host_test::BundleTest
{
protected:
    void TearDown() override
    {
        service_test::removeInterProcessLockFile (settings.getLockName());
        BundleTest::TearDown();
    }

    static juce::File home() { return juce::File::getSpecialLocation (juce::File::userHomeDirectory); }

    /** The user agreed to the heartbeat with the consent text this build asks about. */
    bool giveConsent() const
    {
        auto* telemetry = new juce::DynamicObject();
        telemetry->setProperty ("telemetry_enabled", true);
        telemetry->setProperty ("consent_version", "2026-07-10");
        return settings.writeSection ("telemetry", juce::var (telemetry));
    }

    tolmek::SettingsStore settings { "TOLMEK/VarneT" };
};

juce::Array<juce::var> heartbeats (const service_test::LoopbackServer& server)
{
    juce::Array<juce::var> found;

    for (const auto& request : server.requests())
        if (request["path"].toString() == heartbeatPath)
            found.add (request);

    return found;
}
} // namespace

TEST_F (HostNameHeartbeatTest, HeartbeatNamesTheHostThatLoadedTheBundle)
{
    // JUCE's VST3 host names itself after the running program.
    const auto hostName = juce::File::getSpecialLocation (juce::File::currentApplicationFile).getFileNameWithoutExtension();
    const auto expected = tolmek::TelemetryHostContext::sanitiseHostName (hostName);
    ASSERT_TRUE (expected.isNotEmpty()) << hostName;

    service_test::LoopbackServer server (home(), "127.0.0.1", VARNET_SERVICE_TEST_PORT);
    ASSERT_TRUE (server.isReady()) << "nothing listens on loopback port " << VARNET_SERVICE_TEST_PORT;
    server.answer (204);
    ASSERT_TRUE (giveConsent());

    juce::String error;
    auto loaded = probe::loadBundle (serviceTestBundle, host_test::rate, 512, error);
    ASSERT_TRUE (loaded.has_value()) << error;

    {
        // Five seconds of playback make the day's heartbeat due without the start delay.
        probe::RenderSession session (*loaded->instance, host_test::rate, 512);
        session.run ((juce::int64) (6 * host_test::rate));

        EXPECT_TRUE (service_test::waitUntil ([&] { return ! heartbeats (server).isEmpty(); }, 10000))
            << "no heartbeat reached the loopback server";
    }

    loaded->instance.reset();

    const auto sent = heartbeats (server);
    ASSERT_EQ (sent.size(), 1);
    EXPECT_EQ (sent[0]["method"].toString(), "POST");

    const auto body = juce::JSON::parse (sent[0]["body"].toString());
    EXPECT_EQ (body["daw"].toString(), expected) << sent[0]["body"].toString();
    EXPECT_EQ (body["format"].toString(), "vst3");
    EXPECT_EQ (body["event_type"].toString(), "daily_heartbeat");
}
