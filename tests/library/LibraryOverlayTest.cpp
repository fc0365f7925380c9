// The two project overlays as state machines, and the library actions that drive them.

#include "LibraryTestSupport.h"

using namespace library_test;

namespace
{
const juce::KeyPress escapeKey { juce::KeyPress::escapeKey };
const juce::KeyPress returnKey { juce::KeyPress::returnKey };

std::vector<ProjectLibraryEntry> threeEntries()
{
    const juce::File folder ("/library");
    return { { folder.getChildFile ("a.json"), "Alpha", "first" },
             { folder.getChildFile ("b.json"), "Beta", "" },
             { folder.getChildFile ("c.json"), "Gamma", "third" } };
}

struct Parent
{
    Parent() { parent.setSize (1000, 700); parent.addChildComponent (overlay); }
    juce::Component parent;
    ProjectLibraryOverlay overlay;
};

juce::StringArray visibleButtons (juce::Component& overlay)
{
    juce::StringArray texts;
    for (auto* child : overlay.getChildren())
        if (auto* b = dynamic_cast<juce::TextButton*> (child); b != nullptr && b->isVisible())
            texts.add (b->getButtonText());
    return texts;
}
} // namespace

TEST (LibraryOverlay, EmptyLibraryShowsItsLabelAndDisablesLoadAndDelete)
{
    Parent p;
    auto& o = p.overlay;
    o.open ({}, {});
    EXPECT_TRUE (o.isVisible());
    EXPECT_EQ (o.getBounds(), p.parent.getLocalBounds());
    EXPECT_TRUE (o.emptyLabel.isVisible());
    EXPECT_EQ (o.emptyLabel.getText(), "No saved projects");
    EXPECT_FALSE (o.listViewport.isVisible());
    EXPECT_FALSE (o.loadButton.isEnabled());
    EXPECT_FALSE (o.deleteButton.isEnabled());

    // Save with a blank name is refused in the overlay.
    int saves = 0;
    o.onSave = [&] (auto&, auto&) { ++saves; };
    o.nameEditor.setText ("   ");
    o.saveButton.onClick();
    EXPECT_EQ (saves, 0);
    EXPECT_EQ (o.statusLabel.getText(), "Name cannot be empty.");
    EXPECT_EQ (o.statusLabel.findColour (juce::Label::textColourId), juce::Colour (0xfff38ba8));
    o.loadButton.onClick();
    EXPECT_EQ (o.statusLabel.getText(), "Choose a project first.");
}

TEST (LibraryOverlay, LayoutFollowsThePanelRectangle)
{
    Parent p;
    auto& o = p.overlay;
    o.open (threeEntries(), {});
    // 1000 x 700: panel 760 x 560 at (120, 70); list width 380; right column at 542, 316 wide.
    EXPECT_EQ (o.panelBounds(), juce::Rectangle<int> (120, 70, 760, 560));
    EXPECT_EQ (o.closeButton.getBounds(), juce::Rectangle<int> (784, 84, 72, 30));
    EXPECT_EQ (o.listViewport.getBounds(), juce::Rectangle<int> (142, 170, 380, 442));
    EXPECT_EQ (o.openFolderLink.getBounds(), juce::Rectangle<int> (390, 146, 132, 24));
    EXPECT_EQ (o.nameEditor.getBounds(), juce::Rectangle<int> (542, 168, 316, 32));
    EXPECT_EQ (o.descriptionEditor.getBounds(), juce::Rectangle<int> (542, 232, 316, 226));
    EXPECT_EQ (o.saveButton.getBounds(), juce::Rectangle<int> (542, 476, 316, 30));
    EXPECT_EQ (o.deleteButton.getBounds(), juce::Rectangle<int> (542, 552, 316, 30));
    EXPECT_EQ (o.getRowButton (2)->getBounds(), juce::Rectangle<int> (0, 72, 362, 30));
    EXPECT_EQ (o.confirmButton.getBounds(), juce::Rectangle<int>());
}

