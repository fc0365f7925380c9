#include "support/gui/GuiTestBench.h"
#include "support/gui/XDisplay.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace testing_support::gui
{

bool pumpUntil (const std::function<bool()>& condition, int timeoutMs)
{
    const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    auto* mm = juce::MessageManager::getInstance();

    while (! condition())
    {
        if (juce::Time::getMillisecondCounter() > deadline)
            return condition();

        XDisplay::wakeJuceWindows();
        mm->runDispatchLoopUntil (5);
    }
    return true;
}

bool flushMessages (int timeoutMs)
{
    auto delivered = std::make_shared<bool> (false);
    juce::MessageManager::callAsync ([delivered] { *delivered = true; });
    return pumpUntil ([delivered] { return *delivered; }, timeoutMs);
}

bool isViewableOnScreen (const juce::Component& component)
{
    auto* peer = component.getPeer();
    auto* display = XDisplay::get();
    if (peer == nullptr || display == nullptr)
        return false;

    XWindowAttributes attributes {};
    const auto window = (::Window) (juce::pointer_sized_uint) peer->getNativeHandle();
    if (XGetWindowAttributes (display, window, &attributes) == 0)
        return false;

    return attributes.map_state == IsViewable;
}

//==============================================================================
DesktopWindow::DesktopWindow (juce::Component& c, juce::Point<int> topLeft) : content (c)
{
    // The window itself takes the keyboard focus, so that no control starts focused; a test that
    // needs a focused control grabs it.
    root.setWantsKeyboardFocus (true);
    root.setOpaque (false);
    root.addAndMakeVisible (content);
    root.setBounds (topLeft.x, topLeft.y, std::max (1, content.getRight()), std::max (1, content.getBottom()));
    root.addToDesktop (0);
    root.setVisible (true);
    root.toFront (true);

    if (! pumpUntil ([this] { return isViewableOnScreen (root); }))
        jassertfalse;

    flushMessages();
}

DesktopWindow::~DesktopWindow()
{
    root.removeChildComponent (&content);
    root.removeFromDesktop();
    flushMessages();
}

juce::Rectangle<int> DesktopWindow::screenBoundsOf (const juce::Component& component)
{
    return component.getScreenBounds();
}

//==============================================================================
namespace input
{
namespace
{
bool runXdotool (const juce::StringArray& arguments)
{
    juce::StringArray command { "xdotool" };
    command.addArray (arguments);

    juce::ChildProcess process;
    if (! process.start (command, 0))
        return false;

    process.waitForProcessToFinish (defaultTimeoutMs);
    const bool ok = process.getExitCode() == 0;

    // X events from the tool reach JUCE through the message loop.
    XDisplay::sync();
    return ok;
}
} // namespace

bool moveTo (juce::Point<int> p)
{
    // No --sync: xdotool then waits 15 s when the pointer already stands there; the wait below
    // covers the move.
    if (! runXdotool ({ "mousemove", juce::String (p.x), juce::String (p.y) }))
        return false;

    return pumpUntil ([p] { return XDisplay::pointerPosition() == p; }) && flushMessages();
}

bool moveToCentreOf (const juce::Component& c) { return moveTo (c.getScreenBounds().getCentre()); }
bool press (int button) { return runXdotool ({ "mousedown", juce::String (button) }) && flushMessages(); }
bool release (int button) { return runXdotool ({ "mouseup", juce::String (button) }) && flushMessages(); }
bool click (int button) { return runXdotool ({ "click", juce::String (button) }) && flushMessages(); }
bool doubleClick (int button) { return runXdotool ({ "click", "--repeat", "2", "--delay", "40", juce::String (button) }) && flushMessages(); }
bool key (const juce::String& keys) { return runXdotool ({ "key", "--clearmodifiers", keys }) && flushMessages(); }
bool type (const juce::String& text) { return runXdotool ({ "type", "--", text }) && flushMessages(); }

void warpMainMouseSource (juce::Point<int> p)
{
    juce::Desktop::getInstance().getMainMouseSource().setScreenPosition (p.toFloat());
    XDisplay::sync();
}
} // namespace input

//==============================================================================
std::vector<MenuEntry> walkMenu (const juce::PopupMenu& menu)
{
    std::vector<MenuEntry> entries;

    for (juce::PopupMenu::MenuItemIterator it (menu, false); it.next();)
    {
        const auto& item = it.getItem();
        MenuEntry entry;
        entry.text = item.text;
        entry.id = item.itemID;
        entry.enabled = item.isEnabled;
        entry.ticked = item.isTicked;
        entry.separator = item.isSeparator;
        entry.sectionHeader = item.isSectionHeader;
        if (item.subMenu != nullptr)
            entry.subMenu = walkMenu (*item.subMenu);
        entries.push_back (std::move (entry));
    }

    return entries;
}

juce::StringArray textsOf (const std::vector<MenuEntry>& entries)
{
    juce::StringArray texts;
    for (const auto& e : entries)
        texts.add (e.text);
    return texts;
}

juce::Image snapshotOf (juce::Component& component, float scale)
{
    return component.createComponentSnapshot (component.getLocalBounds(), true, scale);
}

juce::Image grabScreen (juce::Rectangle<int> area)
{
    auto* display = XDisplay::get();
    if (display == nullptr || area.isEmpty())
        return {};

    XDisplay::sync();
    auto* xImage = XGetImage (display, DefaultRootWindow (display), area.getX(), area.getY(),
                              (unsigned) area.getWidth(), (unsigned) area.getHeight(), AllPlanes, ZPixmap);
    if (xImage == nullptr)
        return {};

    juce::Image image (juce::Image::RGB, area.getWidth(), area.getHeight(), false);
    for (int y = 0; y < area.getHeight(); ++y)
        for (int x = 0; x < area.getWidth(); ++x)
        {
            const auto pixel = XGetPixel (xImage, x, y);
            image.setPixelAt (x, y, juce::Colour ((juce::uint8) ((pixel >> 16) & 0xff),
                                                  (juce::uint8) ((pixel >> 8) & 0xff),
                                                  (juce::uint8) (pixel & 0xff)));
        }

    XDestroyImage (xImage);
    return image;
}

bool writePng (const juce::Image& image, const juce::File& file)
{
    if (! image.isValid() || ! file.getParentDirectory().createDirectory())
        return false;

    juce::TemporaryFile temporary (file);
    {
        juce::FileOutputStream out (temporary.getFile());
        if (! out.openedOk())
            return false;

        juce::PNGImageFormat png;
        if (! png.writeImageToStream (image, out))
            return false;
    }
    return temporary.overwriteTargetFileWithTemporary();
}

int countDifferingPixels (const juce::Image& a, const juce::Image& b)
{
    if (a.getWidth() != b.getWidth() || a.getHeight() != b.getHeight())
        return -1;

    int count = 0;
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (a.getPixelAt (x, y) != b.getPixelAt (x, y))
                ++count;
    return count;
}

} // namespace testing_support::gui
