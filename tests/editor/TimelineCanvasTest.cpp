#include "editor/TimelineCanvas.h"
#include "SurfaceTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace surfaces_test;

namespace
{
// 400 x 200 plot: 100 pixels per beat over 4 beats, two lanes of 100 pixels.
constexpr int canvasWidth = 458;
constexpr int canvasHeight = 230;

float xAt (double beat) { return 52.0f + static_cast<float> (beat * 100.0); }
constexpr float topLaneY = 56.0f;     // voice 1
constexpr float bottomLaneY = 156.0f; // voice 0

VarneT::NoteEvent makeNote (const juce::String& id, double start, double duration, int voice, int velocity = 96)
{
    VarneT::NoteEvent n;
    n.id = id;
    n.startBeat = start;
    n.durationBeats = duration;
    n.voiceId = voice;
    n.velocity = velocity;
    n.target.index = voice;
    return n;
}

VarneT::Pattern makePattern (std::vector<VarneT::NoteEvent> notes = {}, VarneT::Quantization q = VarneT::Quantization::sixteenth)
{
    VarneT::Pattern p;
    p.name = "Pattern 1";
    p.lengthBeats = 4.0;
    p.quantization = q;
    p.voices = { { 0, "Voice 1" }, { 1, "Voice 2" } };
    p.notes = std::move (notes);
    return p;
}

struct CanvasFixture : ::testing::Test
{
    CanvasFixture()
    {
        canvas.setSize (canvasWidth, canvasHeight);
        canvas.onBeginEdit = [this] { calls.add ("begin"); };
        canvas.onEditCommitted = [this] { calls.add ("commit"); };
        canvas.onSelectionChanged = [this] { calls.add ("selection"); };
        canvas.onStatusMessage = [this] (const juce::String& s) { calls.add ("status: " + s); };
    }

    juce::String takeCalls()
    {
        auto text = calls.joinIntoString (", ");
        calls.clear();
        return text;
    }

    const VarneT::NoteEvent& note (int i) const { return canvas.pattern.notes[static_cast<size_t> (i)]; }

    VarneTTimelineCanvas canvas;
    juce::StringArray calls;
};
} // namespace

TEST_F (CanvasFixture, GeometryAndLookups)
{
    canvas.setPattern (makePattern ({ makeNote ("a", 1.0, 1.0, 1), makeNote ("b", 1.5, 0.01, 0), makeNote ("c", 3.9, 2.0, 7) }));

    EXPECT_EQ (canvas.noteBounds (0), juce::Rectangle<float> (152.0f, 10.0f, 100.0f, 92.0f));
    EXPECT_EQ (canvas.noteBounds (1), juce::Rectangle<float> (202.0f, 110.0f, 5.0f, 92.0f));   // at least 5 wide
    EXPECT_EQ (canvas.noteBounds (2), juce::Rectangle<float> (442.0f, 110.0f, 10.0f, 92.0f));  // unknown voice: first lane; cut at the plot's end
    EXPECT_TRUE (canvas.noteBounds (3).isEmpty());

    const struct { float x, y; int note; } hits[] = {
        { 152.0f, 10.0f, 0 }, { 251.9f, 101.9f, 0 }, { 252.0f, 50.0f, -1 }, { 152.0f, 102.0f, -1 },
        { 204.0f, 150.0f, 1 }, { 450.0f, 150.0f, 2 }, { 30.0f, 50.0f, -1 },
    };
    for (const auto& h : hits)
        EXPECT_EQ (canvas.noteAt ({ h.x, h.y }), h.note) << h.x << "," << h.y;

    const struct { float x; double beat; } beats[] = { { 0.0f, 0.0 }, { 52.0f, 0.0 }, { 177.0f, 1.25 }, { 452.0f, 4.0 }, { 900.0f, 4.0 } };
    for (const auto& b : beats)
        EXPECT_DOUBLE_EQ (canvas.beatAtX (b.x), b.beat) << b.x;

    const struct { float y; int voice; } voices[] = { { -50.0f, 1 }, { 6.0f, 1 }, { 105.9f, 1 }, { 106.0f, 0 }, { 500.0f, 0 } };
    for (const auto& v : voices)
        EXPECT_EQ (canvas.voiceAtY (v.y), v.voice) << v.y;

    // The resize handle: within min(8, max(2, 0.35 w)) of the right edge, on the note widened by 2 and 3.
    EXPECT_TRUE (canvas.isOnResizeEdge (0, { 252.0f, 50.0f }));
    EXPECT_TRUE (canvas.isOnResizeEdge (0, { 244.0f, 7.5f }));
    EXPECT_FALSE (canvas.isOnResizeEdge (0, { 243.0f, 50.0f }));
    EXPECT_FALSE (canvas.isOnResizeEdge (0, { 250.0f, 106.0f }));
    EXPECT_TRUE (canvas.isOnResizeEdge (1, { 205.0f, 150.0f }));   // 5 px note: 2 px reach
    EXPECT_FALSE (canvas.isOnResizeEdge (1, { 204.0f, 150.0f }));
    EXPECT_FALSE (canvas.isOnResizeEdge (9, { 250.0f, 50.0f }));
}

