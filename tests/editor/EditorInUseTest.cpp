// The whole editor in a window, used as a musician meets it: the real pointer and keys, after the
// menus and overlays just used.

#include "editor/PluginEditor.h"
#include "editor/RepeatCountButton.h"
#include "model/BuiltInPerformances.h"
#include "model/ProjectJson.h"
#include "support/TemporaryHome.h"
#include "support/gui/GuiTestBench.h"

#include <gtest/gtest.h>

namespace gui = testing_support::gui;

class VarneTEditorInUseTestAccess
{
public:
    using Editor = VarneTAudioProcessorEditor;
    explicit VarneTEditorInUseTestAccess (Editor& e) : editor (e) {}
    Editor& editor;

    juce::Component& popupHost() { return editor.popupHost; }
    juce::ListBox& list() { return editor.dictionaryList; }
    juce::ComboBox& filter() { return editor.dictionaryFilterBox; }
    juce::ComboBox& pitchBox() { return editor.pitchBox; }
    juce::ComboBox& scaleRootBox() { return editor.scaleRootBox; }
    juce::ComboBox& scaleTypeBox() { return editor.scaleTypeBox; }
    juce::Button& patternOptions() { return editor.patternOptionsButton; }
    juce::Button& performanceMode() { return editor.performanceModeButton; }
    juce::Button& undoButton() { return editor.undoButton; }
    juce::Button& redoButton() { return editor.redoButton; }
    juce::Component& scaling() { return *editor.editorScaling; }
    juce::Label& productLabel() { return editor.productLabel; }
    VarneTSequenceStrip& sectionStrip() { return editor.sectionStrip; }
    VarneTSequenceStrip& patternStrip() { return editor.patternStrip; }
    VarneTTimelineCanvas& timeline() { return editor.timeline; }
    juce::Slider& registerKnob() { return editor.registerKnob; }
    juce::Slider& velocitySlider() { return editor.velocitySlider; }
    juce::Slider& chanceSlider() { return editor.chanceSlider; }
    juce::Slider& importanceSlider() { return editor.importanceSlider; }
    juce::Slider& densitySlider() { return editor.densitySlider; }
    juce::Slider& swingSlider() { return editor.swingSlider; }
    juce::Slider& humanizeSlider() { return editor.humanizeSlider; }
    juce::Slider& octaveKnob() { return editor.octaveKnob; }
    juce::Button& projectsButton() { return editor.projectsButton; }
    juce::Button& jsonButton() { return editor.jsonButton; }
    juce::Button& helpButton() { return editor.helpButton; }
    juce::Component& jsonOverlay() { return *editor.jsonOverlay; }
    juce::Component& libraryOverlay() { return *editor.libraryOverlay; }
    juce::Component& dirtyOverlay() { return *editor.dirtyOverlay; }
    tolmek::HelpDialog& helpOverlay() { return *editor.helpOverlay; }
    tolmek::WelcomeDialog& welcomeDialog() { return *editor.welcomeDialog; }
    void loadFromLibrary (const juce::File& file) { editor.libraryController->loadLibraryProject (file); }
    int inspectorMode() const { return editor.inspectorMode; }
    void setInspectorMode (int mode) { editor.setInspectorMode (mode); }
};

namespace
{
using Access = VarneTEditorInUseTestAccess;

struct AnsweredProcessor : VarneTAudioProcessor
{
    AnsweredProcessor() { getTelemetryClient().markWelcomeSeen(); }
};

/** The editor at its default size in a window of its own on the display. */
struct EditorInUse : ::testing::Test
{
    EditorInUse()
    {
        editor = std::make_unique<VarneTAudioProcessorEditor> (processor);
        access = std::make_unique<Access> (*editor);
        window = std::make_unique<gui::DesktopWindow> (*editor, juce::Point<int> { 20, 20 });
    }

    ~EditorInUse() override
    {
        juce::PopupMenu::dismissAllActiveMenus();
        window.reset();
        processor.editorBeingDeleted (editor.get());
        access.reset();
        editor.reset();
    }

