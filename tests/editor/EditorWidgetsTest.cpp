#include "editor/EditorWidgets.h"
#include "editor/VarneTTheme.h"
#include "support/gui/GuiTestBench.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <gtest/gtest.h>

#include <climits>

namespace
{
namespace gui = testing_support::gui;
using juce::String;

String utf8 (const char* text) { return String::fromUTF8 (text); }

TEST (EditorTexts, DynamicMarks)
{
    const std::pair<int, const char*> cases[] {
        { INT_MIN, "pp" }, { 0, "pp" }, { 31, "pp" }, { 32, "p" }, { 51, "p" }, { 52, "mp" }, { 71, "mp" },
        { 72, "mf" }, { 91, "mf" }, { 92, "f" }, { 111, "f" }, { 112, "ff" }, { 127, "ff" }, { INT_MAX, "ff" } };
    for (const auto& [v, mark] : cases)
        EXPECT_EQ (dynamicMarkForVelocity (v), mark) << v;
}

TEST (EditorTexts, SignedStepsOrdinalsAndRegisters)
{
    EXPECT_EQ (signedStepText (3), utf8 ("\xe2\x86\x91" "3"));
    EXPECT_EQ (signedStepText (-2), utf8 ("\xe2\x86\x93" "2"));
    EXPECT_EQ (signedStepText (0), "");
    EXPECT_EQ (signedStepText (INT_MIN), utf8 ("\xe2\x86\x93" "2147483648"));

    const std::pair<int, const char*> ordinals[] {
        { 1, "1st" }, { 2, "2nd" }, { 3, "3rd" }, { 4, "4th" }, { 11, "11th" }, { 12, "12th" }, { 13, "13th" },
        { 21, "21st" }, { 22, "22nd" }, { 23, "23rd" }, { 111, "111th" }, { 112, "112th" }, { 101, "101st" },
        { 0, "0th" }, { -1, "-1st" }, { -12, "-12th" }, { INT_MIN, "-2147483648th" } };
    for (const auto& [n, text] : ordinals)
        EXPECT_EQ (ordinalText (n), text) << n;

    const std::pair<int, const char*> registers[] {
        { 0, "Original" }, { 1, "+1 octave" }, { -1, "-1 octave" }, { 2, "+2 octaves" }, { -4, "-4 octaves" } };
    for (const auto& [n, text] : registers)
        EXPECT_EQ (registerText (n), text) << n;
}

TEST (EditorTexts, Bars)
{
    struct Case { double beats; bool unit; const char* text; };
    const Case cases[] {
        { 1, true, "0.25 bars" }, { 4, true, "1 bar" }, { 6, true, "1.5 bars" }, { 10, true, "2.5 bars" },
        { 0, true, "0 bars" }, { 8, false, "2" }, { 4.0000000001, true, "1 bar" }, { 1.0 / 3.0, false, "0.08" },
        { 2, false, "0.5" }, { -4, true, "-1 bars" }, { -0.001, false, "0" }, { 1024, true, "256 bars" },
        { std::numeric_limits<double>::quiet_NaN(), true, "0 bars" }, { std::numeric_limits<double>::infinity(), false, "0" } };
    for (const auto& c : cases)
        EXPECT_EQ (barsText (c.beats, c.unit), c.text) << c.beats;
}

TEST (EditorTexts, NoteNamesPutMiddleCAtC3)
{
    EXPECT_EQ (noteNames().joinIntoString (" "), "C C# D D# E F F# G G# A A# B");
    const std::pair<int, const char*> cases[] { { 60, "C3" }, { 0, "C-2" }, { 127, "G8" }, { 61, "C#3" }, { -1, "" }, { 128, "" } };
    for (const auto& [n, name] : cases)
    {
        EXPECT_EQ (noteNameWithOctave (n), name) << n;
        if (n >= 0 && n <= 127)
        {
            EXPECT_EQ (noteNameWithOctave (n), juce::MidiMessage::getMidiNoteName (n, true, true, 3)) << n;
        }
    }
}

TEST (EditorTexts, PitchChoices)
{
    const std::tuple<int, int, const char*> cases[] {
        { 0, 0, "Chord \xc2\xb7 Root" }, { 0, 1, "Chord \xc2\xb7 2nd note" }, { 0, -1, "Chord \xc2\xb7 Step -1" },
        { 1, 0, "Scale \xc2\xb7 Degree 1" }, { 1, -3, "Scale \xc2\xb7 Degree -2" },
        { 2, 0, "Input \xc2\xb7 Lowest note" }, { 2, 10, "Input \xc2\xb7 11th note" }, { 2, -32, "Input \xc2\xb7 Step -32" },
        { 3, 60, "Fixed \xc2\xb7 C3  MIDI 60" }, { 3, 0, "Fixed \xc2\xb7 C-2  MIDI 0" }, { 4, 0, "" }, { -1, 0, "" },
        { 1, INT_MAX, "Scale \xc2\xb7 Degree 2147483648" }, { 0, INT_MAX, "Chord \xc2\xb7 2147483648th note" },
        { 3, 128, "Fixed \xc2\xb7   MIDI 128" } };
    for (const auto& [basis, v, text] : cases)
        EXPECT_EQ (pitchChoiceText (basis, v), utf8 (text)) << basis << " " << v;
}

TEST (EditorTexts, PitchChoiceIdsRoundTrip)
{
    for (int basis = 0; basis <= 2; ++basis)
        for (int v = -32; v <= 32; ++v)
            EXPECT_EQ (decodePitchChoiceId (pitchChoiceId (basis, v)), (PitchChoice { basis, v }));
    for (int n = 0; n <= 127; ++n)
        EXPECT_EQ (decodePitchChoiceId (pitchChoiceId (3, n)), (PitchChoice { 3, n }));

    EXPECT_EQ (decodePitchChoiceId (289), (PitchChoice { 1, 0 }));
    EXPECT_EQ (decodePitchChoiceId (769), (PitchChoice { 3, 0 }));
    EXPECT_EQ (decodePitchChoiceId (896), (PitchChoice { 3, 127 }));
    EXPECT_EQ (pitchChoiceId (0, -32), 1);
    EXPECT_EQ (pitchChoiceId (0, 32), 65);
    EXPECT_EQ (pitchChoiceId (2, -32), 513);
    EXPECT_EQ (pitchChoiceId (2, 32), 577);

    for (int refused : { 66, 0, -1, 256, 322, 897, 1024, 1025, INT_MIN, INT_MAX })
        EXPECT_FALSE (decodePitchChoiceId (refused).has_value()) << refused;
    for (auto [basis, v] : { std::pair { 0, 33 }, { 1, -33 }, { 3, 128 }, { 3, -1 }, { 4, 0 }, { -1, 0 } })
        EXPECT_EQ (pitchChoiceId (basis, v), 0) << basis << " " << v;
}

VarneT::NoteEvent noteWith (VarneT::TargetBasis basis, int index, int octave = 0, int fixed = 60, int offset = 0)
{
    VarneT::NoteEvent note;
    note.target.basis = basis;
    note.target.index = index;
    note.target.fixedMidiNote = fixed;
    note.target.chromaticOffset = offset;
    note.octave = octave;
    return note;
}

TEST (EditorTexts, NotePitchTexts)
{
    using B = VarneT::TargetBasis;
    constexpr int chords = 0, scale = 1;
    struct Case { VarneT::NoteEvent note; int source, degrees; const char* text; };
    const Case cases[] {
        { noteWith (B::fixed, 0, 1, 60, 2), chords, 7, "D4" },
        { noteWith (B::fixed, 0, 10, 120), scale, 7, "G8" },        // clamped to 127
        { noteWith (B::fixed, 0, -10, 0), chords, 7, "C-2" },       // clamped to 0
        { noteWith (B::chord, 2), scale, 7, "Scale 3" },
        { noteWith (B::input, -1), scale, 5, "Scale 5" },
        { noteWith (B::chord, 9), scale, 0, "Scale 1" },           // a count under 1 reads as 1
        { noteWith (B::chord, 0), chords, 7, "Root" },
        { noteWith (B::chord, 2), chords, 7, "3rd chord note" },
        { noteWith (B::chord, -2), chords, 7, "Chord step -2" },
        { noteWith (B::scale, 8), chords, 7, "Scale 2" },
        { noteWith (B::scale, -1), chords, 7, "Scale 7" },
        { noteWith (B::input, 0), chords, 7, "Lowest input" },
        { noteWith (B::input, 1), chords, 7, "2nd input note" },
        { noteWith (B::input, -3), chords, 7, "Input step -3" },
        { noteWith ((B) 9, 0), chords, 7, "" },
        { noteWith (B::chord, INT_MAX), chords, 7, "2147483648th chord note" },
        { noteWith (B::scale, INT_MIN), chords, 7, "Scale 6" },
        { noteWith (B::input, INT_MIN), scale, 12, "Scale 5" },
        { noteWith (B::fixed, 0, INT_MAX, INT_MAX, INT_MAX), chords, 7, "G8" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (notePitchText (c.note, c.source, c.degrees), c.text) << c.text;
}

TEST (EditorMenus, PitchMenusHoldTheirChoicesAndIds)
{
    juce::PopupMenu positions;
    addPositionChoices (positions, 0);
    const auto top = gui::walkMenu (positions);
    ASSERT_EQ (top.size(), 10u);
    EXPECT_EQ (top[0].id, 33);
    EXPECT_EQ (top[0].text, utf8 ("Chord \xc2\xb7 Root"));
    EXPECT_EQ (top[7].id, 40);
    EXPECT_EQ (top[8].text, "Higher positions");
    EXPECT_EQ (top[9].text, "Lower positions");
    ASSERT_EQ (top[8].subMenu.size(), 25u);
    EXPECT_EQ (top[8].subMenu.front().id, pitchChoiceId (0, 8));
    EXPECT_EQ (top[8].subMenu.back().id, 65);
    ASSERT_EQ (top[9].subMenu.size(), 32u);
    EXPECT_EQ (top[9].subMenu.front().text, utf8 ("Chord \xc2\xb7 Step -1"));
    EXPECT_EQ (top[9].subMenu.back().id, 1);
    for (const auto& e : top)
        EXPECT_TRUE (e.enabled && ! e.ticked);

    juce::PopupMenu input;
    addPositionChoices (input, 2);
    EXPECT_EQ (gui::walkMenu (input)[0].text, utf8 ("Input \xc2\xb7 Lowest note"));

    for (auto [count, items] : { std::pair { 7, 7 }, { 5, 5 }, { 0, 1 }, { -3, 1 }, { 1000, 33 } })
    {
        juce::PopupMenu degrees;
        addScaleDegreeChoices (degrees, count);
        const auto walked = gui::walkMenu (degrees);
        ASSERT_EQ ((int) walked.size(), items) << count;
        EXPECT_EQ (walked.front().id, 289);
        EXPECT_EQ (walked.front().text, utf8 ("Scale \xc2\xb7 Degree 1"));
    }

    juce::PopupMenu fixed;
    addFixedNoteChoices (fixed);
    const auto octaves = gui::walkMenu (fixed);
    ASSERT_EQ (octaves.size(), 11u);
    EXPECT_EQ (octaves.front().text, "C-2 - B-2");
    EXPECT_EQ (octaves.back().text, "C8 - G8");
    EXPECT_EQ (octaves.back().subMenu.size(), 8u);
    EXPECT_EQ (octaves.back().subMenu.back().id, 896);
    EXPECT_EQ (octaves.front().subMenu.front().id, 769);
    EXPECT_EQ (octaves[5].subMenu[0].text, utf8 ("Fixed \xc2\xb7 C3  MIDI 60"));
}

TEST (EditorIcons, IconTextsAreSvgThatJuceDraws)
{
    const auto colour = juce::Colour (VarneTTheme::Palette::orange);
    struct Case { String svg; const char* firstChild; int children; };
    const Case cases[] { { makeCopyIcon (colour), "rect", 2 }, { makeDeleteIcon (colour), "path", 1 },
                         { makeDragIcon (colour), "path", 1 } };

    for (const auto& c : cases)
    {
        auto xml = juce::parseXML (c.svg);
        ASSERT_NE (xml, nullptr) << c.svg;
        EXPECT_EQ (xml->getTagName(), "svg");
        EXPECT_EQ (xml->getStringAttribute ("viewBox"), "0 0 24 24");
        EXPECT_EQ (xml->getStringAttribute ("xmlns"), "http://www.w3.org/2000/svg");
        EXPECT_EQ (xml->getNumChildElements(), c.children);
        EXPECT_EQ (xml->getChildElement (0)->getTagName(), c.firstChild);
        EXPECT_TRUE (c.svg.contains ("#FAB387")) << c.svg;

        auto drawable = createIconDrawable (c.svg);
        ASSERT_NE (drawable, nullptr);
        juce::Image image (juce::Image::ARGB, 48, 48, true);
        {
            juce::Graphics g (image);
            drawable->drawWithin (g, { 0, 0, 48, 48 }, juce::RectanglePlacement::centred, 1.0f);
        }
        int coloured = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 48; ++x)
                coloured += image.getPixelAt (x, y).getAlpha() > 128 && image.getPixelAt (x, y).getRed() > 200 ? 1 : 0;
        EXPECT_GT (coloured, 40) << c.firstChild;
    }

    const auto copy = juce::parseXML (makeCopyIcon (colour));
    EXPECT_EQ (copy->getStringAttribute ("stroke-width"), "2");
    EXPECT_EQ (copy->getStringAttribute ("fill"), "none");
    EXPECT_EQ (copy->getChildElement (0)->getStringAttribute ("rx"), "2");
    EXPECT_EQ (copy->getChildElement (1)->getStringAttribute ("d"), "M16 8V4H4V16H8");
    EXPECT_EQ (createIconDrawable ("not an icon"), nullptr);
}

TEST (EditorControls, ConfigurationGivesRolesRangesAndLooks)
{
    juce::Slider density, octave;
    configurePerformanceSlider (density, 0, 1, 0.01, "density");
    EXPECT_EQ (density.getSliderStyle(), juce::Slider::LinearHorizontal);
    EXPECT_EQ (density.getTextBoxPosition(), juce::Slider::NoTextBox);
    EXPECT_FALSE (density.isScrollWheelEnabled());
    EXPECT_DOUBLE_EQ (density.getInterval(), 0.01);
    EXPECT_EQ (density.getProperties()[VarneTTheme::Roles::visualKind].toString(), "density");

    configureDiscreteKnob (octave, -3, 3);
    EXPECT_EQ (octave.getSliderStyle(), juce::Slider::RotaryHorizontalVerticalDrag);
    EXPECT_TRUE (octave.isScrollWheelEnabled());
    EXPECT_DOUBLE_EQ (octave.getInterval(), 1.0);
    EXPECT_DOUBLE_EQ (octave.getDoubleClickReturnValue(), 0.0);
    EXPECT_TRUE (octave.isDoubleClickReturnEnabled());
    EXPECT_TRUE (octave.getWantsKeyboardFocus());
    EXPECT_TRUE (VarneTTheme::hasRole (octave, VarneTTheme::Roles::discreteKnob));
    EXPECT_EQ (octave.findColour (juce::Slider::thumbColourId).getARGB(), VarneTTheme::Palette::accent);

    juce::Label label;
    styleCaptionLabel (label, "Swing", 12.0f, juce::Colour (VarneTTheme::Palette::captionText), juce::Justification::centredLeft);
    EXPECT_EQ (label.getText(), "Swing");
    EXPECT_FLOAT_EQ (label.getFont().getHeight(), 12.0f);
    EXPECT_EQ (label.getJustificationType(), juce::Justification::centredLeft);
    EXPECT_EQ (label.findColour (juce::Label::textColourId).getARGB(), VarneTTheme::Palette::captionText);
}
} // namespace
