// The heartbeat the editor forces shortly after it opens, and the help dialog's consent toggle,
// end to end: the service test bundle hosted through VST3 with its editor in a real window, and
// the loopback server in place of the maker's service.

#include "editor/PluginEditor.h"
#include "host-editor/HostedEditorSupport.h"
#include "kit/SettingsStore.h"
#include "kit/TelemetryHostContext.h"
#include "support/PlaybackHostSupport.h"
#include "support/gui/GuiTestBench.h"

namespace
{
const juce::File serviceTestBundle { VARNET_SERVICE_TEST_BUNDLE };
const juce::String heartbeatPath = "/api/telemetry/heartbeat";

// The telemetry worker waits this long before a heartbeat that playback did not ask for.
constexpr int startDelayMs = 15000;
// How long past the start delay a heartbeat that was going to be sent has surely arrived.
constexpr int arrivalMarginMs = 1500;

juce::uint32 millisecondsSince (juce::uint32 start) { return juce::Time::getMillisecondCounter() - start; }

/** Where the help dialog's controls are in the editor at its default size, read from the same
    editor built in this process (the hosted one lives in the bundle, out of reach). */
struct HelpGeometry
{
    juce::Point<int> helpButton;   // the header's "?"
    juce::Point<int> consentTick;  // the consent toggle's tick box, with the dialog scrolled to its end
    int wheelClicksToEnd = 0;      // enough to scroll the dialog from its top to its end
};

HelpGeometry readHelpGeometry()
{
    return hosted_editor::readLocalEditor<HelpGeometry> ([] (juce::AudioProcessorEditor& editor)
    {
        using testing_support::gui::findIn;

        HelpGeometry geometry;
        auto* helpButton = findIn<juce::Button> (editor, [] (juce::Button& b) { return b.getName() == "Varne-T Help"; });
        auto* dialog = findIn<tolmek::HelpDialog> (editor);

        if (helpButton == nullptr || dialog == nullptr)
        {
            ADD_FAILURE() << "the editor has no help button or no help dialog";
            return geometry;
        }

        geometry.helpButton = editor.getLocalArea (helpButton, helpButton->getLocalBounds()).getCentre();

        dialog->show();
        auto& viewport = dialog->getViewport();
        viewport.setViewPosition (0, dialog->getBody().getHeight()); // as far down as it goes
        // A wheel click scrolls the help dialog by about 130 pixels; count on 100.
        geometry.wheelClicksToEnd = viewport.getViewPositionY() / 100 + 5;

        auto& toggle = dialog->getBody().consentToggle;
        const auto tick = editor.getLocalArea (&toggle, juce::Rectangle<int> (0, 0, 24, toggle.getHeight()));
        const auto visibleBody = editor.getLocalArea (&viewport, viewport.getLocalBounds());
        EXPECT_TRUE (visibleBody.contains (tick)) << "the consent toggle is not in view at the end of the help dialog";

        geometry.consentTick = tick.getCentre();
        return geometry;
    });
}

class EditorHeartbeatHostTest : public host_test::BundleTest
{
protected:
    void SetUp() override
    {
        BundleTest::SetUp();

        if (std::getenv ("DISPLAY") == nullptr)
            GTEST_SKIP() << "needs an X display";

        probe::prepareBareXServer();
        server = std::make_unique<service_test::LoopbackServer> (juce::File::getSpecialLocation (juce::File::userHomeDirectory),
                                                                 "127.0.0.1", VARNET_SERVICE_TEST_PORT);
        ASSERT_TRUE (server->isReady()) << "nothing listens on loopback port " << VARNET_SERVICE_TEST_PORT;
        server->answer (204);
    }

    void TearDown() override
    {
        server.reset();
        service_test::removeInterProcessLockFile (settings.getLockName());
        BundleTest::TearDown();
    }

