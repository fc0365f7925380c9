// The kit's dialogs on the real display, driven by the real pointer and keyboard.

#include "kit/EditorScaling.h"
#include "kit/HelpDialog.h"
#include "kit/SettingsStore.h"
#include "kit/TelemetryClient.h"
#include "kit/WelcomeDialog.h"
#include "kit/support/ScaledEditor.h"
#include "kit/support/ServiceTestSupport.h"
#include "support/gui/GuiTestBench.h"

#include <gtest/gtest.h>

#include <memory>

namespace gui = testing_support::gui;

namespace
{
tolmek::HelpContent helpContent()
{
    tolmek::HelpContent content;
    content.productName = "Varne-T";
    content.version = "1.3.6";
    content.sections.push_back ({ "Getting started", "Place Varne-T before an instrument.", {} });
    content.mcpText = "An assistant can read and change this instance's project through Tolmek MCP.";
    return content;
}

juce::String readXClipboard()
{
    juce::ChildProcess xclip;

    if (! xclip.start ("xclip -selection clipboard -o"))
        return "<xclip did not start>";

    // xclip asks the clipboard's owner, this process, which answers only from its message loop.
    gui::pumpUntil ([&] { return ! xclip.isRunning(); });
    return xclip.readAllProcessOutput();
}

class HelpDialogInputTest : public ::testing::Test
{
protected:
    HelpDialogInputTest()
    {
        editor.setSize (900, 640);
        editor.addChildComponent (help);
        help.launchBrowser = [this] (const juce::String& address) { opened.add (address); };
        help.onClose = [this] { ++closes; };
        window = std::make_unique<gui::DesktopWindow> (editor);
        help.show();
    }

    /** Scrolls the body so that a control of it is on screen. */
    void reveal (juce::Component& control)
    {
        help.getViewport().setViewPosition (0, juce::jmax (0, control.getY() - 20));
        gui::flushMessages();
    }

    juce::Component editor;
    tolmek::HelpDialog help { helpContent() };
    std::unique_ptr<gui::DesktopWindow> window;
    juce::StringArray opened;
    int closes = 0;
};
} // namespace

TEST_F (HelpDialogInputTest, CopyIdPutsTheIdOnTheXClipboard)
{
    auto& copy = help.getBody().copyIdButton;
    reveal (copy);

    // No bridge, no id: the button is disabled and a click changes nothing.
    juce::SystemClipboard::copyTextToClipboard ("unchanged");
    help.setMcpInstanceId ({});
    ASSERT_TRUE (gui::input::moveToCentreOf (copy));
    ASSERT_TRUE (gui::input::click());
    ASSERT_TRUE (gui::flushMessages());
    EXPECT_FALSE (copy.isEnabled());
    EXPECT_EQ (copy.getButtonText(), "Copy ID");
    EXPECT_EQ (readXClipboard(), "unchanged");

    const juce::String id = "4f6c1d2e-9a1b-4c3d-8e7f-0a1b2c3d4e5f";
    help.setMcpInstanceId (id);
    const auto clickedAt = juce::Time::getMillisecondCounter();
    ASSERT_TRUE (gui::input::click());
    ASSERT_TRUE (gui::pumpUntil ([&] { return copy.getButtonText() == "Copied"; }));
    EXPECT_EQ (readXClipboard(), id);

    ASSERT_TRUE (gui::pumpUntil ([&] { return copy.getButtonText() == "Copy ID"; }));
    EXPECT_GE (juce::Time::getMillisecondCounter() - clickedAt, 1150u);
}

TEST_F (HelpDialogInputTest, EscapeClosesUnlessAModifierIsHeld)
{
    ASSERT_TRUE (gui::pumpUntil ([this] { return help.hasKeyboardFocus (true); }));

    for (const char* keys : { "shift+Escape", "ctrl+Escape", "alt+Escape" })
    {
        ASSERT_TRUE (gui::input::key (keys));
        ASSERT_TRUE (gui::flushMessages());
        EXPECT_TRUE (help.isVisible()) << keys;
    }

    // Other keys scroll the body.
    ASSERT_TRUE (gui::input::key ("Page_Down"));
    ASSERT_TRUE (gui::pumpUntil ([this] { return help.getViewport().getViewPositionY() > 0; }));

    ASSERT_TRUE (gui::input::key ("Escape"));
    ASSERT_TRUE (gui::pumpUntil ([this] { return ! help.isVisible(); }));
    EXPECT_EQ (closes, 1);

    help.show();
    ASSERT_TRUE (gui::input::moveToCentreOf (help.getCloseButton()));
    ASSERT_TRUE (gui::input::click());
    ASSERT_TRUE (gui::pumpUntil ([this] { return ! help.isVisible(); }));
    EXPECT_EQ (closes, 2);
}

