// The editor's edits: strip, menu, note and inspector actions driven through the editor's own
// handlers on a real processor, each checked by the project it leaves, its status text and the
// number of Undo presses that bring the project back.

#include "editor/EditorWidgets.h"
#include "editor/PluginEditor.h"
#include "model/DefaultProject.h"
#include "model/ProjectComparison.h"
#include "model/ProjectJson.h"
#include "model/ProjectValidation.h"
#include "plugin/SectionParameter.h"
#include "support/TemporaryHome.h"
#include "support/gui/GuiTestBench.h"

#include <gtest/gtest.h>

class VarneTEditorActionsTestAccess
{
public:
    using Editor = VarneTAudioProcessorEditor;
    explicit VarneTEditorActionsTestAccess (Editor& e) : editor (e) {}
    Editor& editor;

    // The status the last action set (the timer shows it on the bottom line), without the error prefix.
    juce::String status() const
    {
        const auto& text = editor.statusText;
        return text.startsWith ("ERROR - ") ? text.substring (8) : text;
    }
    int& selectedPattern() { return editor.selectedPatternIndex; }
    VarneTTimelineCanvas& timeline() { return editor.timeline; }
    void refresh() { editor.refreshFromProcessor(); }

    void addPattern() { editor.addPattern(); }
    void addSection() { editor.addSection(); }
    void selectPattern (int i) { editor.selectPattern (i); }
    void selectSection (int i) { editor.selectSection (i); }
    void movePattern (int from, int to) { editor.movePattern (from, to); }
    void moveSection (int from, int to) { editor.moveSection (from, to); }
    void patternMenu (int i, int id) { editor.handlePatternTileMenuResult (i, id); }
    void sectionMenu (int i, int id) { editor.handleSectionTileMenuResult (i, processor().getProjectCopy().sections[(size_t) i].repeatCount, id); }
    void optionsMenu (int id) { editor.handlePatternOptionsResult (id); }
    void setPatternRepeat (int i, int n) { editor.setPatternRepeatCount (i, n); }
    void write() { editor.writeProjectChanges(); }
    void revert() { editor.revertProjectChanges(); }
    void undo() { editor.undoClicked(); }
    void autoAdvance (bool on)
    {
        editor.autoAdvanceButton.setToggleState (on, juce::dontSendNotification);
        editor.toggleAutoAdvance();
    }
    void renamePattern (int i, const juce::String& name)
    {
        editor.patternTileDoubleClicked (i);
        editor.patternRenameField.setText (name);
        editor.patternRenameFinished();
    }
    void typeIntoPatternRename (int i, const juce::String& name)
    {
        editor.patternTileDoubleClicked (i);
        editor.patternRenameField.setText (name);
    }
    void beginSectionRename (int i) { editor.sectionTileDoubleClicked (i); }
    juce::TextEditor& patternRenameField() { return editor.patternRenameField; }
    juce::TextEditor& sectionRenameField() { return editor.sectionRenameField; }

    juce::PopupMenu optionsMenuBuilt() const { return editor.buildPatternOptionsMenu(); }
    juce::PopupMenu sectionMenuBuilt (int i) const { return editor.buildSectionTileMenu (i); }
    juce::PopupMenu patternMenuBuilt (int i) const { return editor.buildPatternTileMenu (i); }

    void selectNote (int i)
    {
        editor.timeline.selectedIndex = i;
        editor.canvasSelectionChanged();
    }
    juce::ComboBox& pitchBox() { return editor.pitchBox; }
    juce::Slider& registerKnob() { return editor.registerKnob; }
    juce::Slider& velocitySlider() { return editor.velocitySlider; }
    juce::Slider& densitySlider() { return editor.densitySlider; }
    void choosePitch (int id)
    {
        editor.pitchBox.setSelectedId (id, juce::dontSendNotification);
        editor.applySelectedNotePitch();
    }
    void setRegister (int value)
    {
        editor.registerKnob.setValue (value, juce::dontSendNotification);
        editor.applySelectedNoteRegister();
    }
    void loadNoteControls() { editor.updateSelectedNoteControls(); }

    VarneTAudioProcessor& processor() { return editor.processor; }
    VarneTSequenceStrip& sectionStrip() { return editor.sectionStrip; }
    VarneTSequenceStrip& patternStrip() { return editor.patternStrip; }
    juce::Button& undoButton() { return editor.undoButton; }
    juce::Button& redoButton() { return editor.redoButton; }
    juce::Component& popupHost() { return editor.popupHost; }
};

