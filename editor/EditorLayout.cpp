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
} // namespace

VarneTEditorLayout VarneTEditorLayout::compute (const Inputs& in)
{
    VarneTEditorLayout out;

    const auto b = nonNegative (in.width - 20);
    const auto c = nonNegative (in.height - 20);
    auto area = Rect (10, 10, b, c);

    // Header row.
    auto header = area.removeFromTop (std::min (c, 30));
    const auto d = header.getHeight();
    {
        auto brand = header.removeFromLeft (std::min (b, 170));
        out.makerLabel = brand.removeFromLeft (58);
        brand.removeFromLeft (4);
        out.productLabel = brand;

        auto buttonRow = [&] (int width)
        {
            return header.removeFromRight (width).withY (12).withHeight (nonNegative (d - 4));
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

    area.removeFromTop (6);

    // Bottom line.
    out.bottomBarCard = area.removeFromBottom (std::min (area.getHeight(), 28));
    {
        const auto bar = out.bottomBarCard;
        const auto innerY = bar.getY() + 2;
        const auto innerHeight = nonNegative (bar.getHeight() - 4);
        auto lineRight = b - 2;

        if (in.hasScalingButton)
        {
            const auto scale = in.scale > 0.0 && std::isfinite (in.scale) ? in.scale : 1.0;
            const auto clearOfCorner = (int) std::floor ((in.windowWidth - cornerClearance) / scale);
            const auto right = std::min (clearOfCorner, b - 2);
            const auto buttonHeight = std::min (innerHeight, 24);
            const auto y = innerY + (innerHeight - buttonHeight) / 2;
            out.scalingButton = fromEdges (std::max (bar.getX(), right - 78), y, right, y + buttonHeight);
            lineRight = out.scalingButton.getX() - 8;
        }

        out.bottomLineLabel = fromEdges (22, innerY, lineRight, innerY + innerHeight);
    }

    area.removeFromBottom (6);

    // Body: dictionary on the left, the other three panels in the right column.
    auto body = area;
    out.dictionaryCard = body.removeFromLeft (std::min (b, std::clamp (b / 4, 260, 300)));
    {
        auto inner = fromEdges (out.dictionaryCard.getX() + 6, out.dictionaryCard.getY() + 6,
                           out.dictionaryCard.getRight() - 6, out.dictionaryCard.getBottom() - 6);
        out.dictionaryCaption = inner.removeFromTop (22);
        auto filterSlot = inner.removeFromTop (34);
        out.dictionaryFilterBox = fromEdges (filterSlot.getX(), filterSlot.getY() + 2, filterSlot.getRight(), filterSlot.getBottom() - 2);
        inner.removeFromTop (4);
        out.dictionaryList = inner;
    }

    body.removeFromLeft (6);
    auto column = body;
    out.sequenceCard = column.removeFromTop (86);
    column.removeFromTop (6);
    out.inspectorCard = column.removeFromBottom (144);
    column.removeFromBottom (6);
    out.timelineCard = column;

    // Sequence panel.
    {
        const auto card = out.sequenceCard;
        const auto x0 = card.getX() + 6;
        const auto iw = nonNegative (card.getWidth() - 12);
        const auto usable = nonNegative (card.getHeight() - 10);
        const auto D = std::min (usable, 38);

        auto inner = Rect (x0, card.getY() + 6, iw, 30);
        const auto buttons = inner.removeFromRight (72);
        out.writeButton = buttons;
        out.revertButton = buttons.withY (card.getY() + D + 6);
        inner.removeFromRight (6);

        auto rest = inner;
        const auto caption = rest.removeFromLeft (48);
        out.sectionsCaption = caption.withY (card.getY() + 5).withHeight (32);
        out.patternsCaption = caption.withY (card.getY() + D + 5).withHeight (32);

        const auto stripRow = rest;
        auto autoColumn = rest.removeFromRight (118);
        out.autoAdvanceButton = insetX (autoColumn, 4).withY (card.getY() + 6).withHeight (30);
        out.sectionStripViewport = rest.withY (card.getY() + 5).withHeight (D);
        out.patternStripViewport = stripRow.withY (card.getY() + D + 5).withHeight (std::min (usable - D, 38));
    }

    // Timeline panel.
    {
        const auto card = out.timelineCard;
        const auto x0 = card.getX() + 6, y0 = card.getY() + 6;
        const auto iw = nonNegative (card.getWidth() - 12);
        const auto ih2 = nonNegative (card.getHeight() - 12);
        const auto G = std::min (ih2, 30);

        auto topRow = Rect (x0, y0, iw, G);
        auto toolbar = topRow.removeFromRight (254);
        const auto toolY = y0 + 3, toolHeight = nonNegative (G - 6);
        auto tool = [&] (Rect slot, int inset) { return insetX (slot, inset).withY (toolY).withHeight (toolHeight); };

        out.redoButton = tool (toolbar.removeFromRight (54), 3);
        out.undoButton = tool (toolbar.removeFromRight (54), 3);
        out.sectionMidiDragButton = tool (toolbar.removeFromRight (38), 5);
        out.patternOptionsButton = tool (toolbar, 3);

        out.patternTitleLabel = topRow.removeFromLeft (topRow.getWidth() / 2);
        out.patternInfoLabel = topRow;

        const auto gap = std::min (2, ih2 - G);
        out.timelineViewport = Rect (x0, y0 + G + gap, iw, nonNegative (ih2 - G - gap));
    }

    // Inspector panel.
    {
        const auto card = out.inspectorCard;
        const auto K = nonNegative (card.getHeight() - 20);
        const auto H2 = nonNegative (card.getWidth() - 20);
        auto inner = Rect (card.getX() + 10, card.getY() + 10, H2, K);

        out.modeColumnCard = inner.removeFromLeft (124);
        {
            auto buttons = Rect (card.getX() + 14, card.getY() + 14, nonNegative (out.modeColumnCard.getWidth() - 8), nonNegative (K - 8));
            for (auto& button : out.modeButtons)
            {
                button = buttons.removeFromTop (36);
                buttons.removeFromTop (4);
            }
        }

        inner.removeFromLeft (16);
        const auto controlsArea = inner;
        const auto M = controlsArea.getWidth();
        const auto N = std::min (K, 20);
        const auto captionY = card.getY() + 10;
        const auto controlY = card.getY() + N + 16;
        const auto O = nonNegative (K - N - 12);

        auto captionOf = [&] (Rect slot) { return Rect (slot.getX(), captionY, slot.getWidth(), N); };
        auto controlOf = [&] (Rect slot) { return Rect (slot.getX(), controlY, slot.getWidth(), O); };

        // Pattern Feel: three sliders, then the Octave knob at the right.
        {
            auto row = controlsArea;
            const auto octave = row.removeFromRight (std::min ({ M, M / 4, 180 }));
            row.removeFromRight (16);
            const auto each = nonNegative ((row.getWidth() - 32) / 3);

            for (int i = 0; i < 3; ++i)
            {
                const auto slot = row.removeFromLeft (each);
                out.feelCaptions[(size_t) i] = captionOf (slot);
                out.feelControls[(size_t) i] = controlOf (slot);
                row.removeFromLeft (16);
            }

            out.feelCaptions[3] = captionOf (octave);
            out.feelControls[3] = controlOf (octave);
        }

        // Performance: instance name, pitch source, root and scale columns.
        {
            auto row = controlsArea;
            const auto nameColumn = row.removeFromLeft (std::min ({ M, M * 23 / 100, 200 }));
            row.removeFromLeft (20);
            auto sourceColumn = row.removeFromLeft (204);
            row.removeFromLeft (20);
            const auto rootColumn = row.removeFromLeft (84);
            row.removeFromLeft (12);
            const auto scaleColumn = row;

            const std::array<Rect, 4> columns { nameColumn, sourceColumn, rootColumn, scaleColumn };
            for (size_t i = 0; i < columns.size(); ++i)
                out.projectCaptions[i] = captionOf (columns[i]);

            const auto fieldTop = card.getY() + N + 10;
            out.instanceNameField = nameColumn.withY (fieldTop + (K - N - 44) / 2).withHeight (44);

            const auto sourceRow = sourceColumn.withY (fieldTop + (K - N - 40) / 2).withHeight (40);
            auto sources = sourceRow;
            out.midiChordsButton = sources.removeFromLeft (124);
            out.scaleSourceButton = sources;

            out.scaleRootBox = controlOf (rootColumn);
            out.scaleTypeBox = controlOf (scaleColumn);
            out.chordLabel = fromEdges (rootColumn.getX() + 8, card.getY() + 36, controlsArea.getRight() - 8,
                                        card.getY() + 36 + nonNegative (nonNegative (card.getHeight() - 40) - 12));
        }

        // Selected Note: five columns, then the duplicate and delete buttons at the right.
        {
            auto row = controlsArea;
            const auto buttonColumn = row.removeFromRight (26);
            const auto pairTop = card.getY() + (card.getHeight() - 78) / 2;
            out.duplicateNoteButton = Rect (buttonColumn.getX(), pairTop + 10, buttonColumn.getWidth(), 26);
            out.deleteNoteButton = Rect (buttonColumn.getX(), pairTop + 42, buttonColumn.getWidth(), 26);

            row.removeFromRight (12);
            const auto Y = row.getWidth();
            std::array<Rect, 5> columns;
            columns[0] = row.removeFromLeft (std::min (Y, std::clamp (Y * 23 / 100, 146, 200)));
            row.removeFromLeft (16);
            columns[1] = row.removeFromLeft (std::clamp (Y * 18 / 100, 126, 154));
            row.removeFromLeft (16);
            const auto each = nonNegative ((row.getWidth() - 32) / 3);
            columns[2] = row.removeFromLeft (each);
            row.removeFromLeft (16);
            columns[3] = row.removeFromLeft (each);
            row.removeFromLeft (16);
            columns[4] = row;

            for (size_t i = 0; i < columns.size(); ++i)
            {
                out.noteCaptions[i] = captionOf (columns[i]);
                out.noteControls[i] = controlOf (columns[i]);
            }
        }
    }

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
