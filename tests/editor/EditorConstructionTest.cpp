// The editor's construction and layout: every control with its texts and roles, the reference
// geometry at the default size, the extremes of the logical size, and repeated opening.

#include "editor/PluginEditor.h"
#include "kit/SettingsStore.h"
#include "model/Scales.h"
#include "support/gui/GuiTestBench.h"
#include "support/AllocationCounter.h"
#include "support/ScaledEditor.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include <juce_events/juce_events.h>

using Rect = juce::Rectangle<int>;

class VarneTEditorTestAccess
{
public:
    using Editor = VarneTAudioProcessorEditor;
    explicit VarneTEditorTestAccess (Editor& e) : editor (e) {}

    Editor& editor;

#define VARNET_CHILD(name) juce::Component& name() { return editor.name; }
    VARNET_CHILD (writeButton) VARNET_CHILD (revertButton) VARNET_CHILD (makerLabel) VARNET_CHILD (productLabel)
    VARNET_CHILD (summaryLabel) VARNET_CHILD (instanceNameField) VARNET_CHILD (midiChordsButton) VARNET_CHILD (scaleSourceButton)
    VARNET_CHILD (chordLabel) VARNET_CHILD (scaleRootBox) VARNET_CHILD (scaleTypeBox) VARNET_CHILD (sectionMidiDragButton)
    VARNET_CHILD (undoButton) VARNET_CHILD (redoButton) VARNET_CHILD (projectsButton) VARNET_CHILD (jsonButton)
    VARNET_CHILD (panicButton) VARNET_CHILD (helpButton) VARNET_CHILD (sectionsCaption) VARNET_CHILD (autoAdvanceButton)
    VARNET_CHILD (sectionStrip) VARNET_CHILD (sectionStripViewport) VARNET_CHILD (sectionRenameField) VARNET_CHILD (patternsCaption)
    VARNET_CHILD (patternStrip) VARNET_CHILD (patternStripViewport) VARNET_CHILD (patternRenameField) VARNET_CHILD (dictionaryCaption)
    VARNET_CHILD (dictionaryFilterBox) VARNET_CHILD (dictionaryList) VARNET_CHILD (patternTitleLabel) VARNET_CHILD (patternInfoLabel)
    VARNET_CHILD (patternOptionsButton) VARNET_CHILD (timelineViewport) VARNET_CHILD (timeline) VARNET_CHILD (performanceModeButton)
    VARNET_CHILD (patternFeelModeButton) VARNET_CHILD (selectedNoteModeButton) VARNET_CHILD (duplicateNoteButton)
    VARNET_CHILD (deleteNoteButton) VARNET_CHILD (densitySlider) VARNET_CHILD (swingSlider) VARNET_CHILD (humanizeSlider)
    VARNET_CHILD (octaveKnob) VARNET_CHILD (pitchBox) VARNET_CHILD (registerKnob) VARNET_CHILD (velocitySlider)
    VARNET_CHILD (chanceSlider) VARNET_CHILD (importanceSlider) VARNET_CHILD (bottomLineLabel) VARNET_CHILD (popupHost)
#undef VARNET_CHILD

    juce::Component* welcome() { return editor.welcomeDialog.get(); }
    juce::Component* help() { return editor.helpOverlay.get(); }

    juce::Label& projectCaption (size_t i) { return editor.projectCaptions[i]; }
    juce::Label& feelCaption (size_t i) { return editor.feelCaptions[i]; }
    juce::Label& noteCaption (size_t i) { return editor.noteCaptions[i]; }
    Rect card (int i)
    {
        const Rect cards[] { editor.dictionaryCard, editor.sequenceCard, editor.timelineCard, editor.inspectorCard, editor.modeColumnCard, editor.bottomBarCard };
        return cards[i];
    }
};

