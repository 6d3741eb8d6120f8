// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/x11/xcbconnection.h"

#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>
#include <xcb/res.h>
#include <xcb/xcbext.h>

#include <cstring>
#include <ctime>

#include "platform/x11/connectprobe.h"

namespace pelorus::platform::x11 {
namespace {

constexpr std::array<std::string_view, AtomCount> kAtomNames{
    "WM_STATE",
    "_NET_WM_NAME",
    "UTF8_STRING",
    "_NET_WM_PID",
    "_NET_WM_STATE",
    "_NET_WM_STATE_HIDDEN",
    "_NET_WM_STATE_MAXIMIZED_VERT",
    "_NET_WM_STATE_MAXIMIZED_HORZ",
    "_NET_ACTIVE_WINDOW",
    "_NET_SUPPORTING_WM_CHECK",
    "_NET_MOVERESIZE_WINDOW",
    "_NET_FRAME_EXTENTS",
};

}  // namespace

std::string_view propertyBytes(const xcb_get_property_reply_t* reply) {
    if (reply == nullptr || reply->format != 8)
        return {};
    return {static_cast<const char*>(xcb_get_property_value(reply)),
            static_cast<std::size_t>(xcb_get_property_value_length(reply))};
}

bool hasProperty(const xcb_get_property_reply_t* reply) {
    return reply != nullptr && reply->type != XCB_ATOM_NONE;
}

std::uint32_t firstCardinal(const xcb_get_property_reply_t* reply, xcb_atom_t type) {
    if (reply == nullptr || reply->type != type || reply->format != 32 ||
        xcb_get_property_value_length(reply) < 4) {
        return 0;
    }
    return *static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
}

std::unique_ptr<Connection> Connection::open(const std::string& displayName,
                                             std::optional<Clock::time_point> deadline) {
    // A server that takes no new connections would hold a plain connect for ever.
    std::chrono::milliseconds limit = kXConnectLimit;
    if (deadline) {
        limit =
            std::min(limit, std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()));
    }
    if (limit.count() <= 0)
        return nullptr;
    int screenNumber = 0;
    xcb_connection_t* xcb = connectWithin(displayName, limit, &screenNumber);
    if (xcb == nullptr)
        return nullptr;
    std::unique_ptr<Connection> connection(new Connection);
    connection->m_xcb = xcb;
    connection->m_actionDeadline = deadline;

    // Room for a few batches of requests, whatever the system's default (see
    // kRequestBatchBytes); Linux gives a Unix socket 208 KiB unless told otherwise.
    const int fd = xcb_get_file_descriptor(xcb);
    int sendBuffer = 0;
    socklen_t size = sizeof sendBuffer;
    if (getsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, &size) == 0 &&
        sendBuffer < kSendBuffer) {
        setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &kSendBuffer, sizeof kSendBuffer);
    }

    auto screens = xcb_setup_roots_iterator(xcb_get_setup(xcb));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0 || screens.data == nullptr)
        return nullptr;
    connection->m_root = screens.data->root;
    connection->m_idMask = xcb_get_setup(xcb)->resource_id_mask;

    // The extension's query goes out first; xcb would wait for its answer without a limit
    // when the first X-Resource request is made. Once the atoms have come it is there.
    xcb_prefetch_extension_data(xcb, &xcb_res_id);
    std::array<xcb_intern_atom_cookie_t, AtomCount> cookies{};
    for (std::size_t i = 0; i < AtomCount; ++i) {
        cookies[i] = xcb_intern_atom(xcb, 0, static_cast<std::uint16_t>(kAtomNames[i].size()),
                                     kAtomNames[i].data());
    }
    for (std::size_t i = 0; i < AtomCount; ++i) {
        const auto reply = connection->await<xcb_intern_atom_reply_t>(cookies[i]);
        if (reply == nullptr)
            return nullptr;
        connection->m_atoms[i] = reply->atom;
    }

    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(xcb, &xcb_res_id);
    if (extension != nullptr && extension->present != 0) {
        const auto version =
            connection->await<xcb_res_query_version_reply_t>(xcb_res_query_version(xcb, 1, 2));
        connection->m_clientPids =
            version != nullptr && (version->server_major > 1 ||
                                   (version->server_major == 1 && version->server_minor >= 2));
    }
    if (connection->m_clientPids) {
        // The server names this connection's client by the id range it gave it.
        const xcb_res_client_id_spec_t self{xcb_get_setup(xcb)->resource_id_base,
                                            XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        const Pid own = clientPid(*connection, xcb_res_query_client_ids(xcb, 1, &self));
        connection->m_pidsAreOurs = own == getpid();
        connection->m_pidsForeign = own != 0 && own != getpid();
    }
    if (!connection->usable())
        return nullptr;
    return connection;
}

