#include "SnapshotScenes.h"

#include "editor/SequenceStrip.h"
#include "editor/VarneTTheme.h"

// A Pattern strip in the middle of a reorder drag: the ghost over a tile whose repeat button
// shows "×7", and the dragged tile faded together with its own repeat button.
namespace
{
struct StripOnPanel : juce::Component
{
    StripOnPanel()
    {
        strip.setItems ({ { "Intro Pulse", {}, 1, {} }, { "Verse Arp", {}, 3, {} },
                          { "Chorus Stabs", {}, 7, {} }, { "Bridge Pad", {}, 2, {} } });
        strip.setActiveIndex (1);
        addAndMakeVisible (strip);
        strip.setBounds (10, 10, 600, 44);
        setSize (620, 64);
    }

    void paint (juce::Graphics& g) override { g.fillAll (VarneTTheme::colour (VarneTTheme::Palette::panelBackground)); }

    /** Presses the tile's centre and drags the pointer to x, as the strip receives it. */
    void drag (int tile, float toX)
    {
        const auto down = strip.getTileBounds (tile).getCentre().toFloat();
        const auto now = juce::Time::getCurrentTime();
        const auto event = [&] (juce::Point<float> at)
        {
            return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), at,
                                     juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier), 1.0f, 0.0f, 0.0f, 0.0f,
                                     0.0f, &strip, &strip, now, down, now, 1, at != down);
        };
        strip.mouseDown (event (down));
        strip.mouseDrag (event ({ toX, down.y }));
    }

    VarneTSequenceStrip strip { "Pattern" };
};
} // namespace

VARNET_SNAPSHOTS (stripDrag)
{
    {
        StripOnPanel panel;
        // The ghost's title is centred on the pointer: right over the third tile's "×7".
        panel.drag (0, (float) panel.strip.getRepeatButton (2)->getBounds().getCentreX());
        out.write ("strip_drag_ghost_over_repeat_button.png", panel, 2.0f);
    }
    {
        StripOnPanel panel;
        panel.drag (2, 560.0f);
        out.write ("strip_drag_faded_tile_and_button.png", panel, 2.0f);
    }
}