namespace
{
using Access = VarneTEditorActionsTestAccess;
using VarneT::Project;

struct AnsweredProcessor : VarneTAudioProcessor
{
    AnsweredProcessor() { getTelemetryClient().markWelcomeSeen(); }
};

VarneT::NoteEvent noteAt (double beat, const juce::String& id)
{
    VarneT::NoteEvent n;
    n.id = id;
    n.startBeat = beat;
    n.durationBeats = 0.5;
    return n;
}

/** A Section of `count` Patterns copied from the default project's first, renamed and emptied
    but for one note, each `beats` long. */
VarneT::Section sectionOf (const juce::String& name, int count, double beats = 4.0)
{
    const auto base = VarneT::makeDefaultProject().sections[0].sequence[0];
    VarneT::Section s;
    s.name = name;
    for (int i = 0; i < count; ++i)
    {
        auto p = base;
        p.name = "P" + juce::String (i + 1);
        p.lengthBeats = beats;
        p.notes = { noteAt (0.0, "n1") };
        p.pedal.clear();
        s.sequence.push_back (p);
    }
    return s;
}

Project projectOf (std::initializer_list<int> patternCounts, double beats = 4.0)
{
    auto project = VarneT::makeDefaultProject();
    project.sections.clear();
    int i = 0;
    for (const auto n : patternCounts)
        project.sections.push_back (sectionOf ("S" + juce::String (++i), n, beats));
    project.activeSectionIndex = 0;
    return project;
}

bool same (const Project& a, const Project& b) { return VarneT::sameApartFromSelection (a, b) && a.activeSectionIndex == b.activeSectionIndex; }

struct EditorActions : ::testing::Test
{
    ~EditorActions() override { processor.editorBeingDeleted (editor.get()); }

    void start (const Project& project, int selected = 0)
    {
        ASSERT_EQ (processor.applyProjectEdit (project, false), juce::String());
        processor.markProjectClean();
        processor.getUndoManager().clearUndoHistory();
        access.selectedPattern() = selected;
        access.refresh();
    }

    /** Undo presses until the project equals `start`; -1 when it never does within 10. */
    int undoPressesBackTo (const Project& startProject)
    {
        for (int presses = 0; presses <= 10; ++presses)
        {
            if (same (processor.getProjectCopy(), startProject))
                return presses;
            access.undo();
        }
        return -1;
    }

    testing_support::TemporaryHome home { testing_support::TemporaryHome::TemporaryFolder::inside };
    AnsweredProcessor processor;
    std::unique_ptr<VarneTAudioProcessorEditor> editor = std::make_unique<VarneTAudioProcessorEditor> (processor);
    Access access { *editor };
};

const VarneT::Section& active (const Project& p) { return p.sections[(size_t) p.clampedActiveSectionIndex()]; }
} // namespace

