#include "editor/PluginEditor.h"

// The handlers of the header, library and JSON controls, whose actions are not built yet: they show
// the project unchanged. The strip, menu, note and inspector actions have files of their own.

void VarneTAudioProcessorEditor::showProjectUnchanged()
{
    refreshFromProcessor();
}

//==============================================================================
// Actions still to come: the controls show the project as it is.

void VarneTAudioProcessorEditor::instanceNameFinished() { showProjectUnchanged(); }
void VarneTAudioProcessorEditor::cancelInstanceNameEdit() { showProjectUnchanged(); }
void VarneTAudioProcessorEditor::midiChordsPitchSourceClicked() { showProjectUnchanged(); }
void VarneTAudioProcessorEditor::scalePitchSourceClicked() { showProjectUnchanged(); }
void VarneTAudioProcessorEditor::scaleRootChanged() { if (! isUpdatingControls) showProjectUnchanged(); }
void VarneTAudioProcessorEditor::scaleTypeChanged() { if (! isUpdatingControls) showProjectUnchanged(); }
void VarneTAudioProcessorEditor::showProjectLibrary() {}
void VarneTAudioProcessorEditor::showProjectJson() {}
void VarneTAudioProcessorEditor::panicClicked() {}

