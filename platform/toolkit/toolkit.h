// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <optional>
#include <string>

/// The seam to the forms: the controls and the form as the logic above the toolkit uses
/// them. The Qt forms implement it in app/; the logic in tasks/ and details/ and its tests
/// see nothing else of the toolkit.
namespace pelorus::platform {

/// The indices of the main form's button array `eButton`.
enum class ButtonIndex : int {
    Kill = 0,
    Refresh = 1,
    About = 2,
    Quit = 3,
    Show = 4,
    Hide = 5,
    /// The disabled Refresh under the window tree, which has no command.
    RefreshWindows = 6,
    ShowAll = 7,
    HideAll = 8,
};

/// The number of buttons in `eButton`.
inline constexpr int ButtonCount = 9;

/// A report-style list with three columns, as the task list and the detail list use
/// it. Rows and columns are addressed from 1; texts are UTF-8.
class ReportList {
public:
    virtual ~ReportList() = default;

    virtual int rowCount() const = 0;
    /// Removes every row.
    virtual void clear() = 0;
    /// Appends a row whose first column reads `text`; it becomes the last row.
    virtual void appendRow(const std::string& text) = 0;
    /// Sets column `column` (2 or 3) of row `row` to `text`.
    virtual void setCell(int row, int column, const std::string& text) = 0;
    /// Whether row `row` is selected.
    virtual bool isRowSelected(int row) const = 0;
    /// The position of the list's selected item: the current row when it is selected,
    /// else the first selected row; 0 when no row is selected.
    virtual int selectedRow() const = 0;
    /// Sizes column `index` (0, 1 or 2) to fit its contents and header.
    virtual void fitColumn(int index) = 0;
};

/// The window tree: nodes in order of adding, addressed from 1, each with a unique key.
class WindowTree {
public:
    virtual ~WindowTree() = default;

    /// Removes every node.
    virtual void clear() = 0;
    /// Adds a node as the last child of the node with key `parentKey` (a root when
    /// there is none). Fails, adding nothing, when `key` is in the tree already or
    /// `parentKey` is not. The new node becomes the last node of the collection.
    virtual bool addNode(const std::optional<std::string>& parentKey, const std::string& key,
                         const std::string& text, int image) = 0;
    virtual int nodeCount() const = 0;
    virtual std::string key(int index) const = 0;
    virtual bool isSelected(int index) const = 0;
    /// Sets node `index` expanded; a node without children keeps that state.
    virtual void expand(int index) = 0;
};

/// The main form as the commands need it.
class Form {
public:
    virtual ~Form() = default;

    /// false: the form takes no keyboard or mouse input. true gives the keyboard focus
    /// back to the control that had it.
    virtual void setEnabled(bool enabled) = 0;
    /// Hides or shows the form; showing it makes it the active window again.
    virtual void setVisible(bool visible) = 0;
    /// Handles the events that are waiting now, once, and returns.
    virtual void processEvents() = 0;
};

}  // namespace pelorus::platform
