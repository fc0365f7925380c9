#include "editor/PluginEditor.h"
#include "plugin/SectionParameter.h"

// Section and Pattern strip actions, Write, Revert and Auto-Advance. None of them begins an undo
// transaction except Write and Revert: strip edits made in a row are undone together.

namespace
{
constexpr int maxPatterns = 16;
constexpr int maxSections = 64;

/** Where a drag from `from` to gap `to` lands in a list of n, or -1 when nothing moves. */
int moveTarget (int from, int to, int n)
{
    auto target = juce::jlimit (0, n, to);
    if (from < target)
        --target;
    target = juce::jlimit (0, n - 1, target);
    return target == from ? -1 : target;
}

/** The index that follows a move: the moved item keeps its selection, the others shift. */
int followMove (int d, int from, int target)
{
    if (d == from)
        return target;
    if (from < target && from < d && d <= target)
        return d - 1;
    if (target <= d && d < from)
        return d + 1;
    return d;
}

template <typename T>
void moveItem (std::vector<T>& items, int from, int target)
{
    auto item = std::move (items[(size_t) from]);
    items.erase (items.begin() + from);
    items.insert (items.begin() + target, std::move (item));
}
} // namespace

//==============================================================================
// Patterns

void VarneTAudioProcessorEditor::addPattern()
{
    auto project = processor.getProjectCopy();
    const auto s = project.clampedActiveSectionIndex();
    if (s < 0)
        return;
    auto& sequence = project.sections[(size_t) s].sequence;
    if (sequence.empty() || (int) sequence.size() >= maxPatterns)
        return;

    auto pattern = sequence[(size_t) juce::jlimit (0, (int) sequence.size() - 1, selectedPatternIndex)];
    pattern.name = "Pattern " + juce::String ((int) sequence.size() + 1);
    pattern.lengthBeats = 4.0;
    pattern.notes.clear();
    pattern.pedal.clear();
    sequence.push_back (std::move (pattern));
    selectedPatternIndex = (int) sequence.size() - 1;

    if (const auto error = processor.applyProjectEdit (std::move (project), true); error.isNotEmpty())
        return showError (error);
    refreshFromProcessor();
    showStatus ("Added Pattern " + juce::String (selectedPatternIndex + 1));
}

void VarneTAudioProcessorEditor::selectPattern (int index)
{
    const auto project = processor.getProjectCopy();
    const auto s = project.clampedActiveSectionIndex();
    if (s < 0 || ! juce::isPositiveAndBelow (index, (int) project.sections[(size_t) s].sequence.size()))
        return;

    selectedPatternIndex = index;
    refreshFromProcessor();
    showStatus ("Editing Pattern " + juce::String (index + 1) + ": " + project.sections[(size_t) s].sequence[(size_t) index].name);
}

void VarneTAudioProcessorEditor::movePattern (int from, int to)
{
    auto project = processor.getProjectCopy();
    const auto s = project.clampedActiveSectionIndex();
    if (s < 0)
        return;
    auto& sequence = project.sections[(size_t) s].sequence;
    const auto n = (int) sequence.size();
    if (n < 2 || ! juce::isPositiveAndBelow (from, n))
        return;
    const auto target = moveTarget (from, to, n);
    if (target < 0)
        return;

    const auto selection = followMove (selectedPatternIndex, from, target);
    moveItem (sequence, from, target);
    if (const auto error = processor.applyProjectEdit (std::move (project), true); error.isNotEmpty())
        return showError (error);
    selectedPatternIndex = selection;
    refreshFromProcessor();
    showStatus ("Moved Pattern to position " + juce::String (target + 1));
}

void VarneTAudioProcessorEditor::setPatternRepeatCount (int index, int count)
{
    auto project = processor.getProjectCopy();
    const auto s = project.clampedActiveSectionIndex();
    if (s < 0 || ! juce::isPositiveAndBelow (index, (int) project.sections[(size_t) s].sequence.size()))
        return;
    project.sections[(size_t) s].sequence[(size_t) index].repeatCount = count;
    if (const auto error = processor.applyProjectEdit (std::move (project), true); error.isNotEmpty())
        return showError (error);
    refreshFromProcessor();
}

void VarneTAudioProcessorEditor::patternTileDoubleClicked (int index) { beginPatternRename (index); }
void VarneTAudioProcessorEditor::sectionTileDoubleClicked (int index) { beginSectionRename (index); }

//==============================================================================
// Sections

