#include "editor/SequenceStrip.h"
#include "SurfaceTestSupport.h"

#include <gtest/gtest.h>

using namespace surfaces_test;

namespace
{
constexpr int stripHeight = 44;

std::vector<VarneTSequenceStrip::Item> makeItems (int count)
{
    std::vector<VarneTSequenceStrip::Item> items;
    for (int i = 0; i < count; ++i)
        items.push_back ({ "Pattern " + juce::String (i + 1), {}, i + 1, {} });
    return items;
}

/** Every callback the strip makes, as one text per call. */
struct Recorder
{
    explicit Recorder (VarneTSequenceStrip& strip)
    {
        strip.onItemClicked = [this] (int i) { calls.add ("click " + juce::String (i)); };
        strip.onItemMoved = [this] (int a, int b) { calls.add ("move " + juce::String (a) + " " + juce::String (b)); };
        strip.onItemDoubleClicked = [this] (int i) { calls.add ("double " + juce::String (i)); };
        strip.onItemRightClicked = [this] (int i) { calls.add ("right " + juce::String (i)); };
        strip.onAddClicked = [this] { calls.add ("add"); };
        strip.onRepeatCountChanged = [this] (int i, int c) { calls.add ("repeat " + juce::String (i) + " " + juce::String (c)); };
    }

    juce::String text() const { return calls.joinIntoString (", "); }
    juce::StringArray calls;
};

struct StripFixture : ::testing::Test
{
    StripFixture() { strip.setSize (800, stripHeight); }

    juce::Point<float> tileCentre (int i) const { return strip.getTileBounds (i).getCentre().toFloat(); }

    VarneTSequenceStrip strip { "Pattern" };
    Recorder recorder { strip };
};
} // namespace

TEST_F (StripFixture, TileAtBoundaryPixels)
{
    strip.setItems (makeItems (2));
    const struct { int x, y, expected; } cases[] = {
        { 0, 1, 0 },   { 123, 20, 0 },  { 124, 20, -1 }, { 127, 20, -1 }, { 128, 20, 1 },
        { 251, 20, 1 }, { 256, 20, -2 }, { 291, 20, -2 }, { 292, 20, -1 }, { 10, 0, -1 },
        { 10, stripHeight - 2, 0 }, { 10, stripHeight - 1, -1 }, { -1, 20, -1 },
    };
    for (const auto& c : cases)
        EXPECT_EQ (strip.tileAt ({ c.x, c.y }), c.expected) << c.x << "," << c.y;

    EXPECT_EQ (strip.getTileBounds (1), juce::Rectangle<int> (128, 1, 124, stripHeight - 2));
    EXPECT_TRUE (strip.getTileBounds (2).isEmpty());
    EXPECT_TRUE (strip.getTileBounds (-1).isEmpty());
}

TEST_F (StripFixture, ClickOrDragByDistanceFromThePress)
{
    strip.setItems (makeItems (4));
    const struct { float dx; const char* expected; } cases[] = {
        { 4.0f, "click 1" },   // below the threshold: a click, even though the pointer moved
        { 5.0f, "move 1 2" },  // the drag starts; the pointer is still in tile 1's right half
        { 70.0f, "move 1 2" },
        { -70.0f, "move 1 1" },
    };
    for (const auto& c : cases)
    {
        recorder.calls.clear();
        const auto down = tileCentre (1);
        gesture (strip, down, { down.translated (c.dx, 0.0f) });
        EXPECT_EQ (recorder.text(), c.expected) << c.dx;
        EXPECT_FALSE (strip.isDragging());
    }
}

TEST_F (StripFixture, DropSlotsIncludingBeyondTheLastTile)
{
    strip.setItems (makeItems (4));
    const struct { float x; int slot; int markerX; } cases[] = {
        { 0.0f, 0, -2 }, { 61.9f, 0, -2 }, { 62.0f, 1, 126 }, { 200.0f, 2, 254 }, { 445.0f, 3, 382 },
        { 446.0f, 4, 510 }, { 790.0f, 4, 510 },
    };
    for (const auto& c : cases)
    {
        recorder.calls.clear();
        const auto down = tileCentre (2);
        strip.mouseDown (mouseEvent (strip, down, left, down));
        strip.mouseDrag (mouseEvent (strip, { c.x, 20.0f }, left, down));
        ASSERT_TRUE (strip.isDragging());
        EXPECT_EQ (strip.getDropIndex(), c.slot) << c.x;
        EXPECT_EQ (strip.dropMarkerX (strip.getDropIndex()), c.markerX) << c.x;
        strip.mouseUp (mouseEvent (strip, { c.x, 20.0f }, left, down));
        EXPECT_EQ (recorder.text(), "move 2 " + juce::String (c.slot));
    }

    VarneTSequenceStrip empty ("Section");
    EXPECT_EQ (empty.dropMarkerX (0), 2);
}

