#include "editor/VarneTTheme.h"
#include "support/gui/GuiTestBench.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
using namespace VarneTTheme;
using Role = ButtonLook::Role;
namespace gui = testing_support::gui;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

TEST (ThemePalette, TimelineBackgroundIsContentTowardCardByAboutHalf)
{
    EXPECT_EQ (Palette::timelineBackground().getARGB(), 0xff1e2030u);

    juce::StringArray names;
    for (const auto& e : Palette::entries())
    {
        names.add (e.name);
        EXPECT_EQ (e.argb >> 24, 0xffu) << e.name;
    }
    EXPECT_EQ (names.size(), 30);
    names.removeDuplicates (false);
    EXPECT_EQ (names.size(), 30);
}

TEST (ThemeFonts, ThePinnedFaceIsUsedAndHasTheGlyphsTheTextsUse)
{
    ASSERT_EQ (pinnedSansSerifName(), "DejaVu Sans") << "fonts-dejavu-core is not installed";
    const auto font = themeFont (13.0f, true);
    EXPECT_EQ (font.getTypefaceName(), "DejaVu Sans");
    EXPECT_TRUE (font.isBold());
    EXPECT_FLOAT_EQ (font.getHeight(), 13.0f);

    // Every non-ASCII character the editor writes must come from the face itself.
    auto typeface = font.getTypefacePtr();
    for (auto* text : { "\xc3\x97", "\xc2\xb7", "\xe2\x80\xa2", "\xe2\x86\x91", "\xe2\x86\x93", "\xe2\x86\x92", "\xe2\x80\x93" })
    {
        juce::Array<int> glyphs;
        juce::Array<float> offsets;
        typeface->getGlyphPositions (juce::String (juce::CharPointer_UTF8 (text)), glyphs, offsets);
        ASSERT_EQ (glyphs.size(), 1) << text;
        juce::Path outline;
        EXPECT_TRUE (typeface->getOutlineForGlyph (glyphs[0], outline) && ! outline.isEmpty()) << text;
    }
}

struct RoleCase
{
    const char* name;
    std::vector<const juce::Identifier*> roles;
    ButtonState state;
    Role role;
    std::optional<juce::uint32> fill;
    std::optional<juce::uint32> outline;
    float thickness;
};

juce::Colour mix (juce::uint32 a, juce::uint32 b) { return juce::Colour (a).interpolatedWith (juce::Colour (b), 0.12f); }

