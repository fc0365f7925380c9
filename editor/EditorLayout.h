#pragma once

#include <juce_graphics/juce_graphics.h>

#include <array>

/** Every rectangle of the editor's single screen, in logical pixels of the content component.
    Computed without components so that the geometry can be checked without painting. */
struct VarneTEditorLayout
{
    using Rect = juce::Rectangle<int>;

    struct Inputs
    {
        int width = 1360, height = 820;  // logical content size
        int windowWidth = 1360;          // the editor's real width, for the corner's free zone
        double scale = 1.0;
        bool hasScalingButton = true;
    };

    // Header
    Rect makerLabel, productLabel, summaryLabel, projectsButton, jsonButton, panicButton, helpButton;

    // Panel cards
    Rect dictionaryCard, sequenceCard, timelineCard, inspectorCard, modeColumnCard, bottomBarCard;

    // Dictionary panel
    Rect dictionaryCaption, dictionaryFilterBox, dictionaryList;

    // Sequence panel
    Rect sectionsCaption, sectionStripViewport, autoAdvanceButton, writeButton;
    Rect patternsCaption, patternStripViewport, revertButton;

    // Timeline panel
    Rect patternTitleLabel, patternInfoLabel, patternOptionsButton, sectionMidiDragButton, undoButton, redoButton;
    Rect timelineViewport;

    // Inspector panel: mode buttons, then one set of captions and controls per mode
    std::array<Rect, 3> modeButtons;
    std::array<Rect, 4> feelCaptions, feelControls;       // Density, Swing, Humanize, Octave
    std::array<Rect, 4> projectCaptions;                  // Instance Name, Pitch Source, Root, Scale
    Rect instanceNameField, midiChordsButton, scaleSourceButton, scaleRootBox, scaleTypeBox, chordLabel;
    std::array<Rect, 5> noteCaptions, noteControls;       // Pitch, Register, Velocity, Chance, Importance
    Rect duplicateNoteButton, deleteNoteButton;

    // Bottom line
    Rect bottomLineLabel, scalingButton;

    static VarneTEditorLayout compute (const Inputs&);

    /** Size of a sequence strip inside its viewport. */
    static juce::Point<int> stripSize (int viewportWidth, int tileCount);

    /** Size of the timeline inside its viewport for a Pattern of the given length. */
    static juce::Point<int> timelineSize (int viewportWidth, int viewportHeight, double patternLengthBeats);

    static constexpr int cornerSize = 18;       // resize corner, in window pixels
    static constexpr int cornerClearance = 24;  // window pixels kept free at the right for it
};
