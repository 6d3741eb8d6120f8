// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/toolkit/toolkit.h"

namespace pelorus::testing {

/// A window tree with a key index, for trees of tens of thousands of nodes; keeps the
/// adding rules of the real tree (unique keys, known parent).
class IndexedTree final : public platform::WindowTree {
public:
    struct Node {
        std::string parentKey;
        std::string key;
        std::string text;
        bool expanded = false;
    };

    void clear() override {
        nodes.clear();
        index.clear();
    }
    bool addNode(const std::optional<std::string>& parentKey, const std::string& key,
                 const std::string& text, int) override {
        if (index.contains(key) || (parentKey && !index.contains(*parentKey)))
            return false;
        index.emplace(key, nodes.size());
        nodes.push_back(Node{parentKey.value_or(std::string()), key, text, false});
        return true;
    }
    int nodeCount() const override { return static_cast<int>(nodes.size()); }
    std::string key(int i) const override { return nodes.at(static_cast<size_t>(i - 1)).key; }
    bool isSelected(int i) const override { return i == selectedIndex; }
    void expand(int i) override { nodes.at(static_cast<size_t>(i - 1)).expanded = true; }

    const Node* find(const std::string& key) const {
        const auto found = index.find(key);
        return found != index.end() ? &nodes[found->second] : nullptr;
    }

    std::vector<Node> nodes;
    std::unordered_map<std::string, std::size_t> index;
    int selectedIndex = 0;
};

}  // namespace pelorus::testing