//==============================================================================
TEST_F (EditorActions, ActionSequencesLeaveTheirProjectStatusAndUndoSteps)
{
    struct Row
    {
        const char* name;
        Project project;
        int selected;
        std::function<void (Access&)> actions;
        std::function<void (const Project&, Access&)> check;
        juce::String status;
        int undoPresses;
    };

    auto withSustain = [] (Project p)
    {
        auto& pattern = p.sections[0].sequence[0];
        pattern.notes.push_back (noteAt (1.0, "pedal-user-3"));
        pattern.pedal = { { "pedal-a", 0.0, pattern.lengthBeats, 127 }, { "pedal-b", 1.0, 1.0, 100 } };
        return p;
    };
    auto withLateNote = [] (Project p)
    {
        p.sections[0].sequence[0].notes.push_back (noteAt (9.0, "n9"));
        return p;
    };

    const std::vector<Row> rows {
        { "add to a Section of 3", projectOf ({ 3 }), 1, [] (Access& a) { a.addPattern(); },
          [] (const Project& p, Access& a)
          {
              const auto& seq = active (p).sequence;
              ASSERT_EQ (seq.size(), 4u);
              EXPECT_EQ (seq[3].name, "Pattern 4");
              EXPECT_DOUBLE_EQ (seq[3].lengthBeats, 4.0);
              EXPECT_TRUE (seq[3].notes.empty() && seq[3].pedal.empty());
              EXPECT_EQ (seq[3].voices.size(), seq[1].voices.size());
              EXPECT_EQ (seq[3].quantization, seq[1].quantization);
              EXPECT_EQ (a.selectedPattern(), 3);
          }, "Added Pattern 4", 1 },
        { "add at 16 does nothing", projectOf ({ 16 }), 0, [] (Access& a) { a.addPattern(); },
          [] (const Project& p, Access&) { EXPECT_EQ (active (p).sequence.size(), 16u); }, "", 0 },
        { "first of 4 to gap 4", projectOf ({ 4 }), 0, [] (Access& a) { a.movePattern (0, 4); },
          [] (const Project& p, Access& a)
          {
              EXPECT_EQ (active (p).sequence[3].name, "P1");
              EXPECT_EQ (a.selectedPattern(), 3);
          }, "Moved Pattern to position 4", 1 },
        { "first of 4 to gaps 0 and 1", projectOf ({ 4 }), 0, [] (Access& a) { a.movePattern (0, 0); a.movePattern (0, 1); },
          [] (const Project& p, Access&) { EXPECT_EQ (active (p).sequence[0].name, "P1"); }, "", 0 },
        { "delete the selected last of 3", projectOf ({ 3 }), 2, [] (Access& a) { a.patternMenu (2, 3); },
          [] (const Project& p, Access& a)
          {
              EXPECT_EQ (active (p).sequence.size(), 2u);
              EXPECT_EQ (a.selectedPattern(), 1);
          }, "Deleted Pattern 3; Undo restores it", 1 },
        { "delete before the selection", projectOf ({ 3 }), 2, [] (Access& a) { a.patternMenu (0, 3); },
          [] (const Project& p, Access& a)
          {
              EXPECT_EQ (active (p).sequence[(size_t) a.selectedPattern()].name, "P3");
          }, "Deleted Pattern 1; Undo restores it", 1 },
        { "duplicate a Pattern", projectOf ({ 2 }), 0, [] (Access& a) { a.patternMenu (0, 2); },
          [] (const Project& p, Access& a)
          {
              EXPECT_EQ (active (p).sequence[1].name, "P1");
              EXPECT_EQ (a.selectedPattern(), 1);
          }, "Duplicated Pattern 2", 1 },
        { "two additions are one step", projectOf ({ 2 }), 0, [] (Access& a) { a.addPattern(); a.addPattern(); },
          [] (const Project& p, Access&) { EXPECT_EQ (active (p).sequence.size(), 4u); }, "Added Pattern 4", 1 },
        { "Write between two additions", projectOf ({ 2 }), 0, [] (Access& a) { a.addPattern(); a.write(); a.addPattern(); },
          [] (const Project& p, Access&) { EXPECT_EQ (active (p).sequence.size(), 4u); }, "Added Pattern 4", 2 },
        { "Revert with nothing to revert", projectOf ({ 2 }), 0, [] (Access& a) { a.revert(); },
          [] (const Project& p, Access&) { EXPECT_EQ (active (p).sequence.size(), 2u); }, "Project changes reverted", 0 },
        { "Revert after an addition", projectOf ({ 2 }), 0, [] (Access& a) { a.addPattern(); a.revert(); },
          [] (const Project& p, Access&) { EXPECT_EQ (active (p).sequence.size(), 2u); }, "Project changes reverted", 0 },
        { "repeat count", projectOf ({ 2 }), 0, [] (Access& a) { a.setPatternRepeat (1, 3); },
          [] (const Project& p, Access&) { EXPECT_EQ (active (p).sequence[1].repeatCount, 3); }, "", 1 },
        { "repeat count outside 1..8 refused", projectOf ({ 2 }), 0, [] (Access& a) { a.setPatternRepeat (1, 9); },
          [] (const Project& p, Access&) { EXPECT_EQ (active (p).sequence[1].repeatCount, 1); },
          "$.sections[0].sequence[1].repeatCount: must be between 1 and 8", 0 },
        { "rename", projectOf ({ 2 }), 0, [] (Access& a) { a.renamePattern (1, "  Verse  "); },
          [] (const Project& p, Access&) { EXPECT_EQ (active (p).sequence[1].name, "Verse"); }, "Pattern renamed to Verse", 1 },
        { "rename to nothing refused", projectOf ({ 2 }), 0, [] (Access& a) { a.renamePattern (1, " "); },
          [] (const Project& p, Access&) { EXPECT_EQ (active (p).sequence[1].name, "P2"); }, "Pattern name cannot be empty", 0 },
        { "rename to the same name does nothing", projectOf ({ 2 }), 0, [] (Access& a) { a.renamePattern (1, " P2 "); },
          [] (const Project& p, Access& a)
          {
              EXPECT_EQ (active (p).sequence[1].name, "P2");
              EXPECT_FALSE (a.processor().getUndoManager().canUndo());
          }, "", 0 },
        { "the rename field covers its tile but the border, in front of the repeat button", projectOf ({ 2 }), 0,
          [] (Access& a) { a.typeIntoPatternRename (1, "Open"); },
          [] (const Project&, Access& a)
          {
              auto& field = a.patternRenameField();
              EXPECT_TRUE (field.isVisible());
              EXPECT_EQ (field.getBounds(), a.patternStrip().getTileBounds (1).reduced (2));
              EXPECT_EQ (a.patternStrip().getChildren().getLast(), &field);
          }, "", 0 },
        { "a Section rename begun abandons the open Pattern rename", projectOf ({ 2 }), 0,
          [] (Access& a) { a.typeIntoPatternRename (1, "Typed"); a.beginSectionRename (0); },
          [] (const Project& p, Access& a)
          {
              EXPECT_EQ (active (p).sequence[1].name, "P2");
              EXPECT_FALSE (a.patternRenameField().isVisible());
              EXPECT_TRUE (a.sectionRenameField().isVisible());
          }, "", 0 },
        { "add a Section to 2", projectOf ({ 1, 2 }), 0, [] (Access& a) { a.addSection(); },
          [] (const Project& p, Access&)
          {
              ASSERT_EQ (p.sections.size(), 3u);
              EXPECT_EQ (p.sections[2].name, "Section 3");
              EXPECT_EQ (p.activeSectionIndex, 2);
              EXPECT_EQ (p.sections[2].sequence.size(), 1u);
              EXPECT_EQ (p.sections[2].sequence[0].notes.size(), 1u);
          }, "Added Section 3", 1 },
        { "select a Section", projectOf ({ 1, 2 }), 0, [] (Access& a) { a.selectSection (1); },
          [] (const Project& p, Access&) { EXPECT_EQ (p.activeSectionIndex, 1); }, "Active section: S2", -1 }, // not undoable
        { "click the active Section", projectOf ({ 1, 2 }), 0, [] (Access& a) { a.selectSection (0); },
          [] (const Project& p, Access&) { EXPECT_EQ (p.activeSectionIndex, 0); }, "", 0 },
        { "move the active Section last", projectOf ({ 1, 2, 3 }), 0, [] (Access& a) { a.moveSection (0, 3); },
          [] (const Project& p, Access&)
          {
              EXPECT_EQ (p.sections[2].name, "S1");
              EXPECT_EQ (p.activeSectionIndex, 2);
          }, "Moved Section to position 3", 1 },
        { "duplicate a Section", projectOf ({ 1, 2 }), 0, [] (Access& a) { a.sectionMenu (1, 2); },
          [] (const Project& p, Access&)
          {
              EXPECT_EQ (p.sections[2].name, "S2");
              EXPECT_EQ (p.activeSectionIndex, 2);
          }, "Duplicated section S2", 1 },
        { "delete a Section after the active", projectOf ({ 1, 2 }), 0, [] (Access& a) { a.sectionMenu (1, 3); },
          [] (const Project& p, Access&)
          {
              EXPECT_EQ (p.sections.size(), 1u);
              EXPECT_EQ (p.activeSectionIndex, 0);
          }, "Deleted S2; Undo restores it", 1 },
        { "delete the only Section", projectOf ({ 2 }), 0, [] (Access& a) { a.sectionMenu (0, 3); },
          [] (const Project& p, Access&)
          {
              ASSERT_EQ (p.sections.size(), 1u);
              EXPECT_EQ (p.sections[0].name, "Section 1");
          }, "Deleted S1; Undo restores it", 1 },
        { "Section repeat from the menu", projectOf ({ 1 }), 0, [] (Access& a) { a.sectionMenu (0, 103); a.sectionMenu (0, 103); },
          [] (const Project& p, Access&) { EXPECT_EQ (p.sections[0].repeatCount, 3); }, "", 1 },
        { "Set Length refused with its count", withLateNote (projectOf ({ 1 }, 16.0)), 0, [] (Access& a) { a.optionsMenu (202); },
          [] (const Project& p, Access&) { EXPECT_DOUBLE_EQ (p.sections[0].sequence[0].lengthBeats, 16.0); },
          "Cannot set this Pattern to 2 bars: 1 note or sustain events start beyond that length. Split the Pattern instead.", 0 },
        { "Set Length to the same does nothing", withLateNote (projectOf ({ 1 }, 16.0)), 0, [] (Access& a) { a.optionsMenu (204); },
          [] (const Project& p, Access&) { EXPECT_DOUBLE_EQ (p.sections[0].sequence[0].lengthBeats, 16.0); }, "", 0 },
        { "lengthening stretches a full sustain", withSustain (projectOf ({ 1 })), 0, [] (Access& a) { a.optionsMenu (202); },
          [] (const Project& p, Access&)
          {
              const auto& pattern = p.sections[0].sequence[0];
              EXPECT_DOUBLE_EQ (pattern.lengthBeats, 8.0);
              EXPECT_DOUBLE_EQ (pattern.pedal[0].durationBeats, 8.0);
              EXPECT_DOUBLE_EQ (pattern.pedal[1].durationBeats, 1.0);
          }, "Pattern length set to 2 bars", 1 },
        { "split in a Section of 14 refused", projectOf ({ 14 }, 16.0), 0, [] (Access& a) { a.optionsMenu (301); },
          [] (const Project& p, Access&) { EXPECT_EQ (p.sections[0].sequence.size(), 14u); },
          "Cannot split Pattern: the Section would contain 17 Patterns, above the limit of 16", 0 },
        { "split in a Section of 13", projectOf ({ 13 }, 16.0), 1, [] (Access& a) { a.optionsMenu (301); },
          [] (const Project& p, Access& a)
          {
              const auto& seq = p.sections[0].sequence;
              ASSERT_EQ (seq.size(), 16u);
              EXPECT_EQ (seq[0].name, "P1");
              for (int i = 1; i <= 4; ++i)
                  EXPECT_DOUBLE_EQ (seq[(size_t) i].lengthBeats, 4.0);
              EXPECT_EQ (seq[5].name, "P3");
              EXPECT_EQ (a.selectedPattern(), 1);
          }, "Split into 4 Patterns of up to 1 bar; Undo restores the original Pattern", 1 },
        { "sustain off removes both", [&] { auto p = withSustain (projectOf ({ 1 })); auto& pd = p.sections[0].sequence[0].pedal; pd[1] = { "pedal-c", 0.0, 4.0, 127 }; return p; }(), 0,
          [] (Access& a) { a.optionsMenu (100); },
          [] (const Project& p, Access&) { EXPECT_TRUE (p.sections[0].sequence[0].pedal.empty()); }, "Full-Pattern sustain removed", 1 },
        { "sustain on takes a free id", [&] { auto p = withSustain (projectOf ({ 1 })); p.sections[0].sequence[0].pedal[0].startBeat = 2.0; p.sections[0].sequence[0].pedal[0].durationBeats = 1.0; return p; }(), 0,
          [] (Access& a) { a.optionsMenu (100); },
          [] (const Project& p, Access&)
          {
              const auto& pedal = p.sections[0].sequence[0].pedal;
              ASSERT_EQ (pedal.size(), 3u);
              EXPECT_EQ (pedal[2].id, "pedal-user-4");
              EXPECT_DOUBLE_EQ (pedal[2].durationBeats, 4.0);
          }, "Full-Pattern sustain added", 1 },
        { "quantization is its own step", projectOf ({ 2 }), 0, [] (Access& a) { a.addPattern(); a.optionsMenu (2); },
          [] (const Project& p, Access&) { EXPECT_EQ ((int) p.sections[0].sequence[2].quantization, 1); }, "Added Pattern 3", 2 },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        start (row.project, row.selected);
        editor->showStatus ({});
        const auto startProject = processor.getProjectCopy();

        row.actions (access);

        row.check (processor.getProjectCopy(), access);
        EXPECT_EQ (access.status(), row.status);
        EXPECT_EQ (undoPressesBackTo (startProject), row.undoPresses);
    }
}

