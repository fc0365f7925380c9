#include "SnapshotScenes.h"

#include "editor/SequenceStrip.h"
#include "editor/TimelineCanvas.h"
#include "editor/VarneTTheme.h"
#include "support/gui/GuiTestBench.h"


namespace gui = testing_support::gui;

namespace
{
juce::MouseEvent leftEvent (juce::Component& c, juce::Point<float> position, juce::Point<float> down)
{
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), position,
                             juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier), 1.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                             &c, &c, now, down, now, 1, position != down);
}

/** Review images stacked under a caption each. */
juce::Image stack (const std::vector<std::pair<juce::String, juce::Image>>& rows)
{
    constexpr int caption = 22, gap = 10;
    int width = 0, height = gap;
    for (const auto& [text, image] : rows)
    {
        width = juce::jmax (width, image.getWidth() + 2 * gap);
        height += caption + image.getHeight() + gap;
    }

    juce::Image sheet (juce::Image::RGB, width, height, true);
    juce::Graphics g (sheet);
    g.fillAll (VarneTTheme::colour (VarneTTheme::Palette::panelBackground));
    int y = gap;
    for (const auto& [text, image] : rows)
    {
        g.setColour (VarneTTheme::colour (VarneTTheme::Palette::captionText));
        g.setFont (VarneTTheme::themeFont (13.0f));
        g.drawText (text, gap, y, width - 2 * gap, caption, juce::Justification::centredLeft);
        y += caption;
        g.drawImageAt (image, gap, y);
        y += image.getHeight() + gap;
    }
    return sheet;
}

std::vector<VarneTSequenceStrip::Item> patternItems (int count)
{
    std::vector<VarneTSequenceStrip::Item> items;
    const char* names[] = { "Intro Pulse", "Verse Arp", "Chorus Stabs", "Bridge Pad", "Outro with a very long name" };
    for (int i = 0; i < count; ++i)
        items.push_back ({ names[i % 5], {}, 1 + (i * 3) % 8, {} });
    return items;
}

std::vector<VarneTSequenceStrip::Item> sectionItems()
{
    return { { "Section 1", "4 bars", 1, "4" }, { "Verse", "8 bars", 1, "8" }, { "Chorus", "2 bars", 1, "2" } };
}

juce::Image stripImage (VarneTSequenceStrip& strip) { return gui::snapshotOf (strip); }

juce::Image draggedStrip (float releaseX)
{
    VarneTSequenceStrip strip ("Pattern");
    strip.setSize (720, 44);
    strip.setItems (patternItems (4));
    strip.setActiveIndex (0);
    const auto down = strip.getTileBounds (1).getCentre().toFloat();
    strip.mouseDown (leftEvent (strip, down, down));
    strip.mouseDrag (leftEvent (strip, { releaseX, down.y }, down));
    return stripImage (strip);
}
} // namespace

VARNET_SNAPSHOTS (sequenceStrips)
{
    std::vector<std::pair<juce::String, juce::Image>> rows;

    {
        VarneTSequenceStrip sections ("Section");
        sections.setSize (720, 44);
        sections.setItems (sectionItems());
        sections.setActiveIndex (1);
        sections.setPlayback (1, 0.35f);
        rows.push_back ({ "Section strip: Verse active and playing at 35 %", stripImage (sections) });

        VarneTSequenceStrip patterns ("Pattern");
        patterns.setSize (720, 44);
        patterns.setItems (patternItems (5));
        patterns.setActiveIndex (0);
        patterns.setPlayback (2, 0.62f);
        rows.push_back ({ "Pattern strip: first active, third playing at 62 %, repeat counts", stripImage (patterns) });
    }

    rows.push_back ({ "Dragging the second tile past the end: drop marker after the last tile", draggedStrip (700.0f) });
    rows.push_back ({ "Dragging the second tile to the middle: drop marker between the third and fourth tiles, under the ghost", draggedStrip (380.0f) });

    {
        VarneTSequenceStrip full ("Pattern");
        full.setSize (720, 44);
        full.setItems (patternItems (5));
        full.setCanAdd (false);
        rows.push_back ({ "Add tile disabled (limit reached)", stripImage (full) });

        VarneTSequenceStrip empty ("Section");
        empty.setSize (720, 44);
        empty.setItems ({});
        rows.push_back ({ "Empty strip: only the add tile", stripImage (empty) });
    }

    out.write ("sequence_strips.png", stack (rows));
}

