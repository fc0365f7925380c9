#pragma once

#include "kit/PopupMenuPlacement.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <optional>

namespace VarneTTheme
{

/** The editor's fixed colours, by role. */
struct Palette
{
    static constexpr juce::uint32 panelBackground = 0xff1e1e2e;
    static constexpr juce::uint32 menuBackground = 0xff181825;
    static constexpr juce::uint32 backdrop = 0xff11111b;
    static constexpr juce::uint32 contentBackground = 0xff181926;
    static constexpr juce::uint32 cardBackground = 0xff24273a;
    static constexpr juce::uint32 fieldBackground = 0xff313244;
    static constexpr juce::uint32 hoverFill = 0xff45475a;
    static constexpr juce::uint32 divider = 0xff494d64;
    static constexpr juce::uint32 pressedFill = 0xff585b70;
    static constexpr juce::uint32 disabled = 0xff6c7086;
    static constexpr juce::uint32 outline = 0xff7f849c;
    static constexpr juce::uint32 subtleOutline = 0xff9399b2;
    static constexpr juce::uint32 captionText = 0xffa6adc8;
    static constexpr juce::uint32 secondaryText = 0xffbac2de;
    static constexpr juce::uint32 text = 0xffcdd6f4;
    static constexpr juce::uint32 focus = 0xffb4befe;
    static constexpr juce::uint32 accent = 0xffcba6f7;
    static constexpr juce::uint32 error = 0xfff38ba8;
    static constexpr juce::uint32 dangerOutline = 0xffeba0ac;
    static constexpr juce::uint32 success = 0xffa6e3a1;
    static constexpr juce::uint32 teal = 0xff94e2d5;
    static constexpr juce::uint32 updateBadge = 0xfff5bde6;
    static constexpr juce::uint32 updateBadgeHot = 0xfff0c6c6;
    static constexpr juce::uint32 caret = 0xfff5e0dc;
    static constexpr juce::uint32 orange = 0xfffab387;
    static constexpr juce::uint32 cyan = 0xff74c7ec;
    static constexpr juce::uint32 lightCyan = 0xff89dceb;
    static constexpr juce::uint32 pink = 0xfff5c2e7;
    static constexpr juce::uint32 yellow = 0xfff9e2af;
    static constexpr juce::uint32 blue = 0xff89b4fa;

    /** Only the timeline canvas reads it; derived once from two palette colours. */
    static juce::Colour timelineBackground();

    /** Every fixed colour with its name, in table order (for swatches and tests). */
    struct Entry
    {
        const char* name;
        juce::uint32 argb;
    };
    static const std::array<Entry, 30>& entries();
};

/** The palette colour as a juce::Colour. */
inline juce::Colour colour (juce::uint32 argb) { return juce::Colour (argb); }

/** The one place fonts are made: the pinned sans-serif face at a height, regular or bold. */
juce::Font themeFont (float height, bool bold = false);

/** The typeface family the theme pins (DejaVu Sans when installed). */
const juce::String& pinnedSansSerifName();

/** Role property names, read from a component's property set. */
namespace Roles
{
inline const juce::Identifier bufferAction { "bufferAction" };
inline const juce::Identifier primary { "primary" };
inline const juce::Identifier updateAvailable { "updateAvailable" };
inline const juce::Identifier danger { "danger" };
inline const juce::Identifier quiet { "quiet" };
inline const juce::Identifier modeSelector { "modeSelector" };
inline const juce::Identifier sourceSelector { "sourceSelector" };
inline const juce::Identifier pitchSelector { "pitchSelector" };
inline const juce::Identifier musicalSelector { "musicalSelector" };
inline const juce::Identifier instanceName { "instanceName" };
inline const juce::Identifier visualKind { "visualKind" };
inline const juce::Identifier discreteKnob { "discreteKnob" };
} // namespace Roles

/** A role flag: a missing property reads as false. */
bool hasRole (const juce::Component&, const juce::Identifier& role);

/** The state a button is painted in. */
struct ButtonState
{
    bool enabled = true;
    bool highlighted = false;
    bool down = false;
    bool focused = false;
    bool toggled = false;
};

/** How a text button is drawn: the role the theme picked for it and its colours (an absent
    colour draws nothing). */
struct ButtonLook
{
    enum class Role { bufferAction, sourceSelector, updateAvailable, danger, primary, toggled, plain };

    Role role = Role::plain;
    std::optional<juce::Colour> fill;
    std::optional<juce::Colour> outline;
    float outlineThickness = 1.0f;
};

ButtonLook lookForButton (const juce::Component& button, const ButtonState& state);

/** The stepped-knob maths: step count, current step and the step of value 0 (if in range). */
struct KnobSteps
{
    int count = 2;
    int current = 0;
    std::optional<int> zero;

    /** Angle of tick i, clockwise from 12 o'clock. */
    float angleOf (int step, float startAngle, float endAngle) const noexcept;
};

KnobSteps knobSteps (double minimum, double maximum, double interval, double value) noexcept;

/** A selector combo box's text split into its small caption and its large value. */
struct SelectorText
{
    juce::String caption;
    juce::String value;
};

SelectorText splitSelectorText (const juce::String& text, bool isPitchSelector);

/** p = (value − min) / (max − min) clamped to 0..1; 0 for empty or non-finite input. */
float proportionOf (double value, double minimum, double maximum) noexcept;

/** The editor's look: palette colours, role-dependent buttons, selector combo boxes, the
    instance-name underline, slider miniatures and stepped knobs. */
class LookAndFeel : public tolmek::PopupMenuPlacement::LookAndFeel<juce::LookAndFeel_V4>
{
public:
    LookAndFeel();

    int getDefaultScrollbarWidth() override;

    void drawButtonBackground (juce::Graphics&, juce::Button&, const juce::Colour& backgroundColour,
                               bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;
    void drawButtonText (juce::Graphics&, juce::TextButton&,
                         bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

    void drawTextEditorOutline (juce::Graphics&, int width, int height, juce::TextEditor&) override;

    void drawComboBox (juce::Graphics&, int width, int height, bool isButtonDown,
                       int buttonX, int buttonY, int buttonW, int buttonH, juce::ComboBox&) override;
    void positionComboBoxText (juce::ComboBox&, juce::Label&) override;
    juce::PopupMenu::Options getOptionsForComboBoxPopupMenu (juce::ComboBox&, juce::Label&) override;

    void drawLinearSlider (juce::Graphics&, int x, int y, int width, int height,
                           float sliderPos, float minSliderPos, float maxSliderPos,
                           juce::Slider::SliderStyle, juce::Slider&) override;
    void drawRotarySlider (juce::Graphics&, int x, int y, int width, int height,
                           float sliderPosProportional, float rotaryStartAngle,
                           float rotaryEndAngle, juce::Slider&) override;
};

} // namespace VarneTTheme