TEST_F (CanvasFixture, SnappingPerGrid)
{
    using Q = VarneT::Quantization;
    const struct { Q q; double in, start, beat; } cases[] = {
        { Q::quarter, 3.9, 3.0, 4.0 },     { Q::quarter, 3.4, 3.0, 3.0 },   { Q::quarter, -1.0, 0.0, 0.0 },
        { Q::free, 3.99, 3.875, 3.99 },    { Q::free, 1.2345, 1.2345, 1.2345 },
        { Q::sixteenth, 1.125, 1.25, 1.25 }, { Q::sixteenth, 3.99, 3.75, 4.0 },
        { Q::eighth, 0.74, 0.5, 0.5 },     { Q::thirtySecond, 3.99, 3.875, 4.0 }, { Q::thirtySecond, 9.0, 3.875, 4.0 },
    };
    for (const auto& c : cases)
    {
        canvas.setPattern (makePattern ({}, c.q));
        EXPECT_DOUBLE_EQ (canvas.snapNoteStart (c.in), c.start) << static_cast<int> (c.q) << " " << c.in;
        EXPECT_DOUBLE_EQ (canvas.snapBeat (c.in), c.beat) << static_cast<int> (c.q) << " " << c.in;
    }

    const struct { int q; double step; } steps[] = { { 0, 0.0 }, { 1, 1.0 }, { 2, 0.5 }, { 3, 0.25 }, { 4, 0.125 }, { 9, 0.25 } };
    for (const auto& s : steps)
    {
        canvas.pattern.quantization = static_cast<Q> (s.q);
        EXPECT_DOUBLE_EQ (canvas.gridStepBeats(), s.step);
    }
}

TEST_F (CanvasFixture, ClickDrawsAHalfBeatNoteAndDragLeftGrowsItLeftwards)
{
    canvas.setPattern (makePattern());
    gesture (canvas, { xAt (1.1), bottomLaneY }, {});
    ASSERT_EQ (canvas.pattern.notes.size(), 1u);
    EXPECT_EQ (note (0).id, "note-user-1");
    EXPECT_DOUBLE_EQ (note (0).startBeat, 1.0);
    EXPECT_DOUBLE_EQ (note (0).durationBeats, 0.5);
    EXPECT_EQ (note (0).voiceId, 0);
    EXPECT_EQ (note (0).velocity, 96);
    EXPECT_EQ (note (0).target.basis, VarneT::TargetBasis::chord);
    EXPECT_EQ (canvas.selectedIndex, 0);
    EXPECT_EQ (takeCalls(), "begin, selection, commit");

    // From beat 2 leftwards to 0.6 on the quarter-beat grid: 0.5 to 2, after a 2 px wobble that draws nothing.
    canvas.setPitchDisplay (1, 7);
    const juce::Point<float> down { xAt (2.0), topLaneY };
    canvas.mouseDown (mouseEvent (canvas, down, left, down));
    canvas.mouseDrag (mouseEvent (canvas, down.translated (-2.0f, 0.0f), left, down));
    EXPECT_FALSE (canvas.drawStarted);
    EXPECT_DOUBLE_EQ (note (1).durationBeats, 0.5);
    canvas.mouseDrag (mouseEvent (canvas, { xAt (0.6), bottomLaneY }, left, down));
    canvas.mouseUp (mouseEvent (canvas, { xAt (0.6), bottomLaneY }, left, down));
    EXPECT_DOUBLE_EQ (note (1).startBeat, 0.5);
    EXPECT_DOUBLE_EQ (note (1).durationBeats, 1.5);
    EXPECT_EQ (note (1).voiceId, 1);   // the lane where drawing began
    EXPECT_EQ (note (1).target.basis, VarneT::TargetBasis::scale);
    EXPECT_EQ (note (1).id, "note-user-2");
    EXPECT_EQ (takeCalls(), "begin, selection, commit");
}

