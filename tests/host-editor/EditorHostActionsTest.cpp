// An edit made with the real pointer in the editor that a host opened through VST3, read back
// from the plug-in's state through the same interfaces.

#include "plugin/PluginProcessor.h"
#include "support/PlaybackHostSupport.h"
#include "support/ProbeEditor.h"
#include "support/ProcessRunner.h"
#include "support/ServiceTestSupport.h"

namespace
{
using host_test::BundleTest;

juce::var stateOf (juce::AudioPluginInstance& plugin) { return juce::JSON::parse (host_test::stateText (plugin)); }

int patternsInFirstSection (juce::AudioPluginInstance& plugin)
{
    const auto sections = stateOf (plugin)["sections"];
    return sections.isArray() && sections.size() > 0 ? sections[0]["sequence"].size() : -1;
}
} // namespace

TEST_F (BundleTest, AClickOnTheHostedEditorsAddPatternTileAddsAPatternToTheState)
{
    if (std::getenv ("DISPLAY") == nullptr)
        GTEST_SKIP() << "needs an X display";

    // The first-run question is answered, so that nothing covers the editor.
    VarneTAudioProcessor().getTelemetryClient().markWelcomeSeen();

    probe::prepareBareXServer();
    auto plugin = load();
    ASSERT_NE (plugin, nullptr);
    ASSERT_EQ (patternsInFirstSection (*plugin), 1);

    juce::String error;
    auto window = probe::HostedEditorWindow::open (*plugin, error);
    ASSERT_NE (window, nullptr) << error;
    window->setEditorSize (1360, 820);
    ASSERT_TRUE (service_test::waitUntil ([&] { return window->getEditor().isShowing() && window->getScreenBounds().getWidth() == 1360; }, 20000));

    // The add tile follows the single Pattern tile on the Pattern strip.
    const auto at = window->getScreenBounds().getPosition() + juce::Point<int> (516, 105);
    const auto clicked = testing_support::runProcess ({ "xdotool", "mousemove", juce::String (at.x), juce::String (at.y), "click", "1" });
    ASSERT_EQ (clicked.exitCode, 0) << clicked.output;

    ASSERT_TRUE (service_test::waitUntil ([&] { return patternsInFirstSection (*plugin) == 2; }, 20000)) << host_test::stateText (*plugin).substring (0, 400);
    EXPECT_EQ (stateOf (*plugin)["sections"][0]["sequence"][1]["name"].toString(), "Pattern 2");
    window.reset();
}
