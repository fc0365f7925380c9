#include "kit/X11TextClipboard.h"

#if JUCE_LINUX
 #include "kit/XcbConnection.h"

 #include <poll.h>

 #include <chrono>
 #include <functional>
 #include <string>
#endif

namespace tolmek
{
#if JUCE_LINUX
namespace
{
using Clock = std::chrono::steady_clock;

/** One read of the CLIPBOARD selection into a property of the connection's own window. */
class SelectionReader
{
public:
    explicit SelectionReader (int timeoutMs) : timeout (std::chrono::milliseconds (juce::jmax (0, timeoutMs))) {}

    std::optional<juce::String> read()
    {
        if (! connection.isOpen())
            return {};

        const auto interned = connection.intern ({ "CLIPBOARD", "UTF8_STRING", "INCR", "TOLMEK_CLIPBOARD_TEXT" });
        clipboard = interned[0];
        incr = interned[2];
        property = interned[3];

        if (! ownerCanAnswer())
            return {};

        for (const auto target : { interned[1], (xcb_atom_t) XCB_ATOM_STRING })
        {
            switch (convert (target))
            {
                case Outcome::received: return decode();
                case Outcome::refused:  continue;
                case Outcome::failed:   return {};
            }
        }

        return {};
    }

private:
    enum class Outcome { received, refused, failed };

    /** False without an owner, or when a window of this process's JUCE owns the selection: JUCE
        answers only from the message thread, which this read is holding up. */
    bool ownerCanAnswer() const
    {
        auto* c = connection.get();
        const xcb::Owned<xcb_get_selection_owner_reply_t> reply {
            xcb_get_selection_owner_reply (c, xcb_get_selection_owner (c, clipboard), nullptr)
        };

        if (reply == nullptr || reply->owner == XCB_WINDOW_NONE)
            return false;

        for (int i = 0; i < juce::ComponentPeer::getNumPeers(); ++i)
            if (auto* peer = juce::ComponentPeer::getPeer (i))
                if (connection.sameClient ((xcb_window_t) (juce::pointer_sized_uint) peer->getNativeHandle(), reply->owner))
                    return false;

        return true;
    }

    Outcome convert (xcb_atom_t target)
    {
        auto* c = connection.get();
        const auto window = connection.getWindow();
        xcb_convert_selection (c, window, clipboard, target, property, XCB_CURRENT_TIME);
        xcb_flush (c);

        const auto notify = waitFor ([window] (const xcb_generic_event_t& e)
        {
            return (e.response_type & 0x7f) == XCB_SELECTION_NOTIFY
                && reinterpret_cast<const xcb_selection_notify_event_t&> (e).requestor == window;
        });

        if (notify == nullptr)
            return Outcome::failed;

        if (reinterpret_cast<const xcb_selection_notify_event_t&> (*notify).property == XCB_ATOM_NONE)
            return Outcome::refused;

        // Reading deletes the property, which also asks an INCR owner for its first part.
        auto reply = takeProperty();

        if (reply == nullptr)
            return Outcome::failed;

        textType = reply->type;

        if (reply->type != incr)
        {
            append (*reply);
            return Outcome::received;
        }

        textType = XCB_ATOM_NONE;

        for (;;)
        {
            const auto part = waitFor ([window, this] (const xcb_generic_event_t& e)
            {
                if ((e.response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                    return false;

                const auto& change = reinterpret_cast<const xcb_property_notify_event_t&> (e);
                return change.window == window && change.atom == property && change.state == XCB_PROPERTY_NEW_VALUE;
            });

            if (part == nullptr || (reply = takeProperty()) == nullptr)
                return Outcome::failed;

            // An empty part ends the transfer.
            if (xcb_get_property_value_length (reply.get()) == 0)
                return Outcome::received;

            textType = reply->type;
            append (*reply);
        }
    }

    xcb::Owned<xcb_get_property_reply_t> takeProperty()
    {
        auto* c = connection.get();
        return xcb::Owned<xcb_get_property_reply_t> {
            xcb_get_property_reply (c, xcb_get_property (c, 1, connection.getWindow(), property, XCB_GET_PROPERTY_TYPE_ANY,
                                                         0, 0x3fffffff),
                                    nullptr)
        };
    }

    void append (xcb_get_property_reply_t& reply)
    {
        const auto length = xcb_get_property_value_length (&reply);
        bytes.append (static_cast<const char*> (xcb_get_property_value (&reply)), (size_t) juce::jmax (0, length));
    }

    juce::String decode() const
    {
        if (textType != XCB_ATOM_STRING)
            return juce::String::fromUTF8 (bytes.data(), (int) bytes.size());

        // STRING is Latin-1: each byte is its code point.
        std::string utf8;
        utf8.reserve (bytes.size() * 2);

        for (const auto byte : bytes)
        {
            const auto c = (unsigned char) byte;

            if (c < 0x80)
                utf8 += (char) c;
            else
                utf8 += (char) (0xc0 | (c >> 6)), utf8 += (char) (0x80 | (c & 0x3f));
        }

        return juce::String::fromUTF8 (utf8.data(), (int) utf8.size());
    }

    /** The first event that matches, or nothing once the owner has been silent for the timeout. */
    xcb::Owned<xcb_generic_event_t> waitFor (const std::function<bool (const xcb_generic_event_t&)>& matches)
    {
        auto* c = connection.get();
        const auto deadline = Clock::now() + timeout;

        for (;;)
        {
            while (auto* raw = xcb_poll_for_event (c))
            {
                xcb::Owned<xcb_generic_event_t> event { raw };

                if (matches (*event))
                    return event;
            }

            const auto left = std::chrono::duration_cast<std::chrono::milliseconds> (deadline - Clock::now()).count();

            if (xcb_connection_has_error (c) != 0 || left <= 0)
                return {};

            pollfd readable { connection.getFileDescriptor(), POLLIN, 0 };
            ::poll (&readable, 1, (int) left);
        }
    }

    xcb::Connection connection;
    Clock::duration timeout;
    xcb_atom_t clipboard = XCB_ATOM_NONE, incr = XCB_ATOM_NONE, property = XCB_ATOM_NONE, textType = XCB_ATOM_NONE;
    std::string bytes;
};
} // namespace
#endif

std::optional<juce::String> readX11ClipboardText (int timeoutMs)
{
#if JUCE_LINUX
    return SelectionReader (timeoutMs).read();
#else
    juce::ignoreUnused (timeoutMs);
    return {};
#endif
}

juce::String readClipboardText()
{
    if (const auto text = readX11ClipboardText(); text.has_value() && text->isNotEmpty())
        return *text;

    return juce::SystemClipboard::getTextFromClipboard();
}

} // namespace tolmek
