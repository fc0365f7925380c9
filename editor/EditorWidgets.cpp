#include "editor/EditorWidgets.h"

#include "editor/VarneTTheme.h"

#include <cmath>
#include <cstdlib>

namespace
{
const juce::String middleDot (juce::CharPointer_UTF8 ("\xc2\xb7"));
const juce::String joiner = " " + middleDot + " ";

constexpr int lowestPosition = -32;
constexpr int highestPosition = 32;

int nonNegativeModulo (int a, int n) { return ((a % n) + n) % n; }

// Wide arithmetic, so that "index + 1" of any int is defined.
juce::String ordinalOf (juce::int64 n)
{
    const auto magnitude = n < 0 ? -n : n;
    const auto lastTwo = magnitude % 100;
    if (lastTwo == 11 || lastTwo == 12 || lastTwo == 13)
        return juce::String (n) + "th";

    switch (magnitude % 10)
    {
        case 1: return juce::String (n) + "st";
        case 2: return juce::String (n) + "nd";
        case 3: return juce::String (n) + "rd";
        default: return juce::String (n) + "th";
    }
}

juce::String nextOrdinal (int index) { return ordinalOf ((juce::int64) index + 1); }

juce::String positionText (int v, const juce::String& zeroText)
{
    if (v == 0)
        return zeroText;
    if (v > 0)
        return nextOrdinal (v) + " note";
    return "Step " + juce::String (v);
}
} // namespace

const juce::StringArray& noteNames()
{
    static const juce::StringArray names { "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B" };
    return names;
}

juce::String noteNameWithOctave (int midiNote)
{
    if (midiNote < 0 || midiNote > 127)
        return {};
    return noteNames()[midiNote % 12] + juce::String (midiNote / 12 - 2);
}

juce::String dynamicMarkForVelocity (int v)
{
    if (v < 32)  return "pp";
    if (v <= 51) return "p";
    if (v <= 71) return "mp";
    if (v <= 91) return "mf";
    if (v < 112) return "f";
    return "ff";
}

juce::String signedStepText (int n)
{
    if (n > 0)
        return juce::String (juce::CharPointer_UTF8 ("\xe2\x86\x91")) + juce::String (n);
    if (n < 0)
        return juce::String (juce::CharPointer_UTF8 ("\xe2\x86\x93")) + juce::String (std::abs ((juce::int64) n));
    return {};
}

juce::String ordinalText (int n) { return ordinalOf (n); }

juce::String registerText (int octaves)
{
    if (octaves == 0)
        return "Original";

    const auto number = octaves > 0 ? "+" + juce::String (octaves) : juce::String (octaves);
    return number + (std::abs ((juce::int64) octaves) == 1 ? " octave" : " octaves");
}

juce::String percentText (double value) { return juce::String (juce::roundToInt (value * 100.0)) + "%"; }

juce::String velocityText (double value)
{
    const auto v = juce::roundToInt (value);
    return dynamicMarkForVelocity (v) + "  " + juce::String (v);
}

juce::String registerKnobText (double value) { return registerText (juce::roundToInt (value)); }

juce::String octaveKnobText (double value)
{
    const auto steps = juce::roundToInt (value);
    return steps == 0 ? juce::String ("Original") : signedStepText (steps);
}

juce::String barsText (double beats, bool withUnit)
{
    const double bars = std::isfinite (beats) ? beats / 4.0 : 0.0;
    auto text = juce::String (bars, 2);

    if (text.containsChar ('.'))
        text = text.trimCharactersAtEnd ("0").trimCharactersAtEnd (".");
    if (text == "-0")
        text = "0";

    if (! withUnit)
        return text;

    return text + (std::abs (bars - 1.0) <= 1e-9 ? " bar" : " bars");
}

int pitchChoiceId (int basis, int value)
{
    using VarneT::TargetBasis;

    if (basis == (int) TargetBasis::fixed)
        return value >= 0 && value <= 127 ? basis * 256 + 1 + value : 0;

    if (basis >= (int) TargetBasis::chord && basis <= (int) TargetBasis::input
        && value >= lowestPosition && value <= highestPosition)
        return basis * 256 + 1 + value + 32;

    return 0;
}

