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

void addProjectFields (juce::Component& parent, juce::Label& nameLabel, juce::TextEditor& nameEditor,
                       juce::Label& descriptionLabel, juce::TextEditor& descriptionEditor,
                       std::function<void()> submit, std::function<void()> dismiss)
{
    makeFieldLabel (parent, nameLabel, "Name");
    makeFieldLabel (parent, descriptionLabel, "Description");

    styleDialogTextEditor (nameEditor, false);
    styleDialogTextEditor (descriptionEditor, true);
    parent.addAndMakeVisible (nameEditor);
    parent.addAndMakeVisible (descriptionEditor);
    nameEditor.onReturnKey = std::move (submit);
    nameEditor.onEscapeKey = dismiss;
    descriptionEditor.onEscapeKey = std::move (dismiss);
}

void addStatusLabel (juce::Component& parent, juce::Label& label, juce::Colour colour)
{
    label.setColour (juce::Label::textColourId, colour);
    label.setFont (VarneTTheme::themeFont (12.0f, true));
    label.setMinimumHorizontalScale (0.65f);
    parent.addAndMakeVisible (label);
}

void paintDialogFrame (juce::Graphics& g, juce::Rectangle<int> panel, juce::uint8 backdropAlpha, const juce::String& title)
{
    g.fillAll (VarneTTheme::colour (VarneTTheme::Palette::backdrop).withAlpha (backdropAlpha));
    g.setColour (VarneTTheme::colour (VarneTTheme::Palette::panelBackground));
    g.fillRoundedRectangle (panel.toFloat(), 8.0f);

    const auto band = panel.withHeight (58).toFloat();
    g.setColour (VarneTTheme::colour (VarneTTheme::Palette::menuBackground));
    g.fillRoundedRectangle (band, 8.0f);
    g.fillRect (band.withTrimmedTop (8.0f));

    g.setColour (VarneTTheme::colour (VarneTTheme::Palette::text));
    g.setFont (VarneTTheme::themeFont (23.0f, true));
    g.drawText (title, band.withTrimmedLeft (24.0f).withTrimmedRight (24.0f), juce::Justification::centredLeft, true);
}

bool isPlainKey (const juce::KeyPress& key, int keyCode)
{
    const auto mods = key.getModifiers();
    return key.getKeyCode() == keyCode && ! mods.isShiftDown() && ! mods.isCtrlDown() && ! mods.isAltDown()
        && ! mods.isCommandDown();
}
} // namespace VarneT