namespace
{
VarneT::Pattern densePattern()
{
    VarneT::Pattern p;
    p.name = "Dense";
    p.lengthBeats = 8.0;
    p.quantization = VarneT::Quantization::sixteenth;
    p.voices = { { 0, "Voice 1" }, { 1, "Voice 2" }, { 2, "Bass" }, { 3, "Voice 4" } };
    for (int i = 0; i < 28; ++i)
    {
        VarneT::NoteEvent n;
        n.id = "n" + juce::String (i);
        n.voiceId = i % 4;
        n.startBeat = (i / 4) * 1.0 + (i % 4) * 0.25;
        n.durationBeats = i % 3 == 0 ? 0.75 : 0.5;
        n.velocity = 30 + (i * 13) % 98;
        n.chance = 0.25 + (i % 4) * 0.25;
        n.octave = i % 5 == 0 ? 1 : i % 7 == 0 ? -2 : 0;
        n.target.index = i % 4;
        if (i == 9)
            n.target = { VarneT::TargetBasis::fixed, 0, 64, 0 };
        p.notes.push_back (n);
    }
    return p;
}

/** The canvas in a window on the X screen, where only the real pointer can hover. */
struct CanvasOnScreen
{
    CanvasOnScreen (const VarneT::Pattern& pattern, int width, int height)
    {
        canvas.setSize (width, height);
        canvas.setPattern (pattern);
        window = std::make_unique<gui::DesktopWindow> (canvas, juce::Point<int> { 20, 20 });
    }

    void pointAt (juce::Point<float> local, const std::function<bool()>& until)
    {
        if (! gui::input::moveTo (canvas.localPointToGlobal (local.roundToInt())) || ! gui::pumpUntil (until))
            std::fprintf (stderr, "the pointer did not reach the timeline\n");
        gui::flushMessages();
    }

    VarneTTimelineCanvas canvas;
    std::unique_ptr<gui::DesktopWindow> window;
};
} // namespace

VARNET_SNAPSHOTS (timelineCanvas)
{
    {
        VarneTTimelineCanvas canvas;
        canvas.setSize (900, 260);
        auto empty = densePattern();
        empty.notes.clear();
        canvas.setPattern (empty);
        out.write ("timeline_empty.png", canvas);
    }

    {
        CanvasOnScreen screen (densePattern(), 1000, 300);
        auto& c = screen.canvas;
        c.selectedIndex = 5;
        c.playheadBeat = 5.3;
        const auto hovered = c.noteBounds (12).getCentre();
        screen.pointAt (hovered, [&] { return c.hoverIndex == 12; });
        out.write ("timeline_dense_hover.png", c);

        // Empty space in the lane of voice "Bass": the ghost note shows where a click would draw.
        screen.pointAt ({ 52.0f + 942.0f * (7.6f / 8.0f), c.noteBounds (2).getCentreY() },
                        [&] { return c.mouseOver && c.hoverIndex < 0; });
        out.write ("timeline_dense_ghost.png", c);
        gui::input::moveTo ({ 1900, 1190 });
    }

    {
        VarneTTimelineCanvas canvas;
        auto pattern = densePattern();
        pattern.lengthBeats = 64.0;
        for (int bar = 1; bar < 16; ++bar)
            for (int i = 0; i < 4; ++i)
            {
                auto n = pattern.notes[static_cast<size_t> (i)];
                n.id = "r" + juce::String (bar) + "-" + juce::String (i);
                n.startBeat += bar * 4.0;
                pattern.notes.push_back (n);
            }
        // 28 pixels per beat.
        canvas.setSize (58 + 64 * 28, 240);
        canvas.setPattern (pattern);
        canvas.playheadBeat = 37.0;
        out.write ("timeline_long_28px_per_beat.png", canvas);
    }
}