void VarneTAudioProcessorEditor::addSection()
{
    auto project = processor.getProjectCopy();
    const auto n = (int) project.sections.size();
    const auto s = project.clampedActiveSectionIndex();
    if (n < 1 || n >= maxSections || s < 0)
        return;

    VarneT::Section section;
    section.name = "Section " + juce::String (n + 1);
    section.repeatCount = 1;
    const auto& sequence = project.sections[(size_t) s].sequence;
    if (! sequence.empty())
        section.sequence.push_back (sequence[(size_t) juce::jlimit (0, (int) sequence.size() - 1, selectedPatternIndex)]);
    const auto name = section.name;
    project.sections.push_back (std::move (section));
    project.activeSectionIndex = n;
    selectedPatternIndex = 0;

    if (const auto error = processor.applyProjectEdit (std::move (project), true); error.isNotEmpty())
        return showError (error);
    processor.syncSectionParameter();
    refreshFromProcessor();
    showStatus ("Added " + name);
}

void VarneTAudioProcessorEditor::selectSection (int index)
{
    const auto project = processor.getProjectCopy();
    if (! juce::isPositiveAndBelow (index, (int) project.sections.size()) || index == project.clampedActiveSectionIndex())
        return;

    selectedPatternIndex = 0;
    if (const auto error = processor.selectSection (index, true); error.isNotEmpty())
        return showError (error);
    refreshFromProcessor();

    const auto& name = project.sections[(size_t) index].name;
    if (processor.isAutoAdvanceSelected())
        showStatus ("Editing Section: " + name + "; playback follows the DAW");
    else if (processor.isGenerating())
        showStatus ("Queued: " + name + " after the current section");
    else
        showStatus ("Active section: " + name);
}

void VarneTAudioProcessorEditor::moveSection (int from, int to)
{
    auto project = processor.getProjectCopy();
    const auto n = (int) project.sections.size();
    if (n < 2 || ! juce::isPositiveAndBelow (from, n))
        return;
    const auto target = moveTarget (from, to, n);
    if (target < 0)
        return;

    project.activeSectionIndex = followMove (project.clampedActiveSectionIndex(), from, target);
    moveItem (project.sections, from, target);
    if (const auto error = processor.applyProjectEdit (std::move (project), true); error.isNotEmpty())
        return showError (error);
    processor.syncSectionParameter();
    refreshFromProcessor();
    showStatus ("Moved Section to position " + juce::String (target + 1));
}

void VarneTAudioProcessorEditor::setSectionRepeatCount (int index, int count)
{
    auto project = processor.getProjectCopy();
    if (! juce::isPositiveAndBelow (index, (int) project.sections.size()))
        return;
    project.sections[(size_t) index].repeatCount = count;
    if (const auto error = processor.applyProjectEdit (std::move (project), true); error.isNotEmpty())
        return showError (error);
    refreshFromProcessor();
}

//==============================================================================
// Renaming in place

namespace
{
/** The rename field over a tile: inside its border, in front of the tile's repeat button, with the
    keyboard focus and all its text selected. */
void openRenameField (juce::TextEditor& field, juce::Rectangle<int> tile, const juce::String& name)
{
    field.setText (name, juce::dontSendNotification);
    field.setBounds (tile.reduced (2));
    field.setVisible (true);
    field.toFront (false);
    field.grabKeyboardFocus();
    field.selectAll();
}
} // namespace

void VarneTAudioProcessorEditor::beginSectionRename (int index)
{
    const auto project = processor.getProjectCopy();
    if (! juce::isPositiveAndBelow (index, (int) project.sections.size()))
        return;
    renamingPatternIndex = renamingPatternSectionIndex = -1; // abandoned, not committed
    patternRenameField.setVisible (false);
    renamingSectionIndex = index;
    openRenameField (sectionRenameField, sectionStrip.getTileBounds (index), project.sections[(size_t) index].name);
}

void VarneTAudioProcessorEditor::beginPatternRename (int index)
{
    const auto project = processor.getProjectCopy();
    const auto s = project.clampedActiveSectionIndex();
    if (s < 0 || ! juce::isPositiveAndBelow (index, (int) project.sections[(size_t) s].sequence.size()))
        return;
    renamingSectionIndex = -1; // abandoned, not committed
    sectionRenameField.setVisible (false);
    renamingPatternSectionIndex = s;
    renamingPatternIndex = index;
    openRenameField (patternRenameField, patternStrip.getTileBounds (index), project.sections[(size_t) s].sequence[(size_t) index].name);
}

void VarneTAudioProcessorEditor::commitSectionRename()
{
    if (isUpdatingControls || isCommittingRename || ! sectionRenameField.isVisible() || renamingSectionIndex < 0)
        return;
    const auto index = std::exchange (renamingSectionIndex, -1);
    commitRename (sectionRenameField, "Section", [index] (VarneT::Project& project) -> juce::String*
    {
        return juce::isPositiveAndBelow (index, (int) project.sections.size()) ? &project.sections[(size_t) index].name : nullptr;
    });
}

