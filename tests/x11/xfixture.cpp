// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "tests/x11/xfixture.h"
#include "tests/support/starttime.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace pelorus::testing {

platform::ProcfsSource& procfs() {
    static platform::ProcfsSource source;
    return source;
}

details::OpenedWindows openTree(platform::WindowSystem& windows, FakeWindowTree& tree,
                                platform::Pid pid) {
    details::OpenedWindows opened = details::buildWindowTree(windows, tree, pid, "client");
    opened.startTime = startTimeOf(procfs(), pid).value_or(0);
    return opened;
}

bool XFixture::startServer(WindowManager manager, bool listenTcp) {
    m_manager = manager;
    m_server = XServer::start(manager, listenTcp);
    if (m_server == nullptr)
        return false;
    m_x = xcb_connect(m_server->display().c_str(), nullptr);
    if (xcb_connection_has_error(m_x) != 0)
        return false;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_x)).data->root;
    return true;
}

void XFixture::stopAll() {
    m_clients.clear();
    if (m_x != nullptr)
        xcb_disconnect(m_x);
    m_x = nullptr;
    m_server.reset();
}

XFixture::Client* XFixture::startClient(const std::string& mode,
                                        const std::vector<std::string>& arguments,
                                        const std::string& display) {
    WindowClient started =
        startWindowClient(PELORUS_X11_TESTCLIENT, mode, arguments,
                          display.empty() ? m_server->display() : display, 10000);
    if (!started.named)
        return nullptr;
    auto client = std::make_unique<Client>();
    client->process = std::move(started.process);
    for (const auto& [name, id] : started.ids)
        client->ids[name] = static_cast<xcb_window_t>(id);
    m_clients.push_back(std::move(client));
    return m_clients.back().get();
}

bool XFixture::waitFor(const std::function<bool()>& condition, int milliseconds) {
    return PollUntil(condition, milliseconds);
}

