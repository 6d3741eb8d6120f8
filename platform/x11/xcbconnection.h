// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <signal.h>
#include <xcb/res.h>
#include <xcb/xcb.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace pelorus::platform::x11 {

struct FreeDeleter {
    void operator()(void* pointer) const noexcept { std::free(pointer); }
};
/// Every reply is owned; a null one means the window (or the server) has gone.
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

/// How long the server may take to answer one request before it counts as hung. A local
/// server answers a round trip in well under a millisecond, and a loaded one in tens of
/// milliseconds; what holds it for seconds is a suspended or hung server, or a client that
/// keeps the server grabbed. Five seconds is far beyond what a busy server takes, short
/// enough for the viewer not to seem dead, and the bound on connecting (kXConnectLimit)
/// too: a walk on a server that has stopped waits for one reply and at most one connection.
inline constexpr std::chrono::seconds kXReplyLimit{5};

/// The most request bytes a call sends before it reads their replies. xcb blocks without
/// any limit in a write that does not fit into the socket's send buffer, and a server that
/// has stopped reading never empties it. A call sends its next batch only once the server
/// has answered the last one (so it has read everything before it), and one batch fits
/// into the empty buffer many times over (Connection::open makes sure of kSendBuffer),
/// so no write waits for a server that has stopped.
inline constexpr std::size_t kRequestBatchBytes = 32 * 1024;
inline constexpr int kSendBuffer = 4 * static_cast<int>(kRequestBatchBytes);

/// How many windows one batch asks about when each costs `bytes` of requests.
constexpr std::size_t batchOf(std::size_t bytes) {
    return kRequestBatchBytes / bytes;
}

/// The atoms the window system uses, interned once per connection.
enum Atom : std::size_t {
    WmState,
    NetWmName,
    Utf8String,
    NetWmPid,
    NetWmState,
    NetWmStateHidden,
    NetWmStateMaximizedVert,
    NetWmStateMaximizedHorz,
    NetActiveWindow,
    NetSupportingWmCheck,
    NetMoveResizeWindow,
    NetFrameExtents,
    AtomCount
};

/// The bytes of an 8-bit property; empty for anything else or no reply.
std::string_view propertyBytes(const xcb_get_property_reply_t* reply);
/// Whether the window has the property at all.
bool hasProperty(const xcb_get_property_reply_t* reply);
/// The first 32-bit item of a property of `type`, or 0.
std::uint32_t firstCardinal(const xcb_get_property_reply_t* reply, xcb_atom_t type);

/// One xcb connection to the X server: the root window of its screen, its atoms, whether
/// the X-Resource extension names client PIDs, and the replies of its requests, each awaited
/// for kXReplyLimit at most. A server that lets that pass, or has gone, breaks the connection
/// (broken()): every reply then comes back null at once. Past the action's deadline
/// (setActionDeadline) it is overdue(): replies come back null at once, but it is not broken.
/// Requests are unchecked: their errors land in the event queue, which CallScope empties.
class Connection {
public:
    using Clock = std::chrono::steady_clock;

    /// A new connection with its atoms and extension, or null when there is no server or
    /// it did not answer before `deadline`.
    static std::unique_ptr<Connection> open(const std::string& displayName,
                                            std::optional<Clock::time_point> deadline = {});
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    xcb_connection_t* xcb() const { return m_xcb; }
    xcb_window_t root() const { return m_root; }
    /// The server has gone or let a reply wait for longer than kXReplyLimit.
    bool broken() const { return m_stalled || xcb_connection_has_error(m_xcb) != 0; }
    /// Past the deadline of the action that runs (see setActionDeadline).
    bool overdue() const { return m_actionDeadline && Clock::now() >= *m_actionDeadline; }
    /// Neither broken nor overdue: worth sending more requests.
    bool usable() const { return !broken() && !overdue(); }
    /// Bounds every wait from now on by `deadline` as well (nullopt: kXReplyLimit alone).
    void setActionDeadline(std::optional<Clock::time_point> deadline) const {
        m_actionDeadline = deadline;
    }
    /// X-Resource 1.2 or later: client ids with PIDs.
    bool knowsClientPids() const { return m_clientPids; }
    /// Whether the PIDs X-Resource names are this process's own kind: the server names
    /// this connection's client by getpid(). Not so when the viewer runs in another PID
    /// namespace than the server (a container), where the server names it by another
    /// number, or reaches the server over the network, where it names it by none. True
    /// where X-Resource names no PIDs at all.
    bool pidsAreOurs() const { return m_pidsAreOurs; }
    /// Whether the server names this connection's client by another PID than getpid(): it
    /// counts processes in another PID namespace, and no PID it knows, nor any a client
    /// claims for itself, can be matched to the viewer's processes. A viewer the server
    /// cannot name at all (over the network) still believes the claims of clients on its
    /// own host, as for any client over TCP.
    bool pidsForeign() const { return m_pidsForeign; }
    xcb_atom_t atom(Atom which) const { return m_atoms[which]; }
    /// Whether two resource ids belong to one client (their client bits agree).
    bool sameClient(xcb_window_t first, xcb_window_t second) const {
        return (first & ~m_idMask) == (second & ~m_idMask);
    }

