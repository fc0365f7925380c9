// The project JSON overlay and the header's actions: the apply path's messages in order, the X
// clipboard, real keys and pointer, the layout's extremes, and the header controls' guards.

#include "editor/PluginEditor.h"
#include "editor/actions/ProjectJsonApply.h"
#include "model/ProjectJson.h"
#include "model/Scales.h"
#include "support/XclipSelection.h"
#include "support/gui/GuiTestBench.h"

#include <gtest/gtest.h>

#include <cstdlib>

class VarneTHeaderActionsTestAccess
{
public:
    using Editor = VarneTAudioProcessorEditor;
    explicit VarneTHeaderActionsTestAccess (Editor& e) : editor (e) {}

    ProjectJsonOverlay& overlay() { return *editor.jsonOverlay; }
    juce::TextButton& jsonButton() { return editor.jsonButton; }
    juce::TextButton& panicButton() { return editor.panicButton; }
    juce::TextButton& midiChordsButton() { return editor.midiChordsButton; }
    juce::TextButton& scaleSourceButton() { return editor.scaleSourceButton; }
    juce::ComboBox& scaleRootBox() { return editor.scaleRootBox; }
    juce::ComboBox& scaleTypeBox() { return editor.scaleTypeBox; }
    juce::TextEditor& instanceNameField() { return editor.instanceNameField; }
    const juce::String& status() const { return editor.statusText; }
    bool statusIsError() const { return editor.statusIsError; }
    bool& isUpdatingControls() { return editor.isUpdatingControls; }
    void showPerformanceControls() { editor.setInspectorMode (0); }
    juce::String apply (const juce::String& text) { return editor.applyProjectJson (text); }

    Editor& editor;
};

namespace
{
namespace gui = testing_support::gui;
using Access = VarneTHeaderActionsTestAccess;

/** A fresh HOME, so that the editor's stored scale and first-run answer are the test's own. */
class TemporaryHome
{
public:
    TemporaryHome()
    {
        if (const auto* old = std::getenv ("HOME"))
            previous = old;
        folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("varnet-json-test-" + juce::Uuid().toString());
        folder.createDirectory();
        setenv ("HOME", folder.getFullPathName().toRawUTF8(), 1);
    }

    ~TemporaryHome()
    {
        setenv ("HOME", previous.toRawUTF8(), 1);
        folder.deleteRecursively();
    }

    juce::File folder;

private:
    juce::String previous;
};

struct AnsweredProcessor : VarneTAudioProcessor
{
    AnsweredProcessor() { getTelemetryClient().markWelcomeSeen(); }
};

juce::String readFile (const juce::String& relative)
{
    return juce::File (VARNET_SOURCE_DIR).getChildFile (relative).loadFileAsString();
}

/** The default project's document with the first note's velocity set to 0. */
juce::String documentWithSilentNote (const VarneT::Project& project)
{
    auto document = VarneT::projectToVar (project);
    auto note = document["sections"][0]["sequence"][0]["notes"][0];
    note.getDynamicObject()->setProperty ("velocity", 0);
    return juce::JSON::toString (document);
}

/** What must not change when an apply fails. */
struct ProjectState
{
    juce::String text;
    juce::StringArray undoSteps;
    int actionsInTransaction = 0;
    bool dirty = false;

    static ProjectState of (VarneTAudioProcessor& p)
    {
        return { VarneT::projectToJsonText (p.getProjectCopy()), p.getUndoManager().getUndoDescriptions(),
                 p.getUndoManager().getNumActionsInCurrentTransaction(), p.isProjectDirty() };
    }

    bool operator== (const ProjectState& o) const
    {
        return text == o.text && undoSteps == o.undoSteps && actionsInTransaction == o.actionsInTransaction && dirty == o.dirty;
    }
};

struct JsonOverlay : ::testing::Test
{
    ~JsonOverlay() override { processor.editorBeingDeleted (editor.get()); }

    /** A first edit, so that the project differs from the default and the history is not empty. */
    void renameInstance (const juce::String& name)
    {
        auto project = processor.getProjectCopy();
        project.identityName = name;
        ASSERT_EQ (processor.applyProjectEdit (project, true), "");
        processor.getUndoManager().beginNewTransaction();
    }

