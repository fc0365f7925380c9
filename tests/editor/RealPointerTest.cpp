#include "editor/EditorComponents.h"
#include "editor/EditorWidgets.h"
#include "editor/VarneTTheme.h"
#include "support/gui/GuiTestBench.h"

#include <gtest/gtest.h>

namespace
{
namespace gui = testing_support::gui;

struct ThemedArea : juce::Component
{
    ThemedArea()
    {
        setLookAndFeel (&theme);
        setOpaque (true);
        setSize (400, 200);
    }
    ~ThemedArea() override { setLookAndFeel (nullptr); }
    void paint (juce::Graphics& g) override { g.fillAll (juce::Colour (VarneTTheme::Palette::contentBackground)); }

    VarneTTheme::LookAndFeel theme;
};

// Hover comes from the X server's pointer: both the component's own paint and the pixels on
// the screen change when the real pointer enters, and change back when it leaves.
TEST (RealPointer, HoverPaintDiffersFromIdlePaint)
{
    ThemedArea area;
    juce::TextButton button ("Write");
    button.setBounds (100, 80, 120, 32);
    area.addAndMakeVisible (button);

    juce::Slider slider;
    configurePerformanceSlider (slider, 0, 1, 0.01, "chance");
    slider.setValue (0.4);
    slider.setBounds (100, 130, 200, 44);
    area.addAndMakeVisible (slider);

    gui::DesktopWindow window (area);
    ASSERT_TRUE (gui::input::moveTo (area.getScreenPosition() + juce::Point<int> (10, 10)));
    ASSERT_TRUE (gui::pumpUntil ([&] { return ! button.isOver() && ! slider.isMouseOver(); }));
    ASSERT_TRUE (gui::flushMessages());

    const auto idle = gui::snapshotOf (button);
    const auto idleSlider = gui::snapshotOf (slider);
    const auto idleScreen = gui::grabScreen (button.getScreenBounds());

    ASSERT_TRUE (gui::input::moveToCentreOf (button));
    ASSERT_TRUE (gui::pumpUntil ([&] { return button.isOver(); }));
    EXPECT_GT (gui::countDifferingPixels (idle, gui::snapshotOf (button)), 50);
    ASSERT_TRUE (gui::pumpUntil ([&] { return gui::countDifferingPixels (idleScreen, gui::grabScreen (button.getScreenBounds())) > 50; }))
        << "the hovered button never reached the screen";

    // The performance slider shows its value bubble only while hovered.
    ASSERT_TRUE (gui::input::moveToCentreOf (slider));
    ASSERT_TRUE (gui::pumpUntil ([&] { return slider.isMouseOver() && ! button.isOver(); }));
    EXPECT_GT (gui::countDifferingPixels (idleSlider, gui::snapshotOf (slider)), 100);
    EXPECT_EQ (gui::countDifferingPixels (idle, gui::snapshotOf (button)), 0);

    ASSERT_TRUE (gui::input::moveTo (area.getScreenPosition() + juce::Point<int> (10, 10)));
    ASSERT_TRUE (gui::pumpUntil ([&] { return ! slider.isMouseOver(); }));
    EXPECT_EQ (gui::countDifferingPixels (idleSlider, gui::snapshotOf (slider)), 0);
}

TEST (RealPointer, JucesMainMouseSourceMovesTheRealPointer)
{
    ThemedArea area;
    juce::TextButton button ("Plain");
    button.setBounds (50, 50, 100, 30);
    area.addAndMakeVisible (button);
    gui::DesktopWindow window (area);

    gui::input::warpMainMouseSource (button.getScreenBounds().getCentre());
    ASSERT_TRUE (gui::pumpUntil ([&] { return button.isOver(); }));
}

// A wheel notch from the X server moves the stepped knob by one interval.
TEST (RealPointer, AWheelNotchStepsTheDiscreteKnobOnce)
{
    ThemedArea area;
    VarneTEditorComponents::DiscreteStepSlider knob;
    configureDiscreteKnob (knob, -3, 3);
    knob.setBounds (50, 40, 140, 90);
    area.addAndMakeVisible (knob);

    std::vector<double> values;
    knob.onValueChange = [&] { values.push_back (knob.getValue()); };

    gui::DesktopWindow window (area);
    ASSERT_TRUE (gui::input::moveToCentreOf (knob));
    ASSERT_TRUE (gui::input::click (4)); // wheel up
    ASSERT_TRUE (gui::pumpUntil ([&] { return values.size() == 1; }));
    EXPECT_DOUBLE_EQ (knob.getValue(), 1.0);
    ASSERT_TRUE (gui::input::click (5)); // wheel down
    ASSERT_TRUE (gui::input::click (5));
    ASSERT_TRUE (gui::pumpUntil ([&] { return values.size() == 3; }));
    EXPECT_DOUBLE_EQ (knob.getValue(), -1.0);
}

juce::MouseEvent wheelEvent (juce::Component& target)
{
    return { juce::Desktop::getInstance().getMainMouseSource(), {}, {}, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f,
             &target, &target, juce::Time(), {}, juce::Time(), 1, false };
}

TEST (DiscreteStepSlider, OneIntervalPerNotchWhateverTheWheel)
{
    struct Case { const char* name; float dx, dy; bool reversed; double start, expected; bool enabled; };
    const Case cases[] {
        { "up", 0, 0.05f, false, 0, 1, true },
        { "fast wheel still one step", 0, 3.0f, false, 0, 1, true },
        { "down", 0, -0.5f, false, 0, -1, true },
        { "reversed", 0, 0.5f, true, 0, -1, true },
        { "horizontal dominates", 0.4f, 0.1f, false, 0, -1, true },
        { "no movement", 0, 0, false, 2, 2, true },
        { "at the top asks for 4, clamped to 3", 0, 1, false, 3, 3, true },
        { "disabled", 0, 1, false, 0, 0, false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        juce::Component parent;
        VarneTEditorComponents::DiscreteStepSlider knob;
        parent.addAndMakeVisible (knob);
        configureDiscreteKnob (knob, -3, 3);
        knob.setValue (c.start, juce::dontSendNotification);
        parent.setEnabled (c.enabled);

        juce::MouseWheelDetails wheel {};
        wheel.deltaX = c.dx;
        wheel.deltaY = c.dy;
        wheel.isReversed = c.reversed;
        const auto event = wheelEvent (knob);
        knob.mouseWheelMove (event, wheel);
        EXPECT_DOUBLE_EQ (knob.getValue(), c.expected);
    }

    VarneTEditorComponents::DiscreteStepSlider noWheel;
    configureDiscreteKnob (noWheel, -3, 3);
    noWheel.setScrollWheelEnabled (false);
    juce::MouseWheelDetails wheel {};
    wheel.deltaY = 1.0f;
    noWheel.mouseWheelMove (wheelEvent (noWheel), wheel);
    EXPECT_DOUBLE_EQ (noWheel.getValue(), 0.0);
}

struct FakeOwner : VarneTEditorComponents::ContentWrapper::Owner
{
    std::array<juce::Rectangle<int>, 5> panelCards() const override
    {
        return { juce::Rectangle<int> { 10, 10, 50, 50 }, {}, {}, {}, { 70, 10, 0, 40 } };
    }
    juce::Rectangle<int> framedArea() const override { return { 10, 70, 60, 20 }; }
    void layoutContent() override { ++layouts; }
    int layouts = 0;
};

TEST (ContentWrapper, PaintsCardsOnlyWithAnOwnerAndLaysOutOnResize)
{
    VarneTEditorComponents::ContentWrapper orphan;
    orphan.setBounds (0, 0, 100, 100);
    const auto blank = gui::snapshotOf (orphan);
    EXPECT_EQ (blank.getPixelAt (50, 50).getAlpha(), 0);

    FakeOwner owner;
    VarneTEditorComponents::ContentWrapper wrapper (&owner);
    wrapper.setBounds (0, 0, 100, 100);
    EXPECT_EQ (owner.layouts, 1);
    wrapper.setSize (120, 100);
    EXPECT_EQ (owner.layouts, 2);

    const auto image = gui::snapshotOf (wrapper);
    const auto background = juce::Colour (VarneTTheme::Palette::contentBackground);
    EXPECT_EQ (image.getPixelAt (95, 95), background);
    EXPECT_NE (image.getPixelAt (35, 35), background); // inside the first card
    EXPECT_EQ (image.getPixelAt (40, 80), background); // the framed area's inside
}

TEST (AutoAdvanceButton, OnOffAndDisabledLooksDiffer)
{
    VarneTEditorComponents::AutoAdvanceButton button ("Auto-Advance");
    button.setBounds (0, 0, 110, 30);
    const auto off = gui::snapshotOf (button);
    button.setToggleState (true, juce::dontSendNotification);
    const auto on = gui::snapshotOf (button);
    button.setEnabled (false);
    const auto disabledOn = gui::snapshotOf (button);

    EXPECT_GT (gui::countDifferingPixels (off, on), 100);
    EXPECT_GT (gui::countDifferingPixels (on, disabledOn), 100);
    EXPECT_EQ (on.getPixelAt (14, 15), juce::Colour (VarneTTheme::Palette::teal)); // the filled indicator
}
} // namespace

namespace
{
// The instance-name field is an underline only: divider at rest, outline under the real pointer,
// a 2-pixel focus line while it has the keyboard focus.
TEST (RealPointer, InstanceNameUnderlineFollowsHoverAndFocus)
{
    ThemedArea area;
    juce::TextEditor field;
    field.getProperties().set (VarneTTheme::Roles::instanceName, true);
    field.setText ("Varne-T 1");
    field.setBounds (60, 60, 200, 40);
    area.addAndMakeVisible (field);
    gui::DesktopWindow window (area, { 60, 60 });

    const auto lineAt = [&field] (int row) { return gui::snapshotOf (field).getPixelAt (100, row); };
    const juce::Colour divider (VarneTTheme::Palette::divider), outline (VarneTTheme::Palette::outline), focus (VarneTTheme::Palette::focus);

    ASSERT_TRUE (gui::input::moveTo (area.getScreenPosition() + juce::Point<int> (5, 5)));
    EXPECT_EQ (lineAt (38), divider);
    EXPECT_NE (lineAt (39), divider);
    EXPECT_EQ (gui::snapshotOf (field).getPixelAt (4, 38), juce::Colour (VarneTTheme::Palette::fieldBackground)); // 8-pixel inset

    ASSERT_TRUE (gui::input::moveToCentreOf (field));
    ASSERT_TRUE (gui::pumpUntil ([&] { return field.isMouseOver (true); }));
    EXPECT_EQ (lineAt (38), outline);

    ASSERT_TRUE (gui::input::click());
    ASSERT_TRUE (gui::pumpUntil ([&] { return field.hasKeyboardFocus (true); }));
    EXPECT_EQ (lineAt (38), focus);
    EXPECT_EQ (lineAt (39), focus);
}

TEST (RealPointer, ADoubleClickOnTheResizeCornerResetsTheScale)
{
    ThemedArea area;
    int resets = 0;
    VarneTEditorComponents::ScaleResetCorner corner (&area, nullptr, [&resets] { ++resets; });
    corner.setBounds (382, 182, 18, 18);
    area.addAndMakeVisible (corner);
    gui::DesktopWindow window (area);

    // A click elsewhere between them keeps the framework from counting clicks across steps.
    const auto clickElsewhere = [&area] { return gui::input::moveTo (area.getScreenPosition() + juce::Point<int> (20, 20)) && gui::input::click(); };

    ASSERT_TRUE (clickElsewhere());
    ASSERT_TRUE (gui::input::moveToCentreOf (corner));
    ASSERT_TRUE (gui::input::click());
    ASSERT_TRUE (gui::flushMessages());
    EXPECT_EQ (resets, 0);

    ASSERT_TRUE (clickElsewhere());
    ASSERT_TRUE (gui::input::moveToCentreOf (corner));
    ASSERT_TRUE (gui::input::doubleClick());
    ASSERT_TRUE (gui::pumpUntil ([&resets] { return resets > 0; }));
    ASSERT_TRUE (gui::flushMessages());
    EXPECT_EQ (resets, 1);
}
} // namespace
