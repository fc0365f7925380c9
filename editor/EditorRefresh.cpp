#include "editor/PluginEditor.h"

#include "editor/EditorWidgets.h"
#include "editor/library/ProjectLibrary.h"
#include "model/PatternFragments.h"
#include "model/Scales.h"

#include <cmath>

// Rebuilding the controls from the processor's project, following playback, the inspector modes,
// the status line and Undo and Redo.

namespace
{
using Palette = VarneTTheme::Palette;

const juce::String separator = juce::String (" ") + juce::String::charToString ((juce::juce_wchar) 0x00b7) + " ";

juce::String gridName (VarneT::Quantization q)
{
    switch ((int) q)
    {
        case 0: return "Free timing";
        case 1: return "1/4 grid";
        case 2: return "1/8 grid";
        case 3: return "1/16 grid";
        case 4: return "1/32 grid";
        default: return {};
    }
}

juce::String patternInfoText (const VarneT::Pattern& pattern)
{
    auto text = pattern.category + "  -  " + juce::String ((int) pattern.notes.size()) + " notes  -  "
              + juce::String ((int) pattern.voices.size()) + " lines  -  " + barsText (pattern.lengthBeats, true)
              + "  -  " + gridName (pattern.quantization);
    if (! pattern.pedal.empty())
        text << "  -  Sustain";
    if (pattern.lengthBeats > 16.0)
        text << "  -  Long Pattern";
    return text;
}

void setTextIfChanged (juce::Label& label, const juce::String& text, juce::Colour colour)
{
    label.setText (text, juce::dontSendNotification); // a Label ignores an unchanged text
    label.setColour (juce::Label::textColourId, colour); // and an unchanged colour
}
} // namespace

//==============================================================================
void VarneTAudioProcessorEditor::refreshFromProcessor()
{
    const auto project = processor.getProjectCopy();
    const auto sectionIndex = project.clampedActiveSectionIndex();
    if (sectionIndex < 0 || project.sections[(size_t) sectionIndex].sequence.empty())
        return;

    const auto& section = project.sections[(size_t) sectionIndex];
    selectedPatternIndex = juce::jlimit (0, (int) section.sequence.size() - 1, selectedPatternIndex);
    const auto shownChanged = sectionIndex != shownSectionIndex || selectedPatternIndex != shownPatternIndex;
    shownSectionIndex = sectionIndex;
    shownPatternIndex = selectedPatternIndex;

    {
        const juce::ScopedValueSetter<bool> updating (isUpdatingControls, true);

        const auto isScale = project.pitchSource == VarneT::PitchSource::scale;
        const auto degreeCount = isScale ? std::max (1, (int) VarneT::findScaleIntervals (project.scale.name).size()) : 7;
        const auto rebuildPitch = pitchBox.getNumItems() == 0 || cachedPitchSource != (isScale ? 1 : 0) || cachedDegreeCount != degreeCount;
        cachedPitchSource = isScale ? 1 : 0;
        cachedDegreeCount = degreeCount;
        showPitchSourceFromProject (project);
        timeline.setPitchDisplay (cachedPitchSource, std::max (1, cachedDegreeCount));
        updatePitchSourceLabel (project, processor.getHeldChordName());
        if (rebuildPitch)
            rebuildPitchChoices (isScale, degreeCount);

        // Never overwrite what the user is typing.
        if (! instanceNameField.hasKeyboardFocus (true))
            instanceNameField.setText (project.identityName, juce::dontSendNotification);

        autoAdvanceButton.setToggleState (processor.isAutoAdvanceSelected(), juce::dontSendNotification);

        const auto& pattern = section.sequence[(size_t) selectedPatternIndex];
        if (shownChanged)
            timeline.resetInteraction();
        timeline.setPattern (pattern);
        updateCanvasSize();
        if (shownChanged)
            timelineViewport.setViewPosition (0, timelineViewport.getViewPositionY());

        patternTitleLabel.setText ("PATTERN " + juce::String (selectedPatternIndex + 1) + "  /  " + pattern.name, juce::dontSendNotification);
        patternInfoLabel.setText (patternInfoText (pattern), juce::dontSendNotification);

        densitySlider.setValue (pattern.modifiers.density, juce::dontSendNotification);
        swingSlider.setValue (pattern.modifiers.swing, juce::dontSendNotification);
        humanizeSlider.setValue (pattern.modifiers.humanize, juce::dontSendNotification);
        octaveKnob.setValue (pattern.modifiers.registerOffset, juce::dontSendNotification);

        selectDictionaryRowFor (pattern);

        std::vector<SequenceStrip::Item> sections;
        sections.reserve (project.sections.size());
        for (const auto& s : project.sections)
        {
            const auto length = VarneT::sectionLengthBeats (s);
            const auto count = (int) s.sequence.size();
            sections.push_back ({ s.name, barsText (length, true) + " - " + juce::String (count) + (count == 1 ? " Pattern" : " Patterns"),
                                  s.repeatCount, barsText (length, false) });
        }
        sectionStrip.setItems (std::move (sections));
        sectionStrip.setActiveIndex (sectionIndex);

        std::vector<SequenceStrip::Item> patterns;
        patterns.reserve (section.sequence.size());
        for (const auto& p : section.sequence)
            patterns.push_back ({ p.name, barsText (p.repeatCount * p.lengthBeats, true), p.repeatCount, {} });
        patternStrip.setItems (std::move (patterns));
        patternStrip.setActiveIndex (selectedPatternIndex);

        for (auto [strip, viewport] : { std::pair { &sectionStrip, &sectionStripViewport }, std::pair { &patternStrip, &patternStripViewport } })
        {
            const auto size = VarneTEditorLayout::stripSize (viewport->getWidth(), (int) strip->getItems().size());
            strip->setSize (size.x, size.y);
        }

        sectionStrip.setCanAdd (project.sections.size() < 64);
        patternStrip.setCanAdd (! section.sequence.empty() && section.sequence.size() < 16);
    }

    updateSelectedNoteControls();
    updateWriteRevertButtons();
}

