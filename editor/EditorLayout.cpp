#include "editor/EditorLayout.h"

#include <algorithm>
#include <cmath>

namespace
{
using Rect = VarneTEditorLayout::Rect;

int nonNegative (int v) { return std::max (0, v); }

/** A rectangle from its edges; an edge that crosses its partner makes an empty side, never a negative one. */
Rect fromEdges (int left, int top, int right, int bottom)
{
    return { left, top, nonNegative (right - left), nonNegative (bottom - top) };
}

Rect insetX (Rect r, int inset)
{
    return fromEdges (r.getX() + inset, r.getY(), r.getRight() - inset, r.getBottom());
}

/** Header row: the brand at the left, the header buttons at the right, the summary between them. */
void placeHeader (VarneTEditorLayout& out, Rect header, int contentWidth)
{
    const auto rowHeight = header.getHeight();

    auto brand = header.removeFromLeft (std::min (contentWidth, 170));
    out.makerLabel = brand.removeFromLeft (58);
    brand.removeFromLeft (4);
    out.productLabel = brand;

    auto buttonRow = [&] (int width)
    {
        return header.removeFromRight (width).withY (12).withHeight (nonNegative (rowHeight - 4));
    };
    out.helpButton = buttonRow (28);
    header.removeFromRight (4);
    out.panicButton = buttonRow (56);
    header.removeFromRight (4);
    out.jsonButton = buttonRow (30);
    header.removeFromRight (4);
    out.projectsButton = buttonRow (74);

    header.removeFromLeft (12);
    header.removeFromRight (12);
    out.summaryLabel = header;
}

/** The status line and, when the editor has one, the scaling button kept clear of the resize corner. */
void placeBottomLine (VarneTEditorLayout& out, const VarneTEditorLayout::Inputs& in, int contentWidth)
{
    const auto bar = out.bottomBarCard;
    const auto innerY = bar.getY() + 2;
    const auto innerHeight = nonNegative (bar.getHeight() - 4);
    auto lineRight = contentWidth - 2;

    if (in.hasScalingButton)
    {
        // The corner sits in window pixels; the layout is in logical ones.
        const auto scale = in.scale > 0.0 && std::isfinite (in.scale) ? in.scale : 1.0;
        const auto clearOfCorner = (int) std::floor ((in.windowWidth - VarneTEditorLayout::cornerClearance) / scale);
        const auto right = std::min (clearOfCorner, contentWidth - 2);
        const auto buttonHeight = std::min (innerHeight, 24);
        const auto y = innerY + (innerHeight - buttonHeight) / 2;
        out.scalingButton = fromEdges (std::max (bar.getX(), right - 78), y, right, y + buttonHeight);
        lineRight = out.scalingButton.getX() - 8;
    }

    out.bottomLineLabel = fromEdges (22, innerY, lineRight, innerY + innerHeight);
}

/** The dictionary card at the left of the body; the sequence, timeline and inspector cards stacked right of it. */
void placePanelCards (VarneTEditorLayout& out, Rect body, int contentWidth)
{
    out.dictionaryCard = body.removeFromLeft (std::min (contentWidth, std::clamp (contentWidth / 4, 260, 300)));
    body.removeFromLeft (6);

    auto column = body;
    out.sequenceCard = column.removeFromTop (86);
    column.removeFromTop (6);
    out.inspectorCard = column.removeFromBottom (144);
    column.removeFromBottom (6);
    out.timelineCard = column;
}

void placeDictionaryPanel (VarneTEditorLayout& out)
{
    const auto card = out.dictionaryCard;
    auto inner = fromEdges (card.getX() + 6, card.getY() + 6, card.getRight() - 6, card.getBottom() - 6);
    out.dictionaryCaption = inner.removeFromTop (22);
    const auto filterSlot = inner.removeFromTop (34);
    out.dictionaryFilterBox = fromEdges (filterSlot.getX(), filterSlot.getY() + 2, filterSlot.getRight(), filterSlot.getBottom() - 2);
    inner.removeFromTop (4);
    out.dictionaryList = inner;
}

/** Two strip rows with their captions; Auto-Advance beside the Section strip, Write and Revert at the right. */
void placeSequencePanel (VarneTEditorLayout& out)
{
    const auto card = out.sequenceCard;
    const auto usable = nonNegative (card.getHeight() - 10);
    const auto rowHeight = std::min (usable, 38);
    const auto sectionRowY = card.getY() + 5;
    const auto patternRowY = card.getY() + rowHeight + 5;

    auto inner = Rect (card.getX() + 6, card.getY() + 6, nonNegative (card.getWidth() - 12), 30);
    const auto buttons = inner.removeFromRight (72);
    out.writeButton = buttons;
    out.revertButton = buttons.withY (patternRowY + 1);
    inner.removeFromRight (6);

    auto rest = inner;
    const auto caption = rest.removeFromLeft (48);
    out.sectionsCaption = caption.withY (sectionRowY).withHeight (32);
    out.patternsCaption = caption.withY (patternRowY).withHeight (32);

    const auto stripRow = rest;
    const auto autoColumn = rest.removeFromRight (118);
    out.autoAdvanceButton = insetX (autoColumn, 4).withY (card.getY() + 6).withHeight (30);
    out.sectionStripViewport = rest.withY (sectionRowY).withHeight (rowHeight);
    out.patternStripViewport = stripRow.withY (patternRowY).withHeight (std::min (usable - rowHeight, 38));
}

/** The title and info labels and the toolbar in the top row; the timeline's viewport below. */
void placeTimelinePanel (VarneTEditorLayout& out)
{
    const auto card = out.timelineCard;
    const auto x0 = card.getX() + 6, y0 = card.getY() + 6;
    const auto innerWidth = nonNegative (card.getWidth() - 12);
    const auto innerHeight = nonNegative (card.getHeight() - 12);
    const auto rowHeight = std::min (innerHeight, 30);

    auto topRow = Rect (x0, y0, innerWidth, rowHeight);
    auto toolbar = topRow.removeFromRight (254);
    const auto toolY = y0 + 3, toolHeight = nonNegative (rowHeight - 6);
    auto tool = [&] (Rect slot, int inset) { return insetX (slot, inset).withY (toolY).withHeight (toolHeight); };

    out.redoButton = tool (toolbar.removeFromRight (54), 3);
    out.undoButton = tool (toolbar.removeFromRight (54), 3);
    out.sectionMidiDragButton = tool (toolbar.removeFromRight (38), 5);
    out.patternOptionsButton = tool (toolbar, 3);

    out.patternTitleLabel = topRow.removeFromLeft (topRow.getWidth() / 2);
    out.patternInfoLabel = topRow;

    const auto gap = std::min (2, innerHeight - rowHeight);
    out.timelineViewport = Rect (x0, y0 + rowHeight + gap, innerWidth, nonNegative (innerHeight - rowHeight - gap));
}

/** The inspector's controls area right of the mode buttons: a caption row above one row of controls. */
struct InspectorGrid
{
    Rect card, controlsArea;
    int innerHeight = 0, captionHeight = 0, captionY = 0, controlY = 0, controlHeight = 0;

