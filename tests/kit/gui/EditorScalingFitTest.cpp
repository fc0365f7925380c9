// The UI size never takes the window past the display: the stored choice against real and
// stood-in displays, an editor that lands in a window after construction, and the scale menu opened
// by a real click.

#include "kit/EditorScaling.h"
#include "kit/SettingsStore.h"
#include "support/ScaledEditor.h"
#include "support/ServiceTestSupport.h"
#include "support/gui/GuiTestBench.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace gui = testing_support::gui;
using tolmek::EditorScaling;

namespace
{
const juce::String settingsKey = "TOLMEK/VarneT";

/** The plug-in editor's configuration. */
const EditorScaling::Config editorConfig { 1360, 820, 0.75, 2.0, 1.0, true, 1160, 700, 1900, 1200 };

class EditorScalingFit : public ::testing::Test
{
protected:
    ~EditorScalingFit() override
    {
        destroyScaling();
        service_test::removeInterProcessLockFile (store.getLockName());
    }

    void storeChoice (double scale, int logicalWidth, int logicalHeight)
    {
        store.getFile().getParentDirectory().createDirectory();
        ASSERT_TRUE (store.getFile().replaceWithText ("{\"ui\":{\"scale\":" + juce::String (scale) + ",\"logicalWidth\":"
                                                      + juce::String (logicalWidth) + ",\"logicalHeight\":"
                                                      + juce::String (logicalHeight) + "}}"));
    }

    /** Built and activated as the plug-in editor does, with the button in the editor's corner. */
    EditorScaling& makeScaling()
    {
        destroyScaling();
        scaling = std::make_unique<EditorScaling> (editor, constrainer, settingsKey, editorConfig);
        editor.scaling = scaling.get();
        editor.addAndMakeVisible (*scaling);
        scaling->setBounds (8, 8, 90, 26);
        scaling->activate();
        return *scaling;
    }

    /** Closing saves; what the settings file keeps afterwards. */
    juce::var closeAndReadStored()
    {
        destroyScaling();
        return store.readSection ("ui");
    }

    void destroyScaling()
    {
        editor.scaling = nullptr;
        scaling.reset();
    }

    /** The steps whose menu items are enabled, as "75 90 100". */
    static juce::String enabledSteps (const juce::PopupMenu& menu)
    {
        juce::StringArray steps;
        for (const auto& entry : gui::walkMenu (menu))
            if (entry.enabled)
                steps.add (entry.text.upToFirstOccurrenceOf ("%", false, false));
        return steps.joinIntoString (" ");
    }

    service_test::TemporaryHome home;
    tolmek::SettingsStore store { settingsKey };
    kit_test::SilentProcessor processor;
    kit_test::ScaledEditor editor { processor };
    juce::ComponentBoundsConstrainer constrainer;
    std::unique_ptr<EditorScaling> scaling;
};

juce::Rectangle<int> realUserArea()
{
    const auto* display = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay();
    return display != nullptr ? display->userArea : juce::Rectangle<int>();
}

/** One item of a menu on screen, read from its item's accessibility: a disabled item cannot be
    pressed (JUCE marks it ignored). */
struct ShownItem
{
    juce::String text;
    bool enabled, ticked;
};

/** The items of every menu window on the desktop, in order; other windows are skipped. */
std::vector<ShownItem> itemsOfShownMenus (const juce::Component& otherWindow)
{
    std::vector<ShownItem> items;
    auto& desktop = juce::Desktop::getInstance();

    for (int i = 0; i < desktop.getNumComponents(); ++i)
    {
        auto* window = desktop.getComponent (i);
        if (window == &otherWindow)
            continue;

        for (auto* item : window->getChildren())
            if (auto* handler = item->getAccessibilityHandler())
                items.push_back ({ handler->getTitle(), handler->getActions().contains (juce::AccessibilityActionType::press),
                                   handler->getCurrentState().isChecked() });
    }

    return items;
}
} // namespace

