#include "editor/library/DialogStyle.h"

#include "editor/VarneTTheme.h"

namespace VarneT
{
void makeFieldLabel (juce::Component& parent, juce::Label& label, const juce::String& text)
{
    label.setText (text, juce::dontSendNotification);
    label.setColour (juce::Label::textColourId, VarneTTheme::colour (VarneTTheme::Palette::captionText));
    label.setFont (VarneTTheme::themeFont (12.0f, true));
    parent.addAndMakeVisible (label);
}

void setButtonRole (juce::Button& button, const juce::String& text, bool primary)
{
    button.setButtonText (text);
    button.getProperties().set (VarneTTheme::Roles::primary, primary);
    button.setMouseCursor (juce::MouseCursor::PointingHandCursor);
}

void styleDialogTextEditor (juce::TextEditor& editor, bool multiLine)
{
    editor.setMultiLine (multiLine, multiLine);
    editor.setReturnKeyStartsNewLine (multiLine);
    editor.setColour (juce::TextEditor::backgroundColourId, VarneTTheme::colour (VarneTTheme::Palette::backdrop));
    editor.setColour (juce::TextEditor::textColourId, VarneTTheme::colour (VarneTTheme::Palette::text));
    editor.setColour (juce::TextEditor::outlineColourId, VarneTTheme::colour (VarneTTheme::Palette::pressedFill));
    editor.setColour (juce::TextEditor::focusedOutlineColourId, VarneTTheme::colour (VarneTTheme::Palette::focus));
    editor.setIndents (10, 6);
}

bool isPlainKey (const juce::KeyPress& key, int keyCode)
{
    const auto mods = key.getModifiers();
    return key.getKeyCode() == keyCode && ! mods.isShiftDown() && ! mods.isCtrlDown() && ! mods.isAltDown()
        && ! mods.isCommandDown();
}
} // namespace VarneT
