#include "editor/VarneTTheme.h"

#include <algorithm>
#include <cmath>

namespace VarneTTheme
{
namespace
{
juce::Colour c (juce::uint32 argb) { return juce::Colour (argb); }

bool isFocused (const juce::Component& component) { return component.hasKeyboardFocus (true); }

float clampf (float v, float lo, float hi) { return std::max (lo, std::min (v, hi)); }

juce::Rectangle<float> nonNegative (float x, float y, float w, float h)
{
    return { x, y, std::max (0.0f, w), std::max (0.0f, h) };
}

// A rounded rectangle whose corners are square where the button joins a neighbour.
juce::Path connectedShape (juce::Rectangle<float> r, const juce::Button& button)
{
    const bool left = button.isConnectedOnLeft(), right = button.isConnectedOnRight();
    const bool top = button.isConnectedOnTop(), bottom = button.isConnectedOnBottom();

    juce::Path path;
    path.addRoundedRectangle (r.getX(), r.getY(), r.getWidth(), r.getHeight(), 6.0f, 6.0f,
                              ! (top || left), ! (top || right), ! (bottom || left), ! (bottom || right));
    return path;
}

juce::Rectangle<float> buttonShapeBounds (const juce::Button& button)
{
    const auto bounds = button.getLocalBounds().toFloat();
    auto r = bounds.reduced (1.5f);

    if (button.isConnectedOnLeft())   r.setLeft (bounds.getX());
    if (button.isConnectedOnRight())  r.setRight (bounds.getRight());
    if (button.isConnectedOnTop())    r.setTop (bounds.getY());
    if (button.isConnectedOnBottom()) r.setBottom (bounds.getBottom());

    return nonNegative (r.getX(), r.getY(), r.getWidth(), r.getHeight());
}

void drawValueBubble (juce::Graphics& g, juce::Slider& slider, float cx, float localWidth, bool focused)
{
    const auto text = slider.getTextFromValue (slider.getValue());
    const auto font = themeFont (10.5f, true);
    const float b = clampf (font.getStringWidthFloat (text) + 14.0f, 38.0f, 92.0f);
    const float x = std::max (0.0f, std::min (cx - b / 2.0f, localWidth - b));
    const juce::Rectangle<float> r (x, 1.0f, b, 18.0f);

    g.setColour (c (Palette::pressedFill));
    g.fillRoundedRectangle (r, 9.0f);
    g.setColour (focused ? c (Palette::focus) : c (Palette::subtleOutline));
    g.drawRoundedRectangle (r, 9.0f, focused ? 1.5f : 1.0f);
    g.setColour (c (Palette::text));
    g.setFont (font);
    g.drawText (text, r, juce::Justification::centred, true);
}

juce::Point<float> tickPoint (juce::Point<float> centre, float radius, float angle)
{
    return { centre.x + radius * std::sin (angle), centre.y - radius * std::cos (angle) };
}
} // namespace

//==============================================================================
juce::Colour Palette::timelineBackground()
{
    static const auto derived = c (contentBackground).interpolatedWith (c (cardBackground), 0.52f);
    return derived;
}

const std::array<Palette::Entry, 30>& Palette::entries()
{
    static const std::array<Entry, 30> table { {
        { "panelBackground", panelBackground }, { "menuBackground", menuBackground },
        { "backdrop", backdrop }, { "contentBackground", contentBackground },
        { "cardBackground", cardBackground }, { "fieldBackground", fieldBackground },
        { "hoverFill", hoverFill }, { "divider", divider }, { "pressedFill", pressedFill },
        { "disabled", disabled }, { "outline", outline }, { "subtleOutline", subtleOutline },
        { "captionText", captionText }, { "secondaryText", secondaryText }, { "text", text },
        { "focus", focus }, { "accent", accent }, { "error", error }, { "dangerOutline", dangerOutline },
        { "success", success }, { "teal", teal }, { "updateBadge", updateBadge },
        { "updateBadgeHot", updateBadgeHot }, { "caret", caret }, { "orange", orange }, { "cyan", cyan },
        { "lightCyan", lightCyan }, { "pink", pink }, { "yellow", yellow }, { "blue", blue } } };
    return table;
}

const juce::String& pinnedSansSerifName()
{
    static const juce::String name = []
    {
        const juce::String wanted ("DejaVu Sans");
        return juce::Font::findAllTypefaceNames().contains (wanted) ? wanted
                                                                     : juce::Font::getDefaultSansSerifFontName();
    }();
    return name;
}

juce::Font themeFont (float height, bool bold)
{
    return juce::Font (pinnedSansSerifName(), height, bold ? juce::Font::bold : juce::Font::plain);
}

bool hasRole (const juce::Component& component, const juce::Identifier& role)
{
    return static_cast<bool> (component.getProperties().getWithDefault (role, false));
}

//==============================================================================
ButtonLook lookForButton (const juce::Component& button, const ButtonState& s)
{
    ButtonLook look;

    if (hasRole (button, Roles::bufferAction))
    {
        look.role = ButtonLook::Role::bufferAction;
        look.fill = c (s.down ? Palette::divider : s.highlighted ? Palette::fieldBackground : Palette::cardBackground);
        look.outline = c (s.focused ? Palette::focus : Palette::divider);
        look.outlineThickness = 1.0f;
        return look;
    }

    const bool primary = hasRole (button, Roles::primary);
    const bool update = hasRole (button, Roles::updateAvailable);
    const bool danger = hasRole (button, Roles::danger);
    const bool quiet = hasRole (button, Roles::quiet);
    const bool mode = hasRole (button, Roles::modeSelector);

    if (hasRole (button, Roles::sourceSelector))
    {
        look.role = ButtonLook::Role::sourceSelector;
        if (s.focused)
            look.outline = c (Palette::focus);
        look.outlineThickness = 1.5f;
        return look;
    }

    const auto panel = c (Palette::panelBackground);

    if (update)
        look.role = ButtonLook::Role::updateAvailable;
    else if (danger)
        look.role = ButtonLook::Role::danger;
    else if (primary)
        look.role = ButtonLook::Role::primary;
    else if (s.toggled)
        look.role = ButtonLook::Role::toggled;

    if (! s.enabled)
    {
        if (! mode)
            look.fill = c (Palette::fieldBackground);
    }
    else if (update)
        look.fill = c ((s.highlighted || s.down) ? Palette::updateBadgeHot : Palette::updateBadge);
    else if (danger)
        look.fill = s.down ? c (Palette::error).interpolatedWith (panel, 0.12f) : c (Palette::error);
    else if (primary || s.toggled)
        look.fill = s.down ? c (Palette::accent).interpolatedWith (panel, 0.12f) : c (Palette::accent);
    else if (s.down)
        look.fill = c (Palette::pressedFill);
    else if (s.highlighted)
        look.fill = c (Palette::hoverFill);
    else if (! mode)
        look.fill = c (Palette::fieldBackground);

    if (! quiet || s.focused)
    {
        if (s.focused)
            look.outline = c (Palette::focus);
        else if (update)
            look.outline = look.fill;
        else if (danger)
            look.outline = c (Palette::dangerOutline);
        else if (primary && s.highlighted)
            look.outline = c (Palette::focus);
        else
            look.outline = c (Palette::outline);

        if (! s.enabled)
            look.outline = c (Palette::disabled);
    }

    look.outlineThickness = s.focused ? 2.0f : 1.0f;
    return look;
}

float KnobSteps::angleOf (int step, float startAngle, float endAngle) const noexcept
{
    return startAngle + (float) step / (float) (count - 1) * (endAngle - startAngle);
}

KnobSteps knobSteps (double minimum, double maximum, double interval, double value) noexcept
{
    // Knobs are whole steps; a degenerate interval or range still gives a drawable two-step knob.
    constexpr int maximumSteps = 1000;
    KnobSteps steps;

    if (! std::isfinite (interval) || interval <= 0.0)
        interval = 1.0;
    if (! std::isfinite (minimum) || ! std::isfinite (maximum) || maximum < minimum)
        return steps;

    const double span = std::round ((maximum - minimum) / interval);
    steps.count = std::max (2, (int) std::min ((double) maximumSteps, span + 1.0));

    const auto clampStep = [&] (double s)
    {
        if (! std::isfinite (s))
            return 0;
        return (int) std::max (0.0, std::min (s, (double) (steps.count - 1)));
    };

    steps.current = std::isfinite (value) ? clampStep (std::round ((value - minimum) / interval)) : 0;

    if (minimum <= 0.0 && 0.0 <= maximum)
        steps.zero = clampStep (std::round (-minimum / interval));

    return steps;
}

SelectorText splitSelectorText (const juce::String& text, bool isPitchSelector)
{
    const juce::String dot (juce::CharPointer_UTF8 ("\xc2\xb7"));
    SelectorText result;
    result.value = text;

    if (isPitchSelector)
    {
        const int at = text.indexOf (dot);
        if (at >= 0)
        {
            result.caption = text.substring (0, at).trim();
            result.value = text.substring (at + dot.length()).trim();
        }
    }

    const int k = result.value.indexOf ("  MIDI ");
    if (k >= 0)
    {
        result.caption = result.caption + " " + dot + " " + result.value.substring (k).trim();
        result.value = result.value.substring (0, k);
    }

    return result;
}

float proportionOf (double value, double minimum, double maximum) noexcept
{
    const double span = maximum - minimum;
    if (! std::isfinite (value) || ! std::isfinite (span) || span <= 0.0)
        return 0.0f;

    return (float) std::max (0.0, std::min ((value - minimum) / span, 1.0));
}

//==============================================================================
LookAndFeel::LookAndFeel()
{
    setDefaultSansSerifTypefaceName (pinnedSansSerifName());

    setColour (juce::Label::textColourId, c (Palette::text));
    setColour (juce::TextEditor::backgroundColourId, c (Palette::fieldBackground));
    setColour (juce::TextEditor::textColourId, c (Palette::text));
    setColour (juce::TextEditor::highlightColourId, c (Palette::subtleOutline).withAlpha (0.25f));
    setColour (juce::TextEditor::highlightedTextColourId, c (Palette::text));
    setColour (juce::TextEditor::outlineColourId, c (Palette::outline));
    setColour (juce::TextEditor::focusedOutlineColourId, c (Palette::focus));
    setColour (juce::CaretComponent::caretColourId, c (Palette::caret));
    setColour (juce::ComboBox::backgroundColourId, c (Palette::fieldBackground));
    setColour (juce::ComboBox::textColourId, c (Palette::text));
    setColour (juce::ComboBox::outlineColourId, c (Palette::subtleOutline));
    setColour (juce::ComboBox::arrowColourId, c (Palette::captionText));
    setColour (juce::PopupMenu::backgroundColourId, c (Palette::menuBackground));
    setColour (juce::PopupMenu::textColourId, c (Palette::text));
    setColour (juce::PopupMenu::highlightedBackgroundColourId, c (Palette::hoverFill));
    setColour (juce::PopupMenu::highlightedTextColourId, c (Palette::text));
    setColour (juce::ListBox::backgroundColourId, c (Palette::menuBackground));
    setColour (juce::ListBox::outlineColourId, c (Palette::outline));
    setColour (juce::ScrollBar::thumbColourId, c (Palette::pressedFill));
    setColour (juce::Slider::backgroundColourId, c (Palette::hoverFill));
    setColour (juce::Slider::trackColourId, c (Palette::accent));
    setColour (juce::Slider::thumbColourId, c (Palette::focus));
    setColour (juce::Slider::textBoxTextColourId, c (Palette::text));
    setColour (juce::Slider::textBoxBackgroundColourId, c (Palette::fieldBackground));
    setColour (juce::Slider::textBoxOutlineColourId, c (Palette::outline));
}

int LookAndFeel::getDefaultScrollbarWidth() { return 10; }

void LookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button, const juce::Colour&,
                                        bool highlighted, bool down)
{
    const ButtonState state { button.isEnabled(), highlighted, down, isFocused (button), button.getToggleState() };
    const auto look = lookForButton (button, state);
    const float w = (float) button.getWidth(), h = (float) button.getHeight();

    if (look.role == ButtonLook::Role::bufferAction)
    {
        const auto r = nonNegative (0.5f, 0.5f, w - 1.0f, h - 1.0f);
        g.setColour (*look.fill);
        g.fillRoundedRectangle (r, 6.0f);
        g.setColour (*look.outline);
        g.drawRoundedRectangle (r, 6.0f, 1.0f);
        return;
    }

    const auto shapeBounds = buttonShapeBounds (button);

    if (look.role == ButtonLook::Role::sourceSelector)
    {
        if (button.isConnectedOnRight())
        {
            g.setColour (c (Palette::divider));
            const float cy = shapeBounds.getCentreY();
            g.drawLine (w - 1.0f, cy - 8.0f, w - 1.0f, cy + 8.0f, 1.0f);
        }

        if (state.toggled)
        {
            g.setColour (c (Palette::accent));
            g.fillRoundedRectangle ({ (w - 20.0f) / 2.0f, shapeBounds.getBottom() - 5.0f, 20.0f, 2.5f }, 1.25f);
        }

        if (look.outline)
        {
            g.setColour (*look.outline);
            g.strokePath (connectedShape (shapeBounds.reduced (1.0f), button), juce::PathStrokeType (1.5f));
        }
        return;
    }

    const auto shape = connectedShape (shapeBounds, button);

    if (look.fill)
    {
        g.setColour (*look.fill);
        g.fillPath (shape);
    }

    if (look.outline)
    {
        g.setColour (*look.outline);
        g.strokePath (shape, juce::PathStrokeType (look.outlineThickness));
    }
}

