// Edits made with the real pointer in the editor that a host opened through VST3, read back
// from the plug-in's state through the same interfaces.

#include "model/BuiltInPerformances.h"
#include "model/DefaultProject.h"
#include "model/PatternFragments.h"
#include "model/ProjectJson.h"
#include "plugin/PluginProcessor.h"
#include "support/PlaybackHostSupport.h"
#include "support/ProbeEditor.h"
#include "support/ProcessRunner.h"
#include "support/ServiceTestSupport.h"
#include "support/gui/GuiTestBench.h"

namespace
{
using host_test::BundleTest;

juce::var stateOf (juce::AudioPluginInstance& plugin) { return juce::JSON::parse (host_test::stateText (plugin)); }

int patternsInFirstSection (juce::AudioPluginInstance& plugin)
{
    const auto sections = stateOf (plugin)["sections"];
    return sections.isArray() && sections.size() > 0 ? sections[0]["sequence"].size() : -1;
}

/** Note-ons of two bars of playback from the start of the timeline. */
std::vector<host_test::Row> firstTwoBars (juce::AudioPluginInstance& plugin)
{
    probe::RenderSession session (plugin, host_test::rate, 512);
    return host_test::noteOns (host_test::rowsOf (session.run (8 * host_test::samplesPerBeat).output));
}

/** Where a row of the performance dictionary sits in an editor of the given size, found in one
    built in this process: the hosted editor comes from the same code and lays out alike. */
juce::Rectangle<int> dictionaryRowInEditor (int row, int width, int height)
{
    VarneTAudioProcessor local;
    std::unique_ptr<juce::AudioProcessorEditor> editor (local.createEditor());
    editor->setSize (width, height);
    auto* list = testing_support::gui::findIn<juce::ListBox> (*editor);
    const auto area = list != nullptr ? editor->getLocalArea (list, list->getRowPosition (row, true)) : juce::Rectangle<int>();
    local.editorBeingDeleted (editor.get());
    return area;
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

TEST_F (BundleTest, AClickOnADictionaryRowLoadsThatPerformanceIntoTheActiveSectionAndItPlays)
{
    if (std::getenv ("DISPLAY") == nullptr)
        GTEST_SKIP() << "needs an X display";

    VarneTAudioProcessor().getTelemetryClient().markWelcomeSeen();

    // "All performances" lists every performance in order; the second one is a single bar.
    const int row = 1;
    const auto& performance = VarneT::builtInPerformances()[(size_t) row];
    auto expected = VarneT::makeDefaultProject();
    std::vector<VarneT::Pattern> fragments;
    ASSERT_EQ (VarneT::loadPerformanceIntoSection (performance, 16, fragments), "");
    ASSERT_EQ (fragments.size(), 1u);
    expected.sections[0].sequence = fragments;

    probe::prepareBareXServer();
    auto plugin = load();
    ASSERT_NE (plugin, nullptr);
    const auto before = firstTwoBars (*plugin);
    ASSERT_FALSE (before.empty());

    const auto rowArea = dictionaryRowInEditor (row, 1360, 820);
    ASSERT_FALSE (rowArea.isEmpty());

    juce::String error;
    auto window = probe::HostedEditorWindow::open (*plugin, error);
    ASSERT_NE (window, nullptr) << error;
    window->setEditorSize (1360, 820);
    ASSERT_TRUE (service_test::waitUntil ([&] { return window->getEditor().isShowing() && window->getScreenBounds().getWidth() == 1360; }, 20000));

    const auto at = window->getScreenBounds().getPosition() + rowArea.getCentre();
    const auto clicked = testing_support::runProcess ({ "xdotool", "mousemove", juce::String (at.x), juce::String (at.y), "click", "1" });
    ASSERT_EQ (clicked.exitCode, 0) << clicked.output;

    const auto firstPatternName = [&] { return stateOf (*plugin)["sections"][0]["sequence"][0]["name"].toString(); };
    ASSERT_TRUE (service_test::waitUntil ([&] { return firstPatternName() == fragments[0].name; }, 20000)) << firstPatternName();
    window.reset();

    // The state holds the performance in the Section's place, as the model loads it.
    auto document = stateOf (*plugin);
    document.getDynamicObject()->removeProperty ("editBaseline"); // the state's own, beside the project
    VarneT::Project stored;
    ASSERT_EQ (VarneT::projectFromVar (document, stored), "");
    EXPECT_EQ (juce::JSON::toString (VarneT::projectToVar (stored)["sections"][0]),
               juce::JSON::toString (VarneT::projectToVar (expected)["sections"][0]));

    // It plays: what the instance now renders is what a fresh one renders from that project.
    const auto after = firstTwoBars (*plugin);
    auto reference = load();
    ASSERT_NE (reference, nullptr);
    host_test::setStateText (*reference, VarneT::projectToJsonText (expected));
    const auto fromReference = firstTwoBars (*reference);

    ASSERT_FALSE (after.empty());
    EXPECT_NE (after, before);
    EXPECT_EQ (after, fromReference) << host_test::describe (after) << "\nexpected\n" << host_test::describe (fromReference);
}