std::optional<PitchChoice> decodePitchChoiceId (int id)
{
    if (id < 1)
        return std::nullopt;

    const int k = id - 1;
    const int basis = k / 256;
    const int r = k % 256;

    if (basis <= 2 && r <= 64)
        return PitchChoice { basis, r - 32 };
    if (basis == 3 && r <= 127)
        return PitchChoice { basis, r };

    return std::nullopt;
}

juce::String pitchChoiceText (int basis, int v)
{
    switch (basis)
    {
        case (int) VarneT::TargetBasis::chord: return "Chord" + joiner + positionText (v, "Root");
        case (int) VarneT::TargetBasis::scale: return "Scale" + joiner + "Degree " + juce::String ((juce::int64) v + 1);
        case (int) VarneT::TargetBasis::input: return "Input" + joiner + positionText (v, "Lowest note");
        case (int) VarneT::TargetBasis::fixed:
            return "Fixed" + joiner + noteNameWithOctave (v) + "  MIDI " + juce::String (v);
        default: return {};
    }
}

juce::String notePitchText (const VarneT::NoteEvent& note, int pitchSource, int scaleDegreeCount)
{
    const auto& target = note.target;
    const int index = target.index;

    if (target.basis == VarneT::TargetBasis::fixed)
    {
        const auto pitch = (juce::int64) target.fixedMidiNote + 12 * (juce::int64) note.octave + target.chromaticOffset;
        return noteNameWithOctave ((int) juce::jlimit<juce::int64> (0, 127, pitch));
    }

    if (pitchSource == (int) VarneT::PitchSource::scale)
        return "Scale " + juce::String (nonNegativeModulo (index, std::max (1, scaleDegreeCount)) + 1);

    switch (target.basis)
    {
        case VarneT::TargetBasis::chord:
            if (index == 0) return "Root";
            if (index > 0)  return nextOrdinal (index) + " chord note";
            return "Chord step " + juce::String (index);

        case VarneT::TargetBasis::scale:
            return "Scale " + juce::String (nonNegativeModulo (index, 7) + 1);

        case VarneT::TargetBasis::input:
            if (index == 0) return "Lowest input";
            if (index > 0)  return nextOrdinal (index) + " input note";
            return "Input step " + juce::String (index);

        case VarneT::TargetBasis::fixed:
        default:
            return {};
    }
}

void addPositionChoices (juce::PopupMenu& menu, int basis)
{
    const auto add = [basis] (juce::PopupMenu& m, int v) { m.addItem (pitchChoiceId (basis, v), pitchChoiceText (basis, v)); };

    for (int v = 0; v <= 7; ++v)
        add (menu, v);

    juce::PopupMenu higher, lower;
    for (int v = 8; v <= highestPosition; ++v)
        add (higher, v);
    for (int v = -1; v >= lowestPosition; --v)
        add (lower, v);

    menu.addSubMenu ("Higher positions", higher);
    menu.addSubMenu ("Lower positions", lower);
}

void addScaleDegreeChoices (juce::PopupMenu& menu, int count)
{
    const int basis = (int) VarneT::TargetBasis::scale;
    // Ids only reach index 32: a longer "scale" cannot be offered as distinct items.
    const int shown = std::min (std::max (1, count), highestPosition + 1);
    for (int v = 0; v < shown; ++v)
        menu.addItem (pitchChoiceId (basis, v), pitchChoiceText (basis, v));
}

void addFixedNoteChoices (juce::PopupMenu& menu)
{
    const int basis = (int) VarneT::TargetBasis::fixed;
    for (int first = 0; first <= 127; first += 12)
    {
        const int last = std::min (first + 11, 127);
        juce::PopupMenu octave;
        for (int n = first; n <= last; ++n)
            octave.addItem (pitchChoiceId (basis, n), pitchChoiceText (basis, n));
        menu.addSubMenu (noteNameWithOctave (first) + " - " + noteNameWithOctave (last), octave);
    }
}