TEST_F (HelpDialogInputTest, ConsentToggleAndUpdateLinkByPointer)
{
    juce::Array<bool> toggles;
    help.onTelemetryToggled = [&] (bool consent) { toggles.add (consent); };
    help.setTelemetryEnabled (true);

    auto& toggle = help.getBody().consentToggle;
    reveal (toggle);
    ASSERT_TRUE (gui::input::moveTo (gui::DesktopWindow::screenBoundsOf (toggle).getCentre().withX (
        gui::DesktopWindow::screenBoundsOf (toggle).getX() + 10)));
    ASSERT_TRUE (gui::input::click());
    ASSERT_TRUE (gui::pumpUntil ([&] { return toggles.size() == 1; }));
    EXPECT_FALSE (toggles[0]);

    // A download address the browser may take opens on a click; any other shows no link at all.
    help.setUpdateInfo ("2.0.0", "http://127.0.0.1:29731/download");
    auto& link = help.getBody().updateLink;
    reveal (link);
    ASSERT_TRUE (link.isShowing());
    ASSERT_TRUE (gui::input::moveToCentreOf (link));
    ASSERT_TRUE (gui::input::click());
    ASSERT_TRUE (gui::pumpUntil ([&] { return opened.size() == 1; }));
    EXPECT_EQ (opened[0], "http://127.0.0.1:29731/download");

    help.setUpdateInfo ("2.0.0", "javascript:alert(1)");
    ASSERT_TRUE (gui::input::click());
    ASSERT_TRUE (gui::flushMessages());
    EXPECT_FALSE (link.isVisible());
    EXPECT_EQ (opened.size(), 1);
}

TEST (WelcomeDialogInput, ContinueByPointerRecordsTheAnswer)
{
    service_test::TemporaryHome home;
    const juce::String settingsKey = "TOLMEK/VarneT";

    for (const auto untick : { false, true })
    {
        SCOPED_TRACE (untick ? "unticked" : "ticked");
        tolmek::SettingsStore (settingsKey).getFile().deleteFile();

        tolmek::TelemetryClient::Config config;
        config.productName = "Varne-T";
        config.settingsKey = settingsKey;
        config.consentVersion = "2026-07-10";
        config.welcomeVersion = "2026-08-26";
        tolmek::TelemetryClient telemetry (config);

        juce::Component editor;
        editor.setSize (900, 600);
        tolmek::WelcomeDialog welcome (telemetry, { "Varne-T adapts authored performances.", "https://tolmek.com/terms" });
        editor.addChildComponent (welcome);
        welcome.setBounds (editor.getLocalBounds());

        juce::Array<bool> answers;
        welcome.onFinished = [&] (bool consent) { answers.add (consent); };

        gui::DesktopWindow window (editor);
        ASSERT_TRUE (welcome.showIfNeeded());
        ASSERT_TRUE (gui::flushMessages());

        if (untick)
        {
            const auto toggle = gui::DesktopWindow::screenBoundsOf (welcome.getConsentToggle());
            ASSERT_TRUE (gui::input::moveTo ({ toggle.getX() + 10, toggle.getCentreY() }));
            ASSERT_TRUE (gui::input::click());
            ASSERT_TRUE (gui::pumpUntil ([&] { return ! welcome.getConsentToggle().getToggleState(); }));
        }

        ASSERT_TRUE (gui::input::moveToCentreOf (welcome.getContinueButton()));
        ASSERT_TRUE (gui::input::click());
        ASSERT_TRUE (gui::pumpUntil ([&] { return answers.size() == 1; }));

        EXPECT_EQ (answers[0], ! untick);
        EXPECT_FALSE (welcome.isVisible());
        EXPECT_EQ (telemetry.isEnabled(), ! untick);
        EXPECT_FALSE (telemetry.shouldShowWelcome());
        EXPECT_EQ (tolmek::SettingsStore (settingsKey).readSection ("telemetry")["welcome_version"].toString(), "2026-08-26");
        service_test::removeInterProcessLockFile (tolmek::SettingsStore (settingsKey).getLockName());
    }
}

TEST (ScaleResetCornerInput, DoubleClickReturnsToTheDefaultScale)
{
    service_test::TemporaryHome home;
    kit_test::SilentProcessor processor;
    kit_test::ScaledEditor editor (processor);
    juce::ComponentBoundsConstrainer constrainer;

    tolmek::EditorScaling::Config config;
    config.logicalWidth = 500;
    config.logicalHeight = 320;
    config.minWidth = 400;
    config.minHeight = 300;
    config.maxWidth = 600;
    config.maxHeight = 400;

    auto scaling = std::make_unique<tolmek::EditorScaling> (editor, constrainer, "TOLMEK/VarneT", config);
    tolmek::ScaleResetCorner corner (&editor, &constrainer, [&scaling] { return scaling.get(); });
    editor.scaling = scaling.get();
    editor.onResized = [&] { corner.setBounds (editor.getWidth() - 18, editor.getHeight() - 18, 18, 18); };
    editor.addAndMakeVisible (corner);
    scaling->activate();
    scaling->setScale (1.5);
    ASSERT_EQ (editor.getWidth(), 750);

    gui::DesktopWindow window (editor);
    ASSERT_TRUE (gui::input::moveToCentreOf (corner));
    ASSERT_TRUE (gui::input::click());
    ASSERT_TRUE (gui::input::click());
    ASSERT_TRUE (gui::pumpUntil ([&] { return scaling->getScale() == 1.0; }));

    EXPECT_EQ (scaling->getLogicalWidth(), 500);
    EXPECT_EQ (editor.getWidth(), 500);
    EXPECT_EQ (editor.getHeight(), 320);
    EXPECT_EQ (scaling->getButtonText(), "UI 100%");

    editor.scaling = nullptr;
    scaling.reset();
    service_test::removeInterProcessLockFile (tolmek::SettingsStore ("TOLMEK/VarneT").getLockName());
}