namespace
{
using Access = VarneTEditorTestAccess;
using Getter = juce::Component& (Access::*)();

juce::String textOf (juce::Component& c)
{
    if (auto* b = dynamic_cast<juce::Button*> (&c)) return b->getButtonText();
    if (auto* l = dynamic_cast<juce::Label*> (&c)) return l->getText();
    if (auto* t = dynamic_cast<juce::TextEditor*> (&c)) return t->getTextToShowWhenEmpty();
    return {};
}

juce::String tooltipOf (juce::Component& c)
{
    if (auto* t = dynamic_cast<juce::SettableTooltipClient*> (&c)) return t->getTooltip();
    return {};
}

/** Position of a control in the content component's coordinates, whatever lies between. */
Rect contentBounds (VarneTAudioProcessorEditor& editor, juce::Component& c)
{
    return editor.getContentWrapper().getLocalArea (c.getParentComponent(), c.getBounds());
}

/** A fresh HOME for each test: the editor stores its UI scale and the first-run answer there. */
class TemporaryHome
{
public:
    TemporaryHome()
    {
        for (const auto* name : { "HOME", "TMPDIR", "XDG_CONFIG_HOME" })
            if (const auto* old = std::getenv (name))
                previous[name] = old;

        folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("varnet-editor-test-" + juce::Uuid().toString());
        folder.getChildFile ("tmp").createDirectory();
        setenv ("HOME", folder.getFullPathName().toRawUTF8(), 1);
        setenv ("TMPDIR", folder.getChildFile ("tmp").getFullPathName().toRawUTF8(), 1);
        unsetenv ("XDG_CONFIG_HOME");
    }

    ~TemporaryHome()
    {
        for (const auto* name : { "HOME", "TMPDIR", "XDG_CONFIG_HOME" })
        {
            if (const auto found = previous.find (name); found != previous.end())
                setenv (name, found->second.toRawUTF8(), 1);
            else
                unsetenv (name);
        }
        folder.deleteRecursively();
    }

private:
    juce::File folder;
    std::map<std::string, juce::String> previous;
};

/** A processor whose user has answered the first-run question, so that nothing covers the editor. */
struct AnsweredProcessor : VarneTAudioProcessor
{
    AnsweredProcessor() { getTelemetryClient().markWelcomeSeen(); }
};

struct EditorConstruction : ::testing::Test
{
    ~EditorConstruction() override
    {
        processor.editorBeingDeleted (editor.get());
    }

    TemporaryHome home;
    AnsweredProcessor processor;
    std::unique_ptr<VarneTAudioProcessorEditor> editor = std::make_unique<VarneTAudioProcessorEditor> (processor);
    Access access { *editor };
};
} // namespace

