#include "editor/PluginEditor.h"
#include "editor/library/ProjectLibrary.h"

// The editor's side of the project library (its two overlays and the controller that holds the
// library state) and of the Section MIDI button (drag, and the Copy / Save to Disk menu).

//==============================================================================
// Project library

void VarneTAudioProcessorEditor::buildLibraryOverlays()
{
    libraryOverlay = std::make_unique<ProjectLibraryOverlay>();
    dirtyOverlay = std::make_unique<ProjectDirtyOverlay>();
    addChildComponent (*libraryOverlay);
    addChildComponent (*dirtyOverlay);

    ProjectLibraryController::EditorHooks hooks;
    hooks.showStatus = [this] (const juce::String& text) { showStatus (text); };
    hooks.showError = [this] (const juce::String& text) { showError (text); };
    hooks.projectLoaded = [this]
    {
        selectedPatternIndex = 0;
        refreshFromProcessor();
        repaint();
    };
    hooks.modifiedChecked = [this] (bool modified)
    {
        projectsButton.setButtonText (ProjectLibraryController::projectsButtonText (modified));
        updateWriteRevertButtons();
    };
    hooks.isDirty = [this] { return isProjectDirty(); };
    hooks.revealFolder = [this] (const juce::File& folder)
    {
        if (onRevealFolder)
            onRevealFolder (folder);
        else
            folder.revealToUser();
    };

    // The controller connects the library overlay's four callbacks to its actions; the dirty
    // overlay gets its callbacks each time it asks.
    libraryController = std::make_unique<ProjectLibraryController> (processor, libraryOverlay.get(), dirtyOverlay.get(), std::move (hooks));
}

void VarneTAudioProcessorEditor::showProjectLibrary()
{
    if (libraryController != nullptr)
        libraryController->showProjectLibrary();
}

//==============================================================================
// Change tracking against the last library save, load, Write or JSON apply, by canonical text.
// The snapshot is kept by the processor, so closing and reopening the window does not forget
// unsaved edits.

void VarneTAudioProcessorEditor::markProjectClean()
{
    juce::String text;
    if (VarneT::canonicaliseProjectJson (processor.getProjectVar(), text).isNotEmpty())
        text = {};
    processor.editorCleanProjectJson = text;
    if (libraryController != nullptr)
        libraryController->markProjectClean();
}

void VarneTAudioProcessorEditor::adoptCleanSnapshot()
{
    if (processor.editorCleanProjectJson.isEmpty())
        markProjectClean();
    updateProjectsButton (true);
}

bool VarneTAudioProcessorEditor::isProjectDirty() const
{
    const auto& clean = processor.editorCleanProjectJson;
    juce::String text;
    if (clean.isEmpty() || VarneT::canonicaliseProjectJson (processor.getProjectVar(), text).isNotEmpty())
        return true;
    return text != clean;
}

void VarneTAudioProcessorEditor::updateProjectsButton (bool force)
{
    if (libraryController != nullptr)
        libraryController->updateProjectsButton (force);
}

void VarneTAudioProcessorEditor::updateWriteRevertButtons()
{
    const auto dirty = processor.isProjectDirty();
    for (auto* button : { &writeButton, &revertButton })
    {
        button->setEnabled (dirty);
        button->setAlpha (dirty ? 1.0f : 0.18f);
    }
}

//==============================================================================
// Section MIDI export

void VarneTAudioProcessorEditor::wireSectionMidiButton()
{
    sectionMidiDragButton.setButtonStyle (juce::DrawableButton::ImageOnButtonBackground);
    sectionMidiDragButton.createMidiFile = [this] { return prepareSectionMidiFile(); };
    sectionMidiDragButton.onStatusMessage = [this] (const juce::String& text) { midiDragStatus (text); };
    sectionMidiDragButton.onRightClick = [this] { showSectionMidiMenu(); };
}

juce::File VarneTAudioProcessorEditor::exportActiveSectionMidi() { return sectionMidiExport.exportActiveSectionMidi(); }
juce::File VarneTAudioProcessorEditor::prepareSectionMidiFile() { return exportActiveSectionMidi(); }
void VarneTAudioProcessorEditor::midiDragStatus (const juce::String& text) { showStatus (text); }
void VarneTAudioProcessorEditor::showSectionMidiMenu() { sectionMidiExport.showMenu (sectionMidiDragButton, &theme); }