TEST_F (StripFixture, DoubleClickThenReleaseReportsOnce)
{
    strip.setItems (makeItems (3));
    const auto p = tileCentre (2);
    strip.mouseDown (mouseEvent (strip, p, left, p));
    strip.mouseUp (mouseEvent (strip, p, left, p));
    strip.mouseDown (mouseEvent (strip, p, left, p, 2));
    strip.mouseDoubleClick (mouseEvent (strip, p, left, p, 2));
    strip.mouseUp (mouseEvent (strip, p, left, p, 2));
    EXPECT_EQ (recorder.text(), "click 2, double 2");
}

TEST_F (StripFixture, RightPressAndPressesOutsideTiles)
{
    strip.setItems (makeItems (2));
    gesture (strip, tileCentre (1), {}, right);
    gesture (strip, { 126.0f, 20.0f }, {});            // the gap
    gesture (strip, { 700.0f, 20.0f }, {});            // past the add tile
    strip.mouseDoubleClick (mouseEvent (strip, { 700.0f, 20.0f }, left, { 700.0f, 20.0f }, 2));
    EXPECT_EQ (recorder.text(), "right 1");
}

TEST_F (StripFixture, AddTileFollowsCanAdd)
{
    strip.setItems (makeItems (2));
    const juce::Point<float> addTile { 256.0f + 18.0f, 20.0f };

    strip.mouseMove (mouseEvent (strip, addTile, {}, addTile));
    EXPECT_EQ (strip.getHoverIndex(), -2);
    EXPECT_EQ (strip.getTooltip(), "Add Pattern");
    gesture (strip, addTile, {});
    EXPECT_EQ (recorder.text(), "add");

    recorder.calls.clear();
    strip.setCanAdd (false);
    strip.mouseMove (mouseEvent (strip, { 10.0f, 20.0f }, {}, { 10.0f, 20.0f }));
    strip.mouseMove (mouseEvent (strip, addTile, {}, addTile));
    EXPECT_EQ (strip.getTooltip(), "Pattern limit reached");
    EXPECT_EQ (strip.getMouseCursor(), juce::MouseCursor (juce::MouseCursor::NormalCursor));
    gesture (strip, addTile, {});
    EXPECT_EQ (recorder.text(), "");
}

TEST (SequenceStrip, TooltipForms)
{
    VarneTSequenceStrip sections ("Section");
    VarneTSequenceStrip patterns ("Pattern");
    sections.setSize (600, stripHeight);
    patterns.setSize (600, stripHeight);
    sections.setItems ({ { "Verse", juce::String (juce::CharPointer_UTF8 ("8 bars \xc2\xb7 2 Patterns")), 1, "2" } });
    patterns.setItems ({ { "Pattern 1", {}, 3, {} } });

    const auto hover = [] (VarneTSequenceStrip& s, float x)
    {
        s.mouseMove (mouseEvent (s, { x, 20.0f }, {}, { x, 20.0f }));
        return s.getTooltip();
    };
    EXPECT_EQ (hover (sections, 20.0f),
               juce::String (juce::CharPointer_UTF8 ("Verse - 8 bars \xc2\xb7 2 Patterns - Click to activate; drag to reorder; right-click for actions")));
    EXPECT_EQ (hover (patterns, 20.0f), "Pattern 1 - Click to edit; drag to reorder; right-click for actions");
    EXPECT_EQ (hover (sections, 140.0f), "Add Section");
    EXPECT_EQ (hover (sections, 300.0f), "");
}

TEST (SequenceStrip, RepeatButtonsOnlyOnThePatternStrip)
{
    VarneTSequenceStrip sections ("Section");
    VarneTSequenceStrip patterns ("Pattern");
    Recorder sectionCalls (sections), patternCalls (patterns);
    sections.setSize (800, stripHeight);
    patterns.setSize (800, stripHeight);

    sections.setItems (makeItems (3));
    EXPECT_EQ (sections.getNumRepeatButtons(), 0);
    EXPECT_EQ (sections.getName(), "Section strip");

    patterns.setItems (makeItems (3));
    ASSERT_EQ (patterns.getNumRepeatButtons(), 3);
    EXPECT_EQ (patterns.getRepeatButton (2)->getBounds(), juce::Rectangle<int> (128 * 2 + 99, 3 + (stripHeight - 30) / 2, 24, 24));
    EXPECT_EQ (patterns.getRepeatButton (1)->getTitle(), "Pattern: Pattern 2: 2 total passes");

    patterns.getRepeatButton (1)->onChange (5);
    EXPECT_EQ (patternCalls.text(), "repeat 1 5");

    patterns.setItems (makeItems (1));
    EXPECT_EQ (patterns.getNumRepeatButtons(), 1);
    EXPECT_EQ (patterns.getNumChildComponents(), 1);
    EXPECT_EQ (sectionCalls.text(), "");
}