//==============================================================================
TEST_F (EditorConstruction, EveryControlHasItsTextTooltipAndRole)
{
    struct Row
    {
        Getter child;
        const char* text;
        const char* tooltip;
        const char* role;
    };

    const Row rows[] {
        { &Access::writeButton, "Write", "Keep the current project edits. Save to the library from Projects.", "bufferAction" },
        { &Access::revertButton, "Revert", "Revert all project edits since the last Write or project load.", "bufferAction" },
        { &Access::makerLabel, "TOLMEK", "", nullptr },
        { &Access::productLabel, "Varne-T", "", nullptr },
        { &Access::summaryLabel, nullptr, "Instance Name and the current Pitch Source.", nullptr },
        { &Access::instanceNameField, "Name this instance", "A friendly name that distinguishes this Varne-T instance in your project and MCP clients.", "instanceName" },
        { &Access::midiChordsButton, "MIDI Chords", "Use held incoming MIDI chords as the pitch source. Varne-T waits for held notes unless audition is armed.", "sourceSelector" },
        { &Access::scaleSourceButton, "Scale", "Generate from the project scale whenever the DAW transport is playing.", "sourceSelector" },
        { &Access::chordLabel, "Waiting for MIDI", "The chord currently detected from incoming MIDI.", nullptr },
        { &Access::scaleRootBox, "", "Root note used by autonomous Scale mode.", "musicalSelector" },
        { &Access::scaleTypeBox, "", "Scale used by autonomous Scale mode.", "musicalSelector" },
        { &Access::sectionMidiDragButton, "Drag active Section MIDI", "Drag active Section MIDI | Right-click: copy or save", nullptr },
        { &Access::undoButton, "Undo", "Undo the last performance edit (Cmd/Ctrl+Z).", nullptr },
        { &Access::redoButton, "Redo", "Redo the last undone performance edit (Cmd/Ctrl+Shift+Z).", nullptr },
        { &Access::projectsButton, "Projects", "Save, load, and manage Varne-T projects.", nullptr },
        { &Access::jsonButton, "{}", "Edit the complete Varne-T project as JSON.", nullptr },
        { &Access::panicButton, "Panic", "Release every generated note and sustain event.", nullptr },
        { &Access::sectionsCaption, "SECTIONS", "Click to activate, drag to reorder, or right-click a Section for actions.", nullptr },
        { &Access::autoAdvanceButton, "Auto-Advance", "Auto-Advance: Follow the DAW playhead through Sections; the last returns to the first", nullptr },
        { &Access::sectionRenameField, "Section name", "Rename this Section. Return commits; Escape cancels.", nullptr },
        { &Access::patternsCaption, "PATTERNS", "Click to edit, drag to reorder, or right-click a Pattern for actions.", nullptr },
        { &Access::patternRenameField, "Pattern name", "Rename this Pattern. Return commits; Escape cancels.", nullptr },
        { &Access::dictionaryCaption, "PERFORMANCE DICTIONARY", "", nullptr },
        { &Access::patternOptionsButton, "Pattern Options", "Set this Pattern to 1, 2, or 4 bars, split a long Pattern, choose its grid, or toggle full-Pattern sustain.", "quiet" },
        { &Access::performanceModeButton, "Performance", "", "modeSelector" },
        { &Access::patternFeelModeButton, "Pattern Feel", "", "modeSelector" },
        { &Access::selectedNoteModeButton, "Selected Note", "", "modeSelector" },
        { &Access::duplicateNoteButton, "Duplicate Note", "Duplicate the selected note one grid step away (Cmd/Ctrl+D).", "quiet" },
        { &Access::deleteNoteButton, "Delete Note", "Delete the selected note (Delete/Backspace). Undo restores it.", "quiet" },
        { &Access::densitySlider, "", "Density: Sparse to Full. Hover or drag for the exact percentage.", "visualKind" },
        { &Access::swingSlider, "", "Swing: Straight to Swung. Hover or drag for the exact percentage.", "visualKind" },
        { &Access::humanizeSlider, "", "Humanize: Tight to Loose. Hover or drag for the exact percentage.", "visualKind" },
        { &Access::octaveKnob, "", "Shift the whole performance in octave steps. Drag horizontally or vertically, use the mouse wheel, or double-click to return to Original.", "discreteKnob" },
        // The default project plays from its scale, so the Pitch choices are the scale's.
        { &Access::pitchBox, "", "Choose a scale degree or a fixed MIDI note. Existing adaptive source data is preserved.", "pitchSelector" },
        { &Access::registerKnob, "", "Move the selected note between octave registers. Drag horizontally or vertically, use the mouse wheel, or double-click to return to Original.", "discreteKnob" },
        { &Access::velocitySlider, "", "Velocity from pp to ff; hover or drag to see the exact MIDI value.", "visualKind" },
        { &Access::chanceSlider, "", "Chance: Never to Always. Hover or drag for the exact percentage.", "visualKind" },
        { &Access::importanceSlider, "", "Importance: Decorative to Essential. Hover or drag for the exact percentage.", "visualKind" },
    };

    for (const auto& row : rows)
    {
        auto& c = (access.*row.child)();
        SCOPED_TRACE (c.getName() + " / " + textOf (c));
        if (row.text != nullptr)
        {
            EXPECT_EQ (textOf (c), juce::String (row.text));
        }
        EXPECT_EQ (tooltipOf (c), juce::String (row.tooltip));
        if (row.role != nullptr)
        {
            EXPECT_TRUE (c.getProperties().contains (juce::Identifier (row.role)));
        }
    }

    // Names, titles and the rest of the roles that the table above cannot hold.
    EXPECT_EQ (access.summaryLabel().getName(), "Instance and pitch source summary");
    EXPECT_EQ (access.instanceNameField().getName(), "Instance Name");
    EXPECT_EQ (access.scaleRootBox().getName(), "Scale root");
    EXPECT_EQ (access.scaleTypeBox().getName(), "Scale type");
    EXPECT_EQ (access.helpButton().getName(), "Varne-T Help");
    EXPECT_EQ (access.dictionaryList().getName(), "Performance dictionary");
    EXPECT_EQ (access.bottomLineLabel().getName(), "Help dock");
    EXPECT_EQ (access.autoAdvanceButton().getTitle(), "Auto-Advance section playback");
    EXPECT_EQ (access.sectionStrip().getName(), "Section strip");
    EXPECT_EQ (access.patternStrip().getName(), "Pattern strip");
    EXPECT_TRUE (access.performanceModeButton().getProperties().contains ("quiet"));
    EXPECT_EQ (access.densitySlider().getProperties()["visualKind"].toString(), "density");
    EXPECT_EQ (access.velocitySlider().getProperties()["visualKind"].toString(), "velocity");
    EXPECT_EQ (access.importanceSlider().getProperties()["visualKind"].toString(), "importance");

    EXPECT_EQ (textOf (access.helpButton()), "?");
    EXPECT_FALSE ((bool) access.helpButton().getProperties()["updateAvailable"]);
    EXPECT_TRUE (tooltipOf (access.helpButton()).isNotEmpty());

    auto& root = dynamic_cast<juce::ComboBox&> (access.scaleRootBox());
    ASSERT_EQ (root.getNumItems(), 12);
    EXPECT_EQ (root.getItemText (0), "C");
    EXPECT_EQ (root.getItemText (11), "B");
    EXPECT_EQ (root.getItemId (11), 12);
    EXPECT_EQ (dynamic_cast<juce::ComboBox&> (access.scaleTypeBox()).getNumItems(), (int) VarneT::scaleTable().size());

    const juce::StringArray captions[] { { "Instance Name", "Pitch Source", "Root", "Scale" },
                                         { "Density", "Swing", "Humanize", "Octave" },
                                         { "Pitch", "Register", "Velocity", "Chance", "Importance" } };
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ (access.projectCaption (i).getText(), captions[0][(int) i]);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ (access.feelCaption (i).getText(), captions[1][(int) i]);
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ (access.noteCaption (i).getText(), captions[2][(int) i]);
}

