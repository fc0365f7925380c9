#include "editor/ProjectJsonOverlay.h"

#include "editor/VarneTTheme.h"
#include "editor/library/DialogStyle.h"
#include "kit/X11TextClipboard.h"

namespace
{
using Palette = VarneTTheme::Palette;

constexpr int margin = 40, headerHeight = 58, cornerSize = 8;
constexpr int headerInsetX = 24, headerInsetY = 14, bodyInsetX = 24, bodyInsetY = 16;
constexpr int closeWidth = 72, applyWidth = 74, pasteWidth = 72, buttonGap = 8;
constexpr int statusHeight = 30, statusGap = 8;
} // namespace

ProjectJsonOverlay::Layout ProjectJsonOverlay::layoutFor (int width, int height)
{
    // JUCE's reduced and removeFrom... never make a size negative, so a tiny window just
    // collapses the parts to nothing.
    Layout l;
    l.panel = juce::Rectangle<int> (0, 0, std::max (0, width), std::max (0, height)).reduced (margin);
    auto rest = l.panel;
    l.header = rest.removeFromTop (headerHeight);
    l.title = l.header.reduced (bodyInsetX, 0);

    auto buttons = l.header.reduced (headerInsetX, headerInsetY);
    l.closeButton = buttons.removeFromRight (closeWidth);
    buttons.removeFromRight (buttonGap);
    l.applyButton = buttons.removeFromRight (applyWidth);
    buttons.removeFromRight (buttonGap);
    l.pasteButton = buttons.removeFromRight (pasteWidth);

    l.body = rest.reduced (bodyInsetX, bodyInsetY);
    auto body = l.body;
    l.statusLabel = body.removeFromBottom (statusHeight);
    body.removeFromBottom (statusGap);
    l.editor = body;
    return l;
}

ProjectJsonOverlay::ProjectJsonOverlay()
{
    setInterceptsMouseClicks (true, true);
    setWantsKeyboardFocus (true);
    setVisible (false);

    editor.setMultiLine (true, true);
    editor.setReturnKeyStartsNewLine (true);
    editor.setScrollbarsShown (true);
    editor.setCaretVisible (true);
    editor.setFont (juce::Font (juce::Font::getDefaultMonospacedFontName(), 13.5f, juce::Font::plain));
    editor.setColour (juce::TextEditor::backgroundColourId, VarneTTheme::colour (Palette::backdrop));
    editor.setColour (juce::TextEditor::textColourId, VarneTTheme::colour (Palette::teal));
    editor.setColour (juce::TextEditor::outlineColourId, VarneTTheme::colour (Palette::pressedFill));
    editor.setColour (juce::TextEditor::focusedOutlineColourId, VarneTTheme::colour (Palette::focus));
    editor.onEscapeKey = [this] { setVisible (false); };
    addAndMakeVisible (editor);

    VarneT::setButtonRole (pasteButton, "Paste", false);
    pasteButton.setTooltip ("Paste JSON from the clipboard");
    pasteButton.onClick = [this] { paste(); };
    addAndMakeVisible (pasteButton);

    VarneT::setButtonRole (applyButton, "Apply", true);
    applyButton.setTooltip ("Validate the complete Varne-T project and apply this edit");
    applyButton.onClick = [this] { apply(); };
    addAndMakeVisible (applyButton);

    VarneT::setButtonRole (closeButton, "Close", false);
    closeButton.onClick = [this] { setVisible (false); };
    addAndMakeVisible (closeButton);

    statusLabel.setColour (juce::Label::textColourId, VarneTTheme::colour (Palette::error));
    statusLabel.setFont (VarneTTheme::themeFont (12.5f, true));
    statusLabel.setJustificationType (juce::Justification::centredLeft);
    statusLabel.setMinimumHorizontalScale (0.55f);
    addAndMakeVisible (statusLabel);
}

void ProjectJsonOverlay::open (const juce::String& text)
{
    editor.setText (text, juce::dontSendNotification);
    clearFailure();

    if (auto* parent = getParentComponent())
        setBounds (0, 0, parent->getWidth(), parent->getHeight());

    setVisible (true);
    toFront (false);
    resized();
    editor.grabKeyboardFocus();
    repaint();
}

void ProjectJsonOverlay::paste()
{
    // Not JUCE's own reader, which drops a selection sent in parts: large projects come that way.
    const auto text = tolmek::readClipboardText();

    if (text.trim().isEmpty())
    {
        showFailure ("The clipboard does not contain JSON text.");
        return;
    }

    // Checked only on Apply: a paste may be fixed up by hand first.
    editor.setText (text, juce::dontSendNotification);
    clearFailure();
    editor.grabKeyboardFocus();
}

void ProjectJsonOverlay::apply()
{
    if (onApply == nullptr)
    {
        showFailure ("JSON application is unavailable.");
        return;
    }

    const auto result = onApply (editor.getText());

    if (result.failed())
        showFailure (result.getErrorMessage());
    else
        setVisible (false);
}

void ProjectJsonOverlay::showFailure (const juce::String& message)
{
    statusLabel.setText (message, juce::dontSendNotification);
    editor.setColour (juce::TextEditor::outlineColourId, VarneTTheme::colour (Palette::error));
    repaint();
}

void ProjectJsonOverlay::clearFailure()
{
    statusLabel.setText ({}, juce::dontSendNotification);
    editor.setColour (juce::TextEditor::outlineColourId, VarneTTheme::colour (Palette::pressedFill));
}

void ProjectJsonOverlay::paint (juce::Graphics& g)
{
    g.fillAll (VarneTTheme::colour (Palette::backdrop).withAlpha ((juce::uint8) 0xe0));

    const auto panel = layout.panel.toFloat();
    g.setColour (VarneTTheme::colour (Palette::panelBackground));
    g.fillRoundedRectangle (panel, (float) cornerSize);

    // The header's lower corners are squared by a plain band over the rounded one.
    const auto header = layout.header.toFloat();
    g.setColour (VarneTTheme::colour (Palette::menuBackground));
    g.fillRoundedRectangle (header, (float) cornerSize);
    g.fillRect (header.withTrimmedTop ((float) std::min (cornerSize, layout.header.getHeight())));

    g.setColour (VarneTTheme::colour (Palette::text));
    g.setFont (VarneTTheme::themeFont (23.0f, true));
    g.drawText ("Edit Project JSON", layout.title, juce::Justification::centredLeft, true);

    g.setColour (VarneTTheme::colour (Palette::pressedFill));
    g.drawRoundedRectangle (panel.reduced (1.0f), (float) cornerSize, 1.5f);
}

void ProjectJsonOverlay::resized()
{
    layout = layoutFor (getWidth(), getHeight());
    editor.setBounds (layout.editor);
    pasteButton.setBounds (layout.pasteButton);
    applyButton.setBounds (layout.applyButton);
    closeButton.setBounds (layout.closeButton);
    statusLabel.setBounds (layout.statusLabel);
}

bool ProjectJsonOverlay::keyPressed (const juce::KeyPress& key)
{
    if (! VarneT::isPlainKey (key, juce::KeyPress::escapeKey))
        return false;

    setVisible (false);
    return true;
}