// Closing the window is a focus loss like any other: the typed name is kept.
TEST_F (EditorActions, ARenameStillOpenWhenTheEditorClosesIsCommitted)
{
    start (projectOf ({ 2 }));
    access.typeIntoPatternRename (1, "Bridge");
    processor.editorBeingDeleted (editor.get());
    editor.reset();
    EXPECT_EQ (processor.getProjectCopy().sections[0].sequence[1].name, "Bridge");
    EXPECT_TRUE (processor.getUndoManager().canUndo());
}

TEST_F (EditorActions, AutoAdvanceSetsTheHostParameterAndOffKeepsTheActiveSection)
{
    start (projectOf ({ 1, 1, 1 }));
    auto* parameter = processor.getSectionParameter();
    ASSERT_NE (parameter, nullptr);

    access.autoAdvance (true);
    EXPECT_EQ (processor.getProjectCopy().sectionPlaybackMode, VarneT::SectionPlaybackMode::advanceSections);
    EXPECT_FLOAT_EQ (parameter->getValue(), parameter->indexToValue (3));
    EXPECT_EQ (access.status(), "Following the DAW playhead through Sections");

    // Stopped with the third Section active: switching off points the host at that Section.
    access.autoAdvance (false);
    start (projectOf ({ 1, 1, 1 }));
    auto project = processor.getProjectCopy();
    project.activeSectionIndex = 2;
    ASSERT_TRUE (processor.applyProjectEdit (project, false).isEmpty());
    access.autoAdvance (true);
    access.autoAdvance (false);
    EXPECT_FLOAT_EQ (parameter->getValue(), parameter->indexToValue (2));
    EXPECT_EQ (processor.getProjectCopy().sectionPlaybackMode, VarneT::SectionPlaybackMode::loopSection);
    EXPECT_EQ (access.status(), "This section will repeat");
}