TEST_F (EditorConstruction, StartsInPatternFeelWithNoteControlsUnavailable)
{
    EXPECT_FALSE (access.selectedNoteModeButton().isEnabled());
    EXPECT_TRUE (dynamic_cast<juce::Button&> (access.patternFeelModeButton()).getToggleState());
    EXPECT_FALSE (access.duplicateNoteButton().isVisible());
    EXPECT_FALSE (access.deleteNoteButton().isVisible());
    EXPECT_FALSE (access.sectionRenameField().isVisible());
    EXPECT_FALSE (access.patternRenameField().isVisible());
    EXPECT_TRUE (access.densitySlider().isVisible());
    EXPECT_TRUE (access.octaveKnob().isVisible());
    EXPECT_FALSE (access.instanceNameField().isVisible());
    EXPECT_FALSE (access.pitchBox().isVisible());
    EXPECT_FALSE (dynamic_cast<juce::Button&> (access.autoAdvanceButton()).getToggleState());
    EXPECT_EQ (access.sectionRenameField().getParentComponent(), &access.sectionStrip());
    EXPECT_EQ (access.patternRenameField().getParentComponent(), &access.patternStrip());
}

TEST_F (EditorConstruction, EverythingButTheCornerLivesInTheContentWrapper)
{
    auto* corner = editor->getScaleResetCorner();
    ASSERT_NE (corner, nullptr);
    EXPECT_EQ (corner->getParentComponent(), editor.get());

    for (auto* child : editor->getChildren())
        EXPECT_TRUE (child == corner || child == &editor->getContentWrapper()) << child->getName();

    EXPECT_EQ (access.popupHost().getParentComponent(), &editor->getContentWrapper());

    for (auto child : { &Access::writeButton, &Access::helpButton, &Access::instanceNameField, &Access::timeline, &Access::sectionStrip,
                        &Access::patternRenameField, &Access::dictionaryList, &Access::importanceSlider, &Access::deleteNoteButton,
                        &Access::bottomLineLabel, &Access::octaveKnob, &Access::autoAdvanceButton })
        EXPECT_TRUE (editor->getContentWrapper().isParentOf (&(access.*child)()));
}

TEST_F (EditorConstruction, TheHelpButtonOpensTheHelpUnderTheRealPointer)
{
    namespace gui = testing_support::gui;
    ASSERT_NE (access.help(), nullptr);
    EXPECT_FALSE (access.help()->isVisible());

    gui::DesktopWindow window (*editor, { 0, 0 });
    ASSERT_TRUE (gui::input::moveToCentreOf (access.helpButton()));
    ASSERT_TRUE (gui::input::click());
    EXPECT_TRUE (gui::pumpUntil ([this] { return access.help()->isVisible(); }));
    EXPECT_EQ (access.help()->getBounds(), Rect (0, 0, 1360, 820));
}

