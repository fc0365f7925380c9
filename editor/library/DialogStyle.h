#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// Styling shared by the project overlays.
namespace VarneT
{
void makeFieldLabel (juce::Component& parent, juce::Label& label, const juce::String& text);
void setButtonRole (juce::Button& button, const juce::String& text, bool primary);
void styleDialogTextEditor (juce::TextEditor& editor, bool multiLine);

/** Whether a key press is this key without Shift, Ctrl or Alt. */
bool isPlainKey (const juce::KeyPress& key, int keyCode);
} // namespace VarneT