void LookAndFeel::drawButtonText (juce::Graphics& g, juce::TextButton& button, bool highlighted, bool down)
{
    const int w = button.getWidth(), h = button.getHeight();
    const bool enabled = button.isEnabled();
    juce::Rectangle<int> area;

    if (hasRole (button, Roles::sourceSelector))
    {
        g.setColour (c (! enabled ? Palette::disabled
                        : (highlighted || down) ? Palette::focus
                        : button.getToggleState() ? Palette::accent
                        : Palette::captionText));
        g.setFont (themeFont (20.0f, true));
        area = { 6, 4, w - 12, h - 8 };
    }
    else if (hasRole (button, Roles::bufferAction))
    {
        g.setColour (button.findColour (juce::TextButton::textColourOffId));
        g.setFont (themeFont (13.0f));
        area = { 4, 1, w - 8, h - 2 };
    }
    else
    {
        const bool onAccent = hasRole (button, Roles::primary) || hasRole (button, Roles::danger) || button.getToggleState();
        g.setColour (c (! enabled ? Palette::disabled
                        : hasRole (button, Roles::updateAvailable) ? Palette::contentBackground
                        : onAccent ? Palette::panelBackground
                        : Palette::text));
        g.setFont (themeFont (13.0f, true));
        area = { 6, 2, w - 12, h - 4 };
        if (down)
            area.translate (0, 1);
    }

    area.setSize (std::max (0, area.getWidth()), std::max (0, area.getHeight()));
    g.drawFittedText (button.getButtonText(), area, juce::Justification::centred, 1);
}

