#include "support/gui/XDisplay.h"

#include <X11/Xlib.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace testing_support::gui::XDisplay
{
namespace
{
Display* connection = nullptr;
std::atomic<int> errors { 0 };

int logAndIgnore (Display* display, XErrorEvent* event)
{
    char text[256] {};
    XGetErrorText (display, event->error_code, text, (int) sizeof (text));
    std::fprintf (stderr, "X error ignored: %s (request %d.%d)\n", text, (int) event->request_code, (int) event->minor_code);
    ++errors;
    return 0;
}

int logIoError (Display*)
{
    std::fprintf (stderr, "X connection lost\n");
    std::_Exit (1);
}
} // namespace

Display* get() { return connection; }
int errorCount() { return errors.load(); }

void sync()
{
    if (connection != nullptr)
        XSync (connection, False);
}

juce::Point<int> pointerPosition()
{
    if (connection == nullptr)
        return {};

    ::Window rootReturn = 0, childReturn = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned int mask = 0;
    XQueryPointer (connection, DefaultRootWindow (connection), &rootReturn, &childReturn, &rootX, &rootY, &winX, &winY, &mask);
    return { rootX, rootY };
}

void wakeJuceWindows()
{
    if (connection == nullptr)
        return;

    static const Atom wake = XInternAtom (connection, "VARNET_TEST_WAKE", False);

    for (int i = 0; i < juce::ComponentPeer::getNumPeers(); ++i)
    {
        if (auto* peer = juce::ComponentPeer::getPeer (i))
        {
            XEvent event {};
            event.xclient.type = ClientMessage;
            event.xclient.window = (::Window) (juce::pointer_sized_uint) peer->getNativeHandle();
            event.xclient.message_type = wake;
            event.xclient.format = 32;
            XSendEvent (connection, event.xclient.window, False, NoEventMask, &event);
        }
    }
    XFlush (connection);
}

bool open()
{
    if (connection != nullptr)
        return true;

    if (std::getenv ("DISPLAY") == nullptr)
        return false;

    XInitThreads();
    connection = XOpenDisplay (nullptr);
    if (connection == nullptr)
        return false;

    XSetErrorHandler (logAndIgnore);
    XSetIOErrorHandler (logIoError);

    static const char* const atomNames[] {
        "WM_PROTOCOLS", "WM_DELETE_WINDOW", "WM_TAKE_FOCUS", "WM_STATE", "WM_CHANGE_STATE",
        "_NET_WM_PING", "_NET_WM_STATE", "_NET_WM_STATE_ABOVE", "_NET_WM_STATE_HIDDEN",
        "_NET_WM_STATE_FULLSCREEN", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_WINDOW_TYPE",
        "_NET_WM_WINDOW_TYPE_NORMAL", "_NET_WM_WINDOW_TYPE_DIALOG", "_NET_WM_WINDOW_TYPE_COMBO",
        "_NET_WM_WINDOW_TYPE_POPUP_MENU", "_NET_WM_WINDOW_TYPE_TOOLTIP", "_NET_WM_PID", "_NET_WM_ICON",
        "_NET_WM_NAME", "_NET_FRAME_EXTENTS", "_NET_ACTIVE_WINDOW", "_NET_SUPPORTED", "_MOTIF_WM_HINTS",
        "UTF8_STRING", "CLIPBOARD", "TARGETS", "XdndAware", "XdndEnter", "XdndLeave", "XdndPosition",
        "XdndStatus", "XdndDrop", "XdndFinished", "XdndSelection", "XdndTypeList", "XdndActionList",
        "XdndActionCopy", "XdndActionPrivate", "XdndActionDescription", "JUCEWindowProperty" };

    for (auto* name : atomNames)
        XInternAtom (connection, name, False);

    XSync (connection, False);
    return true;
}
} // namespace testing_support::gui::XDisplay
