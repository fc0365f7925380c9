#include "editor/SectionMidiDragButton.h"

SectionMidiDragButton::SectionMidiDragButton (const juce::String& name)
    : juce::DrawableButton (name, juce::DrawableButton::ImageFitted)
{
}

SectionMidiDragButton::~SectionMidiDragButton() = default;

void SectionMidiDragButton::mouseDown (const juce::MouseEvent& e)
{
    if (e.mods.isRightButtonDown())
    {
        if (onRightClick)
            onRightClick();
        return;
    }

    if (e.mods.isLeftButtonDown())
        dragController.beginGesture();

    juce::Button::mouseDown (e);
}

void SectionMidiDragButton::mouseDrag (const juce::MouseEvent& e)
{
    if (! e.mods.isLeftButtonDown() || e.mods.isRightButtonDown() || ! createMidiFile)
        return;

    const auto result = dragController.start (*this, createMidiFile, "Varne-T 1.3.6", {});
    const auto text = tolmek::FileDragController::getResultMessage (result, "Active Section");

    if (text.isNotEmpty() && onStatusMessage)
        onStatusMessage (text);
}
