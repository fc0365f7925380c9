#include "editor/library/ProjectDirtyOverlay.h"

#include "editor/library/DialogStyle.h"
#include "editor/VarneTTheme.h"

using namespace VarneT;

ProjectDirtyOverlay::ProjectDirtyOverlay()
{
    setInterceptsMouseClicks (true, true);
    setWantsKeyboardFocus (true);
    setVisible (false);

    messageLabel.setColour (juce::Label::textColourId, VarneTTheme::colour (VarneTTheme::Palette::text));
    messageLabel.setFont (VarneTTheme::themeFont (14.0f, true));
    messageLabel.setJustificationType (juce::Justification::centredLeft);
    messageLabel.setMinimumHorizontalScale (0.7f);
    addAndMakeVisible (messageLabel);

    addProjectFields (*this, nameLabel, nameEditor, descriptionLabel, descriptionEditor,
                      [this] { submitSaveAs(); }, [this] { dismiss(); });
    addStatusLabel (*this, statusLabel, VarneTTheme::colour (VarneTTheme::Palette::error));

    setButtonRole (saveButton, "Save", true);
    setButtonRole (saveAsButton, "Save As", false);
    setButtonRole (saveAsAndLoadButton, "Save As & Load", true);
    setButtonRole (discardButton, "Discard", false);
    discardButton.getProperties().set ("danger", true);
    setButtonRole (cancelButton, "Cancel", false);

    for (auto* b : { &saveButton, &saveAsButton, &saveAsAndLoadButton, &discardButton, &cancelButton })
        addAndMakeVisible (b);

    saveButton.onClick = [this] { saveClicked(); };
    saveAsButton.onClick = [this] { saveAsClicked(); };
    saveAsAndLoadButton.onClick = [this] { submitSaveAs(); };
    discardButton.onClick = [this] { discardClicked(); };
    cancelButton.onClick = [this] { dismiss(); };
}

void ProjectDirtyOverlay::open (Request request)
{
    canSaveInPlace = request.canSaveInPlace;
    suggestedName = request.suggestedName;
    suggestedDescription = request.suggestedDescription;
    onSave = std::move (request.onSave);
    onSaveAs = std::move (request.onSaveAs);
    onDiscard = std::move (request.onDiscard);
    mode = 0;
    statusLabel.setText ({}, juce::dontSendNotification);
    messageLabel.setText (request.message, juce::dontSendNotification);

    if (auto* parent = getParentComponent())
        setBounds (parent->getLocalBounds());
    setVisible (true);
    toFront (true);
    resized();
    grabKeyboardFocus();
    repaint();
}

void ProjectDirtyOverlay::dismiss()
{
    setVisible (false);
    onSave = nullptr;
    onSaveAs = nullptr;
    onDiscard = nullptr;
}

void ProjectDirtyOverlay::showError (const juce::String& text)
{
    statusLabel.setColour (juce::Label::textColourId, VarneTTheme::colour (VarneTTheme::Palette::error));
    statusLabel.setText (text, juce::dontSendNotification);
}

void ProjectDirtyOverlay::saveClicked()
{
    if (! onSave)
        return;

    // The callback may dismiss or reopen this overlay, so it runs from a copy.
    const auto save = onSave;
    if (const auto error = save(); error.isNotEmpty())
        showError (error);
    else
        dismiss();
}

void ProjectDirtyOverlay::saveAsClicked()
{
    mode = 1;
    nameEditor.setText (suggestedName, false);
    descriptionEditor.setText (suggestedDescription, false);
    statusLabel.setText ({}, juce::dontSendNotification);
    resized();
    nameEditor.grabKeyboardFocus();
    nameEditor.selectAll();
    repaint();
}

void ProjectDirtyOverlay::submitSaveAs()
{
    const auto name = nameEditor.getText().trim();
    if (name.isEmpty())
    {
        showError ("Project name required.");
        return;
    }

    if (! onSaveAs)
        return;

    const auto saveAs = onSaveAs;
    if (const auto error = saveAs (name, descriptionEditor.getText().trim()); error.isNotEmpty())
        showError (error);
    else
        dismiss();
}

void ProjectDirtyOverlay::discardClicked()
{
    auto discard = std::move (onDiscard);
    onDiscard = nullptr;
    setVisible (false);
    onSave = nullptr;
    onSaveAs = nullptr;
    if (discard)
        discard();
}

bool ProjectDirtyOverlay::keyPressed (const juce::KeyPress& key)
{
    if (isPlainKey (key, juce::KeyPress::escapeKey))
    {
        dismiss();
        return true;
    }

    if (isPlainKey (key, juce::KeyPress::returnKey) && mode == 1)
    {
        submitSaveAs();
        return true;
    }

    return false;
}

juce::Rectangle<int> ProjectDirtyOverlay::panelBounds() const
{
    const auto w = getWidth(), h = getHeight();
    const auto pw = juce::jmin (680, juce::jmax (560, w - 120));
    const auto ph = mode == 0 ? 250 : 410;
    return { (w - pw) / 2, (h - ph) / 2, pw, ph };
}

void ProjectDirtyOverlay::resized()
{
    const auto panel = panelBounds();
    const auto x0 = panel.getX(), y0 = panel.getY(), ph = panel.getHeight();
    const auto cx = x0 + 24, cw = panel.getWidth() - 48;
    const bool choice = mode == 0;

    messageLabel.setVisible (choice);
    saveAsButton.setVisible (choice);
    discardButton.setVisible (choice);
    saveButton.setVisible (choice && canSaveInPlace);
    for (auto* c : std::initializer_list<juce::Component*> { &nameLabel, &nameEditor, &descriptionLabel, &descriptionEditor, &saveAsAndLoadButton })
        c->setVisible (! choice);

    statusLabel.setBounds (cx, y0 + ph - 40, cw, 22);
    const auto rowY = y0 + ph - 86;
    cancelButton.setBounds (cx + cw - 82, rowY, 82, 34);

    if (choice)
    {
        discardButton.setBounds (cx + cw - 196, rowY, 104, 34);
        saveAsButton.setBounds (cx + cw - 310, rowY, 104, 34);
        saveButton.setBounds (canSaveInPlace ? juce::Rectangle<int> (cx + cw - 404, rowY, 84, 34) : juce::Rectangle<int>());
        messageLabel.setBounds (cx, y0 + 76, cw, 60);
    }
    else
    {
        saveAsAndLoadButton.setBounds (cx + cw - 242, rowY, 150, 34);
        nameLabel.setBounds (cx, y0 + 76, cw, 18);
        nameEditor.setBounds (cx, y0 + 98, cw, 34);
        descriptionLabel.setBounds (cx, y0 + 144, cw, 18);
        descriptionEditor.setBounds (cx, y0 + 166, cw, 142);
    }
}

void ProjectDirtyOverlay::paint (juce::Graphics& g)
{
    const auto panel = panelBounds();
    const auto x0 = (float) panel.getX(), y0 = (float) panel.getY();
    const auto pw = (float) panel.getWidth(), ph = (float) panel.getHeight();

    paintDialogFrame (g, panel, 0xe6, "Unsaved Project");

    g.setColour (VarneTTheme::colour (VarneTTheme::Palette::pressedFill));
    g.drawRoundedRectangle (x0 + 1.0f, y0 + 1.0f, juce::jmax (0.0f, pw - 2.0f), juce::jmax (0.0f, ph - 2.0f), 8.0f, 1.5f);
}