TEST (LibraryOverlay, RowsMarkTheCurrentProjectAndSelectionFillsTheFields)
{
    Parent p;
    auto& o = p.overlay;
    const auto entries = threeEntries();
    o.setCurrentProject (entries[1].file, false);
    o.open (entries, entries[2].file);

    EXPECT_EQ (o.getSelectedIndex(), 2);
    EXPECT_EQ (o.nameEditor.getText(), "Gamma");
    EXPECT_EQ (o.descriptionEditor.getText(), "third");
    EXPECT_EQ (o.getRowButton (1)->getButtonText(), juce::String (juce::CharPointer_UTF8 ("Beta  \xe2\x80\xa2 Current")));
    EXPECT_EQ (o.getRowButton (1)->findColour (juce::TextButton::textColourOffId), juce::Colour (0xff94e2d5));
    EXPECT_EQ (o.getRowButton (0)->findColour (juce::TextButton::textColourOffId), juce::Colour (0xffcdd6f4));
    EXPECT_TRUE (o.getRowButton (2)->getToggleState());

    o.setCurrentProject (entries[1].file, true);
    EXPECT_EQ (o.getRowButton (1)->getButtonText(), juce::String (juce::CharPointer_UTF8 ("Beta  \xe2\x80\xa2 Modified")));

    o.getRowButton (0)->onClick();
    EXPECT_EQ (o.getSelectedIndex(), 0);
    EXPECT_EQ (o.nameEditor.getText(), "Alpha");
    EXPECT_FALSE (o.getRowButton (2)->getToggleState());

    // A current file that is not in the list selects nothing.
    o.open (entries, juce::File ("/library/gone.json"));
    EXPECT_EQ (o.getSelectedIndex(), -1);
    EXPECT_TRUE (o.nameEditor.getText().isEmpty());
}

TEST (LibraryOverlay, DeleteAsksAndReturnConfirmsEscapeCancelsThenCloses)
{
    Parent p;
    auto& o = p.overlay;
    const auto entries = threeEntries();
    juce::Array<juce::File> deleted;
    o.onDelete = [&] (const juce::File& f) { deleted.add (f); };
    o.open (entries, entries[0].file);

    o.deleteButton.onClick();
    ASSERT_TRUE (o.isConfirming());
    EXPECT_EQ (o.confirmLabel.getText(), "Delete \"Alpha\" from the local project library?");
    EXPECT_EQ (o.confirmButton.getButtonText(), "Delete");
    EXPECT_TRUE ((bool) o.confirmButton.getProperties()["danger"]);
    EXPECT_FALSE ((bool) o.confirmButton.getProperties()["primary"]);
    EXPECT_EQ (visibleButtons (o).joinIntoString (","), "Save,Delete,Cancel,Close");
    EXPECT_FALSE (o.loadButton.isVisible());
    EXPECT_FALSE (o.saveButton.isEnabled());
    EXPECT_FALSE (o.nameEditor.isEnabled());
    EXPECT_TRUE (o.confirmButton.isVisible() && o.cancelButton.isVisible());

    // Buttons of the normal mode do nothing while asking.
    o.saveButton.onClick();
    o.loadButton.onClick();

    // Escape cancels the question and leaves the overlay open; a second Escape closes it.
    EXPECT_TRUE (o.keyPressed (escapeKey));
    EXPECT_FALSE (o.isConfirming());
    EXPECT_TRUE (o.isVisible());
    EXPECT_TRUE (o.keyPressed (escapeKey));
    EXPECT_FALSE (o.isVisible());
    EXPECT_TRUE (deleted.isEmpty());

    // Return deletes, once.
    o.open (entries, entries[1].file);
    o.deleteButton.onClick();
    EXPECT_TRUE (o.keyPressed (returnKey));
    EXPECT_FALSE (o.isConfirming());
    EXPECT_FALSE (o.keyPressed (returnKey));
    ASSERT_EQ (deleted.size(), 1);
    EXPECT_EQ (deleted[0], entries[1].file);

    // A row click cancels the question; Shift+Escape is not the overlay's.
    o.deleteButton.onClick();
    o.getRowButton (2)->onClick();
    EXPECT_FALSE (o.isConfirming());
    EXPECT_FALSE (o.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey, juce::ModifierKeys::shiftModifier, 0)));
    o.confirmButton.onClick();
    EXPECT_EQ (deleted.size(), 1);

    // Escape in either field closes the overlay.
    for (auto* field : { &o.nameEditor, &o.descriptionEditor })
    {
        o.open (entries, {});
        field->onEscapeKey();
        EXPECT_FALSE (o.isVisible());
    }

    // Closing drops a pending question without running it.
    o.deleteButton.onClick();
    o.close();
    o.open (entries, entries[1].file);
    EXPECT_FALSE (o.isConfirming());
    o.keyPressed (returnKey);
    EXPECT_EQ (deleted.size(), 1);
}

