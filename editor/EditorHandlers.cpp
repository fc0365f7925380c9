#include "editor/PluginEditor.h"

// The strip, menu, note and inspector actions have files of their own (EditorStripActions.cpp,
// EditorMenus.cpp, EditorNoteActions.cpp); the header, library and export actions too.

void VarneTAudioProcessorEditor::showProjectUnchanged()
{
    refreshFromProcessor();
}
