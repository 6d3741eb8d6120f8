// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/x11/xcbwindowsystem.h"

#include <unistd.h>
#include <xcb/res.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <climits>
#include <string_view>
#include <utility>

#include "platform/x11/windowmanager.h"
#include "platform/x11/windowtext.h"
#include "platform/x11/xcbconnection.h"

namespace pelorus::platform {
namespace {

using x11::CallScope;
using x11::Connection;
using x11::Reply;

constexpr std::uint32_t kIconicState = 3;
/// Property lengths asked for, in 32-bit units: enough for 254 code points of 4 bytes,
/// and for a class after a long instance name.
constexpr std::uint32_t kTitleUnits = 256;
constexpr std::uint32_t kClassUnits = 1024;
constexpr std::uint32_t kStateUnits = 64;
constexpr std::uint32_t kHostUnits = 64;

/// The requests asked per window, in bytes, for the batches of kRequestBatchBytes.
constexpr std::size_t kPropertyRequest = sizeof(xcb_get_property_request_t);
constexpr std::size_t kTreeBatch = x11::batchOf(sizeof(xcb_query_tree_request_t));
constexpr std::size_t kOwnerBatch = x11::batchOf(
    sizeof(xcb_get_window_attributes_request_t) + sizeof(xcb_res_query_client_ids_request_t) +
    sizeof(xcb_res_client_id_spec_t) + 2 * kPropertyRequest);
constexpr std::size_t kTextBatch = x11::batchOf(3 * kPropertyRequest);

/// This machine's name, as clients write it into WM_CLIENT_MACHINE.
std::string hostName() {
    std::array<char, HOST_NAME_MAX + 1> name{};
    if (gethostname(name.data(), name.size() - 1) != 0)
        return {};
    return name.data();
}

}  // namespace

XcbWindowSystem::XcbWindowSystem(std::string displayName) : m_displayName(std::move(displayName)) {}

XcbWindowSystem::~XcbWindowSystem() {
    const x11::SigpipeGuard guard;
    m_connection.reset();
}

std::size_t XcbWindowSystem::takeWaitingEvents() {
    const x11::SigpipeGuard guard;
    return m_connection != nullptr && !m_connection->broken() ? m_connection->discardEvents() : 0;
}

std::size_t XcbWindowSystem::roundTrips() const {
    return m_connection != nullptr ? m_connection->roundTrips() : 0;
}

WindowHandle XcbWindowSystem::desktop() {
    if (deadlinePassed())
        return 0;
    bool live = false;
    {
        // One round trip tells a live server from one that has gone quietly.
        const CallScope scope(m_connection, deadline());
        live = scope.connection() != nullptr && scope.connection()->answers();
    }
    // An answer cut short by the action's deadline says nothing about the server.
    if (deadlinePassed())
        return 0;
    const x11::SigpipeGuard guard;
    if (!live)
        m_connection.reset();
    if (m_connection == nullptr) {
        m_connection = Connection::open(m_displayName, deadline());
        // Places remembered on another server name other windows.
        m_hiddenPlaces.clear();
    }
    return m_connection != nullptr ? m_connection->root() : 0;
}

bool XcbWindowSystem::ownersComparable() {
    return m_connection == nullptr || !m_connection->pidsForeign();
}

std::vector<std::vector<WindowHandle>> XcbWindowSystem::children(
    std::span<const WindowHandle> parents) {
    const CallScope scope(m_connection, deadline());
    std::vector<std::vector<WindowHandle>> result(parents.size());
    const Connection* connection = scope.connection();
    if (connection == nullptr)
        return result;
    std::vector<xcb_query_tree_cookie_t> cookies;
    for (std::size_t first = 0; first < parents.size() && connection->usable();
         first += kTreeBatch) {
        const std::size_t end = std::min(parents.size(), first + kTreeBatch);
        cookies.clear();
        for (std::size_t i = first; i < end; ++i)
            cookies.push_back(xcb_query_tree_unchecked(connection->xcb(), parents[i]));
        for (std::size_t i = first; i < end; ++i) {
            const auto tree = connection->tree(cookies[i - first]);
            if (tree == nullptr || parents[i] == XCB_WINDOW_NONE)
                continue;
            const xcb_window_t* kids = xcb_query_tree_children(tree.get());
            const int count = xcb_query_tree_children_length(tree.get());
            // The server lists children bottom to top; the viewer wants topmost first.
            result[i].assign(std::make_reverse_iterator(kids + count),
                             std::make_reverse_iterator(kids));
        }
    }
    // Without a window manager there are no frames: every child of the root is itself,
    // and a search of all their descendants for WM_STATE would find nothing.
    const bool rootAsked =
        std::find(parents.begin(), parents.end(), connection->root()) != parents.end();
    if (rootAsked && connection->usable() && x11::managerRuns(*connection)) {
        for (std::size_t i = 0; i < parents.size(); ++i) {
            if (parents[i] == connection->root() && !result[i].empty())
                result[i] = x11::clientWindows(*connection, std::move(result[i]));
        }
    }
    return result;
}

std::vector<Pid> XcbWindowSystem::owners(std::span<const WindowHandle> windows) {
    const CallScope scope(m_connection, deadline());
    std::vector<Pid> result(windows.size(), 0);
    const Connection* connection = scope.connection();
    // PIDs of another namespace would name unrelated processes of the viewer's list.
    if (connection == nullptr || connection->pidsForeign())
        return result;
    // The server's PIDs where they are the viewer's kind; else (a viewer the server cannot
    // name, over the network) only the claims of clients on this host.
    const bool serverPids = connection->knowsClientPids() && connection->pidsAreOurs();
    xcb_connection_t* xcb = connection->xcb();
    // The questions go out in batches: one round trip each. The claim and the machine are
    // used only where the server names no PID.
    struct Cookies {
        xcb_get_window_attributes_cookie_t exists;
        xcb_res_query_client_ids_cookie_t ids;
        xcb_get_property_cookie_t claim;
        xcb_get_property_cookie_t machine;
    };
    std::vector<Cookies> cookies;
    const std::string host = hostName();
    for (std::size_t first = 0; first < windows.size() && connection->usable();
         first += kOwnerBatch) {
        const std::size_t end = std::min(windows.size(), first + kOwnerBatch);
        cookies.clear();
        for (std::size_t i = first; i < end; ++i) {
            const WindowHandle window = windows[i];
            Cookies asked{};
            asked.exists = xcb_get_window_attributes_unchecked(xcb, window);
            if (serverPids) {
                const xcb_res_client_id_spec_t query{window,
                                                     XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
                asked.ids = xcb_res_query_client_ids_unchecked(xcb, 1, &query);
            }
            asked.claim = connection->askProperty(window, x11::NetWmPid, XCB_ATOM_CARDINAL, 1);
            asked.machine = connection->askProperty(window, XCB_ATOM_WM_CLIENT_MACHINE,
                                                    XCB_ATOM_STRING, kHostUnits);
            cookies.push_back(asked);
        }
        for (std::size_t i = first; i < end; ++i) {
            const Cookies& asked = cookies[i - first];
            const bool exists = connection->attributes(asked.exists) != nullptr;
            Pid pid = serverPids ? x11::clientPid(*connection, asked.ids) : 0;
            const auto claim = connection->property(asked.claim);
            const auto machine = connection->property(asked.machine);
            if (pid == 0 && !host.empty() && x11::propertyBytes(machine.get()) == host)
                pid = static_cast<Pid>(x11::firstCardinal(claim.get(), XCB_ATOM_CARDINAL));
            result[i] = exists && windows[i] != XCB_WINDOW_NONE ? pid : 0;
        }
    }
    return result;
}

std::vector<WindowText> XcbWindowSystem::texts(std::span<const WindowHandle> windows) {
    const CallScope scope(m_connection, deadline());
    std::vector<WindowText> result(windows.size());
    const Connection* connection = scope.connection();
    if (connection == nullptr)
        return result;
    struct Cookies {
        xcb_get_property_cookie_t netName;
        xcb_get_property_cookie_t name;
        xcb_get_property_cookie_t wmClass;
    };
    std::vector<Cookies> cookies;
    for (std::size_t first = 0; first < windows.size() && connection->usable();
         first += kTextBatch) {
        const std::size_t end = std::min(windows.size(), first + kTextBatch);
        cookies.clear();
        for (std::size_t i = first; i < end; ++i) {
            const WindowHandle window = windows[i];
            cookies.push_back(
                {connection->askProperty(window, x11::NetWmName, connection->atom(x11::Utf8String),
                                         kTitleUnits),
                 connection->askProperty(window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY,
                                         kTitleUnits),
                 connection->askProperty(window, XCB_ATOM_WM_CLASS, XCB_GET_PROPERTY_TYPE_ANY,
                                         kClassUnits)});
        }
        for (std::size_t i = first; i < end; ++i) {
            const Cookies& asked = cookies[i - first];
            const auto netName = connection->property(asked.netName);
            const auto name = connection->property(asked.name);
            const auto wmClass = connection->property(asked.wmClass);
            if (windows[i] == XCB_WINDOW_NONE)
                continue;
            WindowText& text = result[i];
            if (x11::hasProperty(netName.get()) &&
                netName->type == connection->atom(x11::Utf8String)) {
                text.title = x11::utf8Text(x11::propertyBytes(netName.get()));
            } else if (x11::hasProperty(name.get())) {
                text.title = name->type == XCB_ATOM_STRING
                                 ? x11::stringText(x11::propertyBytes(name.get()))
                                 : x11::utf8Text(x11::propertyBytes(name.get()));
            }
            if (x11::hasProperty(wmClass.get())) {
                const std::string_view part = x11::classPart(x11::propertyBytes(wmClass.get()));
                text.className =
                    wmClass->type == XCB_ATOM_STRING ? x11::stringText(part) : x11::utf8Text(part);
            }
        }
    }
    return result;
}

WindowPlacement XcbWindowSystem::placement(WindowHandle window) {
    const CallScope scope(m_connection, deadline());
    const Connection* connection = scope.connection();
    if (connection == nullptr || window == XCB_WINDOW_NONE)
        return {SW_HIDE};
    const auto attributesCookie = xcb_get_window_attributes_unchecked(connection->xcb(), window);
    const auto stateCookie =
        connection->askProperty(window, x11::WmState, XCB_GET_PROPERTY_TYPE_ANY, 1);
    const auto netStateCookie =
        connection->askProperty(window, x11::NetWmState, XCB_ATOM_ATOM, kStateUnits);
    const auto attributes = connection->attributes(attributesCookie);
    const auto state = connection->property(stateCookie);
    const auto netState = connection->property(netStateCookie);
    if (attributes == nullptr)
        return {SW_HIDE};

    bool hidden = false;
    bool vertical = false;
    bool horizontal = false;
    if (netState != nullptr && netState->format == 32) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(netState.get()));
        const int count = xcb_get_property_value_length(netState.get()) / 4;
        for (int i = 0; i < count; ++i) {
            hidden = hidden || atoms[i] == connection->atom(x11::NetWmStateHidden);
            vertical = vertical || atoms[i] == connection->atom(x11::NetWmStateMaximizedVert);
            horizontal = horizontal || atoms[i] == connection->atom(x11::NetWmStateMaximizedHorz);
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
    if (placement.showCmd != SW_HIDE && placement.showCmd != SW_SHOW &&
        placement.showCmd != SW_SHOWNORMAL) {
        return;
    }
    // Read before the scope below: the place is noted only for a window still on show.
    const bool onShow = placement.showCmd == SW_HIDE && this->placement(window).showCmd != SW_HIDE;
    const CallScope scope(m_connection, deadline());
    const Connection* connection = scope.connection();
    if (connection == nullptr || window == XCB_WINDOW_NONE)
        return;
    xcb_connection_t* xcb = connection->xcb();
    if (placement.showCmd == SW_HIDE) {
        const bool managed = x11::isManagedTopLevel(*connection, window);
        if (managed && onShow && !m_hiddenPlaces.contains(window) &&
            m_hiddenPlaces.size() < kRememberedPlaces) {
            if (const auto place = x11::framePlace(*connection, window))
                m_hiddenPlaces.emplace(window, std::make_unique<x11::FramePlace>(*place));
        }
        xcb_unmap_window(xcb, window);
        if (managed) {
            x11::withdraw(*connection, window);
            xcb_flush(xcb);
            ++m_withdrawalWaits;
            x11::awaitWithdrawal(*connection, window);
        }
    } else {
        const auto remembered = m_hiddenPlaces.extract(window);
        const auto attributes =
            connection->attributes(xcb_get_window_attributes_unchecked(xcb, window));
        const bool manager = x11::managerRuns(*connection);
        // Mapping an iconic client makes it Normal; EWMH managers de-iconify on the
        // activation request as well.
        xcb_map_window(xcb, window);
        if (!remembered.empty() && manager && attributes != nullptr &&
            attributes->map_state == XCB_MAP_STATE_UNMAPPED) {
            x11::moveFrame(*connection, window, *remembered.mapped());
        }
        if (placement.showCmd == SW_SHOWNORMAL && manager)
            x11::activate(*connection, window);
    }
    xcb_flush(xcb);
}

void XcbWindowSystem::raise(WindowHandle window) {
    const CallScope scope(m_connection, deadline());
    const Connection* connection = scope.connection();
    if (connection == nullptr || window == XCB_WINDOW_NONE)
        return;
    // A managed top-level is activated, which raises it under most managers; the restack
    // request reaches its manager too (icewm activates without raising), which honours
    // it. Any other window is restacked among its siblings.
    if (x11::isManagedTopLevel(*connection, window))
        x11::activate(*connection, window);
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(connection->xcb(), window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    xcb_flush(connection->xcb());
}

}  // namespace pelorus::platform