void VarneTAudioProcessorEditor::updatePitchSourceLabel (const VarneT::Project& project, const juce::String& chordName)
{
    juce::String source;
    if (project.pitchSource == VarneT::PitchSource::scale)
        source = "Scale" + separator + noteNames()[juce::jlimit (0, 11, project.scale.root)] + " " + project.scale.name;
    else
        source = "MIDI Chords" + separator + (chordName.isEmpty() ? juce::String ("Waiting for MIDI") : chordName);

    summaryLabel.setText (project.identityName + separator + source, juce::dontSendNotification);
}
void VarneTAudioProcessorEditor::rebuildPitchChoices (bool scaleSource, int degreeCount)
{
    pitchBox.clear (juce::dontSendNotification);
    auto* menu = pitchBox.getRootMenu();

    auto addSubMenu = [menu] (const juce::String& name, const std::function<void (juce::PopupMenu&)>& fill)
    {
        juce::PopupMenu sub;
        fill (sub);
        menu->addSubMenu (name, sub);
    };

    if (scaleSource)
    {
        addSubMenu ("Scale degrees", [degreeCount] (juce::PopupMenu& m) { addScaleDegreeChoices (m, degreeCount); });
        addSubMenu ("Fixed MIDI notes", [] (juce::PopupMenu& m) { addFixedNoteChoices (m); });
        pitchBox.setTooltip ("Choose a scale degree or a fixed MIDI note. Existing adaptive source data is preserved.");
    }
    else
    {
        addSubMenu ("Chord positions", [] (juce::PopupMenu& m) { addPositionChoices (m, 0); });
        addSubMenu ("Scale degrees", [] (juce::PopupMenu& m) { addScaleDegreeChoices (m, 7); });
        addSubMenu ("Input positions", [] (juce::PopupMenu& m) { addPositionChoices (m, 2); });
        addSubMenu ("Fixed MIDI notes", [] (juce::PopupMenu& m) { addFixedNoteChoices (m); });
        pitchBox.setTooltip ("Choose the note's chord position, scale degree, input position, or fixed MIDI note.");
    }
}

