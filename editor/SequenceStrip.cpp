#include "editor/SequenceStrip.h"

namespace
{
using Palette = VarneTTheme::Palette;
constexpr float cornerSize = 6.0f;
} // namespace

VarneTSequenceStrip::TileLayout VarneTSequenceStrip::layoutTile (int index, int height) noexcept
{
    const auto h = juce::jmax (0, height);
    const auto x = tilePitch * index;
    TileLayout layout;
    layout.tile = { x, 1, tileWidth, juce::jmax (0, h - 2) };
    layout.name = { x + nameInset, 3, nameWidth, juce::jmax (0, h - 6) };
    layout.column = { x + columnOffset, 3, columnWidth, juce::jmax (0, h - 6) };
    layout.repeatButton = { x + columnOffset, 3 + (h - 30) / 2, repeatButtonSize, repeatButtonSize };
    layout.divider = { x + dividerOffset, 9, 1, juce::jmax (0, h - 18) };
    return layout;
}

VarneTSequenceStrip::VarneTSequenceStrip (const juce::String& stripKind) : kind (stripKind)
{
    setName (kind + " strip");
    setWantsKeyboardFocus (true);
    setRepaintsOnMouseActivity (true);
}

VarneTSequenceStrip::~VarneTSequenceStrip() = default;

void VarneTSequenceStrip::setItems (std::vector<Item> newItems)
{
    items = std::move (newItems);

    if (kind == "Pattern")
    {
        while (repeatButtons.size() > count())
            repeatButtons.removeLast();

        while (repeatButtons.size() < count())
            addAndMakeVisible (repeatButtons.add (new RepeatCountButton()));

        for (int j = 0; j < count(); ++j)
        {
            auto* button = repeatButtons[j];
            button->setCount (items[static_cast<size_t> (j)].repeatCount, kind + ": " + items[static_cast<size_t> (j)].name);
            button->onChange = [this, j] (int newCount)
            {
                if (onRepeatCountChanged)
                    onRepeatCountChanged (j, newCount);
            };
        }
    }

    resized();

    if (! isTile (activeIndex))
        activeIndex = items.empty() ? -1 : 0;
    if (! isTile (playingIndex))
        playingIndex = -1;
    hoverIndex = dragIndex = dropIndex = -1;
    dragging = false;
    fadeDraggedButton();
    repaint();
}

void VarneTSequenceStrip::setActiveIndex (int index)
{
    const auto newIndex = isTile (index) ? index : -1;
    if (newIndex == activeIndex)
        return;
    activeIndex = newIndex;
    repaint();
}

void VarneTSequenceStrip::setCanAdd (bool shouldAllowAdding)
{
    if (canAdd == shouldAllowAdding)
        return;
    canAdd = shouldAllowAdding;
    repaint();
}

void VarneTSequenceStrip::setPlayback (int index, float newProgress)
{
    const auto newIndex = isTile (index) ? index : -1;
    // A NaN progress counts as the start, so no comparison below meets one.
    const auto clamped = std::isnan (newProgress) ? 0.0f : juce::jlimit (0.0f, 1.0f, newProgress);

    if (newIndex == playingIndex && std::abs (clamped - progress) < 0.002f)
        return;

    const auto previousIndex = playingIndex;
    playingIndex = newIndex;
    progress = clamped;

    // Playback shows only on the playing tile: repaint the tile it leaves and the one it is on.
    if (isTile (previousIndex))
        repaint (playbackArea (previousIndex));
    if (newIndex != previousIndex && isTile (newIndex))
        repaint (playbackArea (newIndex));
}

juce::Rectangle<int> VarneTSequenceStrip::playbackArea (int index) const
{
    // One pixel more on each side for the outline's antialiased edge.
    return layoutTile (index, getHeight()).tile.expanded (1);
}

juce::Rectangle<int> VarneTSequenceStrip::getTileBounds (int index) const
{
    return isTile (index) ? layoutTile (index, getHeight()).tile : juce::Rectangle<int>();
}

