// The live editor: following playback, the refresh, the status line and keys, the instance name,
// the performance dictionary and the unsaved-changes marker.

#include "editor/PluginEditor.h"
#include "editor/EditorWidgets.h"
#include "model/DefaultProject.h"
#include "model/BuiltInPerformances.h"
#include "model/ProjectJson.h"
#include "plugin/SectionParameter.h"
#include "support/ProbeHost.h"
#include "support/TemporaryHome.h"
#include "support/gui/GuiTestBench.h"

#include <gtest/gtest.h>

namespace gui = testing_support::gui;

class VarneTLiveEditorTestAccess
{
public:
    using Editor = VarneTAudioProcessorEditor;
    explicit VarneTLiveEditorTestAccess (Editor& e) : editor (e) {}
    Editor& editor;

    void tick() { editor.timerCallback(); }
    int shownSection() const { return editor.shownSectionIndex; }
    int shownPattern() const { return editor.shownPatternIndex; }
    int& selectedPattern() { return editor.selectedPatternIndex; }
    double playhead() const { return editor.timeline.playheadBeat; }
    int patternStripPlaying() const { return editor.patternStrip.getPlayingIndex(); }
    float sectionProgress() const { return editor.sectionStrip.getProgress(); }
    juce::String bottomLine() const { return editor.bottomLineLabel.getText(); }
    juce::Colour bottomLineColour() const { return editor.bottomLineLabel.findColour (juce::Label::textColourId); }
    juce::String info() const { return editor.patternInfoLabel.getText(); }
    juce::String title() const { return editor.patternTitleLabel.getText(); }
    juce::String projectsText() const { return editor.projectsButton.getButtonText(); }
    juce::TextEditor& instanceField() { return editor.instanceNameField; }
    juce::TextEditor& sectionRenameField() { return editor.sectionRenameField; }
    juce::ComboBox& filter() { return editor.dictionaryFilterBox; }
    juce::ListBox& list() { return editor.dictionaryList; }
    juce::ComboBox& pitchBox() { return editor.pitchBox; }
    juce::Slider& registerKnob() { return editor.registerKnob; }
    const std::vector<int>& rows() const { return editor.dictionaryRows; }
    VarneTTimelineCanvas& timeline() { return editor.timeline; }
    juce::Component* help() { return editor.helpOverlay.get(); }
    juce::Component* welcome() { return editor.welcomeDialog.get(); }
    juce::Button& writeButton() { return editor.writeButton; }
    juce::Slider& densitySlider() { return editor.densitySlider; }
    juce::Label& bottomLineLabel() { return editor.bottomLineLabel; }
    void showHelp() { editor.showHelp(); }
    void helpDockFor (juce::Component* c) { editor.updateHelpDock (c); }

    void showStatus (const juce::String& t) { editor.showStatus (t); }
    void showError (const juce::String& t) { editor.showError (t); }
    bool key (const juce::KeyPress& k) { return editor.keyPressed (k); }
    void commitInstanceName() { editor.commitInstanceName(); }
    void beginSectionRename (int i) { editor.beginSectionRename (i); }
    void commitSectionRename() { editor.commitSectionRename(); }
    void refresh() { editor.refreshFromProcessor(); }
    void pick (int row) { editor.dictionaryList.selectRow (row); }

    /** Focuses the instance field with a real click, which also gives the window the focus. */
    static bool clickInto (juce::Component& c)
    {
        if (auto* e = c.findParentComponentOfClass<VarneTAudioProcessorEditor>())
            e->setInspectorMode (0);
        return gui::input::moveToCentreOf (c) && gui::pumpUntil ([&] { return c.isMouseOver (true); }) && gui::input::click()
            && gui::pumpUntil ([&] { return c.hasKeyboardFocus (true); });
    }
};