TEST_F (EditorConstruction, AClickOnTheTimelineDrawsANoteAsOneUndoableEdit)
{
    namespace gui = testing_support::gui;
    const auto notesBefore = [this]
    {
        const auto project = processor.getProjectCopy();
        return project.sections[(size_t) project.clampedActiveSectionIndex()].sequence[0].notes.size();
    };
    const auto before = notesBefore();

    gui::DesktopWindow window (*editor, { 0, 0 });
    const auto canvas = gui::DesktopWindow::screenBoundsOf (access.timeline());
    ASSERT_TRUE (gui::input::moveTo (canvas.getPosition() + juce::Point<int> (80, 40))); // the top lane's empty start
    ASSERT_TRUE (gui::input::click());

    EXPECT_TRUE (gui::pumpUntil ([&] { return notesBefore() == before + 1; }));
    EXPECT_TRUE (gui::pumpUntil ([this] { return access.selectedNoteModeButton().isEnabled(); }));
    EXPECT_TRUE (dynamic_cast<juce::Button&> (access.selectedNoteModeButton()).getToggleState());
    EXPECT_TRUE (processor.getUndoManager().canUndo());

    processor.getUndoManager().undo();
    EXPECT_TRUE (gui::pumpUntil ([&] { return notesBefore() == before; }));
}

TEST (EditorFirstRun, TheWelcomeDialogCoversTheEditorUntilAnswered)
{
    TemporaryHome home;
    VarneTAudioProcessor processor;
    auto editor = std::make_unique<VarneTAudioProcessorEditor> (processor);
    Access access (*editor);

    ASSERT_NE (access.welcome(), nullptr);
    EXPECT_TRUE (access.welcome()->isVisible());
    EXPECT_EQ (access.welcome()->getBounds(), Rect (0, 0, 1360, 820));
    processor.editorBeingDeleted (editor.get());
}

TEST (EditorFirstRun, AKnownUpdateTurnsTheHelpButtonIntoABadge)
{
    TemporaryHome home;
    auto cache = std::make_unique<juce::DynamicObject>();
    cache->setProperty ("latest_version", "9.0.0");
    cache->setProperty ("download_url", "https://www.tolmek.com/download");
    cache->setProperty ("last_checked_utc", juce::Time::getCurrentTime().toISO8601 (true));
    ASSERT_TRUE (tolmek::SettingsStore ("TOLMEK/VarneT").writeSection ("updates", juce::var (cache.release())));

    AnsweredProcessor processor;
    auto editor = std::make_unique<VarneTAudioProcessorEditor> (processor);
    Access access (*editor);

    EXPECT_EQ (textOf (access.helpButton()), "!");
    EXPECT_TRUE ((bool) access.helpButton().getProperties()["updateAvailable"]);
    EXPECT_EQ (tooltipOf (access.helpButton()), "Update available - show details");
    processor.editorBeingDeleted (editor.get());
}

