// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "tests/x11/xfixture.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace pelorus::testing {

bool XFixture::startServer(bool withWindowManager) {
    m_withManager = withWindowManager;
    m_server = XServer::start(withWindowManager);
    if (m_server == nullptr)
        return false;
    m_x = xcb_connect(m_server->display().c_str(), nullptr);
    if (xcb_connection_has_error(m_x) != 0)
        return false;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_x)).data->root;
    std::string pattern = (std::filesystem::temp_directory_path() / "pelorus-x11-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        return false;
    m_directory = pattern;
    return true;
}

void XFixture::stopAll() {
    m_clients.clear();
    if (m_x != nullptr)
        xcb_disconnect(m_x);
    m_x = nullptr;
    m_server.reset();
    if (!m_directory.empty())
        std::filesystem::remove_all(m_directory);
    m_directory.clear();
}

XFixture::Client* XFixture::startClient(const std::string& mode,
                                        const std::vector<std::string>& arguments) {
    const std::string file = m_directory + "/ids" + std::to_string(++m_files);
    std::vector<std::string> argv{PELORUS_X11_TESTCLIENT, mode, file};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    auto client = std::make_unique<Client>();
    client->process = ChildProcess::start(argv, {"DISPLAY=" + m_server->display()});
    if (client->process.pid() <= 0)
        return nullptr;
    if (!waitFor([&] { return std::filesystem::exists(file); }))
        return nullptr;
    std::ifstream in(file);
    std::string name;
    std::string id;
    while (in >> name >> id)
        client->ids[name] = static_cast<xcb_window_t>(std::stoul(id, nullptr, 16));
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

xcb_window_t XFixture::parentOf(xcb_window_t window) const {
    auto* reply = xcb_query_tree_reply(m_x, xcb_query_tree(m_x, window), nullptr);
    const xcb_window_t parent = reply != nullptr ? reply->parent : xcb_window_t{XCB_WINDOW_NONE};
    std::free(reply);
    return parent;
}

std::vector<xcb_window_t> XFixture::stacking() const {
    if (m_withManager)
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
    const auto order = stacking();
    std::vector<xcb_window_t> result;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        if (std::find(windows.begin(), windows.end(), *it) != windows.end())
            result.push_back(*it);
    }
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