//==============================================================================
TEST (DirtyOverlay, ChoiceModeShowsSaveOnlyWithALibraryFile)
{
    juce::Component parent;
    parent.setSize (1000, 700);
    ProjectDirtyOverlay o;
    parent.addChildComponent (o);

    for (const bool inPlace : { false, true })
    {
        ProjectDirtyOverlay::Request r;
        r.canSaveInPlace = inPlace;
        r.message = "Save this modified project before loading another project?";
        o.open (std::move (r));
        EXPECT_TRUE (o.isVisible());
        EXPECT_EQ (o.messageLabel.getText(), "Save this modified project before loading another project?");
        EXPECT_EQ (o.saveButton.isVisible(), inPlace);
        EXPECT_TRUE (o.saveAsButton.isVisible() && o.discardButton.isVisible() && o.cancelButton.isVisible());
        EXPECT_FALSE (o.saveAsAndLoadButton.isVisible() || o.nameEditor.isVisible());
        EXPECT_TRUE ((bool) o.discardButton.getProperties()["danger"]);
        // 1000 x 700: panel 680 x 250 at (160, 225); content 632 wide from 184.
        EXPECT_EQ (o.panelBounds(), juce::Rectangle<int> (160, 225, 680, 250));
        EXPECT_EQ (o.cancelButton.getBounds(), juce::Rectangle<int> (734, 389, 82, 34));
        EXPECT_EQ (o.discardButton.getBounds(), juce::Rectangle<int> (620, 389, 104, 34));
        EXPECT_EQ (o.saveAsButton.getBounds(), juce::Rectangle<int> (506, 389, 104, 34));
        EXPECT_EQ (o.saveButton.getBounds(), inPlace ? juce::Rectangle<int> (412, 389, 84, 34) : juce::Rectangle<int>());
    }
}

TEST (DirtyOverlay, SaveAsWithBlanksAsksForANameAndCallsNothing)
{
    ProjectDirtyOverlay o;
    int calls = 0;
    ProjectDirtyOverlay::Request r;
    r.suggestedName = "Untitled Project";
    r.onSaveAs = [&] (auto&, auto&) { ++calls; return juce::String(); };
    r.onSave = [&] { ++calls; return juce::String(); };
    r.onDiscard = [&] { ++calls; };
    o.open (std::move (r));

    o.saveAsButton.onClick();
    EXPECT_EQ (o.getMode(), 1);
    EXPECT_EQ (o.nameEditor.getText(), "Untitled Project");
    EXPECT_TRUE (o.nameEditor.isVisible() && o.descriptionEditor.isVisible() && o.saveAsAndLoadButton.isVisible());
    EXPECT_FALSE (o.discardButton.isVisible() || o.saveAsButton.isVisible() || o.messageLabel.isVisible());

    o.nameEditor.setText (" \t  ");
    o.saveAsAndLoadButton.onClick();
    EXPECT_TRUE (o.keyPressed (returnKey));
    EXPECT_EQ (calls, 0);
    EXPECT_TRUE (o.isVisible());
    EXPECT_EQ (o.statusLabel.getText(), "Project name required.");
    EXPECT_EQ (o.statusLabel.findColour (juce::Label::textColourId), juce::Colour (0xfff38ba8));

    // Return in the description inserts a line break.
    EXPECT_TRUE (o.descriptionEditor.getReturnKeyStartsNewLine());
    EXPECT_FALSE (o.nameEditor.getReturnKeyStartsNewLine());
}

