#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/** The "Edit Project JSON" panel: the whole project as text, pasted or edited, applied as one
    edit through onApply. It knows nothing of projects; the editor supplies the text and the
    apply path. */
class ProjectJsonOverlay : public juce::Component
{
public:
    /** Rectangles of one layout, every size clamped at 0. */
    struct Layout
    {
        juce::Rectangle<int> panel, header, title, pasteButton, applyButton, closeButton, body, editor, statusLabel;
    };

    static Layout layoutFor (int width, int height);

    ProjectJsonOverlay();

    /** Shows the text with a clean status and outline, covering the parent, focus in the text. */
    void open (const juce::String& text);

    void paste();
    void apply();

    /** The status in the error colour and the text field outlined in red; the text stays. */
    void showFailure (const juce::String& message);

    const Layout& getLayout() const noexcept { return layout; }

    void paint (juce::Graphics&) override;
    void resized() override;
    bool keyPressed (const juce::KeyPress&) override;

    std::function<juce::Result (const juce::String&)> onApply;

    juce::TextEditor editor;
    juce::TextButton pasteButton { "Paste" }, applyButton { "Apply" }, closeButton { "Close" };
    juce::Label statusLabel;

private:
    void clearFailure();

    Layout layout;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ProjectJsonOverlay)
};