TEST_F (EditorActions, AFailedAutoAdvanceEditWithdrawsItsPlaybackModeRequest)
{
    // A project one byte under the size limit: the longer mode name no longer fits.
    auto project = projectOf ({ 1 });
    auto& sequence = project.sections[0].sequence;
    const auto size = [&project] { return (std::int64_t) VarneT::projectJsonTextBytes (project); };
    const auto limit = (std::int64_t) VarneT::maxProjectJsonBytes - 1;
    int nextId = 0;
    auto addNote = [&] (VarneT::Pattern& p) { p.notes.push_back (noteAt (0.0, "x" + juce::String (100000 + nextId++))); };

    addNote (sequence[0]);
    const auto before = size();
    addNote (sequence[0]);
    const auto perNote = size() - before;
    auto notesToAdd = (limit - size()) / perNote;
    for (int p = 0; notesToAdd > 0; ++p)
    {
        if (p >= (int) sequence.size())
            sequence.push_back (sequence[0]), sequence.back().notes.resize (1), sequence.back().name = "P" + juce::String (p + 1);
        for (; notesToAdd > 0 && sequence[(size_t) p].notes.size() < 2000; --notesToAdd)
            addNote (sequence[(size_t) p]);
    }
    while (size() > limit)
        sequence.back().notes.pop_back();
    for (auto& pattern : sequence)
    {
        const auto room = std::min<std::int64_t> (limit - size(), 200);
        pattern.name += juce::String::repeatedString ("a", (int) room);
    }
    ASSERT_EQ (size(), limit);
    start (project);

    // A refused edit changes nothing, so nothing is refreshed: a control out of step stays so.
    access.densitySlider().setValue (0.37, juce::dontSendNotification);
    access.autoAdvance (true);
    EXPECT_DOUBLE_EQ (access.densitySlider().getValue(), 0.37);
    EXPECT_EQ (processor.getPlaybackModeRequest(), -1);
    EXPECT_EQ (processor.getProjectCopy().sectionPlaybackMode, VarneT::SectionPlaybackMode::loopSection);
    EXPECT_TRUE (access.status().isNotEmpty());
    EXPECT_NE (access.status(), "Following the DAW playhead through Sections");
    EXPECT_FALSE (processor.getUndoManager().canUndo());
}

