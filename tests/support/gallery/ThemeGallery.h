#pragma once

// Every look of the editor theme on one surface, for the review image and the paint benchmark.

#include "editor/EditorComponents.h"
#include "editor/RepeatCountButton.h"
#include "editor/VarneTTheme.h"
#include "kit/PopupMenuPlacement.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>
#include <vector>

namespace testing_support
{
class ThemeGallery : public juce::Component
{
public:
    static constexpr int width = 1360;
    static constexpr int height = 820;

    ThemeGallery();
    ~ThemeGallery() override;

    void paint (juce::Graphics&) override;

    /** The repeat button whose menu the review image shows open. */
    RepeatCountButton& menuRepeatButton() { return *repeatButtons.front(); }
    /** Controls to show hovered by the real pointer (a slider shows its value bubble). */
    const std::vector<juce::Component*>& hoverShowcase() const { return hoverTargets; }
    /** The area menus may use and its host. */
    juce::Component& menuStage() { return stage; }

private:
    struct Caption
    {
        juce::String text;
        juce::Rectangle<int> area;
        bool heading;
    };

    template <typename ComponentType>
    ComponentType& add (std::unique_ptr<ComponentType> component, juce::Component& parent);
    void caption (const juce::String& text, juce::Rectangle<int> area, bool heading = false);

    void buildButtons();
    void buildSliders();
    void buildKnobs();
    void buildSelectors();
    void buildRepeatAndToggles();
    void buildHovered();

    VarneTTheme::LookAndFeel theme;
    std::vector<std::unique_ptr<juce::Component>> owned;
    std::vector<Caption> captions;
    std::vector<RepeatCountButton*> repeatButtons;
    std::vector<std::pair<std::unique_ptr<juce::Drawable>, juce::Rectangle<float>>> icons;
    std::vector<juce::Component*> hoverTargets;
    juce::Component stage;
    tolmek::PopupMenuPlacement::Host host;
};
} // namespace testing_support
