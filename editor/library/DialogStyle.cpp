#include "editor/library/DialogStyle.h"

#include "editor/library/OverlayColours.h"

namespace VarneT
{
juce::Font overlayFont (float height, bool bold)
{
    return juce::Font (height, bold ? juce::Font::bold : juce::Font::plain);
}

void makeFieldLabel (juce::Component& parent, juce::Label& label, const juce::String& text)
{
    label.setText (text, juce::dontSendNotification);
    label.setColour (juce::Label::textColourId, overlayColours::captionText);
    label.setFont (overlayFont (12.0f, true));
    parent.addAndMakeVisible (label);
}

void setButtonRole (juce::Button& button, const juce::String& text, bool primary)
{
    button.setButtonText (text);
    button.getProperties().set ("primary", primary);
    button.setMouseCursor (juce::MouseCursor::PointingHandCursor);
}

void styleDialogTextEditor (juce::TextEditor& editor, bool multiLine)
{
    editor.setMultiLine (multiLine, multiLine);
    editor.setReturnKeyStartsNewLine (multiLine);
    editor.setColour (juce::TextEditor::backgroundColourId, overlayColours::backdrop);
    editor.setColour (juce::TextEditor::textColourId, overlayColours::text);
    editor.setColour (juce::TextEditor::outlineColourId, overlayColours::pressedFill);
    editor.setColour (juce::TextEditor::focusedOutlineColourId, overlayColours::focus);
    editor.setIndents (10, 6);
}

bool isPlainKey (const juce::KeyPress& key, int keyCode)
{
    const auto mods = key.getModifiers();
    return key.getKeyCode() == keyCode && ! mods.isShiftDown() && ! mods.isCtrlDown() && ! mods.isAltDown()
        && ! mods.isCommandDown();
}
} // namespace VarneT