TEST_F (EditorActions, PitchItemsDecodeAndRegisterFolds)
{
    struct Row
    {
        int id;
        bool scaleSource;
        VarneT::NoteTarget before;
        int octaveBefore;
        VarneT::TargetBasis basis;
        int index, fixed, octave;
    };
    using B = VarneT::TargetBasis;
    const Row rows[] {
        { 289, false, { B::chord, 3, 60, 0 }, 0, B::scale, 0, 60, 0 },
        { 769, false, { B::chord, 3, 60, 0 }, 0, B::fixed, 3, 0, 0 },
        { 896, false, { B::chord, 3, 60, 0 }, 0, B::fixed, 3, 127, 0 },
        { 66, false, { B::chord, 3, 60, 0 }, 0, B::chord, 3, 60, 0 },
        { 0, false, { B::chord, 3, 60, 0 }, 0, B::chord, 3, 60, 0 },
        { 1025, false, { B::chord, 3, 60, 0 }, 0, B::chord, 3, 60, 0 },
        // Scale source, five-note scale: a chord-tone note at index 7 given degree 2.
        { pitchChoiceId (1, 2), true, { B::chord, 7, 60, 0 }, 0, B::chord, 2, 60, 1 },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.id);
        auto project = projectOf ({ 1 });
        project.pitchSource = row.scaleSource ? VarneT::PitchSource::scale : VarneT::PitchSource::chordInput;
        project.scale.name = row.scaleSource ? "Pentatonic Major" : "Major";
        auto& note = project.sections[0].sequence[0].notes[0];
        note.target = row.before;
        note.octave = row.octaveBefore;
        start (project);
        access.selectNote (0);
        access.choosePitch (row.id);

        const auto& after = processor.getProjectCopy().sections[0].sequence[0].notes[0];
        EXPECT_EQ (after.target.basis, row.basis);
        EXPECT_EQ (after.target.index, row.index);
        EXPECT_EQ (after.target.fixedMidiNote, row.fixed);
        EXPECT_EQ (after.octave, row.octave);
    }

    // Register +1 on a scale-degree note at index 9 under MIDI Chords.
    auto project = projectOf ({ 1 });
    project.pitchSource = VarneT::PitchSource::chordInput;
    project.sections[0].sequence[0].notes[0].target = { B::scale, 9, 60, 0 };
    start (project);
    access.selectNote (0);
    access.setRegister (1);
    const auto& after = processor.getProjectCopy().sections[0].sequence[0].notes[0];
    EXPECT_EQ (after.target.index, 2);
    EXPECT_EQ (after.octave, 1);
}

