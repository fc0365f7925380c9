// The library through the real editor on the display: the Projects button, the overlays the editor
// owns, the modified marker its timer keeps, and a closed and reopened editor that still knows the
// project has unsaved changes.

#include "LibraryTestSupport.h"

#include "editor/PluginEditor.h"
#include "support/ProcessRunner.h"
#include "support/gui/GuiTestBench.h"

using namespace library_test;
namespace gui = testing_support::gui;
using gui::findIn;

namespace
{
bool clickOn (juce::Component& c) { return gui::input::moveToCentreOf (c) && gui::input::click(); }

const juce::String bullet = juce::String (juce::CharPointer_UTF8 (" \xe2\x80\xa2"));

/** An editor as a host shows it, on the display, with nothing covering it. */
struct OpenEditor
{
    explicit OpenEditor (VarneTAudioProcessor& p) : processor (p)
    {
        processor.getTelemetryClient().markWelcomeSeen();
        editor = std::make_unique<VarneTAudioProcessorEditor> (processor);
        editor->setSize (1360, 820);
        window = std::make_unique<gui::DesktopWindow> (*editor, juce::Point<int> { 0, 0 });

        projects = findIn<juce::TextButton> (*editor, [] (juce::TextButton& b) { return b.getButtonText().startsWith ("Projects"); });
        library = findIn<ProjectLibraryOverlay> (*editor);
        dirty = findIn<ProjectDirtyOverlay> (*editor);
        statusLine = findIn<juce::Label> (*editor, [] (juce::Label& l) { return l.getName() == "Help dock"; });
        timeline = findIn<VarneTTimelineCanvas> (*editor);
    }

    ~OpenEditor()
    {
        window.reset();
        processor.editorBeingDeleted (editor.get());
        editor.reset();
    }

    bool complete() const { return projects && library && dirty && statusLine && timeline; }

    /** Shift-click (or Ctrl-click) on the first note: a real velocity edit through the timeline. */
    bool editFirstNoteWithPointer()
    {
        if (timeline->pattern.notes.empty())
            return false;
        const auto modifier = timeline->pattern.notes[0].velocity == 127 ? "ctrl" : "shift";
        const auto centre = timeline->localPointToGlobal (timeline->noteBounds (0).getCentre().toInt());
        return gui::input::moveTo (centre)
               && testing_support::runProcess ({ "xdotool", "keydown", modifier, "click", "1", "keyup", modifier }, 20000).exitCode == 0;
    }

    VarneTAudioProcessor& processor;
    std::unique_ptr<VarneTAudioProcessorEditor> editor;
    std::unique_ptr<gui::DesktopWindow> window;
    juce::TextButton* projects = nullptr;
    ProjectLibraryOverlay* library = nullptr;
    ProjectDirtyOverlay* dirty = nullptr;
    juce::Label* statusLine = nullptr;
    VarneTTimelineCanvas* timeline = nullptr;
};
} // namespace

