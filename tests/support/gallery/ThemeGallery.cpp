#include "support/gallery/ThemeGallery.h"

#include "editor/EditorWidgets.h"

namespace testing_support
{
using VarneTTheme::Palette;
namespace Roles = VarneTTheme::Roles;

namespace
{
enum class State { normal, hover, pressed, disabled, toggled };
const char* const stateNames[] { "normal", "hover", "pressed", "disabled", "toggled" };

void applyState (juce::Button& b, State s)
{
    b.setEnabled (s != State::disabled);
    b.setToggleState (s == State::toggled, juce::dontSendNotification);
    if (s == State::hover)
        b.setState (juce::Button::buttonOver);
    if (s == State::pressed)
        b.setState (juce::Button::buttonDown);
}
} // namespace

template <typename ComponentType>
ComponentType& ThemeGallery::add (std::unique_ptr<ComponentType> component, juce::Component& parent)
{
    auto& ref = *component;
    parent.addAndMakeVisible (ref);
    owned.push_back (std::move (component));
    return ref;
}

void ThemeGallery::caption (const juce::String& text, juce::Rectangle<int> area, bool heading)
{
    captions.push_back ({ text, area, heading });
}

ThemeGallery::ThemeGallery()
{
    setLookAndFeel (&theme);
    setOpaque (true);

    stage.setBounds (10, 488, 220, 322);
    addAndMakeVisible (stage);
    host.setInterceptsMouseClicks (false, true);
    stage.addAndMakeVisible (host);

    buildButtons();
    buildSliders();
    buildKnobs();
    buildSelectors();
    buildRepeatAndToggles();
    buildHovered();

    setSize (width, height);
    host.toFront (false);
}

ThemeGallery::~ThemeGallery()
{
    juce::PopupMenu::dismissAllActiveMenus();
    owned.clear();
    setLookAndFeel (nullptr);
}

void ThemeGallery::buildButtons()
{
    struct Row
    {
        const char* name;
        std::vector<juce::Identifier> roles;
    };
    const Row rows[] {
        { "plain", {} },
        { "bufferAction", { Roles::bufferAction } },
        { "primary", { Roles::primary } },
        { "updateAvailable", { Roles::updateAvailable } },
        { "danger", { Roles::danger } },
        { "danger + primary", { Roles::danger, Roles::primary } },
        { "quiet", { Roles::quiet } },
        { "modeSelector", { Roles::modeSelector } },
        { "sourceSelector", { Roles::sourceSelector } },
    };

    caption ("Text buttons by role", { 10, 8, 400, 18 }, true);
    for (int s = 0; s < 5; ++s)
        caption (stateNames[s], { 140 + s * 106, 28, 100, 16 });

    int y = 46;
    for (const auto& row : rows)
    {
        caption (row.name, { 10, y, 126, 30 });
        for (int s = 0; s < 5; ++s)
        {
            auto& b = add (std::make_unique<juce::TextButton> (row.roles.empty() ? juce::String ("Button") : juce::String ("Write")), *this);
            if (row.name == juce::String ("sourceSelector"))
                b.setButtonText ("Scale");
            for (const auto& role : row.roles)
                b.getProperties().set (role, true);
            b.setBounds (140 + s * 106, y, 100, 30);
            if (row.name == juce::String ("sourceSelector"))
                b.setConnectedEdges (juce::Button::ConnectedOnRight);
            applyState (b, (State) s);
        }
        y += 32;
    }
}

void ThemeGallery::buildSliders()
{
    struct Kind
    {
        const char* name;
        double minimum, maximum, interval;
        int sliderWidth;
    };
    const Kind kinds[] {
        { "density", 0, 1, 0.01, 180 }, { "swing", 0, 1, 0.01, 180 }, { "humanize", 0, 1, 0.01, 180 },
        { "velocity", 1, 127, 1, 180 }, { "velocity", 1, 127, 1, 100 }, { "chance", 0, 1, 0.01, 180 },
        { "importance", 0, 1, 0.01, 180 },
    };

    caption ("Performance sliders at 0, 50 and 100 %", { 700, 8, 500, 18 }, true);
    int y = 40;
    for (const auto& kind : kinds)
    {
        caption (kind.sliderWidth < 180 ? juce::String (kind.name) + " (narrow)" : juce::String (kind.name), { 700, y, 110, 44 });
        for (int column = 0; column < 3; ++column)
        {
            auto& slider = add (std::make_unique<juce::Slider>(), *this);
            configurePerformanceSlider (slider, kind.minimum, kind.maximum, kind.interval, kind.name);
            if (juce::String (kind.name) == "velocity")
                slider.textFromValueFunction = [] (double v) { return dynamicMarkForVelocity ((int) v) + " " + juce::String ((int) v); };
            else
                slider.textFromValueFunction = [] (double v) { return juce::String (juce::roundToInt (v * 100.0)) + "%"; };

            const double value = kind.minimum + (kind.maximum - kind.minimum) * column / 2.0;
            slider.setValue (kind.interval >= 1.0 ? std::round (value) : value, juce::dontSendNotification);
            slider.setBounds (815 + column * 180, y, kind.sliderWidth - 10, 44);
            if (hoverTargets.empty() && column == 1 && juce::String (kind.name) == "velocity")
                hoverTargets.push_back (&slider);
        }
        y += 48;
    }
}

void ThemeGallery::buildKnobs()
{
    struct Knob
    {
        const char* name;
        double minimum, maximum, value;
        int knobWidth;
        bool enabled;
    };
    const Knob knobs[] {
        { "Octave -3", -3, 3, -3, 116, true }, { "Octave 0", -3, 3, 0, 116, true }, { "Register +4", -4, 4, 4, 116, true },
        { "1..5: no zero tick", 1, 5, 2, 116, true }, { "disabled", -3, 3, 1, 116, false }, { "under 62 px", -3, 3, 1, 60, true },
    };

    caption ("Stepped knobs", { 10, 342, 300, 18 }, true);
    int x = 10;
    for (const auto& k : knobs)
    {
        caption (k.name, { x, 362, k.knobWidth, 14 });
        auto& knob = add (std::make_unique<VarneTEditorComponents::DiscreteStepSlider>(), *this);
        configureDiscreteKnob (knob, k.minimum, k.maximum);
        knob.textFromValueFunction = [] (double v) { return v > 0 ? "+" + juce::String ((int) v) : juce::String ((int) v); };
        knob.setValue (k.value, juce::dontSendNotification);
        knob.setEnabled (k.enabled);
        knob.setBounds (x, 378, k.knobWidth, 80);
        x += k.knobWidth + 6;
    }
}

void ThemeGallery::buildSelectors()
{
    caption ("Selectors, combo box and instance name", { 700, 384, 500, 18 }, true);

    struct Selector
    {
        const char* text;
        juce::Identifier role;
        bool enabled;
        juce::Rectangle<int> bounds;
    };
    const juce::String fixedText = pitchChoiceText (3, 60);
    const juce::String chordText = pitchChoiceText (0, 0);
    const Selector selectors[] {
        { fixedText.toRawUTF8(), Roles::pitchSelector, true, { 700, 404, 200, 66 } },
        { chordText.toRawUTF8(), Roles::pitchSelector, true, { 910, 404, 160, 66 } },
        { "Disabled", Roles::pitchSelector, false, { 1080, 404, 170, 66 } },
        { "C#", Roles::musicalSelector, true, { 1260, 404, 90, 66 } },
        { "Harmonic Minor", Roles::musicalSelector, true, { 700, 476, 180, 56 } },
    };

    for (const auto& s : selectors)
    {
        auto& box = add (std::make_unique<juce::ComboBox>(), *this);
        box.getProperties().set (s.role, true);
        box.addItem (juce::String::fromUTF8 (s.text), 1);
        box.setSelectedId (1, juce::dontSendNotification);
        box.setEnabled (s.enabled);
        box.setBounds (s.bounds);
    }

    for (int i = 0; i < 2; ++i)
    {
        auto& box = add (std::make_unique<juce::ComboBox>(), *this);
        box.addItem ("1/16", 1);
        box.setSelectedId (1, juce::dontSendNotification);
        box.setEnabled (i == 0);
        box.setBounds (890 + i * 120, 489, 110, 30);
    }

    for (int i = 0; i < 2; ++i)
    {
        auto& editor = add (std::make_unique<juce::TextEditor>(), *this);
        editor.getProperties().set (i == 0 ? Roles::instanceName : juce::Identifier ("plain"), true);
        editor.setText (i == 0 ? "Varne-T 1" : "Plain field");
        editor.setBounds (1130 + i * 115, 485, 105, 36);
    }
}

void ThemeGallery::buildRepeatAndToggles()
{
    caption ("Repeat buttons and their menu", { 10, 466, 220, 18 }, true);

    const int counts[] { 1, 3, 8, 2, 5 };
    const State states[] { State::normal, State::normal, State::hover, State::pressed, State::disabled };
    for (int i = 0; i < 5; ++i)
    {
        auto& b = add (std::make_unique<RepeatCountButton>(), stage);
        b.setCount (counts[i], "Pattern: Pattern " + juce::String (i + 1));
        b.setBounds (4 + i * 42, 4, 38, 24);
        applyState (b, states[i]);
        repeatButtons.push_back (&b);
    }

    caption ("Auto-Advance", { 250, 466, 220, 18 }, true);
    const State toggleStates[] { State::normal, State::hover, State::toggled, State::disabled };
    const char* const toggleNames[] { "off", "hover", "on", "disabled" };
    for (int i = 0; i < 4; ++i)
    {
        auto& b = add (std::make_unique<VarneTEditorComponents::AutoAdvanceButton> ("Auto-Advance"), *this);
        b.setClickingTogglesState (true);
        b.setBounds (250 + (i % 2) * 150, 494 + (i / 2) * 52, 110, 30);
        applyState (b, toggleStates[i]);
        caption (toggleNames[i], { 250 + (i % 2) * 150, 526 + (i / 2) * 52, 110, 14 });
    }

    caption ("Icons", { 250, 610, 220, 18 }, true);
    const juce::String svgs[] { makeCopyIcon (juce::Colour (Palette::secondaryText)),
                                makeDeleteIcon (juce::Colour (Palette::orange)),
                                makeDragIcon (juce::Colour (Palette::focus)) };
    const char* const iconNames[] { "copy", "delete", "drag" };
    for (int i = 0; i < 3; ++i)
    {
        for (int size = 0; size < 2; ++size)
        {
            const float side = size == 0 ? 26.0f : 48.0f;
            icons.emplace_back (createIconDrawable (svgs[i]),
                                juce::Rectangle<float> (250.0f + (float) i * 130.0f + (float) size * 36.0f, 634.0f, side, side));
        }
        caption (iconNames[i], { 250 + i * 130, 684, 100, 14 });
    }
}

void ThemeGallery::buildHovered()
{
    caption ("Hovered with the real pointer (in the review image)", { 250, 716, 440, 18 }, true);

    auto& pitch = add (std::make_unique<juce::ComboBox>(), *this);
    pitch.getProperties().set (Roles::pitchSelector, true);
    pitch.addItem (pitchChoiceText (2, 1), 1);
    pitch.setSelectedId (1, juce::dontSendNotification);
    pitch.setBounds (250, 740, 170, 66);

    auto& name = add (std::make_unique<juce::TextEditor>(), *this);
    name.getProperties().set (Roles::instanceName, true);
    name.setText ("Varne-T 1");
    name.setBounds (430, 756, 120, 36);

    auto& combo = add (std::make_unique<juce::ComboBox>(), *this);
    combo.addItem ("1/8", 1);
    combo.setSelectedId (1, juce::dontSendNotification);
    combo.setBounds (560, 759, 110, 30);

    for (auto* c : { (juce::Component*) &pitch, (juce::Component*) &name, (juce::Component*) &combo })
        hoverTargets.push_back (c);
}

void ThemeGallery::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (Palette::contentBackground));
    VarneTEditorComponents::ContentWrapper::paintPanelCard (g, stage.getBounds().expanded (0, 0));

    for (const auto& c : captions)
    {
        g.setColour (juce::Colour (c.heading ? Palette::text : Palette::captionText));
        g.setFont (VarneTTheme::themeFont (c.heading ? 14.0f : 12.0f, c.heading));
        g.drawFittedText (c.text, c.area, juce::Justification::centredLeft, 2);
    }

    for (const auto& [drawable, area] : icons)
        if (drawable != nullptr)
            drawable->drawWithin (g, area, juce::RectanglePlacement::centred, 1.0f);

    // Palette swatches with their names.
    g.setColour (juce::Colour (Palette::text));
    g.setFont (VarneTTheme::themeFont (14.0f, true));
    g.drawText ("Palette", 700, 528, 300, 18, juce::Justification::centredLeft);

    std::vector<std::pair<juce::String, juce::Colour>> swatches;
    for (const auto& e : Palette::entries())
        swatches.emplace_back (e.name, juce::Colour (e.argb));
    swatches.emplace_back ("timelineBackground", Palette::timelineBackground());

    for (size_t i = 0; i < swatches.size(); ++i)
    {
        const int column = (int) i / 8, row = (int) i % 8;
        auto cell = juce::Rectangle<int> (700 + column * 164, 550 + row * 33, 160, 30);
        const auto swatch = cell.removeFromLeft (30).toFloat().reduced (1.0f);
        g.setColour (swatches[i].second);
        g.fillRoundedRectangle (swatch, 4.0f);
        g.setColour (juce::Colour (Palette::divider));
        g.drawRoundedRectangle (swatch, 4.0f, 1.0f);
        g.setColour (juce::Colour (Palette::captionText));
        g.setFont (VarneTTheme::themeFont (11.0f));
        g.drawText (swatches[i].first, cell.withTrimmedLeft (5).removeFromTop (16), juce::Justification::centredLeft);
        g.drawText (swatches[i].second.toDisplayString (false), cell.withTrimmedLeft (5).withTrimmedTop (15), juce::Justification::centredLeft);
    }
}
} // namespace testing_support
