// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/x11/xcbwindowsystem.h"

#include <pthread.h>
#include <signal.h>
#include <xcb/res.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>
#include <utility>

#include "platform/x11/connectprobe.h"
#include "platform/x11/windowtext.h"

namespace pelorus::platform {
namespace {

struct FreeDeleter {
    void operator()(void* pointer) const noexcept { std::free(pointer); }
};
/// Every reply is owned; a null one means the window (or the server) has gone.
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

/// libxcb writes without MSG_NOSIGNAL: a write to a server that has gone would end the
/// program with SIGPIPE. Block it for this thread while xcb talks to the server and take
/// away a SIGPIPE that the talk raised, leaving the process's signal handling alone.
class SigpipeGuard {
public:
    SigpipeGuard() {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_previous);
        sigset_t pending;
        sigpending(&pending);
        m_pendingBefore = sigismember(&pending, SIGPIPE) == 1;
    }
    ~SigpipeGuard() {
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
    SigpipeGuard(const SigpipeGuard&) = delete;
    SigpipeGuard& operator=(const SigpipeGuard&) = delete;

private:
    sigset_t m_pipe{};
    sigset_t m_previous{};
    bool m_pendingBefore = false;
};

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
    AtomCount
};

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
};

constexpr std::uint32_t kIconicState = 3;
/// Source indication of _NET_ACTIVE_WINDOW: a pager, which managers obey without the
/// focus-stealing checks they apply to applications.
constexpr std::uint32_t kSourcePager = 2;
/// Property lengths asked for, in 32-bit units: enough for 254 code points of 4 bytes,
/// and for a class after a long instance name.
constexpr std::uint32_t kTitleUnits = 256;
constexpr std::uint32_t kClassUnits = 1024;
constexpr std::uint32_t kStateUnits = 64;

std::string_view PropertyBytes(const xcb_get_property_reply_t* reply) {
    if (reply == nullptr || reply->format != 8)
        return {};
    return {static_cast<const char*>(xcb_get_property_value(reply)),
            static_cast<std::size_t>(xcb_get_property_value_length(reply))};
}

bool HasProperty(const xcb_get_property_reply_t* reply) {
    return reply != nullptr && reply->type != XCB_ATOM_NONE;
}

}  // namespace

struct XcbWindowSystem::Connection {
    xcb_connection_t* xcb = nullptr;
    xcb_window_t root = 0;
    /// The bits of a resource id that a client chooses; the others name the client.
    std::uint32_t idMask = 0;
    std::array<xcb_atom_t, AtomCount> atoms{};
    /// X-Resource 1.2 or later: client ids with PIDs.
    bool resources = false;

    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() {
        if (xcb != nullptr)
            xcb_disconnect(xcb);
    }
    bool broken() const { return xcb_connection_has_error(xcb) != 0; }

    /// Every request here is unchecked, so the server's error for one (BadWindow for a
    /// window that has gone, the usual case) lands in the connection's event queue, and
    /// nothing else ever reads that queue: each public call that sent requests empties it
    /// before it returns, or it would grow with every walk and every command on a window
    /// that has gone, for as long as the program runs. Returns how many there were.
    std::size_t discardEvents() const {
        std::size_t count = 0;
        for (; xcb_generic_event_t* event = xcb_poll_for_event(xcb); ++count)
            std::free(event);
        return count;
    }

    xcb_atom_t atom(Atom which) const { return atoms[which]; }

    Reply<xcb_get_property_reply_t> property(xcb_get_property_cookie_t cookie) const {
        return Reply<xcb_get_property_reply_t>(xcb_get_property_reply(xcb, cookie, nullptr));
    }
    xcb_get_property_cookie_t askProperty(xcb_window_t window, Atom which, xcb_atom_t type,
                                          std::uint32_t units) const {
        return xcb_get_property_unchecked(xcb, 0, window, atoms[which], type, 0, units);
    }