TEST_F (EditorScalingFit, TheStoredChoiceOpensAsLargeAsTheDisplayAllowsAndIsKept)
{
    ASSERT_EQ (realUserArea(), juce::Rectangle<int> (0, 0, 1920, 1200)) << "the test display is 1920x1200";

    struct Row
    {
        const char* name;
        std::optional<juce::Rectangle<int>> standIn; // none: the real displays
        bool onScreen;
        double storedScale;
        int storedWidth, storedHeight;
        int windowWidth, windowHeight;
        const char* buttonText;
        const char* enabled;
    };

    const Row rows[] {
        // Fits: the choice as it is.
        { "real, 100 %", {}, false, 1.0, 1360, 820, 1360, 820, "UI 100%", "75 90 100 115 125 150" },
        { "stand-in 2560x1440, 150 %", juce::Rectangle<int> (0, 0, 2560, 1440), false, 1.5, 1360, 820, 2040, 1230, "UI 150%", "75 90 100 115 125 150 175 200" },
        // The logical size shrinks toward its minimum first...
        { "real, 150 %", {}, false, 1.5, 1360, 820, 1920, 1200, "UI 150%", "75 90 100 115 125 150" },
        { "real on screen, 150 %", {}, true, 1.5, 1360, 820, 1920, 1200, "UI 150%", "75 90 100 115 125 150" },
        { "stand-in 3840x2160, 200 %", juce::Rectangle<int> (0, 0, 3840, 2160), false, 2.0, 1900, 1200, 3800, 2160, "UI 200%", "75 90 100 115 125 150 175 200" },
        { "stand-in 1280x984, 100 %", juce::Rectangle<int> (0, 40, 1280, 984), false, 1.0, 1360, 820, 1280, 820, "UI 100%", "75 90 100" },
        // ...then the largest step that fits.
        { "real, 175 %", {}, false, 1.75, 1360, 820, 1920, 1200, "UI 150%", "75 90 100 115 125 150" },
        { "real on screen, 200 %", {}, true, 2.0, 1900, 1200, 1920, 1200, "UI 150%", "75 90 100 115 125 150" },
        { "stand-in 1280x984, 200 %", juce::Rectangle<int> (0, 40, 1280, 984), false, 2.0, 1900, 1200, 1280, 984, "UI 100%", "75 90 100" },
        // Smaller than the smallest size: the smallest step at the smallest size.
        { "stand-in 800x600, 100 %", juce::Rectangle<int> (0, 0, 800, 600), false, 1.0, 1360, 820, 870, 600, "UI 75%", "75" },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        std::optional<kit_test::ScopedUserArea> standIn;
        if (row.standIn.has_value())
            standIn.emplace (*row.standIn);

        std::unique_ptr<gui::DesktopWindow> window;
        if (row.onScreen)
            window = std::make_unique<gui::DesktopWindow> (editor, juce::Point<int> { 0, 0 });

        storeChoice (row.storedScale, row.storedWidth, row.storedHeight);
        auto& s = makeScaling();

        EXPECT_EQ (editor.getWidth(), row.windowWidth);
        EXPECT_EQ (editor.getHeight(), row.windowHeight);
        EXPECT_EQ (s.getButtonText(), row.buttonText);
        EXPECT_EQ (enabledSteps (s.createScaleMenu()), row.enabled);

        // The corner grows the window no further than the display.
        const auto area = row.standIn.value_or (realUserArea());
        EXPECT_LE (constrainer.getMaximumWidth(), std::max (area.getWidth(), constrainer.getMinimumWidth()));
        EXPECT_LE (constrainer.getMaximumHeight(), std::max (area.getHeight(), constrainer.getMinimumHeight()));

        // The settings keep the user's choice, not what this display allows.
        const auto stored = closeAndReadStored();
        EXPECT_DOUBLE_EQ ((double) stored["scale"], row.storedScale);
        EXPECT_EQ ((int) stored["logicalWidth"], row.storedWidth);
        EXPECT_EQ ((int) stored["logicalHeight"], row.storedHeight);
    }
}

TEST_F (EditorScalingFit, AnEditorPutInAWindowAfterConstructionIsFittedToItsDisplay)
{
    // The main display is larger than the one the window lands on, as when a host builds the
    // editor first and attaches it on a smaller screen.
    const kit_test::ScopedUserArea displays { [] (const juce::Component& e)
    {
        return e.getPeer() != nullptr ? EditorScaling::displayUserAreaFor (e) : juce::Rectangle<int> (0, 0, 3840, 2160);
    } };

    storeChoice (1.75, 1360, 820);
    auto& s = makeScaling();
    ASSERT_EQ (editor.getWidth(), 2380);
    ASSERT_EQ (editor.getHeight(), 1435);
    ASSERT_EQ (s.getButtonText(), "UI 175%");

    gui::DesktopWindow window (editor, { 0, 0 });
    EXPECT_EQ (editor.getWidth(), 1920);
    EXPECT_EQ (editor.getHeight(), 1200);
    EXPECT_EQ (s.getButtonText(), "UI 150%");
    EXPECT_TRUE (gui::pumpUntil ([&] { return editor.getScreenBounds() == juce::Rectangle<int> (0, 0, 1920, 1200); }));

    // A host that asks for more than the display gets the display.
    editor.setSize (4000, 3000);
    EXPECT_EQ (editor.getWidth(), 1920);
    EXPECT_EQ (editor.getHeight(), 1200);

    const auto stored = closeAndReadStored();
    EXPECT_DOUBLE_EQ ((double) stored["scale"], 1.75);
}

TEST_F (EditorScalingFit, TheMenuOpenedByAClickShowsStepsThatDoNotFitDisabled)
{
    storeChoice (1.0, 1360, 820);
    auto& s = makeScaling();
    gui::DesktopWindow window (editor, { 0, 0 });

    ASSERT_TRUE (gui::input::moveToCentreOf (s));
    ASSERT_TRUE (gui::input::click());
    ASSERT_TRUE (gui::pumpUntil ([&] { return s.isMenuOpen() && itemsOfShownMenus (window.window()).size() == 8; }));

    struct Expected
    {
        const char* text;
        bool enabled, ticked;
    };
    const Expected expected[] { { "75%", true, false },   { "90%", true, false },  { "100%", true, true },
                                { "115%", true, false },  { "125%", true, false }, { "150%", true, false },
                                { "175%", false, false }, { "200%", false, false } };

    const auto items = itemsOfShownMenus (window.window());
    for (size_t i = 0; i < std::size (expected); ++i)
    {
        SCOPED_TRACE (expected[i].text);
        EXPECT_EQ (items[i].text, expected[i].text);
        EXPECT_EQ (items[i].enabled, expected[i].enabled);
        EXPECT_EQ (items[i].ticked, expected[i].ticked);
    }

    ASSERT_TRUE (gui::input::key ("Escape"));
    ASSERT_TRUE (gui::pumpUntil ([&] { return ! s.isMenuOpen(); }));
    EXPECT_EQ (s.getButtonText(), "UI 100%");
}