TEST_F (CanvasFixture, VelocityModifiersOnANote)
{
    using M = juce::ModifierKeys;
    const struct { int mods; int velocity, expected; const char* calls; } cases[] = {
        { M::shiftModifier, 127, 127, "selection" },
        { M::shiftModifier, 96, 127, "begin, selection, commit" },
        { M::ctrlModifier, 96, 70, "begin, selection, commit" },
        { M::ctrlModifier | M::shiftModifier, 96, 127, "begin, selection, commit" },
        { M::ctrlModifier, 70, 70, "selection" },
        { 0, 20, 20, "selection" },
    };
    for (const auto& c : cases)
    {
        canvas.setPattern (makePattern ({ makeNote ("n", 1.0, 1.0, 0, c.velocity) }));
        gesture (canvas, { xAt (1.3), bottomLaneY }, {}, M (M::leftButtonModifier | c.mods));
        EXPECT_EQ (note (0).velocity, c.expected) << c.mods << " " << c.velocity;
        EXPECT_EQ (takeCalls(), c.calls) << c.mods << " " << c.velocity;
    }

    // Shift on a note already at 127, then moved: one edit.
    canvas.setPattern (makePattern ({ makeNote ("n", 1.0, 1.0, 0, 127) }));
    const M shiftLeft (M::leftButtonModifier | M::shiftModifier);
    gesture (canvas, { xAt (1.3), bottomLaneY }, { { xAt (2.3), bottomLaneY } }, shiftLeft);
    EXPECT_DOUBLE_EQ (note (0).startBeat, 2.0);
    EXPECT_EQ (takeCalls(), "selection, begin, commit");
}

TEST_F (CanvasFixture, MoveAcrossLanesAndResizeClamps)
{
    auto pattern = makePattern ({ makeNote ("n", 1.0, 1.0, 0), makeNote ("m", 3.5, 0.25, 1) });
    pattern.notes[0].target.index = 4;
    canvas.setPattern (pattern);

    gesture (canvas, { xAt (1.2), bottomLaneY }, { { xAt (1.3), bottomLaneY }, { xAt (2.45), topLaneY } });
    EXPECT_DOUBLE_EQ (note (0).startBeat, 2.25);
    EXPECT_EQ (note (0).voiceId, 1);
    EXPECT_EQ (note (0).target.index, 4);   // the pitch target stays
    EXPECT_EQ (takeCalls(), "selection, begin, commit");

    // Resize past the Pattern's end stops at the end; past the start it keeps the minimum.
    const juce::Point<float> edge { canvas.noteBounds (1).getRight() - 1.0f, topLaneY };
    gesture (canvas, edge, { { 900.0f, topLaneY } });
    EXPECT_DOUBLE_EQ (note (1).durationBeats, 0.5);
    EXPECT_EQ (takeCalls(), "selection, begin, commit");
    gesture (canvas, { canvas.noteBounds (1).getRight() - 1.0f, topLaneY }, { { 0.0f, topLaneY } });
    EXPECT_DOUBLE_EQ (note (1).durationBeats, 0.125);
    EXPECT_EQ (takeCalls(), "selection, begin, commit");

    // A press on a note without moving commits nothing.
    gesture (canvas, { xAt (2.5), topLaneY }, {});
    EXPECT_EQ (takeCalls(), "selection");
}

