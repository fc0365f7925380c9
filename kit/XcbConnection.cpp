#include "kit/XcbConnection.h"

#include <cstring>

namespace tolmek::xcb
{

Connection::Connection()
{
    int screenNumber = 0;
    connection = xcb_connect (nullptr, &screenNumber);

    if (xcb_connection_has_error (connection) != 0)
        return;

    auto screens = xcb_setup_roots_iterator (xcb_get_setup (connection));

    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next (&screens);

    if (screens.rem <= 0)
        return;

    const auto* screen = screens.data;
    window = xcb_generate_id (connection);
    const std::uint32_t events[] { XCB_EVENT_MASK_PROPERTY_CHANGE };
    xcb_create_window (connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                       XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK, events);
    xcb_flush (connection);
}

Connection::~Connection()
{
    if (window != 0 && isOpen())
    {
        xcb_destroy_window (connection, window);
        xcb_flush (connection);
    }

    xcb_disconnect (connection);
}

bool Connection::isOpen() const noexcept
{
    return window != 0 && xcb_connection_has_error (connection) == 0;
}

std::vector<xcb_atom_t> Connection::intern (std::initializer_list<const char*> names) const
{
    // All requests first, then the replies: one round trip.
    std::vector<xcb_intern_atom_cookie_t> cookies;

    for (const auto* name : names)
        cookies.push_back (xcb_intern_atom (connection, 0, (std::uint16_t) std::strlen (name), name));

    std::vector<xcb_atom_t> atoms;

    for (const auto cookie : cookies)
    {
        const Owned<xcb_intern_atom_reply_t> reply { xcb_intern_atom_reply (connection, cookie, nullptr) };
        atoms.push_back (reply != nullptr ? reply->atom : (xcb_atom_t) XCB_ATOM_NONE);
    }

    return atoms;
}

bool Connection::sameClient (xcb_window_t a, xcb_window_t b) const noexcept
{
    const auto mask = xcb_get_setup (connection)->resource_id_mask;
    return (a & ~mask) == (b & ~mask);
}

} // namespace tolmek::xcb