void VarneTAudioProcessorEditor::updateSelectedNoteControls()
{
    const auto& notes = timeline.pattern.notes;
    const auto hasSelection = juce::isPositiveAndBelow (timeline.selectedIndex, (int) notes.size());

    {
        const juce::ScopedValueSetter<bool> updating (isUpdatingControls, true);

        for (juce::Component* c : { (juce::Component*) &selectedNoteModeButton, (juce::Component*) &duplicateNoteButton,
                                    (juce::Component*) &deleteNoteButton, (juce::Component*) &pitchBox, (juce::Component*) &registerKnob,
                                    (juce::Component*) &velocitySlider, (juce::Component*) &chanceSlider, (juce::Component*) &importanceSlider })
            c->setEnabled (hasSelection);
        pitchBox.setSelectedId (0, juce::dontSendNotification);

        if (hasSelection)
        {
            const auto& note = notes[(size_t) timeline.selectedIndex];
            const auto basis = (int) note.target.basis;
            const auto fixed = basis == (int) VarneT::TargetBasis::fixed;
            const auto degrees = std::max (1, cachedDegreeCount);

            auto shownBasis = basis;
            auto value = fixed ? note.target.fixedMidiNote : note.target.index;
            if (! fixed && (cachedPitchSource == 1 || basis == (int) VarneT::TargetBasis::scale))
            {
                shownBasis = (int) VarneT::TargetBasis::scale;
                value = ((note.target.index % degrees) + degrees) % degrees;
            }
            pitchBox.setSelectedId (pitchChoiceId (shownBasis, value), juce::dontSendNotification);

            auto floorDiv = [] (int a, int b) { return (a >= 0 ? a : a - b + 1) / b; };
            int registerValue = note.octave;
            if (! fixed && cachedPitchSource == 1)
                registerValue = floorDiv (note.target.index, degrees) + note.octave;
            else if (basis == (int) VarneT::TargetBasis::scale)
                registerValue = floorDiv (note.target.index, 7) + note.octave;

            registerKnob.setValue (registerValue, juce::dontSendNotification);
            velocitySlider.setValue (note.velocity, juce::dontSendNotification);
            chanceSlider.setValue (note.chance, juce::dontSendNotification);
            importanceSlider.setValue (note.importance, juce::dontSendNotification);
            return;
        }
    }

    if (inspectorMode == 2)
        setInspectorMode (1);
}

void VarneTAudioProcessorEditor::showPitchSourceFromProject (const VarneT::Project& project)
{
    const auto isScale = project.pitchSource == VarneT::PitchSource::scale;
    midiChordsButton.setToggleState (! isScale, juce::dontSendNotification);
    scaleSourceButton.setToggleState (isScale, juce::dontSendNotification);
    scaleRootBox.setSelectedId (project.scale.root + 1, juce::dontSendNotification);

    int scaleId = 0, row = 1;
    const auto canonical = VarneT::canonicalScaleName (project.scale.name);
    for (const auto& entry : VarneT::scaleTable())
    {
        if (entry.name == canonical)
            scaleId = row;
        ++row;
    }
    scaleTypeBox.setSelectedId (scaleId, juce::dontSendNotification);

    const auto performance = inspectorMode == 0;
    chordLabel.setVisible (performance && ! isScale);
    for (juce::Component* c : { (juce::Component*) &scaleRootBox, (juce::Component*) &scaleTypeBox, (juce::Component*) &projectCaptions[2], (juce::Component*) &projectCaptions[3] })
        c->setVisible (performance && isScale);
}

void VarneTAudioProcessorEditor::setInspectorMode (int mode)
{
    const auto hasSelection = juce::isPositiveAndBelow (timeline.selectedIndex, (int) timeline.pattern.notes.size());
    if (mode == 2 && ! hasSelection)
        mode = 1;
    inspectorMode = juce::jlimit (0, 2, mode);

    performanceModeButton.setToggleState (inspectorMode == 0, juce::dontSendNotification);
    patternFeelModeButton.setToggleState (inspectorMode == 1, juce::dontSendNotification);
    selectedNoteModeButton.setToggleState (inspectorMode == 2, juce::dontSendNotification);
    selectedNoteModeButton.setEnabled (hasSelection);

    const auto performance = inspectorMode == 0, feel = inspectorMode == 1, note = inspectorMode == 2;
    const auto isScale = cachedPitchSource == 1;

    for (juce::Component* c : { (juce::Component*) &projectCaptions[0], (juce::Component*) &projectCaptions[1],
                                (juce::Component*) &instanceNameField, (juce::Component*) &midiChordsButton, (juce::Component*) &scaleSourceButton })
        c->setVisible (performance);
    chordLabel.setVisible (performance && ! isScale);
    for (juce::Component* c : { (juce::Component*) &projectCaptions[2], (juce::Component*) &projectCaptions[3],
                                (juce::Component*) &scaleRootBox, (juce::Component*) &scaleTypeBox })
        c->setVisible (performance && isScale);

    for (auto& caption : feelCaptions)
        caption.setVisible (feel);
    for (juce::Component* c : { (juce::Component*) &densitySlider, (juce::Component*) &swingSlider, (juce::Component*) &humanizeSlider, (juce::Component*) &octaveKnob })
        c->setVisible (feel);

    for (auto& caption : noteCaptions)
        caption.setVisible (note);
    for (juce::Component* c : { (juce::Component*) &pitchBox, (juce::Component*) &registerKnob, (juce::Component*) &velocitySlider,
                                (juce::Component*) &chanceSlider, (juce::Component*) &importanceSlider,
                                (juce::Component*) &duplicateNoteButton, (juce::Component*) &deleteNoteButton })
        c->setVisible (note);

    resized();
    contentWrapper.repaint (inspectorCard);
}

