#include "editor/RepeatCountButton.h"

#include "editor/VarneTTheme.h"
#include "kit/PopupMenuPlacement.h"

#include <cmath>

namespace
{
using VarneTTheme::Palette;

const juce::String timesSign (juce::CharPointer_UTF8 ("\xc3\x97"));

// JUCE 7 sizes a section header through the item-size call with a standard height of -1 and then
// grows it by half its height and a quarter of its width: the smallest size that grows to the
// wanted one is handed back.
int shrinkBeforeGrowth (int wanted, int divisor)
{
    int x = std::max (0, wanted * divisor / (divisor + 1) - 1);
    while (x + x / divisor < wanted)
        ++x;
    return x;
}
} // namespace

RepeatCountButton::RepeatMenuLookAndFeel::RepeatMenuLookAndFeel()
{
    setColour (juce::PopupMenu::backgroundColourId, juce::Colour (Palette::menuBackground));
    setColour (juce::PopupMenu::textColourId, juce::Colour (Palette::text));
    setColour (juce::PopupMenu::headerTextColourId, juce::Colour (Palette::text));
    setColour (juce::PopupMenu::highlightedBackgroundColourId, juce::Colour (Palette::hoverFill));
    setColour (juce::PopupMenu::highlightedTextColourId, juce::Colour (Palette::text));
}

juce::Point<int> RepeatCountButton::RepeatMenuLookAndFeel::sectionHeaderSize (const juce::String& title, int standardItemHeight)
{
    const int width = (int) std::ceil (VarneTTheme::themeFont (17.0f, true).getStringWidthFloat (title)) + 20;
    const int height = standardItemHeight < 1 ? 30 : standardItemHeight + 6;
    return { width, height };
}

void RepeatCountButton::RepeatMenuLookAndFeel::getIdealPopupMenuItemSizeWithOptions (
    const juce::String& text, bool isSeparator, int standardMenuItemHeight, int& idealWidth, int& idealHeight,
    const juce::PopupMenu::Options& options)
{
    if (standardMenuItemHeight >= 0 || isSeparator)
    {
        LookAndFeel_V4::getIdealPopupMenuItemSizeWithOptions (text, isSeparator, standardMenuItemHeight,
                                                             idealWidth, idealHeight, options);
        return;
    }

    const auto size = sectionHeaderSize (text, options.getStandardItemHeight());
    idealWidth = shrinkBeforeGrowth (size.x, 4);
    idealHeight = shrinkBeforeGrowth (size.y, 2);
}

//==============================================================================
RepeatCountButton::RepeatCountButton() : juce::Button ("Repeat")
{
    setWantsKeyboardFocus (true);
    setMouseCursor (juce::MouseCursor::PointingHandCursor);
    onClick = [this] { showRepeatMenu(); };
}

RepeatCountButton::~RepeatCountButton()
{
    onChange = nullptr;
    onClick = nullptr;
}

void RepeatCountButton::setCount (int newCount, const juce::String& label)
{
    count = newCount;
    setButtonText (timesSign + juce::String (count));
    setTitle (label + ": " + juce::String (count) + " total passes");
    setTooltip (label + ": play " + juce::String (count) + " times in total. Click to choose 1"
                + juce::String (juce::CharPointer_UTF8 ("\xe2\x80\x93")) + "8 passes.");
    repaint();
}

juce::PopupMenu RepeatCountButton::buildRepeatMenu()
{
    juce::PopupMenu menu;
    menu.setLookAndFeel (&repeatMenuLookAndFeel);
    menu.addSectionHeader ("Repeat");
    for (int i = 1; i <= 8; ++i)
        menu.addItem (i, timesSign + juce::String (i), true, i == count);
    return menu;
}

juce::PopupMenu::Options RepeatCountButton::repeatMenuOptions()
{
    return tolmek::PopupMenuPlacement::placeMenu (juce::PopupMenu::Options()
                                                      .withTargetComponent (this)
                                                      .withMinimumWidth (80)
                                                      .withMaximumNumColumns (1)
                                                      .withStandardItemHeight (24));
}

void RepeatCountButton::applyMenuResult (juce::Component::SafePointer<RepeatCountButton> button, int chosenId)
{
    if (button == nullptr || chosenId < 1 || chosenId > 8 || chosenId == button->count)
        return;

    if (button->onChange)
        button->onChange (chosenId);
}

void RepeatCountButton::showRepeatMenu()
{
    juce::Component::SafePointer<RepeatCountButton> safeThis (this);
    buildRepeatMenu().showMenuAsync (repeatMenuOptions(), [safeThis] (int result) { applyMenuResult (safeThis, result); });
}

void RepeatCountButton::paintButton (juce::Graphics& g, bool highlighted, bool down)
{
    const auto r = juce::Rectangle<float> (1.0f, 1.0f, std::max (0.0f, (float) getWidth() - 2.0f),
                                           std::max (0.0f, (float) getHeight() - 2.0f));
    const bool focused = hasKeyboardFocus (true);

    if (highlighted || down || focused)
    {
        g.setColour (juce::Colour (down ? Palette::pressedFill : Palette::hoverFill));
        g.fillRoundedRectangle (r, 3.0f);
    }

    if (focused || highlighted)
    {
        g.setColour (juce::Colour (focused ? Palette::focus : Palette::subtleOutline));
        g.drawRoundedRectangle (r, 3.0f, focused ? 2.0f : 1.0f);
    }

    g.setColour (juce::Colour (! isEnabled() ? Palette::disabled : count > 1 ? Palette::accent : Palette::secondaryText));
    g.setFont (VarneTTheme::themeFont (11.0f, true));
    g.drawFittedText (getButtonText(), r.toNearestInt(), juce::Justification::centred, 1);
}
