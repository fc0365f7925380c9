#include "editor/PluginEditor.h"

// The handlers the construction wires to the controls. The note gestures, the inspector modes and
// the dictionary filter act here; the others belong to actions that are not built yet and show the
// project unchanged.

void VarneTAudioProcessorEditor::showProjectUnchanged()
{
    refreshFromProcessor();
}

//==============================================================================
// Timeline and note buttons

void VarneTAudioProcessorEditor::canvasBeginEdit()
{
    processor.getUndoManager().beginNewTransaction ("Edit note");
}

void VarneTAudioProcessorEditor::canvasEditCommitted()
{
    applyEditedPattern (timeline.pattern);
}

void VarneTAudioProcessorEditor::canvasSelectionChanged()
{
    updateSelectedNoteControls();

    if (juce::isPositiveAndBelow (timeline.selectedIndex, (int) timeline.pattern.notes.size()))
        setInspectorMode (2);
    else if (inspectorMode == 2)
        setInspectorMode (1);
}

void VarneTAudioProcessorEditor::canvasStatus (const juce::String& text) { showError (text); }

void VarneTAudioProcessorEditor::duplicateNoteClicked() { timeline.duplicateSelectedNote(); }
void VarneTAudioProcessorEditor::deleteNoteClicked() { timeline.deleteSelectedNote(); }

void VarneTAudioProcessorEditor::applyEditedPattern (const VarneT::Pattern& pattern)
{
    if (isUpdatingControls)
        return;

    const auto sectionIndex = processor.getProjectCopy().clampedActiveSectionIndex();
    if (const auto error = processor.replacePattern (pattern, sectionIndex, selectedPatternIndex); error.isNotEmpty())
    {
        showError (error);
        refreshFromProcessor();
    }
}

//==============================================================================
// Inspector modes and the dictionary filter

void VarneTAudioProcessorEditor::showPerformanceMode() { setInspectorMode (0); }
void VarneTAudioProcessorEditor::showPatternFeelMode() { setInspectorMode (1); }

void VarneTAudioProcessorEditor::showSelectedNoteMode()
{
    if (selectedNoteModeButton.isEnabled())
        setInspectorMode (2);
}

void VarneTAudioProcessorEditor::dictionaryFilterChanged() { applyDictionaryFilter(); }

//==============================================================================
// Actions still to come: the controls show the project as it is.

void VarneTAudioProcessorEditor::showProjectLibrary() {}
void VarneTAudioProcessorEditor::writeProjectChanges() {}
void VarneTAudioProcessorEditor::revertProjectChanges() {}
void VarneTAudioProcessorEditor::toggleAutoAdvance() { showProjectUnchanged(); }
void VarneTAudioProcessorEditor::setSectionRepeatCount (int, int) { showProjectUnchanged(); }
void VarneTAudioProcessorEditor::selectSection (int) {}
void VarneTAudioProcessorEditor::moveSection (int, int) {}
void VarneTAudioProcessorEditor::sectionTileDoubleClicked (int) {}
void VarneTAudioProcessorEditor::showSectionTileMenu (int) {}
void VarneTAudioProcessorEditor::addSection() {}
void VarneTAudioProcessorEditor::setPatternRepeatCount (int, int) { showProjectUnchanged(); }
void VarneTAudioProcessorEditor::selectPattern (int) {}
void VarneTAudioProcessorEditor::movePattern (int, int) {}
void VarneTAudioProcessorEditor::patternTileDoubleClicked (int) {}
void VarneTAudioProcessorEditor::showPatternTileMenu (int) {}
void VarneTAudioProcessorEditor::addPattern() {}
void VarneTAudioProcessorEditor::sectionRenameFinished() { commitSectionRename(); }
void VarneTAudioProcessorEditor::cancelSectionRename() { renamingSectionIndex = -1; sectionRenameField.setVisible (false); }
void VarneTAudioProcessorEditor::patternRenameFinished() { commitPatternRename(); }
void VarneTAudioProcessorEditor::cancelPatternRename() { renamingPatternIndex = renamingPatternSectionIndex = -1; patternRenameField.setVisible (false); }
void VarneTAudioProcessorEditor::undoClicked() {}
void VarneTAudioProcessorEditor::redoClicked() {}
void VarneTAudioProcessorEditor::showPatternOptionsMenu() {}
void VarneTAudioProcessorEditor::applyPerformanceControls() { if (! isUpdatingControls) showProjectUnchanged(); }
void VarneTAudioProcessorEditor::applySelectedNotePitch() { if (! isUpdatingControls) showProjectUnchanged(); }
void VarneTAudioProcessorEditor::applySelectedNoteRegister() { if (! isUpdatingControls) showProjectUnchanged(); }
void VarneTAudioProcessorEditor::applySelectedNoteVelocity() { if (! isUpdatingControls) showProjectUnchanged(); }
void VarneTAudioProcessorEditor::applySelectedNoteChance() { if (! isUpdatingControls) showProjectUnchanged(); }
void VarneTAudioProcessorEditor::applySelectedNoteImportance() { if (! isUpdatingControls) showProjectUnchanged(); }