void VarneTAudioProcessorEditor::commitPatternRename()
{
    if (isUpdatingControls || isCommittingRename || ! patternRenameField.isVisible() || renamingPatternSectionIndex < 0
        || renamingPatternIndex < 0)
        return;
    const auto s = std::exchange (renamingPatternSectionIndex, -1);
    const auto index = std::exchange (renamingPatternIndex, -1);
    commitRename (patternRenameField, "Pattern", [s, index] (VarneT::Project& project) -> juce::String*
    {
        if (! juce::isPositiveAndBelow (s, (int) project.sections.size()))
            return nullptr;
        auto& sequence = project.sections[(size_t) s].sequence;
        return juce::isPositiveAndBelow (index, (int) sequence.size()) ? &sequence[(size_t) index].name : nullptr;
    });
}

void VarneTAudioProcessorEditor::commitRename (juce::TextEditor& field, const juce::String& kind,
                                               const std::function<juce::String* (VarneT::Project&)>& nameOf)
{
    // Hiding the field takes its focus away; the flag keeps that focus loss from committing again.
    const juce::ScopedValueSetter<bool> committing (isCommittingRename, true);
    const auto name = field.getText().trim();
    field.setVisible (false);

    if (name.isEmpty())
        return showError (kind + " name cannot be empty");

    auto project = processor.getProjectCopy();
    auto* current = nameOf (project);
    if (current == nullptr || *current == name)
        return;

    *current = name;
    if (const auto error = processor.applyProjectEdit (std::move (project), true); error.isNotEmpty())
        return showError (error);
    refreshFromProcessor();
    showStatus (kind + " renamed to " + name);
}

void VarneTAudioProcessorEditor::sectionRenameFinished() { commitSectionRename(); }
void VarneTAudioProcessorEditor::patternRenameFinished() { commitPatternRename(); }

void VarneTAudioProcessorEditor::cancelSectionRename()
{
    renamingSectionIndex = -1;
    sectionRenameField.setVisible (false);
    grabKeyboardFocus();
}

void VarneTAudioProcessorEditor::cancelPatternRename()
{
    renamingPatternSectionIndex = renamingPatternIndex = -1;
    patternRenameField.setVisible (false);
    grabKeyboardFocus();
}

//==============================================================================
// Write, Revert, Auto-Advance

void VarneTAudioProcessorEditor::writeProjectChanges()
{
    processor.markProjectClean();
    updateWriteRevertButtons();
    showStatus ("Project changes written");
}

void VarneTAudioProcessorEditor::revertProjectChanges()
{
    const auto baseline = processor.getBaselineProject();
    if (baseline != nullptr && processor.isProjectDirty())
    {
        auto project = *baseline;
        const auto current = processor.getProjectCopy().activeSectionIndex;
        project.activeSectionIndex = std::max (0, juce::jlimit (0, (int) project.sections.size() - 1, current));

        auto& undo = processor.getUndoManager();
        undo.beginNewTransaction ("Revert project changes");
        const auto error = processor.applyProjectEdit (std::move (project), true);
        undo.beginNewTransaction ({});
        if (error.isNotEmpty())
            return showError (error);

        processor.syncSectionParameter();
        processor.updateHostDisplay (juce::AudioProcessorListener::ChangeDetails().withNonParameterStateChanged (true));
    }
    refreshFromProcessor();
    updateProjectsButton (true);
    showStatus ("Project changes reverted");
}

void VarneTAudioProcessorEditor::toggleAutoAdvance()
{
    if (isUpdatingControls)
        return;

    const auto on = autoAdvanceButton.getToggleState();
    auto project = processor.getProjectCopy();
    const auto activeSection = project.clampedActiveSectionIndex();
    const auto numSections = (int) project.sections.size();
    project.sectionPlaybackMode = on ? VarneT::SectionPlaybackMode::advanceSections : VarneT::SectionPlaybackMode::loopSection;
    processor.requestPlaybackMode (on);

    if (const auto error = processor.applyProjectEdit (std::move (project), true); error.isNotEmpty())
    {
        processor.withdrawPlaybackModeRequest();
        return showError (error);
    }

    if (auto* parameter = processor.getSectionParameter())
    {
        // Off: the Section playing, or when stopped the active one (not always the first).
        const auto playing = processor.getPlayingSection();
        const auto index = on ? numSections : (processor.isGenerating() && playing >= 0 ? playing : std::max (0, activeSection));
        parameter->beginChangeGesture();
        parameter->setValueNotifyingHost (parameter->indexToValue (index));
        parameter->endChangeGesture();
    }

    refreshFromProcessor();
    showStatus (on ? "Following the DAW playhead through Sections" : "This section will repeat");
}

//==============================================================================

void VarneTAudioProcessorEditor::undoClicked() { processor.getUndoManager().undo(); processor.getUndoManager().beginNewTransaction(); }
void VarneTAudioProcessorEditor::redoClicked() { processor.getUndoManager().redo(); processor.getUndoManager().beginNewTransaction(); }