Pid clientPid(const Connection& connection, xcb_res_query_client_ids_cookie_t cookie) {
    const auto reply = connection.await<xcb_res_query_client_ids_reply_t>(cookie);
    if (reply == nullptr)
        return 0;
    for (auto it = xcb_res_query_client_ids_ids_iterator(reply.get()); it.rem > 0;
         xcb_res_client_id_value_next(&it)) {
        if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) != 0 &&
            xcb_res_client_id_value_value_length(it.data) >= 1) {
            return static_cast<Pid>(*xcb_res_client_id_value_value(it.data));
        }
    }
    return 0;
}

Connection::~Connection() {
    if (m_xcb != nullptr)
        xcb_disconnect(m_xcb);
}

bool Connection::answers() const {
    return await<xcb_get_input_focus_reply_t>(xcb_get_input_focus(m_xcb)) != nullptr;
}

void* Connection::awaitReply(unsigned int sequence) const {
    if (!usable()) {
        xcb_discard_reply(m_xcb, sequence);
        return nullptr;
    }
    const auto stallAt = Clock::now() + kXReplyLimit;
    const bool actionEndsFirst = m_actionDeadline && *m_actionDeadline < stallAt;
    const auto deadline = actionEndsFirst ? *m_actionDeadline : stallAt;
    // Nothing waits in xcb's own queue once this has returned; the requests of one batch
    // fit into the socket's buffer, so it does not block (see kRequestBatchBytes).
    xcb_flush(m_xcb);
    if (const std::uint64_t written = xcb_total_written(m_xcb); written != m_writtenAtTrip) {
        m_writtenAtTrip = written;
        ++m_roundTrips;
    }
    for (;;) {
        // Reads what has come without blocking; a connection that has broken (a stall, or
        // xcb read the end of a server that has gone) answers at once, with no reply.
        void* reply = nullptr;
        if (xcb_poll_for_reply(m_xcb, sequence, &reply, nullptr) != 0)
            return reply;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            // A server that answers nothing for that long has stalled; one that is only
            // slower than the action may take is still good for the next action.
            m_stalled = !actionEndsFirst;
            xcb_discard_reply(m_xcb, sequence);
            return nullptr;
        }
        pollfd readable{xcb_get_file_descriptor(m_xcb), POLLIN, 0};
        poll(&readable, 1, static_cast<int>(left.count()));
    }
}

bool Connection::awaitEvent(const std::function<bool(const xcb_generic_event_t&)>& wanted,
                            Clock::time_point until) const {
    if (m_actionDeadline && *m_actionDeadline < until)
        until = *m_actionDeadline;
    xcb_flush(m_xcb);
    for (;;) {
        // Takes what xcb holds, and what has come, without blocking.
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_xcb)) {
            const bool found = wanted(*event);
            std::free(event);
            if (found)
                return true;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
        if (broken() || left.count() <= 0)
            return false;
        pollfd readable{xcb_get_file_descriptor(m_xcb), POLLIN, 0};
        poll(&readable, 1, static_cast<int>(left.count()));
    }
}

std::size_t Connection::discardEvents() const {
    std::size_t count = 0;
    for (; xcb_generic_event_t* event = xcb_poll_for_event(m_xcb); ++count)
        std::free(event);
    return count;
}

void Connection::sendToRoot(const void* event, std::size_t size) const {
    // Every event sent is 32 bytes, whatever the size of its xcb struct.
    std::array<char, 32> buffer{};
    std::memcpy(buffer.data(), event, size < buffer.size() ? size : buffer.size());
    xcb_send_event(m_xcb, 0, m_root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   buffer.data());
}

SigpipeGuard::SigpipeGuard() {
    sigemptyset(&m_pipe);
    sigaddset(&m_pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &m_pipe, &m_previous);
    sigset_t pending;
    sigpending(&pending);
    m_pendingBefore = sigismember(&pending, SIGPIPE) == 1;
}

SigpipeGuard::~SigpipeGuard() {
    if (!m_pendingBefore) {
        sigset_t pending;
        sigpending(&pending);
        if (sigismember(&pending, SIGPIPE) == 1) {
            const timespec noWait{};
            sigtimedwait(&m_pipe, nullptr, &noWait);
        }
    }
    pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

}  // namespace pelorus::platform::x11
