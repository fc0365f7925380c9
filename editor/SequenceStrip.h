#pragma once

// The row of Section or Pattern tiles. The editor exposes it as its nested
// `VarneTAudioProcessorEditor::SequenceStrip` (`using SequenceStrip = VarneTSequenceStrip;`), so the
// strip is defined here without the editor's class and speaks to it only through its callbacks.

#include "editor/RepeatCountButton.h"
#include "editor/VarneTTheme.h"

#include <functional>
#include <vector>

class VarneTSequenceStrip : public juce::Component, public juce::TooltipClient
{
public:
    struct Item
    {
        juce::String name;
        juce::String subtitle;
        int repeatCount = 1;
        juce::String badge;
    };

    // Geometry, in strip pixels: tiles 124 wide at a pitch of 128, the add tile after the last.
    static constexpr int tilePitch = 128;
    static constexpr int tileWidth = 124;
    static constexpr int addTileWidth = 36;
    static constexpr int nameInset = 7;
    static constexpr int nameWidth = 87;
    static constexpr int dividerOffset = 98;
    static constexpr int columnOffset = 99;
    static constexpr int columnWidth = 24;
    static constexpr int repeatButtonSize = 24;
    static constexpr int dragThreshold = 5;
    static constexpr int dropHalf = 62;   // the left half of a tile and the gap before it
    static constexpr float draggedTileAlpha = 0.28f;

    /** Where a tile and its parts lie for a strip of height h. */
    struct TileLayout
    {
        juce::Rectangle<int> tile, name, column, repeatButton, divider;
    };
    static TileLayout layoutTile (int index, int height) noexcept;

    explicit VarneTSequenceStrip (const juce::String& kind);
    ~VarneTSequenceStrip() override;

    std::function<void (int index, int count)> onRepeatCountChanged;
    std::function<void (int index)> onItemClicked;
    std::function<void (int from, int to)> onItemMoved;
    std::function<void (int index)> onItemDoubleClicked;
    std::function<void (int index)> onItemRightClicked;
    std::function<void()> onAddClicked;

    void setItems (std::vector<Item> newItems);
    void setActiveIndex (int index);
    void setCanAdd (bool shouldAllowAdding);
    void setPlayback (int index, float newProgress);

    juce::Rectangle<int> getTileBounds (int index) const;
    int tileAt (juce::Point<int> position) const;

    /** x of the drop marker's centre for a drop slot; the slot after the last tile sits at its right edge. */
    int dropMarkerX (int slot) const noexcept;
    /** The insertion slot for a pointer at x: the first tile whose left half is right of x, else the count. */
    int dropSlotAt (float x) const noexcept;

    const juce::String& getKind() const noexcept { return kind; }
    const std::vector<Item>& getItems() const noexcept { return items; }
    int getActiveIndex() const noexcept { return activeIndex; }
    int getPlayingIndex() const noexcept { return playingIndex; }
    int getHoverIndex() const noexcept { return hoverIndex; }
    int getDropIndex() const noexcept { return dropIndex; }
    bool isDragging() const noexcept { return dragging; }
    bool getCanAdd() const noexcept { return canAdd; }
    float getProgress() const noexcept { return progress; }
    RepeatCountButton* getRepeatButton (int index) const { return repeatButtons[index]; }
    int getNumRepeatButtons() const noexcept { return repeatButtons.size(); }

    juce::String getTooltip() override;
    void paint (juce::Graphics&) override;
    void paintOverChildren (juce::Graphics&) override;
    void resized() override;
    void mouseMove (const juce::MouseEvent&) override;
    void mouseEnter (const juce::MouseEvent&) override;
    void mouseExit (const juce::MouseEvent&) override;
    void mouseDown (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    void mouseDoubleClick (const juce::MouseEvent&) override;

private:
    int count() const noexcept { return static_cast<int> (items.size()); }
    bool isTile (int index) const noexcept { return index >= 0 && index < count(); }
    void updateHover (juce::Point<int> position);
    juce::Rectangle<int> playbackArea (int index) const;
    /** Every colour of a tile, and its repeat button, is this much opaque: faded while it is dragged. */
    float tileAlpha (int index) const noexcept;
    void fadeDraggedButton();
    void paintTile (juce::Graphics&, int index);
    void paintDropMarker (juce::Graphics&);
    void paintAddTile (juce::Graphics&);
    void paintDragGhost (juce::Graphics&);

    juce::String kind;
    std::vector<Item> items;
    juce::OwnedArray<RepeatCountButton> repeatButtons;
    int activeIndex = -1;
    int playingIndex = -1;
    int hoverIndex = -1;
    int dragIndex = -1;
    int dropIndex = -1;
    bool dragging = false;
    bool canAdd = true;
    float dragX = 0.0f;
    float progress = 0.0f;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VarneTSequenceStrip)
};
