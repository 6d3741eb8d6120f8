// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/x11/windowmanager.h"

#include <algorithm>
#include <chrono>
#include <climits>
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
/// How long a hide waits for the manager to let a window go.
constexpr std::chrono::milliseconds kWithdrawalLimit{250};
constexpr std::uint32_t kIconicState = 3;
constexpr std::uint32_t kStateUnits = 64;
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

FactQuestions askFacts(const Connection& connection, xcb_window_t window) {
    xcb_connection_t* xcb = connection.xcb();
    return {xcb_get_window_attributes_unchecked(xcb, window),
            xcb_query_tree_unchecked(xcb, window),
            connection.askProperty(window, WmState, XCB_GET_PROPERTY_TYPE_ANY, 1),
            connection.askProperty(window, NetWmState, XCB_ATOM_ATOM, kStateUnits),
            xcb_get_window_attributes_unchecked(xcb, connection.root()),
            connection.askProperty(connection.root(), NetSupportingWmCheck, XCB_ATOM_WINDOW, 1)};
}

WindowFacts readFacts(const Connection& connection, xcb_window_t window,
                      const FactQuestions& questions) {
    const auto attributes = connection.attributes(questions.attributes);
    const auto tree = connection.tree(questions.tree);
    const auto state = connection.property(questions.state);
    const auto netState = connection.property(questions.netState);
    const auto root = connection.attributes(questions.rootAttributes);
    const auto check = connection.property(questions.supporting);
    WindowFacts facts;
    if (attributes == nullptr || tree == nullptr || window == XCB_WINDOW_NONE)
        return facts;
    facts.exists = true;
    facts.managerRuns =
        root != nullptr && (root->all_event_masks & XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT) != 0;
    facts.mapped = attributes->map_state != XCB_MAP_STATE_UNMAPPED;
    facts.framed = tree->parent != connection.root();
    facts.minimised =
        state != nullptr && state->format == 32 &&
        xcb_get_property_value_length(state.get()) >= 4 &&
        *static_cast<const std::uint32_t*>(xcb_get_property_value(state.get())) == kIconicState;
    if (netState != nullptr && netState->format == 32) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(netState.get()));
        const int count = xcb_get_property_value_length(netState.get()) / 4;
        facts.minimised =
            facts.minimised ||
            std::find(atoms, atoms + count, connection.atom(NetWmStateHidden)) != atoms + count;
    }
    if (!facts.managerRuns)
        return facts;
    // Just after a map the manager may not have marked the window yet: either the map
    // request still waits for it (the window is a child of the root), or it has put
    // the window into a frame of its own and sets WM_STATE a moment later.
    if (!facts.framed) {
        facts.managed = hasProperty(state.get()) || attributes->override_redirect == 0;
        return facts;
    }
    const xcb_window_t supporting = firstCardinal(check.get(), XCB_ATOM_WINDOW);
    if (supporting != XCB_WINDOW_NONE) {
        // The manager's own supporting window tells which client the manager is.
        facts.managed = connection.sameClient(tree->parent, supporting) &&
                        !connection.sameClient(window, supporting);
        return facts;
    }
    // A manager that names no window of its own: its frames are the root's children. Any
    // deeper WM_STATE was written by a client on a window of its own, which no manager
    // withdraws.
    if (hasProperty(state.get())) {
        const auto frame =
            connection.tree(xcb_query_tree_unchecked(connection.xcb(), tree->parent));
        facts.managed = frame != nullptr && frame->parent == connection.root();
    }
    return facts;
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

void watchStructure(const Connection& connection, xcb_window_t window, bool watch) {
    const std::uint32_t mask = watch ? XCB_EVENT_MASK_STRUCTURE_NOTIFY : XCB_EVENT_MASK_NO_EVENT;
    xcb_change_window_attributes(connection.xcb(), window, XCB_CW_EVENT_MASK, &mask);
}

void awaitWithdrawal(const Connection& connection, xcb_window_t window) {
    const xcb_window_t root = connection.root();
    connection.awaitEvent(
        [&](const xcb_generic_event_t& event) {
            switch (event.response_type & ~0x80) {
                case XCB_REPARENT_NOTIFY: {
                    const auto& reparent =
                        reinterpret_cast<const xcb_reparent_notify_event_t&>(event);
                    return reparent.window == window && reparent.parent == root;
                }
                case XCB_DESTROY_NOTIFY:
                    return reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window ==
                           window;
                case 0:  // an error: the window went before the watch began
                    return reinterpret_cast<const xcb_generic_error_t&>(event).resource_id ==
                           window;
                default:
                    return false;
            }
        },
        Connection::Clock::now() + kWithdrawalLimit);
}

PlaceQuestions askPlace(const Connection& connection, xcb_window_t window) {
    xcb_connection_t* xcb = connection.xcb();
    return {xcb_get_geometry_unchecked(xcb, window),
            xcb_translate_coordinates_unchecked(xcb, window, connection.root(), 0, 0),
            connection.askProperty(window, NetFrameExtents, XCB_ATOM_CARDINAL, 4)};
}

std::optional<FramePlace> readPlace(const Connection& connection, xcb_window_t window,
                                    const PlaceQuestions& questions) {
    const auto client = connection.geometry(questions.geometry);
    const auto corner = connection.await<xcb_translate_coordinates_reply_t>(questions.corner);
    const auto extents = connection.property(questions.extents);
    if (client == nullptr || corner == nullptr)
        return std::nullopt;
    if (extents == nullptr || extents->type != XCB_ATOM_CARDINAL || extents->format != 32 ||
        xcb_get_property_value_length(extents.get()) < 16) {
        return framePlace(connection, window);
    }
    const auto* sides = static_cast<const std::uint32_t*>(xcb_get_property_value(extents.get()));
    const auto along = [](std::int16_t at, std::uint32_t extent) {
        const std::int32_t place =
            at - static_cast<std::int32_t>(std::min<std::uint32_t>(extent, 0x7FFF));
        return static_cast<std::int16_t>(std::max<std::int32_t>(place, INT16_MIN));
    };
    // The extents are left, right, top, bottom.
    return FramePlace{along(corner->dst_x, sides[0]), along(corner->dst_y, sides[2]), client->width,
                      client->height};
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