    TemporaryHome home;
    AnsweredProcessor processor;
    std::unique_ptr<VarneTAudioProcessorEditor> editor = std::make_unique<VarneTAudioProcessorEditor> (processor);
    Access access { *editor };
    ProjectJsonOverlay& overlay = access.overlay();
};

const juce::Colour errorOutline { VarneTTheme::Palette::error }, normalOutline { VarneTTheme::Palette::pressedFill };

juce::Colour outlineOf (ProjectJsonOverlay& o) { return o.editor.findColour (juce::TextEditor::outlineColourId); }

/** Moves the real pointer onto the component and clicks. xdotool's synchronous move waits for
    motion, so a pointer already on the spot is moved one pixel off it. */
bool clickOn (const juce::Component& c)
{
    const auto centre = c.getScreenBounds().getCentre();
    const auto now = juce::Desktop::getInstance().getMainMouseSource().getScreenPosition().roundToInt();
    return gui::input::moveTo (now == centre ? centre + juce::Point<int> (1, 1) : centre) && gui::input::click();
}

/** The text editor keeps line breaks as single newlines. */
juce::String asShown (const juce::String& text) { return text.replace ("\r\n", "\n"); }
} // namespace

//==============================================================================
TEST_F (JsonOverlay, EveryRefusedTextKeepsTheProjectAndShowsItsMessage)
{
    renameInstance ("Before");
    const auto silentNote = documentWithSilentNote (processor.getProjectCopy());
    const auto deep = juce::String::repeatedString ("[", 600) + juce::String::repeatedString ("]", 600);
    const auto valid = VarneT::projectToJsonText (processor.getProjectCopy());

    juce::var parsed;
    auto parserMessage = [&parsed] (const juce::String& text) { return juce::JSON::parse (text, parsed).getErrorMessage(); };

    struct Row
    {
        const char* name;
        juce::String text, message;
        bool large = false; // megabytes on one line: given to the apply path without the text editor
    };
    const Row rows[] {
        { "plain words", "hello", parserMessage ("hello") },
        { "truncated document", valid.substring (0, valid.length() / 2), parserMessage (valid.substring (0, valid.length() / 2)) },
        { "array root", "[]", "Edited JSON root must be an object." },
        { "number root", "42", "Edited JSON root must be an object." },
        { "text root", " \"42\" ", "Edited JSON root must be an object." },
        { "null root", "null", "Edited JSON root must be an object." },
        { "empty object", "{}", "$.version: expected a number" },
        { "silent note", silentNote, "$.sections[0].sequence[0].notes[0].velocity: must be between 1 and 127" },
        { "nested deeper than 512", deep, parserMessage (deep.replaceSection (512, 1, "?")) }, // a syntax error at the 513th level
        { "one byte over the limit", juce::String::repeatedString ("x", 4194305), "Edited JSON exceeds the 4 MB project limit.", true },
        { "multi-byte text over the limit", juce::String::repeatedString (juce::CharPointer_UTF8 ("\xc3\xa9"), 2097153),
          "Edited JSON exceeds the 4 MB project limit.", true },
        // Exactly at the limit the text is parsed: the reader, not the size check, refuses it.
        { "at the limit", "{}" + juce::String::repeatedString (" ", 4194302), "$.version: expected a number", true },
    };

    overlay.open (valid);

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        const auto before = ProjectState::of (processor);

        if (row.large)
        {
            EXPECT_EQ (access.apply (row.text), row.message);
        }
        else
        {
            overlay.editor.setText (row.text, juce::dontSendNotification);
            overlay.apply();

            EXPECT_TRUE (overlay.isVisible());
            EXPECT_EQ (overlay.statusLabel.getText(), row.message);
            EXPECT_EQ (outlineOf (overlay), errorOutline);
            EXPECT_EQ (overlay.editor.getText(), asShown (row.text));
        }
        EXPECT_TRUE (ProjectState::of (processor) == before);
    }

    EXPECT_TRUE (parserMessage ("hello").isNotEmpty());

    // Reopening shows the project again with a clean status and outline.
    access.jsonButton().triggerClick();
    ASSERT_TRUE (gui::pumpUntil ([this] { return overlay.editor.getText() == asShown (VarneT::projectToJsonText (processor.getProjectCopy())); }));
    EXPECT_EQ (overlay.statusLabel.getText(), "");
    EXPECT_EQ (outlineOf (overlay), normalOutline);
}

