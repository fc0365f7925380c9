#pragma once

// A display connection of the kit's own through XCB, which reports each request's errors to that
// connection alone: nothing here touches Xlib or its process-wide error handler.

#include <xcb/xcb.h>

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <vector>

namespace tolmek::xcb
{

struct FreeReply
{
    void operator() (void* reply) const noexcept { std::free (reply); }
};

/** A reply or event as XCB hands it over, freed with free(). */
template <typename T>
using Owned = std::unique_ptr<T, FreeReply>;

/** One connection to the default display with a hidden window of its own that hears property
    changes on itself. */
class Connection
{
public:
    Connection();
    ~Connection();

    /** False when there is no display or the connection broke. */
    bool isOpen() const noexcept;

    xcb_connection_t* get() const noexcept { return connection; }
    xcb_window_t getWindow() const noexcept { return window; }
    int getFileDescriptor() const noexcept { return xcb_get_file_descriptor (connection); }

    /** The atoms of the names, in order (0 for one the server would not intern). */
    std::vector<xcb_atom_t> intern (std::initializer_list<const char*> names) const;

    /** Whether two resources were created by the same client: the server gives each client its
        own range of ids. */
    bool sameClient (xcb_window_t a, xcb_window_t b) const noexcept;

    Connection (const Connection&) = delete;
    Connection& operator= (const Connection&) = delete;

private:
    xcb_connection_t* connection = nullptr;
    xcb_window_t window = 0;
};

} // namespace tolmek::xcb
