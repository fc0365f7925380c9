#include "kit/PopupMenuPlacement.h"
#include "support/gui/GuiTestBench.h"

#include <gtest/gtest.h>

namespace
{
using tolmek::PopupMenuPlacement;
using Direction = juce::PopupMenu::Options::PopupDirection;

// An editor-like area of 400 × 300 on screen, with the host among its children.
struct PlacementArea
{
    PlacementArea()
    {
        area.setBounds (0, 0, 400, 300);
        area.addAndMakeVisible (control);
        area.addChildComponent (host);
        host.setInterceptsMouseClicks (false, true);
    }

    juce::PopupMenu::Options optionsFor (juce::Rectangle<int> controlBounds)
    {
        control.setBounds (controlBounds);
        return juce::PopupMenu::Options().withTargetComponent (&control);
    }

    juce::Rectangle<int> local (juce::Rectangle<int> screen) const { return area.getLocalArea (nullptr, screen); }

    juce::Component area, control;
    PopupMenuPlacement::Host host;
};

struct PlacementCase
{
    const char* name;
    juce::Rectangle<int> control;
    bool above;
    juce::Rectangle<int> host;
    juce::Rectangle<int> strip;
};

TEST (PopupMenuPlacement, PlacesHostAndStripByTheFreeBand)
{
    // Usable area is (4, 4, 392, 292); its centre test is 146 + 4 < y + h / 2.
    const PlacementCase cases[] {
        { "near the bottom opens upwards", { 20, 240, 100, 20 }, true, { 4, 4, 392, 236 }, { 20, 239, 100, 1 } },
        { "near the top opens downwards", { 20, 10, 100, 20 }, false, { 4, 30, 392, 266 }, { 20, 30, 100, 1 } },
        { "exactly in the middle opens downwards", { 50, 140, 60, 20 }, false, { 4, 160, 392, 136 }, { 50, 160, 60, 1 } },
        { "one pixel below the middle opens upwards", { 50, 141, 60, 20 }, true, { 4, 4, 392, 137 }, { 50, 140, 60, 1 } },
        { "band under 48 below uses the whole area", { 20, 10, 100, 250 }, false, { 4, 4, 392, 292 }, { 20, 260, 100, 1 } },
        { "band under 48 above uses the whole area", { 20, 40, 100, 240 }, true, { 4, 4, 392, 292 }, { 20, 39, 100, 1 } },
        { "band of exactly 48 is used", { 20, 52, 100, 200 }, true, { 4, 4, 392, 48 }, { 20, 51, 100, 1 } },
        { "target partly outside is clamped", { -30, 280, 100, 40 }, true, { 4, 4, 392, 252 }, { 4, 255, 100, 1 } },
        { "target wider than the area takes its width", { -10, 20, 600, 20 }, false, { 4, 40, 392, 256 }, { 4, 40, 392, 1 } },
        { "zero-width target gets a one-pixel strip", { 30, 20, 0, 20 }, false, { 4, 40, 392, 256 }, { 30, 40, 1, 1 } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        PlacementArea fixture;
        const auto placed = PopupMenuPlacement::placeMenu (fixture.optionsFor (c.control).withItemThatMustBeVisible (7));

        EXPECT_EQ (placed.getParentComponent(), &fixture.host);
        EXPECT_EQ (fixture.host.getBounds(), c.host);
        EXPECT_EQ (fixture.local (placed.getTargetScreenArea()), c.strip);
        EXPECT_EQ (placed.getPreferredPopupDirection(), c.above ? Direction::upwards : Direction::downwards);
        EXPECT_EQ (placed.getItemThatMustBeVisible(), 0);
        EXPECT_EQ (placed.getTargetComponent(), &fixture.control);
    }
}

TEST (PopupMenuPlacement, KeepsOtherOptions)
{
    PlacementArea fixture;
    const auto placed = PopupMenuPlacement::placeMenu (fixture.optionsFor ({ 10, 10, 50, 20 })
                                                           .withMinimumWidth (123)
                                                           .withMaximumNumColumns (1)
                                                           .withStandardItemHeight (24)
                                                           .withInitiallySelectedItem (5));
    EXPECT_EQ (placed.getMinimumWidth(), 123);
    EXPECT_EQ (placed.getMaximumNumColumns(), 1);
    EXPECT_EQ (placed.getStandardItemHeight(), 24);
    EXPECT_EQ (placed.getInitiallySelectedItemId(), 5);
}

TEST (PopupMenuPlacement, WithoutHostOrTargetTheOptionsComeBackUnchanged)
{
    juce::Component area, control;
    area.setBounds (0, 0, 400, 300);
    area.addAndMakeVisible (control);
    control.setBounds (10, 250, 50, 20);

    const auto noHost = PopupMenuPlacement::placeMenu (juce::PopupMenu::Options().withTargetComponent (&control).withItemThatMustBeVisible (3));
    EXPECT_EQ (noHost.getParentComponent(), nullptr);
    EXPECT_EQ (noHost.getItemThatMustBeVisible(), 3);
    EXPECT_EQ (noHost.getTargetScreenArea(), control.getScreenBounds());

    const auto noTarget = PopupMenuPlacement::placeMenu (juce::PopupMenu::Options().withItemThatMustBeVisible (3));
    EXPECT_EQ (noTarget.getParentComponent(), nullptr);
    EXPECT_EQ (noTarget.getItemThatMustBeVisible(), 3);
}

TEST (PopupMenuPlacement, FindsTheHostAmongAncestorsChildrenInChildOrder)
{
    juce::Component outer, inner, control;
    PopupMenuPlacement::Host outerHost, innerHostFirst, innerHostSecond;
    outer.addAndMakeVisible (inner);
    outer.addChildComponent (outerHost);
    inner.addAndMakeVisible (control);
    inner.addChildComponent (innerHostFirst);
    inner.addChildComponent (innerHostSecond);

    EXPECT_EQ (PopupMenuPlacement::findHost (&control), &innerHostFirst);
    EXPECT_EQ (PopupMenuPlacement::findHost (&inner), &innerHostFirst);
    EXPECT_EQ (PopupMenuPlacement::findHost (&outer), &outerHost);
}

// The real thing: the menu window opens inside the host, against the control, on screen.
TEST (PopupMenuPlacement, AMenuOpensInsideTheHostOnTheDesktop)
{
    PlacementArea fixture;
    fixture.host.setVisible (true);
    testing_support::gui::DesktopWindow window (fixture.area);

    juce::PopupMenu menu;
    for (int i = 1; i <= 4; ++i)
        menu.addItem (i, "Item " + juce::String (i));

    int result = -1;
    menu.showMenuAsync (PopupMenuPlacement::placeMenu (fixture.optionsFor ({ 20, 240, 100, 20 })),
                        [&result] (int r) { result = r; });

    juce::Component* menuWindow = nullptr;
    ASSERT_TRUE (testing_support::gui::pumpUntil ([&]
    {
        menuWindow = fixture.host.getNumChildComponents() > 0 ? fixture.host.getChildComponent (0) : nullptr;
        return menuWindow != nullptr && menuWindow->isShowing() && menuWindow->getHeight() > 0;
    }));

    const auto menuBounds = fixture.area.getLocalArea (menuWindow, menuWindow->getLocalBounds());
    EXPECT_TRUE (fixture.host.getBounds().contains (menuBounds)) << menuBounds.toString();
    EXPECT_LE (menuBounds.getBottom(), 240);

    juce::PopupMenu::dismissAllActiveMenus();
    ASSERT_TRUE (testing_support::gui::pumpUntil ([&] { return result == 0; }));
}
} // namespace

#include "editor/VarneTTheme.h"

namespace
{
// Combo-box lists go through the placement; selector lists also get 30-pixel rows.
TEST (PopupMenuPlacement, ThemeComboListsArePlacedAndSelectorsGetTallRows)
{
    VarneTTheme::LookAndFeel theme;
    PlacementArea fixture;
    fixture.area.setLookAndFeel (&theme);

    for (bool selector : { false, true })
    {
        juce::ComboBox box;
        if (selector)
            box.getProperties().set (VarneTTheme::Roles::pitchSelector, true);
        for (int i = 1; i <= 5; ++i)
            box.addItem ("Item " + juce::String (i), i);
        box.setSelectedId (4, juce::dontSendNotification);
        box.setBounds (20, 250, 150, 30);
        fixture.area.addAndMakeVisible (box);

        auto* label = dynamic_cast<juce::Label*> (box.getChildComponent (0));
        ASSERT_NE (label, nullptr);
        const auto options = theme.getOptionsForComboBoxPopupMenu (box, *label);
        EXPECT_EQ (options.getParentComponent(), &fixture.host);
        EXPECT_EQ (options.getPreferredPopupDirection(), Direction::upwards);
        EXPECT_EQ (options.getItemThatMustBeVisible(), 0);
        EXPECT_EQ (options.getInitiallySelectedItemId(), 4);
        EXPECT_EQ (options.getMinimumWidth(), 150);
        EXPECT_EQ (options.getStandardItemHeight(), selector ? 30 : label->getHeight());
        fixture.area.removeChildComponent (&box);
    }
    fixture.area.setLookAndFeel (nullptr);
}
} // namespace