//==============================================================================
TEST_F (EditorConstruction, DefaultLayoutMatchesTheReferenceTable)
{
    editor->setSize (1360, 820);

    struct Row
    {
        Getter child;
        Rect expected;
    };

    const Row rows[] {
        { &Access::makerLabel, { 10, 10, 58, 30 } },               { &Access::productLabel, { 72, 10, 108, 30 } },
        { &Access::summaryLabel, { 192, 10, 946, 30 } },
        { &Access::projectsButton, { 1150, 12, 74, 26 } },         { &Access::jsonButton, { 1228, 12, 30, 26 } },
        { &Access::panicButton, { 1262, 12, 56, 26 } },            { &Access::helpButton, { 1322, 12, 28, 26 } },
        { &Access::dictionaryCaption, { 16, 52, 288, 22 } },       { &Access::dictionaryFilterBox, { 16, 76, 288, 30 } },
        { &Access::dictionaryList, { 16, 112, 288, 658 } },
        { &Access::sectionsCaption, { 322, 51, 48, 32 } },         { &Access::sectionStripViewport, { 370, 51, 778, 38 } },
        { &Access::autoAdvanceButton, { 1152, 52, 110, 30 } },     { &Access::writeButton, { 1272, 52, 72, 30 } },
        { &Access::patternsCaption, { 322, 89, 48, 32 } },         { &Access::patternStripViewport, { 370, 89, 896, 38 } },
        { &Access::revertButton, { 1272, 90, 72, 30 } },
        { &Access::patternTitleLabel, { 322, 144, 384, 30 } },     { &Access::patternInfoLabel, { 706, 144, 384, 30 } },
        { &Access::patternOptionsButton, { 1093, 147, 102, 24 } }, { &Access::sectionMidiDragButton, { 1203, 147, 28, 24 } },
        { &Access::undoButton, { 1239, 147, 48, 24 } },            { &Access::redoButton, { 1293, 147, 48, 24 } },
        { &Access::timelineViewport, { 322, 176, 1022, 444 } },
        { &Access::performanceModeButton, { 330, 646, 116, 36 } }, { &Access::patternFeelModeButton, { 330, 686, 116, 36 } },
        { &Access::selectedNoteModeButton, { 330, 726, 116, 36 } },
        { &Access::densitySlider, { 466, 668, 215, 92 } },         { &Access::swingSlider, { 697, 668, 215, 92 } },
        { &Access::humanizeSlider, { 928, 668, 215, 92 } },        { &Access::octaveKnob, { 1160, 668, 180, 92 } },
        { &Access::instanceNameField, { 466, 692, 200, 44 } },     { &Access::midiChordsButton, { 686, 694, 124, 40 } },
        { &Access::scaleSourceButton, { 810, 694, 80, 40 } },      { &Access::scaleRootBox, { 910, 668, 84, 92 } },
        { &Access::scaleTypeBox, { 1006, 668, 334, 92 } },         { &Access::chordLabel, { 918, 668, 414, 92 } },
        { &Access::pitchBox, { 466, 668, 192, 92 } },              { &Access::registerKnob, { 674, 668, 150, 92 } },
        { &Access::velocitySlider, { 840, 668, 143, 92 } },        { &Access::chanceSlider, { 999, 668, 143, 92 } },
        { &Access::importanceSlider, { 1158, 668, 144, 92 } },     { &Access::duplicateNoteButton, { 1314, 675, 26, 26 } },
        { &Access::deleteNoteButton, { 1314, 707, 26, 26 } },
    };

    for (const auto& row : rows)
    {
        auto& c = (access.*row.child)();
        EXPECT_EQ (contentBounds (*editor, c), row.expected) << c.getName() << " / " << textOf (c);
    }

    const Rect cards[] { { 10, 46, 300, 730 }, { 316, 46, 1034, 86 }, { 316, 138, 1034, 488 }, { 316, 632, 1034, 144 }, { 326, 642, 124, 124 }, { 10, 782, 1340, 28 } };
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ (access.card (i), cards[i]) << "card " << i;

    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ (access.feelCaption (i).getBounds().withX (0).withWidth (0), Rect (0, 642, 0, 20));

    EXPECT_EQ (contentBounds (*editor, access.bottomLineLabel()), Rect (22, 784, 1228, 24));
    ASSERT_NE (editor->getEditorScaling(), nullptr);
    EXPECT_EQ (contentBounds (*editor, *editor->getEditorScaling()), Rect (1258, 784, 78, 24));
    EXPECT_EQ (editor->getEditorScaling()->getButtonText(), "UI 100%");
}

TEST (EditorLayout, SmallestAndLargestLogicalSizes)
{
    const auto small = VarneTEditorLayout::compute ({ 1160, 700, 1160, 1.0, true });
    EXPECT_EQ (small.dictionaryCard.getWidth(), 285);
    EXPECT_EQ (small.inspectorCard.getHeight(), 144);
    EXPECT_EQ (small.timelineCard.getHeight(), 368);

    const auto large = VarneTEditorLayout::compute ({ 1900, 1200, 1900, 1.0, true });
    EXPECT_EQ (large.dictionaryCard.getWidth(), 300);
    EXPECT_EQ (large.inspectorCard.getHeight(), 144);
    EXPECT_EQ (large.bottomBarCard, Rect (10, 1162, 1880, 28));
    EXPECT_EQ (large.scalingButton.getRight(), 1876);
}

