// The library through the real editor on the display: the Projects button, the overlays the editor
// owns, the modified marker its timer keeps, and a closed and reopened editor that still knows the
// project has unsaved changes.

#include "LibraryEditorSupport.h"

using namespace library_test;
namespace gui = testing_support::gui;
using gui::findIn;

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
