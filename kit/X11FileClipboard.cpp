#include "kit/X11FileClipboard.h"

#include "kit/XcbConnection.h"

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <memory>
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
        if (isBroken())
            stop();

        std::lock_guard<std::mutex> lock (mutex);

        if (connection == nullptr && ! open())
            return failure ("Opening X display", "no display");

        uriList = (fileUriForPath (path) + "\r\n").toStdString();
        gnomeFiles = ("copy\n" + fileUriForPath (path)).toStdString();
        plainPath = path.toStdString();

        auto* c = connection->get();
        const auto window = connection->getWindow();
        xcb_set_selection_owner (c, window, atoms.clipboard, XCB_CURRENT_TIME);
        const xcb::Owned<xcb_get_selection_owner_reply_t> owner {
            xcb_get_selection_owner_reply (c, xcb_get_selection_owner (c, atoms.clipboard), nullptr)
        };
        const bool owned = owner != nullptr && owner->owner == window;

        // Waiting for that reply may have queued requests that the server thread has not seen.
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

        connection.reset();

        for (auto& fd : wakePipe)
            if (fd >= 0)
                ::close (std::exchange (fd, -1));

        quit = false;
    }

    JUCE_DECLARE_SINGLETON (SelectionOwner, false)

private:
    struct Atoms
    {
        xcb_atom_t clipboard, targets, uriList, gnomeFiles, utf8String;
    };

    bool isBroken()
    {
        std::lock_guard<std::mutex> lock (mutex);
        return connection != nullptr && ! connection->isOpen();
    }

    static FileClipboard::Result failure (const char* step, const char* detail)
    {
        return { false, x11ClipboardStage, juce::String (step) + " failed (X11 " + detail + ")." };
    }

    bool open()
    {
        auto opened = std::make_unique<xcb::Connection>();

        if (! opened->isOpen() || ::pipe (wakePipe) != 0)
            return false;

        const auto interned = opened->intern ({ "CLIPBOARD", "TARGETS", "text/uri-list", "x-special/gnome-copied-files", "UTF8_STRING" });
        atoms = { interned[0], interned[1], interned[2], interned[3], interned[4] };
        connection = std::move (opened);
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
        pollfd fds[2] { { connection->getFileDescriptor(), POLLIN, 0 }, { wakePipe[0], POLLIN, 0 } };

        while (! quit)
        {
            ::poll (fds, 2, -1);

            if ((fds[1].revents & POLLIN) != 0)
            {
                char buffer[64];
                [[maybe_unused]] const auto n = ::read (wakePipe[0], buffer, sizeof (buffer));
            }

            std::lock_guard<std::mutex> lock (mutex);

            while (! quit)
            {
                const xcb::Owned<xcb_generic_event_t> event { xcb_poll_for_event (connection->get()) };

                if (event == nullptr)
                    break;

                // An error (type 0) comes from a requestor that vanished before its answer: the
                // connection reports it here and nowhere else, so there is nothing to do.
                const auto type = event->response_type & 0x7f;

                if (type == XCB_SELECTION_REQUEST)
                    answer (*reinterpret_cast<const xcb_selection_request_event_t*> (event.get()));
                else if (type == XCB_SELECTION_CLEAR
                         && reinterpret_cast<const xcb_selection_clear_event_t*> (event.get())->selection == atoms.clipboard)
                    uriList.clear(), gnomeFiles.clear(), plainPath.clear();
            }

            // A lost connection cannot serve anyone; the next copy opens a new one.
            if (xcb_connection_has_error (connection->get()) != 0)
                break;
        }
    }

    void answer (const xcb_selection_request_event_t& request)
    {
        auto* c = connection->get();

        // Obsolete clients name no property: the target's name serves.
        const auto property = request.property != XCB_ATOM_NONE ? request.property : request.target;
        const auto* text = request.target == atoms.uriList    ? &uriList
                         : request.target == atoms.gnomeFiles ? &gnomeFiles
                         : request.target == atoms.utf8String ? &plainPath
                                                              : nullptr;
        auto answered = (xcb_atom_t) XCB_ATOM_NONE;

        if (request.selection == atoms.clipboard && ! plainPath.empty())
        {
            if (request.target == atoms.targets)
            {
                const xcb_atom_t offered[] { atoms.targets, atoms.uriList, atoms.gnomeFiles, atoms.utf8String };
                xcb_change_property (c, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM, 32, 4, offered);
                answered = property;
            }
            else if (text != nullptr)
            {
                xcb_change_property (c, XCB_PROP_MODE_REPLACE, request.requestor, property, request.target, 8,
                                     (std::uint32_t) text->size(), text->data());
                answered = property;
            }
        }

        xcb_selection_notify_event_t reply {};
        reply.response_type = XCB_SELECTION_NOTIFY;
        reply.time = request.time;
        reply.requestor = request.requestor;
        reply.selection = request.selection;
        reply.target = request.target;
        reply.property = answered;

        // SendEvent always carries 32 bytes.
        char event[32] {};
        static_assert (sizeof (reply) <= sizeof (event));
        std::memcpy (event, &reply, sizeof (reply));
        xcb_send_event (c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, event);
        xcb_flush (c);
    }

    std::mutex mutex, stopMutex;
    std::unique_ptr<xcb::Connection> connection;
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