TEST (EditorLayout, TinySizesNeverGiveNegativeRectangles)
{
    for (auto [w, h] : { std::pair { 0, 0 }, { 1, 1 }, { 19, 19 }, { 25, 40 }, { 60, 30 }, { 200, 90 }, { 400, 170 }, { 700, 260 } })
    {
        const auto l = VarneTEditorLayout::compute ({ w, h, w, 1.0, true });
        std::vector<Rect> all { l.makerLabel, l.productLabel, l.summaryLabel, l.projectsButton, l.jsonButton, l.panicButton, l.helpButton,
                                l.dictionaryCard, l.sequenceCard, l.timelineCard, l.inspectorCard, l.modeColumnCard, l.bottomBarCard,
                                l.dictionaryCaption, l.dictionaryFilterBox, l.dictionaryList, l.sectionsCaption, l.sectionStripViewport,
                                l.autoAdvanceButton, l.writeButton, l.patternsCaption, l.patternStripViewport, l.revertButton,
                                l.patternTitleLabel, l.patternInfoLabel, l.patternOptionsButton, l.sectionMidiDragButton, l.undoButton,
                                l.redoButton, l.timelineViewport, l.instanceNameField, l.midiChordsButton, l.scaleSourceButton,
                                l.scaleRootBox, l.scaleTypeBox, l.chordLabel, l.duplicateNoteButton, l.deleteNoteButton,
                                l.bottomLineLabel, l.scalingButton };
        for (const auto* group : { &l.feelCaptions, &l.feelControls, &l.projectCaptions })
            all.insert (all.end(), group->begin(), group->end());
        all.insert (all.end(), l.modeButtons.begin(), l.modeButtons.end());
        all.insert (all.end(), l.noteCaptions.begin(), l.noteCaptions.end());
        all.insert (all.end(), l.noteControls.begin(), l.noteControls.end());

        for (size_t i = 0; i < all.size(); ++i)
        {
            EXPECT_GE (all[i].getWidth(), 0) << w << "x" << h << " rectangle " << i;
            EXPECT_GE (all[i].getHeight(), 0) << w << "x" << h << " rectangle " << i;
        }
    }
}

TEST (EditorLayout, TimelineWidthFollowsLongPatterns)
{
    struct Row
    {
        double beats;
        juce::Point<int> expected;
    };

    const Row rows[] {
        { 4.0, { 1022, 444 } },
        { 16.0, { 1022, 444 } },
        { 20.0, { 1134, 434 } },    // max (1022 + 112, 20 x 28 + 48 = 608)
        { 64.0, { 1840, 434 } },    // 64 x 28 + 48
        { 16.5, { 1134, 434 } },
    };

    for (const auto& row : rows)
        EXPECT_EQ (VarneTEditorLayout::timelineSize (1022, 444, row.beats), row.expected) << row.beats;

    EXPECT_EQ (VarneTEditorLayout::timelineSize (400, 300, 20.0), juce::Point<int> (608, 290));
    EXPECT_EQ (VarneTEditorLayout::timelineSize (0, 0, 4.0), juce::Point<int> (1, 1));
    EXPECT_EQ (VarneTEditorLayout::stripSize (778, 3), juce::Point<int> (778, 32));
    EXPECT_EQ (VarneTEditorLayout::stripSize (778, 10), juce::Point<int> (1316, 32));
}

TEST_F (EditorConstruction, ATwentyBeatPatternWidensTheTimeline)
{
    editor->setSize (1360, 820);
    auto project = processor.getProjectCopy();
    auto& section = project.sections[(size_t) project.clampedActiveSectionIndex()];
    section.sequence[0].lengthBeats = 20.0;
    ASSERT_EQ (processor.commitProject (project), juce::String());
    editor->refreshFromProcessor();

    EXPECT_EQ (access.timeline().getWidth(), std::max (1022 + 112, 608));
    EXPECT_EQ (access.timeline().getHeight(), 444 - 10);
}

TEST_F (EditorConstruction, ResizeCornerStaysInTheWindowCornerAtEveryScale)
{
    const kit_test::ScopedUserArea display { kit_test::ScopedUserArea::unlimited() }; // one that holds 200 %
    auto* scaling = editor->getEditorScaling();
    ASSERT_NE (scaling, nullptr);
    EXPECT_EQ (editor->getWidth(), 1360);
    EXPECT_EQ (editor->getHeight(), 820);

    for (auto scale : { 0.75, 2.0, 1.0 })
    {
        SCOPED_TRACE (scale);
        scaling->setScale (scale);
        const auto w = editor->getWidth(), h = editor->getHeight();
        EXPECT_EQ (w, juce::roundToInt (1360 * scale));
        EXPECT_EQ (h, juce::roundToInt (820 * scale));

        auto* corner = editor->getScaleResetCorner();
        EXPECT_EQ (corner->getParentComponent(), editor.get());
        EXPECT_EQ (corner->getBounds(), Rect (w - 18, h - 18, 18, 18));

        // The UI-size button and the bottom line keep clear of the window's last 24 pixels.
        const auto button = editor->getLocalArea (scaling, scaling->getLocalBounds());
        const auto line = editor->getLocalArea (&access.bottomLineLabel(), access.bottomLineLabel().getLocalBounds());
        EXPECT_LE (button.getRight(), w - 24);
        EXPECT_LE (line.getRight(), button.getX());
        EXPECT_EQ (editor->getContentWrapper().getWidth(), 1360);
    }
}

