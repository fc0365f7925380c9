#include "editor/RepeatCountButton.h"
#include "editor/VarneTTheme.h"
#include "kit/PopupMenuPlacement.h"
#include "support/gui/GuiTestBench.h"

#include <gtest/gtest.h>

namespace
{
namespace gui = testing_support::gui;
using VarneTTheme::Palette;

juce::String utf8 (const char* text) { return juce::String::fromUTF8 (text); }

TEST (RepeatCountButton, CountGivesTextTitleAndTooltip)
{
    RepeatCountButton button;
    EXPECT_EQ (button.getName(), "Repeat");
    EXPECT_TRUE (button.getWantsKeyboardFocus());

    button.setCount (2, "Pattern: Pattern 1");
    EXPECT_EQ (button.getButtonText(), utf8 ("\xc3\x97" "2"));
    EXPECT_EQ (button.getTitle(), "Pattern: Pattern 1: 2 total passes");

    button.setCount (3, "Pattern: Pattern 1");
    EXPECT_EQ (button.getTooltip(), utf8 ("Pattern: Pattern 1: play 3 times in total. Click to choose 1\xe2\x80\x93" "8 passes."));
}

TEST (RepeatCountButton, MenuHasHeaderAndEightItemsWithTheCountTicked)
{
    RepeatCountButton button;
    button.setCount (3, "Pattern: A");
    const auto entries = gui::walkMenu (button.buildRepeatMenu());

    ASSERT_EQ (entries.size(), 9u);
    EXPECT_TRUE (entries[0].sectionHeader);
    EXPECT_EQ (entries[0].text, "Repeat");
    for (int i = 1; i <= 8; ++i)
    {
        EXPECT_EQ (entries[(size_t) i].id, i);
        EXPECT_EQ (entries[(size_t) i].text, utf8 ("\xc3\x97") + juce::String (i));
        EXPECT_TRUE (entries[(size_t) i].enabled);
        EXPECT_EQ (entries[(size_t) i].ticked, i == 3);
    }

    const auto options = button.repeatMenuOptions();
    EXPECT_EQ (options.getTargetComponent(), &button);
    EXPECT_EQ (options.getMinimumWidth(), 80);
    EXPECT_EQ (options.getMaximumNumColumns(), 1);
    EXPECT_EQ (options.getStandardItemHeight(), 24);
}

TEST (RepeatCountButton, MenuResultsReportOnlyANewCount)
{
    struct Case { int chosen; int reported; };
    const Case cases[] { { 5, 5 }, { 1, 1 }, { 8, 8 }, { 3, 0 }, { 0, 0 }, { 9, 0 }, { -1, 0 } };

    for (const auto& c : cases)
    {
        RepeatCountButton button;
        button.setCount (3, "Pattern: A");
        int reported = 0;
        button.onChange = [&reported] (int count) { reported = count; };
        RepeatCountButton::applyMenuResult (&button, c.chosen);
        EXPECT_EQ (reported, c.reported) << c.chosen;
        EXPECT_EQ (button.getCount(), 3);
    }

    int calls = 0;
    juce::Component::SafePointer<RepeatCountButton> gone;
    {
        RepeatCountButton button;
        button.onChange = [&calls] (int) { ++calls; };
        gone = &button;
    }
    RepeatCountButton::applyMenuResult (gone, 5);
    EXPECT_EQ (calls, 0);

    RepeatCountButton withoutHandler;
    RepeatCountButton::applyMenuResult (&withoutHandler, 4); // no handler set: nothing happens
}

TEST (RepeatCountButton, SectionHeaderSizeAfterTheFrameworksGrowth)
{
    const auto wanted = RepeatCountButton::RepeatMenuLookAndFeel::sectionHeaderSize ("Repeat", 24);
    EXPECT_EQ (wanted.y, 30);
    EXPECT_EQ (wanted.x, (int) std::ceil (VarneTTheme::themeFont (17.0f, true).getStringWidthFloat ("Repeat")) + 20);
    EXPECT_EQ (RepeatCountButton::RepeatMenuLookAndFeel::sectionHeaderSize ("Repeat", 0).y, 30);

    // JUCE 7 grows what the item-size call returns by half the height and a quarter of the width.
    RepeatCountButton::RepeatMenuLookAndFeel lookAndFeel;
    for (int standard : { 24, 0, 17, 40 })
    {
        const auto options = juce::PopupMenu::Options().withStandardItemHeight (standard);
        const auto expected = RepeatCountButton::RepeatMenuLookAndFeel::sectionHeaderSize ("Repeat", standard);
        int w = 0, h = 0;
        lookAndFeel.getIdealPopupMenuItemSizeWithOptions ("Repeat", false, -1, w, h, options);
        EXPECT_GE (w + w / 4, expected.x);
        EXPECT_LE (w + w / 4, expected.x + 1);
        EXPECT_GE (h + h / 2, expected.y);
        EXPECT_LE (h + h / 2, expected.y + 1);
    }
}

int countColour (const juce::Image& image, juce::uint32 argb)
{
    int n = 0;
    const auto wanted = juce::Colour (argb);
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            n += image.getPixelAt (x, y) == wanted ? 1 : 0;
    return n;
}

TEST (RepeatCountButton, PaintsTheCountInItsColourAndNothingElseAtRest)
{
    RepeatCountButton button;
    button.setBounds (0, 0, 44, 26);

    button.setCount (1, "Pattern: A");
    auto image = gui::snapshotOf (button);
    EXPECT_GT (countColour (image, Palette::secondaryText), 0);
    EXPECT_EQ (countColour (image, Palette::accent), 0);
    EXPECT_EQ (countColour (image, Palette::hoverFill), 0);  // no fill without hover, press or focus

    button.setCount (4, "Pattern: A");
    image = gui::snapshotOf (button);
    EXPECT_GT (countColour (image, Palette::accent), 0);
    EXPECT_EQ (countColour (image, Palette::secondaryText), 0);

    button.setState (juce::Button::buttonOver);
    EXPECT_GT (countColour (gui::snapshotOf (button), Palette::hoverFill), 0);
    button.setState (juce::Button::buttonDown);
    EXPECT_GT (countColour (gui::snapshotOf (button), Palette::pressedFill), 0);
    button.setState (juce::Button::buttonNormal);
    button.setEnabled (false);
    EXPECT_GT (countColour (gui::snapshotOf (button), Palette::disabled), 0);
}

// The whole path with the real pointer: click the button, the menu opens in the host, click ×6.
TEST (RepeatCountButton, ARealClickOpensTheMenuAndAChoiceIsReported)
{
    juce::Component area;
    tolmek::PopupMenuPlacement::Host host;
    RepeatCountButton button;
    area.setBounds (0, 0, 300, 400);
    area.addAndMakeVisible (button);
    area.addAndMakeVisible (host);
    host.setInterceptsMouseClicks (false, true);
    button.setBounds (20, 20, 44, 26);
    button.setCount (2, "Pattern: Pattern 1");

    std::vector<int> reported;
    button.onChange = [&reported] (int count) { reported.push_back (count); };

    gui::DesktopWindow window (area);
    ASSERT_TRUE (gui::input::moveToCentreOf (button));
    ASSERT_TRUE (gui::input::click());
    const auto clickedAt = juce::Time::getMillisecondCounter();

    juce::Component* menu = nullptr;
    ASSERT_TRUE (gui::pumpUntil ([&]
    {
        menu = host.getNumChildComponents() > 0 ? host.getChildComponent (0) : nullptr;
        return menu != nullptr && menu->isShowing() && menu->getHeight() > 100;
    }));
    EXPECT_EQ (host.getBounds(), juce::Rectangle<int> (4, 46, 292, 350)); // the band below the button
    EXPECT_GE (menu->getScreenY(), button.getScreenBounds().getBottom());

    // Items are 24 high under a 30-pixel header; ×6 is the sixth. The menu takes a click once the
    // item under the pointer is highlighted and its own 250 ms guard after opening has passed.
    const auto menuArea = menu->getScreenBounds();
    const juce::Point<int> item { menuArea.getX() + 30, menuArea.getY() + 30 + 5 * 24 + 12 };
    ASSERT_TRUE (gui::input::moveTo (item));
    ASSERT_TRUE (gui::pumpUntil ([&]
    {
        const auto local = menu->getLocalPoint (nullptr, item);
        return gui::snapshotOf (*menu).getPixelAt (local.x - 20, local.y) == juce::Colour (Palette::hoverFill)
            && juce::Time::getMillisecondCounter() > clickedAt + 300;
    }));
    ASSERT_TRUE (gui::input::click());
    ASSERT_TRUE (gui::pumpUntil ([&] { return ! reported.empty() && host.getNumChildComponents() == 0; }));
    EXPECT_EQ (reported, std::vector<int> { 6 });
}
} // namespace