//==============================================================================
void VarneTAudioProcessorEditor::timerCallback()
{
    // Following: in Auto-Advance the editor shows what plays.
    const auto autoAdvance = processor.isAutoAdvanceSelected();
    if (autoAdvance)
    {
        const auto s = processor.getPlayingSection(), p = processor.getPlayingPattern();
        if (s < 0 || p < 0)
        {
            followedSectionIndex = followedPatternIndex = -1;
        }
        else if (s != followedSectionIndex || p != followedPatternIndex)
        {
            followedSectionIndex = s;
            followedPatternIndex = p;
            const auto project = processor.getProjectCopy();
            if (juce::isPositiveAndBelow (s, (int) project.sections.size())
                && juce::isPositiveAndBelow (p, (int) project.sections[(size_t) s].sequence.size()))
            {
                auto error = juce::String();
                if (s != project.clampedActiveSectionIndex())
                    error = processor.selectSection (s, false);

                if (error.isNotEmpty())
                {
                    followedSectionIndex = followedPatternIndex = -1;
                }
                else
                {
                    selectedPatternIndex = p;
                    refreshFromProcessor();
                }
            }
        }
    }
    else
    {
        followedSectionIndex = followedPatternIndex = -1;
    }

    const auto project = processor.getProjectCopy();
    autoAdvanceButton.setToggleState (autoAdvance, juce::dontSendNotification);

    updateProjectsButton (false);

    const auto activeSection = project.sections.empty() ? -1 : project.clampedActiveSectionIndex();
    if (activeSection != shownSectionIndex)
    {
        renamingSectionIndex = renamingPatternIndex = renamingPatternSectionIndex = -1;
        sectionRenameField.setVisible (false);
        patternRenameField.setVisible (false);
        selectedPatternIndex = 0;
        refreshFromProcessor();
    }

    const auto chord = processor.getHeldChordName();
    if (project.pitchSource != VarneT::PitchSource::scale)
        setTextIfChanged (chordLabel, chord.isEmpty() ? juce::String ("Waiting for MIDI") : chord,
                          VarneTTheme::colour (chord.isEmpty() ? Palette::secondaryText : Palette::success));

    updatePitchSourceLabel (project, chord);

    updateUndoRedoButtons();

    // Playback display: only what moves is repainted (the strips and the playhead repaint
    // themselves on a change).
    const auto generating = processor.isGenerating();
    const auto d = generating ? processor.getPlayingSection() : -1;
    const auto e = generating ? processor.getPlayingPattern() : -1;
    sectionStrip.setPlayback (d, generating ? processor.getSectionProgress() : 0.0f);
    patternStrip.setPlayback (d == activeSection ? e : -1, generating ? processor.getPatternProgress() : 0.0f);
    timeline.setPlayheadBeat (d >= 0 && d == activeSection && e == selectedPatternIndex ? processor.getPatternBeat() : -1.0);

    updateHelpDock (juce::Desktop::getInstance().getMainMouseSource().getComponentUnderMouse());

    if (statusTicks <= 0)
    {
        setTextIfChanged (bottomLineLabel, helpLineText, VarneTTheme::colour (Palette::captionText));
    }
    else
    {
        --statusTicks;
        setTextIfChanged (bottomLineLabel, statusText, VarneTTheme::colour (statusIsError ? Palette::error : Palette::secondaryText));
    }
}

void VarneTAudioProcessorEditor::updateUndoRedoButtons()
{
    auto& undo = processor.getUndoManager();
    undoButton.setEnabled (undo.canUndo());
    redoButton.setEnabled (undo.canRedo());
}

void VarneTAudioProcessorEditor::changeListenerCallback (juce::ChangeBroadcaster* source)
{
    if (source == &processor.getUpdateChecker())
        updateHelpButton();
    else if (source == &processor)
        refreshFromProcessor();
}
