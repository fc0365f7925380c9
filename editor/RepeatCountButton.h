#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/** "×n" in a Pattern tile: how many times the Pattern plays per pass of its Section. Picking a
    count from its menu reports it through onChange; the owner applies it and calls setCount. */
// juce::Button already is a SettableTooltipClient in this JUCE version; a second base would be ambiguous.
class RepeatCountButton : public juce::Button
{
public:
    /** The menu's own look: theme colours, and a section header sized for its bold title. */
    class RepeatMenuLookAndFeel : public juce::LookAndFeel_V4
    {
    public:
        RepeatMenuLookAndFeel();

        /** The section header's width and height for a given standard item height. */
        static juce::Point<int> sectionHeaderSize (const juce::String& title, int standardItemHeight);

        void getIdealPopupMenuItemSizeWithOptions (const juce::String& text, bool isSeparator, int standardMenuItemHeight,
                                                   int& idealWidth, int& idealHeight,
                                                   const juce::PopupMenu::Options&) override;
    };

    RepeatCountButton();
    ~RepeatCountButton() override;

    void setCount (int newCount, const juce::String& label);
    int getCount() const noexcept { return count; }

    /** The repeat menu as shown on click (built apart from showing, so it can be inspected). */
    juce::PopupMenu buildRepeatMenu();
    juce::PopupMenu::Options repeatMenuOptions();

    /** What a menu result does: nothing for a deleted button, a dismissal or the current count. */
    static void applyMenuResult (juce::Component::SafePointer<RepeatCountButton> button, int chosenId);

    std::function<void (int count)> onChange;

protected:
    void paintButton (juce::Graphics&, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

private:
    void showRepeatMenu();

    int count = 1;
    RepeatMenuLookAndFeel repeatMenuLookAndFeel;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (RepeatCountButton)
};