TEST (DirtyOverlay, ErrorsKeepItOpenAndSaveAsRefillsTheSuggestions)
{
    ProjectDirtyOverlay o;
    juce::StringArray calls;
    ProjectDirtyOverlay::Request r;
    r.canSaveInPlace = true;
    r.suggestedName = "Night Copy";
    r.suggestedDescription = "late";
    r.onSave = [&] { calls.add ("save"); return juce::String ("Project changed outside Varne-T. Reload it before saving."); };
    r.onSaveAs = [&] (const juce::String& n, const juce::String& d) { calls.add ("as:" + n + "|" + d); return juce::String ("Project already exists."); };
    o.open (std::move (r));

    o.saveButton.onClick();
    EXPECT_TRUE (o.isVisible());
    EXPECT_EQ (o.getMode(), 0);
    EXPECT_EQ (o.statusLabel.getText(), "Project changed outside Varne-T. Reload it before saving.");

    o.saveAsButton.onClick();
    EXPECT_TRUE (o.statusLabel.getText().isEmpty());
    o.nameEditor.setText ("  Night  ");
    o.descriptionEditor.setText (" a\nb ");
    o.saveAsAndLoadButton.onClick();
    EXPECT_EQ (o.statusLabel.getText(), "Project already exists.");
    EXPECT_EQ (o.getMode(), 1);
    EXPECT_EQ (calls, juce::StringArray ({ "save", "as:Night|a\nb" }));

    o.saveAsButton.onClick();
    EXPECT_EQ (o.nameEditor.getText(), "Night Copy");
    EXPECT_EQ (o.descriptionEditor.getText(), "late");
    EXPECT_TRUE (o.statusLabel.getText().isEmpty());
}

TEST (DirtyOverlay, EveryWayOfClosingCallsNothingAndDiscardCallsOnceAfterHiding)
{
    juce::Component parent;
    parent.setSize (800, 600);
    ProjectDirtyOverlay o;
    parent.addChildComponent (o);
    int calls = 0;
    auto request = [&]
    {
        ProjectDirtyOverlay::Request r;
        r.canSaveInPlace = true;
        r.onSave = [&] { ++calls; return juce::String(); };
        r.onSaveAs = [&] (auto&, auto&) { ++calls; return juce::String(); };
        r.onDiscard = [&] { ++calls; };
        return r;
    };

    const std::vector<std::function<void()>> closers {
        [&] { o.cancelButton.onClick(); },
        [&] { EXPECT_TRUE (o.keyPressed (escapeKey)); },
        [&] { o.saveAsButton.onClick(); o.nameEditor.onEscapeKey(); },
        [&] { o.saveAsButton.onClick(); o.descriptionEditor.onEscapeKey(); },
        [&] { o.saveAsButton.onClick(); o.cancelButton.onClick(); },
    };
    for (const auto& close : closers)
    {
        o.open (request());
        close();
        EXPECT_FALSE (o.isVisible());
        o.saveButton.onClick();
        o.discardButton.onClick();
        EXPECT_EQ (calls, 0);
    }

    int discards = 0;
    bool hiddenWhenCalled = false;
    ProjectDirtyOverlay::Request r;
    r.onDiscard = [&] { ++discards; hiddenWhenCalled = ! o.isVisible(); };
    o.open (std::move (r));
    o.discardButton.onClick();
    o.discardButton.onClick();
    EXPECT_EQ (discards, 1);
    EXPECT_TRUE (hiddenWhenCalled);
}

//==============================================================================
class LibraryActions : public ::testing::Test
{
protected:
    TempHome home;
    VarneTAudioProcessor processor;
    std::unique_ptr<LibraryRig> rig = std::make_unique<LibraryRig> (processor);

    ProjectLibraryController& controller() { return *rig->controller; }
    juce::File saveAs (const juce::String& name, const juce::String& section)
    {
        editProject (processor, section);
        controller().saveLibraryProjectAs (name, "");
        return controller().getLibraryProjectFile();
    }
};

