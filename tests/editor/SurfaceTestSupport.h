#pragma once

// Driving the strip and the timeline: a desktop window that can tell which areas a change
// repainted, and hand-made mouse events for the cases the real pointer does not need.

#include "support/gui/GuiTestBench.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <functional>

namespace surfaces_test
{
namespace gui = testing_support::gui;
using gui::pumpUntil;

/** A top-level window on the X screen holding one component at its top-left. */
class DesktopHost : public juce::Component
{
public:
    DesktopHost (juce::Component& content, int width, int height)
    {
        addAndMakeVisible (content);
        content.setBounds (0, 0, width, height);
        setBounds (40, 40, width, height);
        addToDesktop (0);
        setVisible (true);
        toFront (true);
        EXPECT_TRUE (pumpUntil ([this] { return gui::isViewableOnScreen (*this); }));
        gui::flushMessages();
    }

    ~DesktopHost() override
    {
        removeFromDesktop();
        gui::flushMessages();
    }
};

/** Records every area a component asks to repaint (JUCE hands each request to the component's
    cached image), and paints it as usual. Owned by the component: see recordRepaints. */
class RepaintRecorder : public juce::CachedComponentImage
{
public:
    explicit RepaintRecorder (juce::Component& c) : component (c) {}

    void paint (juce::Graphics& g) override { component.paint (g); }
    bool invalidateAll() override
    {
        areas.add (component.getLocalBounds());
        return true;
    }
    bool invalidate (const juce::Rectangle<int>& area) override
    {
        areas.add (area);
        return true;
    }
    void releaseResources() override {}

    juce::Array<juce::Rectangle<int>> areas;

private:
    juce::Component& component;
};

/** Starts recording the component's repaint requests; the component owns the recorder. */
inline RepaintRecorder& recordRepaints (juce::Component& c)
{
    auto* recorder = new RepaintRecorder (c);
    c.setVisible (true);   // invisible components ask for nothing
    c.setCachedComponentImage (recorder);
    return *recorder;
}

/** Moves the real pointer to a point of the component; callers wait for the state they expect. */
inline void movePointer (const juce::Component& c, juce::Point<int> local)
{
    ASSERT_TRUE (gui::input::moveTo (c.localPointToGlobal (local)));
}

using gui::input::click;
using gui::input::press;
using gui::input::release;

/** A mouse event as JUCE would deliver it to the component. */
inline juce::MouseEvent mouseEvent (juce::Component& c, juce::Point<float> position, juce::ModifierKeys mods,
                                    juce::Point<float> downPosition, int clicks = 1)
{
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), position, mods,
                             juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f, &c, &c, now,
                             downPosition, now, clicks, position != downPosition);
}

inline const juce::ModifierKeys left { juce::ModifierKeys::leftButtonModifier };
inline const juce::ModifierKeys right { juce::ModifierKeys::rightButtonModifier };

/** Press, optional drag steps and release, delivered straight to the component. */
inline void gesture (juce::Component& c, juce::Point<float> down, std::initializer_list<juce::Point<float>> moves,
                     juce::ModifierKeys mods = left)
{
    c.mouseDown (mouseEvent (c, down, mods, down));
    auto last = down;
    for (auto p : moves)
    {
        c.mouseDrag (mouseEvent (c, p, mods, down));
        last = p;
    }
    c.mouseUp (mouseEvent (c, last, mods.withoutMouseButtons(), down));
}
} // namespace surfaces_test
