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
// Change tracking: the library controller keeps the one clean snapshot and compares with it.

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