void LookAndFeel::drawTextEditorOutline (juce::Graphics& g, int width, int height, juce::TextEditor& editor)
{
    if (! hasRole (editor, Roles::instanceName))
    {
        LookAndFeel_V4::drawTextEditorOutline (g, width, height, editor);
        return;
    }

    const bool focused = isFocused (editor);
    const int t = focused ? 2 : 1;
    g.setColour (c (focused ? Palette::focus : editor.isMouseOverOrDragging (true) ? Palette::outline : Palette::divider));
    g.fillRect (8, height - 2, std::max (0, width - 16), t);
}

void LookAndFeel::drawComboBox (juce::Graphics& g, int width, int height, bool down,
                                int, int, int, int, juce::ComboBox& box)
{
    const bool pitch = hasRole (box, Roles::pitchSelector);
    const bool musical = hasRole (box, Roles::musicalSelector);
    const bool enabled = box.isEnabled();
    const bool focused = isFocused (box);
    const float w = (float) width, h = (float) height;

    if (! pitch && ! musical)
    {
        const auto r = nonNegative (0.5f, 0.5f, w - 1.0f, h - 1.0f);
        g.setColour (c (down ? Palette::pressedFill : box.isMouseOver (false) ? Palette::hoverFill : Palette::fieldBackground));
        g.fillRoundedRectangle (r, 6.0f);
        g.setColour (c (focused ? Palette::focus : Palette::subtleOutline));
        g.drawRoundedRectangle (r, 6.0f, focused ? 2.0f : 1.0f);

        const float mid = (float) (height / 2);
        juce::Path chevron;
        chevron.startNewSubPath (w - 22.0f, mid - 3.0f);
        chevron.lineTo (w - 17.0f, mid + 3.0f);
        chevron.lineTo (w - 12.0f, mid - 3.0f);
        g.setColour (c (enabled ? Palette::captionText : Palette::disabled));
        g.strokePath (chevron, juce::PathStrokeType (1.8f));
        return;
    }

    const auto parts = splitSelectorText (box.getText(), pitch);

    const int W = std::max (0, width - 17);
    const float cy = (float) std::max (0, height - 13) / 2.0f + 6.5f;
    const int textWidth = W - std::min (W, 20);
    const bool hot = enabled && (down || box.isMouseOverOrDragging (true));

    g.setColour (c (enabled ? Palette::captionText : Palette::disabled));
    g.setFont (themeFont (12.0f));
    g.drawFittedText (parts.caption, juce::Rectangle<float> (8.0f, cy - 22.0f, (float) textWidth, 16.0f).toNearestInt(),
                      juce::Justification::centred, 1);

    const auto valueColour = c (! enabled ? Palette::disabled : hot ? Palette::focus : Palette::accent);
    const auto valueArea = juce::Rectangle<float> (8.0f, cy - (pitch ? 2.0f : 15.0f), (float) textWidth, 30.0f).toNearestInt();
    g.setColour (valueColour);
    g.setFont (themeFont (22.0f, true));
    g.drawFittedText (parts.value, valueArea, juce::Justification::centred, 1, 0.75f);

    const float vy = (float) valueArea.getY() + 12.0f;
    const float cx = 8.0f + (float) textWidth + ((float) std::min (W, 20) - 8.0f) / 2.0f;
    juce::Path chevron;
    chevron.startNewSubPath (cx, vy);
    chevron.lineTo (cx + 4.0f, vy + 5.0f);
    chevron.lineTo (cx + 8.0f, vy);
    g.strokePath (chevron, juce::PathStrokeType (1.8f));

    if (hot)
    {
        const float ly = (float) valueArea.getY() + 32.0f;
        g.drawLine (8.5f, ly, (float) W + 8.5f, ly, 1.0f);
    }

    if (focused)
    {
        g.setColour (c (Palette::focus));
        g.drawRoundedRectangle (nonNegative (2.5f, 2.5f, w - 5.0f, h - 5.0f), 6.0f, 1.5f);
    }
}