TEST_F (CanvasFixture, DuplicateAndDelete)
{
    canvas.setPattern (makePattern ({ makeNote ("a", 1.0, 0.5, 0), makeNote ("b", 3.75, 0.25, 1) }));

    canvas.selectedIndex = 1;
    canvas.duplicateSelectedNote();
    ASSERT_EQ (canvas.pattern.notes.size(), 3u);
    EXPECT_DOUBLE_EQ (note (2).startBeat, 3.5);     // one grid step earlier at the end
    EXPECT_EQ (note (2).id, "note-user-3");
    EXPECT_EQ (canvas.selectedIndex, 2);
    EXPECT_EQ (takeCalls(), "begin, selection, commit");

    canvas.selectedIndex = 0;
    canvas.pattern.quantization = VarneT::Quantization::free;
    canvas.duplicateSelectedNote();
    EXPECT_DOUBLE_EQ (note (3).startBeat, 1.25);
    takeCalls();

    canvas.selectedIndex = 1;
    canvas.deleteSelectedNote();
    EXPECT_EQ (canvas.pattern.notes.size(), 3u);
    EXPECT_EQ (note (1).id, "note-user-3");
    EXPECT_EQ (canvas.selectedIndex, -1);
    EXPECT_EQ (takeCalls(), "begin, selection, commit");

    for (auto bad : { -1, 3, 99 })
    {
        canvas.selectedIndex = bad;
        canvas.duplicateSelectedNote();
        canvas.deleteSelectedNote();
    }
    EXPECT_EQ (canvas.pattern.notes.size(), 3u);
    EXPECT_EQ (takeCalls(), "");
}

TEST_F (CanvasFixture, EventLimitRefusesDrawAndDuplicate)
{
    auto pattern = makePattern();
    for (int i = 0; i < VarneT::maxPatternEvents - 1; ++i)
        pattern.notes.push_back (makeNote ("n" + juce::String (i), 0.0, 0.125, 0));
    pattern.pedal.push_back ({ "p", 0.0, 1.0, 127 });
    canvas.setPattern (pattern);
    canvas.selectedIndex = 5;

    gesture (canvas, { xAt (2.0), topLaneY }, {});
    canvas.duplicateSelectedNote();
    EXPECT_EQ (takeCalls(), "status: This Pattern has reached its event limit, status: This Pattern has reached its event limit");
    EXPECT_EQ (canvas.selectedIndex, 5);
    EXPECT_EQ (canvas.pattern.notes.size(), 2047u);

    // One event fewer: both work.
    canvas.pattern.pedal.clear();
    canvas.duplicateSelectedNote();
    EXPECT_EQ (canvas.pattern.notes.size(), 2048u);
}

TEST_F (CanvasFixture, SetPatternKeepsTheSelectionById)
{
    canvas.setPattern (makePattern ({ makeNote ("a", 0.0, 1.0, 0), makeNote ("b", 2.0, 1.0, 0) }));
    gesture (canvas, { xAt (2.5), bottomLaneY }, {});
    ASSERT_EQ (canvas.selectedIndex, 1);
    takeCalls();

    canvas.setPattern (makePattern ({ makeNote ("x", 0.0, 1.0, 0), makeNote ("a", 1.0, 1.0, 0), makeNote ("b", 3.0, 1.0, 0) }));
    EXPECT_EQ (canvas.selectedIndex, 2);
    canvas.setPattern (makePattern ({ makeNote ("a", 0.0, 1.0, 0) }));
    EXPECT_EQ (canvas.selectedIndex, -1);
    EXPECT_EQ (takeCalls(), "");

    canvas.selectedIndex = 0;
    canvas.resetInteraction();
    EXPECT_EQ (canvas.selectedIndex, -1);
}

TEST_F (CanvasFixture, PatternWithoutVoicesOrWithoutAPattern)
{
    gesture (canvas, { xAt (1.0), topLaneY }, {});   // before any setPattern
    EXPECT_TRUE (canvas.pattern.notes.empty());
    EXPECT_EQ (takeCalls(), "selection");

    auto pattern = makePattern ({ makeNote ("a", 0.0, 1.0, 3) });
    pattern.voices.clear();
    canvas.setPattern (pattern);
    canvas.selectedIndex = 0;
    EXPECT_EQ (canvas.voiceAtY (100.0f), 0);
    EXPECT_EQ (canvas.noteBounds (0).getY(), 10.0f);   // one lane of 200
    EXPECT_EQ (canvas.noteBounds (0).getHeight(), 192.0f);
    gesture (canvas, { xAt (3.0), topLaneY }, {});
    EXPECT_EQ (canvas.pattern.notes.size(), 1u);
    EXPECT_EQ (canvas.selectedIndex, -1);
    EXPECT_EQ (takeCalls(), "selection");

    // Outside the plot the selection clears too.
    canvas.setPattern (makePattern ({ makeNote ("a", 0.0, 1.0, 0) }));
    canvas.selectedIndex = 0;
    gesture (canvas, { 20.0f, topLaneY }, {});
    EXPECT_EQ (canvas.selectedIndex, -1);
    EXPECT_EQ (canvas.pattern.notes.size(), 1u);
}

