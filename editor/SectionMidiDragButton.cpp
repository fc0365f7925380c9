#include "editor/SectionMidiDragButton.h"

#include "VarneTIdentity.h"

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

    const auto result = dragController.start (*this, createMidiFile, juce::String (VarneT::identity::productName) + " " + VarneT::identity::version, {});
    const auto message = tolmek::FileDragController::getResultMessage (result, "Active Section");

    if (message.isNotEmpty() && onStatusMessage)
        onStatusMessage (message);
}
