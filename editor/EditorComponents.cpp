#include "editor/EditorComponents.h"

#include "editor/VarneTTheme.h"

#include <cmath>

namespace VarneTEditorComponents
{
using VarneTTheme::Palette;

namespace
{
juce::Colour c (juce::uint32 argb) { return juce::Colour (argb); }
} // namespace

void ContentWrapper::paintPanelCard (juce::Graphics& g, juce::Rectangle<int> card)
{
    if (card.getWidth() < 1 || card.getHeight() < 1)
        return;

    const juce::Rectangle<float> r ((float) card.getX() + 0.5f, (float) card.getY() + 0.5f,
                                    std::max (0.0f, (float) card.getWidth() - 1.0f),
                                    std::max (0.0f, (float) card.getHeight() - 1.0f));
    g.setColour (c (Palette::cardBackground).withAlpha ((juce::uint8) 0x85));
    g.fillRoundedRectangle (r, 6.0f);
    g.setColour (c (Palette::divider).withAlpha ((juce::uint8) 0xd1));
    g.drawRoundedRectangle (r, 6.0f, 1.0f);
}

void ContentWrapper::paint (juce::Graphics& g)
{
    if (owner == nullptr)
        return;

    g.fillAll (c (Palette::contentBackground));

    for (const auto& card : owner->panelCards())
        paintPanelCard (g, card);

    const auto framed = owner->framedArea().toFloat();
    const juce::Rectangle<float> r (framed.getX() + 0.5f, framed.getY() + 0.5f,
                                    std::max (0.0f, framed.getWidth() - 1.0f), std::max (0.0f, framed.getHeight() - 1.0f));
    g.setColour (c (Palette::contentBackground));
    g.fillRoundedRectangle (r, 6.0f);
    g.setColour (c (Palette::divider).withAlpha ((juce::uint8) 0xd1));
    g.drawRoundedRectangle (r, 6.0f, 1.0f);
}

void ContentWrapper::resized()
{
    if (owner != nullptr)
        owner->layoutContent();
}

std::unique_ptr<juce::ComponentTraverser> ContentWrapper::createKeyboardFocusTraverser()
{
    struct NoDefaultTraverser final : juce::KeyboardFocusTraverser
    {
        juce::Component* getDefaultComponent (juce::Component*) override { return nullptr; }
    };
    return std::make_unique<NoDefaultTraverser>();
}

void ScaleResetCorner::mouseDoubleClick (const juce::MouseEvent&)
{
    if (resetScale)
        resetScale();
}

void DiscreteStepSlider::mouseWheelMove (const juce::MouseEvent&, const juce::MouseWheelDetails& wheel)
{
    if (! isEnabled() || ! isScrollWheelEnabled())
        return;

    for (auto* p = getParentComponent(); p != nullptr; p = p->getParentComponent())
        if (! p->isEnabled())
            return;

    float d = std::abs (wheel.deltaX) > std::abs (wheel.deltaY) ? -wheel.deltaX : wheel.deltaY;
    if (wheel.isReversed)
        d = -d;

    if (d == 0.0f || std::isnan (d))
        return;

    setValue (getValue() + (d > 0.0f ? getInterval() : -getInterval()), juce::sendNotificationSync);
}

void AutoAdvanceButton::paintButton (juce::Graphics& g, bool highlighted, bool down)
{
    const bool on = getToggleState();
    const float w = (float) getWidth(), h = (float) getHeight();
    const juce::Rectangle<float> r (0.5f, 0.5f, std::max (0.0f, w - 1.0f), std::max (0.0f, h - 1.0f));
    const auto onFill = c (Palette::fieldBackground).interpolatedWith (c (Palette::pressedFill), 0.28f);

    juce::Colour fill;
    if (down)
        fill = on ? onFill.darker (0.08f) : c (Palette::pressedFill);
    else if (on)
        fill = onFill;
    else
        fill = highlighted ? c (Palette::hoverFill).interpolatedWith (c (Palette::teal), 0.1f)
                           : c (Palette::fieldBackground).interpolatedWith (c (Palette::teal), 0.06f);

    if (! isEnabled())
        fill = fill.withMultipliedAlpha (0.48f);

    g.setColour (fill);
    g.fillRoundedRectangle (r, 6.0f);

    g.setColour (on ? c (Palette::teal).withAlpha (0.74f) : c (Palette::pressedFill).withAlpha (0.7f));
    g.drawRoundedRectangle (r, 6.0f, on ? 1.1f : 1.0f);

    const juce::Rectangle<float> indicator (10.0f, (h - 1.0f) / 2.0f + 0.5f - 4.0f, 8.0f, 8.0f);
    if (on)
    {
        g.setColour (c (Palette::teal));
        g.fillEllipse (indicator);
    }
    else
    {
        g.setColour (c (Palette::captionText).withAlpha ((juce::uint8) 0x99));
        g.drawEllipse (indicator, 1.0f);
    }

    auto textColour = on ? c (Palette::teal).interpolatedWith (c (Palette::text), 0.52f)
                         : c (Palette::captionText).interpolatedWith (c (Palette::teal), 0.4f);
    if (! isEnabled())
        textColour = textColour.withMultipliedAlpha (0.45f);

    const int inner = std::max (0, getWidth() - 16);
    const int m = std::min (14, inner);
    g.setColour (textColour);
    g.setFont (VarneTTheme::themeFont (std::min (14.0f, 0.58f * h), true));
    g.drawFittedText (getButtonText(), m + 8, 0, inner - m, getHeight(), juce::Justification::centred, 1);
}

} // namespace VarneTEditorComponents