TEST_F (CanvasFixture, DeleteKeys)
{
    using K = juce::KeyPress;
    using M = juce::ModifierKeys;
    canvas.setPattern (makePattern ({ makeNote ("a", 0.0, 1.0, 0), makeNote ("b", 1.0, 1.0, 0), makeNote ("c", 2.0, 1.0, 0) }));

    const struct { int key; int mods; bool consumed; size_t left; } cases[] = {
        { K::deleteKey, M::shiftModifier, false, 3 }, { K::deleteKey, M::ctrlModifier, false, 3 },
        { K::backspaceKey, M::altModifier, false, 3 }, { 'd', 0, false, 3 },
        { K::deleteKey, 0, true, 2 }, { K::backspaceKey, 0, true, 1 },
    };
    for (const auto& c : cases)
    {
        canvas.selectedIndex = 0;
        EXPECT_EQ (canvas.keyPressed (K (c.key, M (c.mods), 0)), c.consumed) << c.key << " " << c.mods;
        EXPECT_EQ (canvas.pattern.notes.size(), c.left);
    }
    canvas.selectedIndex = -1;
    EXPECT_FALSE (canvas.keyPressed (K (K::deleteKey)));
}

TEST_F (CanvasFixture, NoteTooltip)
{
    auto n = makeNote ("a", 0.0, 1.0, 0, 80);
    n.target.index = 1;
    canvas.setPattern (makePattern ({ n }));
    EXPECT_EQ (canvas.getTooltip(), "");

    canvas.mouseMove (mouseEvent (canvas, { xAt (0.3), bottomLaneY }, {}, { xAt (0.3), bottomLaneY }));
    EXPECT_EQ (canvas.getTooltip(),
               "Drag to move; right-click for actions  |  2nd chord note Original  |  Engine index 1  |  mf 80  |  Chance 100%  |  Importance 50%");

    canvas.pattern.notes[0].target.basis = VarneT::TargetBasis::fixed;
    canvas.pattern.notes[0].target.fixedMidiNote = 60;
    canvas.pattern.notes[0].chance = 0.255;
    canvas.mouseMove (mouseEvent (canvas, { xAt (1.0) - 1.0f, bottomLaneY }, {}, { xAt (1.0) - 1.0f, bottomLaneY }));
    EXPECT_EQ (canvas.getTooltip(), "Drag this edge to resize  |  C3  |  mf 80  |  Chance 26%  |  Importance 50%");

    // Register of a scale-degree target under chord input counts whole octaves of seven degrees.
    canvas.pattern.notes[0].target = { VarneT::TargetBasis::scale, -1, 60, 0 };
    canvas.pattern.notes[0].octave = 1;
    EXPECT_TRUE (canvas.getTooltip().contains ("Scale 7 Original  |  Engine index -1"));
}

TEST_F (CanvasFixture, UniqueIdsSkipNoteAndPedalIds)
{
    auto pattern = makePattern ({ makeNote ("note-user-3", 0.0, 1.0, 0), makeNote ("x", 1.0, 1.0, 0) });
    pattern.pedal.push_back ({ "note-user-4", 0.0, 1.0, 127 });
    canvas.setPattern (pattern);
    EXPECT_EQ (canvas.makeUniqueNoteId(), "note-user-5");
}