TEST_F (EditorActions, LoadingANotesValuesMakesNoEditAndASliderDragIsOneStep)
{
    start (projectOf ({ 1 }));
    struct Counter : juce::ChangeListener
    {
        void changeListenerCallback (juce::ChangeBroadcaster*) override { ++changes; }
        int changes = 0;
    } counter;
    processor.getUndoManager().addChangeListener (&counter);

    access.selectNote (0);
    access.loadNoteControls();
    testing_support::gui::flushMessages();
    EXPECT_EQ (counter.changes, 0);
    EXPECT_FALSE (processor.getUndoManager().canUndo());

    // A drag: the gesture's value changes join one step and each reaches the project.
    const auto startProject = processor.getProjectCopy();
    for (const auto v : { 90, 100, 110 })
    {
        access.velocitySlider().setValue (v, juce::sendNotificationSync);
        EXPECT_EQ (processor.getProjectCopy().sections[0].sequence[0].notes[0].velocity, v);
    }
    processor.getUndoManager().removeChangeListener (&counter);
    EXPECT_EQ (undoPressesBackTo (startProject), 1);
}

TEST_F (EditorActions, MenusMatchTheirCheckedInDumps)
{
    std::function<void (juce::String&, const std::vector<testing_support::gui::MenuEntry>&, int)> dump;
    dump = [&dump] (juce::String& out, const std::vector<testing_support::gui::MenuEntry>& entries, int depth)
    {
        for (const auto& e : entries)
        {
            out << juce::String::repeatedString ("  ", depth);
            if (e.separator)
                out << "----\n";
            else if (e.sectionHeader)
                out << "[" << e.text << "]\n";
            else
                out << e.id << " " << e.text << (e.enabled ? "" : " (disabled)") << (e.ticked ? " (ticked)" : "") << "\n";
            dump (out, e.subMenu, depth + 1);
        }
    };

    juce::String out;
    for (const auto beats : { 4.0, 16.0 })
    {
        start (projectOf ({ 2 }, beats));
        out << "# Pattern Options, " << (int) beats << " beats\n";
        dump (out, testing_support::gui::walkMenu (access.optionsMenuBuilt()), 0);
        out << "# Section tile\n";
        dump (out, testing_support::gui::walkMenu (access.sectionMenuBuilt (0)), 0);
        out << "# Pattern tile\n";
        dump (out, testing_support::gui::walkMenu (access.patternMenuBuilt (0)), 0);
    }

    const auto expected = juce::File (VARNET_SOURCE_DIR).getChildFile ("tests/editor/data/editor-menus.txt");
    ASSERT_TRUE (expected.existsAsFile());
    EXPECT_EQ (out, expected.loadFileAsString());
}

//==============================================================================
namespace
{
namespace gui = testing_support::gui;

/** A point of the timeline, in screen pixels, at a beat and the middle of a voice's lane. */
juce::Point<int> timelinePoint (VarneTTimelineCanvas& canvas, double beat, int voice)
{
    int x = 0, yFirst = -1, yLast = -1;
    while (x < canvas.getWidth() && canvas.beatAtX ((float) x) < beat)
        ++x;
    for (int y = 0; y < canvas.getHeight(); ++y)
        if (canvas.voiceAtY ((float) y) == voice)
        {
            yFirst = yFirst < 0 ? y : yFirst;
            yLast = y;
        }
    return canvas.localPointToGlobal (juce::Point<int> (x, (yFirst + yLast) / 2));
}

const VarneT::Pattern& firstPattern (VarneTAudioProcessor& p)
{
    static VarneT::Project project;
    project = p.getProjectCopy();
    return project.sections[(size_t) project.clampedActiveSectionIndex()].sequence[0];
}
} // namespace

