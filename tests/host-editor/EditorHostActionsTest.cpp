// Edits made with the real pointer in the editor that a host opened through VST3, read back
// from the plug-in's state through the same interfaces.

#include "model/BuiltInPerformances.h"
#include "model/DefaultProject.h"
#include "model/PatternFragments.h"
#include "model/ProjectJson.h"
#include "host-editor/HostedEditorSupport.h"
#include "support/PlaybackHostSupport.h"
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

/** Where a row of the performance dictionary sits in the editor. */
juce::Rectangle<int> dictionaryRowInEditor (int row)
{
    return hosted_editor::readLocalEditor<juce::Rectangle<int>> ([row] (juce::AudioProcessorEditor& editor)
    {
        auto* list = testing_support::gui::findIn<juce::ListBox> (editor);
        return list != nullptr ? editor.getLocalArea (list, list->getRowPosition (row, true)) : juce::Rectangle<int>();
    });
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

    auto window = hosted_editor::openShown (*plugin);
    ASSERT_NE (window, nullptr);

    // The add tile follows the single Pattern tile on the Pattern strip.
    const auto at = window->getScreenBounds().getPosition() + juce::Point<int> (516, 105);
    const auto clicked = hosted_editor::clickAt (at);
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

    const auto rowArea = dictionaryRowInEditor (row);
    ASSERT_FALSE (rowArea.isEmpty());

    auto window = hosted_editor::openShown (*plugin);
    ASSERT_NE (window, nullptr);

    const auto at = window->getScreenBounds().getPosition() + rowArea.getCentre();
    const auto clicked = hosted_editor::clickAt (at);
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

namespace
{
/** Where the UI-size button sits in the editor. */
juce::Rectangle<int> uiSizeButtonInEditor()
{
    return hosted_editor::readLocalEditor<juce::Rectangle<int>> ([] (juce::AudioProcessorEditor& editor)
    {
        auto* button = testing_support::gui::findIn<juce::Button> (editor, [] (juce::Button& b) { return b.getName() == "UI scaling"; });
        return button != nullptr ? editor.getLocalArea (button, button->getLocalBounds()) : juce::Rectangle<int>();
    });
}

/** The screen's pixels in an area; null when the screen cannot be read. */
juce::Image screenArea (juce::Rectangle<int> area)
{
    juce::String error;
    const auto screen = probe::grabScreen (error);
    return screen.isValid() ? screen.getClippedImage (area).createCopy() : juce::Image();
}

bool samePixels (const juce::Image& a, const juce::Image& b)
{
    if (! a.isValid() || ! b.isValid() || a.getBounds() != b.getBounds())
        return false;
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (a.getPixelAt (x, y) != b.getPixelAt (x, y))
                return false;
    return true;
}
} // namespace

// The UI-size menu opens over almost the whole editor; once Escape closed it, the band it covered
// takes clicks again.
TEST_F (BundleTest, AfterTheUiSizeMenuADictionaryRowClickStillLoadsItsPerformance)
{
    if (std::getenv ("DISPLAY") == nullptr)
        GTEST_SKIP() << "needs an X display";

    VarneTAudioProcessor().getTelemetryClient().markWelcomeSeen();

    const int row = 1;
    const auto& performance = VarneT::builtInPerformances()[(size_t) row];
    std::vector<VarneT::Pattern> fragments;
    ASSERT_EQ (VarneT::loadPerformanceIntoSection (performance, 16, fragments), "");

    probe::prepareBareXServer();
    auto plugin = load();
    ASSERT_NE (plugin, nullptr);
    const auto rowArea = dictionaryRowInEditor (row);
    const auto buttonArea = uiSizeButtonInEditor();
    ASSERT_FALSE (rowArea.isEmpty() || buttonArea.isEmpty());

    auto window = hosted_editor::openShown (*plugin);
    ASSERT_NE (window, nullptr);
    const auto origin = window->getScreenBounds().getPosition();

    // The menu opens upwards, just above the button.
    const auto menuArea = (buttonArea + origin).withY (buttonArea.getY() + origin.y - 120).withHeight (110);
    // The editor at rest: two grabs in a row agree.
    juce::Image idle;
    ASSERT_TRUE (service_test::waitUntil ([&]
    {
        auto next = screenArea (menuArea);
        const auto settled = samePixels (idle, next);
        idle = next;
        return settled;
    }, 20000));

    ASSERT_EQ (hosted_editor::clickAt (origin + buttonArea.getCentre()).exitCode, 0);
    ASSERT_TRUE (service_test::waitUntil ([&] { return ! samePixels (idle, screenArea (menuArea)); }, 20000)) << "the menu never showed";
    ASSERT_EQ (hosted_editor::xdotool ({ "key", "Escape" }).exitCode, 0);
    ASSERT_TRUE (service_test::waitUntil ([&] { return samePixels (idle, screenArea (menuArea)); }, 20000)) << "the menu never closed";

    ASSERT_EQ (hosted_editor::clickAt (origin + rowArea.getCentre()).exitCode, 0);
    const auto firstPatternName = [&] { return stateOf (*plugin)["sections"][0]["sequence"][0]["name"].toString(); };
    EXPECT_TRUE (service_test::waitUntil ([&] { return firstPatternName() == fragments[0].name; }, 20000)) << firstPatternName();
    window.reset();
}
