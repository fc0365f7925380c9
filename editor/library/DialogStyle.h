#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

// Styling shared by the project overlays.
namespace VarneT
{
void makeFieldLabel (juce::Component& parent, juce::Label& label, const juce::String& text);
void setButtonRole (juce::Button& button, const juce::String& text, bool primary);
void styleDialogTextEditor (juce::TextEditor& editor, bool multiLine);

/** The Name and Description fields of a project dialog, labelled, styled and shown: Return in the
    name submits, Escape in either dismisses. */
void addProjectFields (juce::Component& parent, juce::Label& nameLabel, juce::TextEditor& nameEditor,
                       juce::Label& descriptionLabel, juce::TextEditor& descriptionEditor,
                       std::function<void()> submit, std::function<void()> dismiss);

/** The line under a dialog's controls that reports what happened, in the given colour. */
void addStatusLabel (juce::Component& parent, juce::Label& label, juce::Colour colour);

/** A dialog's backdrop over all the component, its panel and the panel's title band. */
void paintDialogFrame (juce::Graphics& g, juce::Rectangle<int> panel, juce::uint8 backdropAlpha, const juce::String& title);

/** Whether a key press is this key without Shift, Ctrl or Alt. */
bool isPlainKey (const juce::KeyPress& key, int keyCode);
} // namespace VarneT