TEST_F (LibraryActions, ShowSaveOverwriteDeleteThroughTheOverlay)
{
    controller().showProjectLibrary();
    auto& o = rig->libraryOverlay;
    EXPECT_TRUE (o.isVisible());
    EXPECT_TRUE (o.emptyLabel.isVisible());
    EXPECT_FALSE (libraryFolder().exists());

    o.nameEditor.setText ("Night");
    o.descriptionEditor.setText ("late");
    o.saveButton.onClick();
    EXPECT_EQ (o.statusLabel.getText(), "Saved: Night");
    EXPECT_EQ (rig->statuses.joinIntoString ("|"), "Project saved: Night");
    ASSERT_EQ (o.getNumRows(), 1);
    EXPECT_EQ (o.getRowButton (0)->getButtonText(), juce::String (juce::CharPointer_UTF8 ("Night  \xe2\x80\xa2 Current")));

    // Edited: the row says Modified once the check runs; another letter case asks to overwrite.
    editProject (processor, "edited");
    controller().updateProjectsButton (true);
    EXPECT_EQ (rig->buttonText, juce::String (juce::CharPointer_UTF8 ("Projects \xe2\x80\xa2")));
    EXPECT_EQ (o.getRowButton (0)->getButtonText(), juce::String (juce::CharPointer_UTF8 ("Night  \xe2\x80\xa2 Modified")));
    o.nameEditor.setText ("NIGHT");
    o.saveButton.onClick();
    ASSERT_TRUE (o.isConfirming());
    EXPECT_EQ (o.confirmLabel.getText(), "Overwrite existing project \"NIGHT\"?");
    EXPECT_EQ (o.confirmButton.getButtonText(), "Overwrite");
    EXPECT_TRUE ((bool) o.confirmButton.getProperties()["primary"]);
    EXPECT_TRUE (o.keyPressed (returnKey));
    EXPECT_EQ (o.statusLabel.getText(), "Overwritten: NIGHT");
    EXPECT_EQ (rig->buttonText, "Projects");
    EXPECT_EQ (listing (libraryFolder()), std::vector<std::string> { "Night.json" });

    // Deleting the current project's file clears the library state; the next save makes a new id.
    const auto oldId = VarneT::readProjectIdFromFile (libraryFolder().getChildFile ("Night.json"));
    o.getRowButton (0)->onClick();
    o.deleteButton.onClick();
    o.confirmButton.onClick();
    EXPECT_EQ (o.statusLabel.getText(), "Deleted: NIGHT");
    EXPECT_EQ (rig->statuses[rig->statuses.size() - 1], "Project deleted: NIGHT");
    EXPECT_TRUE (o.emptyLabel.isVisible());
    EXPECT_TRUE (controller().getLibraryProjectFile().getFullPathName().isEmpty());
    EXPECT_TRUE (controller().getLibraryProjectSha256().isEmpty());
    o.nameEditor.setText ("Night");
    o.saveButton.onClick();
    EXPECT_NE (VarneT::readProjectIdFromFile (libraryFolder().getChildFile ("Night.json")), oldId);

    // Open Projects Folder goes through the launcher.
    o.openFolderLink.onClick();
    EXPECT_EQ (rig->revealed, juce::StringArray (libraryFolder().getFullPathName()));
    o.closeButton.onClick();
    EXPECT_FALSE (o.isVisible());
}

TEST_F (LibraryActions, CleanLoadClosesTheOverlayAndDirtyLoadAsksFirst)
{
    const auto night = saveAs ("Night", "night");
    const auto day = saveAs ("Day", "day");
    controller().showProjectLibrary();
    auto& o = rig->libraryOverlay;

    // Clean: loads at once and closes.
    o.getRowButton (1)->onClick(); // "Night" after "Day"
    o.loadButton.onClick();
    EXPECT_FALSE (o.isVisible());
    EXPECT_EQ (processor.getProjectCopy().sections[0].name, "night");
    EXPECT_EQ (controller().getLibraryProjectFile(), night);

    // Dirty with a library file: the question names it and offers Save.
    editProject (processor, "night edited");
    controller().showProjectLibrary();
    o.getRowButton (0)->onClick();
    o.loadButton.onClick();
    auto& d = rig->dirtyOverlay;
    ASSERT_TRUE (d.isVisible());
    EXPECT_TRUE (o.isVisible());
    EXPECT_EQ (d.messageLabel.getText(), "Save changes to \"Night\" before loading another project?");
    EXPECT_TRUE (d.saveButton.isVisible());

    // Save: the edit goes into Night's file, then Day is loaded and the library closes.
    d.saveButton.onClick();
    EXPECT_FALSE (d.isVisible());
    EXPECT_FALSE (o.isVisible());
    EXPECT_EQ (processor.getProjectCopy().sections[0].name, "day");
    EXPECT_EQ (controller().getLibraryProjectFile(), day);
    ProjectFileInfo info;
    juce::String sha;
    ASSERT_EQ (VarneT::loadProjectFile (night, info, sha), "");
    EXPECT_EQ (info.project["sections"][0]["name"].toString(), "night edited");

    // Save As: a new project of the typed name, then the load.
    editProject (processor, "day edited");
    controller().loadLibraryProject (night);
    ASSERT_TRUE (d.isVisible());
    d.saveAsButton.onClick();
    EXPECT_EQ (d.nameEditor.getText(), "Day Copy");
    d.nameEditor.setText ("Dusk");
    d.saveAsAndLoadButton.onClick();
    EXPECT_FALSE (d.isVisible());
    EXPECT_EQ (processor.getProjectCopy().sections[0].name, "night edited");
    EXPECT_EQ (VarneT::readLibraryEntry (libraryFolder().getChildFile ("Dusk.json")).name, "Dusk");

    // Discard: nothing saved, the other project loaded.
    const auto before = listing (libraryFolder());
    const auto nightHash = VarneT::fileSha256Hex (night);
    editProject (processor, "thrown away");
    controller().loadLibraryProject (day);
    ASSERT_TRUE (d.isVisible());
    d.discardButton.onClick();
    EXPECT_FALSE (d.isVisible());
    EXPECT_EQ (processor.getProjectCopy().sections[0].name, "day");
    EXPECT_EQ (listing (libraryFolder()), before);
    EXPECT_EQ (VarneT::fileSha256Hex (night), nightHash);
}