TEST_F (EditorActions, RealPointerDrawsDragsUndoesRedoesRepeatsAndReorders)
{
    auto project = projectOf ({ 2, 1, 1 });
    project.sections[0].sequence[0].notes.clear();
    start (project);
    gui::DesktopWindow window (*editor);
    auto& canvas = access.timeline();
    const auto voice = canvas.pattern.voices.empty() ? 0 : canvas.pattern.voices[0].id;

    // Draw a note with a click.
    ASSERT_TRUE (gui::input::moveTo (timelinePoint (canvas, 1.1, voice)));
    ASSERT_TRUE (gui::pumpUntil ([&] { return canvas.mouseOver; }));
    ASSERT_TRUE (gui::input::click());
    ASSERT_TRUE (gui::pumpUntil ([&] { return firstPattern (processor).notes.size() == 1; }));
    EXPECT_DOUBLE_EQ (firstPattern (processor).notes[0].startBeat, 1.0);

    // Drag it two beats later.
    ASSERT_TRUE (gui::input::moveTo (timelinePoint (canvas, 1.2, voice)));
    ASSERT_TRUE (gui::pumpUntil ([&] { return canvas.hoverIndex == 0; }));
    ASSERT_TRUE (gui::input::press());
    for (const auto b : { 1.6, 2.4, 3.2 })
        ASSERT_TRUE (gui::input::moveTo (timelinePoint (canvas, b, voice)));
    ASSERT_TRUE (gui::input::release());
    ASSERT_TRUE (gui::pumpUntil ([&] { return firstPattern (processor).notes[0].startBeat == 3.0; }));

    // Undo the drag, then the drawing; Redo brings the note back. Each gesture is one step.
    ASSERT_TRUE (gui::input::moveToCentreOf (access.undoButton()));
    ASSERT_TRUE (gui::input::click());
    ASSERT_TRUE (gui::pumpUntil ([&] { return firstPattern (processor).notes.size() == 1 && firstPattern (processor).notes[0].startBeat == 1.0; }));
    ASSERT_TRUE (gui::input::click());
    ASSERT_TRUE (gui::pumpUntil ([&] { return firstPattern (processor).notes.empty() && canvas.pattern.notes.empty(); }));
    ASSERT_TRUE (gui::input::moveToCentreOf (access.redoButton()));
    ASSERT_TRUE (gui::input::click());
    ASSERT_TRUE (gui::pumpUntil ([&] { return firstPattern (processor).notes.size() == 1; }));

    // Repeat x3 from the second Pattern tile's repeat button.
    auto* repeatButton = access.patternStrip().getRepeatButton (1);
    ASSERT_NE (repeatButton, nullptr);
    ASSERT_TRUE (gui::input::moveToCentreOf (*repeatButton));
    ASSERT_TRUE (gui::input::click());
    const auto clickedAt = juce::Time::getMillisecondCounter();
    juce::Component* menu = nullptr;
    auto& host = access.popupHost();
    ASSERT_TRUE (gui::pumpUntil ([&]
    {
        menu = host.getNumChildComponents() > 0 ? host.getChildComponent (0) : nullptr;
        return menu != nullptr && menu->isShowing() && menu->getHeight() > 100;
    }));
    const auto menuArea = menu->getScreenBounds();
    const juce::Point<int> item { menuArea.getX() + 30, menuArea.getY() + 30 + 2 * 24 + 12 };
    ASSERT_TRUE (gui::input::moveTo (item));
    ASSERT_TRUE (gui::pumpUntil ([&] { return juce::Time::getMillisecondCounter() > clickedAt + 400; }));
    ASSERT_TRUE (gui::input::moveTo (item + juce::Point<int> (2, 0)));
    ASSERT_TRUE (gui::input::click());
    ASSERT_TRUE (gui::pumpUntil ([&] { return processor.getProjectCopy().sections[0].sequence[1].repeatCount == 3; }));
    ASSERT_TRUE (gui::pumpUntil ([&] { return repeatButton->getCount() == 3 && host.getNumChildComponents() == 0; }));

    // Drag the first Section tile past the last.
    auto& strip = access.sectionStrip();
    const auto from = strip.getTileBounds (0).getCentre();
    ASSERT_TRUE (gui::input::moveTo (strip.localPointToGlobal (from)));
    ASSERT_TRUE (gui::pumpUntil ([&] { return strip.getHoverIndex() == 0; }));
    ASSERT_TRUE (gui::input::press());
    const auto end = strip.getTileBounds (2).getRight() + 20;
    for (int x = from.x + 20; x <= end; x += 30)
    {
        ASSERT_TRUE (gui::input::moveTo (strip.localPointToGlobal (juce::Point<int> (x, from.y))));
        ASSERT_TRUE (gui::pumpUntil ([&] { return strip.isDragging(); }));
    }
    ASSERT_TRUE (gui::input::release());
    ASSERT_TRUE (gui::pumpUntil ([&] { return processor.getProjectCopy().sections[2].name == "S1"; }));
    EXPECT_EQ (processor.getProjectCopy().activeSectionIndex, 2);
    EXPECT_EQ (access.status(), "Moved Section to position 3");
}