namespace
{
using Access = VarneTLiveEditorTestAccess;

struct AnsweredProcessor : VarneTAudioProcessor
{
    AnsweredProcessor() { getTelemetryClient().markWelcomeSeen(); }
};

/** Counts what the processor tells the host. */
struct HostCounter : juce::AudioProcessorListener
{
    int parameterChanges = 0;
    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override { ++parameterChanges; }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
};

VarneT::Pattern patternOf (double beats, const juce::String& name)
{
    auto p = VarneT::makeDefaultProject().sections.front().sequence.front();
    p.name = name;
    p.lengthBeats = beats;
    return p;
}

/** Sections of `patternsPerSection` 4-beat Patterns each. */
VarneT::Project projectWith (int sections, int patternsPerSection)
{
    auto project = VarneT::makeDefaultProject();
    auto section = project.sections.front();
    project.sections.clear();
    for (int s = 0; s < sections; ++s)
    {
        section.name = "Section " + juce::String (s + 1);
        section.sequence.clear();
        for (int p = 0; p < patternsPerSection; ++p)
            section.sequence.push_back (patternOf (4.0, "P" + juce::String (s + 1) + "." + juce::String (p + 1)));
        project.sections.push_back (section);
    }
    return project;
}

SectionParameter& sectionParameterOf (juce::AudioProcessor& p)
{
    for (auto* param : p.getParameters())
        if (auto* s = dynamic_cast<SectionParameter*> (param))
            return *s;
    throw std::runtime_error ("no Section parameter");
}

juce::String jsonOf (const VarneTAudioProcessor& p) { return juce::JSON::toString (p.getProjectVar()); }

/** Runs one stopped block; true when it released what sounds (a release always lifts the pedal at sample 0). */
bool nextBlockReleases (VarneTAudioProcessor& p)
{
    juce::AudioBuffer<float> audio (0, 512);
    juce::MidiBuffer midi;
    p.processBlock (audio, midi);
    for (const auto m : midi)
        if (m.samplePosition == 0 && m.getMessage().isControllerOfType (64) && m.getMessage().getControllerValue() == 0)
            return true;
    return false;
}

/** Holds the project's own release back for one edit: it waits while a playback-mode switch is pending. */
void holdBackTheProjectsRelease (VarneTAudioProcessor& p)
{
    p.requestPlaybackMode (p.getProjectCopy().sectionPlaybackMode == VarneT::SectionPlaybackMode::advanceSections);
}

struct LiveEditor : ::testing::Test
{
    ~LiveEditor() override { close(); }

    void open()
    {
        editor = std::make_unique<VarneTAudioProcessorEditor> (processor);
        access = std::make_unique<Access> (*editor);
    }

    void close()
    {
        if (editor != nullptr)
            processor.editorBeingDeleted (editor.get());
        access.reset();
        editor.reset();
    }

    void apply (const VarneT::Project& project)
    {
        ASSERT_EQ (processor.applyProjectEdit (project, false), "");
        gui::flushMessages();
    }

    testing_support::TemporaryHome home { testing_support::TemporaryHome::TemporaryFolder::inside };
    AnsweredProcessor processor;
    std::unique_ptr<VarneTAudioProcessorEditor> editor;
    std::unique_ptr<Access> access;
};
} // namespace

//==============================================================================
TEST_F (LiveEditor, FollowsPlaybackInAutoAdvanceWithoutTellingTheHost)
{
    apply (projectWith (3, 2));
    open();
    auto& param = sectionParameterOf (processor);
    param.setValueNotifyingHost (param.indexToValue (3)); // Auto-Advance
    ASSERT_TRUE (processor.isAutoAdvanceSelected());

    HostCounter host;
    processor.addListener (&host);

    // Each Section plays 8 beats; at 120 bpm the second Pattern of Section 2 starts at beat 12.
    probe::RenderSession session (processor, 48000.0, 512);
    bool reached = false;
    for (int block = 0; block < 2000 && ! reached; ++block)
    {
        session.run (512);
        reached = processor.getPlayingSection() == 1 && processor.getPlayingPattern() == 1;
    }
    ASSERT_TRUE (reached);

    access->tick();
    EXPECT_EQ (processor.getProjectCopy().activeSectionIndex, 1);
    EXPECT_EQ (access->shownSection(), 1);
    EXPECT_EQ (access->shownPattern(), 1);
    EXPECT_GE (access->playhead(), 0.0);
    EXPECT_EQ (access->patternStripPlaying(), 1);
    EXPECT_GT (access->sectionProgress(), 0.0f);
    EXPECT_EQ (host.parameterChanges, 0);
    processor.removeListener (&host);

    // Outside Auto-Advance the timeline stays put and shows the playhead only while its Pattern plays.
    param.setValueNotifyingHost (param.indexToValue (1));
    access->selectedPattern() = 0;
    access->refresh();
    session.run (512);
    access->tick();
    const auto playing = processor.getPlayingPattern();
    EXPECT_EQ (access->shownPattern(), 0);
    EXPECT_EQ (access->playhead() >= 0.0, playing == 0) << "playing Pattern " << playing;
}