TEST_F (LibraryActions, UntitledDirtyProjectOffersSaveAsOnly)
{
    const auto other = writeProjectFixture ("Other.json", "Other");
    editProject (processor, "unsaved");
    controller().loadLibraryProject (other);
    auto& d = rig->dirtyOverlay;
    ASSERT_TRUE (d.isVisible());
    EXPECT_EQ (d.messageLabel.getText(), "Save this modified project before loading another project?");
    EXPECT_FALSE (d.saveButton.isVisible());
    d.saveAsButton.onClick();
    EXPECT_EQ (d.nameEditor.getText(), "Untitled Project");
    EXPECT_EQ (controller().saveBeforeLoading (other), "No current project to save.");

    // Without the question overlay the load is refused.
    ProjectLibraryController bare (processor, nullptr, nullptr, { {}, [this] (auto& s) { rig->errors.add (s); }, {}, {}, {} });
    bare.loadLibraryProject (other);
    EXPECT_EQ (rig->errors[rig->errors.size() - 1], "Save or discard the current project first");
    EXPECT_EQ (processor.getProjectCopy().sections[0].name, "unsaved");
}

TEST_F (LibraryActions, ChangesSurviveClosingAndReopeningTheEditor)
{
    const auto night = saveAs ("Night", "night");
    const auto day = saveAs ("Day", "day");
    editProject (processor, "edited");

    // The editor and its overlays go away and come back; the processor keeps the clean state.
    rig.reset();
    rig = std::make_unique<LibraryRig> (processor);
    controller().showProjectLibrary();
    controller().loadLibraryProject (night);
    EXPECT_TRUE (rig->dirtyOverlay.isVisible());
    EXPECT_EQ (processor.getProjectCopy().sections[0].name, "edited");
    juce::ignoreUnused (day);
}

TEST_F (LibraryActions, ALargeLibraryIsReadOffTheMessageThreadAndListedTheSame)
{
    const auto count = (int) ProjectLibraryController::backgroundListingThreshold + 16;
    for (int i = count; i >= 1; --i)
        writeProjectFixture ("file " + juce::String (i) + ".json", "Take " + std::to_string (i));
    writeFixture (libraryFolder().getChildFile ("broken.json"), "{");

    controller().showProjectLibrary();
    EXPECT_TRUE (controller().isListingInProgress());
    EXPECT_FALSE (rig->libraryOverlay.isVisible());
    ASSERT_TRUE (pumpUntil ([&] { return rig->libraryOverlay.isVisible(); }));
    EXPECT_FALSE (controller().isListingInProgress());

    const auto names = entryNames (rig->libraryOverlay.getEntries());
    ASSERT_EQ (names.size(), (size_t) count + 1);
    EXPECT_EQ (names.front(), "broken");
    EXPECT_EQ (names[1], "Take 1");
    EXPECT_EQ (names.back(), "Take " + std::to_string (count));
    EXPECT_EQ (names, entryNames (VarneT::buildLibraryEntries (VarneT::listProjectFiles (libraryFolder()))));

    // A file changed since it was listed is read again.
    writeProjectFixture ("file 1.json", "Renamed");
    EXPECT_EQ (VarneT::buildLibraryEntries (VarneT::listProjectFiles (libraryFolder()))[1].name, "Renamed");

    // Closing the editor while a listing runs stops it without opening anything.
    rig->libraryOverlay.close();
    for (int i = 1; i <= count; ++i)
        libraryFolder().getChildFile ("file " + juce::String (i) + ".json").setLastModificationTime (juce::Time (1000000));
    controller().showProjectLibrary();
    rig.reset();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (50);
}