    Rect captionOf (Rect column) const { return { column.getX(), captionY, column.getWidth(), captionHeight }; }
    Rect controlOf (Rect column) const { return { column.getX(), controlY, column.getWidth(), controlHeight }; }
};

/** The mode column at the left of the inspector; returns the grid the three modes share. */
InspectorGrid placeModeColumn (VarneTEditorLayout& out)
{
    InspectorGrid grid;
    grid.card = out.inspectorCard;
    const auto card = grid.card;
    grid.innerHeight = nonNegative (card.getHeight() - 20);
    auto inner = Rect (card.getX() + 10, card.getY() + 10, nonNegative (card.getWidth() - 20), grid.innerHeight);

    out.modeColumnCard = inner.removeFromLeft (124);
    auto buttons = Rect (card.getX() + 14, card.getY() + 14, nonNegative (out.modeColumnCard.getWidth() - 8),
                         nonNegative (grid.innerHeight - 8));
    for (auto& button : out.modeButtons)
    {
        button = buttons.removeFromTop (36);
        buttons.removeFromTop (4);
    }

    inner.removeFromLeft (16);
    grid.controlsArea = inner;
    grid.captionHeight = std::min (grid.innerHeight, 20);
    grid.captionY = card.getY() + 10;
    grid.controlY = card.getY() + grid.captionHeight + 16;
    grid.controlHeight = nonNegative (grid.innerHeight - grid.captionHeight - 12);
    return grid;
}

/** Pattern Feel: three sliders, then the Octave knob at the right. */
void placeFeelControls (VarneTEditorLayout& out, const InspectorGrid& grid)
{
    auto row = grid.controlsArea;
    const auto width = row.getWidth();
    const auto octave = row.removeFromRight (std::min ({ width, width / 4, 180 }));
    row.removeFromRight (16);
    const auto each = nonNegative ((row.getWidth() - 32) / 3);

    for (size_t i = 0; i < 3; ++i)
    {
        const auto slot = row.removeFromLeft (each);
        out.feelCaptions[i] = grid.captionOf (slot);
        out.feelControls[i] = grid.controlOf (slot);
        row.removeFromLeft (16);
    }

    out.feelCaptions[3] = grid.captionOf (octave);
    out.feelControls[3] = grid.controlOf (octave);
}

/** Performance: instance name, pitch source, root and scale columns; the chord text over root and scale. */
void placePerformanceControls (VarneTEditorLayout& out, const InspectorGrid& grid)
{
    const auto card = grid.card;
    auto row = grid.controlsArea;
    const auto width = row.getWidth();
    const auto nameColumn = row.removeFromLeft (std::min ({ width, width * 23 / 100, 200 }));
    row.removeFromLeft (20);
    const auto sourceColumn = row.removeFromLeft (204);
    row.removeFromLeft (20);
    const auto rootColumn = row.removeFromLeft (84);
    row.removeFromLeft (12);
    const auto scaleColumn = row;

    const std::array<Rect, 4> columns { nameColumn, sourceColumn, rootColumn, scaleColumn };
    for (size_t i = 0; i < columns.size(); ++i)
        out.projectCaptions[i] = grid.captionOf (columns[i]);

    const auto fieldTop = card.getY() + grid.captionHeight + 10;
    const auto fieldSpace = grid.innerHeight - grid.captionHeight;
    out.instanceNameField = nameColumn.withY (fieldTop + (fieldSpace - 44) / 2).withHeight (44);

    auto sources = sourceColumn.withY (fieldTop + (fieldSpace - 40) / 2).withHeight (40);
    out.midiChordsButton = sources.removeFromLeft (124);
    out.scaleSourceButton = sources;

    out.scaleRootBox = grid.controlOf (rootColumn);
    out.scaleTypeBox = grid.controlOf (scaleColumn);
    out.chordLabel = fromEdges (rootColumn.getX() + 8, card.getY() + 36, grid.controlsArea.getRight() - 8,
                                card.getY() + 36 + nonNegative (nonNegative (card.getHeight() - 40) - 12));
}

/** Selected Note: five columns, then the duplicate and delete buttons at the right. */
void placeNoteControls (VarneTEditorLayout& out, const InspectorGrid& grid)
{
    const auto card = grid.card;
    auto row = grid.controlsArea;
    const auto buttonColumn = row.removeFromRight (26);
    const auto pairTop = card.getY() + (card.getHeight() - 78) / 2;
    out.duplicateNoteButton = Rect (buttonColumn.getX(), pairTop + 10, buttonColumn.getWidth(), 26);
    out.deleteNoteButton = Rect (buttonColumn.getX(), pairTop + 42, buttonColumn.getWidth(), 26);

    row.removeFromRight (12);
    const auto width = row.getWidth();
    std::array<Rect, 5> columns;
    columns[0] = row.removeFromLeft (std::min (width, std::clamp (width * 23 / 100, 146, 200)));
    row.removeFromLeft (16);
    columns[1] = row.removeFromLeft (std::clamp (width * 18 / 100, 126, 154));
    row.removeFromLeft (16);
    const auto each = nonNegative ((row.getWidth() - 32) / 3);
    columns[2] = row.removeFromLeft (each);
    row.removeFromLeft (16);
    columns[3] = row.removeFromLeft (each);
    row.removeFromLeft (16);
    columns[4] = row;

    for (size_t i = 0; i < columns.size(); ++i)
    {
        out.noteCaptions[i] = grid.captionOf (columns[i]);
        out.noteControls[i] = grid.controlOf (columns[i]);
    }
}
} // namespace

