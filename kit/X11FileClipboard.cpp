#include "kit/X11FileClipboard.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace tolmek
{

juce::String fileUriForPath (const juce::String& fullPath)
{
    juce::String uri ("file://");
    const auto* utf8 = fullPath.toRawUTF8();

    for (auto* p = reinterpret_cast<const unsigned char*> (utf8); *p != 0; ++p)
    {
        const auto c = *p;

        if (juce::CharacterFunctions::isLetterOrDigit (static_cast<char> (c)) && c < 0x80)
            uri << static_cast<char> (c);
        else if (c == '/' || c == '-' || c == '.' || c == '_' || c == '~')
            uri << static_cast<char> (c);
        else
            uri << "%" << juce::String::toHexString (static_cast<int> (c)).paddedLeft ('0', 2).toUpperCase();
    }

    return uri;
}

namespace
{
// Errors caused by a requestor that vanished must not reach the host's handler, which may end the
// process.
int ignoreXError (Display*, XErrorEvent*) { return 0; }

class SelectionOwner : public juce::DeletedAtShutdown
{
public:
    ~SelectionOwner() override
    {
        stop();
        clearSingletonInstance();
    }

    FileClipboard::Result publish (const juce::String& path)
    {
        std::lock_guard<std::mutex> lock (mutex);

        if (display == nullptr && ! open())
            return failure ("Opening X display", "no display");

        uriList = (fileUriForPath (path) + "\r\n").toStdString();
        gnomeFiles = ("copy\n" + fileUriForPath (path)).toStdString();
        plainPath = path.toStdString();

        XSetSelectionOwner (display, atoms.clipboard, window, CurrentTime);
        const bool owned = XGetSelectionOwner (display, atoms.clipboard) == window;
        XFlush (display);
        wake();

        if (! owned)
            return failure ("Taking clipboard selection", "another client kept it");

        return { true, x11ClipboardStage, {} };
    }

    void stop()
    {
        std::lock_guard<std::mutex> lock (stopMutex);

        if (server.joinable())
        {
            quit = true;
            wake();
            server.join();
        }

        if (display != nullptr)
        {
            XDestroyWindow (display, window);
            XCloseDisplay (display);
            display = nullptr;
        }

        for (auto& fd : wakePipe)
            if (fd >= 0)
                ::close (std::exchange (fd, -1));

        quit = false;
    }

    JUCE_DECLARE_SINGLETON (SelectionOwner, false)

private:
    struct Atoms
    {
        Atom clipboard, targets, uriList, gnomeFiles, utf8String, atom;
    };

    static FileClipboard::Result failure (const char* step, const char* detail)
    {
        return { false, x11ClipboardStage, juce::String (step) + " failed (X11 " + detail + ")." };
    }

    bool open()
    {
        if (::pipe (wakePipe) != 0)
            return false;

        display = XOpenDisplay (nullptr);

        if (display == nullptr)
        {
            for (auto& fd : wakePipe)
                ::close (std::exchange (fd, -1));

            return false;
        }

        const auto root = DefaultRootWindow (display);
        window = XCreateSimpleWindow (display, root, 0, 0, 1, 1, 0, 0, 0);
        XSelectInput (display, window, PropertyChangeMask);

        atoms.clipboard = XInternAtom (display, "CLIPBOARD", False);
        atoms.targets = XInternAtom (display, "TARGETS", False);
        atoms.uriList = XInternAtom (display, "text/uri-list", False);
        atoms.gnomeFiles = XInternAtom (display, "x-special/gnome-copied-files", False);
        atoms.utf8String = XInternAtom (display, "UTF8_STRING", False);
        atoms.atom = XA_ATOM;

        server = std::thread ([this] { serve(); });
        return true;
    }

    void wake()
    {
        if (wakePipe[1] >= 0)
        {
            const char byte = 1;
            [[maybe_unused]] const auto written = ::write (wakePipe[1], &byte, 1);
        }
    }

    void serve()
    {
        pollfd fds[2] { { ConnectionNumber (display), POLLIN, 0 }, { wakePipe[0], POLLIN, 0 } };

        while (! quit)
        {
            ::poll (fds, 2, -1);

            if ((fds[1].revents & POLLIN) != 0)
            {
                char buffer[64];
                [[maybe_unused]] const auto n = ::read (wakePipe[0], buffer, sizeof (buffer));
            }

            std::lock_guard<std::mutex> lock (mutex);

            while (! quit && XPending (display) > 0)
            {
                XEvent event;
                XNextEvent (display, &event);

                if (event.type == SelectionRequest)
                    answer (event.xselectionrequest);
                else if (event.type == SelectionClear && event.xselectionclear.selection == atoms.clipboard)
                    uriList.clear(), gnomeFiles.clear(), plainPath.clear();
            }
        }
    }

    void answer (const XSelectionRequestEvent& request)
    {
        XEvent reply {};
        reply.xselection.type = SelectionNotify;
        reply.xselection.display = request.display;
        reply.xselection.requestor = request.requestor;
        reply.xselection.selection = request.selection;
        reply.xselection.target = request.target;
        reply.xselection.time = request.time;
        reply.xselection.property = None;

        // Obsolete clients name no property: the target's name serves.
        const auto property = request.property != None ? request.property : request.target;
        const auto* text = request.target == atoms.uriList    ? &uriList
                         : request.target == atoms.gnomeFiles ? &gnomeFiles
                         : request.target == atoms.utf8String ? &plainPath
                                                              : nullptr;

        auto* previousHandler = XSetErrorHandler (ignoreXError);

        if (request.selection == atoms.clipboard && ! plainPath.empty())
        {
            if (request.target == atoms.targets)
            {
                const Atom offered[] { atoms.targets, atoms.uriList, atoms.gnomeFiles, atoms.utf8String };
                XChangeProperty (display, request.requestor, property, atoms.atom, 32, PropModeReplace,
                                 reinterpret_cast<const unsigned char*> (offered), 4);
                reply.xselection.property = property;
            }
            else if (text != nullptr)
            {
                XChangeProperty (display, request.requestor, property, request.target, 8, PropModeReplace,
                                 reinterpret_cast<const unsigned char*> (text->data()), static_cast<int> (text->size()));
                reply.xselection.property = property;
            }
        }

        XSendEvent (display, request.requestor, False, NoEventMask, &reply);
        XSync (display, False);
        XSetErrorHandler (previousHandler);
    }

    std::mutex mutex, stopMutex;
    Display* display = nullptr;
    Window window = 0;
    Atoms atoms {};
    int wakePipe[2] { -1, -1 };
    std::thread server;
    std::atomic<bool> quit { false };
    std::string uriList, gnomeFiles, plainPath;
};

JUCE_IMPLEMENT_SINGLETON (SelectionOwner)
} // namespace

FileClipboard::Result publishFileOnX11Clipboard (const juce::File& file)
{
    return SelectionOwner::getInstance()->publish (file.getFullPathName());
}

void shutdownX11FileClipboard()
{
    SelectionOwner::deleteInstance();
}

} // namespace tolmek