    /// Whether a window manager runs: some client redirects the root's substructure.
    bool managerRuns() const {
        const Reply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
            xcb, xcb_get_window_attributes_unchecked(xcb, root), nullptr));
        return attributes != nullptr &&
               (attributes->all_event_masks & XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT) != 0;
    }

    bool sameClient(xcb_window_t first, xcb_window_t second) const {
        return (first & ~idMask) == (second & ~idMask);
    }

    /// See the class docs. One round trip.
    bool isManagedTopLevel(xcb_window_t window) const {
        const auto stateCookie = askProperty(window, WmState, XCB_GET_PROPERTY_TYPE_ANY, 0);
        const auto treeCookie = xcb_query_tree_unchecked(xcb, window);
        const auto attributesCookie = xcb_get_window_attributes_unchecked(xcb, window);
        const auto checkCookie = askProperty(root, NetSupportingWmCheck, XCB_ATOM_WINDOW, 1);
        const bool manager = managerRuns();
        const auto state = property(stateCookie);
        const Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(xcb, treeCookie, nullptr));
        const Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(xcb, attributesCookie, nullptr));
        const auto check = property(checkCookie);
        if (!manager || tree == nullptr || attributes == nullptr)
            return false;
        if (HasProperty(state.get()))
            return true;
        // Just after a map the manager may not have marked the window yet: either the map
        // request still waits for it (the window is a child of the root), or it has put
        // the window into a frame of its own and sets WM_STATE a moment later.
        if (tree->parent == root)
            return attributes->override_redirect == 0;
        if (check == nullptr || check->type != XCB_ATOM_WINDOW || check->format != 32 ||
            xcb_get_property_value_length(check.get()) < 4) {
            return false;
        }
        // The manager's own supporting window tells which client the manager is.
        const xcb_window_t managerWindow =
            *static_cast<const xcb_window_t*>(xcb_get_property_value(check.get()));
        return sameClient(tree->parent, managerWindow) && !sameClient(window, managerWindow);
    }

    void sendToRoot(const void* event) const {
        // Every event sent is 32 bytes, whatever the size of its xcb struct.
        std::array<char, 32> buffer{};
        std::memcpy(buffer.data(), event, sizeof(xcb_client_message_event_t));
        xcb_send_event(xcb, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       buffer.data());
    }

    void activate(xcb_window_t window) const {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atoms[NetActiveWindow];
        message.data.data32[0] = kSourcePager;
        message.data.data32[1] = XCB_CURRENT_TIME;
        sendToRoot(&message);
    }

    void withdraw(xcb_window_t window) const {
        // ICCCM: a client that withdraws a top-level also sends this, so that the
        // manager withdraws it even if the real UnmapNotify never reached it.
        xcb_client_message_event_t padded{};
        xcb_unmap_notify_event_t notify{};
        notify.response_type = XCB_UNMAP_NOTIFY;
        notify.event = root;
        notify.window = window;
        notify.from_configure = 0;
        static_assert(sizeof notify <= sizeof padded);
        std::memcpy(&padded, &notify, sizeof notify);
        sendToRoot(&padded);
    }

    /// A new connection with its atoms and extension, or null when there is no server.
    static std::unique_ptr<Connection> open(const std::string& displayName) {
        // A server that takes no new connections would hold the connect below for ever.
        if (!XServerAnswers(displayName, kXConnectLimit))
            return nullptr;
        auto connection = std::make_unique<Connection>();
        int screenNumber = 0;
        connection->xcb =
            xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), &screenNumber);
        if (connection->broken())
            return nullptr;
        xcb_connection_t* xcb = connection->xcb;

        auto screens = xcb_setup_roots_iterator(xcb_get_setup(xcb));
        for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
            xcb_screen_next(&screens);
        if (screens.rem == 0 || screens.data == nullptr)
            return nullptr;
        connection->root = screens.data->root;
        connection->idMask = xcb_get_setup(xcb)->resource_id_mask;

        std::array<xcb_intern_atom_cookie_t, AtomCount> cookies{};
        for (std::size_t i = 0; i < AtomCount; ++i) {
            cookies[i] = xcb_intern_atom(xcb, 0, static_cast<std::uint16_t>(kAtomNames[i].size()),
                                         kAtomNames[i].data());
        }
        for (std::size_t i = 0; i < AtomCount; ++i) {
            const Reply<xcb_intern_atom_reply_t> reply(
                xcb_intern_atom_reply(xcb, cookies[i], nullptr));
            if (reply == nullptr)
                return nullptr;
            connection->atoms[i] = reply->atom;
        }

        const xcb_query_extension_reply_t* extension = xcb_get_extension_data(xcb, &xcb_res_id);
        if (extension != nullptr && extension->present != 0) {
            const Reply<xcb_res_query_version_reply_t> version(
                xcb_res_query_version_reply(xcb, xcb_res_query_version(xcb, 1, 2), nullptr));
            connection->resources =
                version != nullptr && (version->server_major > 1 ||
                                       (version->server_major == 1 && version->server_minor >= 2));
        }
        if (connection->broken())
            return nullptr;
        return connection;
    }

    /// For each root child, the client window it stands for (see the class docs).
    /// Each level of every search costs one round trip for all the searches together.
    std::vector<WindowHandle> clientWindows(std::vector<WindowHandle> tops) const {
        struct Search {
            std::size_t index;
            std::vector<xcb_window_t> frontier;
        };
        std::vector<Search> searches;
        for (std::size_t i = 0; i < tops.size(); ++i)
            searches.push_back({i, {tops[i]}});
        while (!searches.empty() && !broken()) {
            std::vector<xcb_get_property_cookie_t> states;
            std::vector<xcb_query_tree_cookie_t> trees;
            for (const auto& search : searches) {
                for (const xcb_window_t window : search.frontier) {
                    states.push_back(askProperty(window, WmState, XCB_GET_PROPERTY_TYPE_ANY, 0));
                    trees.push_back(xcb_query_tree_unchecked(xcb, window));
                }
            }
            std::size_t next = 0;
            std::vector<Search> remaining;
            for (auto& search : searches) {
                xcb_window_t client = XCB_WINDOW_NONE;
                std::vector<xcb_window_t> below;
                for (std::size_t k = 0; k < search.frontier.size(); ++k, ++next) {
                    const auto state = property(states[next]);
                    const Reply<xcb_query_tree_reply_t> tree(
                        xcb_query_tree_reply(xcb, trees[next], nullptr));
                    if (client == XCB_WINDOW_NONE && HasProperty(state.get())) {
                        client = search.frontier[k];
                    }
                    if (tree != nullptr) {
                        const xcb_window_t* kids = xcb_query_tree_children(tree.get());
                        const int count = xcb_query_tree_children_length(tree.get());
                        for (int j = count - 1; j >= 0; --j)
                            below.push_back(kids[j]);
                    }
                }
                if (client != XCB_WINDOW_NONE) {
                    tops[search.index] = client;
                } else if (!below.empty()) {
                    search.frontier = std::move(below);
                    remaining.push_back(std::move(search));
                }
            }
            searches = std::move(remaining);
        }
        return tops;
    }
};

