// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/x11/windowmanager.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

namespace pelorus::platform::x11 {
namespace {

/// Source indication of _NET_ACTIVE_WINDOW and _NET_MOVERESIZE_WINDOW: a pager, which
/// managers obey without the checks they apply to applications.
constexpr std::uint32_t kSourcePager = 2;
/// _NET_MOVERESIZE_WINDOW flags: x, y, width and height given (bits 8..11), source in
/// bits 12..15.
constexpr std::uint32_t kMoveResizeAll = (1U << 8) | (1U << 9) | (1U << 10) | (1U << 11);
/// Searches run in batches of this many root children, so that the replies waiting at
/// once stay few whatever the number of top-levels.
constexpr std::size_t kSearchBatch = 1024;
/// The windows whose state and children one trip asks about (see kRequestBatchBytes).
constexpr std::size_t kTripWindows =
    batchOf(sizeof(xcb_get_property_request_t) + sizeof(xcb_query_tree_request_t));
static_assert(kTripWindows >= kClientSearchWindows);

/// The window the manager names as its own (_NET_SUPPORTING_WM_CHECK), or none.
xcb_window_t managerWindow(const Connection& connection) {
    const auto check = connection.property(
        connection.askProperty(connection.root(), NetSupportingWmCheck, XCB_ATOM_WINDOW, 1));
    return firstCardinal(check.get(), XCB_ATOM_WINDOW);
}

}  // namespace

bool managerRuns(const Connection& connection) {
    const auto attributes = connection.attributes(
        xcb_get_window_attributes_unchecked(connection.xcb(), connection.root()));
    return attributes != nullptr &&
           (attributes->all_event_masks & XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT) != 0;
}

bool isManagedTopLevel(const Connection& connection, xcb_window_t window) {
    xcb_connection_t* xcb = connection.xcb();
    const auto stateCookie = connection.askProperty(window, WmState, XCB_GET_PROPERTY_TYPE_ANY, 0);
    const auto treeCookie = xcb_query_tree_unchecked(xcb, window);
    const auto attributesCookie = xcb_get_window_attributes_unchecked(xcb, window);
    const auto checkCookie =
        connection.askProperty(connection.root(), NetSupportingWmCheck, XCB_ATOM_WINDOW, 1);
    const bool manager = managerRuns(connection);
    const auto state = connection.property(stateCookie);
    const auto tree = connection.tree(treeCookie);
    const auto attributes = connection.attributes(attributesCookie);
    const auto check = connection.property(checkCookie);
    if (!manager || tree == nullptr || attributes == nullptr)
        return false;
    // Just after a map the manager may not have marked the window yet: either the map
    // request still waits for it (the window is a child of the root), or it has put
    // the window into a frame of its own and sets WM_STATE a moment later.
    if (tree->parent == connection.root())
        return hasProperty(state.get()) || attributes->override_redirect == 0;
    const xcb_window_t supporting = firstCardinal(check.get(), XCB_ATOM_WINDOW);
    if (supporting != XCB_WINDOW_NONE) {
        // The manager's own supporting window tells which client the manager is.
        return connection.sameClient(tree->parent, supporting) &&
               !connection.sameClient(window, supporting);
    }
    // A manager that names no window of its own: its frames are the root's children. Any
    // deeper WM_STATE was written by a client on a window of its own, which no manager
    // withdraws.
    if (!hasProperty(state.get()))
        return false;
    const auto frame = connection.tree(xcb_query_tree_unchecked(xcb, tree->parent));
    return frame != nullptr && frame->parent == connection.root();
}

void activate(const Connection& connection, xcb_window_t window) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = connection.atom(NetActiveWindow);
    message.data.data32[0] = kSourcePager;
    message.data.data32[1] = XCB_CURRENT_TIME;
    connection.sendToRoot(&message, sizeof message);
}

void withdraw(const Connection& connection, xcb_window_t window) {
    xcb_unmap_notify_event_t notify{};
    notify.response_type = XCB_UNMAP_NOTIFY;
    notify.event = connection.root();
    notify.window = window;
    notify.from_configure = 0;
    connection.sendToRoot(&notify, sizeof notify);
}

void awaitWithdrawal(const Connection& connection, xcb_window_t window) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(250);
    do {
        const auto tree = connection.tree(xcb_query_tree_unchecked(connection.xcb(), window));
        if (tree == nullptr || tree->parent == connection.root())
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } while (Clock::now() < deadline && connection.usable());
}