int VarneTSequenceStrip::tileAt (juce::Point<int> p) const
{
    if (p.y < 1 || p.y >= getHeight() - 1 || p.x < 0)
        return -1;

    const auto i = p.x / tilePitch;
    if (i < count() && p.x < tilePitch * i + tileWidth)
        return i;

    const auto ax = tilePitch * count();
    if (p.x >= ax && p.x < ax + addTileWidth)
        return -2;

    return -1;
}

int VarneTSequenceStrip::dropMarkerX (int slot) const noexcept
{
    if (slot < count())
        return tilePitch * slot - 2;
    if (count() == 0)
        return 2;
    return tilePitch * (count() - 1) + 126;
}

int VarneTSequenceStrip::dropSlotAt (float x) const noexcept
{
    for (int i = 0; i < count(); ++i)
        if (x < static_cast<float> (tilePitch * i + dropHalf))
            return i;
    return count();
}

juce::String VarneTSequenceStrip::getTooltip()
{
    if (hoverIndex == -2)
        return canAdd ? "Add " + kind : kind + " limit reached";

    if (! isTile (hoverIndex))
        return {};

    const auto& item = items[static_cast<size_t> (hoverIndex)];
    auto text = item.name;
    if (item.subtitle.isNotEmpty())
        text << " - " << item.subtitle;
    text << " - Click to " << (kind == "Section" ? "activate" : "edit") << "; drag to reorder; right-click for actions";
    return text;
}

void VarneTSequenceStrip::resized()
{
    for (int j = 0; j < repeatButtons.size(); ++j)
        repeatButtons[j]->setBounds (layoutTile (j, getHeight()).repeatButton);
}

void VarneTSequenceStrip::paint (juce::Graphics& g)
{
    g.setColour (VarneTTheme::colour (Palette::contentBackground).withAlpha (0.75f));
    g.fillRoundedRectangle (getLocalBounds().toFloat(), cornerSize);

    for (int i = 0; i < count(); ++i)
        paintTile (g, i);

    if (dragging && dropIndex >= 0)
        paintDropMarker (g);

    paintAddTile (g);
}

// The ghost lies over the repeat buttons, which are child components.
void VarneTSequenceStrip::paintOverChildren (juce::Graphics& g)
{
    if (dragging && isTile (dragIndex))
        paintDragGhost (g);
}

float VarneTSequenceStrip::tileAlpha (int index) const noexcept
{
    return (dragging && index == dragIndex) ? draggedTileAlpha : 1.0f;
}

void VarneTSequenceStrip::paintTile (juce::Graphics& g, int i)
{
    const auto h = getHeight();
    const auto hf = static_cast<float> (h);
    const auto layout = layoutTile (i, h);
    const auto x = static_cast<float> (layout.tile.getX());
    const auto f = tileAlpha (i);
    const auto active = i == activeIndex;
    const auto playing = i == playingIndex;

    const auto fill = active ? VarneTTheme::colour (Palette::accent).withAlpha (static_cast<juce::uint8> (0x1f))
                    : (i == hoverIndex && ! dragging) ? VarneTTheme::colour (Palette::hoverFill)
                                                      : VarneTTheme::colour (Palette::fieldBackground);
    g.setColour (fill.withMultipliedAlpha (f));
    g.fillRoundedRectangle (layout.tile.toFloat(), cornerSize);

    const auto outline = active ? VarneTTheme::colour (Palette::accent) : playing ? VarneTTheme::colour (Palette::success).withAlpha (0.8f) : VarneTTheme::colour (Palette::outline);
    g.setColour (outline.withMultipliedAlpha (f));
    g.drawRoundedRectangle (x + 0.5f, 1.5f, 123.0f, hf - 3.0f, cornerSize, active ? 2.0f : 1.0f);

    if (playing)
    {
        const auto progressWidth = juce::jmax (0.0f, 124.0f * progress - 2.0f);
        if (progressWidth > 0.0f)
        {
            g.setColour (VarneTTheme::colour (Palette::success).withAlpha (0.14f * f));
            g.fillRoundedRectangle (x + 1.0f, 2.0f, progressWidth, hf - 4.0f, cornerSize);
        }

        const auto px = juce::jlimit (x + 2.0f, x + 122.0f, x + 124.0f * progress);
        g.setColour (VarneTTheme::colour (Palette::success).withAlpha (0.8f * f));
        g.fillRoundedRectangle (px - 1.0f, 4.0f, 2.0f, juce::jmax (4.0f, hf - 8.0f), 1.0f);
    }

    if (kind != "Pattern")
    {
        g.setColour (VarneTTheme::colour (Palette::captionText).withMultipliedAlpha (f));
        g.setFont (VarneTTheme::themeFont (11.0f, true));
        g.drawFittedText (items[static_cast<size_t> (i)].badge, layout.column, juce::Justification::centred, 1);
    }

    if (h > 18)
    {
        g.setColour (VarneTTheme::colour (Palette::pressedFill).withMultipliedAlpha (f));
        g.fillRect (layout.divider);
    }

    g.setColour ((active ? VarneTTheme::colour (Palette::text) : VarneTTheme::colour (Palette::secondaryText)).withMultipliedAlpha (f));
    g.setFont (VarneTTheme::themeFont (11.5f, true));
    g.drawFittedText (items[static_cast<size_t> (i)].name, layout.name, juce::Justification::centredLeft, 1, 1.0f);
}

