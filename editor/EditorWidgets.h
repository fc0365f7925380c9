#pragma once

#include "model/Project.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <optional>

// Texts, menus, icons and control set-ups the editor is assembled from. Message thread only;
// nothing here keeps state except the note-name table.

/** "C" .. "B" with sharps. */
const juce::StringArray& noteNames();

/** Sharp name and octave with middle C (60) as "C3"; empty outside 0..127. */
juce::String noteNameWithOctave (int midiNote);

juce::String dynamicMarkForVelocity (int velocity);
juce::String signedStepText (int steps);
juce::String ordinalText (int n);
juce::String registerText (int octaves);
juce::String barsText (double beats, bool withUnit);

// Value texts of the inspector's controls (bubbles, knob captions, the help line).
juce::String percentText (double value);
juce::String velocityText (double value);
juce::String registerKnobText (double value);
juce::String octaveKnobText (double value);

/** A Pitch-combo choice: target basis (VarneT::TargetBasis as int) and index or MIDI note. */
struct PitchChoice
{
    int basis = 0;
    int value = 0;

    bool operator== (const PitchChoice&) const = default;
};

/** The combo item id of a choice; 0 for a basis or value outside the id ranges. */
int pitchChoiceId (int basis, int value);

/** The choice an item id names; nothing for ids outside the ranges. */
std::optional<PitchChoice> decodePitchChoiceId (int id);

juce::String pitchChoiceText (int basis, int value);
juce::String notePitchText (const VarneT::NoteEvent& note, int pitchSource, int scaleDegreeCount);

void addPositionChoices (juce::PopupMenu& menu, int basis);
void addScaleDegreeChoices (juce::PopupMenu& menu, int count);
void addFixedNoteChoices (juce::PopupMenu& menu);

void styleCaptionLabel (juce::Label& label, const juce::String& text, float fontHeight,
                        juce::Colour colour, juce::Justification justification);
void configurePerformanceSlider (juce::Slider& slider, double minimum, double maximum,
                                 double interval, const juce::String& visualKind);
void configureDiscreteKnob (juce::Slider& slider, double minimum, double maximum);

/** SVG texts of the note buttons' icons, stroked in the given colour. */
juce::String makeCopyIcon (juce::Colour colour);
juce::String makeDeleteIcon (juce::Colour colour);
/** SVG text of the Section-MIDI drag icon (a down arrow over a bar), filled in the given colour. */
juce::String makeDragIcon (juce::Colour colour);

/** An SVG text as a drawable (nullptr when it does not parse). */
std::unique_ptr<juce::Drawable> createIconDrawable (const juce::String& svgText);
