// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/toolkit/toolkit.h"
#include "platform/types.h"

// After the seam's types: windows.h names macros (SW_HIDE...) that would clash with them.
#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>

namespace pelorus::app::win32 {

/// A list-view control in report style as the logic's report list.
class ListViewReportList final : public platform::ReportList {
public:
    void attach(HWND listView) { m_list = listView; }
    HWND hwnd() const { return m_list; }

    int rowCount() const override;
    void clear() override;
    void appendRow(const std::string& text) override;
    void setCell(int row, int column, const std::string& text) override;
    bool isRowSelected(int row) const override;
    int selectedRow() const override;
    /// LVM_SETCOLUMNWIDTH through SendMessageA, fitted to the contents and the header.
    void fitColumn(int index) override;

    /// The text of `column` (1 to 3) of `row`, for the tests.
    std::string cell(int row, int column) const;

private:
    HWND m_list = nullptr;
};

/// A tree-view control as the logic's window tree: the nodes in order of adding, by key.
class TreeViewWindowTree final : public platform::WindowTree {
public:
    void attach(HWND treeView) { m_tree = treeView; }
    HWND hwnd() const { return m_tree; }

    void clear() override;
    /// Image 0 shows no picture.
    bool addNode(const std::optional<std::string>& parentKey, const std::string& key,
                 const std::string& text, int image) override;
    int nodeCount() const override { return static_cast<int>(m_items.size()); }
    std::string key(int index) const override;
    bool isSelected(int index) const override;
    /// Marks the node expanded; a node without children keeps the mark, so the whole
    /// tree shows open once its children are added.
    void expand(int index) override;

    /// The control's item of node `index` (1-based); null when there is none.
    HTREEITEM item(int index) const;

private:
    HWND m_tree = nullptr;
    std::vector<std::pair<std::string, HTREEITEM>> m_items;
    std::map<std::string, HTREEITEM> m_byKey;
};

}  // namespace pelorus::app::win32