void LookAndFeel::positionComboBoxText (juce::ComboBox& box, juce::Label& label)
{
    if (hasRole (box, Roles::pitchSelector) || hasRole (box, Roles::musicalSelector))
    {
        label.setBounds (0, 0, box.getWidth(), box.getHeight());
        label.setColour (juce::Label::textColourId, juce::Colours::transparentBlack);
        label.setMouseCursor (juce::MouseCursor::PointingHandCursor);
        return;
    }

    label.setBounds (10, 1, std::max (0, box.getWidth() - 34), std::max (0, box.getHeight() - 2));
    label.setFont (themeFont (13.0f));
}

juce::PopupMenu::Options LookAndFeel::getOptionsForComboBoxPopupMenu (juce::ComboBox& box, juce::Label& label)
{
    auto options = tolmek::PopupMenuPlacement::LookAndFeel<juce::LookAndFeel_V4>::getOptionsForComboBoxPopupMenu (box, label);

    if (hasRole (box, Roles::pitchSelector) || hasRole (box, Roles::musicalSelector))
        options = options.withStandardItemHeight (30);

    return options;
}

void LookAndFeel::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height,
                                    float position, float startAngle, float endAngle, juce::Slider& slider)
{
    if (! hasRole (slider, Roles::discreteKnob) || width < 62 || height < 1)
    {
        LookAndFeel_V4::drawRotarySlider (g, x, y, width, height, position, startAngle, endAngle, slider);
        return;
    }

    constexpr int valueColumn = 61;
    LookAndFeel_V4::drawRotarySlider (g, x + valueColumn, y, width - valueColumn, height, position, startAngle, endAngle, slider);

    const auto steps = knobSteps (slider.getMinimum(), slider.getMaximum(), slider.getInterval(), slider.getValue());

    const auto bounds = juce::Rectangle<int> (x + valueColumn, y, width - valueColumn, height).toFloat().reduced (10.0f);
    const float radius = std::max (0.0f, std::min (bounds.getWidth(), bounds.getHeight()) / 2.0f);
    const float lineW = std::min (8.0f, radius / 2.0f);
    const float arcRadius = radius - lineW / 2.0f;
    const auto centre = bounds.getCentre();
    const float tickRadius = arcRadius + 0.72f * lineW;

    if (isFocused (slider))
    {
        const float r = std::min (tickRadius + 8.0f, (float) std::min (height, width - valueColumn) / 2.0f - 1.0f);
        if (r > 0.0f)
        {
            g.setColour (c (Palette::focus).withAlpha ((juce::uint8) 0xeb));
            g.drawEllipse (centre.x - r, centre.y - r, 2.0f * r, 2.0f * r, 1.5f);
        }
    }

    const auto thumb = slider.findColour (juce::Slider::thumbColourId);
    const auto other = slider.findColour (juce::Slider::rotarySliderOutlineColourId).brighter (0.55f).withAlpha ((juce::uint8) 0xb8);
    const auto zero = c (Palette::subtleOutline).withAlpha ((juce::uint8) 0xd1);

    for (int i = 0; i < steps.count; ++i)
    {
        const float angle = steps.angleOf (i, startAngle, endAngle);
        float length = 4.5f, thickness = 1.25f;
        auto colour = other;

        if (i == steps.current)
            colour = thumb, length = 6.5f, thickness = 2.0f;
        else if (steps.zero && i == *steps.zero)
            colour = zero, length = 6.0f, thickness = 1.5f;

        g.setColour (colour);
        g.drawLine (juce::Line<float> (tickPoint (centre, tickRadius, angle), tickPoint (centre, tickRadius + length, angle)), thickness);
    }

    g.setColour (slider.isEnabled() ? thumb : thumb.withMultipliedAlpha (0.45f));
    g.setFont (themeFont (14.0f));
    g.drawFittedText (slider.getTextFromValue (slider.getValue()),
                      { x, y + juce::roundToInt (0.54 * height), 56, 20 }, juce::Justification::centredRight, 1);
}

