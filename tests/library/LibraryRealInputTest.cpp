// The library overlays on the real display, driven by the real pointer and keyboard.

#include "LibraryTestSupport.h"

#include "editor/VarneTTheme.h"
#include "support/gui/GuiTestBench.h"

using namespace library_test;
namespace gui = testing_support::gui;

namespace
{
/** Stands in for the editor: the overlays cover it, painted by the theme. */
struct Host
{
    explicit Host (VarneTAudioProcessor& processor) : rig (processor)
    {
        rig.parent.setLookAndFeel (&theme);
        rig.parent.setTopLeftPosition (0, 0);
    }
    ~Host() { rig.parent.setLookAndFeel (nullptr); }

    VarneTTheme::LookAndFeel theme;
    LibraryRig rig;
};

bool clickOn (juce::Component& c)
{
    return gui::input::moveToCentreOf (c) && gui::input::click();
}
} // namespace

TEST (LibraryRealInput, SaveSelectDeleteAndDirtyLoadWithPointerAndKeys)
{
    TempHome home;
    VarneTAudioProcessor processor;
    Host host (processor);
    auto& rig = host.rig;
    auto& o = rig.libraryOverlay;
    gui::DesktopWindow window (rig.parent, { 0, 0 });

    writeProjectFixture ("Day.json", "Day", "\"bright\"");
    rig.controller->showProjectLibrary();
    ASSERT_TRUE (gui::pumpUntil ([&] { return o.isShowing(); }));

    // Type a name and description, save with the button.
    ASSERT_TRUE (clickOn (o.nameEditor));
    ASSERT_TRUE (gui::input::type ("Night"));
    ASSERT_TRUE (clickOn (o.descriptionEditor));
    ASSERT_TRUE (gui::input::type ("late"));
    ASSERT_TRUE (gui::input::key ("Return"));
    ASSERT_TRUE (gui::input::type ("set"));
    ASSERT_TRUE (clickOn (o.saveButton));
    ASSERT_TRUE (gui::pumpUntil ([&] { return o.statusLabel.getText() == "Saved: Night"; })) << o.statusLabel.getText();
    EXPECT_EQ (VarneT::readLibraryEntry (libraryFolder().getChildFile ("Night.json")).description, "late\nset");
    ASSERT_EQ (o.getNumRows(), 2);

    // Pick "Day", ask to delete, cancel with Escape, ask again, confirm with Return.
    ASSERT_TRUE (clickOn (*o.getRowButton (0)));
    ASSERT_TRUE (gui::pumpUntil ([&] { return o.getSelectedIndex() == 0; }));
    EXPECT_EQ (o.nameEditor.getText(), "Day");
    ASSERT_TRUE (clickOn (o.deleteButton));
    ASSERT_TRUE (gui::pumpUntil ([&] { return o.isConfirming(); }));
    ASSERT_TRUE (gui::input::key ("Escape"));
    ASSERT_TRUE (gui::pumpUntil ([&] { return ! o.isConfirming(); }));
    EXPECT_TRUE (o.isVisible());
    ASSERT_TRUE (clickOn (o.deleteButton));
    ASSERT_TRUE (gui::pumpUntil ([&] { return o.isConfirming(); }));
    ASSERT_TRUE (gui::input::key ("Return"));
    ASSERT_TRUE (gui::pumpUntil ([&] { return o.statusLabel.getText() == "Deleted: Day"; })) << o.statusLabel.getText();
    EXPECT_EQ (listing (libraryFolder()), std::vector<std::string> { "Night.json" });

    // Edit, then load the saved project: the question comes; Save As with a typed name and Return.
    editProject (processor, "edited");
    writeProjectFixture ("Dawn.json", "Dawn");
    rig.controller->showProjectLibrary();
    ASSERT_TRUE (gui::pumpUntil ([&] { return o.getNumRows() == 2; }));
    ASSERT_TRUE (clickOn (*o.getRowButton (0)));
    ASSERT_TRUE (gui::pumpUntil ([&] { return o.getSelectedIndex() == 0; }));
    ASSERT_TRUE (clickOn (o.loadButton));
    auto& d = rig.dirtyOverlay;
    ASSERT_TRUE (gui::pumpUntil ([&] { return d.isShowing(); }));
    EXPECT_EQ (d.messageLabel.getText(), "Save changes to \"Night\" before loading another project?");
    ASSERT_TRUE (clickOn (d.saveAsButton));
    ASSERT_TRUE (gui::pumpUntil ([&] { return d.nameEditor.isShowing(); }));
    EXPECT_EQ (d.nameEditor.getText(), "Night Copy");
    ASSERT_TRUE (gui::input::type ("Evening"));
    ASSERT_TRUE (gui::input::key ("Return"));
    ASSERT_TRUE (gui::pumpUntil ([&] { return ! d.isVisible() && ! o.isVisible(); }));
    EXPECT_EQ (VarneT::readLibraryEntry (libraryFolder().getChildFile ("Evening.json")).name, "Evening");
    EXPECT_EQ (rig.controller->getLibraryProjectFile().getFileName(), "Dawn.json");
}