TEST_F (LiveEditor, InfoLineTitleAndPitchChoices)
{
    auto project = projectWith (1, 1);
    project.pitchSource = VarneT::PitchSource::chordInput;
    project.sections[0].sequence[0].lengthBeats = 20.0;
    apply (project);
    open();
    EXPECT_TRUE (access->info().endsWith ("  -  Long Pattern")) << access->info();
    EXPECT_TRUE (access->title().startsWith ("PATTERN 1  /  P1.1"));

    project.sections[0].sequence[0].lengthBeats = 16.0;
    apply (project);
    EXPECT_FALSE (access->info().contains ("Long Pattern"));

    // Chord source: four sub-menus; scale source: degrees of the scale and 128 fixed notes.
    EXPECT_EQ (access->pitchBox().getRootMenu()->getNumItems(), 4);
    project.pitchSource = VarneT::PitchSource::scale;
    project.scale.name = "Major";
    auto& note = project.sections[0].sequence[0].notes.front();
    note.target.basis = VarneT::TargetBasis::chord;
    note.target.index = 9;
    note.octave = 0;
    apply (project);
    std::function<int (const juce::PopupMenu&)> leaves = [&] (const juce::PopupMenu& m)
    {
        int n = 0;
        for (juce::PopupMenu::MenuItemIterator it (m); it.next();)
            n += it.getItem().subMenu != nullptr ? leaves (*it.getItem().subMenu) : (it.getItem().itemID != 0 ? 1 : 0);
        return n;
    };
    std::vector<int> counts;
    for (juce::PopupMenu::MenuItemIterator it (*access->pitchBox().getRootMenu()); it.next();)
        counts.push_back (it.getItem().subMenu != nullptr ? leaves (*it.getItem().subMenu) : -1);
    EXPECT_EQ (counts, (std::vector<int> { 7, 128 }));

    access->timeline().selectedIndex = 0;
    editor->updateSelectedNoteControls();
    EXPECT_EQ (access->pitchBox().getSelectedId(), pitchChoiceId ((int) VarneT::TargetBasis::scale, 2));
    EXPECT_EQ ((int) access->registerKnob().getValue(), 1);
}

TEST_F (LiveEditor, TypingInTheInstanceFieldSurvivesAChangeBroadcast)
{
    open();
    gui::DesktopWindow window (*editor);
    ASSERT_TRUE (Access::clickInto (access->instanceField()));
    access->instanceField().setText ("Typed", juce::dontSendNotification);
    auto project = processor.getProjectCopy();
    project.sections[0].name = "Other";
    apply (project);
    EXPECT_EQ (access->instanceField().getText(), "Typed");
}

TEST_F (LiveEditor, StatusAndErrorTimingsStepThroughTheTimer)
{
    open();
    access->showStatus ("Saved");
    for (int i = 0; i < 40; ++i)
        access->tick();
    EXPECT_EQ (access->bottomLine(), "Saved");
    access->showError ("Broken");
    for (int i = 0; i < 120; ++i)
    {
        access->tick();
        ASSERT_EQ (access->bottomLine(), "ERROR - Broken") << "tick " << i;
    }
    EXPECT_EQ (access->bottomLineColour(), VarneTTheme::colour (VarneTTheme::Palette::error));
    access->tick();
    EXPECT_NE (access->bottomLine(), "ERROR - Broken");
}