XcbWindowSystem::XcbWindowSystem(std::string displayName) : m_displayName(std::move(displayName)) {}

XcbWindowSystem::~XcbWindowSystem() {
    const SigpipeGuard guard;
    m_connection.reset();
}

XcbWindowSystem::Connection* XcbWindowSystem::live() {
    if (m_connection == nullptr || m_connection->broken())
        return nullptr;
    return m_connection.get();
}

std::size_t XcbWindowSystem::takeWaitingEvents() {
    const SigpipeGuard guard;
    const Connection* connection = live();
    return connection != nullptr ? connection->discardEvents() : 0;
}

WindowHandle XcbWindowSystem::desktop() {
    const SigpipeGuard guard;
    if (m_connection != nullptr && !m_connection->broken()) {
        // One round trip tells a live server from one that has gone quietly.
        xcb_connection_t* xcb = m_connection->xcb;
        const Reply<xcb_get_input_focus_reply_t> focus(
            xcb_get_input_focus_reply(xcb, xcb_get_input_focus(xcb), nullptr));
        if (focus == nullptr)
            m_connection.reset();
    } else {
        m_connection.reset();
    }
    if (m_connection == nullptr)
        m_connection = Connection::open(m_displayName);
    if (m_connection == nullptr)
        return 0;
    m_connection->discardEvents();
    return m_connection->root;
}

