#pragma once

// Minimal stand-ins for editor pieces that are built beside the editor and have not joined this
// branch yet. Each block disappears as soon as the real header is present.

#include "model/Project.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <vector>

#if __has_include("editor/SequenceStrip.h")
 #include "editor/SequenceStrip.h"
#else
class VarneTSequenceStrip : public juce::Component
{
public:
    struct Item
    {
        juce::String name, subtitle;
        int repeatCount = 1;
        juce::String badge;
    };

    explicit VarneTSequenceStrip (juce::String stripKind) : kind (std::move (stripKind)) { setName (kind + " strip"); }

    std::function<void (int index, int count)> onRepeatCountChanged;
    std::function<void (int index)> onItemClicked;
    std::function<void (int from, int to)> onItemMoved;
    std::function<void (int index)> onItemDoubleClicked;
    std::function<void (int index)> onItemRightClicked;
    std::function<void()> onAddClicked;

    void setItems (std::vector<Item> newItems) { items = std::move (newItems); repaint(); }
    void setActiveIndex (int index) { activeIndex = index; repaint(); }
    void setCanAdd (bool shouldAllowAdding) { canAdd = shouldAllowAdding; }
    void setPlayback (int, float) {}

    juce::String kind;
    std::vector<Item> items;
    int activeIndex = -1;
    bool canAdd = true;
};
#endif

#if __has_include("editor/TimelineCanvas.h")
 #include "editor/TimelineCanvas.h"
#else
class VarneTTimelineCanvas : public juce::Component
{
public:
    std::function<void()> onBeginEdit;
    std::function<void()> onEditCommitted;
    std::function<void()> onSelectionChanged;
    std::function<void (const juce::String&)> onStatusMessage;

    VarneT::Pattern pattern;
    int selectedIndex = -1;

    void setPattern (const VarneT::Pattern& p) { pattern = p; repaint(); }
    void setPitchDisplay (int, int) {}
    void resetInteraction() { selectedIndex = -1; }
};
#endif
