// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/sway/swaytree.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <nlohmann/json.hpp>
#include <utility>

namespace pelorus::platform::sway {
namespace {

using Json = nlohmann::json;

const Json* member(const Json& node, const char* key) {
    if (!node.is_object())
        return nullptr;
    const auto found = node.find(key);
    return found != node.end() ? &*found : nullptr;
}

std::int64_t integer(const Json& node, const char* key, std::int64_t fallback = 0) {
    const Json* value = member(node, key);
    if (value == nullptr || !value->is_number_integer())
        return fallback;
    return value->get<std::int64_t>();
}

std::string text(const Json& node, const char* key) {
    const Json* value = member(node, key);
    return value != nullptr && value->is_string() ? value->get<std::string>() : std::string();
}

/// A container id that a handle can carry (below kCompositorWindow); 0 for any other.
std::uint32_t containerId(const Json& node) {
    const std::int64_t id = integer(node, "id");
    return id > 0 && id < static_cast<std::int64_t>(kCompositorWindow)
               ? static_cast<std::uint32_t>(id)
               : 0;
}

std::int32_t coordinate(const Json& node, const char* rect, const char* key) {
    const Json* area = member(node, rect);
    if (area == nullptr)
        return 0;
    const std::int64_t value = integer(*area, key);
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return 0;
    }
    return static_cast<std::int32_t>(value);
}

/// A node met by the walk, with what its ancestors tell about it.
struct Visit {
    const Json* node = nullptr;
    std::string workspace;
    bool floating = false;
    std::uint32_t before = 0;
    std::uint32_t after = 0;
};

Window windowOf(const Visit& visit) {
    const Json& node = *visit.node;
    Window window;
    window.id = containerId(node);
    const std::int64_t pid = integer(node, "pid");
    window.pid = pid > 0 && pid <= std::numeric_limits<Pid>::max() ? static_cast<Pid>(pid) : 0;
    window.native = text(node, "shell") != "xwayland";
    window.name = text(node, "name");
    window.appId = text(node, "app_id");
    window.hidden = visit.workspace == kScratchpadWorkspace;
    window.fullscreen = integer(node, "fullscreen_mode") != 0;
    const Json* focused = member(node, "focused");
    window.focused = focused != nullptr && focused->is_boolean() && focused->get<bool>();
    window.place.workspace = visit.workspace;
    window.place.floating = visit.floating;
    // A floating container's rect is its client area below the title bar, whose height
    // deco_rect gives; a container waiting in the scratchpad has no title bar drawn.
    window.place.x = coordinate(node, "rect", "x");
    window.place.y = coordinate(node, "rect", "y") - coordinate(node, "deco_rect", "height");
    window.place.before = visit.before;
    window.place.after = visit.after;
    return window;
}

}  // namespace

std::optional<Tree> parseTree(std::string_view json) {
    const Json root = Json::parse(json, nullptr, /*allow_exceptions=*/false);
    if (root.is_discarded() || !root.is_object() || text(root, "type") != "root")
        return std::nullopt;
    Tree tree;
    tree.rootId = containerId(root);

    // Depth-first in the tree's own order: a node's tiled children, then its floating
    // ones, each before the next sibling. The stack holds what is still to visit, the
    // next node on top.
    std::vector<Visit> stack;
    stack.push_back({&root, {}, false, 0, 0});
    while (!stack.empty()) {
        const Visit visit = std::move(stack.back());
        stack.pop_back();
        const Json& node = *visit.node;
        const std::string type = text(node, "type");
        if ((type == "con" || type == "floating_con") && member(node, "shell") != nullptr) {
            Window window = windowOf(visit);
            if (window.id != 0)
                tree.windows.push_back(std::move(window));
            continue;  // a client's container holds no further windows
        }
        const std::string workspace = type == "workspace" ? text(node, "name") : visit.workspace;
        const Json* tiled = member(node, "nodes");
        const Json* floating = member(node, "floating_nodes");
        const std::size_t before = stack.size();
        const std::array<std::pair<const Json*, bool>, 2> lists{{{tiled, false}, {floating, true}}};
        for (const auto& [children, isFloating] : lists) {
            if (children == nullptr || !children->is_array())
                continue;
            for (std::size_t i = 0; i < children->size(); ++i) {
                const Json& child = (*children)[i];
                Visit next{&child, workspace, isFloating || visit.floating, 0, 0};
                if (!isFloating) {
                    next.before = i > 0 ? containerId((*children)[i - 1]) : 0;
                    next.after = i + 1 < children->size() ? containerId((*children)[i + 1]) : 0;
                }
                stack.push_back(std::move(next));
            }
        }
        // Pushed in order, so reversed to come off the stack in order.
        std::reverse(stack.begin() + static_cast<std::ptrdiff_t>(before), stack.end());
    }
    return tree;
}

std::vector<bool> commandResults(std::string_view json) {
    const Json answer = Json::parse(json, nullptr, /*allow_exceptions=*/false);
    std::vector<bool> results;
    if (answer.is_discarded() || !answer.is_array())
        return results;
    for (const Json& result : answer) {
        const Json* success = member(result, "success");
        results.push_back(success != nullptr && success->is_boolean() && success->get<bool>());
    }
    return results;
}

std::string criteria(std::uint32_t id, Pid pid) {
    return "[con_id=" + std::to_string(id) + " pid=" + std::to_string(pid) + "]";
}

std::optional<std::string> quoted(std::string_view text) {
    const char quote = text.find('"') == std::string_view::npos ? '"' : '\'';
    if (text.find(quote) != std::string_view::npos)
        return std::nullopt;
    std::string result(1, quote);
    result.append(text);
    result.push_back(quote);
    return result;
}

}  // namespace pelorus::platform::sway