TEST_F (JsonOverlay, AnOldDocumentAppliesAsOneUndoableEditAndReopensAsTheCurrentVersion)
{
    renameInstance ("Before");
    const auto previous = VarneT::projectToJsonText (processor.getProjectCopy());
    const auto version3 = readFile ("tests/model/data/project-json/v3.json");
    ASSERT_TRUE (version3.contains ("\"version\": 3"));

    overlay.open (previous);
    overlay.editor.setText (version3, juce::dontSendNotification);
    overlay.apply();

    EXPECT_FALSE (overlay.isVisible());
    EXPECT_EQ (access.status(), "Project JSON applied");
    EXPECT_FALSE (access.statusIsError());
    EXPECT_FALSE (processor.isProjectDirty());
    EXPECT_EQ (processor.getProjectCopy().identityName, juce::CharPointer_UTF8 ("Keys \xc3\xa9 \xf0\x9f\x8e\xb9"));

    access.jsonButton().triggerClick();
    ASSERT_TRUE (gui::pumpUntil ([this] { return overlay.isVisible(); }));
    juce::var shown;
    ASSERT_TRUE (juce::JSON::parse (overlay.editor.getText(), shown).wasOk());
    EXPECT_EQ ((int) shown["version"], 7);
    EXPECT_TRUE (shown.hasProperty ("sectionPlaybackMode"));
    EXPECT_EQ (overlay.editor.getText(), asShown (VarneT::projectToJsonText (processor.getProjectCopy())));

    ASSERT_TRUE (processor.getUndoManager().undo());
    EXPECT_EQ (VarneT::projectToJsonText (processor.getProjectCopy()), previous);
}

TEST_F (JsonOverlay, WithoutAnApplyCallbackApplyIsRefused)
{
    overlay.onApply = nullptr;
    overlay.open ("{}");
    overlay.apply();
    EXPECT_EQ (overlay.statusLabel.getText(), "JSON application is unavailable.");
    EXPECT_EQ (outlineOf (overlay), errorOutline);
}

TEST (JsonOverlayLayout, FollowsTheReferenceAndNeverGoesNegative)
{
    const auto l = ProjectJsonOverlay::layoutFor (1360, 820);
    using Rect = juce::Rectangle<int>;
    EXPECT_EQ (l.panel, Rect (40, 40, 1280, 740));
    EXPECT_EQ (l.closeButton, Rect (1224, 54, 72, 30));
    EXPECT_EQ (l.applyButton, Rect (1142, 54, 74, 30));
    EXPECT_EQ (l.pasteButton, Rect (1062, 54, 72, 30));
    EXPECT_EQ (l.body, Rect (64, 114, 1232, 650));
    EXPECT_EQ (l.statusLabel, Rect (64, 734, 1232, 30));
    EXPECT_EQ (l.editor, Rect (64, 114, 1232, 612));

    for (const auto size : { juce::Point<int> (127, 79), juce::Point<int> (100, 60), juce::Point<int> (0, 0), juce::Point<int> (-5, -5) })
    {
        SCOPED_TRACE (size.toString());
        const auto small = ProjectJsonOverlay::layoutFor (size.x, size.y);
        for (const auto& r : { small.panel, small.header, small.title, small.pasteButton, small.applyButton, small.closeButton,
                               small.body, small.editor, small.statusLabel })
        {
            EXPECT_GE (r.getWidth(), 0);
            EXPECT_GE (r.getHeight(), 0);
        }
    }
}

