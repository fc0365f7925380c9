// Paste in the project JSON overlay through the real X clipboard and the real pointer: a project of
// megabytes sent in parts by another application, one this process put there itself, and an owner
// that never answers.

#include "editor/PluginEditor.h"
#include "kit/X11TextClipboard.h"
#include "kit/XcbConnection.h"
#include "model/ProjectJson.h"
#include "support/ProjectJsonSamples.h"
#include "support/TemporaryHome.h"
#include "support/XclipSelection.h"
#include "support/gui/GuiTestBench.h"

#include <gtest/gtest.h>

namespace
{
namespace gui = testing_support::gui;

struct AnsweredProcessor : VarneTAudioProcessor
{
    AnsweredProcessor() { getTelemetryClient().markWelcomeSeen(); }
};

/** The CLIPBOARD's owner as the X server sees it after every request the client sent before. */
xcb_window_t clipboardOwner (const tolmek::xcb::Connection& client = tolmek::xcb::Connection())
{
    auto* c = client.get();
    const tolmek::xcb::Owned<xcb_get_selection_owner_reply_t> owner {
        xcb_get_selection_owner_reply (c, xcb_get_selection_owner (c, client.intern ({ "CLIPBOARD" })[0]), nullptr)
    };
    return owner != nullptr ? owner->owner : (xcb_window_t) XCB_WINDOW_NONE;
}

/** A client of its own that owns CLIPBOARD and PRIMARY; it never reads its events, so it never
    answers a request. Once it is gone, so is its ownership. */
struct SilentOwner
{
    SilentOwner()
    {
        auto* c = client.get();
        for (const auto selection : client.intern ({ "CLIPBOARD", "PRIMARY" }))
            xcb_set_selection_owner (c, client.getWindow(), selection, XCB_CURRENT_TIME);

        owns = clipboardOwner (client) == client.getWindow();
    }

    tolmek::xcb::Connection client;
    bool owns = false;
};

/** The project JSON overlay of a real editor in a window, opened by a click on "{}". */
struct JsonPaste : ::testing::Test
{
    JsonPaste()
    {
        EXPECT_TRUE (clickOn (jsonButton));
        EXPECT_TRUE (gui::pumpUntil ([this] { return overlay.isVisible(); }));
    }

    ~JsonPaste() override
    {
        window.reset();
        processor.editorBeingDeleted (editor.get());
        SilentOwner(); // leaves no owner behind for the next test
    }

    /** Moves the real pointer onto the component and clicks. xdotool's synchronous move waits for
        motion, so a pointer already on the spot is moved one pixel off it. */
    static bool clickOn (const juce::Component& c)
    {
        const auto centre = c.getScreenBounds().getCentre();
        const auto now = juce::Desktop::getInstance().getMainMouseSource().getScreenPosition().roundToInt();
        return gui::input::moveTo (now == centre ? centre + juce::Point<int> (1, 1) : centre) && gui::input::click();
    }

    /** A valid project of about the given size, named so that its apply can be told apart. */
    static juce::String projectText (size_t bytes, const juce::String& name)
    {
        auto project = project_samples::largeProject (bytes);
        project.identityName = name;
        return VarneT::projectToJsonText (project);
    }

    /** Pastes by a real click and waits until the text field holds the text (lines as shown). */
    bool pasteArrivesWhole (const juce::String& text)
    {
        const auto shown = text.removeCharacters ("\r"); // JSON has no other carriage returns
        return clickOn (overlay.pasteButton)
            && gui::pumpUntil ([&] { return overlay.editor.getTotalNumChars() == shown.length(); })
            && overlay.editor.getText() == shown && overlay.statusLabel.getText().isEmpty();
    }

    testing_support::TemporaryHome home;
    AnsweredProcessor processor;
    std::unique_ptr<VarneTAudioProcessorEditor> editor = std::make_unique<VarneTAudioProcessorEditor> (processor);
    ProjectJsonOverlay& overlay = *gui::findIn<ProjectJsonOverlay> (*editor);
    juce::TextButton& jsonButton = *gui::findIn<juce::TextButton> (*editor, [] (juce::TextButton& b) { return b.getButtonText() == "{}"; });
    std::unique_ptr<gui::DesktopWindow> window = std::make_unique<gui::DesktopWindow> (*editor, juce::Point<int> { 0, 0 });
};
} // namespace

TEST_F (JsonPaste, AProjectOfMegabytesSentInPartsArrivesWholeAndApplies)
{
    const auto text = projectText (3 * 1024 * 1024, "Pasted in parts");
    ASSERT_GT (text.getNumBytesAsUTF8(), 2900000u);

    testing_support::XclipSelection clipboard (home.getFolder(), text.toStdString());
    ASSERT_TRUE (clipboard.ready);
    ASSERT_TRUE (pasteArrivesWhole (text));

    ASSERT_TRUE (clickOn (overlay.applyButton));
    ASSERT_TRUE (gui::pumpUntil ([this] { return ! overlay.isVisible(); })) << overlay.statusLabel.getText();
    EXPECT_EQ (processor.getProjectCopy().identityName, "Pasted in parts");
    EXPECT_EQ (VarneT::projectToJsonText (processor.getProjectCopy()), text);
}

TEST_F (JsonPaste, TextThisProcessCopiedPastesWithoutWaitingOnItself)
{
    // Larger than JUCE will send another client, so only its own copy can hold it.
    const auto text = projectText (1536 * 1024, "Copied here");
    juce::SystemClipboard::copyTextToClipboard (text);
    ASSERT_TRUE (gui::pumpUntil ([] { return clipboardOwner() != XCB_WINDOW_NONE; })) << "JUCE's claim reached the server";

    // JUCE answers from this (message) thread, so the reader must not wait for it at all: with a
    // day-long bound, a wait would never end.
    EXPECT_FALSE (tolmek::readX11ClipboardText (24 * 60 * 60 * 1000).has_value());

    EXPECT_TRUE (pasteArrivesWhole (text));
}

TEST_F (JsonPaste, AnOwnerThatNeverAnswersIsGivenUpAndTheTextIsKept)
{
    const auto before = overlay.editor.getText();
    SilentOwner owner;
    ASSERT_TRUE (owner.owns);

    ASSERT_TRUE (clickOn (overlay.pasteButton));
    ASSERT_TRUE (gui::pumpUntil ([this] { return overlay.statusLabel.getText() == "The clipboard does not contain JSON text."; }));
    EXPECT_EQ (overlay.editor.getText(), before);

    // The editor still answers the pointer.
    ASSERT_TRUE (clickOn (overlay.closeButton));
    EXPECT_TRUE (gui::pumpUntil ([this] { return ! overlay.isVisible(); }));
}