TEST_F (LiveEditor, KeyTable)
{
    open();
    auto& undo = processor.getUndoManager();
    auto project = processor.getProjectCopy();
    project.sections[0].name = "Renamed";
    ASSERT_EQ (processor.applyProjectEdit (project, true), "");
    ASSERT_TRUE (undo.canUndo());

    const auto ctrl = juce::ModifierKeys::commandModifier, shift = juce::ModifierKeys::shiftModifier, alt = juce::ModifierKeys::altModifier;
    struct Row { int code; int mods; bool consumed; };
    const Row ignored[] {
        { 'Z', ctrl | alt, false }, { 'D', ctrl | shift, false }, { juce::KeyPress::deleteKey, shift, false },
        { 'X', ctrl, false }, { juce::KeyPress::spaceKey, 0, false },
    };
    const auto before = jsonOf (processor);
    for (const auto& row : ignored)
        EXPECT_EQ (access->key (juce::KeyPress (row.code, juce::ModifierKeys (row.mods), 0)), row.consumed) << row.code;
    EXPECT_EQ (jsonOf (processor), before);

    // In a text field a shortcut is swallowed without effect.
    gui::DesktopWindow window (*editor);
    ASSERT_TRUE (Access::clickInto (access->instanceField()));
    const auto notes = access->timeline().pattern.notes.size();
    access->timeline().selectedIndex = 0;
    EXPECT_TRUE (access->key (juce::KeyPress ('D', juce::ModifierKeys (ctrl), 0)));
    EXPECT_EQ (access->timeline().pattern.notes.size(), notes);

    // Space gives the focus away and leaves the key to the host.
    EXPECT_FALSE (access->key (juce::KeyPress (juce::KeyPress::spaceKey)));
    EXPECT_FALSE (editor->hasKeyboardFocus (true));

    // Every overlay swallows the shortcuts.
    for (auto* overlay : { access->help(), access->welcome() })
    {
        overlay->setVisible (true);
        EXPECT_TRUE (access->key (juce::KeyPress ('Z', juce::ModifierKeys (ctrl), 0)));
        EXPECT_TRUE (undo.canUndo());
        overlay->setVisible (false);
    }

    // Otherwise Ctrl+Z undoes through the real keyboard.
    editor->grabKeyboardFocus();
    ASSERT_TRUE (gui::pumpUntil ([&] { return editor->hasKeyboardFocus (false); }));
    ASSERT_TRUE (gui::input::key ("ctrl+z"));
    EXPECT_TRUE (gui::pumpUntil ([&] { return processor.getProjectCopy().sections[0].name != "Renamed"; }));
}

TEST_F (LiveEditor, InstanceNameLimitsAndMessages)
{
    open();
    const auto original = processor.getProjectCopy().identityName;
    struct Row { juce::String typed; juce::String line; juce::String name; };
    const auto threeByte = juce::String::repeatedString (juce::String::charToString ((juce::juce_wchar) 0x20ac), 86);
    const auto ascii = juce::String::repeatedString ("a", 256);
    const Row rows[] {
        { "   ", "ERROR - Instance Name cannot be empty", original },
        { threeByte, "ERROR - Instance Name must be at most 256 bytes", original },
        { ascii, "Instance renamed to " + ascii, ascii },
    };
    for (const auto& row : rows)
    {
        access->instanceField().setText (row.typed, juce::dontSendNotification);
        access->commitInstanceName();
        access->tick();
        EXPECT_EQ (access->bottomLine(), row.line);
        EXPECT_EQ (processor.getProjectCopy().identityName, row.name);
    }
}