//==============================================================================
TEST_F (JsonOverlay, PasteReadsTheRealClipboardAndApplyChecksItUnderTheRealPointer)
{
    renameInstance ("Before");
    gui::DesktopWindow window (*editor, { 0, 0 });

    ASSERT_TRUE (clickOn (access.jsonButton()));
    ASSERT_TRUE (gui::pumpUntil ([this] { return overlay.isVisible() && overlay.editor.hasKeyboardFocus (true); }));
    const auto opened = overlay.editor.getText();
    const auto before = ProjectState::of (processor);

    auto pasteAndApply = [&] (const std::string& bytes, bool apply)
    {
        testing_support::XclipSelection clipboard (home.folder, bytes);
        EXPECT_TRUE (clipboard.ready);
        EXPECT_TRUE (clickOn (overlay.pasteButton));
        if (apply)
        {
            EXPECT_TRUE (clickOn (overlay.applyButton));
        }
    };

    // White space only: refused, the text stays.
    pasteAndApply (" \n\t ", false);
    EXPECT_TRUE (gui::pumpUntil ([this] { return overlay.statusLabel.getText() == "The clipboard does not contain JSON text."; }));
    EXPECT_EQ (overlay.editor.getText(), opened);
    EXPECT_EQ (outlineOf (overlay), errorOutline);

    // Words are pasted as they are and refused only by Apply.
    pasteAndApply ("hello", false);
    EXPECT_TRUE (gui::pumpUntil ([this] { return overlay.editor.getText() == "hello"; }));
    EXPECT_EQ (overlay.statusLabel.getText(), "");
    EXPECT_EQ (outlineOf (overlay), normalOutline);

    struct Row
    {
        const char* name;
        std::string bytes;
        juce::StringArray messages; // empty: the parser's or the reader's, whichever applies
        bool apply = true;
    };
    const Row refused[] {
        { "malformed", "{\"version\": 7,, }", {} },
        { "truncated", opened.toStdString().substr (0, (size_t) opened.length() / 3), {} },
        { "deeply nested", std::string (600, '[') + std::string (600, ']'), {} },
        { "not UTF-8", "{\"version\": 7, \"identity\": {\"name\": \"\xff\xfe\xc3\"}}", {} },
        { "array", "[1, 2]", { "Edited JSON root must be an object." } },
        // Arrives whole, in parts, and Apply refuses it by its size (in lines: the text field
        // lays out one unbroken word of megabytes far too slowly).
        { "oversized", [] { std::string s; while (s.size() < 4194305) s += std::string (63, 'x') + "\n"; s.resize (4194305); return s; }(),
          { "Edited JSON exceeds the 4 MB project limit." } },
    };
    for (const auto& row : refused)
    {
        SCOPED_TRACE (row.name);
        overlay.statusLabel.setText ({}, juce::dontSendNotification);
        const auto shown = overlay.editor.getText();
        pasteAndApply (row.bytes, row.apply);
        EXPECT_TRUE (gui::pumpUntil ([this] { return overlay.statusLabel.getText().isNotEmpty(); }));
        if (! row.messages.isEmpty())
        {
            EXPECT_TRUE (row.messages.contains (overlay.statusLabel.getText())) << overlay.statusLabel.getText();
        }
        if (! row.apply)
        {
            EXPECT_EQ (overlay.editor.getText(), shown);
        }
        EXPECT_TRUE (overlay.isVisible());
        EXPECT_EQ (outlineOf (overlay), errorOutline);
        EXPECT_TRUE (ProjectState::of (processor) == before);
    }

    // A valid document through the clipboard is applied and closes the overlay.
    auto changed = processor.getProjectCopy();
    changed.identityName = "Pasted";
    pasteAndApply (VarneT::projectToJsonText (changed).toStdString(), true);
    EXPECT_TRUE (gui::pumpUntil ([this] { return ! overlay.isVisible(); }));
    EXPECT_EQ (processor.getProjectCopy().identityName, "Pasted");
    EXPECT_EQ (access.status(), "Project JSON applied");
}

TEST_F (JsonOverlay, EscapeClosesWithTheCaretInTheTextAndOnThePanel)
{
    gui::DesktopWindow window (*editor, { 0, 0 });

    ASSERT_TRUE (clickOn (access.jsonButton()));
    ASSERT_TRUE (gui::pumpUntil ([this] { return overlay.isVisible() && overlay.editor.hasKeyboardFocus (true); }));
    overlay.editor.setText ("stale", juce::dontSendNotification);
    ASSERT_TRUE (gui::input::key ("Escape"));
    ASSERT_TRUE (gui::pumpUntil ([this] { return ! overlay.isVisible(); }));
    EXPECT_EQ (overlay.editor.getText(), "stale"); // kept until the next opening

    // On the panel itself only a plain Escape closes.
    access.jsonButton().triggerClick();
    ASSERT_TRUE (gui::pumpUntil ([this] { return overlay.isVisible(); }));
    EXPECT_TRUE (gui::pumpUntil ([this] { return overlay.editor.hasKeyboardFocus (true); }));
    EXPECT_NE (overlay.editor.getText(), "stale");
    overlay.grabKeyboardFocus();
    EXPECT_FALSE (overlay.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey, juce::ModifierKeys::shiftModifier, 0)));
    EXPECT_TRUE (overlay.isVisible());
    ASSERT_TRUE (gui::input::key ("Escape"));
    EXPECT_TRUE (gui::pumpUntil ([this] { return ! overlay.isVisible(); }));
}

