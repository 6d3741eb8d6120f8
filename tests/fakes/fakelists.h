// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/toolkit/toolkit.h"

namespace pelorus::testing {

/// An in-memory report list: rows of three texts and a set of selected rows.
class FakeReportList final : public platform::ReportList {
public:
    struct Row {
        std::string text;
        std::string column2;
        std::string column3;
        bool column2Set = false;
        bool column3Set = false;
    };

    int rowCount() const override { return static_cast<int>(rows.size()); }
    void clear() override {
        rows.clear();
        selected.clear();
        ++clears;
    }
    void appendRow(const std::string& text) override { rows.push_back(Row{text, {}, {}}); }
    void setCell(int row, int column, const std::string& text) override {
        Row& target = rows.at(static_cast<size_t>(row - 1));
        if (column == 2) {
            target.column2 = text;
            target.column2Set = true;
        } else if (column == 3) {
            target.column3 = text;
            target.column3Set = true;
        }
    }
    bool isRowSelected(int row) const override {
        ++selectionQueries;
        return selected.contains(row);
    }
    int selectedRow() const override {
        if (current != 0 && selected.contains(current))
            return current;
        return selected.empty() ? 0 : *selected.begin();
    }
    void fitColumn(int index) override { fittedColumns.push_back(index); }

    std::vector<Row> rows;
    std::set<int> selected;  ///< 1-based rows
    int current = 0;         ///< the current row, 0 for none
    int clears = 0;
    std::vector<int> fittedColumns;
    mutable int selectionQueries = 0;
};

/// An in-memory window tree with the adding rules of the real one.
class FakeWindowTree final : public platform::WindowTree {
public:
    struct Node {
        std::optional<std::string> parentKey;
        std::string key;
        std::string text;
        int image = 0;
        bool expanded = false;
    };

    void clear() override {
        nodes.clear();
        m_index.clear();
        m_indexed = 0;
        ++clears;
    }
    bool addNode(const std::optional<std::string>& parentKey, const std::string& key,
                 const std::string& text, int image) override {
        if (failAdd && failAdd(key))
            return false;
        if (find(key) != 0)
            return false;
        if (parentKey && find(*parentKey) == 0)
            return false;
        nodes.push_back(Node{parentKey, key, text, image, false});
        return true;
    }
    int nodeCount() const override { return static_cast<int>(nodes.size()); }
    std::string key(int index) const override {
        return nodes.at(static_cast<size_t>(index - 1)).key;
    }
    bool isSelected(int index) const override { return index == selectedIndex; }
    void expand(int index) override { nodes.at(static_cast<size_t>(index - 1)).expanded = true; }

    /// 1-based index of the node with `key`, 0 when there is none. Kept in an index, so
    /// that trees of tens of thousands of nodes build quickly; a test may also push nodes
    /// straight into `nodes`, and the index follows.
    int find(const std::string& key) const {
        if (m_indexed > nodes.size()) {
            m_index.clear();
            m_indexed = 0;
        }
        for (; m_indexed < nodes.size(); ++m_indexed)
            m_index.emplace(nodes[m_indexed].key, static_cast<int>(m_indexed + 1));
        const auto found = m_index.find(key);
        return found != m_index.end() ? found->second : 0;
    }
    std::vector<std::string> keys() const {
        std::vector<std::string> result;
        for (const auto& node : nodes)
            result.push_back(node.key);
        return result;
    }

    std::vector<Node> nodes;
    int selectedIndex = 0;
    int clears = 0;
    /// When set and true for a key, adding that key fails (a refused node).
    std::function<bool(const std::string&)> failAdd;

private:
    mutable std::unordered_map<std::string, int> m_index;
    mutable std::size_t m_indexed = 0;
};

/// A main form that records what was asked of it; processEvents runs a hook, so that a
/// test can act in the middle of a walk that yields.
class FakeForm final : public platform::Form {
public:
    void setEnabled(bool value) override {
        enabled = value;
        calls.push_back(value ? "enable" : "disable");
    }
    void setVisible(bool value) override {
        visible = value;
        calls.push_back(value ? "show" : "hide");
    }
    void processEvents() override {
        ++eventPasses;
        if (onProcessEvents)
            onProcessEvents();
    }

    bool enabled = true;
    bool visible = true;
    int eventPasses = 0;
    std::vector<std::string> calls;
    std::function<void()> onProcessEvents;
};

}  // namespace pelorus::testing