TEST_F (CanvasFixture, NoteMenu)
{
    const auto menu = VarneTTimelineCanvas::buildNoteMenu();
    juce::StringArray items;
    for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
    {
        const auto& item = it.getItem();
        items.add (juce::String (item.itemID) + " " + item.text + " [" + item.shortcutKeyDescription + "]"
                   + (item.isEnabled ? "" : " disabled"));
    }
    EXPECT_EQ (items.joinIntoString ("; "), "1 Duplicate Note [Cmd/Ctrl+D]; 2 Delete Note [Delete]");

    canvas.setPattern (makePattern ({ makeNote ("a", 0.0, 1.0, 0) }));
    canvas.selectedIndex = 0;
    canvas.handleNoteMenuResult (1);
    EXPECT_EQ (canvas.pattern.notes.size(), 2u);
    canvas.handleNoteMenuResult (0);
    canvas.handleNoteMenuResult (2);
    EXPECT_EQ (canvas.pattern.notes.size(), 1u);
}

TEST (TimelineCanvas, TinyCanvasesPaintAndHitTestWithoutUndefinedBehaviour)
{
    for (auto size : { juce::Point<int> (0, 0), juce::Point<int> (1, 1), juce::Point<int> (57, 29), juce::Point<int> (59, 31),
                       juce::Point<int> (200, 30), juce::Point<int> (30, 300) })
    {
        VarneTTimelineCanvas canvas;
        canvas.setSize (size.x, size.y);
        auto pattern = makePattern ({ makeNote ("a", 0.0, 1.0, 0), makeNote ("b", 1.0, 1.0, 1) });
        pattern.notes[0].octave = 2;
        canvas.setPattern (pattern);
        canvas.playheadBeat = 1.5;

        for (float y : { -1.0f, 0.0f, 6.0f, 1.0e30f, -1.0e30f })
        {
            const auto voice = canvas.voiceAtY (y);
            EXPECT_TRUE (voice == 0 || voice == 1);
            EXPECT_TRUE (std::isfinite (canvas.beatAtX (y)));
        }
        canvas.noteAt ({ 0.0f, 0.0f });
        gesture (canvas, { 55.0f, 7.0f }, { { 1.0e6f, -1.0e6f } });

        juce::Image image (juce::Image::ARGB, juce::jmax (1, size.x), juce::jmax (1, size.y), true);
        juce::Graphics g (image);
        canvas.paint (g);
    }
}

TEST (TimelineCanvas, PlayheadRepaintsOnlyItsOwnStrip)
{
    VarneTTimelineCanvas canvas;
    canvas.setSize (canvasWidth, canvasHeight);
    canvas.setPattern (makePattern ({ makeNote ("a", 0.0, 1.0, 0) }));
    auto& recorder = recordRepaints (canvas);

    const struct { double beat; juce::Rectangle<int> enters; } steps[] = {
        { 0.5, { 101, 6, 2, 200 } }, { 0.52, { 103, 6, 2, 200 } }, { 3.9, { 441, 6, 2, 200 } },
        { 4.4, { 91, 6, 2, 200 } }, { -1.0, {} }, { -2.0, {} },
    };
    for (const auto& s : steps)
    {
        const auto leaves = canvas.playheadArea (canvas.playheadBeat);
        recorder.areas.clear();
        canvas.setPlayheadBeat (s.beat);
        EXPECT_EQ (canvas.playheadArea (s.beat), s.enters) << s.beat;

        juce::Array<juce::Rectangle<int>> expected;
        for (auto area : { leaves, s.enters })
            if (! area.isEmpty())
                expected.add (area);
        EXPECT_EQ (recorder.areas, expected) << s.beat;
    }

    // The whole canvas, for comparison, is what a full repaint would cost.
    recorder.areas.clear();
    canvas.repaint();
    EXPECT_EQ (recorder.areas, juce::Array<juce::Rectangle<int>> ({ canvas.getLocalBounds() }));
}