    bool menuShown() { return access->popupHost().getNumChildComponents() > 0 && access->popupHost().getChildComponent (0)->isShowing(); }
    bool menuGone() { return access->popupHost().getNumChildComponents() == 0; }

    bool clickAt (juce::Component& c, juce::Point<int> local, int button = 1)
    {
        return gui::input::moveTo (c.localPointToGlobal (local)) && gui::input::click (button);
    }
    bool clickCentreOf (juce::Component& c, int button = 1) { return clickAt (c, c.getLocalBounds().getCentre(), button); }

    /** A click on a dictionary row other than the selected one loads that performance. */
    ::testing::AssertionResult dictionaryRowRespondsAt (juce::Rectangle<int> band)
    {
        auto& list = access->list();
        for (int row = 0; row < list.getModel()->getNumRows(); ++row)
        {
            const auto area = list.getRowPosition (row, true);
            const auto centreInEditor = editor->getLocalPoint (&list, area.getCentre());
            if (row == list.getSelectedRow() || ! band.contains (centreInEditor) || ! list.getLocalBounds().contains (area.getCentre()))
                continue;

            const auto name = VarneT::builtInPerformances()[(size_t) row].name;
            if (! clickAt (list, area.getCentre()))
                return ::testing::AssertionFailure() << "xdotool failed";
            if (! gui::pumpUntil ([&] { return list.getSelectedRow() == row; }, 5000))
                return ::testing::AssertionFailure() << "row " << row << " (" << name << ") did not respond";
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "no dictionary row inside the band " << band.toString();
    }

    testing_support::TemporaryHome home { testing_support::TemporaryHome::TemporaryFolder::inside };
    AnsweredProcessor processor;
    std::unique_ptr<VarneTAudioProcessorEditor> editor;
    std::unique_ptr<Access> access;
    std::unique_ptr<gui::DesktopWindow> window;
};

//==============================================================================
// Every menu opens in the popup host, which covers the band beside its control. Once the menu is
// gone, a click anywhere in that band reaches the control beneath.
TEST_F (EditorInUse, AfterEveryMenuTheBandItCoveredTakesClicksAgain)
{
    struct Case
    {
        const char* name;
        std::function<bool()> open;
    };

    auto firstNote = [this]
    {
        auto& t = access->timeline();
        return t.noteBounds (0).getCentre().roundToInt();
    };
    auto selectFirstNote = [this, firstNote]
    {
        return clickAt (access->timeline(), firstNote()) && gui::pumpUntil ([this] { return access->inspectorMode() == 2; });
    };
    auto performanceMode = [this]
    {
        return clickCentreOf (access->performanceMode()) && gui::pumpUntil ([this] { return access->scaleRootBox().isShowing(); });
    };

    const Case cases[] {
        { "UI size", [this] { return clickCentreOf (access->scaling()); } },
        { "dictionary filter", [this] { return clickCentreOf (access->filter()); } },
        { "Pattern Options", [this] { return clickCentreOf (access->patternOptions()); } },
        { "Section tile", [this] { return clickAt (access->sectionStrip(), access->sectionStrip().getTileBounds (0).getCentre(), 3); } },
        { "Pattern tile", [this] { return clickAt (access->patternStrip(), access->patternStrip().getTileBounds (0).getCentre(), 3); } },
        { "repeat count", [this]
          {
              auto* button = gui::findIn<RepeatCountButton> (access->patternStrip());
              return button != nullptr && clickCentreOf (*button);
          } },
        { "note menu", [this, firstNote] { return clickAt (access->timeline(), firstNote(), 3); } },
        { "Pitch list", [this, selectFirstNote] { return selectFirstNote() && clickCentreOf (access->pitchBox()); } },
        { "Root list", [this, performanceMode] { return performanceMode() && clickCentreOf (access->scaleRootBox()); } },
        { "Scale list", [this, performanceMode] { return performanceMode() && clickCentreOf (access->scaleTypeBox()); } },
    };

    for (const auto* dismissal : { "Escape", "click outside" })
        for (const auto& c : cases)
        {
            SCOPED_TRACE (juce::String (c.name) + ", dismissed by " + dismissal);
            access->setInspectorMode (1);
            ASSERT_TRUE (gui::flushMessages());

            ASSERT_TRUE (c.open());
            ASSERT_TRUE (gui::pumpUntil ([this] { return menuShown(); })) << "the menu did not open in the host";
            const auto band = editor->getLocalArea (&access->popupHost(), access->popupHost().getLocalBounds());

            if (juce::String (dismissal) == "Escape")
                ASSERT_TRUE (gui::input::key ("Escape"));
            else
                ASSERT_TRUE (clickCentreOf (access->productLabel()));
            ASSERT_TRUE (gui::pumpUntil ([this] { return menuGone(); })) << "the menu stayed open";

            EXPECT_TRUE (dictionaryRowRespondsAt (band));
        }
}
} // namespace

namespace
{
// The value texts the bubbles, the knobs and the help line read.
TEST_F (EditorInUse, ControlsReadTheirValuesInWords)
{
    struct Case
    {
        juce::Slider& slider;
        double value;
        juce::String expected;
    };
    const auto up = juce::String (juce::CharPointer_UTF8 ("\xe2\x86\x91")), down = juce::String (juce::CharPointer_UTF8 ("\xe2\x86\x93"));
    const Case cases[] {
        { access->densitySlider(), 0.5, "50%" },
        { access->swingSlider(), 0.0, "0%" },
        { access->humanizeSlider(), 0.127, "13%" },
        { access->chanceSlider(), 1.0, "100%" },
        { access->importanceSlider(), 0.25, "25%" },
        { access->octaveKnob(), 0, "Original" },
        { access->octaveKnob(), 2, up + "2" },
        { access->octaveKnob(), -3, down + "3" },
        { access->registerKnob(), 0, "Original" },
        { access->registerKnob(), 1, "+1 octave" },
        { access->registerKnob(), -2, "-2 octaves" },
        { access->velocitySlider(), 80, "mf  80" },
        { access->velocitySlider(), 1, "pp  1" },
        { access->velocitySlider(), 127, "ff  127" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (c.slider.getTextFromValue (c.value), c.expected) << c.slider.getName() << " at " << c.value;
}

// The keyboard's shortcuts reach the editor again once the control that had the focus is hidden.
TEST_F (EditorInUse, UndoAndRedoKeysWorkAfterTheFocusedKnobWasHidden)
{
    auto& timeline = access->timeline();
    const auto notes = timeline.pattern.notes.size();
    ASSERT_TRUE (clickAt (timeline, timeline.noteBounds (0).getCentre().roundToInt()));
    ASSERT_TRUE (gui::pumpUntil ([&] { return access->inspectorMode() == 2; }));

    ASSERT_TRUE (gui::input::key ("ctrl+d"));
    ASSERT_TRUE (gui::pumpUntil ([&] { return processor.getProjectCopy().sections[0].sequence[0].notes.size() == notes + 1; }));

    // The knob takes the focus and changes the new note's register.
    auto& knob = access->registerKnob();
    const auto before = knob.getValue();
    ASSERT_TRUE (gui::input::moveToCentreOf (knob) && gui::input::press());
    ASSERT_TRUE (gui::input::moveTo (knob.getScreenBounds().getCentre() + juce::Point<int> (0, -40)) && gui::input::release());
    ASSERT_TRUE (gui::pumpUntil ([&] { return knob.getValue() != before; }));
    ASSERT_TRUE (knob.hasKeyboardFocus (false));

    // One Undo takes the duplicate and its register away; the knob hides with the selection.
    ASSERT_TRUE (gui::input::key ("ctrl+z"));
    ASSERT_TRUE (gui::pumpUntil ([&] { return processor.getProjectCopy().sections[0].sequence[0].notes.size() == notes; }));
    ASSERT_TRUE (gui::pumpUntil ([&] { return ! knob.isShowing(); }));

    ASSERT_TRUE (gui::input::key ("ctrl+shift+z"));
    EXPECT_TRUE (gui::pumpUntil ([&] { return processor.getProjectCopy().sections[0].sequence[0].notes.size() == notes + 1; }, 5000))
        << "focused: " << (juce::Component::getCurrentlyFocusedComponent() != nullptr ? juce::Component::getCurrentlyFocusedComponent()->getName() + " "
                                                                                          + typeid (*juce::Component::getCurrentlyFocusedComponent()).name()
                                                                                    : juce::String ("nothing"));
}
} // namespace

namespace
{
// With the keyboard focus in the dictionary list, Delete still deletes the selected note.
TEST_F (EditorInUse, DeleteInTheDictionaryListDeletesTheSelectedNote)
{
    auto& timeline = access->timeline();
    ASSERT_TRUE (clickAt (timeline, timeline.noteBounds (0).getCentre().roundToInt()));
    ASSERT_TRUE (gui::pumpUntil ([&] { return timeline.selectedIndex == 0; }));

    auto& list = access->list();
    if (list.getNumSelectedRows() == 0)
        list.selectRow (0, true, true); // loads that performance; reselect a note of it
    ASSERT_TRUE (gui::pumpUntil ([&] { return list.getNumSelectedRows() > 0; }));
    timeline.selectedIndex = 0;
    list.grabKeyboardFocus();
    ASSERT_TRUE (gui::pumpUntil ([&] { return list.hasKeyboardFocus (true); }));

    const auto before = processor.getProjectCopy().sections[0].sequence[0].notes.size();
    ASSERT_TRUE (gui::input::key ("Delete"));
    EXPECT_TRUE (gui::pumpUntil ([&] { return processor.getProjectCopy().sections[0].sequence[0].notes.size() + 1 == before; }, 5000));
    EXPECT_EQ (list.getNumSelectedRows(), 1) << "the list kept its row";
}
} // namespace

namespace
{
// Undo and Redo read the undo history from the first paint, not from the first timer tick.
TEST (EditorUndoButtons, AreRightFromConstruction)
{
    testing_support::TemporaryHome home { testing_support::TemporaryHome::TemporaryFolder::inside };
    for (const auto withHistory : { false, true })
    {
        AnsweredProcessor processor;
        if (withHistory)
        {
            auto project = processor.getProjectCopy();
            project.sections[0].name = "Edited";
            ASSERT_EQ (processor.applyProjectEdit (project, true), "");
        }

        VarneTAudioProcessorEditor editor (processor);
        Access access (editor);
        EXPECT_EQ (access.undoButton().isEnabled(), withHistory);
        EXPECT_FALSE (access.redoButton().isEnabled());
        processor.editorBeingDeleted (&editor);
    }
}
} // namespace

namespace
{
bool isInside (juce::Component& overlay, juce::Component* c) { return c != nullptr && (c == &overlay || overlay.isParentOf (c)); }

// Each modal overlay keeps the keyboard among its own controls: Tab cycles inside it, and Return
// and Space never reach Revert, Write or "{}" behind it.
TEST_F (EditorInUse, OverlaysKeepTheKeyboardToThemselves)
{
    editor->onRevealFolder = [] (const juce::File&) {};
    access->helpOverlay().launchBrowser = [] (const juce::String&) {};
    access->welcomeDialog().launchBrowser = [] (const juce::String&) {};

    // A saved project to load, so that loading an edited project asks first.
    const auto saved = VarneT::projectLibraryFolder().getChildFile ("Saved.json");
    {
        auto project = processor.getProjectCopy();
        project.sections[0].name = "Saved";
        ASSERT_TRUE (saved.getParentDirectory().createDirectory().wasOk());
        juce::DynamicObject::Ptr envelope = new juce::DynamicObject();
        envelope->setProperty ("format", "tolmek-plugin-project");
        envelope->setProperty ("version", 2);
        envelope->setProperty ("plugin", "Varne-T");
        envelope->setProperty ("projectId", "0f8e2a4c-1b3d-4e5f-8a9b-0c1d2e3f4a5b");
        envelope->setProperty ("name", "Saved");
        envelope->setProperty ("description", "");
        envelope->setProperty ("savedAt", "2026-12-11T05:00:00.000+00:00");
        envelope->setProperty ("project", VarneT::projectToVar (project));
        ASSERT_TRUE (saved.replaceWithText (juce::JSON::toString (juce::var (envelope.get()), true)));
    }

    struct Case
    {
        const char* name;
        std::function<juce::Component&()> open;
    };
    const Case cases[] {
        { "library", [this]() -> juce::Component& { clickCentreOf (access->projectsButton()); return access->libraryOverlay(); } },
        { "JSON", [this]() -> juce::Component& { clickCentreOf (access->jsonButton()); return access->jsonOverlay(); } },
        { "help", [this]() -> juce::Component& { clickCentreOf (access->helpButton()); return access->helpOverlay(); } },
        { "unsaved project", [this, saved]() -> juce::Component& { access->loadFromLibrary (saved); return access->dirtyOverlay(); } },
        { "welcome", [this]() -> juce::Component&
          {
              auto& welcome = access->welcomeDialog();
              welcome.setVisible (true);
              welcome.toFront (true);
              return welcome;
          } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto edited = processor.getProjectCopy();
        edited.sections[0].name = juce::String ("Edited before ") + c.name;
        ASSERT_EQ (processor.applyProjectEdit (edited, true), "");
        ASSERT_TRUE (gui::pumpUntil ([this] { return processor.isProjectDirty(); }));

        auto& overlay = c.open();
        ASSERT_TRUE (gui::pumpUntil ([&] { return overlay.isShowing() && isInside (overlay, juce::Component::getCurrentlyFocusedComponent()); }))
            << "the overlay did not take the focus";

        for (int tab = 0; tab < 15; ++tab)
        {
            auto* before = juce::Component::getCurrentlyFocusedComponent();
            ASSERT_TRUE (gui::input::key ("Tab"));
            gui::pumpUntil ([&] { return juce::Component::getCurrentlyFocusedComponent() != before; }, 2000);
            auto* focused = juce::Component::getCurrentlyFocusedComponent();
            ASSERT_TRUE (isInside (overlay, focused)) << "Tab " << tab + 1 << " left the overlay for "
                                                      << (focused != nullptr ? focused->getName() : juce::String ("nothing"));
        }

        for (const auto* key : { "Return", "space", "Return" })
            ASSERT_TRUE (gui::input::key (key));
        ASSERT_TRUE (gui::flushMessages());

        EXPECT_EQ (processor.getProjectCopy().sections[0].name, edited.sections[0].name) << "Revert ran behind the overlay";
        EXPECT_TRUE (processor.isProjectDirty()) << "Write ran behind the overlay";
        if (&overlay != &access->jsonOverlay())
        {
            EXPECT_FALSE (access->jsonOverlay().isVisible()) << "{} ran behind the overlay";
        }

        overlay.setVisible (false);
        ASSERT_TRUE (gui::flushMessages());
    }
}
} // namespace

namespace
{
// Help and welcome name one terms page.
TEST_F (EditorInUse, TermsAndPrivacyIsOneAddress)
{
    auto isTerms = [] (tolmek::LauncherLink& link) { return link.getButtonText() == "Terms & Privacy"; };
    auto* inHelp = gui::findIn<tolmek::LauncherLink> (access->helpOverlay(), isTerms);
    auto* inWelcome = gui::findIn<tolmek::LauncherLink> (access->welcomeDialog(), isTerms);
    ASSERT_TRUE (inHelp != nullptr && inWelcome != nullptr);
    EXPECT_TRUE (inHelp->getAddress().startsWith ("https://"));
    EXPECT_EQ (inWelcome->getAddress(), inHelp->getAddress());
}
} // namespace
