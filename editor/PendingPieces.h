#pragma once

// Minimal stand-ins for editor pieces that are built beside the editor and have not joined this
// branch yet. Each block disappears as soon as the real header is present.

#include "model/Project.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <vector>

#if __has_include("editor/VarneTTheme.h")
 #include "editor/VarneTTheme.h"
#else
namespace VarneTTheme
{
struct Palette
{
    static constexpr juce::uint32 panelBackground = 0xff1e1e2e;
    static constexpr juce::uint32 contentBackground = 0xff181926;
    static constexpr juce::uint32 cardBackground = 0xff24273a;
    static constexpr juce::uint32 fieldBackground = 0xff313244;
    static constexpr juce::uint32 hoverFill = 0xff45475a;
    static constexpr juce::uint32 divider = 0xff494d64;
    static constexpr juce::uint32 pressedFill = 0xff585b70;
    static constexpr juce::uint32 outline = 0xff7f849c;
    static constexpr juce::uint32 captionText = 0xffa6adc8;
    static constexpr juce::uint32 secondaryText = 0xffbac2de;
    static constexpr juce::uint32 text = 0xffcdd6f4;
    static constexpr juce::uint32 focus = 0xffb4befe;
    static constexpr juce::uint32 accent = 0xffcba6f7;
    static constexpr juce::uint32 teal = 0xff94e2d5;
    static constexpr juce::uint32 orange = 0xfffab387;
};

inline juce::Colour colour (juce::uint32 argb) { return juce::Colour (argb); }
inline juce::Font themeFont (float height, bool bold = false) { return juce::Font (height, bold ? juce::Font::bold : juce::Font::plain); }

namespace Roles
{
inline const juce::Identifier bufferAction { "bufferAction" };
inline const juce::Identifier primary { "primary" };
inline const juce::Identifier updateAvailable { "updateAvailable" };
inline const juce::Identifier danger { "danger" };
inline const juce::Identifier quiet { "quiet" };
inline const juce::Identifier modeSelector { "modeSelector" };
inline const juce::Identifier sourceSelector { "sourceSelector" };
inline const juce::Identifier pitchSelector { "pitchSelector" };
inline const juce::Identifier musicalSelector { "musicalSelector" };
inline const juce::Identifier instanceName { "instanceName" };
inline const juce::Identifier visualKind { "visualKind" };
inline const juce::Identifier discreteKnob { "discreteKnob" };
} // namespace Roles

using LookAndFeel = juce::LookAndFeel_V4;
} // namespace VarneTTheme
#endif

#if __has_include("kit/PopupMenuPlacement.h")
 #include "kit/PopupMenuPlacement.h"
#else
namespace tolmek
{
struct PopupMenuPlacement
{
    class Host : public juce::Component
    {
    public:
        Host()
        {
            setInterceptsMouseClicks (false, true);
            setAlwaysOnTop (true);
        }
    };
};
} // namespace tolmek
#endif

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