//==============================================================================
// Slider miniatures, in the slider's scaled local coordinates: the drawing spans x 7 .. 7 + width
// and y 6 .. 6 + height, centred on the line y = middle.
namespace
{
struct Miniature
{
    juce::Slider& slider;
    float width = 0.0f, height = 0.0f, middle = 0.0f;
    float proportion = 0.0f;   // the value's position in the range, 0..1
    juce::Colour lit, unlit;

    static Miniature of (juce::Slider& slider, float localWidth, float localHeight, bool enabled, bool focused)
    {
        const float width = std::max (0.0f, localWidth - 14.0f);
        const float height = std::max (0.0f, localHeight - 12.0f);
        return { slider, width, height, height / 2.0f + 6.0f,
                 proportionOf (slider.getValue(), slider.getMinimum(), slider.getMaximum()),
                 c (! enabled ? Palette::disabled : focused ? Palette::focus : Palette::accent),
                 c (enabled ? Palette::hoverFill : Palette::fieldBackground) };
    }

    /** Where the value bubble stands unless the miniature has a marker of its own. */
    float valueX() const { return width * proportion + 7.0f; }
};

/** Eight note heads that light up one after another. */
void drawDensity (juce::Graphics& g, const Miniature& m)
{
    const float D = m.width, p = m.proportion;
    const auto glyph = [&] (int i, juce::Colour colour, float stem)
    {
        const float gx = ((float) i + 0.5f) * D / 8.0f + 7.0f;
        const float gy = m.middle + (i % 3 == 0 ? 3.0f : i % 3 == 1 ? -3.0f : 0.0f);
        g.setColour (colour);
        g.fillEllipse (gx - 3.0f, gy - 2.0f, 6.0f, 4.5f);
        g.drawLine (gx + 2.0f, gy - 1.0f, gx + 2.0f, gy - 9.0f, stem);
    };

    for (int i = 0; i < 8; ++i)
    {
        glyph (i, m.unlit, 1.0f);
        const float f = clampf (8.0f * p - (float) i, 0.0f, 1.0f);
        if (f > 0.0f)
            glyph (i, m.lit.withMultipliedAlpha (0.35f + 0.65f * f), 1.4f);
    }
}

/** A pair of notes whose second one moves late of the grid line; returns the moving note's x. */
float drawSwing (juce::Graphics& g, const Miniature& m)
{
    const float D = m.width, E = m.height, p = m.proportion;
    g.setColour (m.unlit);
    g.drawLine (7.0f, m.middle, D + 7.0f, m.middle, 1.0f);
    g.setColour (c (Palette::outline));
    const float gridX = (float) juce::roundToInt (0.64f * D + 7.0f);
    g.drawLine (gridX, 6.0f, gridX, E + 6.0f, 1.0f);

    const float firstX = 0.24f * D + 7.0f;
    const float sx = 0.64f * D + 0.18f * D * p + 7.0f;
    g.setColour (m.lit);
    g.drawLine (firstX, m.middle, sx, m.middle, 2.0f);
    g.fillEllipse (firstX - 4.0f, m.middle - 4.0f, 8.0f, 8.0f);
    g.fillEllipse (sx - 5.0f, m.middle - 5.0f, 10.0f, 10.0f);
    return sx;
}

/** Seven dots on their grid lines, scattered further from the middle as the value grows. */
void drawHumanize (juce::Graphics& g, const Miniature& m)
{
    static constexpr float offsets[] { -0.8f, 0.55f, -0.25f, 0.9f, -0.6f, 0.3f, 0.72f };
    const float D = m.width, E = m.height, p = m.proportion;
    for (int i = 0; i < 7; ++i)
    {
        const float cx = (float) i * D / 6.0f + 7.0f;
        g.setColour (m.unlit);
        g.drawLine (cx, 6.0f, cx, E + 6.0f, 1.0f);
        const float cy = m.middle + p * offsets[i] * E * 0.38f;
        g.setColour (m.lit);
        g.fillEllipse (cx - 3.0f, cy - 3.0f, 6.0f, 6.0f);
    }
}

/** The dynamic marks pp .. ff lit up to the value; too narrow for them, the value's mark between pp and ff. */
void drawVelocity (juce::Graphics& g, const Miniature& m)
{
    static const char* const labels[] { "pp", "p", "mp", "mf", "f", "ff" };
    const float D = m.width, E = m.height, p = m.proportion;
    const auto small = themeFont (10.5f, true);
    float widest = 0.0f;
    for (auto* label : labels)
        widest = std::max (widest, small.getStringWidthFloat (label));

    g.setFont (small);
    if (widest + 4.0f <= D / 6.0f)
    {
        for (int i = 0; i < 6; ++i)
        {
            g.setColour ((float) i / 5.0f <= p + 0.001f ? m.lit : m.unlit);
            g.drawFittedText (labels[i], juce::roundToInt ((float) i * D / 6.0f + 7.0f), 6,
                              juce::roundToInt (D / 6.0f), juce::roundToInt (E), juce::Justification::centred, 1);
        }
    }
    else
    {
        const auto valueText = m.slider.getTextFromValue (m.slider.getValue());
        const int blank = valueText.indexOfChar (' ');
        const juce::Rectangle<int> area (7, 6, juce::roundToInt (D), juce::roundToInt (E));

        g.setColour (m.lit);
        g.setFont (themeFont (14.0f, true));
        g.drawFittedText (blank >= 0 ? valueText.substring (blank + 1) : valueText, area, juce::Justification::centred, 1);
        g.setColour (m.unlit);
        g.setFont (small);
        g.drawFittedText ("pp", area, juce::Justification::centredLeft, 1);
        g.drawFittedText ("ff", area, juce::Justification::centredRight, 1);
    }

    g.setColour (m.lit);
    g.fillRoundedRectangle (m.valueX() - 7.0f, E + 3.5f, 14.0f, 3.0f, 1.5f);
}

/** Ten dots that fill one after another. */
void drawChance (juce::Graphics& g, const Miniature& m)
{
    const float D = m.width, p = m.proportion;
    const float d = std::min (8.0f, D / 10.0f - 2.5f);
    if (d <= 0.0f)
        return;

    for (int i = 0; i < 10; ++i)
    {
        const float cx = ((float) i + 0.5f) * D / 10.0f + 7.0f;
        g.setColour (m.unlit);
        g.fillEllipse (cx - d / 2.0f, m.middle - d / 2.0f, d, d);
        const float f = clampf (10.0f * p - (float) i, 0.0f, 1.0f);
        if (f > 0.0f)
        {
            g.setColour (m.lit.withMultipliedAlpha (0.35f + 0.65f * f));
            g.fillEllipse (cx - d / 2.0f, m.middle - d / 2.0f, d, d);
        }
    }
}

/** A note that climbs a curve and grows with the value; returns its x. */
float drawImportance (juce::Graphics& g, const Miniature& m)
{
    const float D = m.width, E = m.height, p = m.proportion;
    const juce::Point<float> p0 (11.0f, E + 3.0f), p1 (D / 2.0f + 7.0f, E + 7.0f), p2 (D + 2.0f, 10.0f);
    juce::Path curve;
    curve.startNewSubPath (p0);
    curve.quadraticTo (p1, p2);
    g.setColour (m.unlit);
    g.strokePath (curve, juce::PathStrokeType (1.5f));

    const float t = p, u = 1.0f - p;
    const float bx = u * u * p0.x + 2.0f * u * t * p1.x + t * t * p2.x;
    const float by = u * u * p0.y + 2.0f * u * t * p1.y + t * t * p2.y;
    const float r = 4.0f * p + 6.0f;
    g.setColour (m.lit);
    g.fillEllipse (bx - r / 2.0f, by - 0.35f * r, r, 0.7f * r);
    g.drawLine (bx + 0.38f * r, by - 0.1f * r, bx + 0.38f * r, by - r - 4.0f, 1.2f + p);
    return bx;
}

/** Draws the miniature the slider names; returns the x the value bubble centres on. */
float drawMiniature (juce::Graphics& g, const juce::String& kind, const Miniature& m)
{
    if (kind == "swing")
        return drawSwing (g, m);
    if (kind == "importance")
        return drawImportance (g, m);

    if (kind == "density")
        drawDensity (g, m);
    else if (kind == "humanize")
        drawHumanize (g, m);
    else if (kind == "velocity")
        drawVelocity (g, m);
    else if (kind == "chance")
        drawChance (g, m);

    return m.valueX();
}
} // namespace