void VarneTSequenceStrip::paintDropMarker (juce::Graphics& g)
{
    const auto mx = static_cast<float> (dropMarkerX (dropIndex));
    const auto mh = juce::jmax (4.0f, static_cast<float> (getHeight()) - 6.0f);
    g.setColour (VarneTTheme::colour (Palette::teal).withAlpha (0.95f));
    g.fillRoundedRectangle (mx - 1.5f, 3.0f, 3.0f, mh, 1.5f);
    g.setColour (VarneTTheme::colour (Palette::teal).withAlpha (static_cast<juce::uint8> (0x33)));
    g.fillRoundedRectangle (mx - 5.5f, 3.0f, 11.0f, mh, 3.0f);
}

void VarneTSequenceStrip::paintAddTile (juce::Graphics& g)
{
    const auto h = getHeight();
    const auto hf = static_cast<float> (h);
    const auto ax = static_cast<float> (tilePitch * count());
    const auto hovered = hoverIndex == -2 && canAdd;
    auto fill = VarneTTheme::colour (Palette::fieldBackground);
    if (! canAdd)
        fill = fill.withAlpha (static_cast<juce::uint8> (0x73));
    g.setColour (fill);
    g.fillRoundedRectangle (ax, 1.0f, static_cast<float> (addTileWidth), hf - 2.0f, cornerSize);

    if (hovered)
    {
        g.setColour (VarneTTheme::colour (Palette::teal).withAlpha (static_cast<juce::uint8> (0x1f)));
        g.fillRoundedRectangle (ax + 0.5f, 1.5f, 35.0f, hf - 3.0f, cornerSize);
    }

    g.setColour (VarneTTheme::colour (Palette::teal).withAlpha (hovered ? 0.9f : canAdd ? 0.45f : 0.18f));
    g.drawRoundedRectangle (ax + 0.5f, 1.5f, 35.0f, hf - 3.0f, cornerSize, 1.0f);

    g.setColour (VarneTTheme::colour (Palette::teal).withAlpha (canAdd ? 0.95f : 0.28f));
    g.setFont (VarneTTheme::themeFont (16.0f, true));
    g.drawFittedText ("+", juce::Rectangle<int> (tilePitch * count(), 1, addTileWidth, juce::jmax (0, h - 2)),
                      juce::Justification::centred, 1);
}

