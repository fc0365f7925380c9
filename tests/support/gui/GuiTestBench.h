#pragma once

// Shared bench for editor tests: real components on the real (Xvfb) display, the message loop
// pumped until a condition holds, real pointer and key input, menus walked as data, PNG output.

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <vector>

namespace testing_support::gui
{

/** Upper bound for every wait: generous, because the machine may be loaded. */
constexpr int defaultTimeoutMs = 20000;

/** Pumps the message loop until the condition holds; false when the time ran out. */
bool pumpUntil (const std::function<bool()>& condition, int timeoutMs = defaultTimeoutMs);

/** Pumps until every message posted before the call has been delivered. */
bool flushMessages (int timeoutMs = defaultTimeoutMs);

/** True once the component's native window is mapped and viewable on the X screen. */
bool isViewableOnScreen (const juce::Component& component);

/** Puts a component in a borderless top-level window on the desktop and waits until it is shown.
    The component stays owned by the caller; the window is removed on destruction. */
class DesktopWindow
{
public:
    explicit DesktopWindow (juce::Component& content, juce::Point<int> topLeft = { 40, 40 });
    ~DesktopWindow();

    juce::Component& window() noexcept { return root; }

    /** Screen rectangle of any component inside the window. */
    static juce::Rectangle<int> screenBoundsOf (const juce::Component&);

private:
    juce::Component root;
    juce::Component& content;
};

/** Real input through the X server (xdotool), so JUCE sees genuine X events. */
namespace input
{
bool moveTo (juce::Point<int> screenPosition);
bool moveToCentreOf (const juce::Component&);
bool press (int button = 1);
bool release (int button = 1);
bool click (int button = 1);
bool doubleClick (int button = 1);
/** A key in xdotool's syntax, e.g. "ctrl+z", "Delete", "Return". */
bool key (const juce::String& keys);
bool type (const juce::String& text);
/** Moves JUCE's main mouse source on screen (warps the X pointer). */
void warpMainMouseSource (juce::Point<int> screenPosition);
} // namespace input

/** The first component below root (itself included) of type T that satisfies the predicate. */
template <typename T>
T* findIn (juce::Component& root, const std::function<bool (T&)>& predicate = [] (T&) { return true; })
{
    if (auto* c = dynamic_cast<T*> (&root); c != nullptr && predicate (*c))
        return c;
    for (auto* child : root.getChildren())
        if (auto* found = findIn<T> (*child, predicate))
            return found;
    return nullptr;
}

/** One item of a popup menu as data. */
struct MenuEntry
{
    juce::String text;
    int id = 0;
    bool enabled = false;
    bool ticked = false;
    bool separator = false;
    bool sectionHeader = false;
    std::vector<MenuEntry> subMenu;
};

std::vector<MenuEntry> walkMenu (const juce::PopupMenu&);

/** The item texts of a walked menu level, in order (separators as empty texts). */
juce::StringArray textsOf (const std::vector<MenuEntry>&);

/** A component rendered off screen through its look-and-feel (same pixels as on screen). */
juce::Image snapshotOf (juce::Component&, float scale = 1.0f);

/** Pixels read back from the X screen itself. */
juce::Image grabScreen (juce::Rectangle<int> screenArea);

/** Writes a PNG through a temporary sibling file; false on failure. */
bool writePng (const juce::Image&, const juce::File&);

/** Number of pixels whose colours differ between two images of equal size (-1 if sizes differ). */
int countDifferingPixels (const juce::Image&, const juce::Image&);

} // namespace testing_support::gui