//==============================================================================
TEST_F (JsonOverlay, PitchSourceAndScaleControlsEditOneFieldEach)
{
    access.showPerformanceControls();
    auto pitchSource = [this] { return (int) processor.getProjectCopy().pitchSource; };
    auto undoSteps = [this] { return processor.getUndoManager().getUndoDescriptions().size() + processor.getUndoManager().getNumActionsInCurrentTransaction(); };

    juce::TextButton* buttons[] { &access.midiChordsButton(), &access.scaleSourceButton() };
    const auto first = pitchSource();
    ASSERT_TRUE (first == 0 || first == 1);
    auto& current = *buttons[first];
    auto& other = *buttons[1 - first];

    // Clicking the chosen source keeps it chosen and edits nothing.
    for (auto* button : { &current, &other })
    {
        if (button == &other)
        {
            button->triggerClick();
            ASSERT_TRUE (gui::pumpUntil ([&] { return pitchSource() == 1 - first; }));
            ASSERT_TRUE (gui::pumpUntil ([&] { return other.getToggleState() && ! current.getToggleState(); }));
        }

        const auto before = ProjectState::of (processor);
        button->triggerClick();
        ASSERT_TRUE (gui::flushMessages());
        EXPECT_TRUE (ProjectState::of (processor) == before);
        EXPECT_TRUE (button->getToggleState());
    }

    if (pitchSource() != 1)
    {
        access.scaleSourceButton().triggerClick();
        ASSERT_TRUE (gui::pumpUntil ([&] { return pitchSource() == 1; }));
    }

    for (const auto& [id, root] : { std::pair { 1, 0 }, std::pair { 12, 11 }, std::pair { 5, 4 } })
    {
        access.scaleRootBox().setSelectedId (id, juce::sendNotificationSync);
        EXPECT_EQ (processor.getProjectCopy().scale.root, root);
    }

    const auto& table = VarneT::scaleTable();
    access.scaleTypeBox().setSelectedId ((int) table.size(), juce::sendNotificationSync);
    EXPECT_EQ (processor.getProjectCopy().scale.name, table.back().name);

    // Controls written from the project never edit it.
    const auto steps = undoSteps();
    const auto written = ProjectState::of (processor);
    access.isUpdatingControls() = true;
    access.scaleRootBox().setSelectedId (3, juce::sendNotificationSync);
    access.scaleTypeBox().setSelectedId (1, juce::sendNotificationSync);
    access.midiChordsButton().setToggleState (true, juce::sendNotificationSync);
    access.isUpdatingControls() = false;
    EXPECT_TRUE (ProjectState::of (processor) == written);
    EXPECT_EQ (undoSteps(), steps);
}

TEST_F (JsonOverlay, EscapeInTheNameFieldRestoresTheNameAndReturnCommitsIt)
{
    access.showPerformanceControls();
    gui::DesktopWindow window (*editor, { 0, 0 });
    auto& field = access.instanceNameField();
    const auto before = ProjectState::of (processor);

    ASSERT_TRUE (clickOn (field));
    ASSERT_TRUE (gui::pumpUntil ([&] { return field.hasKeyboardFocus (true); }));
    ASSERT_TRUE (gui::input::key ("ctrl+a"));
    ASSERT_TRUE (gui::input::type ("Typed"));
    ASSERT_TRUE (gui::pumpUntil ([&] { return field.getText() == "Typed"; }));
    ASSERT_TRUE (gui::input::key ("Escape"));
    ASSERT_TRUE (gui::pumpUntil ([&] { return ! field.hasKeyboardFocus (true); }));
    EXPECT_EQ (field.getText(), processor.getProjectCopy().identityName);
    EXPECT_TRUE (ProjectState::of (processor) == before);

    ASSERT_TRUE (clickOn (field));
    ASSERT_TRUE (gui::pumpUntil ([&] { return field.hasKeyboardFocus (true); }));
    ASSERT_TRUE (gui::input::key ("ctrl+a"));
    ASSERT_TRUE (gui::input::type ("Lead"));
    ASSERT_TRUE (gui::input::key ("Return"));
    ASSERT_TRUE (gui::pumpUntil ([this] { return processor.getProjectCopy().identityName == "Lead"; }));
    EXPECT_EQ (access.status(), "Instance renamed to Lead");
}

TEST_F (JsonOverlay, PanicReleasesEverythingInTheNextBlock)
{
    gui::DesktopWindow window (*editor, { 0, 0 });
    processor.prepareToPlay (48000.0, 512);
    juce::AudioBuffer<float> audio (2, 512);
    juce::MidiBuffer midi;
    processor.processBlock (audio, midi);

    ASSERT_TRUE (clickOn (access.panicButton()));
    ASSERT_TRUE (gui::pumpUntil ([this] { return access.status() == "All generated notes released"; }));

    auto controllersIn = [&]
    {
        juce::Array<int> controllers;
        midi.clear();
        processor.processBlock (audio, midi);
        for (const auto metadata : midi)
            if (const auto m = metadata.getMessage(); m.isController())
                controllers.add (m.getControllerNumber());
        return controllers;
    };

    const auto first = controllersIn();
    EXPECT_TRUE (first.contains (123));
    EXPECT_TRUE (first.contains (120));
    EXPECT_TRUE (controllersIn().isEmpty()); // once only
    processor.releaseResources();
}
