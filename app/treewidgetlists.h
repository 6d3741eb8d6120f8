// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <QElapsedTimer>
#include <QIcon>
#include <QList>
#include <QTimer>
#include <QTreeWidget>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/toolkit/toolkit.h"

namespace pelorus::app {

/// The task list and the detail list as the logic sees them: a QTreeWidget without root
/// decoration whose top-level items are the rows, in order of appending. The logic sees
/// each row (the count, the cells, the order) the moment it is appended; the widget gets
/// them in batches: the first row (again after a clear) at once, then at most one batch per
/// frame (16 ms), and every waiting row when a column is fitted or a frame has passed
/// without another row. A waiting row is not selected.
class TreeWidgetReportList final : public platform::ReportList {
public:
    /// `list` must outlive the adapter; only the adapter adds or removes its rows.
    explicit TreeWidgetReportList(QTreeWidget& list);
    ~TreeWidgetReportList() override;
    TreeWidgetReportList(const TreeWidgetReportList&) = delete;
    TreeWidgetReportList& operator=(const TreeWidgetReportList&) = delete;

    int rowCount() const override;
    void clear() override;
    void appendRow(const std::string& text) override;
    /// A row or column that does not exist is left alone.
    void setCell(int row, int column, const std::string& text) override;
    bool isRowSelected(int row) const override;
    int selectedRow() const override;
    /// Fits the column to the widest of its texts and its header, over all rows.
    void fitColumn(int index) override;

    /// Hands every waiting row to the widget now.
    void publish();

private:
    /// The item of 1-based row `row`, shown or waiting; null when there is none.
    QTreeWidgetItem* item(int row) const;
    /// The shown row whose text in `column` has the widest advance; -1 when none.
    int widestText(int column) const;

    QTreeWidget& m_list;
    QList<QTreeWidgetItem*> m_waiting;
    QElapsedTimer m_sincePublished;
    QTimer m_publishTimer;
};

/// The window tree as the logic sees it: a QTreeWidget plus an index from node key to
/// item and the items in order of adding.
class TreeWidgetWindowTree final : public platform::WindowTree {
public:
    /// `tree` and `images` (the image list, addressed from 1) must outlive the adapter;
    /// only the adapter adds or removes the tree's items.
    TreeWidgetWindowTree(QTreeWidget& tree, const std::vector<QIcon>& images)
        : m_tree(tree), m_images(images) {}

    void clear() override;
    /// Image 0 or one past the image list shows no picture.
    bool addNode(const std::optional<std::string>& parentKey, const std::string& key,
                 const std::string& text, int image) override;
    int nodeCount() const override { return static_cast<int>(m_nodes.size()); }
    /// Empty for an index out of range.
    std::string key(int index) const override;
    bool isSelected(int index) const override;
    void expand(int index) override;

private:
    struct Node {
        QTreeWidgetItem* item = nullptr;
        std::string key;
        bool expandWanted = false;
    };

    QTreeWidget& m_tree;
    const std::vector<QIcon>& m_images;
    std::vector<Node> m_nodes;
    std::unordered_map<std::string, int> m_index;  ///< key -> 1-based node position
};

}  // namespace pelorus::app