TEST (SequenceStrip, IndicesOutsideTheTilesBecomeNone)
{
    VarneTSequenceStrip strip ("Section");
    strip.setSize (600, stripHeight);
    EXPECT_EQ (strip.getActiveIndex(), -1);

    strip.setItems (makeItems (3));
    EXPECT_EQ (strip.getActiveIndex(), 0);
    strip.setActiveIndex (2);
    strip.setPlayback (1, 0.5f);
    strip.setItems (makeItems (2));
    EXPECT_EQ (strip.getActiveIndex(), 0);
    EXPECT_EQ (strip.getPlayingIndex(), 1);

    strip.setActiveIndex (7);
    EXPECT_EQ (strip.getActiveIndex(), -1);
    strip.setPlayback (-3, 4.0f);
    EXPECT_EQ (strip.getPlayingIndex(), -1);
    EXPECT_EQ (strip.getProgress(), 1.0f);
    strip.setPlayback (0, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ (strip.getProgress(), 0.0f);

    strip.setItems ({});
    EXPECT_EQ (strip.getActiveIndex(), -1);
    EXPECT_EQ (strip.getPlayingIndex(), -1);
}

TEST (SequenceStrip, TinyAndEmptyStripsPaintAndHitTest)
{
    for (auto size : { juce::Point<int> (0, 0), juce::Point<int> (1, 1), juce::Point<int> (40, 3), juce::Point<int> (300, 17) })
    {
        VarneTSequenceStrip strip ("Section");
        strip.setSize (size.x, size.y);
        strip.setItems (makeItems (2));
        strip.setPlayback (1, 0.7f);
        juce::Image image (juce::Image::ARGB, juce::jmax (1, size.x), juce::jmax (1, size.y), true);
        juce::Graphics g (image);
        strip.paint (g);
        EXPECT_EQ (strip.tileAt ({ 5, 0 }), -1);
    }
}

TEST (SequenceStrip, SmallPlaybackStepsDoNotRepaint)
{
    VarneTSequenceStrip strip ("Pattern");
    strip.setSize (600, stripHeight);
    strip.setItems (makeItems (3));
    auto& recorder = recordRepaints (strip);

    const struct { int index; float progress; bool repaints; } steps[] = {
        { 1, 0.100f, true }, { 1, 0.1019f, false }, { 1, 0.0985f, false }, { 1, 0.1025f, true }, { 2, 0.1025f, true },
        { 2, 0.1030f, false }, { 9, 0.5f, true }, { -1, 0.501f, false },
    };
    for (const auto& s : steps)
    {
        recorder.areas.clear();
        strip.setPlayback (s.index, s.progress);
        EXPECT_EQ (! recorder.areas.isEmpty(), s.repaints) << s.index << " " << s.progress;
    }

    // Playback shows on the playing tile alone: a step repaints the tiles it leaves and reaches.
    const auto repaintedTiles = [&]
    {
        juce::String tiles;
        for (int t = 0; t < 3; ++t)
            for (const auto& area : recorder.areas)
                if (area.intersects (strip.getTileBounds (t)))
                {
                    tiles << t;
                    break;
                }
        return tiles;
    };
    const struct { int index; float progress; const char* tiles; } tileSteps[] = {
        { 1, 0.2f, "1" }, { 1, 0.6f, "1" }, { 2, 0.0f, "12" }, { -1, 0.0f, "2" },
    };
    for (const auto& s : tileSteps)
    {
        recorder.areas.clear();
        strip.setPlayback (s.index, s.progress);
        EXPECT_EQ (repaintedTiles(), s.tiles) << s.index << " " << s.progress;
    }

    // The same holds for the active tile and the add tile.
    recorder.areas.clear();
    strip.setActiveIndex (0);
    strip.setCanAdd (true);
    EXPECT_TRUE (recorder.areas.isEmpty());
}

TEST (SequenceStripOnScreen, ReorderByDraggingWithTheRealPointer)
{
    VarneTSequenceStrip strip ("Section");
    Recorder recorder (strip);
    strip.setItems (makeItems (4));
    DesktopHost host (strip, 700, stripHeight);

    const auto start = strip.getTileBounds (1).getCentre();
    movePointer (strip, start);
    ASSERT_TRUE (pumpUntil ([&] { return strip.getHoverIndex() == 1; }));
    ASSERT_TRUE (press());
    for (int x = start.x + 20; x <= 600; x += 40)
    {
        movePointer (strip, { x, start.y });
        ASSERT_TRUE (pumpUntil ([&] { return strip.isDragging() && strip.getDropIndex() == strip.dropSlotAt ((float) x); }));
    }
    EXPECT_EQ (strip.getDropIndex(), 4);
    ASSERT_TRUE (release());
    ASSERT_TRUE (pumpUntil ([&] { return recorder.calls.size() > 0; }));
    EXPECT_EQ (recorder.text(), "move 1 4");

    // A plain click on another tile with the real pointer.
    recorder.calls.clear();
    movePointer (strip, strip.getTileBounds (3).getCentre());
    ASSERT_TRUE (click());
    ASSERT_TRUE (pumpUntil ([&] { return recorder.calls.size() > 0; }));
    EXPECT_EQ (recorder.text(), "click 3");
}

namespace
{
/** The largest difference of one colour channel between two images of equal size. */
int largestChannelDifference (const juce::Image& a, const juce::Image& b)
{
    EXPECT_EQ (a.getBounds(), b.getBounds());
    int largest = 0;
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
        {
            const auto p = a.getPixelAt (x, y), q = b.getPixelAt (x, y);
            largest = juce::jmax (largest, std::abs (p.getRed() - q.getRed()), std::abs (p.getGreen() - q.getGreen()),
                                  std::abs (p.getBlue() - q.getBlue()));
        }
    return largest;
}
} // namespace

TEST (SequenceStripOnScreen, DragGhostCoversRepeatButtonsAndTheDraggedButtonFades)
{
    VarneTSequenceStrip strip ("Pattern");
    Recorder recorder (strip);
    auto items = makeItems (4);
    items[2].repeatCount = 7;
    strip.setItems (items);
    DesktopHost host (strip, 700, stripHeight);

    auto& beneath = *strip.getRepeatButton (2);
    ASSERT_EQ (beneath.getButtonText(), juce::String (juce::CharPointer_UTF8 ("\xc3\x97" "7")));
    // The ghost's title is centred on the pointer, so it lies right over the "×7".
    const auto over = beneath.getBounds().getCentre();
    const auto buttonAlphas = [&]
    {
        juce::String alphas;
        for (int j = 0; j < strip.getNumRepeatButtons(); ++j)
            alphas << juce::String (strip.getRepeatButton (j)->getAlpha(), 2) << " ";
        return alphas.trimEnd();
    };

    enum class DragEnd { release, refill };
    for (auto end : { DragEnd::release, DragEnd::refill })
    {
        recorder.calls.clear();
        const auto start = strip.getTileBounds (0).getCentre();
        movePointer (strip, start);
        ASSERT_TRUE (pumpUntil ([&] { return strip.getHoverIndex() == 0; }));
        ASSERT_TRUE (press());
        movePointer (strip, start.translated (20, 0));
        ASSERT_TRUE (pumpUntil ([&] { return strip.isDragging() && strip.getDropIndex() == 1; }));
        movePointer (strip, over);
        ASSERT_TRUE (pumpUntil ([&] { return strip.getDropIndex() == strip.dropSlotAt ((float) over.x); }));

        EXPECT_EQ (buttonAlphas(), "0.28 1.00 1.00 1.00");

        // Under the ghost the button beneath shows only through the ghost's 8 % translucency.
        const auto area = beneath.getBounds();
        const auto withButton = gui::snapshotOf (strip).getClippedImage (area).createCopy();
        beneath.setVisible (false);
        const auto withoutButton = gui::snapshotOf (strip).getClippedImage (area).createCopy();
        beneath.setVisible (true);
        EXPECT_LE (largestChannelDifference (withButton, withoutButton), 24);
        ASSERT_TRUE (pumpUntil ([&] { return gui::countDifferingPixels (gui::grabScreen (beneath.getScreenBounds()), withButton) == 0; }));

        if (end == DragEnd::refill)
        {
            strip.setItems (items);
            EXPECT_FALSE (strip.isDragging());
            EXPECT_EQ (buttonAlphas(), "1.00 1.00 1.00 1.00");
        }

        ASSERT_TRUE (release());
        ASSERT_TRUE (pumpUntil ([&] { return ! juce::Desktop::getInstance().getMainMouseSource().isDragging(); }));
        ASSERT_TRUE (gui::flushMessages());
        EXPECT_EQ (recorder.text(), end == DragEnd::release ? "move 0 3" : "");
        EXPECT_EQ (buttonAlphas(), "1.00 1.00 1.00 1.00");
    }
}