TEST_F (LibraryActions, CurrentFileDeletedElsewhereSelectsNothingAndFolderFailuresAreReported)
{
    const auto night = saveAs ("Night", "night");
    saveAs ("Day", "day");
    controller().loadProjectFromLibrary (night);
    night.deleteFile();

    controller().showProjectLibrary();
    EXPECT_EQ (rig->libraryOverlay.getSelectedIndex(), -1);
    EXPECT_EQ (entryNames (rig->libraryOverlay.getEntries()), std::vector<std::string> { "Day" });

    // Saving over the vanished file is refused; nothing is written under its name.
    EXPECT_EQ (controller().saveProjectToLibrary ("Night", "", night, true), "Project was deleted outside Varne-T. Save with a new name.");
    EXPECT_FALSE (night.exists());

    // A file where the projects folder belongs.
    libraryFolder().deleteRecursively();
    writeFixture (libraryFolder(), "in the way");
    controller().openProjectFolder();
    EXPECT_EQ (rig->libraryOverlay.statusLabel.getText(), "Could not open project folder.");
    EXPECT_TRUE (rig->revealed.isEmpty());
    rig->libraryOverlay.nameEditor.setText ("Dusk");
    rig->libraryOverlay.saveButton.onClick();
    EXPECT_EQ (rig->libraryOverlay.statusLabel.getText(), "Could not create project folder");
    EXPECT_EQ (rig->errors[rig->errors.size() - 1], "Could not create project folder");
    EXPECT_TRUE (libraryFolder().existsAsFile());
}

TEST_F (LibraryActions, ModifiedCheckIgnoresTheActiveSectionAndRunsAtMostTwiceASecond)
{
    auto project = processor.getProjectCopy();
    project.sections.push_back (project.sections[0]);
    project.sections[1].name = "Section 2";
    ASSERT_TRUE (processor.applyProjectEdit (project, true).isEmpty());
    saveAs ("Night", "night");
    EXPECT_EQ (rig->buttonText, "Projects");

    ASSERT_TRUE (processor.selectSection (1, false).isEmpty());
    controller().updateProjectsButton (true);
    EXPECT_FALSE (controller().isProjectModified());

    // Right after a check the timer's call does nothing; a forced one sees the edit.
    editProject (processor, "edited");
    controller().updateProjectsButton (false);
    EXPECT_FALSE (controller().isProjectModified());
    EXPECT_TRUE (pumpUntil ([&] { controller().updateProjectsButton (false); return controller().isProjectModified(); }, 5000));
    EXPECT_EQ (rig->buttonText, juce::String (juce::CharPointer_UTF8 ("Projects \xe2\x80\xa2")));
}

TEST_F (LibraryActions, ALargeLibraryIsReadWhenTheEditorOpensAndAClickMeanwhileOpensItAfterwards)
{
    rig.reset();
    const auto count = (int) ProjectLibraryController::backgroundListingThreshold + 8;
    for (int i = 1; i <= count; ++i)
        writeProjectFixture ("early " + juce::String (i) + ".json", "Early " + std::to_string (i));

    rig = std::make_unique<LibraryRig> (processor);
    EXPECT_TRUE (controller().isListingInProgress());
    controller().showProjectLibrary();
    EXPECT_FALSE (rig->libraryOverlay.isVisible());
    ASSERT_TRUE (pumpUntil ([&] { return rig->libraryOverlay.isVisible(); }));
    EXPECT_EQ ((int) rig->libraryOverlay.getEntries().size(), count);
    EXPECT_EQ (rig->libraryOverlay.getEntries()[1].name, "Early 2");

    // Once read, the next editor opens the library at once.
    rig.reset();
    rig = std::make_unique<LibraryRig> (processor);
    EXPECT_FALSE (controller().isListingInProgress());
    controller().showProjectLibrary();
    EXPECT_TRUE (rig->libraryOverlay.isVisible());
}