void VarneTSequenceStrip::paintDragGhost (juce::Graphics& g)
{
    const auto w = static_cast<float> (getWidth());
    const auto hf = static_cast<float> (getHeight());
    const auto gx = juce::jlimit (0.0f, juce::jmax (0.0f, w - static_cast<float> (tileWidth)), dragX - 62.0f);
    g.setColour (VarneTTheme::colour (Palette::hoverFill).withAlpha (0.92f));
    g.fillRoundedRectangle (gx, 1.0f, static_cast<float> (tileWidth), hf - 2.0f, cornerSize);
    g.setColour (VarneTTheme::colour (Palette::teal));
    g.drawRoundedRectangle (gx + 0.5f, 1.5f, 123.0f, hf - 3.0f, cornerSize, 2.0f);
    g.setColour (VarneTTheme::colour (Palette::text));
    g.setFont (VarneTTheme::themeFont (11.5f, true));
    g.drawFittedText (items[static_cast<size_t> (dragIndex)].name,
                      juce::Rectangle<float> (gx + 8.0f, 4.0f, 108.0f, hf - 8.0f).toNearestInt(),
                      juce::Justification::centred, 1, 0.75f);
}

void VarneTSequenceStrip::fadeDraggedButton()
{
    for (int j = 0; j < repeatButtons.size(); ++j)
        repeatButtons[j]->setAlpha (tileAlpha (j));
}

void VarneTSequenceStrip::updateHover (juce::Point<int> position)
{
    if (dragging)
        return;

    const auto i = tileAt (position);
    if (i == hoverIndex)
        return;

    hoverIndex = i;
    const auto pointing = isTile (i) || (i == -2 && canAdd);
    setMouseCursor (pointing ? juce::MouseCursor::PointingHandCursor : juce::MouseCursor::NormalCursor);
    repaint();
}

void VarneTSequenceStrip::mouseMove (const juce::MouseEvent& e) { updateHover (e.getPosition()); }
void VarneTSequenceStrip::mouseEnter (const juce::MouseEvent& e) { updateHover (e.getPosition()); }

void VarneTSequenceStrip::mouseExit (const juce::MouseEvent&)
{
    if (dragging)
        return;
    hoverIndex = -1;
    repaint();
}

void VarneTSequenceStrip::mouseDown (const juce::MouseEvent& e)
{
    const auto i = tileAt (e.getPosition());
    dragIndex = dropIndex = -1;
    dragging = false;
    fadeDraggedButton();

    if (i == -2)
    {
        if (e.mods.isLeftButtonDown() && canAdd && onAddClicked)
            onAddClicked();
        return;
    }

    if (! isTile (i))
        return;

    if (e.mods.isRightButtonDown())
    {
        if (onItemRightClicked)
            onItemRightClicked (i);
    }
    else if (e.mods.isLeftButtonDown())
    {
        dragIndex = dropIndex = i;
        dragX = e.position.x;
        grabKeyboardFocus();
    }
}

void VarneTSequenceStrip::mouseDrag (const juce::MouseEvent& e)
{
    if (dragIndex < 0 || ! e.mods.isLeftButtonDown())
        return;

    if (! dragging)
    {
        if (e.getDistanceFromDragStart() < dragThreshold)
            return;
        dragging = true;
        fadeDraggedButton();
    }

    dragX = e.position.x;
    dropIndex = dropSlotAt (dragX);
    setMouseCursor (juce::MouseCursor::DraggingHandCursor);
    repaint();
}

void VarneTSequenceStrip::mouseUp (const juce::MouseEvent&)
{
    const auto wasDragging = dragging && dragIndex >= 0;
    const auto from = dragIndex;
    const auto to = dropIndex;
    dragIndex = dropIndex = -1;
    dragging = false;
    fadeDraggedButton();
    setMouseCursor (juce::MouseCursor::PointingHandCursor);

    if (wasDragging)
    {
        if (onItemMoved)
            onItemMoved (from, to);
    }
    else if (isTile (from))
    {
        if (onItemClicked)
            onItemClicked (from);
    }

    repaint();
}

void VarneTSequenceStrip::mouseDoubleClick (const juce::MouseEvent& e)
{
    const auto i = tileAt (e.getPosition());
    dragIndex = dropIndex = -1;
    dragging = false;
    fadeDraggedButton();

    if (e.mods.isLeftButtonDown() && isTile (i) && onItemDoubleClicked)
        onItemDoubleClicked (i);
}