std::optional<FramePlace> framePlace(const Connection& connection, xcb_window_t window) {
    xcb_connection_t* xcb = connection.xcb();
    const auto client = connection.geometry(xcb_get_geometry_unchecked(xcb, window));
    if (client == nullptr)
        return std::nullopt;
    // Up to the window whose parent is the root: the frame, or the window itself.
    xcb_window_t frame = window;
    for (int level = 0; level < kClientSearchDepth + 1; ++level) {
        const auto tree = connection.tree(xcb_query_tree_unchecked(xcb, frame));
        if (tree == nullptr)
            return std::nullopt;
        if (tree->parent == connection.root() || tree->parent == XCB_WINDOW_NONE)
            break;
        frame = tree->parent;
    }
    Reply<xcb_get_geometry_reply_t> outer;
    if (frame != window) {
        outer = connection.geometry(xcb_get_geometry_unchecked(xcb, frame));
        if (outer == nullptr)
            return std::nullopt;
    }
    const xcb_get_geometry_reply_t* corner = outer != nullptr ? outer.get() : client.get();
    return FramePlace{corner->x, corner->y, client->width, client->height};
}

void moveFrame(const Connection& connection, xcb_window_t window, const FramePlace& place) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = connection.atom(NetMoveResizeWindow);
    message.data.data32[0] = XCB_GRAVITY_NORTH_WEST | kMoveResizeAll | (kSourcePager << 12);
    message.data.data32[1] = static_cast<std::uint32_t>(static_cast<std::int32_t>(place.x));
    message.data.data32[2] = static_cast<std::uint32_t>(static_cast<std::int32_t>(place.y));
    message.data.data32[3] = place.width;
    message.data.data32[4] = place.height;
    connection.sendToRoot(&message, sizeof message);
}

std::vector<xcb_window_t> clientWindows(const Connection& connection,
                                        std::vector<xcb_window_t> tops) {
    struct Search {
        std::size_t index;
        std::vector<xcb_window_t> frontier;
        std::size_t examined = 0;
    };
    xcb_connection_t* xcb = connection.xcb();
    // WM_STATE counts only where a manager can have put it: on a child of the root, or on
    // a child of one of the manager's own windows (its frames); so the search goes down
    // only through the manager's windows. A manager that names no window of its own has
    // its frames among the root's children and the clients right inside them.
    const xcb_window_t manager = managerWindow(connection);
    const auto framing = [&](xcb_window_t window, int depth) {
        return manager != XCB_WINDOW_NONE ? connection.sameClient(window, manager) : depth == 0;
    };
    for (std::size_t first = 0; first < tops.size() && connection.usable(); first += kSearchBatch) {
        std::vector<Search> searches;
        for (std::size_t i = first; i < std::min(tops.size(), first + kSearchBatch); ++i)
            searches.push_back({i, {tops[i]}});
        for (int depth = 0; depth <= kClientSearchDepth && !searches.empty(); ++depth) {
            std::vector<Search> remaining;
            // The searches of one trip together ask about kTripWindows windows at most
            // (one search alone asks about kClientSearchWindows at most, which fits).
            for (std::size_t begin = 0; begin < searches.size() && connection.usable();) {
                std::size_t end = begin;
                std::size_t asked = 0;
                while (end < searches.size() &&
                       (end == begin || asked + searches[end].frontier.size() <= kTripWindows)) {
                    asked += searches[end++].frontier.size();
                }
                std::vector<xcb_get_property_cookie_t> states;
                std::vector<xcb_query_tree_cookie_t> trees;
                for (std::size_t s = begin; s < end; ++s) {
                    for (const xcb_window_t window : searches[s].frontier) {
                        states.push_back(
                            connection.askProperty(window, WmState, XCB_GET_PROPERTY_TYPE_ANY, 0));
                        trees.push_back(xcb_query_tree_unchecked(xcb, window));
                    }
                }
                std::size_t next = 0;
                for (std::size_t s = begin; s < end; ++s) {
                    Search& search = searches[s];
                    xcb_window_t client = XCB_WINDOW_NONE;
                    std::vector<xcb_window_t> below;
                    for (std::size_t k = 0; k < search.frontier.size(); ++k, ++next) {
                        const auto state = connection.property(states[next]);
                        const auto tree = connection.tree(trees[next]);
                        if (client == XCB_WINDOW_NONE && hasProperty(state.get()))
                            client = search.frontier[k];
                        if (tree == nullptr || !framing(search.frontier[k], depth))
                            continue;
                        const xcb_window_t* kids = xcb_query_tree_children(tree.get());
                        const int count = xcb_query_tree_children_length(tree.get());
                        for (int j = count - 1; j >= 0; --j) {
                            if (search.examined + below.size() >= kClientSearchWindows)
                                break;
                            below.push_back(kids[j]);
                        }
                    }
                    search.examined += below.size();
                    if (client != XCB_WINDOW_NONE) {
                        tops[search.index] = client;
                    } else if (!below.empty()) {
                        search.frontier = std::move(below);
                        remaining.push_back(std::move(search));
                    }
                }
                begin = end;
            }
            searches = std::move(remaining);
        }
    }
    return tops;
}

}  // namespace pelorus::platform::x11