std::vector<std::vector<WindowHandle>> XcbWindowSystem::children(
    std::span<const WindowHandle> parents) {
    const SigpipeGuard guard;
    std::vector<std::vector<WindowHandle>> result(parents.size());
    Connection* connection = live();
    if (connection == nullptr)
        return result;
    xcb_connection_t* xcb = connection->xcb;
    std::vector<xcb_query_tree_cookie_t> cookies;
    cookies.reserve(parents.size());
    for (const WindowHandle parent : parents)
        cookies.push_back(xcb_query_tree_unchecked(xcb, parent));
    for (std::size_t i = 0; i < parents.size(); ++i) {
        const Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(xcb, cookies[i], nullptr));
        if (tree == nullptr || parents[i] == XCB_WINDOW_NONE)
            continue;
        const xcb_window_t* kids = xcb_query_tree_children(tree.get());
        const int count = xcb_query_tree_children_length(tree.get());
        // The server lists children bottom to top; the viewer wants topmost first.
        result[i].assign(std::make_reverse_iterator(kids + count),
                         std::make_reverse_iterator(kids));
    }
    // Without a window manager there are no frames: every child of the root is itself,
    // and a search of all their descendants for WM_STATE would find nothing.
    const bool rootAsked =
        std::find(parents.begin(), parents.end(), connection->root) != parents.end();
    if (rootAsked && connection->managerRuns()) {
        for (std::size_t i = 0; i < parents.size(); ++i) {
            if (parents[i] == connection->root && !result[i].empty()) {
                result[i] = connection->clientWindows(std::move(result[i]));
            }
        }
    }
    connection->discardEvents();
    return result;
}

std::vector<Pid> XcbWindowSystem::owners(std::span<const WindowHandle> windows) {
    const SigpipeGuard guard;
    std::vector<Pid> result(windows.size(), 0);
    Connection* connection = live();
    if (connection == nullptr)
        return result;
    xcb_connection_t* xcb = connection->xcb;
    // Both questions go out at once: one round trip, the property used only where the
    // server names no PID.
    std::vector<xcb_res_query_client_ids_cookie_t> ids;
    std::vector<xcb_get_property_cookie_t> claims;
    for (const WindowHandle window : windows) {
        if (connection->resources) {
            const xcb_res_client_id_spec_t query{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
            ids.push_back(xcb_res_query_client_ids_unchecked(xcb, 1, &query));
        }
        claims.push_back(connection->askProperty(window, NetWmPid, XCB_ATOM_CARDINAL, 1));
    }
    for (std::size_t i = 0; i < windows.size(); ++i) {
        Pid pid = 0;
        if (connection->resources) {
            const Reply<xcb_res_query_client_ids_reply_t> reply(
                xcb_res_query_client_ids_reply(xcb, ids[i], nullptr));
            if (reply != nullptr) {
                for (auto it = xcb_res_query_client_ids_ids_iterator(reply.get()); it.rem > 0;
                     xcb_res_client_id_value_next(&it)) {
                    if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) != 0 &&
                        xcb_res_client_id_value_value_length(it.data) >= 1) {
                        pid = static_cast<Pid>(*xcb_res_client_id_value_value(it.data));
                        break;
                    }
                }
            }
        }
        const auto claim = connection->property(claims[i]);
        if (pid == 0 && claim != nullptr && claim->type == XCB_ATOM_CARDINAL &&
            claim->format == 32 && xcb_get_property_value_length(claim.get()) >= 4) {
            pid = static_cast<Pid>(
                *static_cast<const std::uint32_t*>(xcb_get_property_value(claim.get())));
        }
        result[i] = windows[i] == XCB_WINDOW_NONE ? 0 : pid;
    }
    connection->discardEvents();
    return result;
}

std::vector<WindowText> XcbWindowSystem::texts(std::span<const WindowHandle> windows) {
    const SigpipeGuard guard;
    std::vector<WindowText> result(windows.size());
    Connection* connection = live();
    if (connection == nullptr)
        return result;
    struct Cookies {
        xcb_get_property_cookie_t netName;
        xcb_get_property_cookie_t name;
        xcb_get_property_cookie_t wmClass;
    };
    std::vector<Cookies> cookies;
    cookies.reserve(windows.size());
    for (const WindowHandle window : windows) {
        cookies.push_back(
            {connection->askProperty(window, NetWmName, connection->atom(Utf8String), kTitleUnits),
             xcb_get_property_unchecked(connection->xcb, 0, window, XCB_ATOM_WM_NAME,
                                        XCB_GET_PROPERTY_TYPE_ANY, 0, kTitleUnits),
             xcb_get_property_unchecked(connection->xcb, 0, window, XCB_ATOM_WM_CLASS,
                                        XCB_GET_PROPERTY_TYPE_ANY, 0, kClassUnits)});
    }
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const auto netName = connection->property(cookies[i].netName);
        const auto name = connection->property(cookies[i].name);
        const auto wmClass = connection->property(cookies[i].wmClass);
        if (windows[i] == XCB_WINDOW_NONE)
            continue;
        WindowText& text = result[i];
        if (HasProperty(netName.get()) && netName->type == connection->atom(Utf8String)) {
            text.title = x11::Utf8Text(PropertyBytes(netName.get()));
        } else if (HasProperty(name.get())) {
            text.title = name->type == XCB_ATOM_STRING ? x11::StringText(PropertyBytes(name.get()))
                                                       : x11::Utf8Text(PropertyBytes(name.get()));
        }
        if (HasProperty(wmClass.get())) {
            const std::string_view part = x11::ClassPart(PropertyBytes(wmClass.get()));
            text.className =
                wmClass->type == XCB_ATOM_STRING ? x11::StringText(part) : x11::Utf8Text(part);
        }
    }
    connection->discardEvents();
    return result;
}