TEST (ThemeButtons, RolesAreTakenInTheirOrderWithTheirFillsAndOutlines)
{
    const ButtonState rest {}, hover { true, true }, down { true, false, true }, off { false },
                      focused { true, false, false, true }, toggled { true, false, false, false, true };
    const auto dangerDown = mix (Palette::error, Palette::panelBackground).getARGB();
    const auto accentDown = mix (Palette::accent, Palette::panelBackground).getARGB();

    const RoleCase cases[] {
        { "plain at rest", {}, rest, Role::plain, Palette::fieldBackground, Palette::outline, 1.0f },
        { "plain hovered", {}, hover, Role::plain, Palette::hoverFill, Palette::outline, 1.0f },
        { "plain pressed", {}, down, Role::plain, Palette::pressedFill, Palette::outline, 1.0f },
        { "plain focused", {}, focused, Role::plain, Palette::fieldBackground, Palette::focus, 2.0f },
        { "plain toggled", {}, toggled, Role::toggled, Palette::accent, Palette::outline, 1.0f },
        { "buffer action wins over everything", { &Roles::bufferAction, &Roles::updateAvailable, &Roles::danger }, hover,
          Role::bufferAction, Palette::fieldBackground, Palette::divider, 1.0f },
        { "buffer action pressed and focused", { &Roles::bufferAction }, { true, false, true, true }, Role::bufferAction,
          Palette::divider, Palette::focus, 1.0f },
        { "update available over danger and primary", { &Roles::primary, &Roles::danger, &Roles::updateAvailable }, rest,
          Role::updateAvailable, Palette::updateBadge, Palette::updateBadge, 1.0f },
        { "update available hovered", { &Roles::updateAvailable }, hover, Role::updateAvailable, Palette::updateBadgeHot,
          Palette::updateBadgeHot, 1.0f },
        { "danger over primary", { &Roles::primary, &Roles::danger }, rest, Role::danger, Palette::error, Palette::dangerOutline, 1.0f },
        { "danger pressed mixes toward the panel", { &Roles::danger }, down, Role::danger, dangerDown, Palette::dangerOutline, 1.0f },
        { "primary hovered gets the focus outline", { &Roles::primary }, hover, Role::primary, Palette::accent, Palette::focus, 1.0f },
        { "primary pressed", { &Roles::primary }, down, Role::primary, accentDown, Palette::outline, 1.0f },
        { "disabled primary is plain with a disabled outline", { &Roles::primary }, off, Role::primary,
          Palette::fieldBackground, Palette::disabled, 1.0f },
        { "quiet without focus has no outline", { &Roles::quiet }, rest, Role::plain, Palette::fieldBackground, std::nullopt, 1.0f },
        { "quiet focused", { &Roles::quiet }, focused, Role::plain, Palette::fieldBackground, Palette::focus, 2.0f },
        { "mode selector at rest has no fill", { &Roles::modeSelector }, rest, Role::plain, std::nullopt, Palette::outline, 1.0f },
        { "mode selector hovered", { &Roles::modeSelector }, hover, Role::plain, Palette::hoverFill, Palette::outline, 1.0f },
        { "disabled mode selector has no fill", { &Roles::modeSelector }, off, Role::plain, std::nullopt, Palette::disabled, 1.0f },
        { "source selector has no fill over primary", { &Roles::sourceSelector, &Roles::primary }, hover, Role::sourceSelector,
          std::nullopt, std::nullopt, 1.5f },
        { "source selector focused", { &Roles::sourceSelector }, focused, Role::sourceSelector, std::nullopt, Palette::focus, 1.5f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        juce::TextButton button;
        for (auto* role : c.roles)
            button.getProperties().set (*role, true);

        const auto look = lookForButton (button, c.state);
        EXPECT_EQ (look.role, c.role);
        EXPECT_EQ (look.fill.has_value(), c.fill.has_value());
        if (look.fill && c.fill)
        {
            EXPECT_EQ (look.fill->getARGB(), *c.fill);
        }
        EXPECT_EQ (look.outline.has_value(), c.outline.has_value());
        if (look.outline && c.outline)
        {
            EXPECT_EQ (look.outline->getARGB(), *c.outline);
        }
        EXPECT_FLOAT_EQ (look.outlineThickness, c.thickness);
    }
}

TEST (ThemeButtons, AFalseOrMissingRolePropertyIsNoRole)
{
    juce::TextButton button;
    button.getProperties().set (Roles::danger, false);
    button.getProperties().set (Roles::primary, "no");
    EXPECT_EQ (lookForButton (button, {}).role, Role::plain);
}

struct KnobCase
{
    double minimum, maximum, interval, value;
    int count, current;
    std::optional<int> zero;
};

TEST (ThemeKnobs, StepsCurrentAndZeroTicks)
{
    const KnobCase cases[] {
        { -3, 3, 1, 0, 7, 3, 3 },     // Octave: zero tick in the middle
        { -3, 3, 1, -3, 7, 0, 3 },
        { -4, 4, 1, 4, 9, 8, 4 },     // Register
        { 1, 5, 1, 2, 5, 1, std::nullopt },
        { 0, 0, 1, 0, 2, 0, 0 },      // degenerate range still draws two ticks
        { -3, 3, 1, 9, 7, 6, 3 },     // values beyond the range clamp
        { -3, 3, 1, nan, 7, 0, 3 },
        { -3, 3, 0, 1, 7, 4, 3 },     // no interval counts whole steps
        { -3, 3, nan, 1, 7, 4, 3 },
        { nan, 3, 1, 0, 2, 0, std::nullopt },
        { -inf, inf, 1, 0, 2, 0, std::nullopt },
        { -1e12, 1e12, 1, 0, 1000, 999, 999 }, // an absurd range is capped, never a million ticks
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (testing::Message() << c.minimum << ".." << c.maximum << " step " << c.interval << " at " << c.value);
        const auto steps = knobSteps (c.minimum, c.maximum, c.interval, c.value);
        EXPECT_EQ (steps.count, c.count);
        EXPECT_EQ (steps.current, c.current);
        EXPECT_EQ (steps.zero, c.zero);
    }

    const auto octave = knobSteps (-3, 3, 1, 0);
    const float start = juce::MathConstants<float>::pi * 1.2f, end = juce::MathConstants<float>::pi * 2.8f;
    EXPECT_FLOAT_EQ (octave.angleOf (0, start, end), start);
    EXPECT_FLOAT_EQ (octave.angleOf (3, start, end), juce::MathConstants<float>::twoPi);
    EXPECT_FLOAT_EQ (octave.angleOf (6, start, end), end);
}

TEST (ThemeSelectors, PitchTextsSplitIntoCaptionAndValue)
{
    struct Case { const char* text; bool pitch; const char* caption; const char* value; };
    const Case cases[] {
        { "Fixed \xc2\xb7 C3  MIDI 60", true, "Fixed \xc2\xb7 MIDI 60", "C3" },
        { "Chord \xc2\xb7 Root", true, "Chord", "Root" },
        { "Input \xc2\xb7 2nd note", true, "Input", "2nd note" },
        { "No dot here", true, "", "No dot here" },
        { "Scale \xc2\xb7 a \xc2\xb7 b", true, "Scale", "a \xc2\xb7 b" },
        { "C# \xc2\xb7 x", false, "", "C# \xc2\xb7 x" },
        { "", true, "", "" },
    };

    for (const auto& c : cases)
    {
        const auto parts = splitSelectorText (juce::String::fromUTF8 (c.text), c.pitch);
        EXPECT_EQ (parts.caption, juce::String::fromUTF8 (c.caption)) << c.text;
        EXPECT_EQ (parts.value, juce::String::fromUTF8 (c.value)) << c.text;
    }
}

TEST (ThemeSliders, ProportionIsClampedAndSafeForAnyInput)
{
    struct Case { double value, minimum, maximum; float expected; };
    const Case cases[] {
        { 0.5, 0, 1, 0.5f }, { 64, 1, 127, 0.5f }, { -1, 0, 1, 0 }, { 2, 0, 1, 1 },
        { nan, 0, 1, 0 }, { inf, 0, 1, 0 }, { 0.5, 1, 1, 0 }, { 0.5, 1, 0, 0 }, { 0.5, -inf, inf, 0 }, { 0.5, nan, 1, 0 },
    };
    for (const auto& c : cases)
        EXPECT_FLOAT_EQ (proportionOf (c.value, c.minimum, c.maximum), c.expected) << c.value << " in " << c.minimum << ".." << c.maximum;
}

//==============================================================================
// Painting through the theme, read back as pixels.

struct Themed : juce::Component
{
    Themed() { setLookAndFeel (&theme); }
    ~Themed() override { deleteAllChildren(); setLookAndFeel (nullptr); }
    LookAndFeel theme;
};

int countNear (const juce::Image& image, juce::Colour colour, int tolerance = 24)
{
    int n = 0;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
        {
            const auto p = image.getPixelAt (x, y);
            if (p.getAlpha() > 200 && std::abs (p.getRed() - colour.getRed()) < tolerance
                && std::abs (p.getGreen() - colour.getGreen()) < tolerance && std::abs (p.getBlue() - colour.getBlue()) < tolerance)
                ++n;
        }
    return n;
}

TEST (ThemeSliders, ADiscreteKnobUnder62PixelsIsTheStandardKnob)
{
    Themed parent;
    parent.setSize (200, 100);
    auto* plain = new juce::Slider (juce::Slider::RotaryHorizontalVerticalDrag, juce::Slider::NoTextBox);
    auto* discrete = new juce::Slider (juce::Slider::RotaryHorizontalVerticalDrag, juce::Slider::NoTextBox);
    discrete->getProperties().set (Roles::discreteKnob, true);
    for (auto* s : { plain, discrete })
    {
        s->setRange (-3, 3, 1);
        s->setValue (1);
        parent.addAndMakeVisible (s);
    }

    plain->setBounds (0, 0, 61, 80);
    discrete->setBounds (0, 0, 61, 80);
    EXPECT_EQ (gui::countDifferingPixels (gui::snapshotOf (*plain), gui::snapshotOf (*discrete)), 0);

    plain->setBounds (0, 0, 62, 80);
    discrete->setBounds (0, 0, 62, 80);
    EXPECT_GT (gui::countDifferingPixels (gui::snapshotOf (*plain), gui::snapshotOf (*discrete)), 0);
}

TEST (ThemeSliders, MiniaturesLightUpWithTheirValue)
{
    Themed parent;
    parent.setSize (300, 60);
    for (auto* kind : { "density", "chance" })
    {
        auto* slider = new juce::Slider (juce::Slider::LinearHorizontal, juce::Slider::NoTextBox);
        slider->setRange (0, 1, 0.01);
        slider->getProperties().set (Roles::visualKind, kind);
        slider->setBounds (0, 0, 200, 44);
        parent.addAndMakeVisible (slider);

        slider->setValue (0);
        EXPECT_EQ (countNear (gui::snapshotOf (*slider), juce::Colour (Palette::accent)), 0) << kind;
        slider->setValue (0.5);
        const int half = countNear (gui::snapshotOf (*slider), juce::Colour (Palette::accent));
        slider->setValue (1);
        const int full = countNear (gui::snapshotOf (*slider), juce::Colour (Palette::accent));
        EXPECT_GT (half, 0) << kind;
        EXPECT_GT (full, half) << kind;
    }
}

TEST (ThemeSliders, EveryMiniaturePaintsAtAnySize)
{
    // Degenerate sizes and extreme values must draw without faults (run under the sanitizers in CI).
    Themed parent;
    parent.setSize (400, 100);
    for (auto* kind : { "density", "swing", "humanize", "velocity", "chance", "importance", "unknown" })
        for (auto size : { juce::Point<int> (0, 0), juce::Point<int> (1, 1), juce::Point<int> (13, 5), juce::Point<int> (400, 100) })
            for (double value : { 1.0, 64.0, 127.0 })
            {
                auto* slider = new juce::Slider (juce::Slider::LinearHorizontal, juce::Slider::NoTextBox);
                slider->setRange (1, 127, 1);
                slider->setValue (value);
                slider->getProperties().set (Roles::visualKind, kind);
                slider->setBounds (0, 0, size.x, size.y);
                parent.addAndMakeVisible (slider);
                juce::Image image (juce::Image::ARGB, 400, 100, true);
                juce::Graphics g (image);
                slider->paintEntireComponent (g, true);
            }
    SUCCEED();
}
} // namespace
