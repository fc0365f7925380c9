#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <functional>
#include <memory>

// The small components the editor nests: its content wrapper, resize corner, stepped knob and
// Auto-Advance toggle. The editor class names them as its own nested types.
namespace VarneTEditorComponents
{

/** Holds every control of the editor, so that one transform scales them all. */
class ContentWrapper : public juce::Component
{
public:
    /** What the wrapper needs from the editor that owns it. */
    struct Owner
    {
        virtual ~Owner() = default;
        /** The five panel cards, in the order they are painted. */
        virtual std::array<juce::Rectangle<int>, 5> panelCards() const = 0;
        /** The framed area drawn over the cards. */
        virtual juce::Rectangle<int> framedArea() const = 0;
        virtual void layoutContent() = 0;
    };

    explicit ContentWrapper (Owner* owningEditor = nullptr) : owner (owningEditor) {}

    void paint (juce::Graphics&) override;
    void resized() override;

    /** Tab moves among the controls as usual, but a control that loses the focus by hiding never
        hands it to an arbitrary sibling: it goes back up to the editor. */
    std::unique_ptr<juce::ComponentTraverser> createKeyboardFocusTraverser() override;

    static void paintPanelCard (juce::Graphics&, juce::Rectangle<int> card);

private:
    Owner* owner;
};

/** The resize corner; a double-click returns the editor to its default scale. */
class ScaleResetCorner : public juce::ResizableCornerComponent
{
public:
    ScaleResetCorner (juce::Component* componentToResize, juce::ComponentBoundsConstrainer* boundsConstrainer,
                      std::function<void()> resetToDefaultScale)
        : juce::ResizableCornerComponent (componentToResize, boundsConstrainer), resetScale (std::move (resetToDefaultScale)) {}

    void mouseDoubleClick (const juce::MouseEvent&) override;

private:
    std::function<void()> resetScale;
};

/** A knob that moves exactly one interval per wheel notch, whatever the wheel's speed. */
class DiscreteStepSlider : public juce::Slider
{
public:
    using juce::Slider::Slider;
    void mouseWheelMove (const juce::MouseEvent&, const juce::MouseWheelDetails&) override;
};

/** The Auto-Advance toggle, with its own teal look. */
class AutoAdvanceButton : public juce::TextButton
{
public:
    using juce::TextButton::TextButton;
    void paintButton (juce::Graphics&, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;
};

} // namespace VarneTEditorComponents
