#pragma once

// Driving the strip and the timeline: a desktop window that can tell which areas a change
// repainted, and hand-made mouse events for the cases the real pointer does not need.

#include "support/gui/GuiTestBench.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace surfaces_test
{
namespace gui = testing_support::gui;
using gui::pumpUntil;

/** A top-level window holding one component at its top-left, plus a spare band below it. */
class DesktopHost : public juce::Component
{
public:
    DesktopHost (juce::Component& content, int width, int height, int spareHeight = 20)
    {
        addAndMakeVisible (content);
        content.setBounds (0, 0, width, height);
        spare = { 0, height, width, spareHeight };
        setBounds (40, 40, width, height + spareHeight);
        addToDesktop (0);
        setVisible (true);
        toFront (true);
        EXPECT_TRUE (pumpUntil ([this] { return gui::isViewableOnScreen (*this) && paints > 0; }));
    }

    ~DesktopHost() override { removeFromDesktop(); }

    void paint (juce::Graphics& g) override
    {
        ++paints;
        if (g.getClipBounds().intersects (spare))
            ++sparePaints;
        g.fillAll (juce::Colours::black);
    }

    /** Repaints only the spare band and waits for that paint: any other dirty area would paint with it. */
    void flushRepaints()
    {
        const auto before = sparePaints;
        repaint (spare);
        EXPECT_TRUE (pumpUntil ([&] { return sparePaints > before; }));
    }

    /** Flushes until a flush paints nothing but the spare band (the first exposures arrive late). */
    void settle (const std::function<int()>& contentPaints)
    {
        for (int attempt = 0, quiet = 0; attempt < 400; ++attempt)
        {
            const auto before = contentPaints();
            flushRepaints();
            quiet = contentPaints() == before ? quiet + 1 : 0;
            if (quiet == 5)
                return;
        }
        ADD_FAILURE() << "the window never stopped repainting";
    }

    int paints = 0, sparePaints = 0;
    juce::Rectangle<int> spare;
};

/** Runs xdotool and waits until it has finished. */
inline bool xdotool (const juce::String& arguments)
{
    return std::system (("xdotool " + arguments).toRawUTF8()) == 0;
}

/** Moves the real pointer to a point of the component. Callers wait for the component's own state:
    polling JUCE's pointer position (an X round trip) pulls queued X events into Xlib's buffer,
    where JUCE's loop, which waits on the socket, no longer sees them. */
inline void movePointer (const juce::Component& c, juce::Point<int> local)
{
    const auto p = c.localPointToGlobal (local);
    ASSERT_TRUE (xdotool ("mousemove --sync " + juce::String (p.x) + " " + juce::String (p.y)));
}

inline bool press() { return xdotool ("mousedown 1") && gui::flushMessages(); }
inline bool release() { return xdotool ("mouseup 1") && gui::flushMessages(); }
inline bool click() { return xdotool ("click 1") && gui::flushMessages(); }

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