TEST (TimelineCanvasOnScreen, RealPointerDrawsMovesAndResizes)
{
    VarneTTimelineCanvas canvas;
    juce::StringArray calls;
    canvas.onBeginEdit = [&] { calls.add ("begin"); };
    canvas.onEditCommitted = [&] { calls.add ("commit"); };
    canvas.setPattern (makePattern());
    DesktopHost host (canvas, canvasWidth, canvasHeight);

    const auto at = [] (double beat, float y) { return juce::Point<int> (juce::roundToInt (xAt (beat)), juce::roundToInt (y)); };

    // Hover shows where a click would draw, then a click draws.
    movePointer (canvas, at (1.1, bottomLaneY));
    ASSERT_TRUE (pumpUntil ([&] { return canvas.mouseOver; }));
    ASSERT_TRUE (click());
    ASSERT_TRUE (pumpUntil ([&] { return calls.size() == 2; }));
    ASSERT_EQ (canvas.pattern.notes.size(), 1u);
    EXPECT_DOUBLE_EQ (canvas.pattern.notes[0].startBeat, 1.0);
    EXPECT_EQ (canvas.pattern.notes[0].voiceId, 0);

    // Drag the note by its body from the bottom lane to the top lane, two beats later.
    calls.clear();
    movePointer (canvas, at (1.2, bottomLaneY));
    ASSERT_TRUE (pumpUntil ([&] { return canvas.hoverIndex == 0; }));
    ASSERT_TRUE (press());
    ASSERT_TRUE (pumpUntil ([&] { return canvas.dragMode == 1; }));
    for (double b : { 1.6, 2.2, 3.2 })
    {
        movePointer (canvas, at (b, topLaneY));
        ASSERT_TRUE (pumpUntil ([&] { return canvas.mousePosition.x == xAt (b); }));
    }
    ASSERT_TRUE (release());
    ASSERT_TRUE (pumpUntil ([&] { return calls.size() == 2; }));
    EXPECT_DOUBLE_EQ (canvas.pattern.notes[0].startBeat, 3.0);
    EXPECT_EQ (canvas.pattern.notes[0].voiceId, 1);

    // Resize from the right edge to beyond the Pattern's end.
    calls.clear();
    const auto edge = canvas.noteBounds (0).getRight() - 1.0f;
    movePointer (canvas, { juce::roundToInt (edge), juce::roundToInt (topLaneY) });
    ASSERT_TRUE (pumpUntil ([&] { return canvas.getMouseCursor() == juce::MouseCursor (juce::MouseCursor::LeftRightResizeCursor); }));
    EXPECT_EQ (canvas.getTooltip().upToFirstOccurrenceOf ("  |", false, false), "Drag this edge to resize");
    ASSERT_TRUE (press());
    ASSERT_TRUE (pumpUntil ([&] { return canvas.dragMode == 2; }));
    movePointer (canvas, { canvasWidth - 2, juce::roundToInt (topLaneY) });
    ASSERT_TRUE (pumpUntil ([&] { return canvas.pattern.notes[0].durationBeats == 1.0; }));
    ASSERT_TRUE (release());
    ASSERT_TRUE (pumpUntil ([&] { return calls.size() == 2; }));
    EXPECT_EQ (calls.joinIntoString (", "), "begin, commit");
}

TEST (TimelineCanvasOnScreen, RightPressOnANoteSelectsItAndOpensTheNoteMenu)
{
    VarneTTimelineCanvas canvas;
    juce::StringArray calls;
    canvas.onSelectionChanged = [&] { calls.add ("selection"); };
    canvas.setPattern (makePattern ({ makeNote ("a", 0.0, 1.0, 0), makeNote ("b", 2.0, 1.0, 1) }));
    DesktopHost host (canvas, canvasWidth, canvasHeight);

    const juce::Point<float> empty { xAt (3.5), topLaneY };
    canvas.mouseDown (mouseEvent (canvas, empty, right, empty));
    EXPECT_EQ (juce::ModalComponentManager::getInstance()->getNumModalComponents(), 0);
    EXPECT_EQ (canvas.selectedIndex, -1);

    const juce::Point<float> onNote { xAt (2.5), topLaneY };
    canvas.mouseDown (mouseEvent (canvas, onNote, right, onNote));
    EXPECT_EQ (canvas.selectedIndex, 1);
    EXPECT_EQ (calls.joinIntoString (", "), "selection");
    EXPECT_TRUE (canvas.hasKeyboardFocus (true));
    ASSERT_TRUE (pumpUntil ([] { return juce::ModalComponentManager::getInstance()->getNumModalComponents() == 1; }));

    // Dismissed: nothing happens to the Pattern.
    EXPECT_TRUE (juce::PopupMenu::dismissAllActiveMenus());
    ASSERT_TRUE (pumpUntil ([] { return juce::ModalComponentManager::getInstance()->getNumModalComponents() == 0; }));
    gui::flushMessages();
    EXPECT_EQ (canvas.pattern.notes.size(), 2u);
}