void LookAndFeel::drawLinearSlider (juce::Graphics& g, int x, int y, int width, int height,
                                    float sliderPos, float minSliderPos, float maxSliderPos,
                                    juce::Slider::SliderStyle style, juce::Slider& slider)
{
    const auto kind = slider.getProperties().getWithDefault (Roles::visualKind, {}).toString();

    if (kind.isEmpty())
    {
        LookAndFeel_V4::drawLinearSlider (g, x, y, width, height, sliderPos, minSliderPos, maxSliderPos, style, slider);
        return;
    }

    const bool enabled = slider.isEnabled();
    const bool focused = isFocused (slider);
    const bool active = enabled && (slider.isMouseOverOrDragging (false) || focused);

    // The miniatures are drawn for a 44 px high slider and grow with it up to 1.4 times.
    juce::Graphics::ScopedSaveState saved (g);
    const float s = clampf ((float) height / 44.0f, 1.0f, 1.4f);
    g.addTransform (juce::AffineTransform::scale (s).translated ((float) x, (float) y));

    const float localWidth = (float) width / s, localHeight = (float) height / s;
    const auto miniature = Miniature::of (slider, localWidth, localHeight, enabled, focused);
    const float bubbleX = drawMiniature (g, kind, miniature);

    if (active)
        drawValueBubble (g, slider, bubbleX, localWidth, focused);

    if (focused)
    {
        g.setColour (c (Palette::focus));
        g.drawRoundedRectangle (nonNegative (1.0f, 1.0f, localWidth - 2.0f, localHeight - 2.0f), 5.0f, 1.5f);
    }
}

} // namespace VarneTTheme
