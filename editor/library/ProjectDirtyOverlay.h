#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/** "Unsaved Project": asks to save, save under a new name, or discard the current project's
    changes before another project is loaded. Stores nothing; each choice calls its callback. */
class ProjectDirtyOverlay : public juce::Component
{
public:
    ProjectDirtyOverlay();

    struct Request
    {
        bool canSaveInPlace = false;
        juce::String suggestedName, suggestedDescription, message;
        std::function<juce::String()> onSave;
        std::function<juce::String (const juce::String& name, const juce::String& description)> onSaveAs;
        std::function<void()> onDiscard;
    };

    void open (Request request);
    void dismiss();

    void paint (juce::Graphics&) override;
    void resized() override;
    bool keyPressed (const juce::KeyPress&) override;

    int getMode() const noexcept { return mode; }
    juce::Rectangle<int> panelBounds() const;

    juce::Label messageLabel;
    juce::Label nameLabel;
    juce::TextEditor nameEditor;
    juce::Label descriptionLabel;
    juce::TextEditor descriptionEditor;
    juce::Label statusLabel;
    juce::TextButton saveButton;
    juce::TextButton saveAsButton;
    juce::TextButton saveAsAndLoadButton;
    juce::TextButton discardButton;
    juce::TextButton cancelButton;

private:
    void saveClicked();
    void saveAsClicked();
    void submitSaveAs();
    void discardClicked();
    void showError (const juce::String&);

    bool canSaveInPlace = false;
    int mode = 0;
    juce::String suggestedName;
    juce::String suggestedDescription;
    std::function<juce::String()> onSave;
    std::function<juce::String (const juce::String&, const juce::String&)> onSaveAs;
    std::function<void()> onDiscard;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ProjectDirtyOverlay)
};
