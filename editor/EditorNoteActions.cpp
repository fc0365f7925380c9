#include "editor/PluginEditor.h"

// The timeline's callbacks and the inspector's controls. Every change of the canvas Pattern
// reaches the project as one replace-Pattern edit; a note gesture starts its own undo step.

namespace
{
int floorDivide (int a, int b) { return (a >= 0 ? a : a - b + 1) / b; }
int wrapIndex (int a, int b) { return ((a % b) + b) % b; }

/** The basis and value of a pitch item id, or basis -1 when the id names no item. */
std::pair<int, int> decodePitchChoice (int id)
{
    const auto k = id - 1;
    if (k < 0)
        return { -1, 0 };
    const auto basis = k / 256, r = k % 256;
    if (basis <= 2 && r <= 64)
        return { basis, r - 32 };
    if (basis == 3 && r <= 127)
        return { 3, r };
    return { -1, 0 };
}
} // namespace

//==============================================================================
// Timeline

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
// Inspector

void VarneTAudioProcessorEditor::showPerformanceMode() { setInspectorMode (0); }
void VarneTAudioProcessorEditor::showPatternFeelMode() { setInspectorMode (1); }

void VarneTAudioProcessorEditor::showSelectedNoteMode()
{
    if (selectedNoteModeButton.isEnabled())
        setInspectorMode (2);
}

void VarneTAudioProcessorEditor::dictionaryFilterChanged() { applyDictionaryFilter(); }

void VarneTAudioProcessorEditor::applyPerformanceControls()
{
    if (isUpdatingControls)
        return;

    auto pattern = timeline.pattern;
    pattern.modifiers.density = densitySlider.getValue();
    pattern.modifiers.swing = swingSlider.getValue();
    pattern.modifiers.humanize = humanizeSlider.getValue();
    pattern.modifiers.registerOffset = (int) octaveKnob.getValue();
    timeline.setPattern (pattern);
    applyEditedPattern (pattern);
}

void VarneTAudioProcessorEditor::applyToSelectedNote (const std::function<void (VarneT::NoteEvent&)>& update)
{
    if (isUpdatingControls)
        return;

    if (juce::isPositiveAndBelow (timeline.selectedIndex, (int) timeline.pattern.notes.size()))
    {
        update (timeline.pattern.notes[(size_t) timeline.selectedIndex]);
        timeline.repaint();
    }
    applyEditedPattern (timeline.pattern);
}

void VarneTAudioProcessorEditor::applySelectedNoteImportance()
{
    applyToSelectedNote ([this] (auto& note) { note.importance = importanceSlider.getValue(); });
}

void VarneTAudioProcessorEditor::applySelectedNoteChance()
{
    applyToSelectedNote ([this] (auto& note) { note.chance = chanceSlider.getValue(); });
}

void VarneTAudioProcessorEditor::applySelectedNoteVelocity()
{
    applyToSelectedNote ([this] (auto& note) { note.velocity = (int) velocitySlider.getValue(); });
}

void VarneTAudioProcessorEditor::applySelectedNoteRegister()
{
    applyToSelectedNote ([this] (auto& note)
    {
        // The knob shows the whole register, so the index folds into one octave of degrees.
        if (note.target.basis != VarneT::TargetBasis::fixed
            && (cachedPitchSource == 1 || note.target.basis == VarneT::TargetBasis::scale))
        {
            const auto degrees = cachedPitchSource == 1 ? std::max (1, cachedDegreeCount) : 7;
            note.target.index = wrapIndex (note.target.index, degrees);
        }
        note.octave = (int) registerKnob.getValue();
    });
}

void VarneTAudioProcessorEditor::applySelectedNotePitch()
{
    if (isUpdatingControls)
        return;
    const auto [newBasis, value] = decodePitchChoice (pitchBox.getSelectedId());
    if (newBasis < 0)
        return;

    applyToSelectedNote ([this, newBasis = newBasis, value = value] (auto& note)
    {
        const auto scaleSource = cachedPitchSource == 1;
        const auto wasFixed = note.target.basis == VarneT::TargetBasis::fixed;
        auto octave = note.octave;
        if (! wasFixed && scaleSource)
            octave = floorDivide (note.target.index, std::max (cachedDegreeCount, 1)) + note.octave;
        else if (! wasFixed && note.target.basis == VarneT::TargetBasis::scale)
            octave = floorDivide (note.target.index, 7) + note.octave;

        // Under the Scale source every position reads the scale: a degree keeps the note's basis.
        if (! (scaleSource && newBasis == 1 && ! wasFixed))
            note.target.basis = (VarneT::TargetBasis) newBasis;

        if (newBasis == 3)
        {
            note.target.fixedMidiNote = value;
        }
        else
        {
            note.target.index = value;
            if (scaleSource || newBasis == 1)
                note.octave = octave;
        }
    });
}