xcb_atom_t XFixture::atom(const char* name) const {
    auto* reply = xcb_intern_atom_reply(
        m_x, xcb_intern_atom(m_x, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return result;
}

std::vector<std::uint32_t> XFixture::cardinals(xcb_window_t window, const char* property) const {
    auto* reply = xcb_get_property_reply(
        m_x, xcb_get_property(m_x, 0, window, atom(property), XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
        nullptr);
    std::vector<std::uint32_t> values;
    if (reply != nullptr && reply->format == 32) {
        const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
        values.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return values;
}

bool XFixture::hasProperty(xcb_window_t window, const char* property) const {
    auto* reply = xcb_get_property_reply(
        m_x, xcb_get_property(m_x, 0, window, atom(property), XCB_GET_PROPERTY_TYPE_ANY, 0, 0),
        nullptr);
    const bool found = reply != nullptr && reply->type != XCB_ATOM_NONE;
    std::free(reply);
    return found;
}

int XFixture::mapState(xcb_window_t window) const {
    auto* reply =
        xcb_get_window_attributes_reply(m_x, xcb_get_window_attributes(m_x, window), nullptr);
    const int state = reply != nullptr ? reply->map_state : -1;
    std::free(reply);
    return state;
}

bool XFixture::iconic(xcb_window_t window) const {
    constexpr std::uint32_t kIconicState = 3;
    const auto state = cardinals(window, "WM_STATE");
    const auto netState = cardinals(window, "_NET_WM_STATE");
    return (!state.empty() && state[0] == kIconicState) ||
           std::find(netState.begin(), netState.end(), atom("_NET_WM_STATE_HIDDEN")) !=
               netState.end();
}

bool XFixture::maximised(xcb_window_t window) const {
    const auto netState = cardinals(window, "_NET_WM_STATE");
    const auto holds = [&](const char* name) {
        return std::find(netState.begin(), netState.end(), atom(name)) != netState.end();
    };
    return holds("_NET_WM_STATE_MAXIMIZED_VERT") && holds("_NET_WM_STATE_MAXIMIZED_HORZ");
}

xcb_window_t XFixture::parentOf(xcb_window_t window) const {
    auto* reply = xcb_query_tree_reply(m_x, xcb_query_tree(m_x, window), nullptr);
    const xcb_window_t parent = reply != nullptr ? reply->parent : xcb_window_t{XCB_WINDOW_NONE};
    std::free(reply);
    return parent;
}

std::vector<int> XFixture::placeOf(xcb_window_t window) const {
    auto* moved = xcb_translate_coordinates_reply(
        m_x, xcb_translate_coordinates(m_x, window, m_root, 0, 0), nullptr);
    auto* geometry = xcb_get_geometry_reply(m_x, xcb_get_geometry(m_x, window), nullptr);
    std::vector<int> place;
    if (moved != nullptr && geometry != nullptr)
        place = {moved->dst_x, moved->dst_y, geometry->width, geometry->height};
    std::free(moved);
    std::free(geometry);
    return place;
}

void XFixture::moveAsUser(xcb_window_t window, int x, int y) const {
    if (!withManager()) {
        const std::uint32_t values[] = {static_cast<std::uint32_t>(x),
                                        static_cast<std::uint32_t>(y)};
        xcb_configure_window(m_x, window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, values);
        xcb_flush(m_x);
        return;
    }
    // Static gravity: the client window itself goes to (x, y); from a pager.
    constexpr std::uint32_t kFlags = XCB_GRAVITY_STATIC | (1U << 8) | (1U << 9) | (2U << 12);
    sendToRoot(window, "_NET_MOVERESIZE_WINDOW",
               {kFlags, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)});
}

std::vector<xcb_window_t> XFixture::stacking() const {
    if (withManager())
        return cardinals(m_root, "_NET_CLIENT_LIST_STACKING");
    auto* reply = xcb_query_tree_reply(m_x, xcb_query_tree(m_x, m_root), nullptr);
    std::vector<xcb_window_t> windows;
    if (reply != nullptr) {
        const xcb_window_t* children = xcb_query_tree_children(reply);
        windows.assign(children, children + xcb_query_tree_children_length(reply));
    }
    std::free(reply);
    return windows;
}

std::vector<xcb_window_t> XFixture::topmostFirst(const std::vector<xcb_window_t>& windows) const {
    // By the stacking of the root's children (the frames under a manager: not every
    // manager keeps _NET_CLIENT_LIST_STACKING in step with its restacking).
    auto* reply = xcb_query_tree_reply(m_x, xcb_query_tree(m_x, m_root), nullptr);
    std::vector<xcb_window_t> order;
    if (reply != nullptr) {
        const xcb_window_t* children = xcb_query_tree_children(reply);
        order.assign(children, children + xcb_query_tree_children_length(reply));
    }
    std::free(reply);
    std::vector<std::pair<std::size_t, xcb_window_t>> ranked;
    for (const xcb_window_t window : windows) {
        xcb_window_t top = window;
        for (xcb_window_t parent = parentOf(top); parent != m_root && parent != XCB_WINDOW_NONE;
             parent = parentOf(top)) {
            top = parent;
        }
        const auto found = std::find(order.begin(), order.end(), top);
        if (found != order.end())
            ranked.emplace_back(static_cast<std::size_t>(found - order.begin()), window);
    }
    std::sort(ranked.begin(), ranked.end(), std::greater<>());
    std::vector<xcb_window_t> result;
    for (const auto& [rank, window] : ranked)
        result.push_back(window);
    return result;
}

void XFixture::sendToRoot(xcb_window_t window, const char* type,
                          std::vector<std::uint32_t> data) const {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom(type);
    data.resize(5);
    std::copy(data.begin(), data.end(), message.data.data32);
    std::array<char, 32> buffer{};
    std::memcpy(buffer.data(), &message, sizeof message);
    xcb_send_event(m_x, 0, m_root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   buffer.data());
    xcb_flush(m_x);
}

}  // namespace pelorus::testing
