#pragma once

// What the strip and the timeline take from the editor's shared pieces: palette, fonts, menu
// placement, the repeat button and the text functions. Stand-ins until the shared pieces land.

#include "model/Project.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cmath>
#include <functional>

namespace VarneTTheme
{
struct Palette
{
    static inline const juce::Colour panelBackground { 0xff1e1e2e };
    static inline const juce::Colour menuBackground { 0xff181825 };
    static inline const juce::Colour backdrop { 0xff11111b };
    static inline const juce::Colour contentBackground { 0xff181926 };
    static inline const juce::Colour cardBackground { 0xff24273a };
    static inline const juce::Colour fieldBackground { 0xff313244 };
    static inline const juce::Colour hoverFill { 0xff45475a };
    static inline const juce::Colour divider { 0xff494d64 };
    static inline const juce::Colour pressedFill { 0xff585b70 };
    static inline const juce::Colour disabled { 0xff6c7086 };
    static inline const juce::Colour outline { 0xff7f849c };
    static inline const juce::Colour subtleOutline { 0xff9399b2 };
    static inline const juce::Colour captionText { 0xffa6adc8 };
    static inline const juce::Colour secondaryText { 0xffbac2de };
    static inline const juce::Colour text { 0xffcdd6f4 };
    static inline const juce::Colour focus { 0xffb4befe };
    static inline const juce::Colour accent { 0xffcba6f7 };
    static inline const juce::Colour success { 0xffa6e3a1 };
    static inline const juce::Colour teal { 0xff94e2d5 };
    static inline const juce::Colour orange { 0xfffab387 };
    static inline const juce::Colour cyan { 0xff74c7ec };
    static inline const juce::Colour yellow { 0xfff9e2af };
    static inline const juce::Colour blue { 0xff89b4fa };
    static inline const juce::Colour timelineBackground = contentBackground.interpolatedWith (cardBackground, 0.52f);
};

inline juce::Font themeFont (float height, bool bold)
{
    return juce::Font (height, bold ? juce::Font::bold : juce::Font::plain);
}
} // namespace VarneTTheme

namespace tolmek
{
struct PopupMenuPlacement
{
    static juce::PopupMenu::Options placeMenu (juce::PopupMenu::Options options) { return options; }
};
} // namespace tolmek

class RepeatCountButton : public juce::Button
{
public:
    RepeatCountButton() : juce::Button ("Repeat") {}

    std::function<void (int)> onChange;
    int count = 1;

    void setCount (int newCount, const juce::String& label)
    {
        count = newCount;
        setButtonText (juce::String (juce::CharPointer_UTF8 ("\xc3\x97")) + juce::String (count));
        setTitle (label + ": " + juce::String (count) + " total passes");
        repaint();
    }

    void paintButton (juce::Graphics& g, bool, bool) override
    {
        g.setColour (count == 1 ? VarneTTheme::Palette::secondaryText : VarneTTheme::Palette::accent);
        g.setFont (VarneTTheme::themeFont (12.0f, true));
        g.drawFittedText (getButtonText(), getLocalBounds(), juce::Justification::centred, 1);
    }
};

namespace VarneTText
{
inline juce::String noteNameWithOctave (int note)
{
    static const char* names[] = { "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B" };
    if (note < 0 || note > 127)
        return {};
    return juce::String (names[note % 12]) + juce::String (note / 12 - 2);
}

inline juce::String ordinalText (int n)
{
    const auto a = std::abs (n);
    if (a % 100 >= 11 && a % 100 <= 13)
        return juce::String (n) + "th";
    switch (a % 10)
    {
        case 1: return juce::String (n) + "st";
        case 2: return juce::String (n) + "nd";
        case 3: return juce::String (n) + "rd";
        default: return juce::String (n) + "th";
    }
}
} // namespace VarneTText

inline juce::String signedStepText (int n)
{
    if (n > 0) return juce::String (juce::CharPointer_UTF8 ("\xe2\x86\x91")) + juce::String (n);
    if (n < 0) return juce::String (juce::CharPointer_UTF8 ("\xe2\x86\x93")) + juce::String (-n);
    return {};
}

inline juce::String registerText (int octaves)
{
    if (octaves == 0)
        return "Original";
    const auto number = octaves > 0 ? "+" + juce::String (octaves) : juce::String (octaves);
    return number + (std::abs (octaves) == 1 ? " octave" : " octaves");
}

inline juce::String notePitchText (const VarneT::NoteEvent& note, int pitchSource, int scaleDegreeCount)
{
    using VarneT::TargetBasis;
    const auto& t = note.target;
    const auto positiveMod = [] (int a, int n) { return ((a % n) + n) % n; };
    if (t.basis == TargetBasis::fixed)
        return VarneTText::noteNameWithOctave (juce::jlimit (0, 127, t.fixedMidiNote + 12 * note.octave + t.chromaticOffset));
    if (pitchSource == 1)
        return "Scale " + juce::String (positiveMod (t.index, juce::jmax (1, scaleDegreeCount)) + 1);
    if (t.basis == TargetBasis::chord)
        return t.index == 0 ? juce::String ("Root")
             : t.index > 0 ? VarneTText::ordinalText (t.index + 1) + " chord note"
                           : "Chord step " + juce::String (t.index);
    if (t.basis == TargetBasis::scale)
        return "Scale " + juce::String (positiveMod (t.index, 7) + 1);
    if (t.basis == TargetBasis::input)
        return t.index == 0 ? juce::String ("Lowest input")
             : t.index > 0 ? VarneTText::ordinalText (t.index + 1) + " input note"
                           : "Input step " + juce::String (t.index);
    return {};
}