    /** The user agreed to the heartbeat and has seen the welcome text, stored as the plug-in
        stores them, so that no first-run question covers the editor. */
    void agreeToHeartbeat() const
    {
        VarneTAudioProcessor processor;
        processor.getTelemetryClient().setEnabled (true);
        processor.getTelemetryClient().markWelcomeSeen();
        ASSERT_TRUE (telemetrySettings()["telemetry_enabled"].isBool() && (bool) telemetrySettings()["telemetry_enabled"]);
    }

    /** The day's heartbeat from this host went out already: only a forced one can follow. */
    void recordTodaysHeartbeat() const
    {
        ASSERT_TRUE (settings.update ([] (juce::var& root)
        {
            auto telemetry = root["telemetry"];
            if (! tolmek::isJsonObject (telemetry))
                return false;

            auto dates = telemetry["last_ping_dates_by_host"];
            if (! tolmek::isJsonObject (dates))
            {
                dates = juce::var (new juce::DynamicObject());
                telemetry.getDynamicObject()->setProperty ("last_ping_dates_by_host", dates);
            }

            dates.getDynamicObject()->setProperty (hostKey(), today());
            telemetry.getDynamicObject()->setProperty ("last_ping_date", today());
            return true;
        }));
    }

    /** The format word and the name JUCE's VST3 host gives itself: the running program's. */
    static juce::String hostKey()
    {
        const auto program = juce::File::getSpecialLocation (juce::File::currentApplicationFile).getFileNameWithoutExtension();
        return "vst3:" + tolmek::TelemetryHostContext::sanitiseHostName (program);
    }

    static juce::String today() { return juce::Time::getCurrentTime().toISO8601 (true).substring (0, 10); }

    juce::var telemetrySettings() const { return settings.readSection ("telemetry"); }

    juce::Array<juce::var> heartbeats() const
    {
        juce::Array<juce::var> found;
        for (const auto& request : server->requests())
            if (request["path"].toString() == heartbeatPath)
                found.add (request);
        return found;
    }

    /** Pumps the message loop until a heartbeat arrives or the start delay, counted from `start`,
        is over by a margin; true when one arrived. */
    bool heartbeatArrivesWithinStartDelayOf (juce::uint32 start) const
    {
        const auto deadline = startDelayMs + arrivalMarginMs;
        const auto remaining = (int) deadline - (int) millisecondsSince (start);
        return service_test::waitUntil ([&] { return ! heartbeats().isEmpty(); }, juce::jmax (0, remaining));
    }

    static std::unique_ptr<juce::AudioPluginInstance> loadServiceTestBundle()
    {
        juce::String error;
        auto loaded = probe::loadBundle (serviceTestBundle, host_test::rate, 512, error);
        EXPECT_TRUE (loaded.has_value()) << error;
        return loaded.has_value() ? std::move (loaded->instance) : nullptr;
    }

    tolmek::SettingsStore settings { "TOLMEK/VarneT" };
    std::unique_ptr<service_test::LoopbackServer> server;
};
} // namespace

// The control for the test below: the same set-up with the editor left open sends the forced
// heartbeat, once, after the start delay.
TEST_F (EditorHeartbeatHostTest, AnEditorLeftOpenForcesOneHeartbeatAfterTheStartDelay)
{
    agreeToHeartbeat();
    recordTodaysHeartbeat();
    auto plugin = loadServiceTestBundle();
    ASSERT_NE (plugin, nullptr);

    const auto opened = juce::Time::getMillisecondCounter();
    auto window = hosted_editor::openShown (*plugin);
    ASSERT_NE (window, nullptr);

    ASSERT_TRUE (service_test::waitUntil ([&] { return ! heartbeats().isEmpty(); }, startDelayMs + 5000))
        << "no heartbeat reached the loopback server";
    const auto arrivedAfter = millisecondsSince (opened);
    window.reset();

    EXPECT_GE (arrivedAfter, (juce::uint32) startDelayMs) << "the heartbeat did not wait for the start delay";

    const auto sent = heartbeats();
    ASSERT_EQ (sent.size(), 1);
    const auto body = juce::JSON::parse (sent[0]["body"].toString());
    EXPECT_EQ (body["event_type"].toString(), "daily_heartbeat");
    // The recorded date was this host's, so the heartbeat went out only because it was forced.
    EXPECT_EQ ("vst3:" + body["daw"].toString(), hostKey()) << sent[0]["body"].toString();
    EXPECT_EQ (telemetrySettings()["last_ping_dates_by_host"].getProperty (hostKey(), {}).toString(), today());
}