TEST_F (LiveEditor, EmptySectionRenameIsRefusedAndReturnThenFocusLossCommitsOnce)
{
    open();
    gui::DesktopWindow window (*editor);
    auto& undo = processor.getUndoManager();

    access->beginSectionRename (0);
    access->sectionRenameField().setText ("  ", juce::dontSendNotification);
    access->commitSectionRename();
    access->tick();
    EXPECT_EQ (access->bottomLine(), "ERROR - Section name cannot be empty");
    EXPECT_EQ (processor.getProjectCopy().sections[0].name, "Section 1");

    undo.clearUndoHistory();
    ASSERT_TRUE (Access::clickInto (access->instanceField()));
    access->beginSectionRename (0);
    ASSERT_TRUE (gui::pumpUntil ([&] { return access->sectionRenameField().hasKeyboardFocus (false); }));
    ASSERT_TRUE (gui::input::type ("Verse"));
    ASSERT_TRUE (gui::input::key ("Return"));
    ASSERT_TRUE (gui::pumpUntil ([&] { return processor.getProjectCopy().sections[0].name == "Verse"; }));
    gui::flushMessages();
    EXPECT_EQ (undo.getNumActionsInCurrentTransaction(), 1);
    EXPECT_TRUE (undo.undo());
    EXPECT_FALSE (undo.canUndo());
}

TEST_F (LiveEditor, DictionaryFilterGroupsByCategoryInFirstAppearanceOrder)
{
    open();
    const auto& all = VarneT::builtInPerformances();
    juce::StringArray categories;
    for (const auto& p : all)
        categories.addIfNotAlreadyThere (p.category);

    ASSERT_EQ (access->filter().getNumItems(), categories.size() + 1);
    std::vector<int> expected;
    for (const auto& c : categories)
        for (int i = 0; i < (int) all.size(); ++i)
            if (all[(size_t) i].category == c)
                expected.push_back (i);
    EXPECT_EQ (access->rows(), expected);

    for (int item = 0; item < categories.size(); ++item)
    {
        access->filter().setSelectedId (item + 2);
        gui::flushMessages();
        ASSERT_FALSE (access->rows().empty());
        for (auto i : access->rows())
            EXPECT_EQ (all[(size_t) i].category, categories[item]);
    }
}

TEST_F (LiveEditor, DictionaryLoadsALongPerformanceAsFragments)
{
    apply (projectWith (1, 10));
    open();
    const auto& all = VarneT::builtInPerformances();
    auto rowOfLength = [&] (double beats)
    {
        for (int r = 0; r < (int) access->rows().size(); ++r)
            if (std::abs (all[(size_t) access->rows()[(size_t) r]].lengthBeats - beats) < 1e-9)
                return r;
        return -1;
    };
    const auto longRow = rowOfLength (96.0), shortRow = rowOfLength (4.0);
    ASSERT_GE (longRow, 0);
    ASSERT_GE (shortRow, 0);

    // The first load also asks the audio thread to release what sounds; later loads do not. The
    // project's own release (content changed) is held back, so only the editor's request shows.
    processor.prepareToPlay (48000.0, 512);
    for (int i = 0; i < 3; ++i)
        nextBlockReleases (processor);
    ASSERT_FALSE (nextBlockReleases (processor));
    ASSERT_FALSE (processor.isAuditionEnabled());
    holdBackTheProjectsRelease (processor);
    access->pick (longRow);
    EXPECT_TRUE (nextBlockReleases (processor));
    EXPECT_EQ (processor.getProjectCopy().sections[0].sequence.size(), 15u);
    access->tick();
    EXPECT_TRUE (access->bottomLine().endsWith ("' as 6 Patterns; audition follows the DAW transport")) << access->bottomLine();
    EXPECT_TRUE (processor.isAuditionEnabled());
    EXPECT_TRUE (processor.getUndoManager().canUndo());

    holdBackTheProjectsRelease (processor);
    access->pick (shortRow);
    EXPECT_FALSE (nextBlockReleases (processor));
    EXPECT_EQ (processor.getProjectCopy().sections[0].sequence.size(), 15u);

    // Near the limit: an error and the same project.
    const auto before = jsonOf (processor);
    access->pick (longRow);
    access->tick();
    EXPECT_TRUE (access->bottomLine().startsWith ("ERROR - ")) << access->bottomLine();
    EXPECT_EQ (jsonOf (processor), before);
}