TEST_F (EditorConstruction, DraggingTheWindowChangesTheLogicalSizeNotTheScale)
{
    const kit_test::ScopedUserArea display { kit_test::ScopedUserArea::unlimited() };
    auto* scaling = editor->getEditorScaling();
    scaling->setScale (2.0);
    editor->setSize (2 * 1500, 2 * 900);
    EXPECT_EQ (scaling->getScale(), 2.0);
    EXPECT_EQ (editor->getContentWrapper().getWidth(), 1500);
    EXPECT_EQ (editor->getContentWrapper().getHeight(), 900);
    EXPECT_EQ (access.card (0).getWidth(), 300);
}

//==============================================================================
TEST (EditorLifecycle, OpensAndClosesTwentyTimesWithoutLeaking)
{
    TemporaryHome home;
    AnsweredProcessor processor;
    auto openAndClose = [&processor]
    {
        auto editor = std::unique_ptr<juce::AudioProcessorEditor> (processor.createEditorIfNeeded());
        ASSERT_NE (editor, nullptr);
        editor->setSize (1160, 700);
        juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
        processor.editorBeingDeleted (editor.get());
    };

    openAndClose(); // first use fills JUCE's caches (fonts, typefaces)

    long long outstandingAfterWarmUp = 0, outstanding = 0;
    {
        testing_support::AllocationCounter counter;
        openAndClose();
        outstandingAfterWarmUp = (long long) counter.allocations() - (long long) counter.frees();
        for (int i = 1; i < 20; ++i)
            openAndClose();
        outstanding = (long long) counter.allocations() - (long long) counter.frees();
    }

    // Anything an editor left behind would grow with the number of openings.
    EXPECT_LE (outstanding, outstandingAfterWarmUp + 16);
    EXPECT_EQ (processor.getActiveEditor(), nullptr);

    // Nothing scheduled by a closed editor may run: the loop keeps going well past its delays.
    juce::MessageManager::getInstance()->runDispatchLoopUntil (400);
    EXPECT_TRUE (processor.hasEditor());
}

TEST (EditorHelpContent, FillsTheSixSectionsAndTheMcpBlock)
{
    const auto content = VarneTAudioProcessorEditor::buildHelpContent();
    EXPECT_EQ (content.productName, "Varne-T");
    EXPECT_EQ (content.version, "1.3.6");
    EXPECT_TRUE (content.guideUrl.startsWith ("https://"));
    EXPECT_EQ (content.mcpText, "Connect an AI client to edit Varne-T or manage saved Projects. Use this instance ID to select the right plugin.");
    EXPECT_TRUE (content.noticesText.isEmpty() && content.extraLinkText.isEmpty() && content.extraLinkUrl.isEmpty());

    const juce::StringArray titles { "Quick start", "Pitch source", "Patterns", "Sections", "Save & export", "Shortcuts" };
    ASSERT_EQ (content.sections.size(), 6u);
    for (size_t i = 0; i < 6; ++i)
    {
        EXPECT_EQ (content.sections[i].title, titles[(int) i]);
        EXPECT_EQ (content.sections[i].body.isEmpty(), i == 5);
        EXPECT_EQ (content.sections[i].shortcuts.size(), i == 5 ? 4u : 0u);
    }

    EXPECT_EQ (content.sections[0].body, "Route Varne-T's MIDI output to an instrument, then start the DAW transport. Choose a performance in PERFORMANCE DICTIONARY to replace the selected Pattern.");
    EXPECT_EQ (content.sections[4].body, "Save in Projects. Use {} to copy or apply a complete project. Drag the export icon, or right-click for Copy / Save to Disk. Export covers the active Section; it skips Pattern Feel, Chance, Importance and Quantization.");

    const std::pair<const char*, const char*> shortcuts[] { { "Cmd/Ctrl + Z", "Undo" }, { "Cmd/Ctrl + Shift + Z", "Redo" },
                                                            { "Cmd/Ctrl + D", "Duplicate selected note" }, { "Delete / Backspace", "Delete selected note" } };
    for (size_t i = 0; i < 4; ++i)
    {
        EXPECT_EQ (content.sections[5].shortcuts[i].keys, shortcuts[i].first);
        EXPECT_EQ (content.sections[5].shortcuts[i].action, shortcuts[i].second);
    }
}