void styleCaptionLabel (juce::Label& label, const juce::String& text, float fontHeight,
                        juce::Colour colour, juce::Justification justification)
{
    label.setText (text, juce::dontSendNotification);
    label.setFont (VarneTTheme::themeFont (fontHeight));
    label.setColour (juce::Label::textColourId, colour);
    if (label.getJustificationType().getFlags() != justification.getFlags())
        label.setJustificationType (justification);
}

void configurePerformanceSlider (juce::Slider& slider, double minimum, double maximum,
                                 double interval, const juce::String& visualKind)
{
    slider.setSliderStyle (juce::Slider::LinearHorizontal);
    slider.setTextBoxStyle (juce::Slider::NoTextBox, true, 0, 0);
    slider.setRange (minimum, maximum, interval);
    slider.setScrollWheelEnabled (false);
    slider.setMouseCursor (juce::MouseCursor::LeftRightResizeCursor);
    slider.getProperties().set (VarneTTheme::Roles::visualKind, visualKind);
}

void configureDiscreteKnob (juce::Slider& slider, double minimum, double maximum)
{
    slider.setSliderStyle (juce::Slider::RotaryHorizontalVerticalDrag);
    slider.setTextBoxStyle (juce::Slider::NoTextBox, true, 0, 0);
    slider.setRange (minimum, maximum, 1.0);
    slider.setNumDecimalPlacesToDisplay (0);
    slider.setScrollWheelEnabled (true);
    slider.setDoubleClickReturnValue (true, 0.0);
    slider.setWantsKeyboardFocus (true);
    slider.setMouseCursor (juce::MouseCursor::PointingHandCursor);
    slider.setColour (juce::Slider::rotarySliderFillColourId, juce::Colour (VarneTTheme::Palette::accent));
    slider.setColour (juce::Slider::rotarySliderOutlineColourId, juce::Colour (VarneTTheme::Palette::hoverFill));
    slider.setColour (juce::Slider::thumbColourId, juce::Colour (VarneTTheme::Palette::accent));
    slider.getProperties().set (VarneTTheme::Roles::discreteKnob, true);
}

namespace
{
juce::String strokedIcon (juce::Colour colour, const juce::String& children)
{
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 24 24\" fill=\"none\"\n"
           "        stroke=\"#" + colour.toDisplayString (false) + "\" stroke-width=\"2\"\n"
           "        stroke-linecap=\"round\" stroke-linejoin=\"round\">\n"
           + children
           + "</svg>\n";
}
} // namespace

juce::String makeCopyIcon (juce::Colour colour)
{
    return strokedIcon (colour, "        <rect x=\"8\" y=\"8\" width=\"12\" height=\"12\" rx=\"2\"/>\n"
                                "        <path d=\"M16 8V4H4V16H8\"/>\n");
}

juce::String makeDeleteIcon (juce::Colour colour)
{
    return strokedIcon (colour, "        <path d=\"M4 6H20M9 6V3H15V6M6 6L7 21H17L18 6M10 10V17M14 10V17\"/>\n");
}

juce::String makeDragIcon (juce::Colour colour)
{
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 24 24\">\n"
           "        <path fill=\"#" + colour.toDisplayString (false) + "\" d=\"M12 2C11.45 2 11 2.45 11 3V14.59L7.71 11.29"
           "C7.32 10.9 6.69 10.9 6.29 11.29C5.9 11.68 5.9 12.32 6.29 12.71L11.29 17.71C11.68 18.1 12.32 18.1 12.71 17.71"
           "L17.71 12.71C18.1 12.32 18.1 11.68 17.71 11.29C17.32 10.9 16.68 10.9 16.29 11.29L13 14.59V3C13 2.45 12.55 2 12 2Z"
           "M5 20C4.45 20 4 20.45 4 21C4 21.55 4.45 22 5 22H19C19.55 22 20 21.55 20 21C20 20.45 19.55 20 19 20H5Z\"/>\n"
           "</svg>\n";
}

std::unique_ptr<juce::Drawable> createIconDrawable (const juce::String& svgText)
{
    if (auto xml = juce::parseXML (svgText))
        return juce::Drawable::createFromSVG (*xml);
    return nullptr;
}