TEST_F (EditorHeartbeatHostTest, ClosingTheEditorWithinAQuarterSecondForcesNoHeartbeat)
{
    agreeToHeartbeat();
    recordTodaysHeartbeat();
    auto plugin = loadServiceTestBundle();
    ASSERT_NE (plugin, nullptr);

    // No message is dispatched between opening and closing, so the editor is gone before its
    // delayed call can run, however long the opening takes on a loaded machine.
    const auto opened = juce::Time::getMillisecondCounter();
    {
        juce::String error;
        auto window = probe::HostedEditorWindow::open (*plugin, error);
        ASSERT_NE (window, nullptr) << error;
    }
    RecordProperty ("open_to_closed_ms", (int) millisecondsSince (opened));

    juce::MessageManager::getInstance()->runDispatchLoopUntil (400);

    EXPECT_FALSE (heartbeatArrivesWithinStartDelayOf (opened)) << heartbeats()[0]["body"].toString();
    EXPECT_TRUE (heartbeats().isEmpty());
    EXPECT_EQ (telemetrySettings()["last_ping_dates_by_host"].getProperty (hostKey(), {}).toString(), today());
}

TEST_F (EditorHeartbeatHostTest, TurningConsentOffInTheHelpDialogStopsTheHeartbeat)
{
    agreeToHeartbeat(); // and no heartbeat yet today: only the consent stands in its way
    const auto geometry = readHelpGeometry();
    ASSERT_FALSE (geometry.consentTick.isOrigin());

    auto plugin = loadServiceTestBundle();
    ASSERT_NE (plugin, nullptr);

    const auto opened = juce::Time::getMillisecondCounter();
    auto window = hosted_editor::openShown (*plugin);
    ASSERT_NE (window, nullptr);

    // "?" opens the help dialog; the wheel scrolls it to its end, where the consent toggle is;
    // a click turns it off. The X server delivers these in order, so each lands on what the one
    // before left on screen.
    const auto origin = window->getScreenBounds().getPosition();
    const auto help = origin + geometry.helpButton;
    const auto tick = origin + geometry.consentTick;
    const auto clicked = hosted_editor::xdotool ({ "mousemove", juce::String (help.x), juce::String (help.y), "click", "1",
                                    "mousemove", juce::String (tick.x), juce::String (tick.y),
                                    "click", "--repeat", juce::String (geometry.wheelClicksToEnd), "--delay", "10", "5",
                                    "click", "1" });
    ASSERT_EQ (clicked.exitCode, 0) << clicked.output;

    ASSERT_TRUE (service_test::waitUntil ([&] { return telemetrySettings()["telemetry_enabled"].isBool()
                                                       && ! (bool) telemetrySettings()["telemetry_enabled"]; }, 10000))
        << juce::JSON::toString (telemetrySettings());
    ASSERT_LT (millisecondsSince (opened), (juce::uint32) startDelayMs) << "consent was turned off only after the start delay";

    EXPECT_FALSE (heartbeatArrivesWithinStartDelayOf (opened)) << heartbeats()[0]["body"].toString();
    window.reset();

    EXPECT_TRUE (heartbeats().isEmpty());
    EXPECT_EQ (telemetrySettings()["telemetry_enabled"], juce::var (false));
    EXPECT_TRUE (telemetrySettings()["last_ping_date"].toString().isEmpty());
}