WindowPlacement XcbWindowSystem::placement(WindowHandle window) {
    const SigpipeGuard guard;
    Connection* connection = live();
    if (connection == nullptr || window == XCB_WINDOW_NONE)
        return {SW_HIDE};
    xcb_connection_t* xcb = connection->xcb;
    const auto attributesCookie = xcb_get_window_attributes_unchecked(xcb, window);
    const auto stateCookie = connection->askProperty(window, WmState, XCB_GET_PROPERTY_TYPE_ANY, 1);
    const auto netStateCookie =
        connection->askProperty(window, NetWmState, XCB_ATOM_ATOM, kStateUnits);
    const Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(xcb, attributesCookie, nullptr));
    const auto state = connection->property(stateCookie);
    const auto netState = connection->property(netStateCookie);
    connection->discardEvents();
    if (attributes == nullptr)
        return {SW_HIDE};

    bool hidden = false;
    bool vertical = false;
    bool horizontal = false;
    if (netState != nullptr && netState->format == 32) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(netState.get()));
        const int count = xcb_get_property_value_length(netState.get()) / 4;
        for (int i = 0; i < count; ++i) {
            hidden = hidden || atoms[i] == connection->atom(NetWmStateHidden);
            vertical = vertical || atoms[i] == connection->atom(NetWmStateMaximizedVert);
            horizontal = horizontal || atoms[i] == connection->atom(NetWmStateMaximizedHorz);
        }
    }
    const bool iconicState =
        state != nullptr && state->format == 32 &&
        xcb_get_property_value_length(state.get()) >= 4 &&
        *static_cast<const std::uint32_t*>(xcb_get_property_value(state.get())) == kIconicState;
    if (iconicState || hidden)
        return {SW_SHOWMINIMIZED};
    if (attributes->map_state == XCB_MAP_STATE_UNMAPPED)
        return {SW_HIDE};
    if (vertical && horizontal)
        return {SW_SHOWMAXIMIZED};
    return {SW_SHOWNORMAL};
}

void XcbWindowSystem::setPlacement(WindowHandle window, const WindowPlacement& placement) {
    const SigpipeGuard guard;
    Connection* connection = live();
    if (connection == nullptr || window == XCB_WINDOW_NONE)
        return;
    xcb_connection_t* xcb = connection->xcb;
    switch (placement.showCmd) {
        case SW_HIDE: {
            const bool managed = connection->isManagedTopLevel(window);
            xcb_unmap_window(xcb, window);
            if (managed)
                connection->withdraw(window);
            break;
        }
        case SW_SHOW:
            xcb_map_window(xcb, window);
            break;
        case SW_SHOWNORMAL:
            // Mapping an iconic client makes it Normal; EWMH managers de-iconify on the
            // activation request as well.
            xcb_map_window(xcb, window);
            if (connection->managerRuns())
                connection->activate(window);
            break;
        default:
            break;
    }
    xcb_flush(xcb);
    connection->discardEvents();
}

void XcbWindowSystem::raise(WindowHandle window) {
    const SigpipeGuard guard;
    Connection* connection = live();
    if (connection == nullptr || window == XCB_WINDOW_NONE)
        return;
    if (connection->isManagedTopLevel(window)) {
        connection->activate(window);
    } else {
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(connection->xcb, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    }
    xcb_flush(connection->xcb);
    connection->discardEvents();
}

}  // namespace pelorus::platform