    /// One round trip: false when the server has gone quietly.
    bool answers() const;
    /// Takes the waiting events (the errors of unchecked requests); returns their number.
    std::size_t discardEvents() const;
    /// The round trips so far: the waits for a reply that began by sending requests (the
    /// replies to the requests sent together come back within the same trip). For the
    /// tests and the benchmarks.
    std::size_t roundTrips() const { return m_roundTrips; }

    xcb_get_property_cookie_t askProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                                          std::uint32_t units) const {
        return xcb_get_property_unchecked(m_xcb, 0, window, property, type, 0, units);
    }
    xcb_get_property_cookie_t askProperty(xcb_window_t window, Atom which, xcb_atom_t type,
                                          std::uint32_t units) const {
        return askProperty(window, m_atoms[which], type, units);
    }

    /// The reply to the request of `cookie` (its xcb reply type T), waited for within
    /// kXReplyLimit; null for an error, a server gone or stalled.
    template <typename T, typename Cookie>
    Reply<T> await(Cookie cookie) const {
        return Reply<T>(static_cast<T*>(awaitReply(cookie.sequence)));
    }
    Reply<xcb_get_property_reply_t> property(xcb_get_property_cookie_t cookie) const {
        return await<xcb_get_property_reply_t>(cookie);
    }
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_cookie_t cookie) const {
        return await<xcb_query_tree_reply_t>(cookie);
    }
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_cookie_t cookie) const {
        return await<xcb_get_window_attributes_reply_t>(cookie);
    }
    Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_cookie_t cookie) const {
        return await<xcb_get_geometry_reply_t>(cookie);
    }

    /// Sends what is queued, then takes the events that come (errors included) until
    /// `wanted` accepts one (true), `until` or the action's deadline has passed, or the
    /// connection breaks (false). Sends no request: a wait for another client, not a round
    /// trip.
    bool awaitEvent(const std::function<bool(const xcb_generic_event_t&)>& wanted,
                    Clock::time_point until) const;

    /// Sends a 32-byte event to the root, where a window manager listens.
    void sendToRoot(const void* event, std::size_t size) const;

private:
    Connection() = default;
    /// The reply (or null) to request `sequence`: flushes what is queued, then reads what
    /// the server sends, without blocking, until the reply is there, kXReplyLimit has
    /// passed (which stalls the connection) or the action's deadline has (which does not).
    /// A reply not taken is discarded.
    void* awaitReply(unsigned int sequence) const;

    xcb_connection_t* m_xcb = nullptr;
    mutable bool m_stalled = false;
    mutable std::optional<Clock::time_point> m_actionDeadline;
    mutable std::size_t m_roundTrips = 0;
    /// The bytes xcb had written when the last round trip began.
    mutable std::uint64_t m_writtenAtTrip = 0;
    bool m_pidsAreOurs = true;
    bool m_pidsForeign = false;
    xcb_window_t m_root = 0;
    /// The bits of a resource id that a client chooses; the others name the client.
    std::uint32_t m_idMask = 0;
    std::array<xcb_atom_t, AtomCount> m_atoms{};
    bool m_clientPids = false;
};

/// The PID that X-Resource names in the answer to `cookie` (a query of client ids with
/// the local-client-PID mask), or 0.
Pid clientPid(const Connection& connection, xcb_res_query_client_ids_cookie_t cookie);

/// libxcb writes without MSG_NOSIGNAL: a write to a server that has gone would end the
/// program with SIGPIPE. Blocks it for this thread while xcb talks to the server and
/// takes away a SIGPIPE that the talk raised, leaving the process's signal handling alone.
class SigpipeGuard {
public:
    SigpipeGuard();
    ~SigpipeGuard();
    SigpipeGuard(const SigpipeGuard&) = delete;
    SigpipeGuard& operator=(const SigpipeGuard&) = delete;

private:
    sigset_t m_pipe{};
    sigset_t m_previous{};
    bool m_pendingBefore = false;
};

/// One call of the window system: SIGPIPE held off, the connection if it is usable (not
/// broken, and not past `deadline`, which bounds the call's waits), and the waiting events
/// taken when the call ends, whichever way it ends.
class CallScope {
public:
    explicit CallScope(const std::unique_ptr<Connection>& connection,
                       std::optional<Connection::Clock::time_point> deadline = {})
        : m_connection(usableWithin(connection, deadline)) {}
    ~CallScope() {
        // Nothing else reads the queue, where the errors of unchecked requests land (BadWindow
        // for a window that has gone, the usual case): it would grow with every walk and
        // every command for as long as the program runs.
        if (m_connection != nullptr)
            m_connection->discardEvents();
    }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

    /// The usable connection, or null (no server, or it went away).
    Connection* connection() const { return m_connection; }

private:
    static Connection* usableWithin(const std::unique_ptr<Connection>& connection,
                                    std::optional<Connection::Clock::time_point> deadline) {
        if (connection == nullptr)
            return nullptr;
        connection->setActionDeadline(deadline);
        return connection->usable() ? connection.get() : nullptr;
    }

    SigpipeGuard m_guard;
    Connection* m_connection;
};

}  // namespace pelorus::platform::x11