TEST_F (LiveEditor, AReopenedEditorStillKnowsTheProjectIsModified)
{
    apply (projectWith (2, 1));
    open();
    access->tick();
    EXPECT_EQ (access->projectsText(), "Projects");

    // Switching only the active Section is not a change.
    auto project = processor.getProjectCopy();
    project.activeSectionIndex = 1;
    apply (project);
    access->tick();
    ASSERT_TRUE (gui::pumpUntil ([&] { access->tick(); return access->projectsText() == "Projects"; }, 2000));

    project.sections[0].sequence[0].notes.pop_back();
    ASSERT_EQ (processor.applyProjectEdit (project, true), "");
    ASSERT_TRUE (gui::pumpUntil ([&] { access->tick(); return access->projectsText() != "Projects"; }, 2000));

    close();
    open();
    EXPECT_EQ (access->projectsText(), juce::String (juce::CharPointer_UTF8 ("Projects \xe2\x80\xa2")));
}

TEST_F (LiveEditor, HelpLineFollowsTheRealPointer)
{
    open();
    gui::DesktopWindow window (*editor);
    auto& timeline = access->timeline();
    ASSERT_FALSE (timeline.pattern.notes.empty());

    auto lineUnder = [&] (juce::Component& c, juce::Point<int> local, const juce::String& expected)
    {
        gui::input::moveTo (c.localPointToGlobal (local));
        return gui::pumpUntil ([&] { access->tick(); return access->bottomLine() == expected; }, 5000);
    };

    auto& slider = access->densitySlider();
    EXPECT_TRUE (lineUnder (slider, slider.getLocalBounds().getCentre(), slider.getTooltip()));

    const auto note = timeline.noteBounds (0).toNearestInt().getCentre();
    ASSERT_TRUE (gui::input::moveTo (timeline.localPointToGlobal (note)));
    ASSERT_TRUE (gui::pumpUntil ([&] { access->tick(); return timeline.isMouseOver() && timeline.getTooltip().isNotEmpty(); }, 5000));
    EXPECT_EQ (access->bottomLine(), timeline.getTooltip());

    // An empty spot of the timeline: no note there, and the line is empty.
    juce::Point<int> empty;
    for (int y = timeline.getHeight() - 30; y > 0 && empty.isOrigin(); y -= 7)
        for (int x = timeline.getWidth() - 10; x > 60 && empty.isOrigin(); x -= 13)
            if (timeline.noteAt ({ (float) x, (float) y }) < 0)
                empty = { x, y };
    ASSERT_FALSE (empty.isOrigin());
    EXPECT_TRUE (lineUnder (timeline, empty, {})) << access->bottomLine();

    // Under an overlay the line stays below its backdrop: the help line rests while it is shown.
    auto* overlay = access->welcome();
    overlay->setBounds (overlay->getParentComponent()->getLocalBounds());
    overlay->setVisible (true);
    overlay->toFront (false);
    ASSERT_TRUE (gui::pumpUntil ([&] { return overlay->isShowing(); }));
    auto& line = access->bottomLineLabel();
    auto* parent = overlay->getParentComponent();
    ASSERT_EQ (parent, line.getParentComponent());
    std::function<juce::Component* (juce::Component&)> withTooltip = [&] (juce::Component& c) -> juce::Component*
    {
        for (auto* child : c.getChildren())
        {
            if (auto* t = dynamic_cast<juce::TooltipClient*> (child); t != nullptr && child->isShowing() && t->getTooltip().isNotEmpty())
                return child;
            if (auto* found = withTooltip (*child))
                return found;
        }
        return nullptr;
    };
    auto* button = withTooltip (*overlay);
    ASSERT_NE (button, nullptr) << "the overlay has no control with a tooltip";
    access->helpDockFor (button);
    access->tick();
    EXPECT_GT (parent->getIndexOfChildComponent (overlay), parent->getIndexOfChildComponent (&line));
    EXPECT_EQ (access->bottomLine(), "");
}
