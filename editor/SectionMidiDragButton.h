#pragma once

#include "kit/FileDragController.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/** The button that takes the active Section out as a MIDI file: a left-button drag starts a native
    file drag of a freshly exported file, a right-button press asks its owner for the menu. */
class SectionMidiDragButton : public juce::DrawableButton
{
public:
    explicit SectionMidiDragButton (const juce::String& name = "Section MIDI");
    ~SectionMidiDragButton() override;

    /** Writes the file to drag; called once per drag gesture. */
    std::function<juce::File()> createMidiFile;
    /** Receives the drag result's text (never an empty one). */
    std::function<void (const juce::String&)> onStatusMessage;
    std::function<void()> onRightClick;

    void mouseDown (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;

private:
    tolmek::FileDragController dragController;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SectionMidiDragButton)
};