VarneTEditorLayout VarneTEditorLayout::compute (const Inputs& in)
{
    VarneTEditorLayout out;

    const auto contentWidth = nonNegative (in.width - 20);
    const auto contentHeight = nonNegative (in.height - 20);
    auto area = Rect (10, 10, contentWidth, contentHeight);

    placeHeader (out, area.removeFromTop (std::min (contentHeight, 30)), contentWidth);
    area.removeFromTop (6);

    out.bottomBarCard = area.removeFromBottom (std::min (area.getHeight(), 28));
    placeBottomLine (out, in, contentWidth);
    area.removeFromBottom (6);

    placePanelCards (out, area, contentWidth);
    placeDictionaryPanel (out);
    placeSequencePanel (out);
    placeTimelinePanel (out);

    const auto grid = placeModeColumn (out);
    placeFeelControls (out, grid);
    placePerformanceControls (out, grid);
    placeNoteControls (out, grid);

    return out;
}

juce::Point<int> VarneTEditorLayout::stripSize (int viewportWidth, int tileCount)
{
    return { std::max (viewportWidth, std::max (0, tileCount) * 128 + 36), 32 };
}

juce::Point<int> VarneTEditorLayout::timelineSize (int viewportWidth, int viewportHeight, double patternLengthBeats)
{
    auto width = std::max (1, viewportWidth);

    if (std::isfinite (patternLengthBeats) && patternLengthBeats > 16.0)
        width = std::max (viewportWidth + 112, (int) std::ceil (std::max (patternLengthBeats, 1.0) * 28.0 + 48.0));

    const auto height = std::max (1, width > viewportWidth ? viewportHeight - 10 : viewportHeight);
    return { width, height };
}
