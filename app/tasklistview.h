// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <QTreeWidget>

namespace pelorus::app {

/// The task list: a report-style list that tells its form about double-clicks and key
/// releases, after the list itself has handled them.
class TaskListView final : public QTreeWidget {
    Q_OBJECT
public:
    explicit TaskListView(QWidget* parent = nullptr);

signals:
    /// A double-click of the primary button anywhere in the list's area: on a row or on
    /// blank space, but not on the header or the scroll bars.
    void dblClick();
    /// A key was released while the list had the focus. Auto-repeated releases of a
    /// held key are not reported, so a held key counts once.
    void keyUp(int key, Qt::KeyboardModifiers shift);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
};

}  // namespace pelorus::app