// Save under a typed name, change a note, and load the saved project back through the question.
TEST (LibraryEditor, SaveChangeAndLoadBackWithPointerAndKeys)
{
    TempHome home;
    VarneTAudioProcessor processor;
    OpenEditor e (processor);
    ASSERT_TRUE (e.complete());
    auto& o = *e.library;

    ASSERT_TRUE (clickOn (*e.projects));
    ASSERT_TRUE (gui::pumpUntil ([&] { return o.isShowing(); }));
    EXPECT_EQ (o.getNumRows(), 0);
    ASSERT_TRUE (clickOn (o.nameEditor));
    ASSERT_TRUE (gui::input::type ("Groove"));
    ASSERT_TRUE (clickOn (o.descriptionEditor));
    ASSERT_TRUE (gui::input::type ("first take"));
    ASSERT_TRUE (clickOn (o.saveButton));
    ASSERT_TRUE (gui::pumpUntil ([&] { return o.statusLabel.getText() == "Saved: Groove"; })) << o.statusLabel.getText();
    ASSERT_TRUE (gui::pumpUntil ([&] { return e.statusLine->getText() == "Project saved: Groove"; })) << e.statusLine->getText();
    const auto saved = VarneT::readLibraryEntry (libraryFolder().getChildFile ("Groove.json"));
    EXPECT_EQ (saved.name, "Groove");
    EXPECT_EQ (saved.description, "first take");
    const auto savedProject = juce::JSON::toString (processor.getProjectVar());

    ASSERT_TRUE (clickOn (o.closeButton));
    ASSERT_TRUE (gui::pumpUntil ([&] { return ! o.isVisible(); }));
    EXPECT_EQ (e.projects->getButtonText(), "Projects");

    // A real edit: the timer's check marks the Projects button and enables Write and Revert.
    ASSERT_TRUE (e.editFirstNoteWithPointer());
    ASSERT_TRUE (gui::pumpUntil ([&] { return e.projects->getButtonText() == "Projects" + bullet; })) << e.projects->getButtonText();
    auto* write = findIn<juce::TextButton> (*e.editor, [] (juce::TextButton& b) { return b.getButtonText() == "Write"; });
    ASSERT_NE (write, nullptr);
    EXPECT_TRUE (write->isEnabled());
    EXPECT_NE (juce::JSON::toString (processor.getProjectVar()), savedProject);

    // Load "Groove" back: the question comes; Discard loads the saved project.
    ASSERT_TRUE (clickOn (*e.projects));
    ASSERT_TRUE (gui::pumpUntil ([&] { return o.isShowing() && o.getNumRows() == 1; }));
    ASSERT_TRUE (clickOn (*o.getRowButton (0)));
    ASSERT_TRUE (gui::pumpUntil ([&] { return o.getSelectedIndex() == 0; }));
    ASSERT_TRUE (clickOn (o.loadButton));
    auto& d = *e.dirty;
    ASSERT_TRUE (gui::pumpUntil ([&] { return d.isShowing(); }));
    EXPECT_EQ (d.messageLabel.getText(), "Save changes to \"Groove\" before loading another project?");
    ASSERT_TRUE (clickOn (d.discardButton));
    ASSERT_TRUE (gui::pumpUntil ([&] { return ! d.isVisible() && ! o.isVisible(); }));
    ASSERT_TRUE (gui::pumpUntil ([&] { return e.statusLine->getText() == "Project loaded: Groove"; })) << e.statusLine->getText();
    EXPECT_EQ (juce::JSON::toString (processor.getProjectVar()), savedProject);
    EXPECT_FALSE (processor.isProjectDirty());
    EXPECT_EQ (e.projects->getButtonText(), "Projects");
    EXPECT_FALSE (write->isEnabled());
    EXPECT_EQ (listing (libraryFolder()), std::vector<std::string> { "Groove.json" });
}

// The editor forgets its library state when it closes, but an edit made before still counts.
TEST (LibraryEditor, AReopenedEditorAsksBeforeLoadingOverAnEdit)
{
    TempHome home;
    writeProjectFixture ("Day.json", "Day");
    VarneTAudioProcessor processor;
    juce::String edited;
    {
        OpenEditor first (processor);
        ASSERT_TRUE (first.complete());
        ASSERT_TRUE (first.editFirstNoteWithPointer());
        ASSERT_TRUE (gui::pumpUntil ([&] { return processor.isProjectDirty(); }));
        edited = juce::JSON::toString (processor.getProjectVar());
    }

    OpenEditor second (processor);
    ASSERT_TRUE (second.complete());
    ASSERT_TRUE (gui::pumpUntil ([&] { return second.projects->getButtonText() == "Projects" + bullet; }));
    ASSERT_TRUE (clickOn (*second.projects));
    auto& o = *second.library;
    ASSERT_TRUE (gui::pumpUntil ([&] { return o.isShowing() && o.getNumRows() == 1; }));
    ASSERT_TRUE (clickOn (*o.getRowButton (0)));
    ASSERT_TRUE (gui::pumpUntil ([&] { return o.getSelectedIndex() == 0; }));
    ASSERT_TRUE (clickOn (o.loadButton));
    auto& d = *second.dirty;
    ASSERT_TRUE (gui::pumpUntil ([&] { return d.isShowing(); }));
    EXPECT_EQ (d.messageLabel.getText(), "Save this modified project before loading another project?");

    // Cancel keeps the edit.
    ASSERT_TRUE (clickOn (d.cancelButton));
    ASSERT_TRUE (gui::pumpUntil ([&] { return ! d.isVisible(); }));
    EXPECT_EQ (juce::JSON::toString (processor.getProjectVar()), edited);
}

// "Open Projects Folder" goes to the editor's launcher with the library folder, created if need be.
TEST (LibraryEditor, OpenProjectsFolderReachesTheLauncher)
{
    TempHome home;
    VarneTAudioProcessor processor;
    OpenEditor e (processor);
    ASSERT_TRUE (e.complete());
    juce::Array<juce::File> opened;
    e.editor->onRevealFolder = [&] (const juce::File& f) { opened.add (f); };

    ASSERT_TRUE (clickOn (*e.projects));
    ASSERT_TRUE (gui::pumpUntil ([&] { return e.library->isShowing(); }));
    ASSERT_TRUE (clickOn (e.library->openFolderLink));
    ASSERT_TRUE (gui::pumpUntil ([&] { return opened.size() == 1; }));
    EXPECT_EQ (opened[0], libraryFolder());
    EXPECT_TRUE (libraryFolder().isDirectory());
}
